#include "startup/feed_check.h"

#include <windows.h>

#include "net/start_download.h"
#include "startup/feed_rules.h"
#include "wizard/page_state.h"
#include "wizard/wizard_window.h"

namespace orvane {

int32_t FeedCheck(int32_t product, const std::string& version) {
  AbortFlag = 0;
  return RunFeedCheck(
      product, version,
      [](const std::string& address) {
        // Text mode: the body, or "" after StartDownload has shown what failed.
        std::string body = StartDownload(WizardHandle, address, "");
        // The user closed the wizard and chose to stop: the window is gone,
        // so no other host is asked and nothing is fetched after it.
        if (AbortFlag == 1) ExitProcess(0);
        return body;
      },
      [] {
        if (WizardHandle) RepaintWizard(WizardHandle);
      });
}

}  // namespace orvane
