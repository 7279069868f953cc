// The formatted I/O engine behind viPrintf and viScanf and their variants: format strings
// with the standard conversions, the IEEE 488.2 number forms (@1 @2 @3 @H @Q @B), comma
// separated arrays (",N", ",*", ",#"), binary blocks (%b, %B), raw binary (%y) with their
// element sizes (h l ll z Z) and byte orders (!ob !ol), and the text forms %t %T %[...].
// Where the bytes go to or come from is left to a sink or a source, so that the same engine
// serves sessions (through their formatted buffers) and plain memory (viSPrintf, viSScanf).
#pragma once

#include "visa/visa.h"

#include <cstdarg>
#include <cstddef>
#include <mutex>
#include <string>

namespace corvid::visa {

// Where formatted output goes.
class FormatSink {
public:
    virtual ~FormatSink() = default;
    virtual ViStatus Put(const char* data, std::size_t size) = 0;
    // A line feed of the format string itself was put: the end of a message.
    virtual ViStatus EndOfMessage() { return VI_SUCCESS; }
};

// Where formatted input comes from, byte by byte.
class FormatSource {
public:
    virtual ~FormatSource() = default;
    // The next byte without taking it; -1 when the message has ended (or a read failed).
    virtual int Peek() = 0;
    virtual void Take() = 0;
    // The failure that ended the data early, or VI_SUCCESS.
    virtual ViStatus failure() const { return VI_SUCCESS; }
    // The session's termination character, for %T.
    virtual int terminationCharacter() const { return '\n'; }
};

// Formats with the arguments taken from args (consumed in order, so that a query can
// go on with the same list). VI_ERROR_INV_FMT for a malformed format, VI_ERROR_NSUP_FMT
// for a conversion that is not offered, else the sink's status.
ViStatus FormatOutput(const char* format, va_list* args, FormatSink& sink);

// Scans the source into the arguments; assigned counts the conversions stored. Input
// that does not match ends the scan successfully; a read failure before anything was
// stored is the result.
ViStatus ScanInput(const char* format, va_list* args, FormatSource& source, int* assigned = nullptr);

// A session's formatted buffers: written bytes not yet sent, and read bytes not yet used.
struct FormattedBuffers {
    std::mutex mutex;
    std::string write;
    std::string read;
    std::size_t readPosition = 0;
    bool readEnded = false; // the read buffer holds the end of a message
};

} // namespace corvid::visa
