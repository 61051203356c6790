#include "install/folder_copy_rules.h"

#include "base/path.h"
#include "base/text.h"
#include "install/gbk_path.h"
#include "install/install_messages.h"

namespace orvane {

bool IsSilentlySkippedFile(std::string_view destination) {
  const std::string name = ToLowerAscii(SplitFolderAndFile(destination).file);
  return name == "7-zip32.dll" || name == "update.exe";
}

std::vector<std::string> FolderTreeLevels(std::string_view path) {
  std::string_view trimmed = path;
  if (EndsWithBackslash(trimmed)) trimmed.remove_suffix(1);
  const std::vector<std::string> parts = SplitAtBackslash(trimmed);
  std::vector<std::string> levels;
  std::string level = parts.front();
  for (size_t i = 1; i < parts.size(); ++i) {
    level += '\\';
    level += parts[i];
    if (!parts[i].empty()) levels.push_back(level);
  }
  return levels;
}

std::string CopyFailureText(std::string_view source, std::string_view destination,
                            std::string_view systemText) {
  std::string text = "复制文件时出错！！！\r\n\r\n被复制：";
  text += source;
  text += "\r\n到目标：";
  text += destination;
  text += "\r\n\r\n";
  text += systemText;
  text +=
      "\r\n\r\n可能是以下原因造成的：\r\n"
      "1.有软件在使用中，请关闭！\r\n"
      "2.杀毒软件拦截，请关闭杀毒软件！\r\n"
      "3.权限不够，需要管理身份运行！\r\n\r\n";
  text += kContactRemoteHelpLine;
  return text;
}

std::string FolderCreationFailureText(std::string_view destination) {
  std::string text = "创建文件夹时出错，无法创建文件夹\r\n";
  text += destination;
  text +=
      "\r\n可能是以下原因造成的：\r\n\r\n"
      "1.磁盘已满，请换个盘安装！\r\n"
      "2.此盘是光驱，请换个盘安装！\r\n"
      "3.没有此盘，请换个盘安装！\r\n"
      "4.文件夹名称有非法字符，请更名！\r\n\r\n";
  text += kContactRemoteHelpLine;
  return text;
}

}  // namespace orvane
