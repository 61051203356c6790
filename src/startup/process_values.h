// Process-wide values prepared at start-up and read everywhere.
#pragma once

#include <array>
#include <string>

namespace orvane {

// Screen scale factors: LOGPIXELSX / 96 and LOGPIXELSY / 96.
extern float sx;
extern float sy;

// All arguments after the program path, joined by one blank.
extern std::string CommandLine;

// Class name of the rich-edit control that loaded; empty when none did.
extern std::string RichEditClass;

// Folder of the program's own file, ending in its separator, and the name.
extern std::string ProgramFolder;
extern std::string ProgramFileName;

inline constexpr const char* kProductName = "安装Orvane软件";

// Server host templates by role; "\\\" marks where the domain word goes.
enum HostRole { kFirstUpdateHost = 0, kSecondUpdateHost = 1, kWebSiteHost = 2 };
extern std::array<std::string, 3> HostTemplates;

// The host of a role with the maker's domain word put in place.
std::string HostName(HostRole role);

}  // namespace orvane
