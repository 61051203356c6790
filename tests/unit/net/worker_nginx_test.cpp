// The worker against Debian's nginx on 127.0.1.1: plain files, ranges and
// redirection chains as a real server writes them.
#include <gtest/gtest.h>

#include <filesystem>

#include "fault_content.h"
#include "loopback_servers.h"
#include "worker_test_support.h"

namespace orvane {
namespace {

using testing::Download;
using testing::NginxServer;
using testing::Outcome;
using testing::TempFolder;

constexpr uint32_t kFileSize = 300000;

class WorkerNginxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = std::make_unique<NginxServer>("127.0.1.1");
    content_ = testing::FaultContent(7, kFileSize);
    testing::WriteFile(server_->RootFile("file.bin"), content_);
    testing::WriteFile(server_->RootFile("feed.txt"), "$Orvane$abc$Orvane$");
  }
  static void TearDownTestSuite() { server_.reset(); }

  static inline std::unique_ptr<NginxServer> server_;
  static inline std::string content_;
  TempFolder folder_;
};

TEST_F(WorkerNginxTest, FileIsWrittenWholeWithProgress) {
  const std::string out = folder_.File("file.bin");
  const Outcome o = Download(server_->Url("/file.bin"), out);
  EXPECT_EQ(o.request.resultText, "ok");
  EXPECT_EQ(o.request.errorText, "");
  EXPECT_EQ(o.request.announcedLength, static_cast<int32_t>(kFileSize));
  EXPECT_TRUE(testing::ReadFile(out) == content_);
  ASSERT_FALSE(o.progress.empty());
  uint32_t last = 0;
  for (const auto& p : o.progress) {
    EXPECT_GT(p.position, last);
    EXPECT_LE(p.position, kFileSize + 1);
    EXPECT_EQ(p.announced, static_cast<int32_t>(kFileSize));
    last = p.position;
  }
  EXPECT_EQ(NetworkState.load(), kNetworkIdle);
}

TEST_F(WorkerNginxTest, TextModeKeepsTheBody) {
  const Outcome o = Download(server_->Url("/feed.txt"));
  EXPECT_EQ(o.request.resultText, "$Orvane$abc$Orvane$");
  EXPECT_TRUE(o.progress.empty());  // progress belongs to file downloads
}

TEST_F(WorkerNginxTest, HttpsAddressIsFetchedInPlainHttpOnPort80) {
  EXPECT_EQ(Download("https://127.0.1.1/feed.txt").request.resultText, "$Orvane$abc$Orvane$");
}

TEST_F(WorkerNginxTest, HostWithPortFailsTheLookupWithoutText) {
  const std::string out = folder_.File("x.bin");
  const Outcome o = Download("http://127.0.1.1:80/file.bin", out);
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_EQ(o.request.errorText, "");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(WorkerNginxTest, FiveRedirectionsAreFollowedAndTheSixthFails) {
  for (const char* form : {"/abs/", "/path/"}) {
    SCOPED_TRACE(form);
    const std::string out = folder_.File("chain.bin");
    // /x/4 -> /x/3 -> /x/2 -> /x/1 -> /x/0 -> /file.bin: five redirections.
    const Outcome five = Download(server_->Url(std::string(form) + "4"), out);
    EXPECT_EQ(five.request.resultText, "ok");
    EXPECT_TRUE(testing::ReadFile(out) == content_);

    const Outcome six = Download(server_->Url(std::string(form) + "5"), out);
    EXPECT_EQ(six.request.resultText, "");
    EXPECT_EQ(six.request.announcedLength, 0);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

TEST_F(WorkerNginxTest, NotFoundLeavesNoFileAndRemovesAnOldOne) {
  const std::string out = folder_.File("old.bin");
  testing::WriteFile(out, "stale content of an earlier run");
  const Outcome o = Download(server_->Url("/missing.bin"), out);
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_EQ(o.request.errorText, "");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(WorkerNginxTest, ExistingFileIsReplaced) {
  const std::string out = folder_.File("replace.bin");
  testing::WriteFile(out, std::string(kFileSize + 5000, 'x'));
  EXPECT_EQ(Download(server_->Url("/file.bin"), out).request.resultText, "ok");
  EXPECT_TRUE(testing::ReadFile(out) == content_);
}

TEST_F(WorkerNginxTest, UnwritableOutputFailsTheTransfer) {
  const std::string out = folder_.File("no/such/folder/file.bin");
  const Outcome o = Download(server_->Url("/file.bin"), out);
  EXPECT_EQ(o.request.resultText, "");
  EXPECT_EQ(o.request.announcedLength, 0);
}

TEST_F(WorkerNginxTest, RefusedConnectionCarriesTheCode) {
  // Nothing listens on 127.0.1.3.
  const Outcome o = Download("http://127.0.1.3/file.bin", folder_.File("r.bin"));
  EXPECT_EQ(o.request.errorText,
            " 连接到主机出错:" + std::to_string(ECONNREFUSED) + "\r\n可能被杀毒软件拦截了");
  EXPECT_EQ(o.request.resultText, "");
}

}  // namespace
}  // namespace orvane
