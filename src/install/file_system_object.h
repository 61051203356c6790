// The platform's scripting FileSystemObject, for the two things the install
// step asks of it: a drive's free space and deleting a folder tree.
#pragma once

#include <windows.h>

#include <string>

#include "install/com_dispatch.h"

namespace orvane {

// One instance, created with COM initialised on this thread; COM is
// uninitialised with it when this object initialised it.
class FileSystemObject {
 public:
  FileSystemObject();
  FileSystemObject(const FileSystemObject&) = delete;
  FileSystemObject& operator=(const FileSystemObject&) = delete;
  ~FileSystemObject();

  bool created() const { return static_cast<bool>(object_); }

  // Free bytes of a drive such as "D:"; 0 without the object or the drive.
  double DriveFreeSpace(const std::string& drive);

  // DeleteFolder(path, force = false); the result is not consulted.
  void DeleteFolderTree(const std::string& path);

 private:
  bool uninitialise_ = false;
  ComRef<IDispatch> object_;
};

}  // namespace orvane
