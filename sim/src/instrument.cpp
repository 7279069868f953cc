#include "instrument.h"

#include "bus.h"

namespace corvid::sim {

namespace {

constexpr size_t kInputLimit = 1 << 20;

} // namespace

Instrument::Instrument(const InstrumentSpec& spec, Bus& bus) : spec_(spec), bus_(bus) {
    Reset();
}

void Instrument::Reset() {
    properties_.clear();
    for (const PropertySpec& p : spec_.properties) {
        properties_.push_back(p.initial);
    }
}

void Instrument::Receive(std::string_view data, bool end, Clock::time_point now) {
    if (input_.size() + data.size() > kInputLimit) {
        input_.clear();
        Error(kInputBufferOverrun);
        UpdateStatus(now);
        return;
    }
    input_.append(data);
    size_t start = 0;
    size_t newline;
    while ((newline = input_.find('\n', start)) != std::string::npos) {
        std::string_view message(input_.data() + start, newline - start);
        if (!message.empty() && message.back() == '\r') {
            message.remove_suffix(1);
        }
        Execute(message, now);
        start = newline + 1;
    }
    input_.erase(0, start);
    if (end && !input_.empty()) {
        std::string message;
        message.swap(input_);
        Execute(message, now);
    }
    UpdateStatus(now);
}

Instrument::Talk Instrument::Send(char* buffer, size_t count, std::optional<char> eos, bool eightBit,
                                  Clock::time_point now) {
    Talk talk;
    if (!ReplyReady(now)) {
        return talk;
    }
    size_t available = output_.size() - readPos_;
    size_t n = std::min(count, available);
    if (eos) {
        unsigned char mask = eightBit ? 0xff : 0x7f;
        for (size_t i = 0; i < n; ++i) {
            if (((static_cast<unsigned char>(output_[readPos_ + i]) ^ static_cast<unsigned char>(*eos)) &
                 mask) == 0) {
                n = i + 1;
                talk.end = true;
                break;
            }
        }
    }
    output_.copy(buffer, n, readPos_);
    readPos_ += n;
    talk.count = n;
    if (readPos_ == output_.size()) {
        talk.end = true;
        output_.clear();
        readPos_ = 0;
    }
    UpdateStatus(now);
    return talk;
}

void Instrument::ReadWithoutReply(Clock::time_point now) {
    Error(kQueryUnterminated);
    UpdateStatus(now);
}

uint8_t Instrument::SerialPoll(Clock::time_point now) {
    return status_.SerialPoll(MessageAvailable(now));
}

void Instrument::DeviceClear(Clock::time_point now) {
    input_.clear();
    output_.clear();
    readPos_ = 0;
    UpdateStatus(now);
}

void Instrument::Trigger(Clock::time_point now) {
    const std::vector<Value> none;
    BusEvaluation evaluation(bus_, none);
    for (const SetAction& action : spec_.trigger) {
        Apply(action, evaluation);
    }
    UpdateStatus(now);
}

bool Instrument::RequestingService(Clock::time_point now) {
    UpdateStatus(now);
    return status_.requesting();
}

} // namespace corvid::sim
