// The Edit/Change Data dialog without its window: it works on a copy of one data block
// and builds a new block of one element from the typed value.
#pragma once

#include "link/copy_data_block.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::debugger {

class Prompt;

class DataDialog {
public:
    struct TypeChoice {
        std::string_view label;
        unsigned type;
    };
    // "VT_I2 (short)" ... "dword (32 bit value)", "empty/null", in list order.
    static const std::array<TypeChoice, 8>& TypeChoices();

    // block null: the dialog opened without a block.
    explicit DataDialog(const link::CCopyDataBlock* block);

    // Fills the controls from the block: "CDB NULL" without a block, "Error selecting data
    // type" for a type the list lacks; a block of several non-text elements opens in
    // array mode with one line per element, anything else in single mode with its summary.
    void Open(Prompt& prompt);

    std::optional<int> TypeIndex() const { return typeIndex_; }
    void ChooseType(int index);
    bool ArrayMode() const { return arrayMode_; }
    // Arrays cannot be edited: says so and returns to single mode.
    void ChooseArrayMode(Prompt& prompt);
    void ChooseSingleElement() { arrayMode_ = false; }

    bool ModeChoiceEnabled() const { return SelectedType() != link::CCopyDataBlock::Empty; }
    bool ValueEnabled() const { return ModeChoiceEnabled() && !arrayMode_; }
    bool ElementListEnabled() const { return ModeChoiceEnabled() && arrayMode_; }

    std::string valueText;
    const std::vector<std::string>& ElementLines() const { return elementLines_; }

    // OK: true when the dialog closes, with Result() the new block; false (a message was
    // shown, or the dword warning was declined) keeps it open.
    bool Accept(Prompt& prompt);
    const link::CCopyDataBlock& Result() const { return result_; }

private:
    unsigned SelectedType() const;
    void FillElementLines(Prompt& prompt);
    std::optional<link::CCopyDataBlock> SingleElement(Prompt& prompt, bool& declined) const;

    std::optional<link::CCopyDataBlock> original_;
    std::optional<int> typeIndex_;
    bool arrayMode_ = false;
    std::vector<std::string> elementLines_;
    link::CCopyDataBlock result_;
};

} // namespace corvid::debugger
