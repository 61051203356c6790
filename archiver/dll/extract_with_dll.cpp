// extract_with_dll ARCHIVE FOLDER: loads 7-zip32.dll from beside this
// program and extracts ARCHIVE into FOLDER with the command line the wizard
// uses. Exit code 0 on success, else the library's result.
#include <windows.h>

#include <cstdio>
#include <string>

#include "archiver/sevenzip_api.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: extract_with_dll ARCHIVE FOLDER\n");
    return 2;
  }
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder_of_self(self, n);
  folder_of_self.erase(folder_of_self.find_last_of('\\') + 1);
  HMODULE library = LoadLibraryA((folder_of_self + "7-zip32.dll").c_str());
  if (!library) {
    std::fprintf(stderr, "cannot load 7-zip32.dll\n");
    return 3;
  }
  auto sevenzip = reinterpret_cast<orvane::SevenZipFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "SevenZip")));
  if (!sevenzip) {
    std::fprintf(stderr, "7-zip32.dll lacks SevenZip\n");
    return 3;
  }
  std::string output = argv[2];
  if (output.empty() || output.back() != '\\') output += '\\';
  std::string command = std::string("x \"") + argv[1] + "\" -hide -y \"" + output + "\" *";
  char reason[512] = "";
  int32_t result = sevenzip(nullptr, command.c_str(), reason, sizeof reason);
  if (result != 0)
    std::fprintf(stderr, "SevenZip failed (%d): %s\n", static_cast<int>(result), reason);
  FreeLibrary(library);
  return result == 0 ? 0 : 1;
}
