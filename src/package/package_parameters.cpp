#include "package/package_parameters.h"

#include "base/path.h"
#include "base/text.h"
#include "package/command_line.h"
#include "package/package_info.h"
#include "startup/feed_hex_text.h"
#include "wizard/page_state.h"

namespace orvane {

namespace {

constexpr size_t kWindowTitleField = 1;
constexpr size_t kProgramNameField = 3;

bool IsAbsolutePath(std::string_view path) {
  // A drive letter with its separator, or a network path.
  if (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) return true;
  return StartsWith(path, "\\\\");
}

std::string DataErrorText(const std::vector<std::string>& fields) {
  std::string text;
  for (const std::string& field : fields) text += field + "\r\n";
  text += "！！！数据出错！！！\r\n\r\n请重新安装软件试试。\r\n\r\n";
  text += "     －－－请自己检查后更正或者联系Orvane远程操作。";
  return text;
}

}  // namespace

std::vector<std::string> ParameterFields(std::string_view scrambled) {
  const std::string text = DecodeHexText(scrambled);
  if (text.empty()) return {};
  return SplitAt(text, ',');
}

GamePackage QgiGamePackage(std::string_view path, std::string_view programFolder) {
  std::string name = SplitFolderAndFile(path).file;
  if (StartsWith(name, "QQ")) name.erase(0, 2);
  name = name.substr(0, name.find('-'));
  name = name.substr(0, name.find(".qgi"));

  GamePackage package;
  package.title = std::string(kQgiTitlePrefix) + name;
  package.name = CutToField(package.title, kNameFieldSize);
  package.packagePath =
      IsAbsolutePath(path) ? std::string(path) : std::string(programFolder) + std::string(path);
  return package;
}

ParametersDecision EvaluatePackageParameters(std::string_view command,
                                             std::string_view programFolder) {
  if (IsQgiPath(command)) return {QgiGamePackage(command, programFolder), {}};

  const std::vector<std::string> fields = ParameterFields(command);
  if (fields.size() < kMinParameterFields) return {std::nullopt, DataErrorText(fields)};
  GamePackage package;
  package.title = std::string(TrimBlanks(fields[0]));
  package.name = CutToField(package.title, kNameFieldSize);
  package.packagePath =
      std::string(programFolder) + std::string(TrimBlanks(fields[fields.size() - 2]));
  package.windowTitle = fields[kWindowTitleField];
  package.programName = fields[kProgramNameField];
  return {std::move(package), {}};
}

void ApplyGamePackage(const GamePackage& package) {
  GameRequired = 1;
  TitleText = package.title;
  PackageInfo.name = package.name;
  PackageFilePath = package.packagePath;
  if (package.windowTitle) GameWindowTitle = *package.windowTitle;
  if (package.programName) GameProgramName = *package.programName;
  PackageInfo.fileName = kExtractOnlyFileName;
  VersionText = kSpecialEditionVersionText;
}

}  // namespace orvane
