#include "debugger/recording_file.h"

#include "debugger/progress.h"
#include "link/ole_date.h"

#include <optional>
#include <utility>

namespace corvid::debugger {
namespace {

using link::ArchiveException;
using link::ArchiveReader;
using link::CCopyDataBlock;
using link::CGPIBCommandInfo;

std::string DescribeRecord(std::uint32_t index, std::uint32_t count) {
    return "command " + std::to_string(index + 1) + " of " + std::to_string(count);
}

} // namespace

RecordingHeader RecordingReader::ReadHeader() {
    ArchiveReader& archive = archive_;
    const std::uint16_t tag = archive.GetU16();
    if (tag != kNewClassTag)
        throw ArchiveException(ArchiveException::generic, "the file does not start with a class header");
    const std::uint16_t schema = archive.GetU16();
    const std::uint16_t nameLength = archive.GetU16();
    const auto name = archive.GetBytes(nameLength);
    if (std::string_view(reinterpret_cast<const char*>(name.data()), name.size()) != kVersionClassName)
        throw ArchiveException(ArchiveException::generic,
                               "the file header names another class than " + std::string(kVersionClassName));
    if (schema != 1 && schema != 2)
        throw ArchiveException(ArchiveException::badSchema,
                               "unknown recording file version " + std::to_string(schema));
    RecordingHeader header;
    header.version = schema;
    header.count = archive.GetU32();
    return header;
}

void WriteRecordingHeader(link::ArchiveWriter& archive, std::uint32_t count) {
    archive.PutU16(kNewClassTag);
    archive.PutU16(kCurrentFileVersion);
    archive.PutU16(static_cast<std::uint16_t>(kVersionClassName.size()));
    archive.PutBytes(
        {reinterpret_cast<const std::uint8_t*>(kVersionClassName.data()), kVersionClassName.size()});
    archive.PutU32(count);
}

// The type byte of a block sits after its version byte (when it has one) and its count.
// It is checked before the block is read: an invalid code has no element size, so the
// bytes after it could not be found.
void RecordingReader::ReadBlock(bool withVersion, CCopyDataBlock& block) {
    const std::size_t at = archive_.Position() + (withVersion ? 3 : 2);
    if (at < bytes_.size()) { // else the block's own read reports the short file
        const unsigned type = bytes_[at] & 0x0Fu;
        if (type > CCopyDataBlock::Empty)
            throw ArchiveException(ArchiveException::generic,
                                   "a data block has the invalid type code " + std::to_string(type));
    }
    if (withVersion)
        block.Load(archive_);
    else
        block.LoadWithoutVersion(archive_);
}

void RecordingReader::ReadRecord(int fileVersion, CGPIBCommandInfo& record) {
    ArchiveReader& archive = archive_;
    const bool current = fileVersion != 1;
    if (current) {
        const std::uint8_t version = archive.GetU8();
        if (version != 1 && version != 2)
            throw ArchiveException(ArchiveException::badSchema,
                                   "unsupported command record version " + std::to_string(version));
        // A version-1 record inside a version-2 file carries no comment.
        const std::uint8_t busAddress = archive.GetU8();
        const std::uint8_t boardNumber = archive.GetU8();
        const std::uint8_t flags = archive.GetU8();
        link::OleDateTime time;
        time.status = archive.GetI32();
        time.date = archive.GetF64();
        if (version == 2)
            record.SetComments(archive.GetText());
        record.SetBusAddress(busAddress);
        record.SetBoardNumber(boardNumber);
        record.SetActionFlags(flags);
        record.SetTime(time);
    } else {
        record.SetBusAddress(archive.GetU8());
        record.SetBoardNumber(archive.GetU8());
        record.SetActionFlags(archive.GetU8());
        link::OleDateTime time;
        time.status = archive.GetI32();
        time.date = archive.GetF64();
        record.SetTime(time);
    }
    const std::uint8_t flags = record.ActionFlags();
    if (flags & CGPIBCommandInfo::receivedPresent)
        ReadBlock(current, record.Received());
    if (flags & CGPIBCommandInfo::parametersPresent)
        ReadBlock(current, record.Parameters());
    if (flags & CGPIBCommandInfo::sentPresent)
        ReadBlock(current, record.Sent());
}

std::deque<CommandItem> ReadRecords(RecordingReader& reader, const RecordingHeader& header,
                                    ProgressSink* progress) {
    ProgressScope scope(progress, "Opening file...", header.count);
    std::deque<CommandItem> items;
    // Records are copied from one prototype: constructing each afresh would read the clock.
    const CGPIBCommandInfo prototype;
    for (std::uint32_t i = 0; i < header.count; ++i) {
        CommandItem item{prototype, false};
        try {
            reader.ReadRecord(header.version, item.command);
        } catch (const ArchiveException& error) {
            throw ArchiveException(error.cause(), DescribeRecord(i, header.count) + ": " + error.what());
        }
        items.push_back(std::move(item));
        scope.Step();
    }
    return items;
}

LoadedRecording LoadRecording(std::span<const std::uint8_t> bytes, ProgressSink* progress) {
    RecordingReader reader(bytes);
    LoadedRecording loaded;
    loaded.header = reader.ReadHeader();
    loaded.items = ReadRecords(reader, loaded.header, progress);
    return loaded;
}

void WriteRecording(const CommandList& commands,
                    const std::function<void(std::span<const std::uint8_t>)>& out, ProgressSink* progress) {
    constexpr std::size_t chunkSize = 1 << 16;
    const int count = commands.Count();
    ProgressScope scope(progress, "Saving file...", static_cast<std::size_t>(count));
    link::ArchiveWriter chunk;
    WriteRecordingHeader(chunk, static_cast<std::uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        commands.At(i)->command.Store(chunk);
        if (chunk.Position() >= chunkSize) {
            out(chunk.Bytes());
            chunk = link::ArchiveWriter();
        }
        scope.Step();
    }
    out(chunk.Bytes());
}

std::string ArchiveErrorMessage(const link::ArchiveException& error, std::string_view fileName) {
    std::string text;
    switch (error.cause()) {
    case ArchiveException::endOfFile:
        text = "An attempt was made to read past the end of the file " + std::string(fileName) +
               ".\r\nThe file is truncated or damaged";
        break;
    case ArchiveException::badSchema:
        text = "The file " + std::string(fileName) + " contains data of an unsupported version";
        break;
    default:
        text = "The file " + std::string(fileName) + " is not a valid recording";
        break;
    }
    return text + " (" + error.what() + ").";
}

} // namespace corvid::debugger
