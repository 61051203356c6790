#include "install/install_step.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <set>

#include "base/path.h"
#include "base/text.h"
#include "install/archive_extraction.h"
#include "install/file_system_object.h"
#include "install/folder_copy.h"
#include "install/gbk_path.h"
#include "install/install_messages.h"
#include "install/running_programs.h"
#include "install/target_folder_rule.h"
#include "install/work_folder.h"
#include "install/work_folder_rules.h"
#include "net/download_file.h"
#include "package/package_info.h"
#include "package/signature_check.h"
#include "qqgame/game_manager.h"
#include "qqgame/special_edition_install.h"
#include "startup/process_values.h"
#include "wizard/controls.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

constexpr double kMinimumFreeBytes = 100000000.0;
constexpr const char* kArchiveLibraryName = "7-zip32.dll";

int Box(const std::string& text, const char* caption, UINT flags) {
  return MessageBoxA(WizardHandle, text.c_str(), caption, flags);
}

[[noreturn]] void EndProcess() {
  if (InstallStepProcessEnd) InstallStepProcessEnd();
  ExitProcess(0);
}

bool FileReadable(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

// A directory search that sees normal, read-only and archive files only:
// a hidden or system package counts as missing.
bool PackageFileVisible(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool visible = false;
  do {
    const DWORD a = data.dwFileAttributes;
    if (!(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
      visible = true;
    }
  } while (!visible && FindNextFileA(find, &data));
  FindClose(find);
  return visible;
}

void SetExtractionPage() {
  PageHeading = "解压缩文件";
  PageSubheading = "解压“" + PackageInfo.name + "”的安装包";
  InstallPage = WizardPage::Installing;
  RepaintWizard(WizardHandle);
}

void EnableStepButtons(bool enabled) {
  EnableControl(NextButton, enabled);
  EnableControl(CancelButton, enabled);
  EnableControl(BackButton, enabled);
}

// The first window titled `title` under `parent` (top level when null)
// that has not been examined yet.
HWND FindUnexamined(HWND parent, const std::string& title, const std::set<HWND>& examined) {
  HWND after = nullptr;
  while ((after = FindWindowExA(parent, after, nullptr, title.c_str()))) {
    if (!examined.count(after)) return after;
  }
  return nullptr;
}

HWND FindGameWindow(HWND container, const std::set<HWND>& examined) {
  const std::string withM = GameWindowTitle + "m";
  HWND found = nullptr;
  if (container) found = FindUnexamined(container, withM, examined);
  if (!found) found = FindUnexamined(nullptr, withM, examined);
  if (!found && container) found = FindUnexamined(container, GameWindowTitle, examined);
  if (!found) found = FindUnexamined(nullptr, GameWindowTitle, examined);
  return found;
}

// Step 1: true when the game is still running (the box was shown and the
// game asked to close). Windows of other programs that carry the game's
// title are renamed and each is examined once, so the search ends.
bool GameStillRunning() {
  if (GameWindowTitle.empty()) return false;
  HWND container = FindGameManagerContainer();
  std::set<HWND> examined;
  while (HWND window = FindGameWindow(container, examined)) {
    examined.insert(window);
    const std::string exe = ProcessExeName(WindowProcessId(window));
    if (ToUpperAscii(exe) == ToUpperAscii(GameProgramName)) {
      const std::string text = std::string("！！！发现游戏还开着！！！\r\n\r\n") + GameWindowTitle +
                               "\r\n\r\n" + "必须安装Orvane专用版游戏方可使用" + "\r\n\r\n" +
                               "安装前必须清退游戏才能可以正常安装" + "\r\n\r\n" +
                               "所以为了避免自动强退造成逃跑的问题，" + "\r\n\r\n" +
                               "请在【确定】前先把游戏退出。";
      Box(text, "！！！发现游戏还开着！！！", MB_OK | MB_ICONWARNING);
      PostMessageA(window, WM_CLOSE, 0, 0);
      return true;
    }
    SetWindowTextA(window, (GameWindowTitle + "x").c_str());
  }
  return false;
}

void ShowPathErrorBox() {
  Box("目标文件夹路径错误！！！\r\n\r\n请检查输入完整的目标文件夹\r\n\r\n　　　－－－－感谢你使"
      "用【Orvane软件】",
      kInstallCaption, MB_OK | MB_ICONERROR);
}

// Step 2; empty when the step must end.
std::string ValidatedTarget() {
  const TargetFolderCheck check =
      CheckTargetFolder(ControlText(TargetFolderEdit), PackageInfo.name);
  switch (check.verdict) {
    case TargetFolderVerdict::DriveOnly:
      Box(std::string("必须安装在文件夹中！！！\r\n\r\n已经你增加了文件夹，请查看\r\n\r\n   "
                      "　　－－－－感谢你使用【Orvane软件】"),
          kInstallCaption, MB_OK | MB_ICONERROR);
      SetControlText(TargetFolderEdit, check.folder);
      return {};
    case TargetFolderVerdict::Malformed:
      ShowPathErrorBox();
      return {};
    case TargetFolderVerdict::Accepted:
      SetControlText(TargetFolderEdit, check.folder);
      return check.folder;
  }
  return {};
}

// After a free-space failure the message asks for another drive: give the
// user the folder page back with every button usable.
void ReturnToFolderPage() {
  EnableStepButtons(true);
  EnableControl(BrowseButton, true);
  PageHeading = "选择安装位置";
  PageSubheading = "选择“" + PackageInfo.name + "”的安装文件夹";
  InstallPage = WizardPage::TargetFolder;
  RepaintWizard(WizardHandle);
}

void RunPostInstallBatch(const std::string& target) {
  std::string candidate = target + "!绿化.bat";
  if (!FileReadable(candidate)) candidate = target + "绿化.bat";
  if (!FileReadable(candidate)) return;
  const std::string folder = SplitFolderAndFile(candidate).folder;
  SetCurrentDirectoryA(folder.c_str());
  ShellExecuteA(nullptr, "open", candidate.c_str(), "", folder.c_str(), SW_SHOWNORMAL);
}

void AfterFailedExtraction() {
  const int answer =
      Box("解压文件时发生错误！！\r\n请检查磁盘是否满、是否不可以写入、杀毒软件拦截等\r\n　　－－－"
          "－你是否要重新下载文件？？\r\n【继续】将启动网页手工下载\r\n【重试】将重新下载文件\r\n【"
          "取消】将退出自动更新",
          "Pellumo", MB_CANCELTRYCONTINUE | MB_ICONERROR);
  switch (answer) {
    case IDTRYAGAIN:
      // The next try fetches the package anew and checks that copy.
      ReleaseSignedFile(PackageFilePath);
      DeleteFileA(PackageFilePath.c_str());
      InstallPage = WizardPage::Welcome;
      EnableStepButtons(true);
      RepaintWizard(WizardHandle);
      return;
    case IDCONTINUE:
      OpenMatchHelpPage();
      EndProcess();
    default:  // Cancel, or the box could not be shown
      FinishInstall();
      EnableStepButtons(true);
      RepaintWizard(WizardHandle);
      return;
  }
}

// A library that fails its check is deleted and fetched again, once; one
// fetched that fails is never loaded.
void FetchArchiveLibrary() {
  const std::string library = ProgramFolder + kArchiveLibraryName;
  if (FileReadable(library)) {
    if (CheckFileSignature(library, SignatureForm::kTrailer)) return;
    DeleteFileA(library.c_str());
  }
  std::optional<DownloadDigest> digestSlot;
  DownloadDigest* digest = DigestIfSigned(digestSlot);
  if (!DownloadFile(kArchiveLibraryName, "下载解压支持库文件", digest)) {
    if (AbortFlag == 1) EndProcess();
    Box(std::string(
            "下载解压支持库文件时发生错误！！！\r\n\r\n请检查磁盘是否满、是否不可以写入、\r\n杀毒软"
            "件拦截、不可以上网等\r\n\r\n       　－－－－感谢你使用【Orvane软件】"),
        kInstallCaption, MB_OK | MB_ICONERROR);
    EndProcess();
  }
  if (!CheckFileSignature(library, SignatureForm::kTrailer, digest)) {
    DeleteFileA(library.c_str());
    ShowSignatureFailureBox(kArchiveLibraryName);
    EndProcess();
  }
}

// A game package's road ends at the download site: the user can fetch the
// package by hand.
[[noreturn]] void EndWithoutPackage(bool qgi) {
  if (qgi) {
    OpenMatchHelpPage();
    Box("已经为你打开了下载网站\r\n\r\n请手工下载自己安装\r\n\r\n确定后，将为你打开匹配帮助网页",
        kInstallCaption, MB_OK | MB_ICONINFORMATION);
  }
  EndProcess();
}

// The package is extracted only once it passed its check, which a package
// read for the welcome page did already (and is still held).
void FetchPackage(bool qgi) {
  bool downloaded = false;
  std::optional<DownloadDigest> digestSlot;
  DownloadDigest* digest = nullptr;
  if (!PackageFileVisible(PackageFilePath)) {
    ReleaseSignedFile(PackageFilePath);
    digest = DigestIfSigned(digestSlot);
    if (!DownloadFile(SplitFolderAndFile(PackageFilePath).file, "下载【" + PackageInfo.name + "】",
                      digest)) {
      if (AbortFlag == 1) EndProcess();
      Box("下载文件出错，无法为你下载文件\r\n\r\n防火墙或杀毒软件有没拦截本软件上网？\r\n\r\n也可"
          "能是网络或Orvane网站问题\r\n\r\n你还是进网站看一下吧\r\n\r\n能进网站的话，就在网站上下"
          "载吧",
          "", MB_OK | MB_ICONERROR);
      EndWithoutPackage(qgi);
    }
    downloaded = true;
  }
  // Game packages carry no information block, so their signature trails.
  const SignatureForm form =
      GameRequired == 1 ? SignatureForm::kTrailer : SignatureForm::kPackageLine;
  if (SignedFileHeld(PackageFilePath) || CheckFileSignature(PackageFilePath, form, digest)) {
    return;
  }
  if (downloaded) DeleteFileA(PackageFilePath.c_str());
  ShowSignatureFailureBox(SplitFolderAndFile(PackageFilePath).file);
  EndWithoutPackage(qgi);
}

}  // namespace

bool IsQgiPackage() {
  return EndsWithIgnoreCaseAscii(PackageFilePath, ".qgi");
}

void FinishInstall() {
  EnableStepButtons(true);
  SetControlText(ProgressLabel, "解压完成，请点下一步继续");
  PageHeading = IsExtractOnlyMode() ? "安装完成" : "安装选项";
  PageSubheading = "感谢你使用“" + PackageInfo.name + "”";
  SetControlText(NextButton, "完成");
  InstallPage = WizardPage::Finish;
  RepaintWizard(WizardHandle);
}

void (*InstallStepProcessEnd)() = nullptr;

void OpenMatchHelpPage() {
  const std::string address = "http://" + HostName(kWebSiteHost) +
                              "/web.php?c=pipei&amea=" + SplitFolderAndFile(PackageFilePath).file;
  OpenInShell(WizardHandle, address);
}

void RunInstallStep() {
  FileSystemObject fso;

  if (GameStillRunning()) return;

  // The choice only looks: nothing is made or deleted before the checks.
  const std::string work = ChooseWorkFolder();
  const bool qgi = IsQgiPackage();
  std::string target;
  if (qgi) {
    target = WithTrailingBackslash(work.empty() ? WorkFolder() : work);
  } else {
    target = ValidatedTarget();
    if (target.empty()) return;
    // The work folder is emptied before and deleted after the copy.
    if (!work.empty() && TargetInsideWorkFolder(target, work)) {
      ShowPathErrorBox();
      return;
    }
    SetControlText(ProgressLabel, "强制终止运行中的软件中...........");
    StopProgramsInFolder(target);
  }

  if (fso.DriveFreeSpace(target.substr(0, 2)) < kMinimumFreeBytes) {
    Box(target.substr(0, 1) + "盘可用空间不够，请换个盘安装！", kInstallCaption,
        MB_OK | MB_ICONERROR);
    if (!qgi) ReturnToFolderPage();
    return;
  }

  const bool workReady = !work.empty() && PrepareWorkFolder(fso, work);
  const bool targetReady = CreateFolderTree(target);
  if (!targetReady || !workReady) {
    Box("创建文件夹时出错，无法创建文件夹\r\n\r\n可能是以下原因造成的：\r\n\r\n1."
        "磁盘已满，请换个盘安装！\r\n2.此盘是光驱，请换个盘安装！\r\n3."
        "没有此盘，请换个盘安装！\r\n4.文件夹名称有非法字符，请更名！\r\n\r\n        "
        "　　　－－－－请自己检查后更正。",
        kInstallCaption, MB_OK | MB_ICONERROR);
    FinishInstall();
    return;
  }

  SetExtractionPage();

  FetchArchiveLibrary();
  FetchPackage(qgi);

  SetExtractionPage();
  SetCurrentDirectoryA(ProgramFolder.c_str());
  EnableStepButtons(false);
  const bool extracted = ExtractArchive(PackageFilePath, work);
  if (AbortFlag == 1) EndProcess();
  if (!extracted) {
    AfterFailedExtraction();
    return;
  }

  if (qgi) {
    InstallSpecialEditionGame();
  } else {
    BusyPhase = 2;
    CopyFolderTree(WizardHandle, WithTrailingBackslash(work), target, kWorkFolderMarkerName);
    BusyPhase = 0;
    if (AbortFlag == 1) EndProcess();
    RunPostInstallBatch(target);
  }
  FileSystemObject remover;
  RemoveWorkFolder(remover, work);
  FinishInstall();
}

}  // namespace orvane
