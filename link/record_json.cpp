#include "link/record_json.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

namespace corvid::link {
namespace {

using nlohmann::json;

constexpr char hexDigits[] = "0123456789abcdef";

[[noreturn]] void Fail(const std::string& why) {
    std::string message = "invalid command record JSON: " + why;
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    throw std::invalid_argument(message);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t byte : bytes) {
        text += hexDigits[byte >> 4];
        text += hexDigits[byte & 0x0F];
    }
    return text;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::uint8_t> Unhex(const json& value, const std::string& name) {
    if (!value.is_string())
        Fail("'" + name + "' must be a text of hex digits");
    const auto& text = value.get_ref<const std::string&>();
    if (text.size() % 2 != 0)
        Fail("'" + name + "' has an odd number of hex digits");
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexValue(text[2 * i]), low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            Fail("'" + name + "' holds a character that is not a hex digit");
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return bytes;
}

std::string JsonText(std::string_view text) {
    return json(std::string(text)).dump(-1, ' ', false, json::error_handler_t::replace);
}

// 17 significant digits, so that the text reads back as the same double.
std::string DateText(double date) {
    if (!std::isfinite(date))
        return "null";
    if (date == 0.0 && std::signbit(date))
        return "-0.0";
    // to_chars rather than "%.17g": the C library would use the locale's decimal comma.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, date, std::chars_format::general, 17);
    return std::string(buffer, result.ptr);
}

std::string BlockJson(const CCopyDataBlock& block, bool present) {
    if (!present)
        return "null";
    return "{\"type\":" + std::to_string(block.Type()) + ",\"count\":" + std::to_string(block.Count()) +
           ",\"hex\":\"" + Hex(block.Bytes()) + "\"}";
}

// Member lookup: null for an absent member.
const json* Member(const json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() ? nullptr : &*it;
}

std::int64_t Integer(const json& value, const std::string& name, std::int64_t min, std::int64_t max) {
    const std::string range =
        "'" + name + "' must be an integer from " + std::to_string(min) + " to " + std::to_string(max);
    if (!value.is_number_integer())
        Fail(range);
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(max) || static_cast<std::int64_t>(number) < min)
            Fail(range);
        return static_cast<std::int64_t>(number);
    }
    const auto number = value.get<std::int64_t>();
    if (number < min || number > max)
        Fail(range);
    return number;
}

OleDateTime TimeOf(const json* value) {
    if (value == nullptr || value->is_null())
        return OleDateTimeNow();
    if (!value->is_object())
        Fail("'time' must be an object with 'status' and 'date'");
    OleDateTime time;
    if (const json* status = Member(*value, "status"))
        time.status = static_cast<std::int32_t>(Integer(*status, "time.status",
                                                        std::numeric_limits<std::int32_t>::min(),
                                                        std::numeric_limits<std::int32_t>::max()));
    const json* date = Member(*value, "date");
    if (date == nullptr || !date->is_number() || !std::isfinite(date->get<double>()))
        Fail("'time.date' must be a finite number");
    time.date = date->get<double>();
    return time;
}

// Writes a block in its serialised form; false when the member is absent or null.
bool PutBlock(ArchiveWriter& archive, const json& object, const std::string& name) {
    const json* block = Member(object, name.c_str());
    if (block == nullptr || block->is_null())
        return false;
    if (!block->is_object())
        Fail("'" + name + "' must be null or an object with 'type', 'count' and 'hex'");
    const json* type = Member(*block, "type");
    const json* count = Member(*block, "count");
    const json* hex = Member(*block, "hex");
    if (type == nullptr || count == nullptr || hex == nullptr)
        Fail("'" + name + "' needs 'type', 'count' and 'hex'");
    const auto typeCode = static_cast<unsigned>(Integer(*type, name + ".type", 0, CCopyDataBlock::Empty));
    const auto elements = static_cast<std::uint16_t>(Integer(*count, name + ".count", 0, 0xFFFF));
    const auto bytes = Unhex(*hex, name + ".hex");
    const std::size_t expected = CCopyDataBlock::GetByteSize(typeCode) * elements;
    if (bytes.size() != expected)
        Fail("'" + name + ".hex' holds " + std::to_string(bytes.size()) + " bytes where " +
             std::to_string(elements) + " elements of type " + std::to_string(typeCode) + " take " +
             std::to_string(expected));
    archive.PutU8(CCopyDataBlock::currentVersion);
    archive.PutU16(elements);
    archive.PutU8(static_cast<std::uint8_t>(typeCode));
    archive.PutU8(0);
    archive.PutBytes(bytes);
    return true;
}

CGPIBCommandInfo FromRaw(const json& raw) {
    const auto bytes = Unhex(raw, "raw");
    ArchiveReader archive(bytes);
    CGPIBCommandInfo record;
    try {
        record.Load(archive);
    } catch (const ArchiveException& e) {
        Fail(std::string("'raw' is not a command record: ") + e.what());
    }
    if (!archive.AtEnd())
        Fail("'raw' has " + std::to_string(archive.Remaining()) + " bytes after the record");
    return record;
}

// Builds the record's serialised bytes from the members and reads them back, so that a
// record built here is exactly what loading those bytes gives.
CGPIBCommandInfo FromMembers(const json& object) {
    const json* versionMember = Member(object, "version");
    const auto version = versionMember ? Integer(*versionMember, "version", 1, 2) : 2;
    const json* actionMember = Member(object, "action");
    if (actionMember == nullptr)
        Fail("'action' is required");
    const auto action = static_cast<std::uint8_t>(Integer(*actionMember, "action", 0, 31));
    const json* board = Member(object, "board");
    const json* address = Member(object, "address");
    const json* commentsMember = Member(object, "comments");
    std::string comments;
    if (commentsMember != nullptr && !commentsMember->is_null()) {
        if (!commentsMember->is_string())
            Fail("'comments' must be a text");
        comments = commentsMember->get<std::string>();
    }
    if (version == 1 && !comments.empty())
        Fail("a version 1 record has no comments");
    const OleDateTime time = TimeOf(Member(object, "time"));

    ArchiveWriter blocks;
    std::uint8_t present = 0;
    if (PutBlock(blocks, object, "received"))
        present |= CGPIBCommandInfo::receivedPresent;
    if (PutBlock(blocks, object, "parameters"))
        present |= CGPIBCommandInfo::parametersPresent;
    if (PutBlock(blocks, object, "sent"))
        present |= CGPIBCommandInfo::sentPresent;

    auto flags = static_cast<std::uint8_t>(action | present);
    if (const json* flagsMember = Member(object, "flags")) {
        flags = static_cast<std::uint8_t>(Integer(*flagsMember, "flags", 0, 255));
        if ((flags & CGPIBCommandInfo::actionMask) != action)
            Fail("'flags' " + std::to_string(flags) + " holds action " +
                 std::to_string(flags & CGPIBCommandInfo::actionMask) + " but 'action' is " +
                 std::to_string(action));
        if ((flags & ~CGPIBCommandInfo::actionMask) != present)
            Fail("'flags' " + std::to_string(flags) + " does not match the blocks given");
    }

    ArchiveWriter archive;
    archive.PutU8(static_cast<std::uint8_t>(version));
    archive.PutU8(static_cast<std::uint8_t>(address ? Integer(*address, "address", 0, 255) : 0));
    archive.PutU8(static_cast<std::uint8_t>(board ? Integer(*board, "board", 0, 255) : 0));
    archive.PutU8(flags);
    archive.PutI32(time.status);
    archive.PutF64(time.date);
    if (version == 2)
        archive.PutText(comments);
    archive.PutBytes(blocks.Bytes());
    try {
        return CGPIBCommandInfo::FromBytes(archive.Bytes());
    } catch (const ArchiveException& e) {
        Fail(std::string("the members do not make a command record: ") + e.what());
    }
}

} // namespace

std::string RecordToJson(const CGPIBCommandInfo& record) {
    const std::uint8_t flags = record.ActionFlags();
    std::string out = "{\"version\":" + std::to_string(record.Version());
    out += ",\"board\":" + std::to_string(record.BoardNumber());
    out += ",\"address\":" + std::to_string(record.BusAddress());
    out += ",\"action\":" + std::to_string(record.ActionCode());
    out += ",\"name\":" + JsonText(ActionName(record.ActionCode()));
    out += ",\"flags\":" + std::to_string(flags);
    out += ",\"time\":{\"status\":" + std::to_string(record.Time().status) +
           ",\"date\":" + DateText(record.Time().date) + "}";
    out += ",\"comments\":" + JsonText(record.Comments());
    out += ",\"received\":" + BlockJson(record.Received(), flags & CGPIBCommandInfo::receivedPresent);
    out += ",\"parameters\":" + BlockJson(record.Parameters(), flags & CGPIBCommandInfo::parametersPresent);
    out += ",\"sent\":" + BlockJson(record.Sent(), flags & CGPIBCommandInfo::sentPresent);
    out += ",\"raw\":\"" + Hex(record.Serialize()) + "\"}";
    return out;
}

CGPIBCommandInfo RecordFromJson(std::string_view text) {
    json object;
    try {
        object = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        Fail(std::string("not valid JSON: ") + e.what());
    }
    if (!object.is_object())
        Fail("a command record must be a JSON object");
    if (const json* raw = Member(object, "raw"); raw != nullptr && !raw->is_null())
        return FromRaw(*raw);
    return FromMembers(object);
}

} // namespace corvid::link
