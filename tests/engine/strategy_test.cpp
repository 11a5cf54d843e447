// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "engine/strategy.h"

namespace rq {
namespace {

// The factory selection, types and lengths, set directly (the strategy file is tested on its own).
Strategy factoryLikeStrategy() {
    Strategy s;
    for (int n = 1; n <= kFieldCount; ++n) {
        s.slots[n].selected = FieldCatalogue[n].selected;
        s.slots[n].fieldType = FieldCatalogue[n].fieldType;
        s.slots[n].columnWidth = FieldCatalogue[n].columnWidth;
        s.slots[n].maxLength = kDefaultMaxLength;
    }
    s.lockFlags = kLockedFlags;
    return s;
}

std::string letters(const Strategy& s) {
    std::string out;
    for (int n = 1; n <= kFieldCount; ++n)
        out += s.slots[n].popupLetter ? s.slots[n].popupLetter : '.';
    return out;
}

TEST(PopupLetters, FactoryDefaultsGiveFifteenFieldsAndFourLetters) {
    Strategy s = factoryLikeStrategy();
    EXPECT_EQ(assignPopupLetters(s), 15);
    EXPECT_EQ(letters(s), "a.c...gh.......................");
}

TEST(PopupLetters, PositionsBeyondTwentySixSkipCapitalA) {
    Strategy s = factoryLikeStrategy();
    for (int n = 1; n <= kFieldCount; ++n) s.slots[n].selected = true;
    s.slots[27].fieldType = NormalPopup;
    s.slots[31].fieldType = MultiplePopup;
    EXPECT_EQ(assignPopupLetters(s), 31);
    EXPECT_EQ(s.slots[27].popupLetter, 'B');
    EXPECT_EQ(s.slots[31].popupLetter, 'F');
    EXPECT_EQ(popupLetterFor(26), 'z');
}

TEST(PopupLetters, LettersFollowPositionAndAreGivenAfresh) {
    Strategy s = factoryLikeStrategy();
    s.slots[1].selected = false;
    EXPECT_EQ(assignPopupLetters(s), 14);
    EXPECT_EQ(letters(s), "..b...fg.......................");

    s.slots[3].fieldType = String;
    assignPopupLetters(s);
    EXPECT_EQ(s.slots[3].popupLetter, 0);

    for (int n = 1; n <= kFieldCount; ++n) s.slots[n].selected = false;
    EXPECT_EQ(assignPopupLetters(s), 0);
    EXPECT_EQ(letters(s), std::string(31, '.'));
}

TEST(PopupLetters, UnknownTypeCodeGetsNoLetter) {
    Strategy s = factoryLikeStrategy();
    s.slots[1].fieldType = 7;
    assignPopupLetters(s);
    EXPECT_EQ(s.slots[1].popupLetter, 0);
}

TEST(StrategyWindowBinding, ShowSetsTicksCaptionsBoldAndWidths) {
    Strategy s = factoryLikeStrategy();
    s.slots[4].maxLength = 120;
    InMemoryStrategyWindow w;
    showInWindow(s, w);
    EXPECT_TRUE(w.fields[15].ticked);
    EXPECT_FALSE(w.fields[16].ticked);
    EXPECT_EQ(w.fields[30].caption, "Custom 3");
    EXPECT_EQ(w.fields[16].caption, "# of Vols");
    EXPECT_TRUE(w.fields[1].bold);
    EXPECT_TRUE(w.fields[8].bold);
    EXPECT_FALSE(w.fields[2].bold);
    EXPECT_EQ(w.fields[4].widthText, "120");
    EXPECT_EQ(w.fields[5].widthText, "3990");
    EXPECT_TRUE(w.lock);
}

TEST(StrategyWindowBinding, LockShownOnlyForExactlyEight) {
    for (int flags : {7, 9, 0}) {
        Strategy s = factoryLikeStrategy();
        s.lockFlags = flags;
        InMemoryStrategyWindow w;
        showInWindow(s, w);
        EXPECT_FALSE(w.lock) << flags;
        collectFromWindow(s, w);
        EXPECT_EQ(s.lockFlags, 0);
    }
}

TEST(StrategyWindowBinding, CollectTakesTicksLengthsAndLeavesTypesAlone) {
    Strategy s = factoryLikeStrategy();
    InMemoryStrategyWindow w;
    showInWindow(s, w);
    w.fields[20].ticked = true;
    w.fields[2].widthText = "5";
    w.fields[3].widthText = "12x";  // still being typed when the window closed
    s.slots[9].fieldType = 81;
    collectFromWindow(s, w);
    EXPECT_TRUE(s.slots[20].selected);
    EXPECT_EQ(s.slots[2].maxLength, 5);
    EXPECT_EQ(s.slots[3].maxLength, kDefaultMaxLength);
    EXPECT_EQ(s.slots[9].fieldType, 81);
}

TEST(StrategyWindowBinding, ResetClearsSelectionLengthsAndNumbersOnly) {
    Strategy s = factoryLikeStrategy();
    s.slots[1].popupWords = {"Book"};
    s.endNoteFolder = "x";
    s.dataWidth = 110;
    InMemoryStrategyWindow w;
    resetStrategy(s, w);
    EXPECT_FALSE(s.slots[1].selected);
    EXPECT_EQ(s.slots[1].maxLength, 0);
    EXPECT_EQ(s.slots[1].fieldType, 64);
    EXPECT_EQ(s.slots[1].popupWords.size(), 1u);
    EXPECT_EQ(s.dataWidth, 0);
    EXPECT_EQ(s.endNoteFolder, "x");
    EXPECT_EQ(w.fields[1].widthText, "0");
    EXPECT_FALSE(w.fields[1].ticked);
}

TEST(WholeNumbers, AcceptsSignedDecimalOnly) {
    std::int32_t v = 0;
    EXPECT_TRUE(parseWholeNumber("3990", v));
    EXPECT_EQ(v, 3990);
    EXPECT_TRUE(parseWholeNumber("-1", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(parseWholeNumber("+5", v));
    EXPECT_EQ(v, 5);
    for (const char* bad : {"", "abc", "12x", " 5", "5 ", "+-5", "-", "99999999999"})
        EXPECT_FALSE(parseWholeNumber(bad, v)) << bad;
}

}  // namespace
}  // namespace rq
