// The install step behind Next on the folder page: it turns the package
// file into an installed folder (or hands a game package to the game hall).
#pragma once

#include <string>

namespace orvane {

// `ProgramFolder` + "temp": where the package is extracted.
std::string WorkFolder();

// True for a package whose path ends in ".qgi" (any case).
bool IsQgiPackage();

void RunInstallStep();

// Enables the buttons and shows the `Finish` page with its texts.
void FinishInstall();

// Opens the studio's help page for matching the package by hand.
void OpenMatchHelpPage();

}  // namespace orvane
