// Keyboard navigation of the modal loop, focus memory, colour refresh and
// the start-up values, in this process.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "startup/process_values.h"
#include "startup/start_sequence.h"
#include "wizard/control_record.h"
#include "wizard/controls.h"
#include "wizard/wizard_controls_internal.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

class NavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc{8, 0x7FFF};
    InitCommonControlsEx(&icc);
    window_ = CreateWizardWindow(nullptr, 0);
    ASSERT_TRUE(window_);
    ActiveFormHandle = window_;
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    ActiveFormHandle = nullptr;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  HWND MakeEdit(DWORD extraStyle) {
    return CreateWindowExA(0, "Edit", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | extraStyle, 0, 0, 50,
                           20, window_, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  HWND window_ = nullptr;
};

TEST_F(NavigationTest, EscapeInAMultiLineEditBecomesTheCancelCommand) {
  HWND edit = MakeEdit(ES_MULTILINE);
  ASSERT_TRUE(edit);
  SetFocus(edit);
  ASSERT_EQ(GetFocus(), edit);
  MSG message{edit, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
  HandleDialogNavigation(message);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(IDCANCEL));
  EXPECT_EQ(message.lParam, 0);
}

TEST_F(NavigationTest, TabInAMultiLineEditMovesToTheNextTabItem) {
  ShowWindow(window_, SW_SHOWNA);
  HWND edit = MakeEdit(ES_MULTILINE);
  SetFocus(edit);
  MSG message{edit, WM_CHAR, '\t', 0, 0, {0, 0}};
  HandleDialogNavigation(message);
  EXPECT_EQ(message.message, 0u) << "the Tab must not reach the edit";
  EXPECT_NE(GetFocus(), edit);
  EXPECT_EQ(GetParent(GetFocus()), window_);
}

TEST_F(NavigationTest, SingleLineEditKeepsItsKeys) {
  HWND edit = MakeEdit(0);
  SetFocus(edit);
  MSG message{edit, WM_CHAR, 'a', 0, 0, {0, 0}};
  HandleDialogNavigation(message);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_CHAR));
}

TEST_F(NavigationTest, TheFormGivesFocusBackToItsLastFocusedControl) {
  ShowWindow(window_, SW_SHOWNA);
  SetFocus(TargetFolderEdit);
  ASSERT_EQ(RecordOf(window_)->lastFocusedChild, TargetFolderEdit);
  SetFocus(NextButton);
  EXPECT_EQ(RecordOf(window_)->lastFocusedChild, NextButton);
  SetFocus(window_);
  EXPECT_EQ(GetFocus(), NextButton);
}

TEST_F(NavigationTest, ColourChangeGivesFreshSystemBrushesToColouredControls) {
  ControlRecord* label = RecordOf(ProgressLabel);
  ASSERT_TRUE(label);
  label->backgroundBrush = CreateSolidBrush(RGB(1, 2, 3));  // as if stale
  SendMessageA(window_, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(label->backgroundBrush, GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(label->textColour, static_cast<COLORREF>(COLOR_WINDOWTEXT));
  EXPECT_TRUE(label->textIsSystemColour);
  // Buttons have colours off and keep no brush.
  EXPECT_EQ(RecordOf(NextButton)->backgroundBrush, nullptr);
}

TEST_F(NavigationTest, CloseAsksTheHandlerAndDestroysTheWindow) {
  SendMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(WizardHandle, nullptr);
}

TEST(StartValues, RichEditAndProgramPath) {
  ChooseRichEditClass();
  EXPECT_EQ(RichEditClass, "RichEdit50W");  // MSFTEDIT.DLL loads under Wine
  SetProgramPathValues("C:\\Apps\\x.exe");
  EXPECT_EQ(ProgramFolder, "C:\\Apps\\");
  EXPECT_EQ(ProgramFileName, "x.exe");
  SetProgramPathValues("x.exe");
  EXPECT_EQ(ProgramFolder, "");
  EXPECT_EQ(ProgramFileName, "x.exe");
}

TEST(StartValues, TagsAreHeapCopiesEndingInNul) {
  HWND window = CreateWindowExA(0, "Static", "", 0, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(window);
  SetTag(window, "abc");
  EXPECT_STREQ(static_cast<const char*>(GetPropA(window, kTagProperty)), "abc");
  SetTag(window, std::string_view("xy\0", 3));  // already ends in NUL
  EXPECT_STREQ(static_cast<const char*>(GetPropA(window, kTagProperty)), "xy");
  FreeTags(window);
  EXPECT_EQ(GetPropA(window, kTagProperty), nullptr);
  SetTag(nullptr, "ignored");  // not a window: nothing happens
  DestroyWindow(window);
}

}  // namespace
}  // namespace orvane
