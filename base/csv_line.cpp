// SPDX-License-Identifier: MIT
#include "base/csv_line.h"

#include <cstring>

#include "base/text.h"

namespace rq {

CsvLineResult splitCsvViews(std::string_view text, char* store,
                            std::vector<std::string_view>& values, const CsvLineRules& rules) {
    values.clear();
    if (const void* zero = std::memchr(text.data(), '\0', text.size())) {
        if (!rules.zeroByteEndsText) return CsvLineResult::ZeroByte;
        text =
            text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
    }
    const char* const s = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < n && isBlank(s[i])) ++i;
    };
    auto findFrom = [&](std::size_t from, char c) {
        const void* at = std::memchr(s + from, c, n - from);
        return at != nullptr ? static_cast<std::size_t>(static_cast<const char*>(at) - s) : n;
    };

    skipBlanks();
    while (i < n) {
        if (s[i] == '"') {
            ++i;
            std::size_t quote = findFrom(i, '"');
            if (quote + 1 >= n || s[quote + 1] != '"') {
                if (quote == n) {
                    if (!rules.unclosedQuoteTakesRest) return CsvLineResult::UnclosedQuote;
                    values.emplace_back(s + i, n > i ? n - i - 1 : 0);
                    break;
                }
                values.emplace_back(s + i, quote - i);
                i = quote + 1;
            } else {
                char* const begin = store;
                bool closed = false;
                for (;;) {
                    std::memcpy(store, s + i, quote - i);
                    store += quote - i;
                    if (quote == n) break;
                    if (quote + 1 < n && s[quote + 1] == '"') {
                        *store++ = '"';
                        i = quote + 2;
                        quote = findFrom(i, '"');
                        continue;
                    }
                    i = quote + 1;
                    closed = true;
                    break;
                }
                if (!closed) {
                    if (!rules.unclosedQuoteTakesRest) return CsvLineResult::UnclosedQuote;
                    if (store > begin) --store;
                    values.emplace_back(begin, static_cast<std::size_t>(store - begin));
                    break;
                }
                values.emplace_back(begin, static_cast<std::size_t>(store - begin));
            }
        } else {
            const std::size_t start = i;
            i = findFrom(i, ',');
            std::size_t stop = i;
            while (stop > start && isBlank(s[stop - 1])) --stop;
            values.emplace_back(s + start, stop - start);
        }
        skipBlanks();
        if (i < n && s[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
    return CsvLineResult::Split;
}

}  // namespace rq
