#include "qqgame/game_manager.h"

namespace orvane {
namespace {

HWND ThirdUntitledChild(HWND parent, const char* className) {
  HWND child = nullptr;
  for (int i = 0; i < 3; ++i) {
    child = FindWindowExA(parent, child, className, "");
    if (!child) return nullptr;
  }
  return child;
}

}  // namespace

HWND FindGameManagerContainer() {
  HWND manager = FindWindowA(nullptr, kGameManagerTitle);
  if (!manager) return nullptr;
  if (HWND box = ThirdUntitledChild(manager, kPictureBoxClass)) return box;
  return ThirdUntitledChild(manager, kOldPictureBoxClass);
}

}  // namespace orvane
