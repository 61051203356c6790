#include "extract_command.h"

namespace orvane::archiver {
namespace {

bool TakePrefix(std::string_view& rest, std::string_view prefix) {
  if (rest.substr(0, prefix.size()) != prefix) return false;
  rest.remove_prefix(prefix.size());
  return true;
}

// A path up to the next double quote, which is consumed.
bool TakeQuotedRest(std::string_view& rest, std::string* out) {
  size_t end = rest.find('"');
  if (end == std::string_view::npos || end == 0) return false;
  out->assign(rest.substr(0, end));
  rest.remove_prefix(end + 1);
  return true;
}

}  // namespace

std::optional<ExtractCommand> ParseExtractCommand(std::string_view line) {
  ExtractCommand command;
  std::string_view rest = line;
  if (!TakePrefix(rest, "x \"") || !TakeQuotedRest(rest, &command.archive)) return std::nullopt;
  if (!TakePrefix(rest, " -hide -y \"") || !TakeQuotedRest(rest, &command.output_folder))
    return std::nullopt;
  if (rest != " *") return std::nullopt;
  if (command.output_folder.back() != '\\') return std::nullopt;
  return command;
}

}  // namespace orvane::archiver
