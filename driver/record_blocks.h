// The value blocks the driver puts into its command records.
#pragma once

#include "link/copy_data_block.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvid::driver::blocks {

using link::CCopyDataBlock;

// A block holds at most this many elements; longer data is recorded cut to it.
inline constexpr std::size_t kMaxElements = 0xFFFF;

// A Char block: the text and its zero byte (Count = length + 1), cut to kMaxElements.
CCopyDataBlock Text(std::string_view text);
// A Char block holds at most this many characters before its zero byte.
inline constexpr std::size_t kMaxTextLength = kMaxElements - 1;
// What a record says of a text of `length` characters that its Char block holds cut, as
// in "Received text cut to 65534 of 70000 characters"; empty when the text fits.
std::string TextCutNote(std::string_view blockName, std::size_t length);

// One element of a type.
CCopyDataBlock Dword(std::uint32_t value);
CCopyDataBlock Long(std::int32_t value);
CCopyDataBlock Integer(std::int32_t value);
CCopyDataBlock Byte(std::uint8_t value);
// A present block of a type without elements.
CCopyDataBlock NoElements(unsigned type);
// count elements of a type from data, cut to kMaxElements. A block of count 0 keeps its
// type (it is present in the record).
CCopyDataBlock Array(const void* data, std::size_t count, unsigned type);
// 16-bit values as an Integer block, each widened to 32 bits.
CCopyDataBlock WidenedShorts(const std::int16_t* data, std::size_t count);

} // namespace corvid::driver::blocks
