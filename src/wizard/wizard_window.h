// The wizard's one top-level window: class, creation, modal loop, and the
// message pumping helpers that long steps use to keep it alive.
#pragma once

#include <windows.h>

#include <cstdint>

namespace orvane {

inline constexpr const char* kWizardClassName = "FORM_Pellumo_FORM1_CLASS";
inline constexpr UINT_PTR kStartTimerId = 1002;
inline constexpr UINT kStartTimerMs = 50;
// Posted by the download worker to WizardHandle.
inline constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 600;

// The wizard; null before WM_CREATE and after WM_DESTROY.
extern HWND WizardHandle;
// The window that became active most recently (dialog-style navigation).
extern HWND ActiveFormHandle;
// The wizard's result, returned and reset by the message loop.
extern LONG_PTR FormResult;

// Registers the class when needed, creates the wizard and runs its modal
// loop until the window is gone. Returns null at once when creation fails.
LONG_PTR CreateWizard(HWND owner, int loopSelector, LONG_PTR createParam);

LRESULT CALLBACK WizardWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Invalidates the whole client area (with erasing) and updates it at once.
void RepaintWizard(HWND window);

// Dispatches every pending message of the thread without waiting.
void PumpMessages();

// Waits `milliseconds` (at least 1) while dispatching messages.
void WaitPumping(int milliseconds);

}  // namespace orvane
