// The install step behind Next on the folder page: it turns the package
// file into an installed folder (or hands a game package to the game hall).
#pragma once

#include <string>

namespace orvane {

// True for a package whose path ends in ".qgi" (any case).
bool IsQgiPackage();

void RunInstallStep();

// Where the step ends the whole process (exit code 0) it calls this first
// when set; the tests put a function here that throws, to see those ends
// without losing their own process.
extern void (*InstallStepProcessEnd)();

// Enables the buttons and shows the `Finish` page with its texts.
void FinishInstall();

// Opens the studio's help page for matching the package by hand.
void OpenMatchHelpPage();

}  // namespace orvane
