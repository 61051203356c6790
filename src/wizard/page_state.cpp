#include "wizard/page_state.h"

namespace orvane {

WizardPage InstallPage = WizardPage::Welcome;
int32_t BusyPhase = 0;
int32_t AbortFlag = 0;
std::string TitleText;
std::string VersionText;
std::string PageHeading;
std::string PageSubheading;

}  // namespace orvane
