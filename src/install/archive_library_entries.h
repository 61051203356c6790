// The entry points of 7-zip32.dll that the wizard calls.
#pragma once

#include "archiver/sevenzip_api.h"

namespace orvane {

struct ArchiveLibraryEntries {
  SevenZipFunction sevenZip = nullptr;
  SevenZipCheckArchiveFunction checkArchive = nullptr;
  SevenZipGetBackGroundModeFunction getBackGroundMode = nullptr;
  SevenZipSetBackGroundModeFunction setBackGroundMode = nullptr;
  SevenZipSetCursorModeFunction setCursorMode = nullptr;
  SevenZipSetOwnerWindowExFunction setOwnerWindowEx = nullptr;
};

}  // namespace orvane
