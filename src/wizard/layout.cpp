#include "wizard/layout.h"

#include <cmath>

#include "base/number.h"

namespace orvane {

namespace {

// Window and control styles (values of the Windows headers).
constexpr uint32_t kWsChild = 0x40000000;
constexpr uint32_t kWsVisible = 0x10000000;
constexpr uint32_t kWsClipSiblings = 0x04000000;
constexpr uint32_t kWsClipChildren = 0x02000000;
constexpr uint32_t kWsBorder = 0x00800000;
constexpr uint32_t kWsTabStop = 0x00010000;
constexpr uint32_t kSsNotify = 0x0100;
constexpr uint32_t kBsPushButton = 0x0000;
constexpr uint32_t kBsAutoCheckBox = 0x0003;
constexpr uint32_t kBsGroupBox = 0x0007;
constexpr uint32_t kBsLeft = 0x0100;
constexpr uint32_t kBsCenter = 0x0300;
constexpr uint32_t kBsVCenter = 0x0C00;
constexpr uint32_t kBsNotify = 0x4000;
constexpr uint32_t kEsAutoHScroll = 0x0080;
constexpr uint32_t kPbsSmooth = 0x01;
constexpr uint32_t kWsExTransparent = 0x00000020;
constexpr uint32_t kWsExClientEdge = 0x00000200;

constexpr uint32_t kCheckBox =
    kWsChild | kBsAutoCheckBox | kBsLeft | kBsVCenter | kBsNotify | kWsTabStop;
constexpr uint32_t kPushButton =
    kWsChild | kBsPushButton | kBsCenter | kBsVCenter | kBsNotify | kWsTabStop;

const std::array<ControlSpec, 10> kControls = {{
    {"ProgressLabel", "Static", 1000, "进度", 12, 197, 417, 18,
     kWsChild | kSsNotify | kWsClipSiblings | kWsClipChildren, 0},
    {"LaunchAfterFinishCheck", "Button", 1002, "完成后立即启动软件", 31, 99, 134, 18, kCheckBox, 0},
    {"DesktopShortcutCheck", "Button", 1003, "在桌面添加快捷方式", 31, 126, 149, 13, kCheckBox, 0},
    {"BrowseButton", "Button", 1004, "浏览(&B).....", 324, 203, 95, 25, kPushButton, 0},
    {"TargetFolderGroup", "Button", 1005, "选择目标文件夹", 10, 151, 424, 88,
     kWsChild | kBsGroupBox | kBsLeft | kBsNotify, kWsExTransparent},
    {"TargetFolderEdit", "Edit", 1006, "", 23, 175, 396, 21,
     kWsChild | kEsAutoHScroll | kWsBorder | kWsTabStop, 0},
    {"ProgressBar", "MSCTLS_PROGRESS32", 1007, "", 11, 215, 421, 24, kWsChild | kPbsSmooth,
     kWsExClientEdge},
    // Created Back, Cancel, Next although Next stands in the middle: Tab
    // follows creation order.
    {"BackButton", "Button", 1008, "上一步", 217, 256, 63, 24, kPushButton | kWsVisible, 0},
    {"CancelButton", "Button", 2, "取消", 367, 256, 63, 24, kPushButton | kWsVisible, 0},
    {"NextButton", "Button", 1009, "下一步", 293, 256, 63, 24, kPushButton | kWsVisible, 0},
}};

}  // namespace

int ScaleUnits(float units, float factor) {
  const float scaled = units * factor;
  return static_cast<int>(RoundHalfEven(static_cast<double>(scaled)));
}

int FontHeightForPoints(int points, int logPixelsX, int logPixelsY) {
  if (logPixelsY <= 0) return 0;
  // -MulDiv(points * LOGPIXELSX / LOGPIXELSY, LOGPIXELSY, 72), all integer.
  const int64_t base = static_cast<int64_t>(points) * logPixelsX / logPixelsY;
  const int64_t product = base * logPixelsY;
  // MulDiv rounds to nearest, halves away from zero.
  const int64_t quotient = (product >= 0 ? product + 36 : product - 36) / 72;
  return static_cast<int>(-quotient);
}

Point CentreOnScreen(int width, int height, int screenWidth, int screenHeight) {
  return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

const std::array<ControlSpec, 10>& WizardControlTable() {
  return kControls;
}

PixelRect ScaleControl(const ControlSpec& spec, float factorX, float factorY) {
  return {ScaleUnits(static_cast<float>(spec.x), factorX),
          ScaleUnits(static_cast<float>(spec.y), factorY),
          ScaleUnits(static_cast<float>(spec.width), factorX),
          ScaleUnits(static_cast<float>(spec.height), factorY)};
}

}  // namespace orvane
