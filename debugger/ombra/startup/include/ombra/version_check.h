// Version records of the debugger itself and of the registered GPIB driver, and the
// search for that driver through its type-library registration.
#pragma once

#include "platform/file_version.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::ombra {

// The driver's type library identifier and the file name it must be registered under.
inline constexpr const char* kDriverTypeLibrary = "{ADF86D63-9285-11D1-AF74-0060B01A7E89}";
inline constexpr const char* kDriverFileName = "farlink.so";
// The longest registry value read, in bytes with the terminating zero.
inline constexpr std::size_t kMaxRegistryValueBytes = 512;

// A file with its version record.
struct VersionRecord {
    std::filesystem::path file;
    platform::FileVersionInfo info;
};

std::optional<VersionRecord> ReadVersionRecord(const std::filesystem::path& file);

// "%d.%d.%d.%d" of the file version, or "?.?.?.?" without a record.
std::string VersionText(const std::optional<VersionRecord>& record);

// True when the file versions differ; a missing record counts as all bits set.
bool VersionsDiffer(const std::optional<VersionRecord>& a, const std::optional<VersionRecord>& b);

// The debugger's own version: the executable's record, else the record of the program
// named by the registered open command of OMBRA.Document.
struct OwnVersion {
    std::optional<VersionRecord> record;
    std::string text;
};
OwnVersion DetermineOwnVersion(const std::filesystem::path& executable);

// The program path in a registered open command: the text up to and including the name
// "/ombra" (found without regard to case, ending the name), without a leading quote.
std::optional<std::filesystem::path> ProgramFromOpenCommand(std::string_view command);

// The registered driver with its version record, or the text that says why it was not
// found.
struct DriverLookup {
    std::filesystem::path path;
    std::optional<VersionRecord> record;
    std::string failure;

    explicit operator bool() const { return record.has_value(); }
};
DriverLookup FindDriver();

} // namespace corvid::ombra
