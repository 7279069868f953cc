// COMBRADoc: a recording document. Its command list is the store of its commands; the
// document adds the file it came from (kept open while the document is open), the file
// version and record count of that file, and the modified flag.
#pragma once

#include "debugger/command_list.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace corvid::debugger {

class Prompt;
class ProgressSink;

class RecordingDocument {
public:
    // A new document: no file, file version -1.
    RecordingDocument();
    ~RecordingDocument();
    RecordingDocument(const RecordingDocument&) = delete;
    RecordingDocument& operator=(const RecordingDocument&) = delete;

    // Opens and loads a recording of version 1 or 2, reading the file once. On failure the
    // reason has been shown through prompt and the document is left empty and new.
    bool Open(const std::filesystem::path& path, Prompt& prompt, ProgressSink* progress = nullptr);

    // Saves in version 2. A version-1 document first asks whether to convert. The file is
    // written beside the target and renamed over it, so a failed save leaves the old file
    // as it was. On success the document's path, version (2) and record count follow the
    // file and the modified flag is cleared.
    bool Save(const std::filesystem::path& path, Prompt& prompt, ProgressSink* progress = nullptr);

    CommandList& Commands() { return commands_; }
    const CommandList& Commands() const { return commands_; }

    // -1 for a new document, 1 or 2 as opened, 2 after a save.
    int FileVersion() const { return fileVersion_; }
    // The count found in (or last written to) the file header.
    std::uint32_t RecordCount() const { return recordCount_; }
    bool IsModified() const { return modified_; }
    void SetModified(bool modified = true) { modified_ = modified; }

    // The file path, empty for a document never opened or saved.
    const std::filesystem::path& PathName() const { return path_; }
    // The file name, or "Untitled" without one.
    std::string Title() const;
    bool HasOpenFile() const { return openFile_ >= 0; }

private:
    void CloseFile();

    CommandList commands_;
    std::filesystem::path path_;
    int openFile_ = -1;
    int fileVersion_ = -1;
    std::uint32_t recordCount_ = 0;
    bool modified_ = false;
};

} // namespace corvid::debugger
