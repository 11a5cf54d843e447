// SPDX-License-Identifier: MIT
#pragma once
// Palm dates: unsigned seconds since 1904-01-01, local wall-clock time without a zone.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace rq::jfile {

// The wall-clock time of `now` in the local zone, as a Palm date.
std::uint32_t palmTimeFromLocal(std::time_t now);
// Seconds since 1970 taken as wall-clock time (no zone), as a Palm date.
std::uint32_t palmTimeFromWallSeconds(std::int64_t seconds);
// A fixed time given as decimal seconds since 1970 (wall clock), or nothing when `text` is not
// such a number.
std::optional<std::uint32_t> palmTimeFromText(std::string_view text);

}  // namespace rq::jfile
