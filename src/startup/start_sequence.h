// The program's start: process-wide values, the start-up decision, and the
// wizard's run.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

// Fills ProgramFolder and ProgramFileName from the module file name.
void SetProgramPathValues(const std::string& moduleFileName);

// Loads the first rich-edit library of MSFTEDIT, RICHED20, RICHED32 and
// records its class name.
void ChooseRichEditClass();

// The start sequence, shaped like a GUI entry routine. Returns FormResult,
// which is 0 on every path.
LONG_PTR RunStartSequence(HINSTANCE instance, HINSTANCE previous, const std::string& commandLine,
                          int showCommand);

// The module instance of the program's own image.
extern HINSTANCE ModuleInstance;

}  // namespace orvane
