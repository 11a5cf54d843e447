// SPDX-License-Identifier: MIT
// The strategy file reader. Whatever it reads, the strategy it leaves must survive being written
// and read again: the file the program writes at the end of a run is the one it reads at the
// next start. Words lose the bytes the writer cannot store (tab, CR, comma), and lines longer
// than the reader takes at once are outside the format.

#include <algorithm>
#include <cstdint>
#include <string>

#include "engine/strategy_file.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace rq;
using namespace rq::fuzz;

// The strategy as the writer stores it.
Strategy stored(Strategy s) {
    for (FieldSlot& slot : s.slots) {
        slot.popupLetter = 0;
        std::vector<std::string> words;
        for (std::string word : slot.popupWords) {
            std::erase_if(word, [](char c) { return c == '\t' || c == '\r' || c == ','; });
            if (!word.empty()) words.push_back(std::move(word));
        }
        slot.popupWords = std::move(words);
    }
    return s;
}

bool sameStrategy(const Strategy& a, const Strategy& b) {
    for (int n = 1; n <= kFieldCount; ++n) {
        const FieldSlot& x = a.slots[n];
        const FieldSlot& y = b.slots[n];
        if (x.fieldType != y.fieldType || x.columnWidth != y.columnWidth ||
            x.maxLength != y.maxLength || x.selected != y.selected || x.popupWords != y.popupWords)
            return false;
    }
    return a.dataWidth == b.dataWidth && a.firstColumn == b.firstColumn &&
           a.lockFlags == b.lockFlags && a.endNoteFolder == b.endNoteFolder &&
           a.palmInstallFolder == b.palmInstallFolder && a.palmBackupFolder == b.palmBackupFolder &&
           a.hotSyncId == b.hotSyncId;
}

bool linesFit(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) lf = text.size();
        if (lf - start + 1 >= kStrategyLineLimit) return false;
        start = lf + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Engine& e = engine();
    ConversionContext& ctx = e.ctx;
    UserSettings& settings = e.settings;
    OutputFile& output = e.output;
    const std::string_view input = asText(data, size);

    // The file reader and the text reader follow the same rules.
    const std::string path = scratchPath("Strat.jfp");
    writeFile(path, input);
    const StrategyRead fromFile = readStrategyFile(ctx, settings.strategy, path);
    const Strategy read = settings.strategy;
    settings.strategy = Strategy{};
    const StrategyRead fromText = readStrategyText(ctx, settings.strategy, input);
    RQ_FUZZ_CHECK(fromFile == fromText);
    RQ_FUZZ_CHECK(sameStrategy(read, settings.strategy));
    for (const FieldSlot& slot : read.slots)
        RQ_FUZZ_CHECK(slot.popupWords.size() <= kMaxPopupWords);

    RQ_FUZZ_CHECK(writeStrategyFile(ctx, settings.strategy, output, path));
    const std::string written = readFile(path);
    if (!linesFit(written)) return 0;
    settings.strategy = Strategy{};
    RQ_FUZZ_CHECK(readStrategyText(ctx, settings.strategy, written) == StrategyRead::Read);
    RQ_FUZZ_CHECK(sameStrategy(settings.strategy, stored(read)));
    return 0;
}
