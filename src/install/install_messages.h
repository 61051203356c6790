// Fixed texts and captions of the install engine's message boxes.
#pragma once

namespace orvane {

inline constexpr const char* kContactRemoteHelpLine =
    "     －－－请自己检查后更正或者联系Orvane远程操作。";
inline constexpr const char* kInstallCaption = "软件安装";
inline constexpr const char* kCopyFailureCaption = "复制文件时出错";
inline constexpr const char* kCopyStatusPrefix = "复制：";
inline constexpr const char* kExtractStatusPrefix = "解压：";
inline constexpr const char* kLibraryMissingText =
    "无法加载【7-zip32.dll】文件\r\n\r\n此为解压支持库文件，请检查自己检查。";
inline constexpr const char* kRunningProgramCaption = "请退出【应用或游戏】";

}  // namespace orvane
