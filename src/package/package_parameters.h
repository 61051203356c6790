// Special-edition games: a ".qgi" game package path, or a scrambled
// parameter list from the studio's other programs, both turned into the
// package values the install step reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

inline constexpr std::string_view kQgiTitlePrefix = "QQ游戏:";
inline constexpr std::string_view kSpecialEditionVersionText = "版本：Orvane软件专用版";
// A parameter list needs at least: display name, window title, package
// file name (or more fields), game program name.
inline constexpr size_t kMinParameterFields = 4;

struct GamePackage {
  std::string title;        // TitleText
  std::string name;         // PackageInfo.name: the title cut to its field
  std::string packagePath;  // PackageFilePath
  // Only a parameter list names the game's window and program.
  std::optional<std::string> windowTitle;
  std::optional<std::string> programName;
};

struct ParametersDecision {
  std::optional<GamePackage> package;
  // When the list is unusable: the text of the data-error box.
  std::string dataError;
};

// The fields of a descrambled parameter list; none for an empty text.
std::vector<std::string> ParameterFields(std::string_view scrambled);

// "QQ游戏:" + the game name taken from the file name of a ".qgi" path, and
// the path made absolute against the program folder.
GamePackage QgiGamePackage(std::string_view path, std::string_view programFolder);

ParametersDecision EvaluatePackageParameters(std::string_view command,
                                             std::string_view programFolder);

// Puts a game package into the program-wide values: GameRequired,
// TitleText, PackageInfo (name, extract-only file name), PackageFilePath,
// VersionText and, when present, GameWindowTitle and GameProgramName.
void ApplyGamePackage(const GamePackage& package);

}  // namespace orvane
