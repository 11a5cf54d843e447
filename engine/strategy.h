// SPDX-License-Identifier: MIT
#pragma once
// The user's choices for every field plus the global numbers and folder settings, and the two
// operations that bind them to the main window's check boxes and width entries.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalogue.h"

namespace rq {

inline constexpr std::size_t kMaxPopupWords = 100;

struct FieldSlot {
    std::int32_t fieldType = 0;
    std::int32_t columnWidth = 0;
    std::int32_t maxLength = 0;
    bool selected = false;
    char popupLetter = 0;  // 0: no letter; set only by assignPopupLetters, never stored
    std::vector<std::string> popupWords;
};

struct Strategy {
    std::array<FieldSlot, kFieldCount + 1> slots{};  // indexed by field number, 0 unused
    std::int32_t dataWidth = 0;
    std::int32_t firstColumn = 0;
    std::int32_t lockFlags = 0;
    std::string endNoteFolder;
    std::string palmInstallFolder;
    std::string palmBackupFolder;
    std::string hotSyncId;
};

inline constexpr std::int32_t kLockedFlags = 8;

// What showInWindow and collectFromWindow need of the main window. The desktop program binds it
// to its controls; headless runs use InMemoryStrategyWindow.
class StrategyWindow {
  public:
    virtual ~StrategyWindow() = default;
    virtual bool fieldTicked(int n) const = 0;
    virtual void setFieldTicked(int n, bool ticked) = 0;
    virtual void setFieldCaption(int n, std::string_view caption) = 0;
    virtual void setFieldBold(int n, bool bold) = 0;
    virtual std::string widthText(int n) const = 0;
    virtual void setWidthText(int n, std::string_view text) = 0;
    virtual bool lockTicked() const = 0;
    virtual void setLockTicked(bool ticked) = 0;
};

class InMemoryStrategyWindow final : public StrategyWindow {
  public:
    struct Field {
        bool ticked = false;
        bool bold = false;
        std::string caption;
        std::string widthText;
    };
    std::array<Field, kFieldCount + 1> fields{};
    bool lock = false;

    bool fieldTicked(int n) const override { return fields[n].ticked; }
    void setFieldTicked(int n, bool ticked) override { fields[n].ticked = ticked; }
    void setFieldCaption(int n, std::string_view caption) override { fields[n].caption = caption; }
    void setFieldBold(int n, bool bold) override { fields[n].bold = bold; }
    std::string widthText(int n) const override { return fields[n].widthText; }
    void setWidthText(int n, std::string_view text) override { fields[n].widthText = text; }
    bool lockTicked() const override { return lock; }
    void setLockTicked(bool ticked) override { lock = ticked; }
};

// Clears selection and lengths and the three numbers, then shows the strategy in the window.
// Types, column widths, word lists and folders stay.
void resetStrategy(Strategy& strategy, StrategyWindow& window);
void showInWindow(const Strategy& strategy, StrategyWindow& window);
void collectFromWindow(Strategy& strategy, const StrategyWindow& window);

// Gives every selected popup field the letter of its position among the selected fields and
// returns the number of selected fields.
int assignPopupLetters(Strategy& strategy);

// The letter for position p (1 to 31) among the selected fields: "a" to "z", then "B" to "F".
char popupLetterFor(int position);

// Whole-number parsing as the strategy file and the entries need it: optional sign, decimal
// digits, nothing else (no blanks), within 32 bits. Returns false for anything else.
bool parseWholeNumber(std::string_view text, std::int32_t& value);

}  // namespace rq
