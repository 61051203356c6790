#include "wizard/page_actions.h"

#include "install/install_step.h"
#include "install/shortcut_launch.h"
#include "package/package_info.h"
#include "startup/process_values.h"
#include "wizard/controls.h"
#include "wizard/page_flow.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {
namespace {

PageFlowInput CurrentFlowInput() {
  PageFlowInput input;
  input.page = InstallPage;
  input.extractOnly = IsExtractOnlyMode();
  input.packageName = PackageInfo.name;
  input.packageDescription = PackageInfo.description;
  input.programFolder = ProgramFolder;
  input.packageLoaded = !PackageFilePath.empty();
  return input;
}

void StartPageWork(PageWork work, HWND window) {
  switch (work) {
    case PageWork::None:
      break;
    case PageWork::CloseWizard:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case PageWork::RunInstallStep:
      RunInstallStep();
      break;
    case PageWork::CreateShortcutAndLaunch:
      CreateShortcutAndLaunch();
      break;
  }
}

void ApplyPageStep(const PageStep& step, HWND window) {
  if (step.heading) PageHeading = *step.heading;
  if (step.subheading) PageSubheading = *step.subheading;
  if (step.nextCaption) SetControlText(NextButton, *step.nextCaption);
  if (step.targetFolderText) SetControlText(TargetFolderEdit, *step.targetFolderText);
  if (step.page) InstallPage = *step.page;
  // The folder page is where a folder is chosen: the install step's program
  // check disables Browse with the other buttons, and the roads that lead
  // back here (Try Again after an extraction error, Back) must give it back.
  if (step.page == WizardPage::TargetFolder) EnableControl(BrowseButton, true);
  if (step.repaint) RepaintWizard(window);
  StartPageWork(step.work, window);
}

}  // namespace

void OnNextClicked(int, HWND window, HWND, int) {
  ApplyPageStep(NextStep(CurrentFlowInput()), window);
}

void OnBackClicked(int, HWND window, HWND, int) {
  ApplyPageStep(BackStep(CurrentFlowInput()), window);
}

}  // namespace orvane
