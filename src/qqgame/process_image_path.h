// The executable path of any process, whatever its bitness.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// The full path of the process's executable in the program's code page;
// empty when the process cannot be opened or its path cannot be read. A
// path is answered whole or not at all, never cut to 260 characters.
//
// A 32-bit build reads 32-bit processes with GetModuleFileNameExA and
// 64-bit ones through ntdll's WOW64 queries and the process's own records
// (a missing query or a failed one gives an empty answer). A 64-bit build
// reaches every process with GetModuleFileNameExA.
std::string ProcessImagePath(uint32_t processId);

}  // namespace orvane
