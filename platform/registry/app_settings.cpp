#include "platform/registry.h"

#include <charconv>

namespace corvid::platform {

std::string AppSettingsKey(std::string_view registryKey, std::string_view program, std::string_view section) {
    std::string key = "Software\\";
    key.append(registryKey).append("\\").append(program);
    if (!section.empty())
        key.append("\\").append(section);
    return key;
}

AppSettings::AppSettings(std::string registryKey, std::string program)
    : registryKey_(std::move(registryKey)), program_(std::move(program)) {}

std::string AppSettings::SectionKey(std::string_view section) const {
    return AppSettingsKey(registryKey_, program_, section);
}

std::optional<std::string> AppSettings::GetString(std::string_view section, std::string_view entry) const {
    return RegistryGetString(RegistryRoot::CurrentUser, SectionKey(section), entry);
}

std::string AppSettings::GetString(std::string_view section, std::string_view entry,
                                   std::string_view fallback) const {
    return GetString(section, entry).value_or(std::string(fallback));
}

int AppSettings::GetInt(std::string_view section, std::string_view entry, int fallback) const {
    auto value = RegistryGetValue(RegistryRoot::CurrentUser, SectionKey(section), entry);
    if (!value)
        return fallback;
    if (value->kind == RegistryValue::Kind::Dword)
        return static_cast<int>(static_cast<std::int32_t>(value->dword));
    const std::string& text = value->text;
    int number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return (error == std::errc() && end == text.data() + text.size() && !text.empty()) ? number : fallback;
}

std::vector<RegistryNamedValue> AppSettings::Entries(std::string_view section) const {
    return RegistryValues(RegistryRoot::CurrentUser, SectionKey(section));
}

bool AppSettings::SetString(std::string_view section, std::string_view entry, std::string_view value) {
    return RegistrySetString(RegistryRoot::CurrentUser, SectionKey(section), entry, value);
}

bool AppSettings::SetInt(std::string_view section, std::string_view entry, int value) {
    return RegistrySetDword(RegistryRoot::CurrentUser, SectionKey(section), entry,
                            static_cast<std::uint32_t>(value));
}

bool AppSettings::DeleteEntry(std::string_view section, std::string_view entry) {
    return RegistryDeleteValue(RegistryRoot::CurrentUser, SectionKey(section), entry);
}

bool AppSettings::DeleteSection(std::string_view section) {
    return !section.empty() && RegistryDeleteKey(RegistryRoot::CurrentUser, SectionKey(section));
}

} // namespace corvid::platform
