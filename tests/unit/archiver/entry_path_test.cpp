// Entry names that would leave the output folder are refused, in every
// form Windows or POSIX would honour.
#include "archiver/core/entry_path.h"

#include <gtest/gtest.h>

#include "archiver/core/archive_error.h"

namespace orvane::archiver {
namespace {

ErrorKind KindOf(const std::u16string& name) {
  try {
    SafePathComponents(name);
  } catch (const ArchiveError& e) {
    return e.kind();
  }
  return ErrorKind::kCorrupt;  // not refused: callers compare with kUnsafePath
}

TEST(EntryPath, SplitsOnBothSeparatorsAndDropsEmptyComponents) {
  std::vector<std::u16string> expected = {u"a", u"b", u"c.txt"};
  EXPECT_EQ(SafePathComponents(u"a/b/c.txt"), expected);
  EXPECT_EQ(SafePathComponents(u"a\\b//c.txt"), expected);
  EXPECT_EQ(SafePathComponents(u"目录/文件.txt"),
            (std::vector<std::u16string>{u"目录", u"文件.txt"}));
  EXPECT_EQ(SafePathComponents(u"..a/b..").size(), 2u);  // dots inside names are fine
}

TEST(EntryPath, RefusesAbsolutePaths) {
  for (const char16_t* name :
       {u"/etc/passwd", u"\\Windows\\x", u"//server/share/x", u"\\\\?\\C:\\x"})
    EXPECT_EQ(KindOf(name), ErrorKind::kUnsafePath) << std::u16string(name).size();
}

TEST(EntryPath, RefusesDriveLettersAndAlternateStreams) {
  for (const char16_t* name : {u"C:\\x.txt", u"c:x.txt", u"C:", u"a.txt:stream", u"dir/a:b"})
    EXPECT_EQ(KindOf(name), ErrorKind::kUnsafePath);
}

TEST(EntryPath, RefusesParentComponentsInEveryPlace) {
  for (const char16_t* name : {u"..", u"../x", u"a/../../x", u"a\\..\\..\\x", u"a/..", u"x/../y",
                               u"... /x", u".. /x", u"a/. ./b", u"./x", u"a/./b"})
    EXPECT_EQ(KindOf(name), ErrorKind::kUnsafePath);
}

TEST(EntryPath, RefusesNulControlCharactersAndEmptyNames) {
  EXPECT_EQ(KindOf(std::u16string(u"a\0b", 3)), ErrorKind::kUnsafePath);
  EXPECT_EQ(KindOf(u"a\nb"), ErrorKind::kUnsafePath);
  EXPECT_EQ(KindOf(u""), ErrorKind::kUnsafePath);
  EXPECT_EQ(KindOf(u"///"), ErrorKind::kUnsafePath);
}

TEST(EntryPath, RefusesWindowsDeviceNames) {
  for (const char16_t* name :
       {u"CON", u"con.txt", u"dir/NUL", u"aux.log", u"COM1", u"lpt9.dat", u"PRN "})
    EXPECT_EQ(KindOf(name), ErrorKind::kUnsafePath);
  EXPECT_EQ(SafePathComponents(u"CONSOLE.txt").size(), 1u);
  EXPECT_EQ(SafePathComponents(u"COM10").size(), 1u);
  EXPECT_EQ(SafePathComponents(u"icon.png").size(), 1u);
}

}  // namespace
}  // namespace orvane::archiver
