// Feeds arbitrary bytes to the command record loader. A record that loads must store
// bytes that load again to exactly the same bytes, show its texts and print as JSON whose
// raw bytes read back to the same record.
#include "fuzz_support.h"
#include "link/gpib_command_info.h"
#include "link/record_json.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

using namespace corvid::link;
using corvid::fuzz::Require;

namespace {

void ShowTexts(const CCopyDataBlock& block) {
    std::string out;
    block.GetString(out, 5);
    block.GetString(true, 40);
    block.GetString(false, 255);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvid::fuzz::SilenceMessageBoxes();
    std::optional<CGPIBCommandInfo> record;
    try {
        record.emplace(CGPIBCommandInfo::FromBytes({data, size}));
    } catch (const ArchiveException&) {
        return 0;
    }
    const std::vector<std::uint8_t> first = record->Serialize();

    ArchiveReader reader(first);
    CGPIBCommandInfo again;
    again.Load(reader);
    Require(reader.AtEnd(), "a stored record reads back to its last byte");
    Require(again.Serialize() == first, "a stored record stores the same bytes again");

    ShowTexts(again.Received());
    ShowTexts(again.Parameters());
    ShowTexts(again.Sent());

    const std::string line = RecordToJson(again);
    Require(line.find('\n') == std::string::npos, "the JSON form is one line");
    Require(RecordFromJson(line).Serialize() == first, "the JSON form reads back to the same record");
    return 0;
}
