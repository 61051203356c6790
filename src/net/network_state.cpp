#include "net/network_state.h"

namespace orvane {

std::atomic<int32_t> NetworkState{kNetworkIdle};

void SetNetworkStage(int32_t stage) {
  int32_t current = NetworkState.load();
  while (current != kNetworkStopRequested && !NetworkState.compare_exchange_weak(current, stage)) {
  }
}

bool NetworkStopRequested() {
  return NetworkState.load() == kNetworkStopRequested;
}

}  // namespace orvane
