// Asking the unit on the bench who it is and which options it has: "*IDN?" and "*OPT?"
// over GPIB through the VISA library.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::demouut {

// A GPIB address as the instrument database holds it: secondary 0 means none,
// timeoutCode is the driver's time-out code (11 = 1 s, 13 = 10 s, ...).
struct GpibAddress {
    int board = 0;
    int primary = 0;
    int secondary = 0;
    int timeoutCode = 13;
};

// "GPIB0::22::INSTR", or "GPIB0::15::1::INSTR" with a secondary address.
std::string ResourceName(const GpibAddress& address);
// The time-out in milliseconds of a driver time-out code; codes outside 1..17 give 10 s.
uint32_t TimeoutMilliseconds(int timeoutCode);

struct UnitIdentity {
    std::string maker;
    std::string model;
    std::string serialNumber;
    std::string firmware;
};

// "maker,model,serial,firmware" with blanks and line ends around each field removed;
// false when the reply does not have four fields or the serial number is empty.
bool ParseIdentity(std::string_view reply, UnitIdentity& identity);
// The comma-separated option codes of an "*OPT?" reply; "0" or an empty reply is none.
std::vector<std::string> ParseOptions(std::string_view reply);

// The instrument did not answer (not connected, switched off, time-out).
class NoAnswer : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One VISA session to the instrument at an address, opened by the constructor and
// closed by the destructor. Failures raise NoAnswer with the library's description.
class UnitSession {
public:
    explicit UnitSession(const GpibAddress& address);
    ~UnitSession();
    UnitSession(const UnitSession&) = delete;
    UnitSession& operator=(const UnitSession&) = delete;

    // Writes the command (a line feed is added) and reads the whole reply.
    std::string Query(std::string_view command);

private:
    [[noreturn]] void Fail(const std::string& what, long status) const;

    std::string resource_;
    uint32_t rm_ = 0;
    uint32_t session_ = 0;
};

} // namespace corvid::demouut
