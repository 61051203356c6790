// The small animated panel in the middle of the wizard while a download
// runs: six circling dots, "联网中", "请稍等哦" and the elapsed time.
#pragma once

#include <windows.h>

namespace orvane {

// Pumps the window's messages every 8 ms and redraws the panel until the
// thread has ended, then repaints the window so no trace is left. Without
// a window it only pumps and waits.
void WaitOverlay(HWND window, HANDLE thread);

}  // namespace orvane
