#include "operatortabs/equipment_map_file.h"

#include <cstdlib>
#include <fstream>

namespace corvid::operatortabs {
namespace {

constexpr const char* kBlanks = " \t\r\n";

std::string Trimmed(const std::string& text) {
    std::size_t begin = text.find_first_not_of(kBlanks);
    if (begin == std::string::npos)
        return {};
    std::size_t end = text.find_last_not_of(kBlanks);
    return text.substr(begin, end - begin + 1);
}

// Splits at the first bar: the trimmed part before it, and the rest after it (empty
// when there is no bar).
std::string TakeField(std::string& rest) {
    std::size_t bar = rest.find('|');
    std::string field = Trimmed(rest.substr(0, bar));
    rest = bar == std::string::npos ? std::string() : rest.substr(bar + 1);
    return field;
}

// Control bytes other than blanks mean the file is not text from here on: such a
// line ends the parse as an overlong one does, rather than becoming a name.
bool IsTextLine(const std::string& line) {
    for (unsigned char c : line)
        if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7f)
            return false;
    return true;
}

// The next line without its line feed; false at the end of the file or when the line
// does not fit the limit.
bool ReadLine(std::istream& in, std::string& line) {
    line.clear();
    char c = 0;
    bool any = false;
    while (in.get(c)) {
        any = true;
        if (c == '\n')
            return true;
        if (line.size() == kMapFileLineLimit)
            return false;
        line += c;
    }
    return any;
}

MapModelEntry EntryOf(const std::string& modelName, const std::string& value) {
    MapModelEntry entry;
    entry.modelName = modelName;
    if (value.empty())
        return entry;
    std::string rest = value;
    entry.serialNumber = TakeField(rest);
    std::string number = TakeField(rest);
    if (!number.empty())
        entry.number = static_cast<int32_t>(std::strtol(number.c_str(), nullptr, 10));
    return entry;
}

} // namespace

bool CEquipmentMapFile::Open(const std::filesystem::path& path) {
    if (path.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Fail("Unable to open the configuration file");
    return Parse(in);
}

bool CEquipmentMapFile::Fail(const std::string& message) {
    sections_.clear();
    prompt_.Notify(message);
    return false;
}

bool CEquipmentMapFile::Parse(std::istream& in) {
    sections_.clear();
    std::string raw;
    while (ReadLine(in, raw) && IsTextLine(raw)) {
        std::string line = Trimmed(raw);
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            std::size_t begin = line.find_first_not_of('[');
            std::size_t end = line.find_last_not_of(']');
            std::string name = begin == std::string::npos || end < begin
                                   ? std::string()
                                   : line.substr(begin, end - begin + 1);
            sections_.push_back({Trimmed(name), {}});
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        if (sections_.empty())
            return Fail("Found NULL position. Unexpected error parsing file");
        std::string modelName = Trimmed(line.substr(0, equals));
        if (modelName.empty())
            return Fail("Found empty model number while parsing file");
        sections_.back().entries.push_back(EntryOf(modelName, Trimmed(line.substr(equals + 1))));
    }
    return true;
}

const MapSection* CEquipmentMapFile::Section(std::size_t index) const {
    return index < sections_.size() ? &sections_[index] : nullptr;
}

} // namespace corvid::operatortabs
