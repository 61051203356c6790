// The folder beside the program that a package is unpacked into before
// its files move to the target. The wizard empties and deletes only a
// folder it made itself (one holding its marker file): a folder of that
// name kept by the user is left alone and another name is used.
#pragma once

#include <string>

#include "install/file_system_object.h"

namespace orvane {

// Chooses the work folder of the next install among the names beside
// `ProgramFolder`: the first one that is free or the wizard's own. Empty
// when every name is taken by someone else's file or folder. The choice
// is kept for WorkFolder().
std::string ChooseWorkFolder();

// The folder of the last choice (no trailing "\"); before any choice,
// the first name.
std::string WorkFolder();

// Clears what an earlier run left in the chosen folder (it is the
// wizard's own) and makes the folder afresh with its marker. False when
// a clean folder could not be had.
bool PrepareWorkFolder(FileSystemObject& fso, const std::string& folder);

// Deletes the work folder. When something in it cannot be deleted, the
// marker is written back so that the next run still knows the folder.
void RemoveWorkFolder(FileSystemObject& fso, const std::string& folder);

// True when the target folder is the work folder or lies inside it, after
// both are made full paths (".", "..", "/" and short names resolved).
bool TargetInsideWorkFolder(const std::string& target, const std::string& workFolder);

}  // namespace orvane
