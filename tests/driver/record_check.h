// Expected blocks of a command record, compared block for block.
#pragma once

#include "link/gpib_command_info.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace corvid::driver::testing {

struct ExpectedBlock {
    unsigned type = link::CCopyDataBlock::Empty;
    std::uint16_t count = 0;
    std::string bytes;
};

inline ExpectedBlock Absent() {
    return {};
}
inline ExpectedBlock TextBlock(const std::string& text) {
    return {link::CCopyDataBlock::Char, static_cast<std::uint16_t>(text.size() + 1),
            text + std::string(1, '\0')};
}
template <class T>
ExpectedBlock ValuesBlock(unsigned type, const std::vector<T>& values) {
    std::string bytes(values.size() * sizeof(T), '\0');
    if (!values.empty())
        std::memcpy(bytes.data(), values.data(), bytes.size());
    return {type, static_cast<std::uint16_t>(values.size()), bytes};
}
inline ExpectedBlock DwordBlock(std::uint32_t value) {
    return ValuesBlock<std::uint32_t>(link::CCopyDataBlock::Dword, {value});
}
inline ExpectedBlock LongBlock(std::int32_t value) {
    return ValuesBlock<std::int32_t>(link::CCopyDataBlock::Long, {value});
}
inline ExpectedBlock IntegerBlock(std::int32_t value) {
    return ValuesBlock<std::int32_t>(link::CCopyDataBlock::Integer, {value});
}
inline ExpectedBlock ByteBlock(std::uint8_t value) {
    return ValuesBlock<std::uint8_t>(link::CCopyDataBlock::Byte, {value});
}
inline ExpectedBlock NoElementsBlock(unsigned type) {
    return {type, 0, {}};
}

struct ExpectedRecord {
    std::uint8_t action;
    ExpectedBlock parameters = {};
    ExpectedBlock received = {};
    ExpectedBlock sent = {};
    std::uint8_t board = 0;
    std::uint8_t address = 22;
};

// Checks action, addresses, presence bits and every block of a record.
void ExpectRecord(const link::CGPIBCommandInfo& record, const ExpectedRecord& expected);
// Checks a sequence of records.
void ExpectRecords(const std::vector<link::CGPIBCommandInfo>& records,
                   const std::vector<ExpectedRecord>& expected);

} // namespace corvid::driver::testing
