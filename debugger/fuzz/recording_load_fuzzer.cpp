// Feeds arbitrary bytes to the recording loader. A file that loads must hold as many
// commands as its header counts, write out as a version-2 file that loads again, and
// write that one out to exactly the same bytes.
#include "debugger/command_list.h"
#include "debugger/recording_file.h"
#include "fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

using namespace corvid::debugger;
using corvid::fuzz::Require;

namespace {

std::vector<std::uint8_t> Written(std::deque<CommandItem> items) {
    CommandList list;
    list.Assign(std::move(items));
    std::vector<std::uint8_t> bytes;
    WriteRecording(list, [&bytes](std::span<const std::uint8_t> chunk) {
        bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    });
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    corvid::fuzz::SilenceMessageBoxes();
    LoadedRecording loaded;
    try {
        loaded = LoadRecording({data, size});
    } catch (const corvid::link::ArchiveException& error) {
        Require(!ArchiveErrorMessage(error, "input.omr").empty(), "every failure has a message");
        return 0;
    }
    Require(loaded.items.size() == loaded.header.count, "a loaded file holds the commands its header counts");
    const std::size_t count = loaded.items.size();
    const std::vector<std::uint8_t> first = Written(std::move(loaded.items));

    LoadedRecording again = LoadRecording(first);
    Require(again.header.version == kCurrentFileVersion, "files are written in version 2");
    Require(again.items.size() == count, "a written file holds every command");
    Require(Written(std::move(again.items)) == first, "a written file writes the same bytes again");
    return 0;
}
