// Feeds arbitrary text to the JSON record reader. Text that reads as a record must print as
// JSON that reads back to the same bytes, both through its raw bytes and, for records built
// from members, through the members alone.
#include "fuzz_support.h"
#include "link/record_json.h"

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string_view>

using namespace corvid::link;
using corvid::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvid::fuzz::SilenceMessageBoxes();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<CGPIBCommandInfo> record;
    try {
        record.emplace(RecordFromJson(text));
    } catch (const std::invalid_argument&) {
        return 0;
    }
    const std::vector<std::uint8_t> first = record->Serialize();
    const std::string line = RecordToJson(*record);
    Require(RecordFromJson(line).Serialize() == first, "printed JSON reads back through its raw bytes");

    const auto input = nlohmann::json::parse(text);
    const auto raw = input.find("raw");
    if (raw == input.end() || raw->is_null()) {
        // Built from members: its blocks are valid, its date finite, its comment UTF-8, so
        // the members alone carry the whole record.
        auto printed = nlohmann::json::parse(line);
        printed.erase("raw");
        Require(RecordFromJson(printed.dump()).Serialize() == first,
                "printed members read back to the same record");
    }
    return 0;
}
