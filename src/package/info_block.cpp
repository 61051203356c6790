#include "package/info_block.h"

#include "base/number.h"
#include "base/text.h"
#include "startup/feed_rules.h"
#include "wizard/page_state.h"

namespace orvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The next CR LF-ended line of `rest`, which is advanced past it.
std::string_view TakeLine(std::string_view& rest) {
  const size_t end = rest.find(kLineEnd);
  std::string_view line = rest.substr(0, end);
  rest = end == rest.npos ? std::string_view() : rest.substr(end + kLineEnd.size());
  return line;
}

bool TakeValue(std::string_view line, std::string_view key, std::string_view& value) {
  if (!StartsWith(line, key)) return false;
  value = line.substr(key.size());
  return true;
}

}  // namespace

std::optional<std::string_view> LocateInfoBlock(uint64_t fileSize, std::string_view tail) {
  if (fileSize <= kMinPackageFileSize) return std::nullopt;
  if (tail.size() > kInfoBlockTailSize) tail = tail.substr(tail.size() - kInfoBlockTailSize);
  const size_t marker = tail.find(kInfoBlockMarker);
  if (marker == tail.npos) return std::nullopt;
  return tail.substr(marker);
}

void ParseInfoBlock(std::string_view block, PackageRecord& record) {
  std::string_view rest = block;
  TakeLine(rest);  // the marker line; the rest of it is free
  for (size_t i = 0; i < kInfoBlockLines && !rest.empty(); ++i) {
    std::string_view line = TakeLine(rest);
    line = line.substr(0, line.find('\0'));
    std::string_view value;
    if (TakeValue(line, kIdKey, value)) {
      record.id = ReadRoundedInt(value);
    } else if (TakeValue(line, kNameKey, value)) {
      record.name = CutToField(value, kNameFieldSize);
    } else if (TakeValue(line, kFileNameKey, value)) {
      record.fileName = CutToField(value, kFileNameFieldSize);
    } else if (TakeValue(line, kVersionKey, value)) {
      record.version = CutToField(value, kVersionFieldSize);
    } else if (TakeValue(line, kDateKey, value)) {
      record.date = CutToField(value, kDateFieldSize);
    } else if (TakeValue(line, kDescriptionKey, value)) {
      record.description = CutToField(value, kDescriptionFieldSize);
    }
  }
}

void ApplyInfoBlock(std::string_view packagePath, std::string_view block) {
  // The full path is kept: a path cut to a fixed field would name another
  // file, and the install step opens this one.
  PackageFilePath = std::string(packagePath);
  ParseInfoBlock(block, PackageInfo);
  TitleText = PackageInfo.name;
  VersionText = VersionLine(PackageInfo.version, PackageInfo.date);
  InstallPage = WizardPage::Welcome;
}

}  // namespace orvane
