// Every page painted into the real wizard window: screenshots for a reader
// and pixel checks of the frames, banners, lines, centring and controls.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "package/package_info.h"
#include "startup/process_values.h"
#include "win/pages/pages_fixture.h"
#include "wizard/banners.h"
#include "wizard/controls.h"
#include "wizard/layout.h"
#include "wizard/page_state.h"
#include "wizard/page_texts.h"
#include "wizard/painting.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane::pages_test {
namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kKey = Rgb(198, 0, 136);
constexpr uint32_t kBlue = Rgb(0, 0, 255);

int Sx(int units) {
  return ScaleUnits(static_cast<float>(units), WindowScaleX());
}
int Sy(int units) {
  return ScaleUnits(static_cast<float>(units), WindowScaleY());
}

std::string DpiName() {
  return std::to_string(ScreenDpi()) + "dpi";
}

void ExpectNoKeyColour(const Pixels& p) {
  int found = 0;
  for (uint32_t pixel : p.data) found += pixel == kKey;
  EXPECT_EQ(found, 0) << "key-colour pixels were copied";
}

// Not white, not the button face: some banner artwork.
bool IsArtwork(uint32_t pixel) {
  return pixel != kWhite && pixel != SystemRgb(COLOR_BTNFACE);
}

void ExpectControlsShown(const ControlVisibility& shown) {
  EXPECT_EQ(IsWindowVisible(NextButton) != 0, shown.next);
  EXPECT_EQ(IsWindowVisible(CancelButton) != 0, shown.cancel);
  EXPECT_EQ(IsWindowVisible(BackButton) != 0, shown.back);
  EXPECT_EQ(IsWindowVisible(TargetFolderGroup) != 0, shown.group);
  EXPECT_EQ(IsWindowVisible(BrowseButton) != 0, shown.browse);
  EXPECT_EQ(IsWindowVisible(TargetFolderEdit) != 0, shown.edit);
  EXPECT_EQ(IsWindowVisible(ProgressBar) != 0, shown.progressBar);
  EXPECT_EQ(IsWindowVisible(ProgressLabel) != 0, shown.progressLabel);
  EXPECT_EQ(IsWindowVisible(LaunchAfterFinishCheck) != 0, shown.checkBoxes);
  EXPECT_EQ(IsWindowVisible(DesktopShortcutCheck) != 0, shown.checkBoxes);
}

void ExpectSideBannerFrame(const Pixels& p) {
  // Banner at the left, white content area to its right.
  EXPECT_TRUE(IsArtwork(p.At(Sx(60), Sy(30))));
  EXPECT_TRUE(IsArtwork(p.At(Sx(120) - 1, Sy(10))));
  EXPECT_EQ(p.At(Sx(120), Sy(10)), kWhite);
  EXPECT_EQ(p.At(Sx(440), Sy(5)), kWhite);
  EXPECT_EQ(p.At(Sx(440), Sy(249) - 1), kWhite);
  // The banner's rounded corner is left out: the button face shows there.
  EXPECT_EQ(p.At(Sx(120) - 1, Sy(250) - 1), SystemRgb(COLOR_BTNFACE));
  // The two lines under the content area, then the button face.
  for (int x : {2, Sx(200), p.width - 2}) {
    EXPECT_EQ(p.At(x, Sy(250)), SystemRgb(COLOR_BTNSHADOW)) << x;
    EXPECT_EQ(p.At(x, Sy(251)), SystemRgb(COLOR_BTNHIGHLIGHT)) << x;
  }
  EXPECT_EQ(p.At(Sx(200), Sy(252) + 1), SystemRgb(COLOR_BTNFACE));
}

void ExpectTopBannerFrame(const Pixels& p) {
  EXPECT_TRUE(IsArtwork(p.At(Sx(395), Sy(6))));   // the studio's band of the banner
  EXPECT_TRUE(IsArtwork(p.At(Sx(200), Sy(49))));  // its lower strip
  for (int x : {2, Sx(200), p.width - 2}) {
    EXPECT_EQ(p.At(x, Sy(51)), SystemRgb(COLOR_BTNSHADOW)) << x;
  }
  // The lower lines leave room for the web address on the left.
  EXPECT_EQ(p.At(4, Sy(250)), SystemRgb(COLOR_BTNFACE));
  EXPECT_EQ(p.At(Sx(68), Sy(250)), SystemRgb(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(Sx(400), Sy(250)), SystemRgb(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(Sx(400), Sy(251)), SystemRgb(COLOR_BTNHIGHLIGHT));
  // The page body is the button face.
  EXPECT_EQ(p.At(Sx(440), Sy(150)), SystemRgb(COLOR_BTNFACE));
}

// Left and right ends of the pure-blue ink in the rows [top, bottom).
std::pair<int, int> BlueInkSpan(const Pixels& p, int top, int bottom) {
  int left = p.width;
  int right = -1;
  for (int y = top; y < bottom; ++y) {
    // From x = 0: at high DPI the title reaches over the banner, whose
    // colours never come this close to pure blue.
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.At(x, y);
      const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      if (b > 200 && r < 90 && g < 90) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  return {left, right};
}

struct PageShot {
  const char* name;
  int page;
  int gameRequired;
  bool extractOnly;
};

struct Box {
  int left, top, right, bottom;
  bool Overlaps(const Box& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

Box BoxOf(const PaintedText& t) {
  return {t.x, t.y, t.x + t.width, t.y + t.height};
}

// Where a text of the page sits at 96 DPI: its font made for 96 DPI and
// measured here, placed at the unscaled position.
Box BoxAt96Dpi(HWND window, const PageText& row, const std::string& text) {
  LOGFONTW font{};
  font.lfHeight = FontHeightForPoints(row.points, 96, 96);
  font.lfWeight = row.weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;
  MultiByteToWideChar(CP_ACP, 0, row.face, -1, font.lfFaceName, LF_FACESIZE);
  HDC dc = GetDC(window);
  HFONT made = CreateFontIndirectW(&font);
  HGDIOBJ old = SelectObject(dc, made);
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteObject(made);
  ReleaseDC(window, dc);
  const int x = AlignedTextX(row.x, row.alignWidth, size.cx);
  return {x, row.y, x + size.cx, row.y + size.cy};
}

// Painted texts stay inside the client area, off the side banner and off
// each other, except where they already touch at 96 DPI by design. At
// 96 DPI the painted boxes are the measured ones.
void ExpectTextsInPlace(HWND window, const Pixels& p, const PagePaintPlan& plan) {
  std::vector<PageText> rows;
  if (plan.frame == PageFrame::TopBanner) {
    for (const PageText& row : TopBannerFrameTexts()) rows.push_back(row);
  }
  for (const PageText& row : plan.texts) rows.push_back(row);
  const std::vector<PaintedText>& painted = LastPaintedTexts();
  ASSERT_EQ(painted.size(), rows.size());
  std::vector<Box> at96;
  for (size_t i = 0; i < rows.size(); ++i)
    at96.push_back(BoxAt96Dpi(window, rows[i], painted[i].text));
  const Box banner{0, 0, Sx(120), Sy(250)};
  const Box banner96{0, 0, 120, 250};
  for (size_t i = 0; i < painted.size(); ++i) {
    SCOPED_TRACE(painted[i].text);
    if (ScreenDpi() == 96) {
      EXPECT_EQ(painted[i].x, at96[i].left);
      EXPECT_EQ(painted[i].y, at96[i].top);
      EXPECT_EQ(painted[i].x + painted[i].width, at96[i].right);
    }
    const Box box = BoxOf(painted[i]);
    // At 96 DPI the pages stay as they were (the welcome line ends a pixel
    // past the client area there).
    if (ScreenDpi() != 96) {
      EXPECT_GE(box.left, 0);
      EXPECT_GE(box.top, 0);
      EXPECT_LE(box.right, p.width);
      EXPECT_LE(box.bottom, p.height);
    }
    if (plan.frame == PageFrame::SideBanner) {
      EXPECT_FALSE(box.Overlaps(banner) && !at96[i].Overlaps(banner96)) << "runs over the banner";
    }
    for (size_t j = i + 1; j < painted.size(); ++j) {
      EXPECT_FALSE(box.Overlaps(BoxOf(painted[j])) && !at96[i].Overlaps(at96[j]))
          << "runs into " << painted[j].text;
    }
  }
}

// Outside the controls, the page at 96 DPI is pixel for pixel the picture
// taken before texts were scaled.
void ExpectSameAsBefore(HWND window, const Pixels& p, const std::string& name) {
  const Pixels before = LoadPng(std::string(ORVANE_PAGES_REFERENCE_DIR_WIN) + "\\" + name + ".png");
  ASSERT_EQ(before.width, p.width) << name;
  ASSERT_EQ(before.height, p.height) << name;
  std::vector<RECT> controls;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    controls.push_back(r);
  }
  int differ = 0;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const POINT at{x, y};
      bool inControl = false;
      for (const RECT& r : controls) inControl = inControl || PtInRect(&r, at);
      if (!inControl && p.At(x, y) != before.At(x, y)) ++differ;
    }
  }
  EXPECT_EQ(differ, 0) << name << ": pixels that changed at 96 DPI";
}

// Every page of this run, in one picture per DPI.
std::vector<std::pair<std::string, Pixels>>& SheetPages() {
  static std::vector<std::pair<std::string, Pixels>> pages;
  return pages;
}

void SaveContactSheet() {
  const auto& pages = SheetPages();
  if (pages.empty()) return;
  constexpr int kColumns = 3;
  const int label = Sy(24);
  int cellWidth = 0, cellHeight = 0;
  for (const auto& [name, p] : pages) {
    cellWidth = std::max(cellWidth, p.width + 16);
    cellHeight = std::max(cellHeight, p.height + label + 16);
  }
  const int rows = (static_cast<int>(pages.size()) + kColumns - 1) / kColumns;
  Pixels sheet;
  sheet.width = cellWidth * kColumns;
  sheet.height = cellHeight * rows;
  BITMAPINFO info = TopDownBitmapInfo(sheet.width, sheet.height);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, section);
  const RECT all{0, 0, sheet.width, sheet.height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  for (size_t i = 0; i < pages.size(); ++i) {
    const auto& [name, p] = pages[i];
    const int left = static_cast<int>(i % kColumns) * cellWidth + 8;
    const int top = static_cast<int>(i / kColumns) * cellHeight + 8;
    const std::string caption = name + " (" + DpiName() + ")";
    TextOutA(dc, left, top, caption.c_str(), static_cast<int>(caption.size()));
    BITMAPINFO page = TopDownBitmapInfo(p.width, p.height);
    SetDIBitsToDevice(dc, left, top + label, p.width, p.height, 0, 0, 0, p.height, p.data.data(),
                      &page, DIB_RGB_COLORS);
  }
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits);
  sheet.data.assign(source, source + static_cast<size_t>(sheet.width) * sheet.height);
  SelectObject(dc, old);
  DeleteObject(section);
  DeleteDC(dc);
  SaveScreenshot(sheet, "pages-" + DpiName());
}

class PagePaintTest : public WizardPagesTest, public ::testing::WithParamInterface<PageShot> {};

TEST_P(PagePaintTest, PaintsTheFrameTextsAndControlsOfThePage) {
  const PageShot& shot = GetParam();
  GameRequired = shot.gameRequired;
  PackageInfo.fileName = shot.extractOnly ? kExtractOnlyFileName : "tools.exe";
  PageHeading = shot.page == 4 ? "安装选项" : "选择安装位置";
  PageSubheading = shot.page == 4 ? "感谢你使用“图片工具”" : "选择“图片工具”的安装文件夹";
  SetControlText(TargetFolderEdit, "C:\\Program Files\\Orvane\\图片工具");
  SetControlText(ProgressLabel, "正在下载：tools.7z  128 KB / 512 KB");
  SetControlText(NextButton, shot.page == 4 ? "完成" : "下一步");
  ShowPage(shot.page);

  const Pixels p = CaptureClient(window_);
  const std::string saved = SaveScreenshot(p, std::string(shot.name) + "-" + DpiName());
  EXPECT_FALSE(saved.empty());

  if (SheetPages().empty()) AtEndOfRun(&SaveContactSheet);
  SheetPages().emplace_back(shot.name, p);

  const auto plan = PlanForPage(shot.page, shot.gameRequired == 1, shot.extractOnly);
  ASSERT_TRUE(plan);
  ExpectTextsInPlace(window_, p, *plan);
  if (ScreenDpi() == 96) ExpectSameAsBefore(window_, p, shot.name);
  ExpectControlsShown(plan->controls);
  ExpectNoKeyColour(p);
  if (plan->frame == PageFrame::SideBanner) {
    ExpectSideBannerFrame(p);
    // TitleText is centred in the band of 325 units from x = 120 units.
    const auto [left, right] = BlueInkSpan(p, Sy(64), Sy(100));
    ASSERT_LT(left, right) << "no title ink";
    EXPECT_NEAR((left + right + 1) / 2.0, Sx(120) + Sx(325) / 2.0, 3.0);
  } else {
    ExpectTopBannerFrame(p);
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllPages, PagePaintTest,
    ::testing::Values(PageShot{"0-downloading", 0, 0, false}, PageShot{"1-welcome", 1, 0, false},
                      PageShot{"1-welcome-game-required", 1, 1, false},
                      PageShot{"2-target-folder", 2, 0, false},
                      PageShot{"3-installing", 3, 0, false}, PageShot{"4-finish", 4, 0, false},
                      PageShot{"4-finish-extract-only", 4, 0, true},
                      PageShot{"5-up-to-date", 5, 0, false}, PageShot{"6-no-network", 6, 0, false}),
    [](const auto& info) {
      std::string name = info.param.name;
      for (char& c : name) {
        if (c == '-') c = '_';
      }
      return name;
    });

TEST_F(WizardPagesTest, UpToDateSetsTheCancelCaptionAtEveryPaint) {
  for (int round = 0; round < 3; ++round) {
    SetControlText(CancelButton, "取消");
    ShowPage(5);
    EXPECT_EQ(WindowTextOf(CancelButton), "完成") << round;
  }
  ShowPage(6);
  SetControlText(CancelButton, "取消");
  ShowPage(6);
  EXPECT_EQ(WindowTextOf(CancelButton), "取消");
}

TEST_F(WizardPagesTest, OtherPageValuesPaintWhiteAndLeaveTheControls) {
  ShowPage(2);
  ShowPage(9);
  const Pixels p = CaptureClient(window_);
  EXPECT_EQ(p.At(5, 5), kWhite);
  EXPECT_EQ(p.At(p.width / 2, Sy(51)), kWhite);
  EXPECT_TRUE(IsWindowVisible(BrowseButton));  // as page 2 left it
}

TEST_F(WizardPagesTest, CaptionCarriesTheFileVersion) {
  EXPECT_EQ(WindowTextOf(window_), "安装Orvane软件 V1.0.3.7 版");
}

TEST_F(WizardPagesTest, BannersDecodeAtTheirNaturalSizes) {
  const Canvas side = DecodeBannerResource(GetModuleHandleA(nullptr), kSideBannerResource);
  ASSERT_TRUE(side);
  EXPECT_EQ(side.width(), 120);
  EXPECT_EQ(side.height(), 250);
  // The rounded corner is drawn in the key colour.
  EXPECT_EQ(GetPixel(side.dc(), 119, 249), RGB(198, 0, 136));
  const Canvas top = DecodeBannerResource(GetModuleHandleA(nullptr), kTopBannerResource);
  ASSERT_TRUE(top);
  EXPECT_EQ(top.width(), 451);
  EXPECT_EQ(top.height(), 53);
  EXPECT_FALSE(DecodeBannerResource(GetModuleHandleA(nullptr), "IMAGE_MISSING"));
}

TEST_F(WizardPagesTest, MissingBannersLeaveTheButtonFace) {
  ReleaseWizardPictures();
  ShowPage(1);
  Pixels p = CaptureClient(window_);
  EXPECT_EQ(p.At(Sx(60), Sy(30)), SystemRgb(COLOR_BTNFACE));
  EXPECT_EQ(p.At(Sx(200), Sy(10)), kWhite);
  ShowPage(3);
  p = CaptureClient(window_);
  EXPECT_EQ(p.At(Sx(430), Sy(20)), SystemRgb(COLOR_BTNFACE));
  EXPECT_EQ(p.At(Sx(200), Sy(51)), SystemRgb(COLOR_BTNSHADOW));
}

// At 120 DPI (factor 1.25) the side banner is stretched to 150 x 312
// (312.5 rounds to the even neighbour).
TEST_F(WizardPagesTest, SideBannerStretchesWithTheScaleFactors) {
  const float savedX = sx, savedY = sy;
  sx = sy = 1.25f;
  // Large enough a client area to hold the stretched frame.
  SetWindowPos(window_, nullptr, 0, 0, 600, 420, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowPage(1);
  const Pixels p = CaptureClient(window_);
  SaveScreenshot(p, "1-welcome-scale-1.25-" + DpiName());
  sx = savedX;
  sy = savedY;
  ASSERT_GT(p.height, 315);
  EXPECT_TRUE(IsArtwork(p.At(149, 40)));
  EXPECT_EQ(p.At(150, 40), kWhite);
  EXPECT_TRUE(IsArtwork(p.At(5, 311)));
  EXPECT_EQ(p.At(5, 312), SystemRgb(COLOR_BTNSHADOW));
  EXPECT_EQ(p.At(5, 314), SystemRgb(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(p.At(149, 311), SystemRgb(COLOR_BTNFACE));  // the left-out corner
  ExpectNoKeyColour(p);
}

// Counts the erases of the wizard's own surface. Themed controls also send
// WM_ERASEBKGND to draw the wizard's background into their own device
// context; those are not counted.
WNDPROC WizardProcBeforeCount = nullptr;
int EraseMessages = 0;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND && WindowFromDC(reinterpret_cast<HDC>(wParam)) == window) {
    ++EraseMessages;
  }
  return CallWindowProcA(WizardProcBeforeCount, window, message, wParam, lParam);
}

// The index of a fresh GDI handle: it climbs when objects leak.
uintptr_t FreshGdiHandleIndex() {
  HGDIOBJ probe = CreateSolidBrush(RGB(1, 2, 3));
  DeleteObject(probe);
  return reinterpret_cast<uintptr_t>(probe) & 0xFFFF;
}

TEST_F(WizardPagesTest, RepaintsOfAPageCopyOnceWithoutErasing) {
  WizardProcBeforeCount = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  ShowPage(0);
  EraseMessages = 0;
  // A progress line repaints its page over and over.
  for (int i = 0; i < 1000; ++i) RepaintWizard(window_);
  Settle();
  SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WizardProcBeforeCount));
  EXPECT_EQ(EraseMessages, 0);
}

TEST_F(WizardPagesTest, RepaintStormLeaksNoGdiObjects) {
  ShowPage(2);
  const DWORD objectsBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const uintptr_t indexBefore = FreshGdiHandleIndex();
  for (int i = 0; i < 1000; ++i) {
    if (i % 10 == 0) InstallPage = static_cast<WizardPage>((i / 10) % 7);
    RepaintWizard(window_);
  }
  Settle();
  const DWORD objectsAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  EXPECT_LE(objectsAfter, objectsBefore + 2);
  // GetGuiResources may answer 0 here; the handle table tells as well.
  EXPECT_LT(FreshGdiHandleIndex(), indexBefore + 500) << "GDI handles grow with every paint";
}

}  // namespace
}  // namespace orvane::pages_test
