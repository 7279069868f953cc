// viGetAttribute and viSetAttribute on every kind of object.
#include "library.h"
#include "visa/names.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace corvid::visa {
namespace {

constexpr ViVersion kImplementationVersion = 0x00101000; // 1.1.0
constexpr ViUInt16 kManufacturerId = 0x0F3B;
constexpr const char* kManufacturerName = "Sorbel";

// Writes exactly the attribute's width: callers size their buffers by the type.
void WriteValue(const AttributeInfo& info, ViAttrState number, const std::string& text, void* out) {
    if (info.type == AttributeType::Text) {
        std::size_t length = std::min<std::size_t>(text.size(), VI_FIND_BUFLEN - 1);
        std::memcpy(out, text.data(), length);
        static_cast<char*>(out)[length] = '\0';
        return;
    }
    std::memcpy(out, &number, AttributeWidth(info.type)); // little-endian: the low bytes
}

// The value cut to the attribute's type; false when it does not fit. Signed values are
// accepted sign-extended from 64 bits or from the 32 bits a narrower caller passes.
bool NormaliseValue(const AttributeInfo& info, ViAttrState& value) {
    auto fitsSigned = [&](ViInt64 low, ViInt64 high) {
        auto full = static_cast<ViInt64>(value);
        if (full >= low && full <= high) {
            return true;
        }
        if ((value >> 32) == 0) {
            auto narrow = static_cast<ViInt32>(static_cast<ViUInt32>(value));
            if (narrow >= low && narrow <= high) {
                value = static_cast<ViAttrState>(static_cast<ViInt64>(narrow));
                return true;
            }
        }
        return false;
    };
    switch (info.type) {
    case AttributeType::UInt8:
        return value <= 0xFF;
    case AttributeType::UInt16:
        return value <= 0xFFFF;
    case AttributeType::Boolean:
        return value == VI_TRUE || value == VI_FALSE;
    case AttributeType::UInt32:
        return value <= 0xFFFFFFFFULL;
    case AttributeType::Int8:
        return fitsSigned(INT8_MIN, INT8_MAX);
    case AttributeType::Int16:
        return fitsSigned(INT16_MIN, INT16_MAX);
    case AttributeType::Int32:
        return fitsSigned(INT32_MIN, INT32_MAX);
    default:
        return true;
    }
}

} // namespace

ViStatus Library::ResourceManagerAttribute(ResourceManagerObject& rm, ViAttr attribute, ViAttrState& number,
                                           std::string& text) {
    switch (attribute) {
    case VI_ATTR_RSRC_IMPL_VERSION:
        number = kImplementationVersion;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_SPEC_VERSION:
        number = VI_SPEC_VERSION;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_MANF_NAME:
        text = kManufacturerName;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_MANF_ID:
        number = kManufacturerId;
        return VI_SUCCESS;
    case VI_ATTR_TMO_VALUE:
        number = rm.timeout;
        return VI_SUCCESS;
    case VI_ATTR_USER_DATA_32:
    case VI_ATTR_USER_DATA_64:
        number = rm.userData;
        return VI_SUCCESS;
    case VI_ATTR_MAX_QUEUE_LENGTH:
        number = rm.maxQueueLength;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_LOCK_STATE:
        number = VI_NO_LOCK;
        return VI_SUCCESS;
    default:
        return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus Library::EventAttribute(EventContext& event, ViAttr attribute, ViAttrState& number,
                                 std::string& text) {
    bool completion = event.type() == VI_EVENT_IO_COMPLETION;
    bool exception = event.type() == VI_EVENT_EXCEPTION;
    switch (attribute) {
    case VI_ATTR_EVENT_TYPE:
        number = event.type();
        return VI_SUCCESS;
    case VI_ATTR_STATUS:
        if (!completion && !exception) {
            break;
        }
        number = static_cast<ViAttrState>(static_cast<ViInt64>(event.data().status));
        return VI_SUCCESS;
    case VI_ATTR_OPER_NAME:
        if (!completion && !exception) {
            break;
        }
        text = event.operationName();
        return VI_SUCCESS;
    case VI_ATTR_JOB_ID:
        if (!completion) {
            break;
        }
        number = event.data().jobId;
        return VI_SUCCESS;
    case VI_ATTR_RET_COUNT_32:
    case VI_ATTR_RET_COUNT_64:
        if (!completion) {
            break;
        }
        number = event.data().returnCount;
        return VI_SUCCESS;
    case VI_ATTR_BUFFER:
        if (!completion) {
            break;
        }
        number = reinterpret_cast<ViAttrState>(event.data().buffer);
        return VI_SUCCESS;
    default:
        break;
    }
    return VI_ERROR_NSUP_ATTR;
}

ViStatus Library::QueryAttribute(Session& session, ViAttr attribute, ViAttrState& number, std::string& text) {
    const SbvisaSession& record = session.record();
    switch (attribute) {
    case VI_ATTR_USER_DATA_32:
    case VI_ATTR_USER_DATA_64:
        number = session.userData;
        return VI_SUCCESS;
    case VI_ATTR_MAX_QUEUE_LENGTH:
        number = session.events().maxQueueLength();
        return VI_SUCCESS;
    case VI_ATTR_RSRC_LOCK_STATE:
        number = locks_.State(session.name().canonical);
        return VI_SUCCESS;
    case VI_ATTR_RM_SESSION:
        number = session.resourceManager();
        return VI_SUCCESS;
    case VI_ATTR_RD_BUF_SIZE:
        number = session.readBufferSize;
        return VI_SUCCESS;
    case VI_ATTR_WR_BUF_SIZE:
        number = session.writeBufferSize;
        return VI_SUCCESS;
    default:
        break;
    }
    const SbvisaOperations* ops = session.operations();
    if (ops && ops->getAttribute) {
        char buffer[VI_FIND_BUFLEN] = {};
        ViStatus status = ops->getAttribute(&session.record(), attribute, &number, buffer);
        if (status != VI_ERROR_NSUP_ATTR) {
            text.assign(buffer, strnlen(buffer, sizeof buffer));
            return status;
        }
    }
    // What every session answers when the component does not.
    switch (attribute) {
    case VI_ATTR_RSRC_NAME:
        text = record.resourceName;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_CLASS:
        text = record.resourceClass;
        return VI_SUCCESS;
    case VI_ATTR_INTF_TYPE:
        number = record.interfaceType;
        return VI_SUCCESS;
    case VI_ATTR_INTF_NUM:
        number = record.interfaceNumber;
        return VI_SUCCESS;
    case VI_ATTR_INTF_INST_NAME:
        text = record.description;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_MANF_NAME:
        text = record.manufacturer[0] ? record.manufacturer : kManufacturerName;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_MANF_ID:
        number = kManufacturerId;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_IMPL_VERSION:
        number = kImplementationVersion;
        return VI_SUCCESS;
    case VI_ATTR_RSRC_SPEC_VERSION:
        number = VI_SPEC_VERSION;
        return VI_SUCCESS;
    default:
        return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus Library::GetAttribute(ViObject object, ViAttr attribute, void* value) {
    Ref<VisaObject> target = objects_.Find(object);
    if (!target) {
        return VI_ERROR_INV_OBJECT;
    }
    const AttributeInfo* info = FindAttribute(attribute);
    if (!info) {
        return VI_ERROR_NSUP_ATTR;
    }
    if (!value) {
        return VI_ERROR_USER_BUF;
    }
    ViAttrState number = 0;
    std::string text;
    ViStatus status = VI_ERROR_NSUP_ATTR;
    switch (target->kind()) {
    case VisaObject::Kind::Session:
        status = QueryAttribute(static_cast<Session&>(*target), attribute, number, text);
        break;
    case VisaObject::Kind::ResourceManager:
        status =
            ResourceManagerAttribute(static_cast<ResourceManagerObject&>(*target), attribute, number, text);
        break;
    case VisaObject::Kind::Event:
        status = EventAttribute(static_cast<EventContext&>(*target), attribute, number, text);
        break;
    case VisaObject::Kind::FindList:
        break;
    }
    if (status >= VI_SUCCESS) {
        WriteValue(*info, number, text, value);
    }
    return status;
}

ViStatus Library::SetAttribute(ViObject object, ViAttr attribute, ViAttrState value) {
    Ref<VisaObject> target = objects_.Find(object);
    if (!target) {
        return VI_ERROR_INV_OBJECT;
    }
    const AttributeInfo* info = FindAttribute(attribute);
    if (!info) {
        return VI_ERROR_NSUP_ATTR;
    }
    if (target->kind() == VisaObject::Kind::Event || target->kind() == VisaObject::Kind::FindList) {
        ViAttrState number = 0;
        std::string text;
        bool known =
            target->kind() == VisaObject::Kind::Event &&
            EventAttribute(static_cast<EventContext&>(*target), attribute, number, text) >= VI_SUCCESS;
        return known ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
    }
    if (info->readOnly) {
        ViAttrState number = 0;
        std::string text;
        bool known =
            target->kind() == VisaObject::Kind::Session
                ? QueryAttribute(static_cast<Session&>(*target), attribute, number, text) >= VI_SUCCESS
                : ResourceManagerAttribute(static_cast<ResourceManagerObject&>(*target), attribute, number,
                                           text) >= VI_SUCCESS;
        return known ? VI_ERROR_ATTR_READONLY : VI_ERROR_NSUP_ATTR;
    }
    if (!NormaliseValue(*info, value)) {
        return VI_ERROR_NSUP_ATTR_STATE;
    }
    if (target->kind() == VisaObject::Kind::ResourceManager) {
        auto& rm = static_cast<ResourceManagerObject&>(*target);
        switch (attribute) {
        case VI_ATTR_TMO_VALUE:
            rm.timeout = static_cast<ViUInt32>(value);
            return VI_SUCCESS;
        case VI_ATTR_USER_DATA_32:
        case VI_ATTR_USER_DATA_64:
            rm.userData = value;
            return VI_SUCCESS;
        case VI_ATTR_MAX_QUEUE_LENGTH:
            if (value == 0) {
                return VI_ERROR_NSUP_ATTR_STATE;
            }
            rm.maxQueueLength = static_cast<ViUInt32>(value);
            return VI_SUCCESS;
        default:
            return VI_ERROR_NSUP_ATTR;
        }
    }
    auto& session = static_cast<Session&>(*target);
    switch (attribute) {
    case VI_ATTR_USER_DATA_32:
    case VI_ATTR_USER_DATA_64:
        session.userData = value;
        return VI_SUCCESS;
    case VI_ATTR_MAX_QUEUE_LENGTH:
        if (value == 0) {
            return VI_ERROR_NSUP_ATTR_STATE;
        }
        session.events().setMaxQueueLength(static_cast<ViUInt32>(value));
        return VI_SUCCESS;
    default:
        break;
    }
    const SbvisaOperations* ops = session.operations();
    if (!ops || !ops->setAttribute) {
        return VI_ERROR_NSUP_ATTR;
    }
    return ops->setAttribute(&session.record(), attribute, value);
}

} // namespace corvid::visa
