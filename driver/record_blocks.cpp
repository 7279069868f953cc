#include "record_blocks.h"

#include <algorithm>
#include <string>
#include <vector>

namespace corvid::driver::blocks {
namespace {

std::uint16_t CutCount(std::size_t count) {
    return static_cast<std::uint16_t>(std::min(count, kMaxElements));
}

// A non-null source for blocks without elements: a null one would make the block Empty.
constexpr std::uint8_t kNothing = 0;

} // namespace

CCopyDataBlock Text(std::string_view text) {
    std::string bytes(text.substr(0, kMaxTextLength));
    bytes.push_back('\0');
    return CCopyDataBlock(bytes.data(), CutCount(bytes.size()), CCopyDataBlock::Char);
}

std::string TextCutNote(std::string_view blockName, std::size_t length) {
    if (length <= kMaxTextLength)
        return {};
    return std::string(blockName) + " text cut to " + std::to_string(kMaxTextLength) + " of " +
           std::to_string(length) + " characters";
}

CCopyDataBlock Dword(std::uint32_t value) {
    return CCopyDataBlock(&value, 1, CCopyDataBlock::Dword);
}

CCopyDataBlock Long(std::int32_t value) {
    return CCopyDataBlock(&value, 1, CCopyDataBlock::Long);
}

CCopyDataBlock Integer(std::int32_t value) {
    return CCopyDataBlock(&value, 1, CCopyDataBlock::Integer);
}

CCopyDataBlock Byte(std::uint8_t value) {
    return CCopyDataBlock(&value, 1, CCopyDataBlock::Byte);
}

CCopyDataBlock NoElements(unsigned type) {
    return CCopyDataBlock(&kNothing, 0, type);
}

CCopyDataBlock Array(const void* data, std::size_t count, unsigned type) {
    if (count == 0 || !data)
        return NoElements(type);
    return CCopyDataBlock(data, CutCount(count), type);
}

CCopyDataBlock WidenedShorts(const std::int16_t* data, std::size_t count) {
    if (count == 0 || !data)
        return NoElements(CCopyDataBlock::Integer);
    std::vector<std::int32_t> widened(data, data + std::min(count, kMaxElements));
    return CCopyDataBlock(widened.data(), CutCount(widened.size()), CCopyDataBlock::Integer);
}

} // namespace corvid::driver::blocks
