#include "wizard/painting.h"

#include <string>
#include <vector>

#include "base/win/handles.h"
#include "build_constants.h"
#include "package/package_info.h"
#include "wizard/banners.h"
#include "wizard/controls.h"
#include "wizard/layout.h"
#include "wizard/page_state.h"
#include "wizard/page_texts.h"
#include "wizard/painting_canvas.h"
#include "wizard/painting_text.h"
#include "wizard/wizard_controls_internal.h"

namespace orvane {
namespace {

// Decoded once at creation; an empty canvas leaves its banner area in the
// button-face colour.
Canvas SideBannerCanvas;
Canvas TopBannerCanvas;

constexpr COLORREF ToColorref(Rgb rgb) {
  return RGB(rgb.red, rgb.green, rgb.blue);
}

std::optional<COLORREF> ColourOf(TextColour colour) {
  if (colour == TextColour::Current) return std::nullopt;
  if (colour == TextColour::Grey) return GetSysColor(COLOR_BTNSHADOW);
  return ToColorref(*FixedColour(colour));
}

std::string SourceText(const PageText& row) {
  switch (row.source) {
    case TextSource::Fixed:
      return row.text;
    case TextSource::TitleText:
      return TitleText;
    case TextSource::VersionText:
      return VersionText;
    case TextSource::PageHeading:
      return PageHeading;
    case TextSource::PageSubheading:
      return PageSubheading;
    case TextSource::WebAddress:
      return build::kWebAddress;
  }
  return {};
}

std::vector<PaintedText> PaintedTexts;

// Positions scale like the frames; the fonts already follow the screen.
void DrawRows(HDC dc, std::span<const PageText> rows) {
  for (const PageText& row : rows) {
    const TextPlace place = ScaledTextPlace(row, WindowScaleX(), WindowScaleY());
    const std::string text = SourceText(row);
    SIZE extent{};
    const int x = DrawPageText(dc, place.x, place.y, text, place.alignWidth, ColourOf(row.colour),
                               std::nullopt, TextFont{row.face, row.points, row.weight}, &extent);
    PaintedTexts.push_back({text, x, place.y, extent.cx, extent.cy});
  }
}

// Frame geometry is in 1/96-inch units, scaled per value.
int Sx(int units) {
  return ScaleUnits(static_cast<float>(units), WindowScaleX());
}
int Sy(int units) {
  return ScaleUnits(static_cast<float>(units), WindowScaleY());
}

void FillUnits(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  const RECT r{Sx(left), Sy(top), Sx(right), Sy(bottom)};
  FillRect(dc, &r, brush);
}

void LineUnits(HDC dc, int fromX, int toX, int y, int systemColour) {
  UniqueGdiObject pen(CreatePen(PS_SOLID, 1, GetSysColor(systemColour)));
  SelectInDc select(dc, pen.get());
  MoveToEx(dc, Sx(fromX), Sy(y), nullptr);
  LineTo(dc, Sx(toX), Sy(y));
}

void CopyBanner(HDC dc, const Canvas& banner, int widthUnits, int heightUnits) {
  if (!banner) return;
  TransparentBlt(dc, 0, 0, Sx(widthUnits), Sy(heightUnits), banner.dc(), 0, 0, banner.width(),
                 banner.height(), ToColorref(kBannerKeyColour));
}

void DrawSideBannerFrame(HDC dc) {
  FillUnits(dc, 0, 0, 450, 350, GetSysColorBrush(COLOR_BTNFACE));
  CopyBanner(dc, SideBannerCanvas, 120, 250);
  FillUnits(dc, 120, 0, 450, 250, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  LineUnits(dc, 0, 450, 250, COLOR_BTNSHADOW);
  LineUnits(dc, 0, 450, 251, COLOR_BTNHIGHLIGHT);
}

void DrawTopBannerFrame(HDC dc) {
  FillUnits(dc, 0, 0, 450, 350, GetSysColorBrush(COLOR_BTNFACE));
  CopyBanner(dc, TopBannerCanvas, 451, 53);
  LineUnits(dc, 0, 450, 51, COLOR_BTNSHADOW);
  // The lower lines start right of the web address.
  LineUnits(dc, 68, 450, 250, COLOR_BTNSHADOW);
  LineUnits(dc, 68, 450, 251, COLOR_BTNHIGHLIGHT);
  DrawRows(dc, TopBannerFrameTexts());
}

void ShowOnPage(HWND control, bool visible) {
  if (IsWindow(control)) ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void ApplyControlVisibility(const ControlVisibility& shown) {
  ShowOnPage(NextButton, shown.next);
  ShowOnPage(CancelButton, shown.cancel);
  ShowOnPage(BackButton, shown.back);
  ShowOnPage(TargetFolderGroup, shown.group);
  ShowOnPage(BrowseButton, shown.browse);
  ShowOnPage(TargetFolderEdit, shown.edit);
  ShowOnPage(ProgressBar, shown.progressBar);
  ShowOnPage(ProgressLabel, shown.progressLabel);
  ShowOnPage(LaunchAfterFinishCheck, shown.checkBoxes);
  ShowOnPage(DesktopShortcutCheck, shown.checkBoxes);
}

void PaintPage(HDC dc, const PagePaintPlan& plan) {
  if (plan.frame == PageFrame::SideBanner) {
    DrawSideBannerFrame(dc);
  } else {
    DrawTopBannerFrame(dc);
  }
  if (plan.blackBeforeTexts) SetTextColor(dc, RGB(0, 0, 0));
  DrawRows(dc, plan.texts);
}

// The whole surface is drawn below, so an erase first would only flicker:
// the update region is validated (which drops the pending erase) and put
// back without one.
void DropPendingErase(HWND window) {
  UniqueGdiObject update(CreateRectRgn(0, 0, 0, 0));
  if (!update) return;
  HRGN region = static_cast<HRGN>(update.get());
  if (GetUpdateRgn(window, region, FALSE) == ERROR) return;
  ValidateRgn(window, region);
  InvalidateRgn(window, region, FALSE);
}

}  // namespace

void SetUpWizardPictures(HWND window) {
  SetWindowTextA(window, WizardCaption(build::kVersion).c_str());
  HMODULE program = GetModuleHandleA(nullptr);
  SideBannerCanvas = DecodeBannerResource(program, kSideBannerResource);
  TopBannerCanvas = DecodeBannerResource(program, kTopBannerResource);
}

const std::vector<PaintedText>& LastPaintedTexts() {
  return PaintedTexts;
}

void ReleaseWizardPictures() {
  SideBannerCanvas = Canvas();
  TopBannerCanvas = Canvas();
}

LRESULT PaintWizard(HWND window) {
  const auto plan =
      PlanForPage(static_cast<int32_t>(InstallPage), GameRequired == 1, IsExtractOnlyMode());
  // Controls first, so the paint below already covers what they uncover.
  if (plan) {
    ApplyControlVisibility(plan->controls);
    if (plan->cancelCaption) SetControlText(CancelButton, plan->cancelCaption);
  }
  DropPendingErase(window);

  PAINTSTRUCT paint{};
  HDC target = BeginPaint(window, &paint);
  RECT outer{};
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  PaintedTexts.clear();
  Canvas page(width, height, RGB(255, 255, 255));
  if (page) {
    SetTextColor(page.dc(), RGB(0, 0, 0));
    if (plan) PaintPage(page.dc(), *plan);
    BitBlt(target, 0, 0, width, height, page.dc(), 0, 0, SRCCOPY);
  }
  EndPaint(window, &paint);
  return -1;
}

}  // namespace orvane
