// 7-zip32.dll as the wizard uses it: loaded at run time, its functions
// looked up by their plain names, the one command line, the progress
// callback on the calling thread, and real 7z archives extracted with
// wide-character file names.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "archiver/sevenzip_api.h"
#include "fixtures/7z/fixture_table.h"
#include "unit/archiver/archive_builder.h"

namespace orvane {
namespace {

// Wine sees the build's Linux folders on drive Z:.
std::wstring WinePath(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::string Ansi(const std::wstring& wide) {
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

template <typename F>
F Lookup(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

struct Library {
  Library() {
    module = LoadLibraryW(WinePath(ORVANE_SEVENZIP_DLL).c_str());
    if (!module) return;
    sevenzip = Lookup<SevenZipFunction>(module, "SevenZip");
    check = Lookup<SevenZipCheckArchiveFunction>(module, "SevenZipCheckArchive");
    get_background = Lookup<SevenZipGetBackGroundModeFunction>(module, "SevenZipGetBackGroundMode");
    set_background = Lookup<SevenZipSetBackGroundModeFunction>(module, "SevenZipSetBackGroundMode");
    set_cursor = Lookup<SevenZipSetCursorModeFunction>(module, "SevenZipSetCursorMode");
    set_owner = Lookup<SevenZipSetOwnerWindowExFunction>(module, "SevenZipSetOwnerWindowEx");
    kill_owner = Lookup<SevenZipKillOwnerWindowExFunction>(module, "SevenZipKillOwnerWindowEx");
  }
  ~Library() {
    if (module) FreeLibrary(module);
  }
  HMODULE module = nullptr;
  SevenZipFunction sevenzip = nullptr;
  SevenZipCheckArchiveFunction check = nullptr;
  SevenZipGetBackGroundModeFunction get_background = nullptr;
  SevenZipSetBackGroundModeFunction set_background = nullptr;
  SevenZipSetCursorModeFunction set_cursor = nullptr;
  SevenZipSetOwnerWindowExFunction set_owner = nullptr;
  SevenZipKillOwnerWindowExFunction kill_owner = nullptr;
};

Library& Dll() {
  static Library library;
  return library;
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}

// A fresh folder under the temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    static int counter = 0;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    path_ = std::wstring(base) + L"orvane-dll-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(counter++);
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(path_); }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    content.append(buffer, got);
  CloseHandle(file);
  return content;
}

void WriteWholeFile(const std::wstring& path, const std::string& content) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

// Relative path -> content ("/" for folders), read with the wide calls.
void ReadTree(const std::wstring& root, const std::wstring& relative,
              std::map<std::wstring, std::string>& tree) {
  WIN32_FIND_DATAW found;
  std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring child = relative.empty() ? name : relative + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[child] = "/";
      ReadTree(root, child, tree);
    } else {
      tree[child] = ReadWholeFile(root + L"\\" + child);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

std::map<std::wstring, std::string> TreeOf(const std::wstring& root) {
  std::map<std::wstring, std::string> tree;
  ReadTree(root, L"", tree);
  return tree;
}

std::wstring FixturePath(const char* name) {
  return WinePath(std::string(ORVANE_FIXTURE_DIR) + "/" + name);
}

std::wstring ExpectedTree(const char* tree) {
  return WinePath(std::string(ORVANE_EXPECTED_TREES) + "/" + tree);
}

std::string CommandLine(const std::wstring& archive, const std::wstring& folder) {
  return "x \"" + Ansi(archive) + "\" -hide -y \"" + Ansi(folder) + "\\\" *";
}

int32_t Extract(const std::wstring& archive, const std::wstring& folder,
                std::string* reason = nullptr) {
  char output[512] = "unchanged";
  int32_t result =
      Dll().sevenzip(nullptr, CommandLine(archive, folder).c_str(), output, sizeof output);
  if (reason) *reason = output;
  return result;
}

std::wstring WriteArchive(const std::wstring& folder, const std::vector<uint8_t>& bytes) {
  std::wstring path = folder + L"\\built.7z";
  WriteWholeFile(path, std::string(bytes.begin(), bytes.end()));
  return path;
}

class SevenZipDll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Dll().module, nullptr) << "7-zip32.dll did not load";
    Dll().set_owner(nullptr, nullptr);
  }
};

TEST_F(SevenZipDll, ExportsEveryFunctionUnderItsPlainName) {
  for (const char* name : {"SevenZip", "SevenZipCheckArchive", "SevenZipGetBackGroundMode",
                           "SevenZipSetBackGroundMode", "SevenZipSetCursorMode",
                           "SevenZipSetOwnerWindowEx", "SevenZipKillOwnerWindowEx"})
    EXPECT_NE(GetProcAddress(Dll().module, name), nullptr) << name;
  EXPECT_EQ(GetProcAddress(Dll().module, "_SevenZip@16"), nullptr);
}

class FixtureExtraction : public SevenZipDll,
                          public ::testing::WithParamInterface<fixtures::SevenZipFixture> {};

TEST_P(FixtureExtraction, GivesTheSourceTree) {
  TempFolder temp;
  std::wstring out = temp.path() + L"\\out";
  std::string reason;
  ASSERT_EQ(Extract(FixturePath(GetParam().archive), out, &reason), kSevenZipOk) << reason;
  auto expected = TreeOf(ExpectedTree(GetParam().tree));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(TreeOf(out), expected);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureExtraction,
                         ::testing::ValuesIn(fixtures::kExtractableFixtures), [](const auto& info) {
                           std::string name = info.param.archive;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

TEST_F(SevenZipDll, ChineseFolderAndFileNamesWork) {
  TempFolder temp;
  std::wstring out = temp.path() + L"\\输出 目录";
  ASSERT_EQ(Extract(FixturePath("chinese.7z"), out), kSevenZipOk);
  EXPECT_EQ(TreeOf(out), TreeOf(ExpectedTree("chinese")));
  EXPECT_NE(GetFileAttributesW((out + L"\\目录\\子目录\\文件.txt").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(SevenZipDll, OverwritesExistingFilesEvenReadOnlyOnes) {
  TempFolder temp;
  std::wstring out = temp.path() + L"\\out";
  CreateDirectoryW(out.c_str(), nullptr);
  WriteWholeFile(out + L"\\readme.txt", "old content");
  ASSERT_TRUE(SetFileAttributesW((out + L"\\readme.txt").c_str(),
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  ASSERT_EQ(Extract(FixturePath("default.7z"), out), kSevenZipOk);
  // The archive gives it the archive bit alone, and that is all it keeps.
  EXPECT_EQ(GetFileAttributesW((out + L"\\readme.txt").c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});
  DWORD attributes = GetFileAttributesW((out + L"\\read-only.txt").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  // Again over the first result, read-only file included.
  ASSERT_EQ(Extract(FixturePath("mx9.7z"), out), kSevenZipOk);
  EXPECT_EQ(TreeOf(out), TreeOf(ExpectedTree("basic")));
}

TEST_F(SevenZipDll, OverwritesHiddenAndSystemFiles) {
  constexpr DWORD kOldAttributes =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  const struct {
    std::u16string name;
    DWORD attributes;
  } existing[] = {
      {u"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
      {u"system.txt", FILE_ATTRIBUTE_SYSTEM},
      {u"hidden read-only.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY},
  };
  TempFolder temp;
  std::wstring out = temp.path() + L"\\out";
  CreateDirectoryW(out.c_str(), nullptr);
  std::vector<archiver::testing::BuilderEntry> entries;
  std::vector<std::wstring> paths;
  for (const auto& file : existing) {
    paths.push_back(out + L"\\" + std::wstring(file.name.begin(), file.name.end()));
    WriteWholeFile(paths.back(), "old content");
    ASSERT_TRUE(SetFileAttributesW(paths.back().c_str(), file.attributes));
    entries.push_back({file.name, "new content of " + Ansi(paths.back())});
  }
  std::string reason;
  std::wstring archive = WriteArchive(temp.path(), archiver::testing::BuildArchive(entries));
  ASSERT_EQ(Extract(archive, out, &reason), kSevenZipOk) << reason;
  for (size_t i = 0; i < paths.size(); ++i) {
    EXPECT_EQ(ReadWholeFile(paths[i]), entries[i].data) << Ansi(paths[i]);
    // The archive gives these files no attributes: none of the old ones stay.
    EXPECT_EQ(GetFileAttributesW(paths[i].c_str()) & kOldAttributes, 0u) << Ansi(paths[i]);
  }
}

TEST_F(SevenZipDll, RefusesEveryOtherCommandLine) {
  TempFolder temp;
  std::string archive = Ansi(FixturePath("default.7z"));
  std::string folder = Ansi(temp.path() + L"\\out");
  const std::string refused[] = {
      "e \"" + archive + "\" -hide -y \"" + folder + "\\\" *",
      "x \"" + archive + "\" -y \"" + folder + "\\\" *",
      "x \"" + archive + "\" -hide -y \"" + folder + "\" *",
      "x \"" + archive + "\" -hide -y \"" + folder + "\\\" *.txt",
      "x " + archive + " -hide -y \"" + folder + "\\\" *",
      "",
  };
  for (const std::string& line : refused) {
    char output[256] = "";
    EXPECT_EQ(Dll().sevenzip(nullptr, line.c_str(), output, sizeof output), kSevenZipBadCommand)
        << line;
    EXPECT_STRNE(output, "");
  }
  EXPECT_EQ(Dll().sevenzip(nullptr, nullptr, nullptr, 0), kSevenZipBadCommand);
  EXPECT_EQ(GetFileAttributesW((temp.path() + L"\\out").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SevenZipDll, ChecksArchives) {
  EXPECT_NE(Dll().check(Ansi(FixturePath("default.7z")).c_str(), 0), 0);
  EXPECT_NE(Dll().check(Ansi(FixturePath("x86-mx9.7z")).c_str(), 0), 0);
  EXPECT_EQ(Dll().check(Ansi(FixturePath("password.7z")).c_str(), 0), 0);
  EXPECT_EQ(Dll().check(Ansi(FixturePath("basic.tar.gz")).c_str(), 0), 0);
  EXPECT_EQ(Dll().check(Ansi(FixturePath("missing.7z")).c_str(), 0), 0);
  EXPECT_EQ(Dll().check(nullptr, 0), 0);
}

TEST_F(SevenZipDll, KeepsBackgroundAndCursorModes) {
  EXPECT_NE(Dll().set_background(1), 0);
  EXPECT_NE(Dll().get_background(), 0);
  EXPECT_NE(Dll().set_background(0), 0);
  EXPECT_EQ(Dll().get_background(), 0);
  EXPECT_NE(Dll().set_cursor(0), 0);
}

TEST_F(SevenZipDll, FailsCleanlyOnHostileArchives) {
  using archiver::testing::BuildArchive;
  TempFolder temp;
  std::wstring out = temp.path() + L"\\out";
  struct Case {
    std::vector<uint8_t> bytes;
    int32_t result;
  } cases[] = {
      {BuildArchive({{u"ok.txt", "fine"}, {u"..\\evil.txt", "evil"}}), kSevenZipUnsafeName},
      {BuildArchive({{u"C:\\evil.txt", "evil"}}), kSevenZipUnsafeName},
      {BuildArchive({{u"ok.txt:evil", "evil"}}), kSevenZipUnsafeName},
      {BuildArchive({{u"a/../../evil.txt", "evil"}}), kSevenZipUnsafeName},
      {BuildArchive({{u"a.txt", "alpha"}}, {true}), kSevenZipCrcMismatch},
  };
  for (const Case& c : cases) {
    std::wstring archive = WriteArchive(temp.path(), c.bytes);
    EXPECT_EQ(Extract(archive, out), c.result);
    EXPECT_TRUE(TreeOf(out).empty());
    EXPECT_EQ(GetFileAttributesW((temp.path() + L"\\evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  }
  std::string reason;
  EXPECT_EQ(Extract(FixturePath("password.7z"), out, &reason), kSevenZipEncrypted);
  EXPECT_NE(reason.find("encrypted"), std::string::npos) << reason;
  EXPECT_EQ(Extract(FixturePath("basic.tar.gz"), out), kSevenZipNotArchive);
  EXPECT_EQ(Extract(FixturePath("missing.7z"), out), kSevenZipCannotOpen);
}

// What the callback saw, as the wizard reads it: raw offsets 0, 4 and 8.
struct Report {
  uint32_t state;
  uint32_t size;
  uint32_t written;
  std::string name;
  DWORD thread;
};

std::vector<Report> g_reports;
constexpr uint32_t kNoStop = 99;
uint32_t g_stop_state = kNoStop;  // answer 0 at the first report of this state
int32_t g_nested_result = 0;
bool g_nest = false;
int g_messages_seen = 0;

int32_t __stdcall RecordProgress(void*, uint32_t, uint32_t state, void* info) {
  const auto* bytes = static_cast<const uint8_t*>(info);
  Report r;
  r.state = state;
  std::memcpy(&r.size, bytes + 0, 4);
  std::memcpy(&r.written, bytes + 4, 4);
  r.name = reinterpret_cast<const char*>(bytes + 8);
  r.thread = GetCurrentThreadId();
  g_reports.push_back(r);
  if (g_nest) {
    g_nest = false;
    g_nested_result = Dll().sevenzip(nullptr, "x \"a\" -hide -y \"b\\\" *", nullptr, 0);
  }
  if (state == g_stop_state && (state != kExtractFileBegins || r.size > 0)) return 0;
  return 1;
}

class ProgressCallback : public SevenZipDll {
 protected:
  void SetUp() override {
    SevenZipDll::SetUp();
    g_reports.clear();
    g_stop_state = kNoStop;
    g_messages_seen = 0;
    ASSERT_NE(Dll().set_owner(nullptr, RecordProgress), 0);
  }
  void TearDown() override { Dll().kill_owner(nullptr); }
};

TEST_F(ProgressCallback, ReportsEachFileBeginningAndItsProgressOnTheCallingThread) {
  TempFolder temp;
  ASSERT_EQ(Extract(FixturePath("default.7z"), temp.path() + L"\\out"), kSevenZipOk);
  ASSERT_FALSE(g_reports.empty());
  std::map<std::string, uint32_t> begun;
  const Report* current = nullptr;
  for (const Report& r : g_reports) {
    EXPECT_EQ(r.thread, GetCurrentThreadId());
    if (r.state == kExtractFileBegins) {
      EXPECT_EQ(r.written, 0u);
      begun[r.name] = r.size;
      current = &r;
    } else {
      ASSERT_EQ(r.state, kExtractFileProgress);
      ASSERT_NE(current, nullptr);
      EXPECT_EQ(r.name, current->name);
      EXPECT_EQ(r.size, current->size);
      EXPECT_LE(r.written, r.size);
    }
  }
  // Every file, with its size, names with "\" separators and GBK text.
  EXPECT_EQ(begun["readme.txt"], ReadWholeFile(ExpectedTree("basic") + L"\\readme.txt").size());
  EXPECT_EQ(begun.count("docs\\notes\\todo.txt"), 1u);
  EXPECT_EQ(begun.count(Ansi(L"安装说明.txt")), 1u);
  EXPECT_EQ(begun["empty.txt"], 0u);
  EXPECT_EQ(begun.count("empty folder"), 0u);  // folders are not files
  // The last progress report of a file says all of it is written.
  EXPECT_EQ(g_reports.back().written, g_reports.back().size);
}

TEST_F(ProgressCallback, AZeroAnswerStopsTheExtractionAsAFailure) {
  // Stop when a file begins, then while a file is written: either way the
  // result is a failure and the file of that report is not left behind.
  for (uint32_t stop_state : {kExtractFileBegins, kExtractFileProgress}) {
    TempFolder temp;
    g_reports.clear();
    g_stop_state = stop_state;
    std::wstring out = temp.path() + L"\\out";
    EXPECT_EQ(Extract(FixturePath("mx0.7z"), out), kSevenZipStopped);
    ASSERT_FALSE(g_reports.empty());
    const Report& last = g_reports.back();
    EXPECT_EQ(last.state, stop_state);
    EXPECT_EQ(GetFileAttributesA((Ansi(out) + "\\" + last.name).c_str()), INVALID_FILE_ATTRIBUTES)
        << last.name;
    g_stop_state = kNoStop;
  }
}

TEST_F(ProgressCallback, ASecondCallFromInsideTheCallbackIsRefused) {
  TempFolder temp;
  g_nest = true;
  ASSERT_EQ(Extract(FixturePath("chinese.7z"), temp.path() + L"\\out"), kSevenZipOk);
  EXPECT_EQ(g_nested_result, kSevenZipAlreadyRunning);
}

LRESULT CALLBACK CountingWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP) ++g_messages_seen;
  return DefWindowProcA(window, message, w, l);
}

int32_t __stdcall NoteMessagesSeen(void*, uint32_t, uint32_t state, void*) {
  if (state == kExtractFileBegins && g_reports.empty()) g_reports.push_back({state, 0, 0, "", 0});
  return g_messages_seen > 0 ? 1 : 0;
}

TEST_F(ProgressCallback, OwnerWindowMessagesAreDispatchedDuringTheExtraction) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = CountingWindow;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OrvaneDllTestWindow";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("OrvaneDllTestWindow", "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(Dll().set_owner(window, NoteMessagesSeen), 0);
  PostMessageA(window, WM_APP, 0, 0);
  TempFolder temp;
  // The callback stops the extraction unless the posted message arrived.
  EXPECT_EQ(Extract(FixturePath("default.7z"), temp.path() + L"\\out"), kSevenZipOk);
  EXPECT_EQ(g_messages_seen, 1);
  Dll().kill_owner(window);
  DestroyWindow(window);
}

}  // namespace
}  // namespace orvane
