#include "wizard/page_texts.h"

#include <algorithm>

#include "base/number.h"
#include "wizard/layout.h"

namespace orvane {
namespace {

using enum TextSource;
using enum TextColour;

// x, y, source, text, face, points, weight, colour[, alignment width]

constexpr PageText kInstallingTexts[] = {
    {29, 93, Fixed, "正在解压缩文件到目标文件夹中...", kYaHei, 18, 400, Current},
};

constexpr PageText kWelcomeTexts[] = {
    {123, 20, Fixed, "欢迎您使用Orvane软件，即将安装以下软件。", kSongTi, 12, 1, Current},
    {14, 258, Fixed, "欢迎安装Orvane工作室制作的软件", kYaHei, 12, 400, Purple},
    {145, 218, Fixed, "Orvane软件", kSongTi, 16, 700, Green},
    {238, 224, Fixed, "绝对保证无毒无害无污染", kYaHei, 12, 400, Red},
    {281, 180, Fixed, "单击 【下一步(&H)】 继续。", kYaHei, 9, 400, Black},
    {130, 152, Fixed, "这个向导将指引你完成本软件的安装进程。", kYaHei, 9, 400, Current},
    {120, 64, TitleText, nullptr, kSongTi, 18, 1, Blue, kCentredIn325},
    {120, 104, VersionText, nullptr, kYaHei, 9, 400, Blue, kCentredIn325},
};

// Welcome when the package needs the special-edition game: only the first
// two rows differ.
constexpr PageText kWelcomeGameRequiredTexts[] = {
    {123, 20, Fixed, "必须安装Orvane专用游戏才可正常使用软件。", kSongTi, 12, 1, Current},
    {14, 258, Fixed, "需要安装Orvane专用游戏...", kYaHei, 12, 400, Purple},
    {145, 218, Fixed, "Orvane软件", kSongTi, 16, 700, Green},
    {238, 224, Fixed, "绝对保证无毒无害无污染", kYaHei, 12, 400, Red},
    {281, 180, Fixed, "单击 【下一步(&H)】 继续。", kYaHei, 9, 400, Black},
    {130, 152, Fixed, "这个向导将指引你完成本软件的安装进程。", kYaHei, 9, 400, Current},
    {120, 64, TitleText, nullptr, kSongTi, 18, 1, Blue, kCentredIn325},
    {120, 104, VersionText, nullptr, kYaHei, 9, 400, Blue, kCentredIn325},
};

constexpr PageText kTargetFolderTexts[] = {
    {10, 63, Fixed, "安装向导将安装软件到下列文件夹中。要安装到不同的文件夹，单击【浏览(B)】",
     kYaHei, 9, 400, Current},
    {20, 86, Fixed, "并选择其他文件夹。单击【下一步】", kYaHei, 9, 400, Current},
    {5, 109, Fixed, "本软件为绿色无污染软件，安装只是复制文件到此文件夹中，并不会在其他任何地",
     kYaHei, 9, 400, DarkGreen},
    {5, 127, Fixed, "方残留东西，所以无卸载。不要时直接删除即可，重装系统后也可以直接使用。",
     kYaHei, 9, 400, DarkGreen},
};

constexpr PageText kFinishTexts[] = {
    {13, 65, Fixed, "请选择你要执行的操作", kYaHei, 9, 400, Current},
    {15, 189, Fixed, "本软件无自动卸载程序，不需要时直接删除目标文件夹中所有文件即可。", kYaHei, 9,
     400, Current},
    {15, 216, Fixed, "注意：如果杀毒软件提示或者拦截，请点允许通过才可以正常使用", kYaHei, 9, 400,
     Red},
    {300, 109, Fixed, "Orvane软件", kSongTi, 16, 1, Green},
    {253, 138, Fixed, "绝对保证无毒无害无污染", kYaHei, 12, 400, Red},
};

constexpr PageText kFinishExtractOnlyTexts[] = {
    {150, 90, Fixed, "Orvane软件", kSongTi, 24, 1, Green},
    {103, 138, Fixed, "绝对保证无毒无害无污染", kYaHei, 16, 400, Red},
    {15, 189, Fixed, "安装其实就是解压缩文件，不用时直接删除即可。", kYaHei, 9, 400, Black},
    {230, 216, Fixed, "已经完成安装工作，点击完成退出。", kYaHei, 9, 400, Blue},
};

constexpr PageText kUpToDateTexts[] = {
    {135, 20, Fixed, "欢迎您使用Orvane软件，软件是最新版本。", kSongTi, 12, 1, Current},
    {14, 258, Fixed, "欢迎安装Orvane工作室制作的软件", kYaHei, 12, 400, Purple},
    {145, 218, Fixed, "Orvane软件", kSongTi, 16, 1, Green},
    {238, 224, Fixed, "绝对保证无毒无害无污染", kYaHei, 12, 400, Red},
    {250, 180, Fixed, "－－－－感谢你使用【Orvane软件】", kYaHei, 9, 400, Black},
    {130, 152, Fixed, "因为你的是最新版，所以现在不需更新，可以关注Orvane。", kYaHei, 9, 400,
     Current},
    {120, 64, TitleText, nullptr, kSongTi, 18, 1, Blue, kCentredIn325},
    {120, 104, VersionText, nullptr, kYaHei, 9, 400, Blue, kCentredIn325},
};

constexpr PageText kNoNetworkTexts[] = {
    {145, 80, Fixed, "无法链接网络，请自行检查", kSongTi, 16, 1, Red},
    {145, 150, Fixed, "请检查网络能否连接、杀毒软件有没拦截。", kSongTi, 10, 1, Red},
    {120, 64, TitleText, nullptr, kSongTi, 18, 1, Blue, kCentredIn325},
    {120, 104, VersionText, nullptr, kYaHei, 9, 400, Blue, kCentredIn325},
};

constexpr PageText kTopBannerFrameTexts[] = {
    {12, 242, WebAddress, nullptr, kYaHei, 9, 400, Grey},
    {13, 7, PageHeading, nullptr, kHeiTi, 14, 700, Black},
    {22, 33, PageSubheading, nullptr, kYaHei, 9, 400, Current},
};

// Next, Cancel, Back, group, Browse, edit, progress bar, progress label,
// check boxes.
constexpr ControlVisibility kDownloadingControls{false, true, false, false, false,
                                                 false, true, true,  false};
constexpr ControlVisibility kWelcomeControls{true,  true,  false, false, false,
                                             false, false, false, false};
constexpr ControlVisibility kTargetFolderControls{true, true,  true,  true, true,
                                                  true, false, false, false};
constexpr ControlVisibility kInstallingControls{true,  true, true, false, false,
                                                false, true, true, false};
constexpr ControlVisibility kFinishControls{true,  true,  true,  false, false,
                                            false, false, false, true};
constexpr ControlVisibility kFinishExtractOnlyControls{true,  true,  true,  false, false,
                                                       false, false, false, false};
constexpr ControlVisibility kEndPageControls{false, true,  false, false, false,
                                             false, false, false, false};

constexpr const char* kUpToDateCancelCaption = "完成";

}  // namespace

std::optional<Rgb> FixedColour(TextColour colour) {
  switch (colour) {
    case Black:
      return Rgb{0, 0, 0};
    case Purple:
      return Rgb{128, 0, 128};
    case Green:
      return Rgb{51, 153, 0};
    case DarkGreen:
      return Rgb{0, 128, 0};
    case Red:
      return Rgb{255, 0, 0};
    case Blue:
      return Rgb{0, 0, 255};
    case Grey:
    case Current:
      break;
  }
  return std::nullopt;
}

std::optional<PagePaintPlan> PlanForPage(int32_t page, bool gameRequired, bool extractOnly) {
  switch (page) {
    case 0:  // Downloading: the frame alone
      return PagePaintPlan{PageFrame::TopBanner, kDownloadingControls, false, {}, nullptr};
    case 1:
      return PagePaintPlan{PageFrame::SideBanner, kWelcomeControls, false,
                           gameRequired ? std::span<const PageText>(kWelcomeGameRequiredTexts)
                                        : std::span<const PageText>(kWelcomeTexts),
                           nullptr};
    case 2:
      return PagePaintPlan{PageFrame::TopBanner, kTargetFolderControls, true, kTargetFolderTexts,
                           nullptr};
    case 3:
      return PagePaintPlan{PageFrame::TopBanner, kInstallingControls, false, kInstallingTexts,
                           nullptr};
    case 4:
      if (extractOnly) {
        return PagePaintPlan{PageFrame::TopBanner, kFinishExtractOnlyControls, false,
                             kFinishExtractOnlyTexts, nullptr};
      }
      return PagePaintPlan{PageFrame::TopBanner, kFinishControls, false, kFinishTexts, nullptr};
    case 5:
      return PagePaintPlan{PageFrame::SideBanner, kEndPageControls, false, kUpToDateTexts,
                           kUpToDateCancelCaption};
    case 6:
      return PagePaintPlan{PageFrame::SideBanner, kEndPageControls, false, kNoNetworkTexts,
                           nullptr};
    default:
      return std::nullopt;
  }
}

std::span<const PageText> TopBannerFrameTexts() {
  return kTopBannerFrameTexts;
}

int AlignedTextX(int x, int alignWidth, int textWidth) {
  if (alignWidth > 10000) return x + (alignWidth - 10000) - textWidth;
  if (alignWidth > 0) {
    return static_cast<int>(RoundHalfEven(x + (alignWidth - textWidth) / 2.0));
  }
  return x;
}

TextPlace ScaledTextPlace(const PageText& row, float factorX, float factorY) {
  int alignWidth = row.alignWidth;
  // Right alignment carries its width above 10000; centring is the width.
  if (alignWidth > 10000) {
    alignWidth = 10000 + ScaleUnits(static_cast<float>(alignWidth - 10000), factorX);
  } else if (alignWidth > 0) {
    alignWidth = std::min(10000, ScaleUnits(static_cast<float>(alignWidth), factorX));
  }
  return {ScaleUnits(static_cast<float>(row.x), factorX),
          ScaleUnits(static_cast<float>(row.y), factorY), alignWidth};
}

std::string WizardCaption(const int (&fileVersion)[4]) {
  std::string caption = "安装Orvane软件 V";
  for (int i = 0; i < 4; ++i) {
    if (i > 0) caption += '.';
    caption += std::to_string(fileVersion[i]);
  }
  return caption + " 版";
}

}  // namespace orvane
