// A little-endian byte archive: a growable writer and a bounds-checked reader. Records of
// the debugger link and of recording files are written and read through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvid::link {

// Thrown when bytes cannot be read as the layout expects.
class ArchiveException : public std::runtime_error {
public:
    enum Cause {
        generic = 1,   // malformed data not covered below
        endOfFile = 3, // fewer bytes left than the layout needs
        badSchema = 7, // a version or schema number this code does not know
    };

    ArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), cause_(cause) {}
    Cause cause() const { return cause_; }

private:
    Cause cause_;
};

class ArchiveWriter {
public:
    void PutU8(std::uint8_t value) { bytes_.push_back(value); }
    void PutU16(std::uint16_t value);
    void PutU32(std::uint32_t value);
    void PutI32(std::int32_t value) { PutU32(static_cast<std::uint32_t>(value)); }
    void PutF64(double value);
    void PutBytes(std::span<const std::uint8_t> bytes);
    // A length-prefixed text of single-byte characters, in its shortest form: one length
    // byte below 255, else 0xFF and a 16-bit length below 0xFFFE, else 0xFF, 0xFFFF and a
    // 32-bit length; no terminating zero.
    void PutText(std::string_view text);

    // Overwrites bytes already written (a count or size known only later).
    void PatchU32(std::size_t position, std::uint32_t value);

    std::size_t Position() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads from a span it does not own. Every read checks the bytes left first and throws
// ArchiveException(endOfFile) rather than reading past the end.
class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    // The reader keeps only a view: a temporary buffer would be gone before the first read.
    explicit ArchiveReader(std::vector<std::uint8_t>&&) = delete;

    std::uint8_t GetU8();
    std::uint16_t GetU16();
    std::uint32_t GetU32();
    std::int32_t GetI32() { return static_cast<std::int32_t>(GetU32()); }
    double GetF64();
    // The next count bytes, as a view into the underlying span.
    std::span<const std::uint8_t> GetBytes(std::size_t count);
    // A length-prefixed text as PutText writes it. Longer forms than needed are accepted;
    // the 16-bit marker 0xFFFE (a wide-character text) is not.
    std::string GetText();

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }
    bool AtEnd() const { return position_ == bytes_.size(); }

private:
    void Need(std::size_t count) const;

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

} // namespace corvid::link
