#include "link/copy_data_block.h"

#include "block_messages.h"

#include <cstring>
#include <string>
#include <utility>

namespace corvid::link {

CCopyDataBlock::CCopyDataBlock(const void* source, std::uint16_t count, unsigned type) {
    if (type > Empty)
        ShowBlockMessage("Invalid data type passed to 3 param constructor", type);
    count_ = count;
    type_ = type & 0x0F;
    if (source != nullptr && type != Unknown && type != Empty) {
        const std::size_t size = GetByteSize(type_) * count_;
        // Allocated even for no bytes: a non-null empty buffer keeps the block's type.
        data_.reset(new std::uint8_t[size]);
        if (size > 0)
            std::memcpy(data_.get(), source, size);
    } else {
        count_ = 0;
        if (type != Empty)
            type_ = source != nullptr ? Unknown : Empty;
    }
    if (type > Empty)
        ShowBlockMessage("3 param constructor calculated invalid data type", type);
}

CCopyDataBlock::CCopyDataBlock(const CCopyDataBlock& other) {
    AssignFrom(other);
}

CCopyDataBlock& CCopyDataBlock::operator=(const CCopyDataBlock& other) {
    if (this != &other)
        AssignFrom(other);
    return *this;
}

CCopyDataBlock::CCopyDataBlock(CCopyDataBlock&& other) noexcept
    : data_(std::move(other.data_)), version_(other.version_), count_(other.count_), type_(other.type_) {
    other.Reset();
}

CCopyDataBlock& CCopyDataBlock::operator=(CCopyDataBlock&& other) noexcept {
    if (this != &other) {
        data_ = std::move(other.data_);
        version_ = other.version_;
        count_ = other.count_;
        type_ = other.type_;
        other.Reset();
    }
    return *this;
}

void CCopyDataBlock::Reset() noexcept {
    data_.reset();
    version_ = currentVersion;
    count_ = 0;
    type_ = Empty;
}

void CCopyDataBlock::AssignFrom(const CCopyDataBlock& other) {
    if (other.type_ > Empty)
        ShowBlockMessage("Invalid data type passed to assignment operator", other.type_);
    std::unique_ptr<std::uint8_t[]> data;
    std::uint16_t count = other.count_;
    unsigned type = other.type_;
    if (other.data_ && type != Unknown && type != Empty) {
        const std::size_t size = GetByteSize(type) * count;
        data.reset(new std::uint8_t[size]);
        if (size > 0)
            std::memcpy(data.get(), other.data_.get(), size);
    } else {
        count = 0;
        // An Unknown block never has a buffer, yet it stays Unknown so that a record built
        // from it still marks it present.
        if (other.type_ != Empty)
            type = other.data_ || other.type_ == Unknown ? Unknown : Empty;
    }
    data_ = std::move(data);
    count_ = count;
    type_ = type;
    if (type_ > Empty)
        ShowBlockMessage("assignment operator calculated invalid data type", type_);
}

std::size_t CCopyDataBlock::GetByteSize(unsigned type) {
    switch (type) {
    case Integer:
    case Long:
    case Float:
    case Dword:
        return 4;
    case Double:
        return 8;
    case Byte:
    case Char:
        return 1;
    case Unknown:
    case Empty:
        return 0;
    default:
        ShowBlockMessage("Invalid CCopyDataBlock data type", type, "detected in GetByteSize");
        return 0;
    }
}

std::size_t CCopyDataBlock::TotalSize() const {
    return GetByteSize(type_) * count_;
}

std::span<const std::uint8_t> CCopyDataBlock::Bytes() const {
    if (!data_)
        return {};
    return {data_.get(), TotalSize()};
}

void CCopyDataBlock::Store(ArchiveWriter& archive) const {
    archive.PutU8(currentVersion);
    archive.PutU16(count_);
    archive.PutU8(static_cast<std::uint8_t>(type_ & 0x0F));
    archive.PutU8(0); // reserved
    if (data_)
        archive.PutBytes(Bytes());
}

void CCopyDataBlock::Load(ArchiveReader& archive) {
    const std::uint8_t version = archive.GetU8();
    LoadWithoutVersion(archive);
    version_ = version;
}

void CCopyDataBlock::LoadWithoutVersion(ArchiveReader& archive) {
    const std::uint16_t count = archive.GetU16();
    const unsigned type = archive.GetU8() & 0x0Fu;
    archive.GetU8(); // reserved
    std::unique_ptr<std::uint8_t[]> data;
    // A block of a storable type stored with no elements came from a non-null empty buffer;
    // loading it the same way keeps its type when the block is copied.
    if (count > 0 || type < Unknown) {
        // The size is at most 65535 x 8 bytes, and the reader checks it before anything is
        // allocated.
        const auto bytes = archive.GetBytes(GetByteSize(type) * count);
        data.reset(new std::uint8_t[bytes.size()]);
        if (!bytes.empty())
            std::memcpy(data.get(), bytes.data(), bytes.size());
    }
    data_ = std::move(data);
    count_ = count;
    type_ = type;
}

} // namespace corvid::link
