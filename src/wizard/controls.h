// The ten controls of the wizard and the per-window record every window of
// the form framework carries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// Control identifiers.
inline constexpr int kProgressLabelId = 1000;
inline constexpr int kLaunchAfterFinishCheckId = 1002;
inline constexpr int kDesktopShortcutCheckId = 1003;
inline constexpr int kBrowseButtonId = 1004;
inline constexpr int kTargetFolderGroupId = 1005;
inline constexpr int kTargetFolderEditId = 1006;
inline constexpr int kProgressBarId = 1007;
inline constexpr int kBackButtonId = 1008;
inline constexpr int kCancelButtonId = IDCANCEL;
inline constexpr int kNextButtonId = 1009;

extern HWND ProgressLabel;
extern HWND LaunchAfterFinishCheck;
extern HWND DesktopShortcutCheck;
extern HWND BrowseButton;
extern HWND TargetFolderGroup;
extern HWND TargetFolderEdit;
extern HWND ProgressBar;
extern HWND BackButton;
extern HWND CancelButton;
extern HWND NextButton;

// Safe helpers: each does nothing when the handle is not a window.
void ShowControl(HWND control, bool visible);
void SetControlText(HWND control, std::string_view text);
std::string ControlText(HWND control);
void EnableControl(HWND control, bool enabled);

}  // namespace orvane
