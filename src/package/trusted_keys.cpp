// The keys come from the build; this is their only home, so a program
// linked with another definition of TrustedPackageKeys uses that instead.
#include "build_constants.h"
#include "package/signature_check.h"

namespace orvane {

std::string_view TrustedPackageKeys = build::kPackagePublicKeys;

}  // namespace orvane
