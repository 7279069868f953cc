// One occurrence of an event, as seen through its event context handle.
#pragma once

#include "object_table.h"
#include "visa/sbvisa_io.h"

#include <string>

namespace corvid::visa {

class EventContext : public VisaObject {
public:
    EventContext(ViSession session, ViEventType type, const SbvisaEventData* data)
        : VisaObject(Kind::Event), session_(session), type_(type) {
        if (data) {
            data_ = *data;
            operationName_ = data->operationName ? data->operationName : "";
        }
        data_.operationName = nullptr;
    }

    ViSession session() const { return session_; }
    ViEventType type() const { return type_; }
    const SbvisaEventData& data() const { return data_; }
    const std::string& operationName() const { return operationName_; }

private:
    ViSession session_;
    ViEventType type_;
    SbvisaEventData data_{};
    std::string operationName_;
};

} // namespace corvid::visa
