// The five kinds of raw arrays: element type, safe-array element type, record block
// type and the command names of their members. 16-bit values travel in Integer blocks,
// whose elements are 32 bits wide: they are widened when recorded and narrowed again
// when replayed.
#pragma once

#include "com/variant.h"
#include "link/copy_data_block.h"
#include "record_blocks.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace corvid::driver {

template <class T, com::VARTYPE V, unsigned Block>
struct RawKind {
    using Element = T;
    static constexpr com::VARTYPE vt = V;
    static constexpr unsigned blockType = Block;
    static constexpr bool widened = std::is_same_v<T, std::int16_t>;

    // The record block of count elements.
    static link::CCopyDataBlock ToBlock(const T* data, std::size_t count) {
        if constexpr (widened)
            return blocks::WidenedShorts(data, count);
        else
            return blocks::Array(data, count, Block);
    }

    // Copies the block's Count elements into out, which has room for them.
    static void FromBlock(const link::CCopyDataBlock& block, T* out) {
        if (!block.HasData())
            return;
        if constexpr (widened) {
            for (std::size_t i = 0; i < block.Count(); ++i) {
                std::int32_t value;
                std::memcpy(&value, block.Data() + i * sizeof value, sizeof value);
                out[i] = static_cast<T>(value);
            }
        } else {
            std::memcpy(out, block.Data(), block.TotalSize());
        }
    }
};

struct RawDoubles : RawKind<double, com::VT_R8, link::CCopyDataBlock::Double> {
    static constexpr const char* writeCommand = "CVisaGpib::WriteRawDoubles";
    static constexpr const char* readCommand = "CVisaGpib::ReadRawDoubles";
    static constexpr const char* replayCommand = "CVisaGpib::ReadRawDoubles";
};
struct RawFloats : RawKind<float, com::VT_R4, link::CCopyDataBlock::Float> {
    static constexpr const char* writeCommand = "CVisaGpib::WriteRawFloats";
    static constexpr const char* readCommand = "CVisaGpib::ReadRawFloats";
    static constexpr const char* replayCommand = "CVisaGpib::ReadRawFloats";
};
struct Raw8Bits : RawKind<std::uint8_t, com::VT_UI1, link::CCopyDataBlock::Byte> {
    static constexpr const char* writeCommand = "CVisaGpib::WriteRaw8Bits";
    static constexpr const char* readCommand = "CVisaGpib::ReadRaw8Bits";
    static constexpr const char* replayCommand = "CVisaGpib::ReadRaw8Bits";
};
struct Raw16Bits : RawKind<std::int16_t, com::VT_I2, link::CCopyDataBlock::Integer> {
    static constexpr const char* writeCommand = "CVisaGpib::WriteRaw16Bits";
    static constexpr const char* readCommand = "CVisaGpib::ReadRaw16Bits";
    // The replay branch has always reported itself with this spelling.
    static constexpr const char* replayCommand = "CVisaGpib::ReadRaw16bits";
};
struct Raw32Bits : RawKind<std::int32_t, com::VT_I4, link::CCopyDataBlock::Long> {
    static constexpr const char* writeCommand = "CVisaGpib::WriteRaw32Bits";
    static constexpr const char* readCommand = "CVisaGpib::ReadRaw32Bits";
    static constexpr const char* replayCommand = "CVisaGpib::ReadRaw32Bits";
};

} // namespace corvid::driver
