// A 7-zip32.dll that lacks SevenZipSetCursorMode: the wizard must treat it
// as no library at all. Each function that is there fails loudly if called.
#include <windows.h>

#include <cstdint>

extern "C" {
__declspec(dllexport) int32_t WINAPI SevenZip(void*, const char*, char*, uint32_t) {
  return 0x8001;
}
__declspec(dllexport) int32_t WINAPI SevenZipCheckArchive(const char*, int32_t) {
  ExitProcess(91);
}
__declspec(dllexport) int32_t WINAPI SevenZipGetBackGroundMode() {
  ExitProcess(92);
}
__declspec(dllexport) int32_t WINAPI SevenZipSetBackGroundMode(int32_t) {
  ExitProcess(93);
}
__declspec(dllexport) int32_t WINAPI SevenZipSetOwnerWindowEx(void*, void*) {
  ExitProcess(94);
}
}
