// The wizard's first step, run once from its start timer: what the command
// line names, the update check it asks for, fetching the package when it is
// missing, and its information block on the welcome page.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// Always 0. Ends the process (exit code 0) for a "-" switch, the updater's
// hand-over, a failed package download, a command line without a package
// and a refused re-download.
int32_t LoadPackage();

// A ".qgi" path or a scrambled parameter list: fills the game package's
// values and repaints, or shows the data-error box and ends the process.
void LoadPackageParameters(const std::string& command);

}  // namespace orvane
