// The texts of the package boxes; caption "软件安装", error icon.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

inline constexpr std::string_view kPackageBoxCaption = "软件安装";
inline constexpr std::string_view kPackageDownloadDisplayName = "下载安装包文件";

inline constexpr std::string_view kPackageDownloadFailedText =
    "下载安装包文件失败！！！\r\n\r\n请检查网络能否连接、杀毒软件有没拦截。\r\n\r\n"
    "   \u3000－－－－感谢你使用【Orvane软件】";

inline constexpr std::string_view kNoPackageText =
    "本软件不可以单独使用！！！ \r\n\r\n需配合其它Orvane软件进行自动更新、匹配游戏等。\r\n\r\n"
    "   \u3000－－－－感谢你使用【Orvane软件】";

// The Yes/No question for a package without a readable block.
inline std::string DamagedPackageQuestion(std::string_view packagePath) {
  return std::string(packagePath) + "\r\n安装包文件错误！！！\r\n\r\n是否要重新下载安装包文件？？";
}

}  // namespace orvane
