#include "status_model.h"

namespace corvid::sim {

StatusModel::StatusModel() = default;

void StatusModel::AddError(int code, std::string_view message) {
    if (code <= -100 && code > -200) {
        esr_ |= kCommandError;
    } else if (code <= -200 && code > -300) {
        esr_ |= kExecutionError;
    } else if (code <= -400 && code > -500) {
        esr_ |= kQueryError;
    } else {
        esr_ |= kDeviceError;
    }
    std::string entry = std::to_string(code) + ",\"" + std::string(message) + "\"";
    if (errors_.size() < kErrorQueueSize) {
        errors_.push_back(std::move(entry));
    } else {
        errors_.back() = "-350,\"Queue overflow\"";
    }
}

std::string StatusModel::NextError() {
    if (errors_.empty()) {
        return "0,\"No error\"";
    }
    std::string entry = std::move(errors_.front());
    errors_.pop_front();
    return entry;
}

uint8_t StatusModel::TakeEventRegister() {
    uint8_t value = esr_;
    esr_ = 0;
    return value;
}

void StatusModel::Clear() {
    esr_ = 0;
    errors_.clear();
}

uint8_t StatusModel::StatusByte(bool messageAvailable) const {
    uint8_t stb = 0;
    if (!errors_.empty()) {
        stb |= kErrorAvailable;
    }
    if (messageAvailable) {
        stb |= kMessageAvailable;
    }
    if ((esr_ & ese_) != 0) {
        stb |= kEventSummary;
    }
    return stb;
}

uint8_t StatusModel::StatusByteQuery(bool messageAvailable) const {
    uint8_t stb = StatusByte(messageAvailable);
    return (stb & sre_) != 0 ? static_cast<uint8_t>(stb | kRequestService) : stb;
}

bool StatusModel::Update(bool messageAvailable) {
    bool summary = (StatusByte(messageAvailable) & sre_) != 0;
    bool raised = false;
    if (summary && !summary_) {
        requesting_ = true;
        ++requestCount_;
        raised = true;
    } else if (!summary) {
        requesting_ = false;
    }
    summary_ = summary;
    return raised;
}

uint8_t StatusModel::SerialPoll(bool messageAvailable) {
    Update(messageAvailable);
    uint8_t stb = StatusByte(messageAvailable);
    if (requesting_) {
        stb |= kRequestService;
    }
    requesting_ = false;
    return stb;
}

} // namespace corvid::sim
