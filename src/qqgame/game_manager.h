// The studio's companion game-hall manager: a top-level window that embeds
// the QQ game hall in one of its picture-box children.
#pragma once

#include <windows.h>

namespace orvane {

inline constexpr const char* kGameManagerTitle = "Orvane_QQ游戏管理器";
inline constexpr const char* kPictureBoxClass = "ThunderRT6PictureBoxDC";
inline constexpr const char* kOldPictureBoxClass = "ThunderPictureBoxDC";

// The third untitled picture box of the companion window (of the newer
// class when it has three of them, else of the older one): the window the
// game hall and its games live in. Null when there is no companion window
// or it has fewer than three boxes of either class.
HWND FindGameManagerContainer();

}  // namespace orvane
