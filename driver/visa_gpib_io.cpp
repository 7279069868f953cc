// Text writes, reads and queries, and the two byte transfers every I/O member uses.
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

// The text of a Char block, up to its zero byte.
std::string_view BlockText(const CCopyDataBlock& block) {
    if (!block.HasData())
        return {};
    std::string_view bytes(reinterpret_cast<const char*>(block.Data()), block.Count());
    return bytes.substr(0, bytes.find('\0'));
}

} // namespace

void CVisaGpib::ContinueAfterMismatch() {
    if (!AskContinueReplay())
        throw CResultError(E_UNEXPECTED, "Out of synch during replay");
}

void CVisaGpib::WriteBytes(const void* buffer, std::int64_t count, bool textMode, std::string_view text,
                           bool playback) {
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
    LogAndCheck(entry, status);
}

ViUInt32 CVisaGpib::ReadBytes(void* buffer, std::int64_t maximum, bool textMode) {
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
    if (log_.IsSet())
        LogAndCheck(textMode ? "Read : " + std::string(bytes) : std::string("Read : Binary Data"), status);
    return count;
}

HRESULT CVisaGpib::Write(BSTR bsCmdString) {
    return Guarded("CVisaGpib::Write", IGpib::iid, [&] {
        bool playback = PlaybackActive();
        CheckInitialised(playback);
        std::string text = Utf8FromBstr(bsCmdString);
        WriteBytes(text.data(), static_cast<std::int64_t>(text.size()), true, text, playback);
        CCopyDataBlock sent = blocks::Text(text);
        Report(link::actionWrite, nullptr, nullptr, &sent);
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
    ReadBytes(buffer.get(), nMaxResultSize, true);
    std::string_view text(buffer.get());
    BSTR result = BstrFromUtf8(text);
    if (!result)
        throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
    *bsResult = result;
    CCopyDataBlock received = blocks::Text(text);
    Report(link::actionRead, nullptr, &received, nullptr);
}

void CVisaGpib::ReadTextReplayed(const CGPIBCommandInfo& record, BSTR* bsResult) {
    if (!AcceptsReplay(record, CCopyDataBlock::Char, link::actionRead))
        return ContinueAfterMismatch();
    BSTR result = BstrFromUtf8(BlockText(record.Received()));
    if (!result)
        throw CResultError(E_OUTOFMEMORY, "Out Of Memory");
    *bsResult = result;
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
