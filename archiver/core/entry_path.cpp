#include "entry_path.h"

#include "archive_error.h"
#include "utf.h"

namespace orvane::archiver {
namespace {

[[noreturn]] void Refuse(const std::u16string& name, const char* why) {
  Fail(ErrorKind::kUnsafePath, "unsafe entry name \"" + Utf16ToUtf8(name) + "\": " + why);
}

char16_t Upper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension: Windows
// opens the device instead of a file.
bool IsDeviceName(const std::u16string& component) {
  std::u16string base = component.substr(0, component.find(u'.'));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  for (char16_t& c : base) c = Upper(c);
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  if (base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0))
    return base[3] >= u'1' && base[3] <= u'9';
  return false;
}

bool OnlyDotsAndSpaces(const std::u16string& component) {
  return component.find_first_not_of(u". ") == std::u16string::npos;
}

}  // namespace

std::vector<std::u16string> SafePathComponents(const std::u16string& name) {
  if (name.empty()) Refuse(name, "empty name");
  if (name[0] == u'/' || name[0] == u'\\') Refuse(name, "absolute path");
  for (char16_t c : name) {
    if (c == 0) Refuse(name, "contains NUL");
    if (c == u':') Refuse(name, "contains ':' (drive letter or alternate stream)");
    if (c < 0x20) Refuse(name, "contains a control character");
  }
  std::vector<std::u16string> components;
  std::u16string current;
  auto finish = [&] {
    if (current.empty()) return;  // "a//b"
    if (OnlyDotsAndSpaces(current)) Refuse(name, "'..' or a dots-only component");
    if (IsDeviceName(current)) Refuse(name, "Windows device name");
    components.push_back(current);
    current.clear();
  };
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\')
      finish();
    else
      current.push_back(c);
  }
  finish();
  if (components.empty()) Refuse(name, "no file name");
  return components;
}

}  // namespace orvane::archiver
