// File version records: the ".corvid.version" ELF section that the build stamps into
// executables and shared objects. The record is seven little-endian 32-bit words: the
// signature 0xFEEF04BD, the structure version 0x00010000, the file version (most and
// least significant word), the product version (most and least significant word) and
// the translation (language and code page as two 16-bit values). Files are read, never
// loaded; damaged or hostile files give no record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace corvid::platform {

inline constexpr std::uint32_t kVersionSignature = 0xFEEF04BD;
inline constexpr const char* kVersionSectionName = ".corvid.version";

struct FileVersionInfo {
    std::uint32_t fileVersionMS = 0; // major << 16 | minor
    std::uint32_t fileVersionLS = 0; // build << 16 | revision
    std::uint32_t productVersionMS = 0;
    std::uint32_t productVersionLS = 0;
    std::uint16_t language = 0; // 0x0409
    std::uint16_t codePage = 0; // 0x04B0

    // The four 16-bit numbers, most significant first.
    std::array<std::uint16_t, 4> FileVersion() const;
    std::array<std::uint16_t, 4> ProductVersion() const;
    bool operator==(const FileVersionInfo&) const = default;
};

// Why no record was found.
enum class VersionReadError {
    CannotOpen,       // the file is missing or unreadable
    NotElf,           // no ELF identification
    UnsupportedElf,   // ELF, but not 64-bit little-endian
    Damaged,          // headers or tables point outside the file or are inconsistent
    NoVersionSection, // a sound ELF file without the section
    BadRecord,        // the section is too short, has no contents or a wrong signature
};

const char* VersionReadErrorText(VersionReadError error);

// The record of a file; nullopt with the reason in *error when there is none.
std::optional<FileVersionInfo> ReadFileVersion(const std::filesystem::path& file,
                                               VersionReadError* error = nullptr);

// The same for a file image already in memory (for tests and fuzzing).
std::optional<FileVersionInfo> ParseFileVersion(std::span<const std::byte> image,
                                                VersionReadError* error = nullptr);

// The record of the running program (/proc/self/exe).
std::optional<FileVersionInfo> ReadExecutableVersion(VersionReadError* error = nullptr);

// "major.minor.build.revision" of the file version, e.g. "1.1.0.0".
std::string FormatVersion(const FileVersionInfo& info);
std::string FormatVersion(std::uint32_t versionMS, std::uint32_t versionLS);

} // namespace corvid::platform
