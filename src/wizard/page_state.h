// The wizard's page and the program-wide texts and flags painted or tested
// by every step.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

enum class WizardPage : int32_t {
  Downloading = 0,
  Welcome = 1,
  TargetFolder = 2,
  Installing = 3,
  Finish = 4,
  UpToDate = 5,
  NoNetwork = 6,
};

extern WizardPage InstallPage;

// 0 idle, 1 extracting, 2 copying or installing.
extern int32_t BusyPhase;
// 1 = the user asked to stop the running work.
extern int32_t AbortFlag;

extern std::string TitleText;
extern std::string VersionText;
extern std::string PageHeading;
extern std::string PageSubheading;

}  // namespace orvane
