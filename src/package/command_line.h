// What the wizard's command line asks for once the wizard is up: a package
// to install, a special-edition game, the updater's hand-over, or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Command lines longer than this are scrambled parameter lists.
inline constexpr size_t kMaxPlainCommandLength = 30;

enum class CommandRoute {
  Parameters,       // a ".qgi" path or a parameter list: LoadPackageParameters
  EndProgram,       // a "-" switch: end at once
  UpdaterSelfCopy,  // running as Update.exe: hand over to a copy and end
  Package,          // install the package at packagePath (may be empty)
};

struct FeedCheckRequest {
  int32_t product = 0;
  std::string version;  // never empty: an empty one asks for no check
};

struct UpdaterSelfCopy {
  std::string source;     // ProgramFolder + "Update.exe"
  std::string target;     // ProgramFolder + "安装.exe", replaced when present
  std::string arguments;  // the whole command line, passed on
  std::string folder;     // the copy's working folder
};

struct CommandDecision {
  CommandRoute route = CommandRoute::Package;
  std::string packagePath;
  // A numbered package is fetched afresh: delete this file when it exists.
  std::optional<std::string> stalePackage;
  // Checked first; when the product is current, or the feed unreadable,
  // no package is loaded.
  std::optional<FeedCheckRequest> feedCheck;
  std::optional<UpdaterSelfCopy> selfCopy;
};

struct CommandContext {
  std::string_view programFolder;    // with its trailing separator
  std::string_view programFileName;  // the program's own file name
  bool commandNamesFile = false;     // the whole command line opens as a file
};

CommandDecision ClassifyCommandLine(std::string_view command, const CommandContext& context);

// True for a path ending in ".qgi" in any letter case.
bool IsQgiPath(std::string_view path);

// The file-name part of a package path: what is asked of the servers.
std::string PackageDownloadName(std::string_view packagePath);

}  // namespace orvane
