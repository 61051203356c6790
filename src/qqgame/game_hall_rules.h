// The decisions of the special-edition game install that need no window,
// registry or file: where the game hall lives, where the game goes, and the
// texts the user sees.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// The game platform's fixed names.
inline constexpr const char* kGameHallTitle = "QQ游戏";
inline constexpr const char* kGameUpdaterTitle = "QQ游戏客户端更新";
inline constexpr const char* kGameHallRegistryKey = "SOFTWARE\\Tencent\\QQGame\\SYS";
inline constexpr const char* kGameDirectoryValue = "GameDirectory";
inline constexpr const char* kMiniGamesDirectoryValue = "MiniGamesDirectory";
// Part of "GameDirectory" when it names the hall's own program folder.
inline constexpr const char* kHallFolderMarker = "\\Hall.";

// The game configuration inside the unpacked package, below the work folder.
inline constexpr const char* kStudioFilesFolder = "\\Different\\";
inline constexpr const char* kGameConfigFile = "\\Different\\config.ini";
inline constexpr const char* kGameConfigSection = "QgiMustHave";
inline constexpr const char* kDestRootFolderKey = "DestRootFolder";

// True when `needle` occurs in `text` starting on a whole GBK character,
// so a trail byte 0x5C never passes for a "\".
bool ContainsAtCharacterStart(std::string_view text, std::string_view needle);

// The folder named by the hall's registry entries: "GameDirectory", or
// "MiniGamesDirectory" (even when empty) when the first names the hall's
// own "\Hall." folder.
std::string GameFolderFromRegistry(std::string_view gameDirectory,
                                   std::string_view miniGamesDirectory);

// The folder of the running hall's program: everything up to and including
// the last ":", "\" or "/" of its path; empty when there is none.
std::string GameFolderFromProgramPath(std::string_view programPath);

// The game's folder below the hall: the configured sub-folder with its
// separators made "\" and empty and "." parts dropped. None when the value
// names no folder, or when it would leave the hall's folder (a ".." part,
// a drive or a device name with ":").
std::optional<std::string> GameSubFolder(std::string_view destRootFolder);

// The hall folder ending in one "\" (added unless it ends with one).
std::string GameFolderWithSeparator(std::string_view gameFolder);

// Hall folder with its "\" + sub-folder + "\".
std::string GameDestination(std::string_view gameFolder, std::string_view subFolder);

// Texts of the install.
inline constexpr const char* kInstallHeading = "自动安装QQ游戏";
std::string InstallSubheading(std::string_view productName);
inline constexpr const char* kStoppingGameLabel = "强制终止QQ游戏中...........";
inline constexpr const char* kStartingUpdaterLabel = "启动QQ游戏更新程序...........";
inline constexpr const char* kUpdatingLabel = "更新QQ游戏中...........";
inline constexpr const char* kCopyingLabel = "复制到QQ游戏文件夹中...........";
inline constexpr const char* kAllDoneLabel = "所有操作完成！！";
inline constexpr const char* kNoGameHallText =
    "！！！找不到QQ游戏大厅！！！\r\n\r\n请先从大厅管理器中打开QQ游戏大厅试试。\r\n\r\n     "
    "　－－－－"
    "感谢你使用【Orvane软件】";
inline constexpr const char* kNoGameConfigText =
    "！！！找不到游戏配置！！！\r\n\r\n请先从大厅管理器中打开QQ游戏大厅试试。\r\n\r\n     "
    "　－－－－"
    "感谢你使用【Orvane软件】";

}  // namespace orvane
