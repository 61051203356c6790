#include "net/wait_overlay.h"

#include <mmsystem.h>

#include <optional>
#include <string>

#include "base/number.h"
#include "base/win/handles.h"
#include "net/wait_panel_rules.h"
#include "startup/process_values.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

constexpr int kPumpIntervalMs = 8;
constexpr COLORREF kWhite = RGB(255, 255, 255);

int ToPixelsX(double units) {
  return static_cast<int>(RoundHalfEven(units * sx));
}
int ToPixelsY(double units) {
  return static_cast<int>(RoundHalfEven(units * sy));
}

bool ThreadRunning(HANDLE thread) {
  DWORD code = 0;
  return ::GetExitCodeThread(thread, &code) && code == STILL_ACTIVE;
}

// An off-screen copy of the panel's spot of the window; every frame is
// drawn here first and copied in one piece, so the panel never flickers.
class PanelSurface {
 public:
  PanelSurface(HWND window, const PixelRect& place) : window_(window), place_(place) {
    WindowDc screen(window);
    dc_.reset(::CreateCompatibleDC(screen.get()));
    bitmap_.reset(::CreateCompatibleBitmap(screen.get(), place.width, place.height));
    pen_.reset(::CreatePen(PS_SOLID, ToPixelsX(1), kWhite));
    LOGFONTA font{};
    font.lfHeight = -::MulDiv(14, ::GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, "Microsoft YaHei", LF_FACESIZE);
    font_.reset(::CreateFontIndirectA(&font));
    selectBitmap_.emplace(dc_.get(), bitmap_.get());
    selectPen_.emplace(dc_.get(), pen_.get());
    selectFont_.emplace(dc_.get(), font_.get());
    ::SetBkMode(dc_.get(), TRANSPARENT);
    Clear();
  }

  void Clear() {
    RECT all{0, 0, place_.width, place_.height};
    ::FillRect(dc_.get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
  }

  void DrawDot(int32_t angle, COLORREF colour) {
    const PixelPoint corner = DotCorner(angle, sx, sy);
    UniqueGdiObject brush(::CreateSolidBrush(colour));
    SelectInDc selected(dc_.get(), brush.get());
    ::Ellipse(dc_.get(), corner.x, corner.y, corner.x + ToPixelsX(10), corner.y + ToPixelsY(10));
  }

  // Centred in a 100 x 25 unit box at x 10, with a one-pixel white halo.
  void DrawHaloText(const std::string& text, int topUnits) {
    const RECT box{ToPixelsX(10), ToPixelsY(topUnits), ToPixelsX(110), ToPixelsY(topUnits + 25)};
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    const COLORREF normal = ::GetTextColor(dc_.get());
    ::SetTextColor(dc_.get(), kWhite);
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        RECT shifted = box;
        ::OffsetRect(&shifted, dx, dy);
        ::DrawTextA(dc_.get(), text.c_str(), static_cast<int>(text.size()), &shifted, format);
      }
    }
    ::SetTextColor(dc_.get(), normal);
    RECT exact = box;
    ::DrawTextA(dc_.get(), text.c_str(), static_cast<int>(text.size()), &exact, format);
  }

  void CopyToWindow() {
    WindowDc screen(window_);
    ::BitBlt(screen.get(), place_.left, place_.top, place_.width, place_.height, dc_.get(), 0, 0,
             SRCCOPY);
  }

 private:
  HWND window_;
  PixelRect place_;
  UniqueMemoryDc dc_;
  UniqueGdiObject bitmap_;
  UniqueGdiObject pen_;
  UniqueGdiObject font_;
  // Selected after the objects above and so put back before they go.
  std::optional<SelectInDc> selectBitmap_;
  std::optional<SelectInDc> selectPen_;
  std::optional<SelectInDc> selectFont_;
};

}  // namespace

void WaitOverlay(HWND window, HANDLE thread) {
  const DWORD start = ::timeGetTime();
  std::optional<PanelSurface> surface;
  if (window && ::IsWindow(window)) {
    RECT client{};
    ::GetClientRect(window, &client);
    surface.emplace(window, WaitPanelRect(client.right, client.bottom, sx, sy));
  }
  WaitPanelDots dots;
  while (ThreadRunning(thread)) {
    WaitPumping(kPumpIntervalMs);
    // The window may be gone after the messages just dispatched.
    if (!surface || !::IsWindow(window)) continue;
    AdvanceDots(dots);
    surface->Clear();
    for (int i = 0; i < kWaitDotCount; ++i) surface->DrawDot(dots.angles[i], kWaitDotColours[i]);
    surface->DrawHaloText("联网中", 23);
    surface->DrawHaloText("请稍等哦", 49);
    surface->DrawHaloText(WaitTimeText(::timeGetTime() - start), 73);
    surface->CopyToWindow();
  }
  surface.reset();
  if (window && ::IsWindow(window)) {
    ::InvalidateRect(window, nullptr, TRUE);
    ::UpdateWindow(window);
  }
}

}  // namespace orvane
