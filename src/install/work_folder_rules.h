// Naming and recognising the folder the package is unpacked into. The
// folder is the wizard's own only when it carries the marker file the
// wizard writes on making it: a folder of the same name that a user keeps
// is never emptied.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Written into every work folder the wizard makes; left out of the copy.
inline constexpr const char* kWorkFolderMarkerName = "~orvane-setup-work.tag";

// How many names are tried beside the program before giving up.
inline constexpr int kWorkFolderCandidates = 10;

// The bytes of the marker file.
std::string WorkFolderMarkerText();

// True when a marker file holds these bytes (as written, or followed by
// more text).
bool IsWorkFolderMarker(std::string_view bytes);

// The work folder names in the order they are tried: `programFolder` +
// "temp", then "temp.orvane", "temp.orvane2", ... (no trailing "\").
std::string WorkFolderCandidate(std::string_view programFolder, int index);

}  // namespace orvane
