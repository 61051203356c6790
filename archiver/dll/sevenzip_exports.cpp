// The exported functions of 7-zip32.dll (undecorated stdcall names). They
// keep the library's settings; the work is in extract_run.cpp.
#include <windows.h>

#include <string>

#include "archiver/dll/ansi_text.h"
#include "archiver/dll/extract_run.h"
#include "archiver/sevenzip_api.h"

namespace {

// One caller thread at a time, as with any window-owning library.
orvane::archiver::ProgressTarget g_progress;
bool g_background_mode = false;
bool g_cursor_mode = false;
bool g_running = false;

}  // namespace

#define SEVENZIP_EXPORT extern "C" __declspec(dllexport)

SEVENZIP_EXPORT int32_t WINAPI SevenZip(HWND, const char* command_line, char* output,
                                        DWORD output_size) {
  if (g_running) return orvane::kSevenZipAlreadyRunning;
  g_running = true;
  std::string reason;
  int32_t result = orvane::archiver::RunExtractCommand(command_line, g_progress, &reason);
  g_running = false;
  if (output && output_size > 0) orvane::archiver::CopyAnsiTruncated(reason, output, output_size);
  return result;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipCheckArchive(const char* path, int) {
  return orvane::archiver::CanExtractArchive(path) ? TRUE : FALSE;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipGetBackGroundMode() {
  return g_background_mode;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipSetBackGroundMode(BOOL mode) {
  g_background_mode = mode != FALSE;
  return TRUE;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipGetCursorMode() {
  return g_cursor_mode;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipSetCursorMode(BOOL mode) {
  g_cursor_mode = mode != FALSE;
  return TRUE;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipSetOwnerWindowEx(HWND owner,
                                                     orvane::ExtractProgressCallback callback) {
  g_progress.owner = owner;
  g_progress.callback = callback;
  return TRUE;
}

SEVENZIP_EXPORT BOOL WINAPI SevenZipKillOwnerWindowEx(HWND owner) {
  if (owner != g_progress.owner) return FALSE;
  g_progress = {};
  return TRUE;
}
