#include "wizard/painting_canvas.h"

#include <utility>

namespace orvane {

Canvas::Canvas(int width, int height, COLORREF fill) {
  if (width <= 0 || height <= 0) return;
  WindowDc screen(nullptr);
  UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  UniqueGdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!dc || !bitmap) return;
  previous_ = SelectObject(dc.get(), bitmap.get());
  dc_ = std::move(dc);
  bitmap_ = std::move(bitmap);
  width_ = width;
  height_ = height;
  const RECT all{0, 0, width, height};
  UniqueGdiObject brush(CreateSolidBrush(fill));
  FillRect(dc_.get(), &all, static_cast<HBRUSH>(brush.get()));
}

Canvas::Canvas(Canvas&& other) noexcept
    : dc_(std::move(other.dc_)),
      bitmap_(std::move(other.bitmap_)),
      previous_(std::exchange(other.previous_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

Canvas& Canvas::operator=(Canvas&& other) noexcept {
  if (this != &other) {
    Free();
    dc_ = std::move(other.dc_);
    bitmap_ = std::move(other.bitmap_);
    previous_ = std::exchange(other.previous_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

Canvas::~Canvas() {
  Free();
}

void Canvas::Free() {
  // The bitmap cannot be deleted while the device context holds it.
  if (dc_ && previous_) SelectObject(dc_.get(), previous_);
  previous_ = nullptr;
  bitmap_.reset();
  dc_.reset();
  width_ = 0;
  height_ = 0;
}

}  // namespace orvane
