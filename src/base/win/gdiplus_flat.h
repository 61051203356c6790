// The few entries of the GDI+ flat API this program uses (linked from
// gdiplus), and GDI+ started for one scope.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <objidl.h>

extern "C" {
struct GdiplusStartupInputFlat {
  UINT32 GdiplusVersion;
  void* DebugEventCallback;
  BOOL SuppressBackgroundThread;
  BOOL SuppressExternalCodecs;
};
int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInputFlat* input, void* output);
void WINAPI GdiplusShutdown(ULONG_PTR token);
int WINAPI GdipCreateBitmapFromStream(IStream* stream, void** bitmap);
int WINAPI GdipCreateHBITMAPFromBitmap(void* bitmap, HBITMAP* result, DWORD background);
int WINAPI GdipCreateBitmapFromHBITMAP(HBITMAP bitmap, HPALETTE palette, void** image);
int WINAPI GdipCreateBitmapFromScan0(INT width, INT height, INT stride, INT format, BYTE* scan0,
                                     void** bitmap);
int WINAPI GdipSaveImageToFile(void* image, const WCHAR* file, const CLSID* encoder,
                               const void* parameters);
int WINAPI GdipDisposeImage(void* image);
}

namespace orvane {

inline constexpr int kGdiplusOk = 0;

// GDI+ version 1, no debug callback, its background thread and external
// codecs allowed; shut down with the scope. Start-ups nest.
class GdiplusSession {
 public:
  GdiplusSession() {
    const GdiplusStartupInputFlat input{1, nullptr, FALSE, FALSE};
    ok_ = GdiplusStartup(&token_, &input, nullptr) == kGdiplusOk;
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  ~GdiplusSession() {
    if (ok_) GdiplusShutdown(token_);
  }
  explicit operator bool() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

}  // namespace orvane
