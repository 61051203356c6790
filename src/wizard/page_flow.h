// The wizard's page flow as a rule: from the current page, the package mode
// and the user's action to the new page, its headings, the Next caption and
// the work to start. The Win32 handlers gather the inputs and apply the step.
#pragma once

#include <optional>
#include <string>

#include "wizard/page_state.h"

namespace orvane {

// Captions of NextButton: "完成" on the finish page, "下一步" elsewhere.
inline constexpr const char* kNextCaption = "下一步";
inline constexpr const char* kFinishCaption = "完成";

// The work a click hands on once the step's texts and page are in place.
enum class PageWork {
  None,
  RunInstallStep,           // checks the folder, extracts and moves the wizard on
  CreateShortcutAndLaunch,  // desktop shortcut and program start, then close
  CloseWizard,              // post WM_CLOSE to the wizard
};

struct PageFlowInput {
  WizardPage page = WizardPage::Welcome;
  bool extractOnly = false;
  std::string packageName;         // PackageInfo.name
  std::string packageDescription;  // PackageInfo.description
  std::string programFolder;       // ProgramFolder, ending in its separator
  // False until the package is read (PackageFilePath still empty): the
  // welcome page is up while the feed is checked, and a Next then would
  // install a package nobody has named yet.
  bool packageLoaded = true;
};

// Every field left empty stays as it is. The fields are applied in the order
// declared; `repaint` comes after the texts and the page, `work` last.
struct PageStep {
  std::optional<std::string> heading;           // PageHeading
  std::optional<std::string> subheading;        // PageSubheading
  std::optional<std::string> nextCaption;       // NextButton's caption
  std::optional<std::string> targetFolderText;  // TargetFolderEdit's text
  std::optional<WizardPage> page;               // InstallPage
  bool repaint = false;
  PageWork work = PageWork::None;

  bool DoesNothing() const {
    return !heading && !subheading && !nextCaption && !targetFolderText && !page && !repaint &&
           work == PageWork::None;
  }
};

PageStep NextStep(const PageFlowInput& input);
PageStep BackStep(const PageFlowInput& input);

// Title of the folder browser: "选择安装【" + title + "】目标文件夹".
std::string FolderBrowserTitle(const std::string& titleText);

// The folder browser's OK button takes only a path on a drive letter.
bool IsDriveLetterPath(const std::string& path);

}  // namespace orvane
