// SPDX-License-Identifier: MIT
#include "engine/conversion_info.h"
#include "base/files.h"

#include <charconv>

namespace rq {

namespace {

constexpr std::string_view kEndMarker = "456E644A46696C654461746100";

void writeNumber(OutputFile& out, std::int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.write(digits, static_cast<std::size_t>(result.ptr - digits));
}

// One number and a space for each selected field, then the line end.
template <typename Get>
void writeFieldLine(OutputFile& out, const Strategy& strategy, Get get) {
    for (int n = 1; n <= kFieldCount; ++n) {
        if (!strategy.slots[n].selected) continue;
        writeNumber(out, get(strategy.slots[n]));
        out.put(' ');
    }
    out.endLine();
}

}  // namespace

bool writeConversionInfo(Strategy& strategy, HostServices& host, OutputFile& out,
                         const std::string& path) {
    if (!out.open(path)) {
        host.showMessage(MessageKind::Error, "Failure creating .IFO file ",
                         shownPath(path) + ": " + out.failureReason());
        return false;
    }
    OutputFileGuard guard(out);

    writeFieldLine(out, strategy, [](const FieldSlot& s) { return s.fieldType; });
    writeFieldLine(out, strategy, [](const FieldSlot& s) { return s.columnWidth; });
    for (std::int32_t value : {strategy.dataWidth, strategy.firstColumn, strategy.lockFlags}) {
        writeNumber(out, value);
        out.endLine();
    }

    const int selectedCount = assignPopupLetters(strategy);
    if (selectedCount == 0) {
        out.close();
        host.showMessage(MessageKind::Error,
                         "No fields selected \nPlease select a field and try again ");
        return false;
    }
    for (int line = 0; line < 2; ++line) {
        for (int k = 0; k < selectedCount; ++k) out.write("0 ");
        out.endLine();
    }
    out.write(kEndMarker);

    // Each line end goes in front of the line it leads to, so the file ends without one.
    for (int n = 1; n <= kFieldCount; ++n) {
        const FieldSlot& slot = strategy.slots[n];
        if (!slot.selected || slot.popupLetter == 0) continue;
        out.endLine();
        out.write("popup");
        out.put(slot.popupLetter);
        std::size_t count = 0;
        for (const std::string& word : slot.popupWords) {
            if (count++ == kPopupWordsWritten) break;
            out.endLine();
            out.write(word);
        }
    }

    if (!out.close()) {
        host.showMessage(MessageKind::Error, "Failure writing .IFO file " + shownPath(path) + ": " +
                                                 out.failureReason());
        return false;
    }
    return true;
}

}  // namespace rq
