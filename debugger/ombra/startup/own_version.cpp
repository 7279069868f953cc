#include "ombra/version_check.h"
#include "platform/registry.h"
#include "text_util.h"

#include <cctype>
#include <cstdint>

namespace corvid::ombra {
namespace {

constexpr const char* kOpenCommandKey = "OMBRA.Document\\shell\\open\\command";
constexpr std::string_view kProgramName = "/ombra";

std::uint32_t WordOrMissing(const std::optional<VersionRecord>& record, bool mostSignificant) {
    if (!record)
        return 0xFFFFFFFFu;
    return mostSignificant ? record->info.fileVersionMS : record->info.fileVersionLS;
}

} // namespace

std::optional<VersionRecord> ReadVersionRecord(const std::filesystem::path& file) {
    std::optional<platform::FileVersionInfo> info = platform::ReadFileVersion(file);
    if (!info)
        return std::nullopt;
    return VersionRecord{file, *info};
}

std::string VersionText(const std::optional<VersionRecord>& record) {
    return record ? platform::FormatVersion(record->info) : std::string("?.?.?.?");
}

bool VersionsDiffer(const std::optional<VersionRecord>& a, const std::optional<VersionRecord>& b) {
    return WordOrMissing(a, true) != WordOrMissing(b, true) ||
           WordOrMissing(a, false) != WordOrMissing(b, false);
}

std::optional<std::filesystem::path> ProgramFromOpenCommand(std::string_view command) {
    // The name is searched in lower case, but the path is taken from the command as
    // registered: file names on this system are case sensitive.
    // A quoted program ends at its closing quote (blanks belong to the path); an unquoted
    // one at the first blank after the name.
    const bool quoted = !command.empty() && command.front() == '"';
    const std::size_t begin = quoted ? 1 : 0;
    const std::string lower = detail::ToLowerAscii(command);
    for (std::size_t found = lower.find(kProgramName, begin); found != std::string::npos;
         found = lower.find(kProgramName, found + 1)) {
        const std::size_t end = found + kProgramName.size();
        const bool endsName =
            quoted ? lower.find('"', begin) == end
                   : end == lower.size() || std::isspace(static_cast<unsigned char>(lower[end]));
        if (endsName)
            return std::filesystem::path(std::string(command.substr(begin, end - begin)));
        if (quoted && lower.find('"', begin) < end)
            break; // past the quoted program
    }
    return std::nullopt;
}

OwnVersion DetermineOwnVersion(const std::filesystem::path& executable) {
    OwnVersion own;
    own.record = ReadVersionRecord(executable);
    if (!own.record) {
        const std::optional<std::string> command =
            platform::RegistryGetString(platform::RegistryRoot::ClassesRoot, kOpenCommandKey, "");
        if (command && command->size() < kMaxRegistryValueBytes) {
            if (std::optional<std::filesystem::path> program = ProgramFromOpenCommand(*command))
                own.record = ReadVersionRecord(*program);
        }
    }
    own.text = VersionText(own.record);
    return own;
}

} // namespace corvid::ombra
