// Bus management: device clear, trigger, serial poll, listeners, interface clear,
// system control, remote enable and interface commands.
#include "driver.h"

#include <algorithm>
#include <tuple>

namespace corvid::sim {

namespace {

CallResult Error(int err) {
    return {ERR, err, 0};
}

} // namespace

CallResult Driver::Clear(int ud) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, nullptr, 0, result, now);
    if (d == nullptr) {
        return result;
    }
    Bus::Board* board = bus_->FindBoard(d->boardIndex);
    if (board->instruments.empty()) {
        return Error(ENOL); // nothing on the bus accepts the command bytes
    }
    if (Instrument* inst = DeviceOf(*d)) {
        inst->DeviceClear(now);
        Changed();
    }
    return {CMPL | DeviceStatus(*d, now), 0, 0};
}

CallResult Driver::Trigger(int ud) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, nullptr, 0, result, now);
    if (d == nullptr) {
        return result;
    }
    Bus::Board* board = bus_->FindBoard(d->boardIndex);
    if (board->instruments.empty()) {
        return Error(ENOL);
    }
    if (Instrument* inst = DeviceOf(*d)) {
        inst->Trigger(now);
        Changed();
    }
    return {CMPL | DeviceStatus(*d, now), 0, 0};
}

CallResult Driver::SerialPoll(int ud, char* statusByte) {
    Lock lock(mutex_);
    Clock::time_point now = Clock::now();
    CallResult result;
    Descriptor* d = TransferTarget(ud, nullptr, 0, result, now);
    if (d == nullptr) {
        return result;
    }
    if (statusByte == nullptr) {
        return Error(EARG);
    }
    std::optional<Clock::time_point> deadline = Deadline(d->settings.spollTmo, now);
    while (true) {
        d = descriptors_[static_cast<size_t>(ud)].get();
        if (d == nullptr) {
            return Error(EABO);
        }
        if (Instrument* inst = DeviceOf(*d)) {
            *statusByte = static_cast<char>(inst->SerialPoll(now));
            Changed();
            return {CMPL | DeviceStatus(*d, now), 0, 0};
        }
        // Nobody answers the poll: it ends with the serial poll time-out.
        if (!deadline || now >= *deadline) {
            return {ERR | TIMO | CMPL, EABO, 0};
        }
        WaitForChange(lock, deadline);
        now = Clock::now();
    }
}

CallResult Driver::Local(int ud) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr || BoardOf(*d, result, false) == nullptr) {
        return result;
    }
    if (!d->board) {
        if (Instrument* inst = DeviceOf(*d)) {
            inst->SetRemote(false);
        }
    }
    return {StatusOf(*d, Clock::now()), 0, 0};
}

CallResult Driver::Listen(int ud, int pad, int sad, short* found) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(ud, result);
    if (d == nullptr || BoardOf(*d, result, true) == nullptr) {
        return result;
    }
    bool sadValid = sad == kNoSad || sad == kAllSad || (sad >= 0x60 && sad <= 0x7e);
    if (found == nullptr || pad < 0 || pad > 30 || !sadValid) {
        return Error(EARG);
    }
    *found = bus_->Listener(d->boardIndex, pad, sad) != nullptr ? 1 : 0;
    return {StatusOf(*d, Clock::now()), 0, 0};
}

CallResult Driver::Lines(int ud, short* lines) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    if (lines == nullptr) {
        return Error(EARG);
    }
    int value = ValidALL;
    if (board->remoteEnable) {
        value |= BusREN;
    }
    if (board->attention) {
        value |= BusATN;
    }
    if (bus_->ServiceRequest(*board, Clock::now())) {
        value |= BusSRQ;
    }
    *lines = static_cast<short>(value);
    return {StatusOf(*d, Clock::now()), 0, 0};
}

CallResult Driver::InterfaceClear(int ud) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    if (!board->systemController) {
        return Error(ESAC);
    }
    board->controllerInCharge = true;
    board->attention = true;
    return {StatusOf(*d, Clock::now()), 0, 0};
}

CallResult Driver::Attention(int ud, bool asserted) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    if (!d->board) {
        return Error(EARG);
    }
    if (!board->controllerInCharge) {
        return Error(ECIC);
    }
    board->attention = asserted;
    return {StatusOf(*d, Clock::now()), 0, 0};
}

CallResult Driver::SystemControl(int ud, int request) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    int previous = board->systemController ? 1 : 0;
    board->systemController = request != 0;
    if (!board->systemController) {
        board->controllerInCharge = false; // control passes to the bus's system controller
    }
    return {StatusOf(*d, Clock::now()), previous, 0};
}

CallResult Driver::RemoteEnable(int ud, int enable) {
    Lock lock(mutex_);
    CallResult result;
    auto [d, board] = FindWithBoard(ud, result, false);
    if (board == nullptr) {
        return result;
    }
    if (!board->systemController) {
        return Error(ESAC);
    }
    int previous = board->remoteEnable ? 1 : 0;
    board->remoteEnable = enable != 0;
    if (!board->remoteEnable) {
        for (Instrument* inst : board->instruments) {
            inst->SetRemote(false);
            inst->SetLockout(false);
        }
    }
    return {StatusOf(*d, Clock::now()), previous, 0};
}

CallResult Driver::Command(int ud, const void* commands, long count) {
    Lock lock(mutex_);
    CallResult result;
    // Named variables rather than a structured binding: the lambda below captures them.
    Descriptor* d = nullptr;
    Bus::Board* board = nullptr;
    std::tie(d, board) = FindWithBoard(ud, result, true);
    if (board == nullptr) {
        return result;
    }
    if (!d->board || count < 0 || (commands == nullptr && count > 0)) {
        return Error(EARG);
    }
    if (!board->controllerInCharge) {
        return Error(ECIC);
    }
    if (board->instruments.empty()) {
        return Error(ENOL);
    }
    board->attention = true; // commands go with ATN, which stays asserted after them
    Clock::time_point now = Clock::now();
    const auto* bytes = static_cast<const unsigned char*>(commands);
    bool talkerAddressed = false;
    std::vector<Instrument*> listeners;
    auto addListener = [&](Instrument* inst) {
        if (inst != nullptr && std::find(listeners.begin(), listeners.end(), inst) == listeners.end()) {
            listeners.push_back(inst);
            inst->SetRemote(board->remoteEnable || inst->remote());
        }
    };
    int lastPad = -1; // a secondary address refines the listen address before it
    for (long i = 0; i < count; ++i) {
        int byte = bytes[i] & 0x7f;
        if (byte >= LAD && byte < UNL) {
            lastPad = byte - LAD;
            addListener(bus_->Listener(d->boardIndex, lastPad, kNoSad));
            continue;
        }
        if (byte >= SAD && byte <= 0x7e) {
            if (lastPad >= 0) {
                addListener(bus_->Listener(d->boardIndex, lastPad, byte));
            }
            continue;
        }
        lastPad = -1;
        if (byte >= TAD && byte < UNT) {
            talkerAddressed = true; // an instrument may be made talker, never controller
            continue;
        }
        if (byte == UNT) {
            talkerAddressed = false;
        }
        if (byte == UNL) {
            listeners.clear();
        }
        if (byte == TCT && talkerAddressed) {
            // Control passes to the addressed device; the board is controller again
            // after it sends interface clear as system controller.
            board->controllerInCharge = false;
            board->attention = false;
            break;
        }
        for (Instrument* inst : byte == DCL || byte == LLO ? board->instruments : listeners) {
            switch (byte) {
            case SDC:
            case DCL:
                inst->DeviceClear(now);
                break;
            case GET:
                inst->Trigger(now);
                break;
            case GTL:
                inst->SetRemote(false);
                break;
            case LLO:
                inst->SetLockout(true);
                break;
            default:
                break;
            }
        }
    }
    Changed();
    return {StatusOf(*d, now), 0, count};
}

CallResult Driver::FindListeners(int boardIndex, const Addr4882_t* pads, Addr4882_t* results, int max) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(boardIndex, result);
    if (d == nullptr || !d->board || BoardOf(*d, result, true) == nullptr) {
        return d != nullptr && !d->board ? Error(EARG) : result;
    }
    if (pads == nullptr || results == nullptr || max < 0) {
        return Error(EARG);
    }
    Bus::Board* board = bus_->FindBoard(boardIndex);
    int found = 0;
    auto add = [&](Addr4882_t address) {
        if (found >= max) {
            return false;
        }
        results[found++] = address;
        return true;
    };
    for (const Addr4882_t* p = pads; *p != NOADDR; ++p) {
        int pad = static_cast<int>(GetPAD(*p));
        if (pad > 30) {
            return Error(EARG);
        }
        auto slot = static_cast<size_t>(pad);
        if (board->primary[slot] != nullptr) {
            if (!add(MakeAddr(static_cast<unsigned>(pad), 0))) {
                return {ERR, ETAB, found};
            }
            continue;
        }
        // No device at the primary address alone: each secondary address is tried.
        for (unsigned s = 0; s < 31; ++s) {
            if (board->secondary[slot][s] != nullptr &&
                !add(MakeAddr(static_cast<unsigned>(pad), 0x60 + s))) {
                return {ERR, ETAB, found};
            }
        }
    }
    if (found < max) {
        results[found] = NOADDR;
    }
    return {StatusOf(*d, Clock::now()), 0, found};
}

CallResult Driver::PollAll(int boardIndex, const Addr4882_t* addresses, short* results) {
    Lock lock(mutex_);
    CallResult result;
    Descriptor* d = Find(boardIndex, result);
    if (d == nullptr || !d->board || BoardOf(*d, result, true) == nullptr) {
        return d != nullptr && !d->board ? Error(EARG) : result;
    }
    if (addresses == nullptr || results == nullptr) {
        return Error(EARG);
    }
    Clock::time_point now = Clock::now();
    long index = 0;
    for (const Addr4882_t* a = addresses; *a != NOADDR; ++a, ++index) {
        Instrument* inst =
            bus_->Listener(boardIndex, static_cast<int>(GetPAD(*a)), static_cast<int>(GetSAD(*a)));
        if (inst == nullptr) {
            // The poll of a device that does not answer ends with its time-out.
            std::optional<Clock::time_point> deadline = Deadline(d->settings.spollTmo, now);
            while (deadline && Clock::now() < *deadline) {
                changed_.wait_until(lock, *deadline);
            }
            return {ERR | TIMO, EABO, index};
        }
        results[index] = static_cast<short>(inst->SerialPoll(now));
    }
    Changed();
    return {StatusOf(*d, now), 0, index};
}

} // namespace corvid::sim
