// The keys of a build that checks no signature; tests that check
// signatures set keys of their own.
#include "package/signature_check.h"

namespace orvane {

std::string_view TrustedPackageKeys;

}  // namespace orvane
