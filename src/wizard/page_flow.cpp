#include "wizard/page_flow.h"

namespace orvane {
namespace {

std::string FolderPageSubheading(const std::string& name) {
  return "选择“" + name + "”的安装文件夹";
}

// Headings of the folder page, shown from Welcome and on the way back.
void ShowFolderPage(PageStep& step, const std::string& name) {
  step.heading = "选择安装位置";
  step.subheading = FolderPageSubheading(name);
  step.page = WizardPage::TargetFolder;
  step.repaint = true;
}

}  // namespace

PageStep NextStep(const PageFlowInput& input) {
  PageStep step;
  switch (input.page) {
    case WizardPage::Welcome:
      if (!input.packageLoaded) break;
      if (input.extractOnly) {
        // No folder page: the package goes into a fixed folder beside us.
        step.targetFolderText = input.programFolder + input.packageDescription;
        step.work = PageWork::RunInstallStep;
      } else {
        ShowFolderPage(step, input.packageName);
        step.targetFolderText = input.programFolder;
      }
      break;
    case WizardPage::TargetFolder:
      step.work = PageWork::RunInstallStep;
      break;
    case WizardPage::Installing:
      // Only reached after Back from Finish: the files are already in place,
      // so this goes straight to Finish without a second extraction.
      step.heading = input.extractOnly ? "安装完成" : "安装选项";
      step.subheading = "感谢你使用“" + input.packageName + "”";
      step.nextCaption = kFinishCaption;
      step.page = WizardPage::Finish;
      step.repaint = true;
      break;
    case WizardPage::Finish:
      step.work = input.extractOnly ? PageWork::CloseWizard : PageWork::CreateShortcutAndLaunch;
      break;
    case WizardPage::Downloading:
    case WizardPage::UpToDate:
    case WizardPage::NoNetwork:
      break;
  }
  return step;
}

PageStep BackStep(const PageFlowInput& input) {
  PageStep step;
  switch (input.page) {
    case WizardPage::TargetFolder:
      step.page = WizardPage::Welcome;
      step.repaint = true;
      break;
    case WizardPage::Installing:
      // The extracted files stay where they are.
      ShowFolderPage(step, input.packageName);
      break;
    case WizardPage::Finish:
      step.heading = "解压缩文件";
      step.subheading = "解压“" + input.packageName + "”的安装包";
      step.nextCaption = kNextCaption;
      step.page = WizardPage::Installing;
      step.repaint = true;
      break;
    case WizardPage::Welcome:
    case WizardPage::Downloading:
    case WizardPage::UpToDate:
    case WizardPage::NoNetwork:
      break;
  }
  return step;
}

std::string FolderBrowserTitle(const std::string& titleText) {
  return "选择安装【" + titleText + "】目标文件夹";
}

bool IsDriveLetterPath(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return false;
  const char drive = path[0];
  return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
}

}  // namespace orvane
