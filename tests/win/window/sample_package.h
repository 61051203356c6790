// A small package file for tests of the wizard: 3000 filler bytes and an
// information block, so loading it needs no server.
#pragma once

#include <string>

namespace orvane::testing {

// Writes the package into `folder` (created when missing) and returns its
// path.
std::string WriteSamplePackage(const std::string& folder, const std::string& fileName);

}  // namespace orvane::testing
