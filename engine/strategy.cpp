// SPDX-License-Identifier: MIT
#include "engine/strategy.h"

#include <charconv>
#include <string>

namespace rq {

void resetStrategy(Strategy& strategy, StrategyWindow& window) {
    for (FieldSlot& slot : strategy.slots) {
        slot.selected = false;
        slot.maxLength = 0;
    }
    strategy.dataWidth = 0;
    strategy.firstColumn = 0;
    strategy.lockFlags = 0;
    showInWindow(strategy, window);
}

void showInWindow(const Strategy& strategy, StrategyWindow& window) {
    for (int n = 1; n <= kFieldCount; ++n) {
        const FieldSlot& slot = strategy.slots[n];
        window.setFieldTicked(n, slot.selected);
        window.setFieldCaption(n, jfileName(n));
        window.setFieldBold(n, isPopupType(slot.fieldType));
        window.setWidthText(n, std::to_string(slot.maxLength));
    }
    window.setLockTicked(strategy.lockFlags == kLockedFlags);
}

void collectFromWindow(Strategy& strategy, const StrategyWindow& window) {
    for (int n = 1; n <= kFieldCount; ++n) {
        FieldSlot& slot = strategy.slots[n];
        slot.selected = window.fieldTicked(n);
        // A text the entry's own check has not yet seen (the window closed while it had the
        // focus) is taken as the value that check would have reset it to.
        std::int32_t value = 0;
        slot.maxLength = parseWholeNumber(window.widthText(n), value) ? value : kDefaultMaxLength;
    }
    strategy.lockFlags = window.lockTicked() ? kLockedFlags : 0;
}

char popupLetterFor(int position) {
    // p + 39 for 27 to 31 gives "B" to "F": "A" is never used.
    return position <= 26 ? static_cast<char>('a' + position - 1)
                          : static_cast<char>(position + 39);
}

int assignPopupLetters(Strategy& strategy) {
    int position = 0;
    for (int n = 1; n <= kFieldCount; ++n) {
        FieldSlot& slot = strategy.slots[n];
        slot.popupLetter = 0;
        if (!slot.selected) continue;
        ++position;
        if (isPopupType(slot.fieldType)) slot.popupLetter = popupLetterFor(position);
    }
    return position;
}

bool parseWholeNumber(std::string_view text, std::int32_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {  // "+5" is a whole number too, "+-5" is not
        ++first;
        if (first != last && *first == '-') return false;
    }
    if (first == last) return false;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc{} && end == last;
}

}  // namespace rq
