// The recording file (".omr"): a header naming the class "CArchiveVersion" with the file
// version as its schema, the record count, then the command records back to back. Version
// 2 records are the command record's own serialised form; version 1 records (read only)
// have no version bytes and no comment.
#pragma once

#include "debugger/command_list.h"
#include "link/archive.h"
#include "link/gpib_command_info.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace corvid::debugger {

class ProgressSink;

inline constexpr std::uint16_t kNewClassTag = 0xFFFF;
inline constexpr std::string_view kVersionClassName = "CArchiveVersion";
inline constexpr int kCurrentFileVersion = 2;
// Tag, schema, name length, name and count.
inline constexpr std::size_t kRecordingHeaderSize = 25;

struct RecordingHeader {
    int version = kCurrentFileVersion;
    std::uint32_t count = 0;
};

void WriteRecordingHeader(link::ArchiveWriter& archive, std::uint32_t count);

// Reads a file image from the front. Every read throws link::ArchiveException rather than
// reading past the end.
class RecordingReader {
public:
    explicit RecordingReader(std::span<const std::uint8_t> bytes) : bytes_(bytes), archive_(bytes) {}

    // The header: badSchema for a version other than 1 or 2, generic for a header that
    // does not name "CArchiveVersion", endOfFile when short.
    RecordingHeader ReadHeader();
    // One record in the form of the file version, into record, which should be a fresh
    // record (blocks whose bit is clear keep what it holds). A block with a type code above
    // 8 is refused (generic) before anything of it is read.
    void ReadRecord(int fileVersion, link::CGPIBCommandInfo& record);

    std::size_t Position() const { return archive_.Position(); }

private:
    void ReadBlock(bool withVersion, link::CCopyDataBlock& block);

    std::span<const std::uint8_t> bytes_;
    link::ArchiveReader archive_;
};

struct LoadedRecording {
    RecordingHeader header;
    std::deque<CommandItem> items;
};

// Reads header.count records after the header, each stepping the progress (begun with
// "Opening file..."). Throws link::ArchiveException, whose text names the record that
// failed.
std::deque<CommandItem> ReadRecords(RecordingReader& reader, const RecordingHeader& header,
                                    ProgressSink* progress = nullptr);

// Reads a whole file image in one pass: header, then header.count records, each stepping
// the progress (begun with "Opening file..."). Throws link::ArchiveException, whose text
// names the record that failed; nothing partial is returned.
LoadedRecording LoadRecording(std::span<const std::uint8_t> bytes, ProgressSink* progress = nullptr);

// Writes a version-2 file image of the list's commands in chunks passed to out, stepping
// the progress (begun with "Saving file...") once per command.
void WriteRecording(const CommandList& commands,
                    const std::function<void(std::span<const std::uint8_t>)>& out,
                    ProgressSink* progress = nullptr);

// The message shown when a recording cannot be read.
std::string ArchiveErrorMessage(const link::ArchiveException& error, std::string_view fileName);

} // namespace corvid::debugger
