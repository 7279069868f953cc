#include "debugger/document.h"

#include "debugger/progress.h"
#include "debugger/prompt.h"
#include "debugger/recording_file.h"
#include "file_io.h"

#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <utility>
#include <vector>

namespace corvid::debugger {
namespace {

constexpr const char* kUnknownVersionText =
    "The version of the file you are trying to open is not compatible\r\n"
    "with this version of the program.\r\n\r\nThe file cannot be opened.";

std::string FileErrorText(const char* action, const std::filesystem::path& path,
                          const std::system_error& error) {
    // Opening refuses pipes and devices with "invalid argument", which would not tell why.
    const std::string reason = error.code() == std::errc::invalid_argument
                                   ? "Not a regular file"
                                   : std::strerror(error.code().value());
    return std::string("Unable to ") + action + " the file " + path.string() + ".\r\n" + reason + ".";
}

} // namespace

RecordingDocument::RecordingDocument() = default;

RecordingDocument::~RecordingDocument() {
    CloseFile();
}

std::string RecordingDocument::Title() const {
    return path_.empty() ? std::string("Untitled") : path_.filename().string();
}

void RecordingDocument::CloseFile() {
    if (openFile_ >= 0)
        fileio::FileHandle closing(openFile_);
    openFile_ = -1;
}

bool RecordingDocument::Open(const std::filesystem::path& path, Prompt& prompt, ProgressSink* progress) {
    CloseFile();
    commands_.DeleteAll();
    fileVersion_ = -1;
    recordCount_ = 0;
    modified_ = false;
    path_.clear();

    fileio::FileHandle file;
    std::vector<std::uint8_t> bytes;
    try {
        file = fileio::OpenRegularFileForReading(path);
        bytes = fileio::ReadAll(file.Get());
    } catch (const std::system_error& error) {
        prompt.Ask(FileErrorText("open", path, error), {}, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    } catch (const std::bad_alloc&) {
        prompt.Ask(FileErrorText("open", path, std::system_error(ENOMEM, std::generic_category())), {},
                   MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }

    const std::string name = path.filename().string();
    RecordingReader reader(bytes);
    RecordingHeader header;
    try {
        header = reader.ReadHeader();
    } catch (const link::ArchiveException& error) {
        if (error.cause() == link::ArchiveException::badSchema)
            prompt.Ask(kUnknownVersionText, "Unknown file version", MsgButtons::Ok, MsgIcon::Information);
        else
            prompt.Ask(ArchiveErrorMessage(error, name), {}, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    try {
        commands_.Assign(ReadRecords(reader, header, progress));
    } catch (const link::ArchiveException& error) {
        prompt.Ask(ArchiveErrorMessage(error, name), {}, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    openFile_ = file.Release();
    path_ = path;
    fileVersion_ = header.version;
    recordCount_ = header.count;
    return true;
}

bool RecordingDocument::Save(const std::filesystem::path& path, Prompt& prompt, ProgressSink* progress) {
    if (fileVersion_ == 1) {
        const std::string text = "This file was created with an older version of Ombra.\r\n\r\n"
                                 "Saving the file in the new format will prevent older\r\n"
                                 "versions of Ombra from viewing it.\r\n\r\n"
                                 "Press \"OK\" to save the file using the new format.\r\n";
        if (prompt.Ask(text, "Convert File: " + Title(), MsgButtons::OkCancel, MsgIcon::Question) !=
            MsgAnswer::Ok)
            return false;
    }
    fileio::FileHandle reopened;
    try {
        fileio::ReplacingFile file(path);
        fileio::BufferedWriter writer(file.Fd());
        WriteRecording(
            commands_, [&writer](std::span<const std::uint8_t> bytes) { writer.Write(bytes); }, progress);
        writer.Flush();
        file.Commit();
    } catch (const std::system_error& error) {
        prompt.Ask(FileErrorText("save", path, error), {}, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    // The file on disk is complete from here on.
    CloseFile();
    fileVersion_ = kCurrentFileVersion;
    recordCount_ = static_cast<std::uint32_t>(commands_.Count());
    path_ = path;
    try {
        reopened = fileio::OpenFile(path, O_RDWR);
    } catch (const std::system_error& error) {
        prompt.Ask(FileErrorText("reopen", path, error), {}, MsgButtons::Ok, MsgIcon::Warning);
        return false;
    }
    openFile_ = reopened.Release();
    modified_ = false;
    return true;
}

} // namespace corvid::debugger
