#include "package/command_line.h"

#include "base/number.h"
#include "base/path.h"
#include "base/text.h"

namespace orvane {

namespace {

constexpr int32_t kMinProductNumber = 11;
constexpr int32_t kMaxProductNumber = 998;

CommandDecision Route(CommandRoute route) {
  CommandDecision decision;
  decision.route = route;
  return decision;
}

CommandDecision PackageAt(std::string path) {
  CommandDecision decision = Route(CommandRoute::Package);
  decision.packagePath = std::move(path);
  return decision;
}

// "yf" N ["," version] and "zf" N ["," version].
CommandDecision NumberedPackage(std::string_view command, const CommandContext& context) {
  if (EqualsIgnoreCaseAscii(context.programFileName, "update.exe")) {
    CommandDecision decision = Route(CommandRoute::UpdaterSelfCopy);
    const std::string folder(context.programFolder);
    decision.selfCopy =
        UpdaterSelfCopy{folder + "Update.exe", folder + "安装.exe", std::string(command), folder};
    return decision;
  }
  const size_t comma = command.find(',');
  std::string head(command.substr(0, comma));
  const std::string version(comma == command.npos ? std::string_view() : command.substr(comma + 1));
  const int32_t product = ReadRoundedInt(std::string_view(head).substr(2));
  std::optional<std::string> stale;
  if (product >= kMinProductNumber && product <= kMaxProductNumber) {
    head = std::to_string(product);
    stale = std::string(context.programFolder) + head + ".7z";
  }
  CommandDecision decision = PackageAt(std::string(context.programFolder) + head + ".7z");
  decision.stalePackage = std::move(stale);
  if (!version.empty()) decision.feedCheck = FeedCheckRequest{product, version};
  return decision;
}

}  // namespace

bool IsQgiPath(std::string_view path) {
  return EndsWithIgnoreCaseAscii(path, ".qgi");
}

std::string PackageDownloadName(std::string_view packagePath) {
  return SplitFolderAndFile(packagePath).file;
}

CommandDecision ClassifyCommandLine(std::string_view command, const CommandContext& context) {
  if (context.commandNamesFile) {
    if (IsQgiPath(command)) return Route(CommandRoute::Parameters);
    return PackageAt(std::string(command));
  }
  if (StartsWith(TrimBlanks(command), "-")) return Route(CommandRoute::EndProgram);
  if (command.size() > kMaxPlainCommandLength) return Route(CommandRoute::Parameters);
  if (command.size() > 2 && (StartsWith(command, "yf") || StartsWith(command, "zf"))) {
    return NumberedPackage(command, context);
  }
  if (command.size() > 2 && StartsWith(command, "QQGame")) {
    return PackageAt(std::string(context.programFolder) + std::string(command) + ".7z");
  }
  return PackageAt(std::string(command));
}

}  // namespace orvane
