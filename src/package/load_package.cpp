#include "package/load_package.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "base/path.h"
#include "base/win/handles.h"
#include "net/download_file.h"
#include "package/command_line.h"
#include "package/info_block.h"
#include "package/package_file.h"
#include "package/package_messages.h"
#include "package/package_parameters.h"
#include "package/signature_check.h"
#include "startup/feed_check.h"
#include "startup/process_values.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {

namespace {

bool CanOpenForReading(const std::string& path) {
  if (path.empty()) return false;
  const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file);
}

[[noreturn]] void EndProgram() {
  ExitProcess(0);
}

[[noreturn]] void FailWith(std::string_view text) {
  MessageBoxA(WizardHandle, std::string(text).c_str(), std::string(kPackageBoxCaption).c_str(),
              MB_ICONERROR);
  EndProgram();
}

void Repaint() {
  if (WizardHandle) RepaintWizard(WizardHandle);
}

[[noreturn]] void HandOverToUpdaterCopy(const UpdaterSelfCopy& copy) {
  if (GetFileAttributesA(copy.target.c_str()) != INVALID_FILE_ATTRIBUTES) {
    DeleteFileA(copy.target.c_str());
  }
  CopyFileA(copy.source.c_str(), copy.target.c_str(), FALSE);
  ShellExecuteA(nullptr, "open", copy.target.c_str(), copy.arguments.c_str(), copy.folder.c_str(),
                SW_SHOWNORMAL);
  EndProgram();
}

// Nothing of a package that fails its check is shown or used; a copy the
// wizard fetched itself is not kept either.
[[noreturn]] void RefuseUnsigned(const std::string& path, bool downloaded) {
  if (downloaded) DeleteFileA(path.c_str());
  ShowSignatureFailureBox(SplitFolderAndFile(path).file);
  EndProgram();
}

// Finds the package, fetching it when missing, until its block is read.
void LoadPackageFile(std::string path) {
  for (;;) {
    bool downloaded = false;
    std::optional<DownloadDigest> digestSlot;
    DownloadDigest* digest = nullptr;
    if (!path.empty()) {
      if (!CanOpenForReading(path)) {
        const std::string name = PackageDownloadName(path);
        digest = DigestIfSigned(digestSlot);
        if (!DownloadFile(name, std::string(kPackageDownloadDisplayName), digest)) {
          if (AbortFlag == 1) EndProgram();
          FailWith(kPackageDownloadFailedText);
        }
        // The download lands in the program's folder, whatever folder the
        // command line named: read it from there.
        path = ProgramFolder + name;
        downloaded = true;
      }
      InstallPage = WizardPage::Welcome;
      Repaint();
      if (const auto found = ReadPackageTail(path);
          found && LocateInfoBlock(found->fileSize, found->bytes)) {
        if (!CheckFileSignature(path, SignatureForm::kPackageLine, digest))
          RefuseUnsigned(path, downloaded);
        // Read again now that the file is held: what is shown is what was
        // checked.
        if (const auto tail = ReadPackageTail(path)) {
          if (const auto block = LocateInfoBlock(tail->fileSize, tail->bytes)) {
            ApplyInfoBlock(path, *block);
            Repaint();
            return;
          }
        }
      }
    }
    if (path.empty()) FailWith(kNoPackageText);
    const std::string question = DamagedPackageQuestion(path);
    if (MessageBoxA(WizardHandle, question.c_str(), std::string(kPackageBoxCaption).c_str(),
                    MB_YESNO | MB_ICONERROR) != IDYES) {
      EndProgram();
    }
    DeleteFileA(path.c_str());
  }
}

}  // namespace

int32_t LoadPackage() {
  const std::string command = CommandLine;
  const CommandDecision decision = ClassifyCommandLine(
      command, CommandContext{ProgramFolder, ProgramFileName, CanOpenForReading(command)});
  switch (decision.route) {
    case CommandRoute::Parameters:
      LoadPackageParameters(command);
      return 0;
    case CommandRoute::EndProgram:
      EndProgram();
    case CommandRoute::UpdaterSelfCopy:
      HandOverToUpdaterCopy(*decision.selfCopy);
    case CommandRoute::Package:
      break;
  }
  if (decision.stalePackage) {
    if (GetFileAttributesA(decision.stalePackage->c_str()) != INVALID_FILE_ATTRIBUTES) {
      DeleteFileA(decision.stalePackage->c_str());
    }
    PumpMessages();
  }
  if (decision.feedCheck) {
    if (FeedCheck(decision.feedCheck->product, decision.feedCheck->version) != 0) return 0;
    if (InstallPage == WizardPage::NoNetwork) return 0;
  }
  LoadPackageFile(decision.packagePath);
  return 0;
}

void LoadPackageParameters(const std::string& command) {
  const ParametersDecision decision = EvaluatePackageParameters(command, ProgramFolder);
  if (!decision.package) {
    MessageBoxA(WizardHandle, decision.dataError.c_str(), "", MB_ICONERROR);
    EndProgram();
  }
  ApplyGamePackage(*decision.package);
  Repaint();
}

}  // namespace orvane
