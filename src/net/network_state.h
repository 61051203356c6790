// State of the running download, stored by the user-interface thread and
// by the download worker.
#pragma once

#include <atomic>
#include <cstdint>

namespace orvane {

// 0 idle; 1 a request has started; 2 stop requested; 3 to 9 stages.
inline constexpr int32_t kNetworkIdle = 0;
inline constexpr int32_t kNetworkStarted = 1;
inline constexpr int32_t kNetworkStopRequested = 2;
inline constexpr int32_t kNetworkStartingSockets = 3;
inline constexpr int32_t kNetworkSplittingAddress = 4;
inline constexpr int32_t kNetworkLookingUp = 5;
inline constexpr int32_t kNetworkCreatingSocket = 6;
inline constexpr int32_t kNetworkConnecting = 7;
inline constexpr int32_t kNetworkSending = 8;
inline constexpr int32_t kNetworkReceiving = 9;

extern std::atomic<int32_t> NetworkState;

// Stores a worker stage unless the user has asked to stop: the stop request
// must survive until the worker has seen it.
void SetNetworkStage(int32_t stage);

bool NetworkStopRequested();

}  // namespace orvane
