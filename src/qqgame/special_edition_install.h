// Installing a special-edition game into the QQ game hall: the platform's
// own updater takes the package, then the studio's changed files are moved
// over the installed game.
#pragma once

#include "qqgame/updater_wait.h"

namespace orvane {

// Runs once the package has been unpacked into the work folder.
// Finds the hall's folder (running hall first, then its registry entries),
// reads the game's sub-folder from "Different\config.ini" there, stops the
// game's programs, opens the package through the shell, waits for the
// updater, and moves "Different\" over the game. Tells the user and
// returns when the hall or the configuration cannot be found. Ends the
// process (exit code 0) when the wizard is closed during the waits, or
// when a close during the copy stopped it.
void InstallSpecialEditionGame();

// How long the install waits for the updater. The program never changes
// these; tests shorten them to run the updater's time-outs quickly.
extern UpdaterWaitLimits SpecialEditionWaitLimits;

}  // namespace orvane
