// The IEEE 488.2 status reporting of an instrument: the standard event status register
// with its enable mask, the status byte with its service request enable, the error
// queue, and the request for service that a serial poll clears.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace corvid::sim {

class StatusModel {
public:
    // Standard event status register bits.
    static constexpr uint8_t kOperationComplete = 0x01;
    static constexpr uint8_t kQueryError = 0x04;
    static constexpr uint8_t kDeviceError = 0x08;
    static constexpr uint8_t kExecutionError = 0x10;
    static constexpr uint8_t kCommandError = 0x20;
    static constexpr uint8_t kPowerOn = 0x80;
    // Status byte bits.
    static constexpr uint8_t kErrorAvailable = 0x04;
    static constexpr uint8_t kMessageAvailable = 0x10;
    static constexpr uint8_t kEventSummary = 0x20;
    static constexpr uint8_t kRequestService = 0x40;

    static constexpr size_t kErrorQueueSize = 20;

    StatusModel();

    // Queues "code,\"message\"" and sets the event bit of the error's class.
    void AddError(int code, std::string_view message);
    // The oldest error, or 0,"No error".
    std::string NextError();
    void SetEvents(uint8_t bits) { esr_ |= bits; }
    uint8_t TakeEventRegister();
    void Clear(); // *CLS

    uint8_t eventEnable() const { return ese_; }
    void SetEventEnable(uint8_t mask) { ese_ = mask; }
    uint8_t serviceRequestEnable() const { return sre_; }
    void SetServiceRequestEnable(uint8_t mask) { sre_ = static_cast<uint8_t>(mask & ~kRequestService); }

    // The status byte without bit 6.
    uint8_t StatusByte(bool messageAvailable) const;
    // *STB?: the status byte with the master summary in bit 6.
    uint8_t StatusByteQuery(bool messageAvailable) const;

    // Re-evaluates the service request after any change: a new reason for service
    // (an enabled summary bit that was not there before) raises the request, the end of
    // every reason withdraws it. Returns true when a request was raised.
    bool Update(bool messageAvailable);
    // Serial poll: the status byte with the request bit, which the poll clears.
    uint8_t SerialPoll(bool messageAvailable);
    bool requesting() const { return requesting_; }
    // Counts raised requests, so that waiters see a new one even after a poll.
    uint64_t requestCount() const { return requestCount_; }

private:
    uint8_t esr_ = kPowerOn;
    uint8_t ese_ = 0;
    uint8_t sre_ = 0;
    std::deque<std::string> errors_;
    bool summary_ = false;
    bool requesting_ = false;
    uint64_t requestCount_ = 0;
};

} // namespace corvid::sim
