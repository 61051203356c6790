// The information block appended to the end of a package file: a marker
// line, then "key=value" lines ended by CR LF, all within the file's last
// 2000 bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "package/package_info.h"

namespace orvane {

inline constexpr std::string_view kInfoBlockMarker = "Orvane软件安装包文件信息";
// The block must start within this many bytes from the end of the file...
inline constexpr size_t kInfoBlockTailSize = 2000;
// ...and the file must be longer than this.
inline constexpr uint64_t kMinPackageFileSize = 2500;
// Lines read after the marker line.
inline constexpr size_t kInfoBlockLines = 6;

inline constexpr std::string_view kIdKey = "ID=";
inline constexpr std::string_view kNameKey = "名称=";
inline constexpr std::string_view kFileNameKey = "文件名=";
inline constexpr std::string_view kVersionKey = "版本号=";
inline constexpr std::string_view kDateKey = "日期=";
inline constexpr std::string_view kDescriptionKey = "说明=";

// The block text from the marker to the end of `tail`, the file's last
// kInfoBlockTailSize bytes (or fewer). None when the file is too short or
// the tail holds no marker; the first marker in the tail counts.
std::optional<std::string_view> LocateInfoBlock(uint64_t fileSize, std::string_view tail);

// Reads the key lines of a block into `record`. Keys that are missing keep
// the record's value; a repeated key's later line wins. Texts are cut to
// their fields (a double-byte character the cut would split is dropped).
void ParseInfoBlock(std::string_view block, PackageRecord& record);

// What a package found on disk puts into the wizard: PackageFilePath,
// PackageInfo, TitleText, VersionText and the welcome page.
void ApplyInfoBlock(std::string_view packagePath, std::string_view block);

}  // namespace orvane
