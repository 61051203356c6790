#include "qqgame/process_image_path.h"

#include <windows.h>
// psapi after windows.h.
#include <psapi.h>

#include <vector>

#include "base/win/handles.h"
#include "qqgame/image_path_records.h"

namespace orvane {
namespace {

// Long enough for any path the system can name (32767 characters, each up
// to two bytes in a multi-byte code page).
constexpr DWORD kLongestPathBytes = 65536;

std::string MainModulePath(HANDLE process) {
  for (DWORD size = MAX_PATH; size <= kLongestPathBytes; size *= 2) {
    std::vector<char> buffer(size, '\0');
    const DWORD written = GetModuleFileNameExA(process, nullptr, buffer.data(), size);
    if (written == 0) return {};
    // A full buffer may hold a cut path: try again with a larger one.
    if (written < size - 1) return std::string(buffer.data(), written);
  }
  return {};
}

#if !defined(_WIN64)
using QueryInformation64 = LONG(NTAPI*)(HANDLE process, ULONG infoClass, PVOID buffer, ULONG size,
                                        PULONG returned);
using ReadVirtualMemory64 = LONG(NTAPI*)(HANDLE process, ULONGLONG address, PVOID buffer,
                                         ULONGLONG size, PULONGLONG read);

template <typename Function>
Function NtdllFunction(const char* name) {
  HMODULE ntdll = GetModuleHandleA("ntdll");
  if (!ntdll) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

bool IsSixtyFourBitProcess(HANDLE process) {
  SYSTEM_INFO system{};
  GetNativeSystemInfo(&system);
  const WORD architecture = system.wProcessorArchitecture;
  if (architecture != PROCESSOR_ARCHITECTURE_AMD64 && architecture != PROCESSOR_ARCHITECTURE_IA64 &&
      architecture != PROCESSOR_ARCHITECTURE_ARM64) {
    return false;
  }
  BOOL wow64 = FALSE;
  return IsWow64Process(process, &wow64) && !wow64;
}

std::string ToCodePage(const std::u16string& text) {
  if (text.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string result(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, units, result.data(), bytes, nullptr, nullptr);
  return result;
}

std::string ImagePathThroughWow64(HANDLE process) {
  const auto query = NtdllFunction<QueryInformation64>("NtWow64QueryInformationProcess64");
  const auto read = NtdllFunction<ReadVirtualMemory64>("NtWow64ReadVirtualMemory64");
  if (!query || !read) return {};
  const auto path = ReadImagePathRecords(
      [&](void* buffer, uint32_t size) -> int32_t {
        return query(process, 0 /* ProcessBasicInformation */, buffer, size, nullptr);
      },
      [&](uint64_t address, void* buffer, uint64_t size) -> int32_t {
        return read(process, address, buffer, size, nullptr);
      });
  return path ? ToCodePage(*path) : std::string();
}
#endif

}  // namespace

std::string ProcessImagePath(uint32_t processId) {
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return {};
#if defined(_WIN64)
  return MainModulePath(process.get());
#else
  if (!IsSixtyFourBitProcess(process.get())) return MainModulePath(process.get());
  return ImagePathThroughWow64(process.get());
#endif
}

}  // namespace orvane
