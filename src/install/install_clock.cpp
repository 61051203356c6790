#include "install/install_clock.h"

#include <windows.h>
// after windows.h, which it needs
#include <mmsystem.h>

namespace orvane {

uint32_t SystemTicks() {
  return timeGetTime();
}

TickSource InstallTicks = &SystemTicks;

}  // namespace orvane
