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

extern std::atomic<int32_t> NetworkState;

}  // namespace orvane
