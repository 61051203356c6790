// The user's page actions on the wizard: Next, Back, Browse and closing the
// window. WizardWindowProc routes the clicks and WM_CLOSE here.
#pragma once

#include <windows.h>

namespace orvane {

void OnNextClicked(int index, HWND window, HWND control, int id);
void OnBackClicked(int index, HWND window, HWND control, int id);
void OnBrowseClicked(int index, HWND window, HWND control, int id);
int OnWizardClose(HWND window);  // 0 lets the close go on, 1 refuses

}  // namespace orvane
