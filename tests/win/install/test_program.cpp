// Stands for an installed program: writes the command line it was started
// with into launched.txt beside itself, then waits until it is ended (at
// most a minute, so a failed test leaves nothing running for long). Given a
// web address it stands for the browser and ends at once.
#include <windows.h>

#include <string>

int main() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string record = path;
  record = record.substr(0, record.find_last_of('\\') + 1) + "launched.txt";
  const std::string partial = record + ".part";
  HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(lstrlenA(line)), &written, nullptr);
    CloseHandle(file);
    // Appears whole or not at all.
    MoveFileExA(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  if (std::string(GetCommandLineA()).find("http://") != std::string::npos) return 0;
  Sleep(60000);
  return 0;
}
