// sbvxint.so: the simulated VXI library. It serves the mainframe of the embedded controller
// described in the bench: device information, register access in A16 and A24, and
// word-serial transfers with message-based modules, which are instruments of the bench.
#include "bench_instance.h"
#include "vxi_mainframe.h"
#include "vxibus/vxibus.h"

#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#define SBVXI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using corvid::sim::Clock;
using corvid::sim::VxiDevice;
using corvid::sim::VxiMainframe;

struct Library {
    std::mutex mutex;
    std::unique_ptr<VxiMainframe> mainframe; // null until started, or when there is none
    std::condition_variable abortOrReply;    // wakes reads waiting for a delayed reply
    std::map<int16_t, uint64_t> aborts;      // WSabort calls per logical address
};

Library& State() {
    static Library library;
    return library;
}

// The embedded controller's mainframe; call with the library's mutex held.
VxiMainframe* Mainframe() {
    Library& library = State();
    if (!library.mainframe) {
        corvid::sim::Bus* bus = corvid::sim::SharedBench("sbvxint");
        if (bus == nullptr) {
            return nullptr;
        }
        for (const corvid::sim::MainframeSpec& frame : bus->spec().mainframes) {
            if (frame.gpibBoard < 0) {
                library.mainframe = std::make_unique<VxiMainframe>(*bus, frame);
                break;
            }
        }
    }
    return library.mainframe.get();
}

bool ValidAccess(uint16_t space, uint16_t width) {
    return (space == VXI_SPACE_A16 || space == VXI_SPACE_A24 || space == VXI_SPACE_A32) &&
           (width == 1 || width == 2 || width == 4);
}

// The message-based device at la, or the failure code.
int16_t MessageDevice(int16_t la, VxiDevice*& device) {
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    device = frame->Find(la);
    if (device == nullptr) {
        return VXI_ERR_NO_DEVICE;
    }
    return device->instrument != nullptr ? 0 : VXI_ERR_NOT_MESSAGE;
}

// Runs a word-serial command on the message-based device at la, under the library's lock.
template <class Command>
int16_t WithMessageDevice(int16_t la, Command command) {
    std::lock_guard lock(State().mutex);
    VxiDevice* device = nullptr;
    if (int16_t failure = MessageDevice(la, device)) {
        return failure;
    }
    command(*device->instrument);
    return 0;
}

} // namespace

SBVXI_EXPORT int16_t d_InitVXIlibrary(void) {
    std::lock_guard lock(State().mutex);
    return Mainframe() != nullptr ? 0 : VXI_ERR_NOT_STARTED;
}

SBVXI_EXPORT int16_t d_CloseVXIlibrary(void) {
    return 0;
}

SBVXI_EXPORT int16_t GetGlobals(VxiGlobals* globals) {
    std::lock_guard lock(State().mutex);
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr || globals == nullptr) {
        return frame == nullptr ? VXI_ERR_NOT_STARTED : VXI_ERR_ARGUMENT;
    }
    globals->controllerLa = static_cast<int16_t>(frame->spec().controllerLa);
    std::snprintf(globals->controllerName, sizeof globals->controllerName, "%s",
                  frame->spec().controllerName.c_str());
    return 0;
}

SBVXI_EXPORT int16_t GetDevPresence(uint8_t bitmap[64]) {
    std::lock_guard lock(State().mutex);
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    std::memset(bitmap, 0, 64);
    for (const VxiDevice& device : frame->devices()) {
        bitmap[device.info.la / 8] =
            static_cast<uint8_t>(bitmap[device.info.la / 8] | 1u << (device.info.la % 8));
    }
    return 0;
}

SBVXI_EXPORT int16_t GetDevInfo(int16_t la, VxiDeviceInfo* info) {
    std::lock_guard lock(State().mutex);
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    VxiDevice* device = frame->Find(la);
    if (device == nullptr) {
        return VXI_ERR_NO_DEVICE;
    }
    *info = device->info;
    return 0;
}

SBVXI_EXPORT int16_t VXIin(uint16_t space, uint32_t address, uint16_t width, uint32_t* value) {
    if (!ValidAccess(space, width) || value == nullptr) {
        return VXI_ERR_ARGUMENT;
    }
    std::lock_guard lock(State().mutex);
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    return frame->Read(space, address, width, *value) ? 0 : VXI_ERR_BUS;
}

SBVXI_EXPORT int16_t VXIout(uint16_t space, uint32_t address, uint16_t width, uint32_t value) {
    if (!ValidAccess(space, width)) {
        return VXI_ERR_ARGUMENT;
    }
    std::lock_guard lock(State().mutex);
    VxiMainframe* frame = Mainframe();
    if (frame == nullptr) {
        return VXI_ERR_NOT_STARTED;
    }
    return frame->Write(space, address, width, value) ? 0 : VXI_ERR_BUS;
}

SBVXI_EXPORT int16_t WSwrt(int16_t la, const char* buffer, uint32_t count, uint16_t mode, uint32_t* written) {
    std::lock_guard lock(State().mutex);
    VxiDevice* device = nullptr;
    if (int16_t failure = MessageDevice(la, device)) {
        return failure;
    }
    device->instrument->Receive(std::string_view(buffer, count), (mode & VXI_WS_END) != 0, Clock::now());
    if (written) {
        *written = count;
    }
    return 0;
}

SBVXI_EXPORT int16_t WSrd(int16_t la, char* buffer, uint32_t count, int32_t timeoutMs, uint16_t* mode,
                          uint32_t* read) {
    std::unique_lock lock(State().mutex);
    VxiDevice* device = nullptr;
    if (int16_t failure = MessageDevice(la, device)) {
        return failure;
    }
    std::optional<Clock::time_point> deadline;
    if (timeoutMs >= 0) {
        deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    }
    corvid::sim::Instrument& instrument = *device->instrument;
    Library& library = State();
    const uint64_t aborts = library.aborts[la];
    for (;;) {
        if (library.aborts[la] != aborts) {
            return VXI_ERR_ABORTED;
        }
        Clock::time_point now = Clock::now();
        if (instrument.ReplyReady(now)) {
            auto talk = instrument.Send(buffer, count, std::nullopt, true, now);
            if (mode) {
                *mode = talk.end ? VXI_WS_END : 0;
            }
            if (read) {
                *read = static_cast<uint32_t>(talk.count);
            }
            return 0;
        }
        if (!instrument.HasReply() || (deadline && now >= *deadline)) {
            instrument.ReadWithoutReply(now);
            return VXI_ERR_TIMEOUT;
        }
        // A delayed reply: wait for it without holding the library.
        Clock::time_point until = instrument.replyReadyAt();
        if (deadline && *deadline < until) {
            until = *deadline;
        }
        library.abortOrReply.wait_until(lock, until);
    }
}

SBVXI_EXPORT int16_t WSclr(int16_t la) {
    return WithMessageDevice(la, [](corvid::sim::Instrument& device) { device.DeviceClear(Clock::now()); });
}

SBVXI_EXPORT int16_t WStrg(int16_t la) {
    return WithMessageDevice(la, [](corvid::sim::Instrument& device) { device.Trigger(Clock::now()); });
}

SBVXI_EXPORT int16_t WSabort(int16_t la) {
    Library& library = State();
    std::lock_guard lock(library.mutex);
    ++library.aborts[la];
    library.abortOrReply.notify_all();
    return 0;
}

SBVXI_EXPORT int16_t WSstb(int16_t la, uint16_t* statusByte) {
    return WithMessageDevice(
        la, [statusByte](corvid::sim::Instrument& device) { *statusByte = device.SerialPoll(Clock::now()); });
}
