#include "startup/feed_rules.h"

#include "base/number.h"
#include "base/text.h"
#include "startup/feed_hex_text.h"
#include "startup/feed_version.h"

namespace orvane {

namespace {

// Record layout: release date, product number, title and version.
constexpr size_t kDateField = 0;
constexpr size_t kProductField = 1;
constexpr size_t kTitleField = 2;

}  // namespace

std::string FeedAddress(std::string_view host) {
  return "http://" + std::string(host) + std::string(kFeedPath);
}

bool HasFeedMarker(std::string_view body) {
  return body.find(kFeedMarker) != body.npos;
}

std::optional<std::string_view> FeedPayload(std::string_view body) {
  const size_t first = body.find(kFeedMarker);
  if (first == body.npos) return std::nullopt;
  const size_t start = first + kFeedMarker.size();
  const size_t second = body.find(kFeedMarker, start);
  if (second == body.npos) return std::nullopt;
  return body.substr(start, second - start);
}

std::string VersionLine(std::string_view version, std::string_view date) {
  return "版本：" + std::string(version) + "   发布日期：" + std::string(date);
}

FeedEvaluation EvaluateFeed(int32_t product, std::string_view callerVersion,
                            std::string_view body) {
  FeedEvaluation evaluation;
  const auto payload = FeedPayload(body);
  if (!payload) {
    evaluation.outcome = FeedOutcome::Unreadable;
    evaluation.page = WizardPage::NoNetwork;
    return evaluation;
  }
  const std::string text = DecodeHexText(*payload);
  for (const std::string& record : SplitAt(text, '@')) {
    const auto fields = SplitAt(record, '|');
    if (fields.size() <= kTitleField) continue;
    if (ReadNumber(fields[kProductField]) != static_cast<double>(product)) continue;

    // Only the first record of the product counts.
    const std::string& titleField = fields[kTitleField];
    const size_t cut = titleField.rfind('_');
    if (cut == std::string::npos) {
      evaluation.outcome = FeedOutcome::NoVersionInTitle;
      return evaluation;
    }
    const std::string listedVersion = titleField.substr(cut + 1);
    evaluation.title = titleField.substr(0, cut);
    evaluation.versionText = VersionLine(listedVersion, fields[kDateField]);
    if (CompareVersions(callerVersion, listedVersion)) {
      evaluation.outcome = FeedOutcome::NewerListed;
    } else {
      evaluation.outcome = FeedOutcome::Current;
      evaluation.page = WizardPage::UpToDate;
    }
    return evaluation;
  }
  evaluation.outcome = FeedOutcome::NotListed;
  return evaluation;
}

bool ApplyFeedEvaluation(const FeedEvaluation& evaluation) {
  if (evaluation.title) TitleText = *evaluation.title;
  if (evaluation.versionText) VersionText = *evaluation.versionText;
  if (!evaluation.page) return false;
  InstallPage = *evaluation.page;
  return true;
}

int32_t RunFeedCheck(int32_t product, std::string_view callerVersion, const FeedFetcher& fetch,
                     const std::function<void()>& pageChanged) {
  std::string body;
  for (HostRole role : kFeedHostOrder) {
    body = fetch(FeedAddress(HostName(role)));
    if (HasFeedMarker(body)) break;
  }
  const FeedEvaluation evaluation = EvaluateFeed(product, callerVersion, body);
  if (ApplyFeedEvaluation(evaluation) && pageChanged) pageChanged();
  return evaluation.Result();
}

}  // namespace orvane
