// The reader against damaged and hostile images: every failure is clean, nothing is
// read outside the image (the sanitizer build checks that), and file and memory agree.
#include "platform/file_version.h"
#include "testsupport/sandbox.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace corvid::platform {
namespace {

using Image = std::vector<std::byte>;

Image Load(const char* file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const auto* begin = reinterpret_cast<const std::byte*>(s.data());
    return {begin, begin + s.size()};
}

template <typename T>
T Get(const Image& image, std::size_t offset) {
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value); // the test host is little-endian
    return value;
}

template <typename T>
void Put(Image& image, std::size_t offset, T value) {
    std::memcpy(image.data() + offset, &value, sizeof value);
}

// Offsets into the image of the ELF header fields and of one section header.
constexpr std::size_t kShOff = 0x28, kShEntSize = 0x3A, kShNum = 0x3C, kShStrNdx = 0x3E;
std::size_t SectionHeaderAt(const Image& image, std::size_t index) {
    return Get<std::uint64_t>(image, kShOff) + index * Get<std::uint16_t>(image, kShEntSize);
}

// The index of the section whose contents start with the version signature.
std::size_t VersionSectionIndex(const Image& image) {
    for (std::size_t i = 1; i < Get<std::uint16_t>(image, kShNum); ++i) {
        auto offset = Get<std::uint64_t>(image, SectionHeaderAt(image, i) + 24);
        if (offset + 4 <= image.size() && Get<std::uint32_t>(image, offset) == kVersionSignature)
            return i;
    }
    return 0;
}

VersionReadError ErrorOf(const Image& image) {
    VersionReadError error{};
    EXPECT_FALSE(ParseFileVersion(image, &error));
    return error;
}

class ElfDamage : public ::testing::Test {
protected:
    Image image = Load(STAMPED_MODULE);
    void SetUp() override {
        ASSERT_TRUE(ParseFileVersion(image));
        ASSERT_NE(VersionSectionIndex(image), 0u);
    }
};

TEST_F(ElfDamage, EveryTruncationFailsCleanly) {
    for (std::size_t cut = 0; cut < image.size(); ++cut) {
        VersionReadError error =
            ErrorOf(Image(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut)));
        ASSERT_EQ(error, cut < 4 ? VersionReadError::NotElf : VersionReadError::Damaged) << "cut at " << cut;
    }
    corvid::testing::TempDir dir;
    std::ofstream(dir.path() / "half.so", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size() / 2));
    VersionReadError error{};
    EXPECT_FALSE(ReadFileVersion(dir.path() / "half.so", &error));
    EXPECT_EQ(error, VersionReadError::Damaged);
}

TEST_F(ElfDamage, OtherElfKindsAreUnsupported) {
    Image elf32 = image;
    elf32[4] = std::byte{1};
    EXPECT_EQ(ErrorOf(elf32), VersionReadError::UnsupportedElf);
    Image bigEndian = image;
    bigEndian[5] = std::byte{2};
    EXPECT_EQ(ErrorOf(bigEndian), VersionReadError::UnsupportedElf);
}

TEST_F(ElfDamage, HeaderFieldsPointingAnywhereAreDamage) {
    auto damaged = [&](std::size_t offset, auto value) {
        Image copy = image;
        Put(copy, offset, value);
        return ErrorOf(copy);
    };
    EXPECT_EQ(damaged(kShOff, std::uint64_t{0xFFFFFFFFFFFFFFF0}), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShOff, std::uint64_t{image.size() - 10}), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShEntSize, std::uint16_t{10}), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShNum, std::uint16_t{0xFFFE}), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShStrNdx, Get<std::uint16_t>(image, kShNum)), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShStrNdx, std::uint16_t{0}), VersionReadError::Damaged);
    EXPECT_EQ(damaged(kShOff, std::uint64_t{0}), VersionReadError::NoVersionSection);
}

TEST_F(ElfDamage, ExtendedSectionNumberingIsFollowed) {
    std::size_t first = SectionHeaderAt(image, 0);
    Put(image, first + 32, std::uint64_t{Get<std::uint16_t>(image, kShNum)});    // sh_size = count
    Put(image, first + 40, std::uint32_t{Get<std::uint16_t>(image, kShStrNdx)}); // sh_link = names
    Put(image, kShNum, std::uint16_t{0});
    Put(image, kShStrNdx, std::uint16_t{0xFFFF});
    auto info = ParseFileVersion(image);
    ASSERT_TRUE(info);
    EXPECT_EQ(FormatVersion(*info), "2.3.4.65535");
}

TEST_F(ElfDamage, BadRecordsAreRejected) {
    std::size_t section = SectionHeaderAt(image, VersionSectionIndex(image));
    auto contents = Get<std::uint64_t>(image, section + 24);

    Image wrongSignature = image;
    Put(wrongSignature, contents, std::uint32_t{0xFEEF04BE});
    EXPECT_EQ(ErrorOf(wrongSignature), VersionReadError::BadRecord);

    Image tooShort = image;
    Put(tooShort, section + 32, std::uint64_t{27});
    EXPECT_EQ(ErrorOf(tooShort), VersionReadError::BadRecord);

    Image noContents = image;
    Put(noContents, section + 4, std::uint32_t{8}); // SHT_NOBITS
    EXPECT_EQ(ErrorOf(noContents), VersionReadError::BadRecord);

    Image outside = image;
    Put(outside, section + 24, std::uint64_t{image.size() - 8});
    EXPECT_EQ(ErrorOf(outside), VersionReadError::Damaged);

    Image hugeSize = image;
    Put(hugeSize, section + 32, std::uint64_t{0xFFFFFFFFFFFFFFFF});
    EXPECT_EQ(ErrorOf(hugeSize), VersionReadError::Damaged);
}

TEST_F(ElfDamage, NamesMustMatchExactly) {
    std::size_t section = SectionHeaderAt(image, VersionSectionIndex(image));
    std::size_t names = SectionHeaderAt(image, Get<std::uint16_t>(image, kShStrNdx));
    auto nameAt = Get<std::uint64_t>(image, names + 24) + Get<std::uint32_t>(image, section);

    Image longer = image;
    longer[nameAt + 15] = std::byte{'x'}; // ".corvid.versionx..."
    EXPECT_EQ(ErrorOf(longer), VersionReadError::NoVersionSection);

    Image farName = image;
    Put(farName, section, std::uint32_t{0xFFFFFFF0});
    EXPECT_EQ(ErrorOf(farName), VersionReadError::NoVersionSection);
}

// Random damage to the headers: the file and the memory reader always agree, and the
// sanitizer build sees no read outside the image.
TEST_F(ElfDamage, RandomDamageIsHandledAlikeFromFileAndMemory) {
    corvid::testing::TempDir dir;
    std::mt19937 random(12345);
    std::size_t table = Get<std::uint64_t>(image, kShOff);
    for (int round = 0; round < 300; ++round) {
        Image copy = image;
        for (int flips = 0; flips < 4; ++flips) {
            bool inHeader = random() % 2 == 0;
            std::size_t at = inHeader ? random() % 64 : table + random() % (image.size() - table);
            copy[at] = static_cast<std::byte>(random());
        }
        auto file = dir.path() / "damaged.so";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(copy.data()), static_cast<std::streamsize>(copy.size()));
        VersionReadError fromFile{}, fromMemory{};
        auto a = ReadFileVersion(file, &fromFile);
        auto b = ParseFileVersion(copy, &fromMemory);
        ASSERT_EQ(a, b) << "round " << round;
        if (!a) {
            ASSERT_EQ(fromFile, fromMemory) << "round " << round;
        }
    }
}

} // namespace
} // namespace corvid::platform
