// The DLL accepts exactly one command line: x "A" -hide -y "F\" *
#include "archiver/core/extract_command.h"

#include <gtest/gtest.h>

namespace orvane::archiver {
namespace {

TEST(ExtractCommand, TakesTheArchiveAndFolderOfTheOneForm) {
  auto command = ParseExtractCommand(
      "x \"C:\\Program Files\\x\\123.7z\" -hide -y \"C:\\Program Files\\x\\temp\\\" *");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->archive, "C:\\Program Files\\x\\123.7z");
  EXPECT_EQ(command->output_folder, "C:\\Program Files\\x\\temp\\");
}

TEST(ExtractCommand, KeepsCodePageBytesAsGiven) {
  // GBK names pass through untouched; "软件" ends in no quote byte.
  auto command = ParseExtractCommand("x \"D:\\软件\\包.7z\" -hide -y \"D:\\软件\\temp\\\" *");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->archive, "D:\\软件\\包.7z");
  EXPECT_EQ(command->output_folder, "D:\\软件\\temp\\");
}

TEST(ExtractCommand, RefusesEveryOtherForm) {
  const char* refused[] = {
      "",
      "e \"a.7z\" -hide -y \"out\\\" *",      // other command
      "x a.7z -hide -y \"out\\\" *",          // archive not quoted
      "x \"a.7z\" -y -hide \"out\\\" *",      // switches reordered
      "x \"a.7z\" -hide \"out\\\" *",         // no -y
      "x \"a.7z\" -hide -y \"out\" *",        // folder without final backslash
      "x \"a.7z\" -hide -y \"out\\\"",        // no wildcard
      "x \"a.7z\" -hide -y \"out\\\" *.txt",  // other wildcard
      "x \"a.7z\" -hide -y \"out\\\" * ",     // trailing blank
      "x \"\" -hide -y \"out\\\" *",          // empty archive path
      "x \"a.7z\" -hide -y \"\" *",           // empty folder
      "x  \"a.7z\" -hide -y \"out\\\" *",     // two blanks
      "x \"a.7z\" -hide -y -pSecret \"out\\\" *",
      "x \"a.7z",
  };
  for (const char* line : refused) EXPECT_FALSE(ParseExtractCommand(line)) << line;
}

}  // namespace
}  // namespace orvane::archiver
