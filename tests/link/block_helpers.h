// Small helpers for building and serialising value blocks in tests.
#pragma once

#include "link/copy_data_block.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvid::link::testing {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
CCopyDataBlock BlockOf(const std::vector<T>& values, unsigned type) {
    return CCopyDataBlock(values.data(), static_cast<std::uint16_t>(values.size()), type);
}

// A Char block of a text with its terminating zero.
inline CCopyDataBlock TextBlock(const std::string& text) {
    return CCopyDataBlock(text.c_str(), static_cast<std::uint16_t>(text.size() + 1), CCopyDataBlock::Char);
}

inline Bytes StoredBytes(const CCopyDataBlock& block) {
    ArchiveWriter writer;
    block.Store(writer);
    return writer.Take();
}

inline CCopyDataBlock LoadedBlock(const Bytes& bytes) {
    ArchiveReader reader(bytes);
    CCopyDataBlock block;
    block.Load(reader);
    return block;
}

inline Bytes ElementBytes(const CCopyDataBlock& block) {
    const auto bytes = block.Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

} // namespace corvid::link::testing
