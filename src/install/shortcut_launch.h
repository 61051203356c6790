// The last action of a normal install: the desktop shortcut and the start
// of the installed program, as the finish page's two boxes say.
#pragma once

namespace orvane {

// Reads the target folder from its edit box, hides the wizard, saves the
// shortcut when its box is ticked, starts the program (with the folder as
// its unquoted parameters) when its box is ticked, and asks the wizard to
// close. Failures are silent.
void CreateShortcutAndLaunch();

}  // namespace orvane
