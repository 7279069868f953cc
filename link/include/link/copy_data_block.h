// CCopyDataBlock: a small typed array of values (integers, reals, bytes, text, ...) as the
// command record carries them, with its serialised form and its display texts.
#pragma once

#include "link/archive.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace corvid::link {

class CCopyDataBlock {
public:
    // Data type codes. Codes 9 to 15 fit the 4-bit field but are invalid.
    enum DataType : unsigned {
        Integer = 0, // 32-bit signed, although editors label it as a short
        Long = 1,
        Float = 2,
        Double = 3,
        Byte = 4,
        Char = 5, // text; the terminating zero byte is one of the elements
        Dword = 6,
        Unknown = 7,
        Empty = 8,
    };

    static constexpr std::uint8_t currentVersion = 2;

    // An Empty block without data.
    CCopyDataBlock() = default;
    // Copies count elements of the given type from source. A null source, or type Unknown
    // or Empty, gives a block without data; see the definition for the exact rules and the
    // message boxes shown for invalid types.
    CCopyDataBlock(const void* source, std::uint16_t count, unsigned type);

    // Copies take the assignment rules: a block of a storable type whose buffer is null
    // becomes Empty, Unknown and Empty blocks lose their count, and a block with a buffer
    // but a type that carries no data becomes Unknown.
    CCopyDataBlock(const CCopyDataBlock& other);
    CCopyDataBlock& operator=(const CCopyDataBlock& other);
    // A moved-from block is Empty.
    CCopyDataBlock(CCopyDataBlock&& other) noexcept;
    CCopyDataBlock& operator=(CCopyDataBlock&& other) noexcept;
    ~CCopyDataBlock() = default;

    // Element size of a type code; for an invalid code shows a message box and returns 0.
    static std::size_t GetByteSize(unsigned type);

    unsigned Type() const { return type_; }
    std::uint16_t Count() const { return count_; }
    std::uint8_t Version() const { return version_; }
    // The buffer; null for a block without data. A block may hold a non-null buffer of no
    // bytes (count 0 of a storable type), which is not the same as having none.
    const std::uint8_t* Data() const { return data_.get(); }
    bool HasData() const { return data_ != nullptr; }
    // Count() x GetByteSize(Type()).
    std::size_t TotalSize() const;
    // The element bytes as serialised; empty without data.
    std::span<const std::uint8_t> Bytes() const;

    void Store(ArchiveWriter& archive) const;
    // Reads a block in place of this one. Throws ArchiveException; on failure the block is
    // unchanged.
    void Load(ArchiveReader& archive);
    // The block's form without its leading version byte, as the first recording files hold it.
    void LoadWithoutVersion(ArchiveReader& archive);

    // All elements as one text, cut with "..." once it reaches maxLength characters. Leaves
    // out unchanged when the block has no buffer.
    void GetString(std::string& out, std::size_t maxLength) const;
    // With full set, the text above (starting from an empty text); otherwise a one-line
    // summary: the value of a single element, or a description such as "12 element,
    // double array".
    std::string GetString(bool full, std::size_t maxLength) const;

private:
    void AssignFrom(const CCopyDataBlock& other);
    void Reset() noexcept;
    std::string ElementText(std::size_t index) const;
    std::string CharText(std::size_t maxLength) const;
    void NumericText(std::string& out, std::size_t maxLength) const;

    std::unique_ptr<std::uint8_t[]> data_;
    std::uint8_t version_ = currentVersion;
    std::uint16_t count_ = 0;
    unsigned type_ = Empty; // 0 to 15
};

} // namespace corvid::link
