// Pieces of the wizard window shared between its own source files.
#pragma once

#include <windows.h>

namespace orvane {

// Registers the class when needed and creates the wizard, hidden, without
// a message loop (CreateWizard runs the loop).
HWND CreateWizardWindow(HWND owner, LONG_PTR createParam);

// Creates the ten controls of the wizard (on WM_CREATE).
void CreateWizardControls(HWND wizard);

// sx and sy, measured on first use when still 0.
float WindowScaleX();
float WindowScaleY();

// The modal loop; selector -1 is the only form used.
LONG_PTR RunModalLoop(int selector, HWND window, HWND owner, int showCommand, int mdiFlag);

// Dialog-style keyboard handling of the loop: Escape and Tab inside a
// multi-line edit, then IsDialogMessage of the active form. True when the
// message was consumed.
bool HandleDialogNavigation(MSG& message);

// Refreshes the system colours of every child of the wizard.
void RefreshChildColours(HWND wizard);

}  // namespace orvane
