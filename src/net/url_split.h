// Splitting a download address into host, path and port.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// "http://" and "https://" addresses are absolute and always use port 80
// (plain HTTP only). Any other address is relative: it keeps `host` and
// `port` when a host is already known (a redirection within the server),
// otherwise its text up to the first "/" is the host. There is no port
// syntax: "host:8080" is one host name. `path` never has its leading "/".
void SplitUrl(std::string_view url, std::string& host, std::string& path, int32_t& port);

}  // namespace orvane
