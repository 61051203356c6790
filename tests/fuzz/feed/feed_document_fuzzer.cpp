// The feed document as any server may send it: the evaluation must hold
// its promises for every body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "startup/feed_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte picks the product, the second splits version and body.
  const int32_t product = data[0];
  const size_t versionLength = data[1] % 16;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view version = rest.substr(0, versionLength);
  const std::string_view body = rest.substr(std::min(versionLength, rest.size()));

  const auto e = orvane::EvaluateFeed(product, version, body);
  using orvane::FeedOutcome;
  const bool unreadable = e.outcome == FeedOutcome::Unreadable;
  if (unreadable != !orvane::FeedPayload(body).has_value()) std::abort();
  if (unreadable != (e.page == orvane::WizardPage::NoNetwork)) std::abort();
  if ((e.outcome == FeedOutcome::Current) != (e.page == orvane::WizardPage::UpToDate)) std::abort();
  const bool listed = e.outcome == FeedOutcome::Current || e.outcome == FeedOutcome::NewerListed;
  if (listed != e.title.has_value() || listed != e.versionText.has_value()) std::abort();
  if (e.Result() != (e.outcome == FeedOutcome::Current ? -1 : 0)) std::abort();
  return 0;
}
