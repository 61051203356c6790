#include "install/running_program_rules.h"

#include "install/gbk_path.h"

namespace orvane {

bool ProcessPathInFolder(std::string_view path, std::string_view folder) {
  if (folder.empty()) return false;
  const std::string wanted = UpperAsciiOutsideDoubleBytes(WithTrailingBackslash(folder));
  // Anywhere, not only at the start: module paths may carry a prefix such
  // as "\\?\".
  return UpperAsciiOutsideDoubleBytes(path).find(wanted) != std::string::npos;
}

std::string RunningProgramText(std::string_view title, std::string_view path) {
  const std::string rule(50, '-');
  std::string text = "发现目标文件夹中有【游戏或软件】运行中！！！\r\n\r\n";
  text += rule;
  text += "\r\n";
  text += title;
  text += "\r\n\r\n";
  text += path;
  text += "\r\n";
  text += rule;
  text +=
      "\r\n\r\n为了避免自动强退【游戏造成逃跑】或【应用会丢失数据】的问题，\r\n\r\n"
      "请在【确定】前先把相关【游戏或应用】退出。";
  return text;
}

}  // namespace orvane
