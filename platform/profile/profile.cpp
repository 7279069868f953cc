#include "platform/profile.h"

#include "platform/locked_file.h"
#include "platform/runtime_dir.h"
#include "platform/text.h"
#include "profile_text.h"

#include <algorithm>
#include <climits>

namespace corvid::platform {
namespace {

using profile_detail::ProfileLine;
using profile_detail::ProfileText;

std::optional<ProfileText> Load(const std::filesystem::path& file) {
    std::optional<std::string> text = ReadLockedFile(file);
    if (!text)
        return std::nullopt;
    return ProfileText(*text);
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// Names that would read back as something else are refused rather than written.
bool ValidSection(std::string_view section) {
    return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string_view::npos &&
           Trim(section).size() == section.size();
}

bool ValidKey(std::string_view key) {
    return !key.empty() && !HasLineBreak(key) && key.find('=') == std::string_view::npos && key[0] != '[' &&
           key[0] != ';' && Trim(key).size() == key.size();
}

bool Update(const std::filesystem::path& file, const std::function<bool(ProfileText&)>& change) {
    if (file == WinIniPath()) {
        try {
            EnsureHomeDir();
        } catch (const std::exception&) {
            return false;
        }
    }
    return UpdateLockedFile(file, [&](const LockedFileContents& current) -> std::optional<std::string> {
        ProfileText text(current.text);
        if (!change(text))
            return std::nullopt;
        return text.Text();
    });
}

} // namespace

std::filesystem::path WinIniPath() {
    return HomeDirPath() / "win.ini";
}

std::optional<std::string> ReadProfileString(const std::filesystem::path& file, std::string_view section,
                                             std::string_view key) {
    std::optional<ProfileText> text = Load(file);
    if (!text)
        return std::nullopt;
    std::optional<std::size_t> header = text->FindSection(section);
    if (!header)
        return std::nullopt;
    std::optional<std::size_t> entry = text->FindEntry(*header, key);
    if (!entry)
        return std::nullopt;
    return text->Lines()[*entry].value;
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback) {
    return ReadProfileString(file, section, key).value_or(std::string(fallback));
}

int ReadProfileInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   int fallback) {
    std::optional<std::string> value = ReadProfileString(file, section, key);
    if (!value)
        return fallback;
    std::string_view text = *value;
    bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+'))
        text.remove_prefix(1);
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return fallback;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number = std::min<long long>(number * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    number = negative ? -number : number;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

std::vector<std::string> ReadProfileKeys(const std::filesystem::path& file, std::string_view section) {
    if (section.empty())
        return ReadProfileSections(file);
    std::vector<std::string> keys;
    std::optional<ProfileText> text = Load(file);
    std::optional<std::size_t> header = text ? text->FindSection(section) : std::nullopt;
    if (!header)
        return keys;
    for (std::size_t i = *header + 1; i < text->SectionEnd(*header); ++i) {
        const ProfileLine& line = text->Lines()[i];
        if (line.kind == ProfileLine::Kind::Entry && text->FindEntry(*header, line.name) == i)
            keys.push_back(line.name);
    }
    return keys;
}

std::vector<std::string> ReadProfileSections(const std::filesystem::path& file) {
    std::vector<std::string> sections;
    std::optional<ProfileText> text = Load(file);
    if (!text)
        return sections;
    for (std::size_t i = 0; i < text->Lines().size(); ++i) {
        const ProfileLine& line = text->Lines()[i];
        if (line.kind == ProfileLine::Kind::Section && text->FindSection(line.name) == i)
            sections.push_back(line.name);
    }
    return sections;
}

bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
    if (!ValidSection(section) || !ValidKey(key) || (value && HasLineBreak(*value)))
        return false;
    return Update(file, [&](ProfileText& text) {
        return value ? text.SetEntry(section, key, *value) : text.DeleteEntry(section, key);
    });
}

bool DeleteProfileSection(const std::filesystem::path& file, std::string_view section) {
    return Update(file, [&](ProfileText& text) { return text.DeleteSection(section); });
}

} // namespace corvid::platform
