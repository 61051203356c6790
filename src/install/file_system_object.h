// The platform's scripting FileSystemObject, for the two things the install
// step asks of it: a drive's free space and deleting a folder tree.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>

namespace orvane {

// One instance, created with COM initialised on this thread; both are
// released with it.
class FileSystemObject {
 public:
  FileSystemObject();
  FileSystemObject(const FileSystemObject&) = delete;
  FileSystemObject& operator=(const FileSystemObject&) = delete;
  ~FileSystemObject();

  bool created() const { return object_ != nullptr; }

  // Free bytes of a drive such as "D:"; 0 without the object or the drive.
  double DriveFreeSpace(const std::string& drive);

  // DeleteFolder(path, force = false); the result is not consulted.
  void DeleteFolderTree(const std::string& path);

 private:
  bool uninitialise_ = false;
  IDispatch* object_ = nullptr;
};

}  // namespace orvane
