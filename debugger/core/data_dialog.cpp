#include "debugger/data_dialog.h"

#include "debugger/prompt.h"
#include "debugger/value_checks.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

namespace corvid::debugger {
namespace {

using link::CCopyDataBlock;

constexpr const char* kValueRefused = "The value entered is not correct for the data type chosen.\r\n\r\n"
                                      "Please ensure the value entered matches the data type and try again.";

constexpr const char* kDwordWarning =
    "Because I'm lame, the DWORD value entered is actually beaing translated as a normal integer.\r\n"
    "This means that even though the number was displayed in hex, the program requires\r\n"
    "that you enter the decimal equivalent.\r\n\r\n"
    "Sorry about that. Do you want to continue now that you know what you know?, You know?";

template <typename T>
T ElementAt(const CCopyDataBlock& block, std::size_t index) {
    T value;
    std::memcpy(&value, block.Data() + index * sizeof(T), sizeof(T));
    return value;
}

std::string Scientific(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 4);
    return std::string(text, result.ptr);
}

std::string Formatted(const char* format, long long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string ElementLine(const CCopyDataBlock& block, std::size_t index) {
    switch (block.Type()) {
    case CCopyDataBlock::Integer:
    case CCopyDataBlock::Long:
        return Formatted("%lld", ElementAt<std::int32_t>(block, index));
    case CCopyDataBlock::Byte:
        return Formatted("%lld", ElementAt<std::uint8_t>(block, index));
    case CCopyDataBlock::Float:
        return Scientific(ElementAt<float>(block, index));
    case CCopyDataBlock::Double:
        return Scientific(ElementAt<double>(block, index));
    default:
        return Formatted("0x%.8llX", ElementAt<std::uint32_t>(block, index));
    }
}

template <typename T>
CCopyDataBlock OneElement(T value, unsigned type) {
    return CCopyDataBlock(&value, 1, type);
}

std::optional<std::int32_t> Int32(std::string_view text) {
    const std::optional<std::int64_t> value = IntegerCheck(text);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
        *value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(*value);
}

} // namespace

const std::array<DataDialog::TypeChoice, 8>& DataDialog::TypeChoices() {
    static const std::array<TypeChoice, 8> choices = {{{"VT_I2 (short)", CCopyDataBlock::Integer},
                                                       {"VT_I4 (long)", CCopyDataBlock::Long},
                                                       {"VT_R4 (float)", CCopyDataBlock::Float},
                                                       {"VT_R8 (double)", CCopyDataBlock::Double},
                                                       {"VT_UI1 (byte)", CCopyDataBlock::Byte},
                                                       {"string/char", CCopyDataBlock::Char},
                                                       {"dword (32 bit value)", CCopyDataBlock::Dword},
                                                       {"empty/null", CCopyDataBlock::Empty}}};
    return choices;
}

DataDialog::DataDialog(const CCopyDataBlock* block) {
    if (block)
        original_ = *block;
}

void DataDialog::Open(Prompt& prompt) {
    if (!original_) {
        prompt.Ask("CDB NULL");
        return;
    }
    const CCopyDataBlock& block = *original_;
    result_ = block;
    typeIndex_.reset();
    for (std::size_t i = 0; i < TypeChoices().size(); ++i)
        if (TypeChoices()[i].type == block.Type())
            typeIndex_ = static_cast<int>(i);
    if (!typeIndex_)
        prompt.Ask("Error selecting data type");
    arrayMode_ = block.Count() > 1 && block.Type() != CCopyDataBlock::Char;
    if (arrayMode_)
        FillElementLines(prompt);
    else
        valueText = block.GetString(false, std::numeric_limits<std::size_t>::max());
}

void DataDialog::FillElementLines(Prompt& prompt) {
    const CCopyDataBlock& block = *original_;
    elementLines_.clear();
    if (block.Type() > CCopyDataBlock::Empty) {
        prompt.Ask("Invalid CCopyDataBlock data type detected while filling list");
        return;
    }
    if (!block.HasData() || block.Type() >= CCopyDataBlock::Unknown)
        return;
    for (std::size_t i = 0; i < block.Count(); ++i)
        elementLines_.push_back(ElementLine(block, i));
}

void DataDialog::ChooseType(int index) {
    if (index >= 0 && index < static_cast<int>(TypeChoices().size()))
        typeIndex_ = index;
}

void DataDialog::ChooseArrayMode(Prompt& prompt) {
    prompt.Ask("Sorry, the code required for saving or editing arrays of data has not been completed.\r\n"
               "You can only set or modify single elements",
               "Not supported", MsgButtons::Ok, MsgIcon::Warning);
    arrayMode_ = false;
}

unsigned DataDialog::SelectedType() const {
    return typeIndex_ ? TypeChoices()[static_cast<std::size_t>(*typeIndex_)].type : CCopyDataBlock::Unknown;
}

std::optional<CCopyDataBlock> DataDialog::SingleElement(Prompt& prompt, bool& declined) const {
    switch (SelectedType()) {
    case CCopyDataBlock::Integer:
    case CCopyDataBlock::Long:
        if (const auto value = Int32(valueText))
            return OneElement(*value, SelectedType());
        return std::nullopt;
    case CCopyDataBlock::Byte:
        if (const auto value = IntegerCheck(valueText); value && *value >= 0 && *value <= 255)
            return OneElement(static_cast<std::uint8_t>(*value), CCopyDataBlock::Byte);
        return std::nullopt;
    case CCopyDataBlock::Float:
        if (const auto value = RealCheck(valueText);
            value && std::abs(*value) <= std::numeric_limits<float>::max())
            return OneElement(static_cast<float>(*value), CCopyDataBlock::Float);
        return std::nullopt;
    case CCopyDataBlock::Double:
        if (const auto value = RealCheck(valueText))
            return OneElement(*value, CCopyDataBlock::Double);
        return std::nullopt;
    case CCopyDataBlock::Char:
        // The terminating zero is one of the elements.
        if (valueText.size() + 1 > std::numeric_limits<std::uint16_t>::max())
            return std::nullopt;
        return CCopyDataBlock(valueText.c_str(), static_cast<std::uint16_t>(valueText.size() + 1),
                              CCopyDataBlock::Char);
    case CCopyDataBlock::Dword:
        if (prompt.Ask(kDwordWarning, "Warning", MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
            declined = true;
            return std::nullopt;
        }
        if (const auto value = IntegerCheck(valueText); value &&
                                                        *value >= std::numeric_limits<std::int32_t>::min() &&
                                                        *value <= std::numeric_limits<std::uint32_t>::max())
            return OneElement(static_cast<std::uint32_t>(*value), CCopyDataBlock::Dword);
        return std::nullopt;
    case CCopyDataBlock::Empty:
        return CCopyDataBlock();
    default:
        return std::nullopt;
    }
}

bool DataDialog::Accept(Prompt& prompt) {
    if (arrayMode_ && SelectedType() != CCopyDataBlock::Empty) {
        // Arrays cannot be edited: the block stays as it came.
        result_ = original_ ? *original_ : CCopyDataBlock();
        return true;
    }
    bool declined = false;
    std::optional<CCopyDataBlock> block = SingleElement(prompt, declined);
    if (declined)
        return false;
    if (!block) {
        prompt.Ask(kValueRefused);
        return false;
    }
    result_ = std::move(*block);
    return true;
}

} // namespace corvid::debugger
