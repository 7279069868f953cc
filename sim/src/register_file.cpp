#include "register_file.h"

namespace corvid::sim {

bool RegisterFile::Read(uint32_t offset, int width, uint32_t& value) const {
    if (!Inside(offset, width)) {
        return false;
    }
    value = 0;
    for (int i = 0; i < width; ++i) {
        int shift = order_ == Order::BigEndian ? 8 * (width - 1 - i) : 8 * i;
        value |= static_cast<uint32_t>(bytes_[offset + static_cast<uint32_t>(i)]) << shift;
    }
    return true;
}

bool RegisterFile::Write(uint32_t offset, int width, uint32_t value) {
    if (!Inside(offset, width)) {
        return false;
    }
    for (int i = 0; i < width; ++i) {
        int shift = order_ == Order::BigEndian ? 8 * (width - 1 - i) : 8 * i;
        std::size_t at = offset + static_cast<uint32_t>(i);
        if (!readOnly_[at]) {
            bytes_[at] = static_cast<uint8_t>(value >> shift);
        }
    }
    return true;
}

void RegisterFile::Set(uint32_t offset, int width, uint32_t value, bool readOnly) {
    if (!Inside(offset, width)) {
        return;
    }
    for (int i = 0; i < width; ++i) {
        int shift = order_ == Order::BigEndian ? 8 * (width - 1 - i) : 8 * i;
        std::size_t at = offset + static_cast<uint32_t>(i);
        bytes_[at] = static_cast<uint8_t>(value >> shift);
        readOnly_[at] = readOnly;
    }
}

} // namespace corvid::sim
