#include "wizard/banners.h"

#include <objidl.h>

#include <cstring>

#include "base/win/gdiplus_flat.h"

namespace orvane {
namespace {

class GlobalMemory {
 public:
  explicit GlobalMemory(SIZE_T size) : memory_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
  GlobalMemory(const GlobalMemory&) = delete;
  GlobalMemory& operator=(const GlobalMemory&) = delete;
  ~GlobalMemory() {
    if (memory_) GlobalFree(memory_);
  }
  HGLOBAL get() const { return memory_; }

 private:
  HGLOBAL memory_;
};

class StreamRef {
 public:
  StreamRef() = default;
  StreamRef(const StreamRef&) = delete;
  StreamRef& operator=(const StreamRef&) = delete;
  ~StreamRef() {
    if (stream_) stream_->Release();
  }
  IStream** out() { return &stream_; }
  IStream* get() const { return stream_; }

 private:
  IStream* stream_ = nullptr;
};

class GdiplusImage {
 public:
  GdiplusImage() = default;
  GdiplusImage(const GdiplusImage&) = delete;
  GdiplusImage& operator=(const GdiplusImage&) = delete;
  ~GdiplusImage() {
    if (image_) GdipDisposeImage(image_);
  }
  void** out() { return &image_; }
  void* get() const { return image_; }

 private:
  void* image_ = nullptr;
};

// A copy of the resource's bytes in a movable global block.
bool FillBlock(const GlobalMemory& block, const void* data, DWORD size) {
  if (!block.get()) return false;
  void* target = GlobalLock(block.get());
  if (!target) return false;
  std::memcpy(target, data, size);
  GlobalUnlock(block.get());
  return true;
}

// Draws a bitmap into a new canvas of its natural size.
Canvas CanvasFromBitmap(HBITMAP bitmap) {
  BITMAP info{};
  if (!GetObjectA(bitmap, sizeof info, &info)) return {};
  Canvas canvas(info.bmWidth, info.bmHeight, RGB(255, 255, 255));
  if (!canvas) return {};
  WindowDc screen(nullptr);
  UniqueMemoryDc source(CreateCompatibleDC(screen.get()));
  if (!source) return {};
  SelectInDc select(source.get(), bitmap);
  BitBlt(canvas.dc(), 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
  return canvas;
}

}  // namespace

Canvas DecodeBannerResource(HMODULE module, const char* name) {
  HRSRC resource = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!resource) return {};
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || size == 0) return {};

  GlobalMemory block(size);
  if (!FillBlock(block, data, size)) return {};
  StreamRef stream;  // does not own the block
  if (FAILED(CreateStreamOnHGlobal(block.get(), FALSE, stream.out()))) return {};

  GdiplusSession gdiplus;
  if (!gdiplus) return {};
  GdiplusImage image;
  if (GdipCreateBitmapFromStream(stream.get(), image.out()) != kGdiplusOk) return {};
  HBITMAP decoded = nullptr;
  if (GdipCreateHBITMAPFromBitmap(image.get(), &decoded, 0) != kGdiplusOk || !decoded) return {};
  UniqueGdiObject bitmap(decoded);
  return CanvasFromBitmap(decoded);
}

}  // namespace orvane
