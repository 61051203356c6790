// The update feed check through the download layer: fetches "/cu.txt"
// from the hosts in turn and applies the feed's answer to the wizard.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// -1 when the caller's `version` of product `product` is current; 0 when a
// newer version is listed, the product is not listed, or the feed could
// not be read (InstallPage is then NoNetwork). Sets TitleText and
// VersionText from the product's record and repaints the wizard, when it
// exists, after InstallPage changed.
int32_t FeedCheck(int32_t product, const std::string& version);

}  // namespace orvane
