// Text writes, reads and queries, and the two byte transfers every I/O member uses.
#include "code_page.h"
#include "record_blocks.h"
#include "reply_numbers.h"
#include "visa_gpib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace corvid::driver {
namespace {

constexpr LONG kQueryReplySize = 128;
constexpr std::int64_t kMaxTransfer = std::numeric_limits<ViUInt32>::max();

// The text of a Char block. One that ends in its zero byte holds everything before it,
// zero bytes an instrument sent included, as the driver records texts; any other ends at
// its first zero byte, or at its element count without one.
std::string_view BlockText(const CCopyDataBlock& block) {
    if (!block.HasData())
        return {};
    std::string_view bytes(reinterpret_cast<const char*>(block.Data()), block.Count());
    if (!bytes.empty() && bytes.back() == '\0')
        return bytes.substr(0, bytes.size() - 1);
    return bytes.substr(0, bytes.find('\0'));
}

// What a log entry adds for a text that the debugger's record holds cut.
std::string CutSuffix(std::string_view note) {
    return note.empty() ? std::string() : " [debugger record: " + std::string(note) + "]";
}

// A new BSTR of the characters of code-page bytes; "Out Of Memory" when it cannot be had.
BSTR NewText(const CodePage& page, std::string_view bytes) {
    const std::u16string text = page.ToUtf16(bytes);
    BSTR result = com::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!result)
        throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
    return result;
}

// Replayed answers whose record says its text was cut carry this at the start of the comments.
constexpr std::string_view kReceivedCutMark = "Received text cut to ";

} // namespace

void CVisaGpib::ContinueAfterMismatch() {
    if (!AskContinueReplay())
        throw CResultError(E_UNEXPECTED, "Out of synch during replay");
}

void CVisaGpib::WriteBytes(const void* buffer, std::int64_t count, bool textMode, std::string_view text,
                           bool playback, std::string_view cutNote) {
    if (playback)
        return;
    if (count < 0)
        throw CResultError(E_INVALIDARG, "Can't Write a negative amount of Data");
    if (count > kMaxTransfer)
        throw CResultError(E_INVALIDARG, "Can't Write that much Data at once");
    ViUInt32 written = 0;
    ViStatus status =
        viWrite(session_, static_cast<ViConstBuf>(buffer), static_cast<ViUInt32>(count), &written);
    std::string entry;
    if (log_.IsSet())
        entry = !writeLogging_ ? "Write - ***"
                : textMode     ? "Write : " + std::string(text)
                               : "Write - Binary Data";
    LogAndCheck(entry + CutSuffix(cutNote), status);
}

ViUInt32 CVisaGpib::ReadBytes(void* buffer, std::int64_t maximum, bool textMode, std::string* cutNote) {
    if (maximum < 0)
        throw CResultError(E_INVALIDARG, "Can't Read a negative amount of Data");
    auto limit = static_cast<ViUInt32>(std::min(maximum, kMaxTransfer));
    ViUInt32 count = 0;
    ViStatus status = viRead(session_, static_cast<ViPBuf>(buffer), limit, &count);
    count = std::min(count, limit);
    if (status < VI_SUCCESS) {
        LogAndCheck("Read", status);
        return 0;
    }
    auto* bytes = static_cast<char*>(buffer);
    if (textMode)
        bytes[count] = '\0';
    if (textMode && cutNote)
        *cutNote = RecordCutNote("Received", count);
    if (log_.IsSet()) {
        LogAndCheck(textMode ? "Read : " + CodePage::OfProcess().ToUtf8({bytes, count}) +
                                   CutSuffix(cutNote ? *cutNote : std::string())
                             : std::string("Read : Binary Data"),
                    status);
    }
    return count;
}

HRESULT CVisaGpib::Write(BSTR bsCmdString) {
    return Guarded("CVisaGpib::Write", IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        const CodePage page = CodePage::OfProcess();
        const std::string bytes = page.FromUtf16(com::BstrView(bsCmdString));
        const std::string cutNote = RecordCutNote("Sent", bytes.size());
        WriteBytes(bytes.data(), static_cast<std::int64_t>(bytes.size()), true,
                   writeLogging_ && log_.IsSet() ? page.ToUtf8(bytes) : std::string(), playback, cutNote);
        CCopyDataBlock sent = blocks::Text(bytes);
        Report(link::actionWrite, nullptr, nullptr, &sent, cutNote);
    });
}

HRESULT CVisaGpib::Read(BSTR* bsResult, LONG nMaxResultSize) {
    return ReadingOperation(
        "CVisaGpib::Read", "CVisaGpib::Read", bsResult != nullptr,
        [&] { ReadTextLive(bsResult, nMaxResultSize); },
        [&](const CGPIBCommandInfo& record) { ReadTextReplayed(record, bsResult); });
}

void CVisaGpib::ReadTextLive(BSTR* bsResult, LONG nMaxResultSize) {
    CheckInitialised(PlaybackActive());
    if (nMaxResultSize < 0)
        throw CResultError(E_INVALIDARG, "Can't Read a negative amount of Data");
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[static_cast<std::size_t>(nMaxResultSize) + 1]);
    if (!buffer)
        throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
    std::string cutNote;
    const ViUInt32 count = ReadBytes(buffer.get(), nMaxResultSize, true, &cutNote);
    const std::string_view bytes(buffer.get(), count);
    *bsResult = NewText(CodePage::OfProcess(), bytes);
    CCopyDataBlock received = blocks::Text(bytes);
    Report(link::actionRead, nullptr, &received, nullptr, cutNote);
}

void CVisaGpib::ReadTextReplayed(const CGPIBCommandInfo& record, BSTR* bsResult) {
    if (!AcceptsReplay(record, CCopyDataBlock::Char, link::actionRead))
        return ContinueAfterMismatch();
    const CodePage page = CodePage::OfProcess();
    const std::string_view bytes = BlockText(record.Received());
    *bsResult = NewText(page, bytes);
    // The recorded answer is shorter than the instrument's was: the log says so.
    if (log_.IsSet() && record.Comments().starts_with(kReceivedCutMark))
        log_.LogCommand("Read : " + page.ToUtf8(bytes) + CutSuffix(record.Comments()),
                        "Replayed answer is incomplete", false);
}

HRESULT CVisaGpib::Query(BSTR bsCmdString, BSTR* bsResult, LONG nMaxResultSize) {
    return Guarded("CVisaGpib::Query", IGpib::iid, [&] {
        if (HRESULT hr = Write(bsCmdString); FAILED(hr))
            throw CResultError::Nested(hr);
        if (HRESULT hr = Read(bsResult, nMaxResultSize); FAILED(hr))
            throw CResultError::Nested(hr);
    });
}

void CVisaGpib::QueryText(BSTR bsCmdString, std::string& reply) {
    Bstr result;
    if (HRESULT hr = Write(bsCmdString); FAILED(hr))
        throw CResultError::Nested(hr);
    if (HRESULT hr = Read(result.Out(), kQueryReplySize); FAILED(hr))
        throw CResultError::Nested(hr);
    reply = result.Utf8();
}

HRESULT CVisaGpib::QueryInt32(BSTR bsCmdString, LONG* lResult) {
    return Guarded("CVisaGpib::Query", IGpib::iid, [&] {
        if (!lResult)
            throw CResultError(E_POINTER, "Invalid output pointer");
        std::string reply;
        QueryText(bsCmdString, reply);
        *lResult = LeadingInteger(reply);
    });
}

HRESULT CVisaGpib::QueryDouble(BSTR bsCmdString, DOUBLE* dResult) {
    return Guarded("CVisaGpib::Query", IGpib::iid, [&] {
        if (!dResult)
            throw CResultError(E_POINTER, "Invalid output pointer");
        std::string reply;
        QueryText(bsCmdString, reply);
        *dResult = LeadingDouble(reply);
    });
}

} // namespace corvid::driver
