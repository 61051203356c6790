// An off-screen canvas: a memory device context with its own bitmap
// selected, freed by putting the previous bitmap back, then deleting the
// bitmap and the device context.
#pragma once

#include <windows.h>

#include "base/win/handles.h"

namespace orvane {

class Canvas {
 public:
  Canvas() = default;
  // A canvas compatible with the screen, filled with `fill`. Stays empty
  // when the device context or the bitmap cannot be made.
  Canvas(int width, int height, COLORREF fill);
  Canvas(Canvas&& other) noexcept;
  Canvas& operator=(Canvas&& other) noexcept;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  ~Canvas();

  explicit operator bool() const { return static_cast<bool>(bitmap_); }
  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  void Free();

  UniqueMemoryDc dc_;
  UniqueGdiObject bitmap_;
  HGDIOBJ previous_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace orvane
