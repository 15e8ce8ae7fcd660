#pragma once

#include <cstdint>
#include <type_traits>

namespace dictation_agent {

// The platform's authorization statuses cross the seam as they are: the core owns the name
// tables, and a value this build does not know must still reach them unchanged. The status
// enumerations are NSInteger-based; one that could not travel whole in 64 signed bits does not
// compile.
template <class Status>
constexpr std::int64_t rawAuthorizationStatus(Status status) {
  using Raw = std::underlying_type_t<Status>;
  static_assert(std::is_signed_v<Raw> && sizeof(Raw) <= sizeof(std::int64_t),
                "authorization statuses must pass through as signed 64-bit values");
  return static_cast<std::int64_t>(static_cast<Raw>(status));
}

}  // namespace dictation_agent
