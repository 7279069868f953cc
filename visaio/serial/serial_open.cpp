// viFindRsrc_ASRL and viOpen_ASRL, and closing a serial session. Opening and closing run
// under the support library's system semaphore: sessions of one process share the port,
// the last close releases it.
#include "../export.h"
#include "../find_frame.h"
#include "serial_session.h"

#include <cstdio>
#include <memory>
#include <sys/ioctl.h>

namespace corvid::visaio {
namespace {

constexpr SbvisaOperations kOperations{
    SerialClose,
    SerialSetAttribute,
    SerialGetAttribute,
    SerialTerminate,
    SerialRead,
    SerialReadAsync,
    SerialWrite,
    SerialWriteAsync,
    SerialAssertTrigger,
    SerialReadSTB,
    SerialClear,
    nullptr /* REN */,
    nullptr /* events */,
    SerialSetBuffer,
    SerialFlush,
    SerialAbortTransfers,
    nullptr /* no GPIB bus */,
    nullptr,
    nullptr,
    nullptr,
    nullptr /* no trigger lines */,
    nullptr,
    nullptr /* no signals */,
    nullptr,
};

// Opens the device of a port that no session of this process has open yet: with the
// alias's configured settings when asked to, else the defaults; then the configured
// flow control (none by default), RTS and DTR set.
ViStatus OpenPort(SerialPorts& ports, int number, bool loadConfig) {
    SerialPortEntry& entry = ports.Entry(number);
    LineSettings line;
    ViUInt16 flow = 0;
    if (loadConfig && entry.alias.configured) {
        line = entry.alias.line;
        flow = entry.alias.flow;
    }
    switch (entry.port.Open(ports.DevicePath(number), line)) {
    case PortError::None:
        break;
    case PortError::Busy:
        return VI_ERROR_RSRC_BUSY;
    case PortError::NotFound:
        return VI_ERROR_RSRC_NFOUND;
    default:
        return VI_ERROR_SYSTEM_ERROR;
    }
    if (entry.port.SetFlowControl(flow) != PortError::None ||
        entry.port.SetModemLine(TIOCM_RTS, true) != PortError::None ||
        entry.port.SetModemLine(TIOCM_DTR, true) != PortError::None) {
        entry.port.Close();
        return VI_ERROR_SYSTEM_ERROR;
    }
    return VI_SUCCESS;
}

// Whether find lists the port: it is open in this process, it can be opened now or
// another program has it. The device is only probed: a port in use elsewhere (a console,
// a modem) keeps its settings and its queued data.
bool Listed(SerialPorts& ports, int number) {
    if (ports.Entry(number).OwnedHere()) {
        return true;
    }
    PortError probed = SerialPort::Probe(ports.DevicePath(number));
    return probed == PortError::None || probed == PortError::Busy;
}

} // namespace

const SbvisaOperations& SerialOperations() {
    return kOperations;
}

SerialSession* SerialDataOf(SbvisaSession* record) {
    if (!record || record->operations != &kOperations) {
        return nullptr;
    }
    return static_cast<SerialSession*>(record->interfaceData);
}

ViStatus SerialClose(SbvisaSession* session) {
    SerialSession* s = SerialDataOf(session);
    if (!s) {
        return VI_SUCCESS;
    }
    session->interfaceData = nullptr;
    if (s->entry->owner != ::getpid()) {
        // A copy inherited through fork(): its worker thread does not exist here, so the
        // record is let go of as it is, and the port stays the opener's.
        SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
        s->entry->DropInherited();
        return VI_SUCCESS;
    }
    SerialStopJob(*s);
    ViStatus status = VI_SUCCESS;
    {
        SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
        SerialPortEntry& entry = *s->entry;
        if (entry.sessions > 0 && --entry.sessions == 0) {
            entry.port.SetModemLine(TIOCM_RTS, false);
            entry.port.SetModemLine(TIOCM_DTR, false);
            if (entry.port.Close() != PortError::None) {
                status = VI_ERROR_CLOSING_FAILED;
            }
        }
    }
    delete s;
    return status;
}

} // namespace corvid::visaio

using namespace corvid::visaio;

SBVIIO_EXPORT ViStatus viFindRsrc_ASRL(const SbvisaFindContext* context, SbvisaFindList* list) {
    // Only ports whose names the expression can list are tried, so that a search for one
    // port leaves the others alone.
    return Guarded([&] {
        return FindFrame(context, list, [context] {
            std::vector<std::string> names;
            SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
            SerialPorts& ports = SerialPorts::Instance();
            ports.Load();
            for (int number = kFirstSerialPort; number <= kLastSerialPort; ++number) {
                std::string name = "ASRL" + std::to_string(number) + "::INSTR";
                if (ports.Present(number) && Services().matchName(context, name.c_str()) != 0 &&
                    Listed(ports, number)) {
                    names.push_back(name);
                }
            }
            return names;
        });
    });
}

namespace {

ViStatus OpenAsrl(SbvisaSession* session) {
    if (!session || session->interfaceType != VI_INTF_ASRL) {
        return VI_ERROR_RSRC_NFOUND;
    }
    int number = session->interfaceNumber;
    SemaphoreHold hold(SBVISA_SEM_SYSTEM, VI_TMO_INFINITE);
    if (hold.status() < VI_SUCCESS) {
        return VI_ERROR_SYSTEM_ERROR;
    }
    SerialPorts& ports = SerialPorts::Instance();
    ports.Load();
    if (!ports.Present(number)) {
        return VI_ERROR_RSRC_NFOUND;
    }
    SerialPortEntry& entry = ports.Entry(number);
    std::unique_ptr<SerialSession> s; // before the port opens: nothing can fail after it
    try {
        s = std::make_unique<SerialSession>(*session, entry);
    } catch (const std::exception&) {
        return VI_ERROR_ALLOC;
    }
    // A child process does not share its parent's port: it opens afresh, and finds the
    // port busy while the parent holds it.
    entry.DropInherited();
    if (entry.sessions == 0) {
        ViStatus opened = OpenPort(ports, number, (session->accessMode & VI_LOAD_CONFIG) != 0);
        if (opened < VI_SUCCESS) {
            return opened;
        }
        entry.owner = ::getpid();
    }
    ++entry.sessions;
    std::snprintf(session->description, sizeof session->description, "ASRL%hd  (%s)",
                  static_cast<short>(number), ports.DisplayName(number).c_str());
    std::snprintf(session->manufacturer, sizeof session->manufacturer, "Sorbel");
    session->interfaceData = s.release();
    session->operations = &kOperations;
    return VI_SUCCESS;
}

} // namespace

SBVIIO_EXPORT ViStatus viOpen_ASRL(SbvisaSession* session) {
    return Guarded([session] { return OpenAsrl(session); });
}
