#include "config_store.h"

#include "platform/profile.h"
#include "platform/runtime_dir.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace corvid::visa {
namespace {

using platform::EqualsNoCase;
using platform::Trim;

std::optional<long> ParseNumber(std::string_view text) {
    text = Trim(text);
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Numbers separated by commas or blanks.
std::optional<std::vector<long>> ParseList(std::string_view text) {
    std::vector<long> values;
    std::string copy(text);
    std::replace(copy.begin(), copy.end(), ',', ' ');
    std::istringstream in(copy);
    std::string word;
    while (in >> word) {
        auto value = ParseNumber(word);
        if (!value) {
            return std::nullopt;
        }
        values.push_back(*value);
    }
    return values;
}

} // namespace

std::filesystem::path ConfigStore::DefaultPath() {
    return platform::HomeDirPath() / "visa.ini";
}

bool ConfigStore::CheckSyntax(std::ostream& warnings) const {
    std::ifstream in(file_);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string_view text = Trim(line);
        bool fine = text.empty() || text[0] == ';' || text[0] == '#' ||
                    (text[0] == '[' && text.back() == ']' && text.size() > 2) ||
                    (text.find('=') != std::string_view::npos && text[0] != '=');
        if (!fine) {
            warnings << "sbvisv32: " << file_.string() << ":" << number
                     << ": neither a [section] nor a key=value line; using the default configuration\n";
            return false;
        }
    }
    return true;
}

void ConfigStore::Load(std::ostream& warnings) {
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) {
        warnings << "sbvisv32: no configuration store at " << file_.string()
                 << "; using the demo bench (simulated instruments on GPIB0)\n";
        // The simulated driver library notifies: service requests arrive at once instead
        // of at the next pass of the polling thread.
        notifyMode_ = true;
        demoBench_ = true;
        return;
    }
    std::ifstream probe(file_);
    if (!probe) {
        warnings << "sbvisv32: cannot read " << file_.string() << "; using the default configuration\n";
        return;
    }
    if (!CheckSyntax(warnings)) {
        return;
    }
    usable_ = true;
    ioLibrary_ = String("VISA", "IoLibrary", ioLibrary_);
    gpibLibrary_ = String("GPIB", "Library", gpibLibrary_);
    notifyMode_ = Number("VISA", "NotifyMode", 0) != 0;
    long timeout = Number("VISA", "LocalTimeout", localTimeout_);
    if (timeout < 0) {
        warnings << "sbvisv32: " << file_.string() << ": [VISA] LocalTimeout must not be negative; using "
                 << localTimeout_ << "\n";
    } else {
        localTimeout_ = static_cast<ViUInt32>(timeout);
    }
    ReadBoards(warnings);
    ReadDevices(warnings);
    for (const std::string& key : platform::ReadProfileKeys(file_, "ALIASES")) {
        if (auto target = String("ALIASES", key)) {
            aliases_.emplace_back(key, *target);
        }
    }
}

void ConfigStore::ReadBoards(std::ostream& warnings) {
    auto text = String("GPIB", "Boards");
    if (!text) {
        return;
    }
    auto list = ParseList(*text);
    bool valid = list && std::all_of(list->begin(), list->end(), [](long b) { return b >= 0 && b < 100; });
    if (!valid) {
        warnings << "sbvisv32: " << file_.string() << ": [GPIB] Boards=" << *text
                 << " is not a list of board numbers 0 to 99; using board 0\n";
        return;
    }
    gpibBoards_.assign(list->begin(), list->end());
}

void ConfigStore::ReadDevices(std::ostream& warnings) {
    for (int i = 0; i < SBVISA_GPIB_DEVICES; ++i) {
        std::string key = "Device" + std::to_string(i);
        auto text = String("GPIB-DEVICES", key);
        if (!text) {
            continue;
        }
        auto list = ParseList(*text);
        bool valid = list && list->size() == 4 && (*list)[0] >= 0 && (*list)[0] < 100 && (*list)[1] >= 0 &&
                     (*list)[1] <= 30 && (*list)[2] >= 0 && (*list)[2] <= 30 && (*list)[3] >= 0 &&
                     (*list)[3] <= 2;
        if (!valid) {
            warnings << "sbvisv32: " << file_.string() << ": [GPIB-DEVICES] " << key << "=" << *text
                     << " is not \"board,primary,secondary,kind\"; entry ignored\n";
            continue;
        }
        gpibDevices_.push_back({static_cast<ViUInt8>((*list)[0]), static_cast<ViUInt8>((*list)[1]),
                                static_cast<ViUInt8>((*list)[2]), static_cast<ViUInt8>((*list)[3])});
    }
}

std::optional<std::string> ConfigStore::String(std::string_view section, std::string_view key) const {
    if (!usable_) {
        return demoBench_ ? DemoBenchValue(section, key) : std::nullopt;
    }
    return platform::ReadProfileString(file_, section, key);
}

std::string ConfigStore::String(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    return String(section, key).value_or(std::string(fallback));
}

// The settings of the demo bench that differ from the defaults: its GPIB-VXI controller.
std::optional<std::string> ConfigStore::DemoBenchValue(std::string_view section, std::string_view key) {
    static constexpr std::array<std::array<std::string_view, 3>, 1> kValues{{
        {"GPIB-VXI", "Controller0", "0,12"},
    }};
    for (const auto& [s, k, value] : kValues) {
        if (EqualsNoCase(s, section) && EqualsNoCase(k, key)) {
            return std::string(value);
        }
    }
    return std::nullopt;
}

long ConfigStore::Number(std::string_view section, std::string_view key, long fallback) const {
    auto text = String(section, key);
    if (!text) {
        return fallback;
    }
    return ParseNumber(*text).value_or(fallback);
}

std::optional<std::string> ConfigStore::Alias(std::string_view alias) const {
    for (const auto& [name, target] : aliases_) {
        if (EqualsNoCase(name, alias)) {
            return target;
        }
    }
    return std::nullopt;
}

std::optional<std::string> ConfigStore::AliasOf(std::string_view canonicalName) const {
    for (const auto& [name, target] : aliases_) {
        if (EqualsNoCase(target, canonicalName)) {
            return name;
        }
    }
    return std::nullopt;
}

void ConfigStore::FillTables(SbvisaSharedTables& tables) const {
    std::fill(std::begin(tables.gpibBoardExists), std::end(tables.gpibBoardExists), ViBoolean{VI_FALSE});
    for (ViUInt16 board : gpibBoards_) {
        tables.gpibBoardExists[board] = VI_TRUE;
    }
    std::size_t count = std::min<std::size_t>(gpibDevices_.size(), SBVISA_GPIB_DEVICES - 1);
    std::copy_n(gpibDevices_.begin(), count, tables.gpibDevices);
    tables.gpibDevices[count] = SbvisaGpibDevice{SBVISA_GPIB_END_OF_TABLE, 0, 0, 0};
    std::snprintf(tables.gpibLibrary, sizeof tables.gpibLibrary, "%s", gpibLibrary_.c_str());
    tables.notifyMode = notifyMode_ ? VI_TRUE : VI_FALSE;
}

} // namespace corvid::visa
