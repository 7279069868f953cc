#include "link/archive.h"

#include <bit>

namespace corvid::link {

void ArchiveWriter::PutU16(std::uint16_t value) {
    PutU8(static_cast<std::uint8_t>(value));
    PutU8(static_cast<std::uint8_t>(value >> 8));
}

void ArchiveWriter::PutU32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        PutU8(static_cast<std::uint8_t>(value >> shift));
}

void ArchiveWriter::PutF64(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8)
        PutU8(static_cast<std::uint8_t>(bits >> shift));
}

void ArchiveWriter::PutBytes(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void ArchiveWriter::PutText(std::string_view text) {
    const std::size_t length = text.size();
    if (length < 0xFF) {
        PutU8(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        PutU8(0xFF);
        PutU16(static_cast<std::uint16_t>(length));
    } else {
        if (length > 0xFFFFFFFFu)
            throw std::length_error("text too long for an archive");
        PutU8(0xFF);
        PutU16(0xFFFF);
        PutU32(static_cast<std::uint32_t>(length));
    }
    PutBytes({reinterpret_cast<const std::uint8_t*>(text.data()), length});
}

void ArchiveWriter::PatchU32(std::size_t position, std::uint32_t value) {
    if (position > bytes_.size() || bytes_.size() - position < 4)
        throw std::out_of_range("archive patch past the end");
    for (int i = 0; i < 4; ++i)
        bytes_[position + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void ArchiveReader::Need(std::size_t count) const {
    if (Remaining() < count)
        throw ArchiveException(ArchiveException::endOfFile,
                               "unexpected end of data: " + std::to_string(count) +
                                   " bytes needed at offset " + std::to_string(position_) + ", " +
                                   std::to_string(Remaining()) + " left");
}

std::uint8_t ArchiveReader::GetU8() {
    Need(1);
    return bytes_[position_++];
}

std::uint16_t ArchiveReader::GetU16() {
    Need(2);
    const auto value = static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
    position_ += 2;
    return value;
}

std::uint32_t ArchiveReader::GetU32() {
    Need(4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes_[position_ + static_cast<std::size_t>(i)];
    position_ += 4;
    return value;
}

double ArchiveReader::GetF64() {
    Need(8);
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | bytes_[position_ + static_cast<std::size_t>(i)];
    position_ += 8;
    return std::bit_cast<double>(bits);
}

std::span<const std::uint8_t> ArchiveReader::GetBytes(std::size_t count) {
    Need(count);
    auto view = bytes_.subspan(position_, count);
    position_ += count;
    return view;
}

std::string ArchiveReader::GetText() {
    std::size_t length = GetU8();
    if (length == 0xFF) {
        length = GetU16();
        if (length == 0xFFFE)
            throw ArchiveException(ArchiveException::generic, "wide-character text in a byte archive");
        if (length == 0xFFFF)
            length = GetU32();
    }
    const auto bytes = GetBytes(length);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace corvid::link
