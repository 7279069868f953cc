// The exported formatted I/O functions: viPrintf and viScanf with their variants, over
// the session's formatted write and read buffers (sized by viSetBuf, emptied by viFlush).
#include "api_formatted.h"

#include "api_guard.h"
#include "formatted_io.h"
#include "visa/visa.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

using namespace corvid::visa;

namespace {

Library& Lib() {
    return Library::Instance();
}

// The session's buffer operation mode for VI_ATTR_RD_BUF_OPER_MODE or WR_BUF_OPER_MODE.
ViAttrState BufferMode(Session& s, ViAttr attribute, ViAttrState fallback) {
    ViAttrState mode = fallback;
    std::string text;
    return Lib().QueryAttribute(s, attribute, mode, text) >= VI_SUCCESS ? mode : fallback;
}

// Formatted output into the session's write buffer, sent when it is full, at the end of
// a message (a line feed of the format) and, with VI_FLUSH_ON_ACCESS, after each call.
class SessionWriter : public FormatSink {
public:
    explicit SessionWriter(Session& s) : s_(s), buffers_(s.formatted()) {}

    ViStatus Put(const char* data, std::size_t size) override {
        const std::size_t limit = std::max<ViUInt32>(s_.writeBufferSize.load(), 1);
        while (size > 0) {
            std::size_t room = limit > buffers_.write.size() ? limit - buffers_.write.size() : 0;
            std::size_t part = std::min(size, room);
            buffers_.write.append(data, part);
            data += part;
            size -= part;
            if (buffers_.write.size() >= limit) {
                ViStatus status = SendPartOfMessage();
                if (status < VI_SUCCESS) {
                    return status;
                }
            }
        }
        return VI_SUCCESS;
    }
    ViStatus EndOfMessage() override { return FlushWriteBuffer(s_); }

private:
    // A buffer sent because it is full is part of a longer message: it goes without END.
    ViStatus SendPartOfMessage() {
        const SbvisaOperations* ops = s_.operations();
        ViAttrState endEnabled = VI_FALSE;
        std::string text;
        bool suppressed = ops && ops->setAttribute &&
                          Lib().QueryAttribute(s_, VI_ATTR_SEND_END_EN, endEnabled, text) >= VI_SUCCESS &&
                          endEnabled != VI_FALSE &&
                          ops->setAttribute(&s_.record(), VI_ATTR_SEND_END_EN, VI_FALSE) >= VI_SUCCESS;
        ViStatus status = FlushWriteBuffer(s_);
        if (suppressed) {
            ops->setAttribute(&s_.record(), VI_ATTR_SEND_END_EN, VI_TRUE);
        }
        return status;
    }

    Session& s_;
    FormattedBuffers& buffers_;
};

// Formatted input from the session's read buffer, refilled by reads of the read buffer's
// size until a read ends the message (END or the termination character).
class SessionReader : public FormatSource {
public:
    explicit SessionReader(Session& s) : s_(s), buffers_(s.formatted()) {
        std::string text;
        ViAttrState termChar = '\n';
        if (Lib().QueryAttribute(s, VI_ATTR_TERMCHAR, termChar, text) >= VI_SUCCESS) {
            termChar_ = static_cast<int>(termChar & 0xFF);
        }
        // What is left of an ended message but blanks and its line feed belongs to no
        // conversion: the scan starts with the next message.
        const std::string& read = buffers_.read;
        if (read.find_first_not_of(" \t\r\n", buffers_.readPosition) == std::string::npos &&
            buffers_.readEnded) {
            Discard();
        }
        if (buffers_.readPosition >= read.size()) {
            Discard();
        }
    }

    int Peek() override {
        if (buffers_.readPosition < buffers_.read.size()) {
            return static_cast<unsigned char>(buffers_.read[buffers_.readPosition]);
        }
        if (buffers_.readEnded || failure_ < VI_SUCCESS || !Fill()) {
            return -1;
        }
        return static_cast<unsigned char>(buffers_.read[buffers_.readPosition]);
    }
    void Take() override { ++buffers_.readPosition; }
    ViStatus failure() const override { return failure_; }
    int terminationCharacter() const override { return termChar_; }

    // After the scan: the used part goes; the rest stays for the next scan unless the
    // read buffer is flushed on each access.
    void Finish() {
        if (BufferMode(s_, VI_ATTR_RD_BUF_OPER_MODE, VI_FLUSH_DISABLE) == VI_FLUSH_ON_ACCESS) {
            Discard();
            return;
        }
        buffers_.read.erase(0, buffers_.readPosition);
        buffers_.readPosition = 0;
    }

private:
    void Discard() {
        buffers_.read.clear();
        buffers_.readPosition = 0;
        buffers_.readEnded = false;
    }

    bool Fill() {
        const ViUInt32 size = std::max<ViUInt32>(s_.readBufferSize.load(), 1);
        std::string chunk(size, '\0');
        ViUInt32 count = 0;
        ViStatus status =
            CallOperation(s_, &SbvisaOperations::read, reinterpret_cast<ViBuf>(chunk.data()), size, &count);
        buffers_.read.append(chunk.data(), std::min(count, size));
        if (status < VI_SUCCESS) {
            failure_ = status;
            buffers_.readEnded = true;
        } else if (status != VI_SUCCESS_MAX_CNT) {
            buffers_.readEnded = true;
        }
        return buffers_.readPosition < buffers_.read.size();
    }

    Session& s_;
    FormattedBuffers& buffers_;
    ViStatus failure_ = VI_SUCCESS;
    int termChar_ = '\n';
};

// Output into a caller's buffer of at most size bytes (terminating zero included).
class MemoryWriter : public FormatSink {
public:
    ViStatus Put(const char* data, std::size_t size) override {
        text.append(data, size);
        return VI_SUCCESS;
    }
    std::string text;
};

class MemoryReader : public FormatSource {
public:
    explicit MemoryReader(const char* text) : text_(text) {}
    int Peek() override { return text_[at_] == '\0' ? -1 : static_cast<unsigned char>(text_[at_]); }
    void Take() override { ++at_; }

private:
    const char* text_;
    std::size_t at_ = 0;
};

ViStatus Print(ViSession vi, ViConstString format, va_list* args) {
    return OnSession(vi, "viPrintf", true, [&](Session& s) -> ViStatus {
        std::lock_guard lock(s.formatted().mutex);
        SessionWriter writer(s);
        ViStatus status = FormatOutput(format, args, writer);
        if (status >= VI_SUCCESS &&
            BufferMode(s, VI_ATTR_WR_BUF_OPER_MODE, VI_FLUSH_WHEN_FULL) == VI_FLUSH_ON_ACCESS) {
            status = FlushWriteBuffer(s);
        }
        return status;
    });
}

ViStatus Scan(ViSession vi, ViConstString format, va_list* args) {
    return OnSession(vi, "viScanf", true, [&](Session& s) -> ViStatus {
        std::lock_guard lock(s.formatted().mutex);
        SessionReader reader(s);
        ViStatus status = ScanInput(format, args, reader);
        reader.Finish();
        return status;
    });
}

ViStatus PrintToMemory(ViSession vi, ViPBuf buffer, std::size_t size, ViConstString format, va_list* args) {
    return OnSession(vi, "viSPrintf", false, [&](Session&) -> ViStatus {
        if (!buffer || size == 0) {
            return VI_ERROR_USER_BUF;
        }
        MemoryWriter writer;
        ViStatus status = FormatOutput(format, args, writer);
        std::size_t length = std::min(writer.text.size(), size - 1);
        std::memcpy(buffer, writer.text.data(), length);
        buffer[length] = '\0';
        return status;
    });
}

ViStatus ScanMemory(ViSession vi, ViConstBuf buffer, ViConstString format, va_list* args) {
    return OnSession(vi, "viSScanf", false, [&](Session&) -> ViStatus {
        if (!buffer) {
            return VI_ERROR_USER_BUF;
        }
        MemoryReader reader(reinterpret_cast<const char*>(buffer));
        return ScanInput(format, args, reader);
    });
}

// The write format's output is sent whatever the buffer mode, then the reply scanned with
// the arguments that follow.
ViStatus Query(ViSession vi, ViConstString writeFmt, ViConstString readFmt, va_list* args) {
    ViStatus status = Print(vi, writeFmt, args);
    if (status < VI_SUCCESS) {
        return status;
    }
    status = OnSession(vi, "viQueryf", true, [&](Session& s) {
        std::lock_guard lock(s.formatted().mutex);
        return FlushWriteBuffer(s);
    });
    return status < VI_SUCCESS ? status : Scan(vi, readFmt, args);
}

// Without a size, the caller's buffer is taken to be large enough, as the standard says.
constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max() / 2;

} // namespace

namespace corvid::visa {

ViStatus FlushWriteBuffer(Session& s) {
    std::string& pending = s.formatted().write;
    std::size_t sent = 0;
    ViStatus status = VI_SUCCESS;
    while (sent < pending.size()) {
        ViUInt32 count = 0;
        status =
            CallOperation(s, &SbvisaOperations::write, reinterpret_cast<ViConstBuf>(pending.data() + sent),
                          static_cast<ViUInt32>(pending.size() - sent), &count);
        if (status < VI_SUCCESS || count == 0) {
            break;
        }
        sent += count;
    }
    pending.clear(); // what failed to go is not sent again with the next message
    return status;
}

ViStatus FlushFormattedBuffers(Session& s, ViUInt16 mask) {
    std::lock_guard lock(s.formatted().mutex);
    FormattedBuffers& buffers = s.formatted();
    ViStatus status = VI_SUCCESS;
    if (mask & VI_WRITE_BUF) {
        status = FlushWriteBuffer(s);
    }
    if (mask & VI_WRITE_BUF_DISCARD) {
        buffers.write.clear();
    }
    if ((mask & VI_READ_BUF) && buffers.readPosition < buffers.read.size() && !buffers.readEnded) {
        // The rest of a message begun is read and dropped, so that the next scan starts
        // with a new one.
        SessionReader reader(s);
        while (reader.Peek() >= 0) {
            reader.Take();
        }
        if (status >= VI_SUCCESS && reader.failure() < VI_SUCCESS) {
            status = reader.failure();
        }
    }
    if (mask & (VI_READ_BUF | VI_READ_BUF_DISCARD)) {
        buffers.read.clear();
        buffers.readPosition = 0;
        buffers.readEnded = false;
    }
    return status;
}

} // namespace corvid::visa

extern "C" {

ViStatus viVPrintf(ViSession vi, ViConstString writeFmt, ViVAList params) {
    va_list args;
    va_copy(args, params);
    ViStatus status = Print(vi, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viPrintf(ViSession vi, ViConstString writeFmt, ...) {
    va_list args;
    va_start(args, writeFmt);
    ViStatus status = Print(vi, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viVSNPrintf(ViSession vi, ViPBuf buf, ViUInt32 size, ViConstString writeFmt, ViVAList parms) {
    va_list args;
    va_copy(args, parms);
    ViStatus status = PrintToMemory(vi, buf, size, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viSNPrintf(ViSession vi, ViPBuf buf, ViUInt32 size, ViConstString writeFmt, ...) {
    va_list args;
    va_start(args, writeFmt);
    ViStatus status = PrintToMemory(vi, buf, size, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viVSPrintf(ViSession vi, ViPBuf buf, ViConstString writeFmt, ViVAList parms) {
    va_list args;
    va_copy(args, parms);
    ViStatus status = PrintToMemory(vi, buf, kUnbounded, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viSPrintf(ViSession vi, ViPBuf buf, ViConstString writeFmt, ...) {
    va_list args;
    va_start(args, writeFmt);
    ViStatus status = PrintToMemory(vi, buf, kUnbounded, writeFmt, &args);
    va_end(args);
    return status;
}

ViStatus viVScanf(ViSession vi, ViConstString readFmt, ViVAList params) {
    va_list args;
    va_copy(args, params);
    ViStatus status = Scan(vi, readFmt, &args);
    va_end(args);
    return status;
}

ViStatus viScanf(ViSession vi, ViConstString readFmt, ...) {
    va_list args;
    va_start(args, readFmt);
    ViStatus status = Scan(vi, readFmt, &args);
    va_end(args);
    return status;
}

ViStatus viVSScanf(ViSession vi, ViConstBuf buf, ViConstString readFmt, ViVAList parms) {
    va_list args;
    va_copy(args, parms);
    ViStatus status = ScanMemory(vi, buf, readFmt, &args);
    va_end(args);
    return status;
}

ViStatus viSScanf(ViSession vi, ViConstBuf buf, ViConstString readFmt, ...) {
    va_list args;
    va_start(args, readFmt);
    ViStatus status = ScanMemory(vi, buf, readFmt, &args);
    va_end(args);
    return status;
}

ViStatus viVQueryf(ViSession vi, ViConstString writeFmt, ViConstString readFmt, ViVAList params) {
    va_list args;
    va_copy(args, params);
    ViStatus status = Query(vi, writeFmt, readFmt, &args);
    va_end(args);
    return status;
}

ViStatus viQueryf(ViSession vi, ViConstString writeFmt, ViConstString readFmt, ...) {
    va_list args;
    va_start(args, readFmt);
    ViStatus status = Query(vi, writeFmt, readFmt, &args);
    va_end(args);
    return status;
}

} // extern "C"
