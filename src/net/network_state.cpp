#include "net/network_state.h"

namespace orvane {

std::atomic<int32_t> NetworkState{kNetworkIdle};

}  // namespace orvane
