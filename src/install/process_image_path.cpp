#include "install/process_image_path.h"

#include <psapi.h>

#include "base/win/handles.h"

namespace orvane {

std::string ProcessImagePath(DWORD processId) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return {};
  wchar_t wide[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameExW(process.get(), nullptr, wide, MAX_PATH);
  if (length == 0) return {};
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string path(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), path.data(), bytes, nullptr,
                      nullptr);
  return path;
}

}  // namespace orvane
