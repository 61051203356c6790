#include "package/command_line.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr std::string_view kFolder = "C:\\Apps\\";

CommandDecision Classify(std::string_view command, bool namesFile = false,
                         std::string_view programName = "安装.exe") {
  return ClassifyCommandLine(command, CommandContext{kFolder, programName, namesFile});
}

TEST(ClassifyCommandLine, ExistingFileComesFirst) {
  const auto qgi = Classify("D:\\x\\QQ1-2.QGI", true);
  EXPECT_EQ(qgi.route, CommandRoute::Parameters);
  // Even a long name, a "-" or a "yf" form: an existing file is a package.
  for (std::string_view name : {"-odd.7z", "yf123", "D:\\a very long folder name\\package.7z"}) {
    const auto package = Classify(name, true);
    EXPECT_EQ(package.route, CommandRoute::Package) << name;
    EXPECT_EQ(package.packagePath, name);
    EXPECT_FALSE(package.feedCheck);
    EXPECT_FALSE(package.stalePackage);
  }
}

TEST(ClassifyCommandLine, LeadingDashEndsTheProgram) {
  EXPECT_EQ(Classify("-x").route, CommandRoute::EndProgram);
  EXPECT_EQ(Classify(" \t-update").route, CommandRoute::EndProgram);
  EXPECT_EQ(Classify(std::string(40, '-')).route, CommandRoute::EndProgram);
}

TEST(ClassifyCommandLine, LongTextIsAParameterList) {
  EXPECT_EQ(Classify(std::string(31, 'A')).route, CommandRoute::Parameters);
  EXPECT_EQ(Classify("yf123," + std::string(25, '1')).route, CommandRoute::Parameters);
  // Thirty bytes are still a numbered form.
  EXPECT_EQ(Classify("yf123," + std::string(24, '1')).route, CommandRoute::Package);
}

TEST(ClassifyCommandLine, NumberedFormWithoutVersionRefetchesThePackage) {
  const auto d = Classify("yf123");
  EXPECT_EQ(d.route, CommandRoute::Package);
  EXPECT_EQ(d.packagePath, "C:\\Apps\\123.7z");
  EXPECT_EQ(d.stalePackage, "C:\\Apps\\123.7z");
  EXPECT_FALSE(d.feedCheck);
}

TEST(ClassifyCommandLine, NumberedFormWithVersionAsksForTheFeedCheck) {
  const auto d = Classify("zf123,2.0.0.1");
  EXPECT_EQ(d.packagePath, "C:\\Apps\\123.7z");
  ASSERT_TRUE(d.feedCheck);
  EXPECT_EQ(d.feedCheck->product, 123);
  EXPECT_EQ(d.feedCheck->version, "2.0.0.1");
  EXPECT_FALSE(Classify("yf123,").feedCheck);
}

TEST(ClassifyCommandLine, NumberIsReadLikeAnId) {
  EXPECT_EQ(Classify("yf0123").packagePath, "C:\\Apps\\123.7z");
  EXPECT_EQ(Classify("yf 45.6x,1").packagePath, "C:\\Apps\\46.7z");
  EXPECT_EQ(Classify("yf998").packagePath, "C:\\Apps\\998.7z");
}

TEST(ClassifyCommandLine, NumberOutOfRangeKeepsTheHeadAsName) {
  const auto d = Classify("yf5");
  EXPECT_EQ(d.packagePath, "C:\\Apps\\yf5.7z");
  EXPECT_FALSE(d.stalePackage);
  EXPECT_EQ(Classify("yf999").packagePath, "C:\\Apps\\yf999.7z");
  // The check still runs with whatever number the head holds.
  const auto checked = Classify("yf5,1.0");
  EXPECT_EQ(checked.packagePath, "C:\\Apps\\yf5.7z");
  ASSERT_TRUE(checked.feedCheck);
  EXPECT_EQ(checked.feedCheck->product, 5);
}

TEST(ClassifyCommandLine, UpdaterCopyHandsOverTheCommandLine) {
  const auto d = Classify("yf123,1.0", false, "UPDATE.exe");
  EXPECT_EQ(d.route, CommandRoute::UpdaterSelfCopy);
  ASSERT_TRUE(d.selfCopy);
  EXPECT_EQ(d.selfCopy->source, "C:\\Apps\\Update.exe");
  EXPECT_EQ(d.selfCopy->target, "C:\\Apps\\安装.exe");
  EXPECT_EQ(d.selfCopy->arguments, "yf123,1.0");
  EXPECT_EQ(d.selfCopy->folder, kFolder);
  // Only the numbered forms hand over.
  EXPECT_EQ(Classify("QQGame1", false, "update.exe").route, CommandRoute::Package);
}

TEST(ClassifyCommandLine, FormsAreCaseSensitive) {
  EXPECT_EQ(Classify("YF123").packagePath, "YF123");
  EXPECT_EQ(Classify("qqgame1").packagePath, "qqgame1");
  EXPECT_EQ(Classify("yf").packagePath, "yf");
}

TEST(ClassifyCommandLine, GameHallFormNamesAPackageBesideTheProgram) {
  EXPECT_EQ(Classify("QQGame12").packagePath, "C:\\Apps\\QQGame12.7z");
}

TEST(ClassifyCommandLine, AnythingElseIsThePackagePath) {
  EXPECT_EQ(Classify("").packagePath, "");
  EXPECT_EQ(Classify("").route, CommandRoute::Package);
  EXPECT_EQ(Classify("D:\\p.7z").packagePath, "D:\\p.7z");
}

TEST(PackageDownloadName, IsTheFileNamePart) {
  EXPECT_EQ(PackageDownloadName("C:\\Apps\\123.7z"), "123.7z");
  EXPECT_EQ(PackageDownloadName("D:x/y\\QQGame1.7z"), "QQGame1.7z");
  EXPECT_EQ(PackageDownloadName("p.7z"), "p.7z");
}

}  // namespace
}  // namespace orvane
