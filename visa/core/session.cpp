#include "session.h"

#include <cstdio>

namespace corvid::visa {

std::vector<ViEventType> Session::SupportedEvents(ViUInt16 interfaceType, const std::string& resourceClass) {
    if (resourceClass != "INSTR") {
        return {VI_EVENT_EXCEPTION};
    }
    switch (interfaceType) {
    case VI_INTF_GPIB:
    case VI_INTF_ASRL:
        return {VI_EVENT_SERVICE_REQ, VI_EVENT_IO_COMPLETION, VI_EVENT_EXCEPTION};
    case VI_INTF_VXI:
    case VI_INTF_GPIB_VXI:
        return {VI_EVENT_SERVICE_REQ,  VI_EVENT_TRIG,          VI_EVENT_VXI_SIGP,
                VI_EVENT_VXI_VME_INTR, VI_EVENT_IO_COMPLETION, VI_EVENT_EXCEPTION};
    case VI_INTF_PXI:
        return {VI_EVENT_PXI_INTR, VI_EVENT_IO_COMPLETION, VI_EVENT_EXCEPTION};
    default:
        return {VI_EVENT_IO_COMPLETION, VI_EVENT_EXCEPTION};
    }
}

Session::Session(ViSession resourceManager, const ResourceName& name, ViAccessMode mode)
    : VisaObject(Kind::Session), name_(name), resourceManager_(resourceManager),
      events_(SupportedEvents(name.interfaceType, name.resourceClass)) {
    record_.interfaceType = name.interfaceType;
    record_.interfaceNumber = name.interfaceNumber;
    record_.primaryAddress = name.primary;
    record_.secondaryAddress = name.secondary;
    record_.accessMode = mode;
    record_.supportData = this;
    std::snprintf(record_.resourceName, sizeof record_.resourceName, "%s", name.canonical.c_str());
    std::snprintf(record_.resourceClass, sizeof record_.resourceClass, "%s", name.resourceClass.c_str());
}

Session::~Session() {
    CloseIo();
}

void Session::PublishMechanisms(ViEventType type) {
    ViUInt16 mechanisms = events_.Mechanisms(type);
    if (type == VI_EVENT_SERVICE_REQ) {
        __atomic_store_n(&record_.srqMechanisms, mechanisms, __ATOMIC_RELEASE);
    } else if (type == VI_EVENT_IO_COMPLETION) {
        __atomic_store_n(&record_.completionMechanisms, mechanisms, __ATOMIC_RELEASE);
    } else if (type == VI_EVENT_EXCEPTION) {
        exceptionsEnabled.store((mechanisms & (VI_HNDLR | VI_SUSPEND_HNDLR)) != 0, std::memory_order_release);
    }
}

ViStatus Session::CloseIo() {
    std::call_once(closeOnce_, [this] {
        if (record_.operations && record_.operations->close) {
            closeStatus_ = record_.operations->close(&record_);
        }
        record_.operations = nullptr;
    });
    return closeStatus_;
}

} // namespace corvid::visa
