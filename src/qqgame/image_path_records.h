// Reading the executable path of a 64-bit process from its own records
// (basic information, PEB, process parameters), as a 32-bit program must
// do it. The two system calls come from the caller, so the walk over the
// record layouts runs and is tested anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvane {

// 64-bit record layouts.
inline constexpr uint32_t kBasicInformationSize = 48;
inline constexpr uint32_t kPebBaseAddressOffset = 8;
inline constexpr uint32_t kPebSize = 896;
inline constexpr uint32_t kProcessParametersOffset = 0x20;
inline constexpr uint32_t kProcessParametersSize = 1016;
inline constexpr uint32_t kImagePathLengthOffset = 0x60;
inline constexpr uint32_t kImagePathMaximumLengthOffset = 0x62;
inline constexpr uint32_t kImagePathBufferOffset = 0x68;

// Status values of the system calls: negative means failure.
using QueryBasicInformation = std::function<int32_t(void* buffer, uint32_t size)>;
using ReadProcessBytes = std::function<int32_t(uint64_t address, void* buffer, uint64_t size)>;

// The image path as UTF-16 code units. It is read whole, however long
// (a path record holds at most 32767 units), so a long path is never
// answered cut short. None when a call fails or a record is inconsistent:
// a length above its maximum, or a text without an address.
std::optional<std::u16string> ReadImagePathRecords(const QueryBasicInformation& query,
                                                   const ReadProcessBytes& read);

}  // namespace orvane
