// The wizard window created in this process, before it is shown or
// painted: class, styles, geometry, the ten controls and their records.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "package/package_info.h"
#include "startup/process_values.h"
#include "win/window/expected_layout.h"
#include "win/window/sample_package.h"
#include "wizard/control_record.h"
#include "wizard/controls.h"
#include "wizard/layout.h"
#include "wizard/page_state.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

class WizardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{8, 0x7FFF};
    InitCommonControlsEx(&icc);
    window_ = CreateWizardWindow(nullptr, 0);
    ASSERT_TRUE(window_);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    // WM_DESTROY posts the quit message; take it so the next test starts clean.
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND window_ = nullptr;
};

TEST_F(WizardWindowTest, ClassStylesAndPlaceFollowTheScreen) {
  EXPECT_EQ(WizardHandle, window_);
  char name[64] = {};
  GetClassNameA(window_, name, sizeof name);
  EXPECT_STREQ(name, "FORM_Pellumo_FORM1_CLASS");

  const LONG style = GetWindowLongA(window_, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window_, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(exStyle & WS_EX_CONTROLPARENT);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  RECT r;
  GetWindowRect(window_, &r);
  const RECT expected = testing::ExpectedWizardRect(testing::MeasureScreen());
  EXPECT_EQ(r.left, expected.left);
  EXPECT_EQ(r.top, expected.top);
  EXPECT_EQ(r.right - r.left, expected.right - expected.left);
  EXPECT_EQ(r.bottom - r.top, expected.bottom - expected.top);

  const UINT_PTR classBrush = GetClassLongPtrA(window_, GCLP_HBRBACKGROUND);
  EXPECT_EQ(classBrush, static_cast<UINT_PTR>(COLOR_BTNFACE + 1));
  // GBK texts need the Chinese code page.
  EXPECT_EQ(GetACP(), 936u);
}

TEST_F(WizardWindowTest, TenControlsMatchTheTableInOrderAndPlace) {
  const testing::ScreenScale scale = testing::MeasureScreen();
  HWND child = GetWindow(window_, GW_CHILD);
  for (const ControlSpec& spec : WizardControlTable()) {
    ASSERT_TRUE(child) << spec.handleName;
    EXPECT_EQ(GetDlgCtrlID(child), spec.id) << spec.handleName;
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    EXPECT_STREQ(CharUpperA(name), CharUpperA(std::string(spec.className).data()));
    char caption[128] = {};
    GetWindowTextA(child, caption, sizeof caption);
    EXPECT_STREQ(caption, spec.caption) << spec.handleName;

    const PixelRect want = ScaleControl(spec, scale.x(), scale.y());
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, want.x) << spec.handleName;
    EXPECT_EQ(r.top, want.y) << spec.handleName;
    EXPECT_EQ(r.right - r.left, want.width) << spec.handleName;
    EXPECT_EQ(r.bottom - r.top, want.height) << spec.handleName;

    // Only the three bottom buttons are visible before the first paint.
    const bool visible = (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0;
    const bool bottom =
        spec.id == kBackButtonId || spec.id == kCancelButtonId || spec.id == kNextButtonId;
    EXPECT_EQ(visible, bottom) << spec.handleName;

    // Every control carries its record, subclassed, with both tags empty.
    const ControlRecord* record = RecordOf(child);
    ASSERT_TRUE(record) << spec.handleName;
    EXPECT_EQ(record->index, 0);
    EXPECT_TRUE(record->previousProc);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC)),
              &CommonControlProc);
    const char* tag = static_cast<const char*>(GetPropA(child, kTagProperty));
    ASSERT_TRUE(tag);
    EXPECT_STREQ(tag, "");
    ASSERT_TRUE(GetPropA(child, kTagProperty2));
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_FALSE(child) << "more than ten controls";

  if (scale.logPixelsX == 144 && scale.logPixelsY == 144) {
    RECT r;
    GetWindowRect(ProgressLabel, &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 18);
    EXPECT_EQ(r.top, 296);
    EXPECT_EQ(r.right - r.left, 626);
    EXPECT_EQ(r.bottom - r.top, 27);
  }
}

TEST_F(WizardWindowTest, HandleVariablesStateAndFontFollowTheSetUpTable) {
  EXPECT_EQ(GetDlgCtrlID(NextButton), kNextButtonId);
  EXPECT_EQ(GetDlgCtrlID(CancelButton), IDCANCEL);
  EXPECT_EQ(SendMessageA(LaunchAfterFinishCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(DesktopShortcutCheck, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETPOS, 0, 0), 80);
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETRANGE, TRUE, 0), 1);
  EXPECT_EQ(SendMessageA(ProgressBar, PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageA(TargetFolderEdit, EM_GETMARGINS, 0, 0), 0);

  const testing::ScreenScale scale = testing::MeasureScreen();
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(NextButton, WM_GETFONT, 0, 0));
  ASSERT_TRUE(font);
  LOGFONTW lf{};
  ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
  EXPECT_EQ(lf.lfHeight, FontHeightForPoints(9, scale.logPixelsX, scale.logPixelsY));
  EXPECT_EQ(lf.lfHeight,
            scale.logPixelsY == 144 ? -18 : (scale.logPixelsY == 96 ? -12 : lf.lfHeight));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_STREQ(lf.lfFaceName, L"\x5FAE\x8F6F\x96C5\x9ED1");  // 微软雅黑
}

TEST_F(WizardWindowTest, ColourRuleGivesLabelsButtonFaceAndDisabledEditButtonFace) {
  HDC dc = GetDC(window_);
  HBRUSH labelBrush = reinterpret_cast<HBRUSH>(
      SendMessageA(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(ProgressLabel)));
  EXPECT_EQ(labelBrush, GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

  HBRUSH editBrush =
      reinterpret_cast<HBRUSH>(SendMessageA(window_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                            reinterpret_cast<LPARAM>(TargetFolderEdit)));
  EXPECT_EQ(editBrush, GetSysColorBrush(COLOR_WINDOW));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);

  EnableWindow(TargetFolderEdit, FALSE);
  editBrush = reinterpret_cast<HBRUSH>(SendMessageA(window_, WM_CTLCOLORSTATIC,
                                                    reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(TargetFolderEdit)));
  EXPECT_EQ(editBrush, GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));

  // Buttons have colours off: the default procedure answers.
  const LRESULT buttonBrush = SendMessageA(window_, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(NextButton));
  EXPECT_NE(buttonBrush, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
  ReleaseDC(window_, dc);
}

TEST_F(WizardWindowTest, DestroyReleasesRecordsAndPostsQuit) {
  HWND label = ProgressLabel;
  ASSERT_TRUE(RecordOf(label));
  DestroyWindow(window_);
  EXPECT_EQ(WizardHandle, nullptr);
  EXPECT_FALSE(IsWindow(label));
  MSG message;
  bool quit = false;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    quit = quit || message.message == WM_QUIT;
  EXPECT_TRUE(quit);
}

TEST_F(WizardWindowTest, StartTimerFiresOnceAndLoadsThePackage) {
  // A command line naming a package file with its block: loading needs no
  // server and ends on the welcome page with the block's texts.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  CommandLine = testing::WriteSamplePackage(std::string(temp) + "orvane-window-test", "123.7z");
  InstallPage = WizardPage::Downloading;
  int timers = 0;
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < 400) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) {
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_TIMER && message.wParam == kStartTimerId) ++timers;
        DispatchMessageA(&message);
      }
    }
  }
  EXPECT_EQ(timers, 1);
  EXPECT_EQ(InstallPage, WizardPage::Welcome);
  EXPECT_EQ(TitleText, "示例软件");
  EXPECT_EQ(PackageFilePath, CommandLine);
  CommandLine.clear();
}

TEST(WaitPumping, WaitsAtLeastTheTimeWhileDispatching) {
  const DWORD start = GetTickCount();
  WaitPumping(60);
  EXPECT_GE(GetTickCount() - start, 55u);
  const DWORD again = GetTickCount();
  WaitPumping(0);  // counts as 1 ms
  EXPECT_LT(GetTickCount() - again, 1000u);
}

}  // namespace
}  // namespace orvane
