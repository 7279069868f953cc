#include "register_session.h"

#include <algorithm>
#include <cstdio>

namespace corvid::visaio {

namespace {

RegisterSession* DataOf(SbvisaSession* record);

ViStatus Close(SbvisaSession* record) {
    delete DataOf(record);
    record->interfaceData = nullptr;
    return VI_SUCCESS;
}

ViStatus SetAttribute(SbvisaSession* record, ViAttr attribute, ViAttrState value) {
    RegisterSession& s = *DataOf(record);
    if (auto handled = s.registers->SetAttribute(attribute, value)) {
        return *handled;
    }
    if (auto handled = SetCommonAttribute(attribute, value, s.bufferModes)) {
        return *handled;
    }
    if (s.fixed.Has(attribute)) {
        return VI_ERROR_ATTR_READONLY;
    }
    switch (attribute) {
    case VI_ATTR_TMO_VALUE:
        s.timeout = static_cast<ViUInt32>(value);
        return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
        s.termChar = static_cast<ViUInt8>(value);
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_TERMCHAR_EN:
        s.termCharEnabled = value != VI_FALSE;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_SEND_END_EN:
        s.sendEnd = value != VI_FALSE;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_IO_PROT:
        return s.messages && value == VI_PROT_NORMAL ? VI_SUCCESS : VI_ERROR_NSUP_ATTR_STATE;
    default:
        return VI_ERROR_NSUP_ATTR;
    }
}

ViStatus GetAttribute(SbvisaSession* record, ViAttr attribute, ViAttrState* value, ViChar text[256]) {
    RegisterSession& s = *DataOf(record);
    if (auto number = s.registers->Attribute(attribute)) {
        *value = *number;
        return VI_SUCCESS;
    }
    if (auto number = CommonAttributeValue(attribute, s.bufferModes)) {
        *value = *number;
        return VI_SUCCESS;
    }
    switch (attribute) {
    case VI_ATTR_TMO_VALUE:
        *value = s.timeout;
        return VI_SUCCESS;
    case VI_ATTR_TERMCHAR:
        *value = s.termChar;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_TERMCHAR_EN:
        *value = s.termCharEnabled;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_SEND_END_EN:
        *value = s.sendEnd;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    case VI_ATTR_IO_PROT:
        *value = VI_PROT_NORMAL;
        return s.messages ? VI_SUCCESS : VI_ERROR_NSUP_ATTR;
    default:
        return s.fixed.Get(attribute, value, text);
    }
}

ViStatus Read(SbvisaSession* record, ViBuf buffer, ViUInt32 count, ViUInt32* returned) {
    RegisterSession& s = *DataOf(record);
    bool end = false;
    ViUInt32 got = 0;
    ViStatus status = s.messages->Read(buffer, count, s.timeout, got, end);
    *returned = got;
    if (status < VI_SUCCESS) {
        return status;
    }
    if (!end) {
        return got == count ? VI_SUCCESS_MAX_CNT : VI_SUCCESS;
    }
    return s.termCharEnabled && got > 0 && buffer[got - 1] == s.termChar ? VI_SUCCESS_TERM_CHAR : VI_SUCCESS;
}

ViStatus Write(SbvisaSession* record, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned) {
    RegisterSession& s = *DataOf(record);
    ViUInt32 written = 0;
    ViStatus status = count == 0 ? VI_SUCCESS : s.messages->Write(buffer, count, s.sendEnd, written);
    *returned = written;
    return status;
}

ViStatus AssertTrigger(SbvisaSession* record, ViUInt16 protocol) {
    if (protocol != VI_TRIG_PROT_DEFAULT) {
        return VI_ERROR_INV_PROT;
    }
    return DataOf(record)->messages->Trigger();
}

ViStatus ReadSTB(SbvisaSession* record, ViUInt16* statusByte) {
    return DataOf(record)->messages->ReadSTB(*statusByte);
}

ViStatus Clear(SbvisaSession* record) {
    return DataOf(record)->messages->Clear();
}

void AbortTransfers(SbvisaSession* record) {
    RegisterSession* s = DataOf(record);
    if (s && s->messages) {
        s->messages->Abort();
    }
}

SbvisaOperations MakeTable(bool messages) {
    SbvisaOperations table{};
    table.close = Close;
    table.setAttribute = SetAttribute;
    table.getAttribute = GetAttribute;
    if (messages) {
        table.read = Read;
        table.write = Write;
        table.assertTrigger = AssertTrigger;
        table.readSTB = ReadSTB;
        table.clear = Clear;
        table.abortTransfers = AbortTransfers;
    }
    RegisterOperations<RegistersOf>::Fill(table);
    return table;
}

const SbvisaOperations kRegisterOnly = MakeTable(false);
const SbvisaOperations kMessageBased = MakeTable(true);

RegisterSession* DataOf(SbvisaSession* record) {
    if (!record || (record->operations != &kRegisterOnly && record->operations != &kMessageBased)) {
        return nullptr;
    }
    return static_cast<RegisterSession*>(record->interfaceData);
}

} // namespace

void InstallRegisterSession(SbvisaSession& record, std::unique_ptr<RegisterSession> session) {
    const bool messages = session->messages != nullptr;
    record.interfaceData = session.release();
    record.operations = messages ? &kMessageBased : &kRegisterOnly;
}

RegisterAccess* RegistersOf(SbvisaSession* record) {
    RegisterSession* s = DataOf(record);
    return s ? s->registers.get() : nullptr;
}

bool FixedAttributes::Has(ViAttr attribute) const {
    auto same = [attribute](const auto& entry) {
        return entry.first == attribute;
    };
    return std::any_of(numbers.begin(), numbers.end(), same) || std::any_of(texts.begin(), texts.end(), same);
}

ViStatus FixedAttributes::Get(ViAttr attribute, ViAttrState* value, ViChar text[256]) const {
    for (const auto& [id, number] : numbers) {
        if (id == attribute) {
            *value = number;
            return VI_SUCCESS;
        }
    }
    for (const auto& [id, words] : texts) {
        if (id == attribute) {
            std::snprintf(text, 256, "%s", words.c_str());
            return VI_SUCCESS;
        }
    }
    return VI_ERROR_NSUP_ATTR;
}

} // namespace corvid::visaio
