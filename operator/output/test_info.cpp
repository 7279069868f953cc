#include "operatoroutput/test_info.h"

#include "text_format.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace corvid::operatoroutput {
namespace {

const std::string kLineBreak = "\r\n";

// One line of the file: the key and its value after the first ':', leading blanks removed.
struct KeyValue {
    std::string key;
    std::string value;
};

bool Split(const std::string& line, KeyValue& out) {
    size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    out.key = line.substr(0, colon);
    size_t start = line.find_first_not_of(" \t", colon + 1);
    out.value = start == std::string::npos ? std::string() : line.substr(start);
    return true;
}

void ClearReadFields(CTestInfo& info) {
    for (std::string* text :
         {&info.Operator, &info.TPA, &info.TPV, &info.UUT, &info.Options, &info.GeneralNotes,
          &info.ServiceOrderNumber, &info.CustomerName, &info.Station, &info.SerialNumber})
        text->clear();
    info.Temperature = 0;
    info.Humidity = 0;
    info.LineFrequency = 0;
}

void Apply(const KeyValue& kv, CTestInfo& info) {
    struct TextKey {
        std::string_view key;
        std::string CTestInfo::*field;
    };
    static const TextKey kTextKeys[] = {
        {"Operator", &CTestInfo::Operator},
        {"TPA", &CTestInfo::TPA},
        {"TPV", &CTestInfo::TPV},
        {"UUT", &CTestInfo::UUT},
        {"Options", &CTestInfo::Options},
        {"Station", &CTestInfo::Station},
        {"SerialNumber", &CTestInfo::SerialNumber},
        {"CustomerName", &CTestInfo::CustomerName},
        {"ServiceOrderNumber", &CTestInfo::ServiceOrderNumber},
    };
    for (const TextKey& text : kTextKeys) {
        if (kv.key == text.key) {
            info.*text.field = kv.value;
            return;
        }
    }
    if (kv.key == "UUTModelID")
        info.UUTModelID = ParseInteger(kv.value);
    else if (kv.key == "UUTInstanceID")
        info.UUTInstanceID = ParseInteger(kv.value);
    else if (kv.key == "Temperature")
        info.Temperature = ParseReal(kv.value);
    else if (kv.key == "Humidity")
        info.Humidity = ParseReal(kv.value);
    else if (kv.key == "LineFrequency")
        info.LineFrequency = ParseInteger(kv.value);
    else if (kv.key == "GeneralNotes")
        info.GeneralNotes += kv.value + kLineBreak;
}

bool KnownUut(const UutValidator& isKnownUut, const CTestInfo& info) {
    if (!isKnownUut)
        return false;
    try {
        return isKnownUut(info.UUTModelID, info.UUTInstanceID, info.SerialNumber);
    } catch (const std::exception&) {
        return false; // a unit that cannot be looked up is not taken as known
    }
}

// A one-line field as written: a line break inside would start a line of its own and
// be read back as another key, so breaks become blanks.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// The notes' lines: split at "\r\n", and at a lone CR or LF too, for the same reason.
std::vector<std::string> NoteLines(const std::string& notes) {
    std::vector<std::string> lines;
    if (notes.empty())
        return lines;
    std::string line;
    for (size_t i = 0; i < notes.size(); ++i) {
        char c = notes[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        if (c == '\r' && i + 1 < notes.size() && notes[i + 1] == '\n')
            ++i;
        lines.push_back(std::move(line));
        line.clear();
    }
    lines.push_back(std::move(line));
    return lines;
}

std::string Serialise(const CTestInfo& info) {
    std::string out;
    auto text = [&out](const char* key, const std::string& value) {
        out += key + OneLine(value) + "\n";
    };
    text("Operator:           ", info.Operator);
    text("TPA:                ", info.TPA);
    text("TPV:                ", info.TPV);
    text("UUT:                ", info.UUT);
    out += Format("UUTModelID:         %d\n", info.UUTModelID);
    text("Options:            ", info.Options);
    text("Station:            ", info.Station);
    text("SerialNumber:       ", info.SerialNumber);
    out += Format("UUTInstanceID:      %d\n", info.UUTInstanceID);
    text("CustomerName:       ", info.CustomerName);
    text("ServiceOrderNumber: ", info.ServiceOrderNumber);
    out += "Temperature:        " + FormatReal(info.Temperature) + "\n";
    out += "Humidity:           " + FormatReal(info.Humidity) + "\n";
    out += Format("LineFrequency:      %d\n", info.LineFrequency);
    for (const std::string& line : NoteLines(info.GeneralNotes))
        out += "GeneralNotes: " + line + "\n";
    return out;
}

} // namespace

bool ReadTestInfo(const std::string& path, CTestInfo& info, const UutValidator& isKnownUut) {
    ClearReadFields(info);
    std::error_code error;
    if (std::filesystem::is_directory(path, error))
        return false;
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file.is_open())
        return false;
    std::string line;
    KeyValue kv;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back(); // a file with CR LF line ends
        if (Split(line, kv))
            Apply(kv, info);
    }
    std::string& notes = info.GeneralNotes;
    if (notes.size() >= kLineBreak.size() &&
        notes.compare(notes.size() - kLineBreak.size(), kLineBreak.size(), kLineBreak) == 0)
        notes.resize(notes.size() - kLineBreak.size());
    if (!KnownUut(isKnownUut, info)) {
        info.UUTInstanceID = -1;
        info.SerialNumber.clear();
        info.Options.clear();
    }
    return true;
}

bool WriteTestInfo(const std::string& path, const CTestInfo& info) {
    std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open())
        return false;
    const std::string text = Serialise(info);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

} // namespace corvid::operatoroutput
