// ibconfig and ibask: descriptor settings by option code, from one table.
#include "driver.h"

namespace corvid::sim {

namespace {

enum class Kind {
    Value, // the value must lie in [min, max]
    Flag,  // any value; stored as 0 or 1
    Bit,   // sets or clears the bits of mask in the field
};

struct SettingOption {
    int code;
    int Driver::Settings::*field;
    Kind kind;
    int mask;
    int min, max;
    bool board, device;
};

using S = Driver::Settings;

constexpr SettingOption kOptions[] = {
    {IbcPAD, &S::pad, Kind::Value, 0, 0, 30, true, true},
    {IbcSAD, &S::sad, Kind::Value, 0, 0, 0x7e, true, true},
    {IbcTMO, &S::tmo, Kind::Value, 0, TNONE, T1000s, true, true},
    {IbcEOT, &S::eot, Kind::Flag, 0, 0, 0, true, true},
    {IbcREADDR, &S::readdr, Kind::Flag, 0, 0, 0, false, true},
    {IbcUnAddr, &S::unaddr, Kind::Flag, 0, 0, 0, false, true},
    {IbcSPollTime, &S::spollTmo, Kind::Value, 0, TNONE, T1000s, true, true},
    {IbcAUTOPOLL, &S::autopoll, Kind::Flag, 0, 0, 0, true, false},
    {IbcEOSchar, &S::eos, Kind::Bit, 0xff, 0, 255, true, true},
    {IbcEOSrd, &S::eos, Kind::Bit, REOS, 0, 0, true, true},
    {IbcEOSwrt, &S::eos, Kind::Bit, XEOS, 0, 0, true, true},
    {IbcEOScmp, &S::eos, Kind::Bit, BIN, 0, 0, true, true},
};

const SettingOption* FindOption(int code, bool board) {
    for (const SettingOption& o : kOptions) {
        if (o.code == code) {
            return (board ? o.board : o.device) ? &o : nullptr;
        }
    }
    return nullptr;
}

int ReadOption(const SettingOption& o, const Driver::Settings& s) {
    int field = s.*o.field;
    if (o.kind != Kind::Bit) {
        return field;
    }
    return o.mask == 0xff ? (field & 0xff) : ((field & o.mask) != 0 ? 1 : 0);
}

bool ValidValue(const SettingOption& o, int value) {
    if (o.code == IbcSAD) {
        return value == 0 || (value >= 0x60 && value <= 0x7e);
    }
    return o.kind == Kind::Flag || (o.kind == Kind::Bit && o.mask != 0xff) ||
           (value >= o.min && value <= o.max);
}

void WriteOption(const SettingOption& o, Driver::Settings& s, int value) {
    int& field = s.*o.field;
    switch (o.kind) {
    case Kind::Value:
        field = value;
        break;
    case Kind::Flag:
        field = value != 0 ? 1 : 0;
        break;
    case Kind::Bit:
        if (o.mask == 0xff) {
            field = (field & ~0xff) | value;
        } else {
            field = value != 0 ? (field | o.mask) : (field & ~o.mask);
        }
        break;
    }
}

} // namespace

CallResult Driver::Config(int ud, int option, int value) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    if (d->board && (option == IbcSC || option == IbcSRE)) {
        lock.unlock();
        return option == IbcSC ? SystemControl(ud, value) : RemoteEnable(ud, value);
    }
    const SettingOption* o = FindOption(option, d->board);
    if (o == nullptr) {
        return {ERR, ECAP, 0};
    }
    if (!ValidValue(*o, value)) {
        return {ERR, EARG, 0};
    }
    // The previous setting comes back in iberr.
    int previous = ReadOption(*o, d->settings);
    WriteOption(*o, d->settings, value);
    if (d->board && option == IbcPAD) {
        if (Bus::Board* board = bus_->FindBoard(d->boardIndex)) {
            board->spec.pad = value;
        }
    }
    return {StatusOf(*d, Clock::now()), previous, 0};
}

CallResult Driver::Ask(int ud, int option, int* value) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr) {
        return result;
    }
    if (value == nullptr) {
        return {ERR, EARG, 0};
    }
    Bus::Board* board = bus_->FindBoard(d->boardIndex);
    switch (option) {
    case IbaBNA:
        *value = d->boardIndex;
        break;
    case Iba7BitEOS:
        *value = 1;
        break;
    case IbaSC:
    case IbaSRE:
        if (!d->board || board == nullptr) {
            return {ERR, ECAP, 0};
        }
        *value = option == IbaSC ? board->systemController : board->remoteEnable;
        break;
    default: {
        const SettingOption* o = FindOption(option, d->board);
        if (o == nullptr) {
            return {ERR, ECAP, 0};
        }
        *value = ReadOption(*o, d->settings);
    }
    }
    return {StatusOf(*d, Clock::now()), 0, 0};
}

} // namespace corvid::sim
