// Recording files: byte-exact reading and writing of versions 1 and 2, the conversion
// question, and every way a damaged file is refused.
#include "debugger/document.h"
#include "debugger/progress.h"
#include "debugger/recording_file.h"
#include "test_support.h"
#include "testsupport/sandbox.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvid::debugger {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::ScriptedPrompt;

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes Header(std::uint16_t schema, std::uint32_t count, std::string_view name = "CArchiveVersion") {
    return Bytes{0xFF,
                 0xFF,
                 static_cast<std::uint8_t>(schema),
                 static_cast<std::uint8_t>(schema >> 8),
                 static_cast<std::uint8_t>(name.size()),
                 0x00} +
           Text(name) +
           Bytes{static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
                 static_cast<std::uint8_t>(count >> 16), static_cast<std::uint8_t>(count >> 24)};
}

// WRITE to board 1, address 22, on 46363.5, sending "*IDN?".
const Bytes kWriteFields = {0x16, 0x01, 0x82, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x00, 0x70, 0xA3, 0xE6, 0x40};
const Bytes kWriteSent = Bytes{0x06, 0x00, 0x05, 0x00} + Text("*IDN?") + Bytes{0x00};
// READ from address 5 with Received doubles {1.5, -2} and Parameters dword 0x3FFF001A.
const Bytes kReadFields = {0x05, 0x00, 0x61, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const Bytes kReadReceived = {0x02, 0x00, 0x03, 0x00, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0};
const Bytes kReadParameters = {0x01, 0x00, 0x06, 0x00, 0x1A, 0x00, 0xFF, 0x3F};

Bytes Version2(std::string_view writeComment) {
    return Header(2, 2) + Bytes{0x02} + kWriteFields + Bytes{static_cast<std::uint8_t>(writeComment.size())} +
           Text(writeComment) + Bytes{0x02} + kWriteSent + Bytes{0x02} + kReadFields + Bytes{0x00} +
           Bytes{0x02} + kReadReceived + Bytes{0x02} + kReadParameters;
}

Bytes Version1() {
    return Header(1, 2) + kWriteFields + kWriteSent + kReadFields + kReadReceived + kReadParameters;
}

class RecordingFileTest : public corvid::testing::SandboxTest {
protected:
    std::filesystem::path PathOf(const std::string& name) const { return sandbox.home() / name; }

    std::filesystem::path WriteFile(const std::string& name, const Bytes& bytes) const {
        std::ofstream out(PathOf(name), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return PathOf(name);
    }

    static Bytes ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    ScriptedPrompt prompt;
};

void ExpectFixtureCommands(const RecordingDocument& document, std::string_view writeComment) {
    ASSERT_EQ(document.Commands().Count(), 2);
    const link::CGPIBCommandInfo& write = document.Commands().At(0)->command;
    EXPECT_EQ(write.ActionCode(), link::actionWrite);
    EXPECT_EQ(write.BusAddress(), 22);
    EXPECT_EQ(write.BoardNumber(), 1);
    EXPECT_EQ(write.Time().date, 46363.5);
    EXPECT_EQ(write.Comments(), writeComment);
    EXPECT_EQ(write.Sent().GetString(true, 100), "*IDN?");
    const link::CGPIBCommandInfo& read = document.Commands().At(1)->command;
    EXPECT_EQ(read.ActionFlags(), 0x61);
    EXPECT_EQ(read.Received().GetString(true, 100), "1.5000e+00, -2.0000e+00");
    EXPECT_EQ(read.Parameters().GetString(true, 100), "0x3FFF001A");
    EXPECT_EQ(read.Sent().Type(), link::CCopyDataBlock::Empty);
}

TEST_F(RecordingFileTest, Version2FileLoadsAndSavesToTheSameBytes) {
    RecordingDocument document;
    ASSERT_TRUE(document.Open(WriteFile("rec.omr", Version2("hi")), prompt));
    EXPECT_EQ(document.FileVersion(), 2);
    EXPECT_EQ(document.RecordCount(), 2u);
    ExpectFixtureCommands(document, "hi");

    ASSERT_TRUE(document.Save(PathOf("copy.omr"), prompt));
    EXPECT_EQ(ReadFile(PathOf("copy.omr")), Version2("hi"));
    EXPECT_TRUE(prompt.asked.empty());
}

TEST_F(RecordingFileTest, Version1FileLoadsWithEmptyComments) {
    RecordingDocument document;
    ASSERT_TRUE(document.Open(WriteFile("old.omr", Version1()), prompt));
    EXPECT_EQ(document.FileVersion(), 1);
    ExpectFixtureCommands(document, "");
}

TEST_F(RecordingFileTest, SavingAVersion1FileAsksOnceAndWritesVersion2) {
    RecordingDocument document;
    ASSERT_TRUE(document.Open(WriteFile("old.omr", Version1()), prompt));
    ASSERT_TRUE(document.Save(PathOf("old.omr"), prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, "Convert File: old.omr");
    EXPECT_EQ(prompt.asked[0].text, "This file was created with an older version of Ombra.\r\n\r\n"
                                    "Saving the file in the new format will prevent older\r\n"
                                    "versions of Ombra from viewing it.\r\n\r\n"
                                    "Press \"OK\" to save the file using the new format.\r\n");
    EXPECT_EQ(prompt.asked[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(ReadFile(PathOf("old.omr")), Version2(""));
    EXPECT_EQ(document.FileVersion(), 2);

    ASSERT_TRUE(document.Save(PathOf("old.omr"), prompt));
    EXPECT_EQ(prompt.asked.size(), 1u);
}

TEST_F(RecordingFileTest, DecliningTheConversionWritesNothing) {
    RecordingDocument document;
    const auto path = WriteFile("old.omr", Version1());
    ASSERT_TRUE(document.Open(path, prompt));
    document.SetModified();
    prompt.answers = {MsgAnswer::Cancel};
    EXPECT_FALSE(document.Save(path, prompt));
    EXPECT_EQ(ReadFile(path), Version1());
    EXPECT_EQ(document.FileVersion(), 1);
    EXPECT_TRUE(document.IsModified());
}

TEST_F(RecordingFileTest, EmptyRecordingIs25Bytes) {
    RecordingDocument document;
    EXPECT_EQ(document.FileVersion(), -1);
    ASSERT_TRUE(document.Save(PathOf("empty.omr"), prompt));
    EXPECT_EQ(ReadFile(PathOf("empty.omr")), Header(2, 0));
    EXPECT_EQ(document.FileVersion(), 2);
    RecordingDocument reopened;
    ASSERT_TRUE(reopened.Open(PathOf("empty.omr"), prompt));
    EXPECT_EQ(reopened.Commands().Count(), 0);
}

TEST_F(RecordingFileTest, CommentsSurviveAndBreakpointsDoNot) {
    RecordingDocument document;
    link::CGPIBCommandInfo command = testing::WriteCommand(3, "MEAS?");
    command.SetComments("a note");
    document.Commands().Insert({command, true}, -1, false, false);
    document.SetModified();
    ASSERT_TRUE(document.Save(PathOf("notes.omr"), prompt));
    EXPECT_FALSE(document.IsModified());

    RecordingDocument reopened;
    ASSERT_TRUE(reopened.Open(PathOf("notes.omr"), prompt));
    ASSERT_EQ(reopened.Commands().Count(), 1);
    EXPECT_EQ(reopened.Commands().At(0)->command.Comments(), "a note");
    EXPECT_FALSE(reopened.Commands().At(0)->breakpoint);
}

struct DamagedFile {
    const char* name;
    Bytes bytes;
    const char* caption;
    const char* textPart;
};

class DamagedFileTest : public RecordingFileTest, public ::testing::WithParamInterface<DamagedFile> {};

TEST_P(DamagedFileTest, IsRefusedWithItsMessageAndLeavesNoCommands) {
    RecordingDocument document;
    EXPECT_FALSE(document.Open(WriteFile("bad.omr", GetParam().bytes), prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_EQ(prompt.asked[0].caption, GetParam().caption);
    EXPECT_NE(prompt.asked[0].text.find(GetParam().textPart), std::string::npos) << prompt.asked[0].text;
    EXPECT_EQ(document.Commands().Count(), 0);
    EXPECT_EQ(document.FileVersion(), -1);
    EXPECT_FALSE(document.HasOpenFile());
}

Bytes FirstBytes(Bytes bytes, std::size_t count) {
    bytes.resize(count);
    return bytes;
}

Bytes WithByte(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

// Offsets in Version2(""): the header is 25 bytes, the write record 28, then the read record,
// whose Received block starts after its 17 bytes of fields and comment.
constexpr std::size_t kReadRecord = 25 + 28;
constexpr std::size_t kReadReceivedType = kReadRecord + 17 + 3;

INSTANTIATE_TEST_SUITE_P(
    Load, DamagedFileTest,
    ::testing::Values(
        DamagedFile{
            "SchemaThree", Header(3, 0), "Unknown file version",
            "The version of the file you are trying to open is not compatible\r\nwith this version of the "
            "program.\r\n\r\nThe file cannot be opened."},
        DamagedFile{"WrongClass", Header(2, 0, "CArchiveVersioN"), "", "is not a valid recording"},
        DamagedFile{"NoClassTag", WithByte(Header(2, 0), 0, 0x7F), "", "is not a valid recording"},
        DamagedFile{"ShortHeader", FirstBytes(Header(2, 0), 12), "", "past the end of the file bad.omr"},
        DamagedFile{"NoCount", FirstBytes(Header(2, 0), 22), "", "past the end"},
        DamagedFile{"CountTooLarge", WithByte(Version2(""), 21, 3), "", "command 3 of 3"},
        DamagedFile{"TruncatedRecord", FirstBytes(Version2(""), Version2("").size() - 3), "",
                    "command 2 of 2"},
        DamagedFile{"InvalidTypeCode", WithByte(Version2(""), kReadReceivedType, 12), "",
                    "invalid type code 12"},
        DamagedFile{"RecordVersionThree", WithByte(Version2(""), kReadRecord, 3), "",
                    "unsupported command record version 3"},
        DamagedFile{"Version1InvalidType", WithByte(Version1(), 25 + 15 + 2, 9), "", "invalid type code 9"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(RecordingFileTest, AMissingFileIsReported) {
    RecordingDocument document;
    EXPECT_FALSE(document.Open(PathOf("absent.omr"), prompt));
    ASSERT_EQ(prompt.asked.size(), 1u);
    EXPECT_NE(prompt.asked[0].text.find("absent.omr"), std::string::npos);
}

TEST_F(RecordingFileTest, PipesAndDirectoriesAreRefusedWithoutWaiting) {
    const auto pipe = PathOf("pipe.omr");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    RecordingDocument document;
    EXPECT_FALSE(document.Open(pipe, prompt)); // would block in open without a writer
    EXPECT_FALSE(document.Open(sandbox.home(), prompt));
    ASSERT_EQ(prompt.asked.size(), 2u);
    EXPECT_NE(prompt.asked[0].text.find("Not a regular file."), std::string::npos) << prompt.asked[0].text;
    EXPECT_NE(prompt.asked[1].text.find("Is a directory."), std::string::npos) << prompt.asked[1].text;
}

TEST_F(RecordingFileTest, AReadOnlyFileIsNotReplaced) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write any file";
    const auto path = WriteFile("locked.omr", Version2("hi"));
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    RecordingDocument document;
    document.Commands().Insert({testing::WriteCommand(1, "new"), false}, -1, false, false);
    EXPECT_FALSE(document.Save(path, prompt));
    EXPECT_EQ(ReadFile(path), Version2("hi"));
    EXPECT_TRUE(document.PathName().empty());
}

TEST_F(RecordingFileTest, AFailedSaveLeavesTheOldFile) {
    const auto path = WriteFile("keep.omr", Version2("hi"));
    corvid::testing::ChildProcess child = corvid::testing::ChildProcess::Fork([&] {
        RecordingDocument document;
        for (int i = 0; i < 2000; ++i)
            document.Commands().Insert({testing::WriteCommand(1, "a long enough command text"), false}, -1,
                                       false, false);
        // Writes past 4 KiB fail with EFBIG instead of killing the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        ScriptedPrompt childPrompt;
        const bool saved = document.Save(path, childPrompt);
        return !saved && childPrompt.asked.size() == 1 ? 0 : 1;
    });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(path), Version2("hi"));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(sandbox.home()))
        ++files;
    EXPECT_EQ(files, 1) << "the temporary file was left behind";
}

TEST_F(RecordingFileTest, LoadRecordingReportsProgressOncePerCommand) {
    struct Counter : ProgressSink {
        void Begin(std::string_view text, std::size_t total) override {
            began = std::string(text);
            range = total;
        }
        void Step() override { ++steps; }
        void End() override { ended = true; }
        std::string began;
        std::size_t range = 0, steps = 0;
        bool ended = false;
    } progress;
    const Bytes bytes = Version2("");
    const LoadedRecording loaded = LoadRecording(bytes, &progress);
    EXPECT_EQ(loaded.items.size(), 2u);
    EXPECT_EQ(progress.began, "Opening file...");
    EXPECT_EQ(progress.range, 2u);
    EXPECT_EQ(progress.steps, 2u);
    EXPECT_TRUE(progress.ended);
}

} // namespace
} // namespace corvid::debugger
