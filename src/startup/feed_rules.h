// Reading the update feed: which hosts to ask, where the payload lies in
// the document, which record belongs to a product, and what the wizard
// shows and does as a result. The Win32 side only fetches and applies.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "startup/process_values.h"
#include "wizard/page_state.h"

namespace orvane {

// The payload lies between the first two occurrences of this marker.
inline constexpr std::string_view kFeedMarker = "$Orvane$";
inline constexpr std::string_view kFeedPath = "/cu.txt";

// The hosts asked for the feed, in order; the first body holding the
// marker ends the search.
inline constexpr std::array<HostRole, 3> kFeedHostOrder = {kFirstUpdateHost, kWebSiteHost,
                                                           kSecondUpdateHost};

// "http://" + host + "/cu.txt".
std::string FeedAddress(std::string_view host);

bool HasFeedMarker(std::string_view body);

// The text between the first and the second marker; none when the body
// lacks either.
std::optional<std::string_view> FeedPayload(std::string_view body);

// "版本：" + version + "   发布日期：" + date, the second display line.
std::string VersionLine(std::string_view version, std::string_view date);

enum class FeedOutcome {
  Unreadable,        // no payload: the wizard shows the no-network page
  NotListed,         // no record for the product
  NoVersionInTitle,  // the product's record has no "_" in its title field
  NewerListed,       // the caller is older than the listed version
  Current,           // the caller's version is not older
};

struct FeedEvaluation {
  FeedOutcome outcome = FeedOutcome::NotListed;
  // The display lines, when the product's record named a version.
  std::optional<std::string> title;
  std::optional<std::string> versionText;
  // The page to go to, when the outcome moves the wizard.
  std::optional<WizardPage> page;

  // -1 when the caller is current, 0 otherwise.
  int32_t Result() const { return outcome == FeedOutcome::Current ? -1 : 0; }
};

// The whole decision for product `product` and the caller's version
// (possibly empty, which reads as 0.0.0.0) from the feed document `body`.
FeedEvaluation EvaluateFeed(int32_t product, std::string_view callerVersion, std::string_view body);

// Puts the evaluation into TitleText, VersionText and InstallPage; true
// when InstallPage was set, so the wizard must be repainted.
bool ApplyFeedEvaluation(const FeedEvaluation& evaluation);

// Fetches one address and returns the body, or "" after a failure.
using FeedFetcher = std::function<std::string(const std::string& address)>;

// The feed check from fetching to applying: asks the hosts in order until
// a body holds the marker, evaluates the last body fetched and applies it.
// `pageChanged` runs after InstallPage was set. Returns -1 when current.
int32_t RunFeedCheck(int32_t product, std::string_view callerVersion, const FeedFetcher& fetch,
                     const std::function<void()>& pageChanged);

}  // namespace orvane
