// A simulated instrument on the bus: receives program messages, keeps its properties,
// answers queries after its response delay, and keeps the IEEE 488.2 status model.
// Not thread-safe by itself: the driver serialises every call.
#pragma once

#include "bench_spec.h"
#include "program_message.h"
#include "scpi_errors.h"
#include "status_model.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::sim {

class Bus;

using Clock = std::chrono::steady_clock;

class Instrument {
public:
    Instrument(const InstrumentSpec& spec, Bus& bus);
    Instrument(const Instrument&) = delete;
    Instrument& operator=(const Instrument&) = delete;

    const InstrumentSpec& spec() const { return spec_; }

    // Bytes from the controller; end says EOI came with the last byte. Each line feed,
    // and EOI, ends a program message, which is then carried out.
    void Receive(std::string_view data, bool end, Clock::time_point now);

    // Whether a reply is waiting to be read, and from when it can be.
    bool HasReply() const { return !output_.empty(); }
    Clock::time_point replyReadyAt() const { return readyAt_; }
    bool ReplyReady(Clock::time_point now) const { return HasReply() && readyAt_ <= now; }

    struct Talk {
        size_t count = 0;
        bool end = false; // the last byte carried EOI, or was the end-of-string character
    };
    // Copies the ready reply, stopping after count bytes or after the end-of-string
    // character when eos is given (compared on 7 bits unless eightBit).
    Talk Send(char* buffer, size_t count, std::optional<char> eos, bool eightBit, Clock::time_point now);
    // A read found nothing to send.
    void ReadWithoutReply(Clock::time_point now);

    // Serial poll: status byte with the request bit, which the poll clears.
    uint8_t SerialPoll(Clock::time_point now);
    void DeviceClear(Clock::time_point now);
    void Trigger(Clock::time_point now);
    void SetRemote(bool remote) { remote_ = remote; }
    void SetLockout(bool lockout) { lockout_ = lockout; }
    bool remote() const { return remote_; }

    // Whether the instrument asks for service (re-evaluated at now).
    bool RequestingService(Clock::time_point now);
    uint64_t requestCount() const { return status_.requestCount(); }

    Value PropertyValue(int index) const { return properties_[static_cast<size_t>(index)]; }
    const std::vector<Value>& parameters() const { return parameters_; }

private:
    friend class CommandRunner;
    bool MessageAvailable(Clock::time_point now) const { return ReplyReady(now); }
    void UpdateStatus(Clock::time_point now) { status_.Update(MessageAvailable(now)); }
    void Execute(std::string_view message, Clock::time_point now);
    void Reset();
    // Carries out a "set" line of the description; false after queuing the error.
    bool Apply(const SetAction& action, EvalContext& evaluation);
    void Error(const ScpiError& e) { status_.AddError(e.code, e.text); }

    const InstrumentSpec& spec_;
    Bus& bus_;
    StatusModel status_;
    std::vector<Value> properties_;
    std::vector<Value> parameters_; // of the dialogue being carried out
    std::string input_;
    std::string output_;
    size_t readPos_ = 0;
    Clock::time_point readyAt_{};
    bool remote_ = false;
    bool lockout_ = false;
};

} // namespace corvid::sim
