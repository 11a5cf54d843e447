// SPDX-License-Identifier: MIT
#include "converter/palm_time.h"

#include <charconv>

#include "converter/pdb_database.h"

namespace rq::jfile {

namespace {
// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}
}  // namespace

std::uint32_t palmTimeFromWallSeconds(std::int64_t seconds) {
    return static_cast<std::uint32_t>(seconds + kPalmEpochOffset);
}

std::uint32_t palmTimeFromLocal(std::time_t now) {
    // Single-threaded program: the shared result of localtime is safe here.
    const std::tm* local = std::localtime(&now);
    if (!local) return palmTimeFromWallSeconds(static_cast<std::int64_t>(now));
    const std::int64_t days =
        daysFromCivil(local->tm_year + 1900, static_cast<unsigned>(local->tm_mon + 1),
                      static_cast<unsigned>(local->tm_mday));
    return palmTimeFromWallSeconds(days * 86400 + local->tm_hour * 3600 + local->tm_min * 60 +
                                   local->tm_sec);
}

std::optional<std::uint32_t> palmTimeFromText(std::string_view text) {
    std::int64_t seconds = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return palmTimeFromWallSeconds(seconds);
}

}  // namespace rq::jfile
