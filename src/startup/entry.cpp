// Process entry of the wizard.
#include <windows.h>

#include "base/text.h"
#include "startup/process_values.h"
#include "startup/start_sequence.h"

int main(int argc, char** argv) {
  using namespace orvane;
  {
    HDC screen = GetDC(nullptr);
    sx = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSX)) / 96.0f;
    sy = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY)) / 96.0f;
    ReleaseDC(nullptr, screen);
  }
  CommandLine = JoinArguments(argc, argv);
  RunStartSequence(GetModuleHandleA(nullptr), nullptr, CommandLine, SW_SHOWNORMAL);
  // Whatever happened, the wizard ends with exit code 0.
  ExitProcess(0);
}
