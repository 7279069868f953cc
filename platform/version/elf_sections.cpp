#include "elf_sections.h"

#include <cstring>

namespace corvid::platform::version_detail {
namespace {

constexpr std::uint64_t kHeaderSize = 64;
constexpr std::uint64_t kSectionHeaderSize = 64;
constexpr std::uint32_t kNoBits = 8;             // SHT_NOBITS: a section without file contents
constexpr std::uint16_t kExtendedIndex = 0xFFFF; // SHN_XINDEX: the real index is in section 0
constexpr std::size_t kRecordSize = 7 * 4;
constexpr unsigned char kMagic[] = {0x7F, 'E', 'L', 'F'};

std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(Le16(p)) | static_cast<std::uint32_t>(Le16(p + 2)) << 16;
}

std::uint64_t Le64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Le32(p)) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

struct SectionHeader {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

class SectionTable {
public:
    SectionTable(const ByteSource& source, std::uint64_t offset, std::uint64_t entrySize)
        : source_(source), offset_(offset), entrySize_(entrySize) {}

    // Header i; the caller has checked that the table fits in the file.
    std::optional<SectionHeader> At(std::uint64_t index) const {
        unsigned char raw[kSectionHeaderSize];
        if (!source_.ReadAt(offset_ + index * entrySize_, raw, sizeof raw))
            return std::nullopt;
        return SectionHeader{Le32(raw), Le32(raw + 4), Le64(raw + 24), Le64(raw + 32), Le32(raw + 40)};
    }

    bool Fits(std::uint64_t count) const {
        std::uint64_t size = source_.Size();
        return offset_ <= size && count <= (size - offset_) / entrySize_;
    }

private:
    const ByteSource& source_;
    std::uint64_t offset_;
    std::uint64_t entrySize_;
};

bool HasContents(const ByteSource& source, const SectionHeader& section) {
    return section.type != kNoBits && section.offset <= source.Size() &&
           section.size <= source.Size() - section.offset;
}

// Whether the name at offset nameOffset of the string table is exactly the wanted one.
bool NameIs(const ByteSource& source, const SectionHeader& strings, std::uint32_t nameOffset,
            std::string_view wanted) {
    std::size_t length = wanted.size() + 1; // with the terminating NUL
    if (nameOffset > strings.size || strings.size - nameOffset < length)
        return false;
    char name[64];
    if (length > sizeof name || !source.ReadAt(strings.offset + nameOffset, name, length))
        return false;
    return name[wanted.size()] == '\0' && std::memcmp(name, wanted.data(), wanted.size()) == 0;
}

VersionLookup ReadRecord(const ByteSource& source, const SectionHeader& section) {
    unsigned char raw[kRecordSize];
    if (section.type == kNoBits || section.size < kRecordSize)
        return {std::nullopt, VersionReadError::BadRecord};
    if (!HasContents(source, section) || !source.ReadAt(section.offset, raw, sizeof raw))
        return {std::nullopt, VersionReadError::Damaged};
    if (Le32(raw) != kVersionSignature)
        return {std::nullopt, VersionReadError::BadRecord};
    FileVersionInfo info;
    info.fileVersionMS = Le32(raw + 8);
    info.fileVersionLS = Le32(raw + 12);
    info.productVersionMS = Le32(raw + 16);
    info.productVersionLS = Le32(raw + 20);
    info.language = Le16(raw + 24);
    info.codePage = Le16(raw + 26);
    return {info, VersionReadError::NoVersionSection};
}

} // namespace

VersionLookup FindVersionRecord(const ByteSource& source) {
    unsigned char header[kHeaderSize];
    if (!source.ReadAt(0, header, sizeof kMagic) || std::memcmp(header, kMagic, sizeof kMagic) != 0)
        return {std::nullopt, VersionReadError::NotElf};
    if (!source.ReadAt(0, header, sizeof header))
        return {std::nullopt, VersionReadError::Damaged};
    if (header[4] != 2 || header[5] != 1) // ELFCLASS64, ELFDATA2LSB
        return {std::nullopt, VersionReadError::UnsupportedElf};

    std::uint64_t tableOffset = Le64(header + 0x28);
    std::uint16_t entrySize = Le16(header + 0x3A);
    std::uint64_t count = Le16(header + 0x3C);
    std::uint32_t namesIndex = Le16(header + 0x3E);
    if (tableOffset == 0)
        return {std::nullopt, VersionReadError::NoVersionSection}; // no section table at all
    if (entrySize < kSectionHeaderSize)
        return {std::nullopt, VersionReadError::Damaged};

    SectionTable table(source, tableOffset, entrySize);
    std::optional<SectionHeader> first = table.Fits(1) ? table.At(0) : std::nullopt;
    if (!first)
        return {std::nullopt, VersionReadError::Damaged};
    // Many sections: the real count and name table index live in section 0.
    if (count == 0)
        count = first->size;
    if (namesIndex == kExtendedIndex)
        namesIndex = first->link;
    if (!table.Fits(count) || namesIndex == 0 || namesIndex >= count)
        return {std::nullopt, VersionReadError::Damaged};

    std::optional<SectionHeader> names = table.At(namesIndex);
    if (!names || !HasContents(source, *names))
        return {std::nullopt, VersionReadError::Damaged};
    for (std::uint64_t i = 1; i < count; ++i) {
        std::optional<SectionHeader> section = table.At(i);
        if (!section)
            return {std::nullopt, VersionReadError::Damaged};
        if (NameIs(source, *names, section->name, kVersionSectionName))
            return ReadRecord(source, *section);
    }
    return {std::nullopt, VersionReadError::NoVersionSection};
}

} // namespace corvid::platform::version_detail
