#include "startup/feed_check.h"

#include "net/start_download.h"
#include "startup/feed_rules.h"
#include "wizard/wizard_window.h"

namespace orvane {

int32_t FeedCheck(int32_t product, const std::string& version) {
  return RunFeedCheck(
      product, version,
      // Text mode: the body, or "" after StartDownload has shown what failed.
      [](const std::string& address) { return StartDownload(WizardHandle, address, ""); },
      [] {
        if (WizardHandle) RepaintWizard(WizardHandle);
      });
}

}  // namespace orvane
