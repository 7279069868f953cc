// A GPIB session: the component's data of an open "GPIB%hd::%hd[::%hd]::INSTR" or
// "GPIB%hd::INTFC" session and its operations, installed in the session record by viOpen_488.
#pragma once

#include "../async_job.h"
#include "../component.h"
#include "../session_attributes.h"
#include "gpib_driver.h"
#include "visa/sbvisa_io.h"

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

namespace corvid::visaio {

// What a GPIB-VXI session adds to its GPIB device (gpibvxi/).
struct GpibVxiLink;

struct GpibSession {
    explicit GpibSession(SbvisaSession& session)
        : record(&session), board(session.interfaceNumber), primary(session.primaryAddress),
          secondary(session.secondaryAddress) {}
    // A device reached at another GPIB address than the record names (GPIB-VXI).
    GpibSession(SbvisaSession& session, int boardNumber, int primaryAddress, int secondaryAddress)
        : record(&session), board(boardNumber), primary(primaryAddress), secondary(secondaryAddress) {}

    // The secondary address as the driver takes it: 0 for none, else 0x60 + n.
    int DriverSecondary() const { return HasSecondary() ? secondary + 0x60 : 0; }
    bool HasSecondary() const { return secondary != 0 || secondaryZero; }

    SbvisaSession* record;
    int board;
    int primary;
    int secondary; // 0 when none, unless secondaryZero
    // The device answers at secondary address 0 itself, not at its primary address alone.
    bool secondaryZero = false;
    int ud = -1;
    // A "GPIB%hd::INTFC" session: ud is the board itself.
    bool boardSession = false;
    int boardType = 255;
    std::atomic<ViUInt32> timeout{2000};
    std::atomic<ViUInt8> termChar{'\n'};
    std::atomic<bool> termCharEnabled{false};
    bool sendEnd = true;
    bool readdress = false;
    bool unaddress = false;
    ViUInt16 ioProtocol = VI_PROT_NORMAL;
    BufferModes bufferModes;
    std::atomic<bool> listenerSeen{false};
    std::atomic<bool> srqPending{false};
    bool asyncListenerChecked = false;
    // Set when the session is closed under a transfer of another thread: transfers end
    // with VI_ERROR_ABORT from then on.
    std::atomic<bool> aborting{false};
    std::atomic<int> transfersInDriver{0};

    std::mutex jobMutex; // guards job, jobPending and terminating
    AsyncJob job;
    bool jobPending = false;
    bool terminating = false; // viTerminate completes the job itself

    std::shared_ptr<GpibVxiLink> vxi; // GPIB-VXI sessions only
};

// The boards 0 to 99 and the session whose asynchronous transfer runs on each.
class GpibBoards {
public:
    static GpibBoards& Instance();
    // Makes the session the owner of the board's transfer; false when the board is busy.
    bool Claim(int board, ViSession vi);
    void Release(int board, ViSession vi);
    bool Busy(int board) const;
    ViSession Owner(int board) const;

private:
    mutable std::mutex mutex_;
    std::array<ViSession, SBVISA_GPIB_BOARDS> owner_{};
};

// The operation table of GPIB sessions.
const SbvisaOperations& GpibOperations();
// The GPIB data of a record, or null when the record is not a GPIB or GPIB-VXI session.
GpibSession* GpibDataOf(SbvisaSession* record);
// Opens the GPIB device at board, primary and secondary address (0: none) for the session
// record, as viOpen_488 does, and installs operations (a table whose close is GpibClose).
ViStatus GpibOpenAt(SbvisaSession& session, int board, int primary, int secondary,
                    const SbvisaOperations& operations, std::shared_ptr<GpibVxiLink> link);

// Operations shared between the files of the GPIB group.
ViStatus GpibListenerCheck(GpibSession& s);
// Completes the pending job with the driver's result and posts VI_EVENT_IO_COMPLETION.
void GpibCompleteJob(GpibSession& s, const GpibResult& result);
// Whether the driver notifies (the support library's notification mode).
bool GpibNotifyMode();
// Arms the driver's notification for what the session needs now (notification mode).
void GpibArmNotification(GpibSession& s);

ViStatus GpibClose(SbvisaSession* session);
ViStatus GpibSetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState value);
ViStatus GpibGetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState* value, ViChar text[256]);
ViStatus GpibTerminate(SbvisaSession* session, ViUInt16 degree, ViJobId job);
ViStatus GpibRead(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViUInt32* returned);
ViStatus GpibReadAsync(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViJobId* job);
ViStatus GpibWrite(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned);
ViStatus GpibWriteAsync(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViJobId* job);
ViStatus GpibAssertTrigger(SbvisaSession* session, ViUInt16 protocol);
ViStatus GpibReadSTB(SbvisaSession* session, ViUInt16* statusByte);
ViStatus GpibClear(SbvisaSession* session);
ViStatus GpibControlREN(SbvisaSession* session, ViUInt16 mode);
ViStatus GpibEventsChanged(SbvisaSession* session, ViEventType type);
void GpibAbortTransfers(SbvisaSession* session);
ViStatus GpibCommand(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned);
ViStatus GpibControlATN(SbvisaSession* session, ViUInt16 mode);
ViStatus GpibSendIFC(SbvisaSession* session);
ViStatus GpibPassControl(SbvisaSession* session, ViUInt16 primary, ViUInt16 secondary);

// Repeats a driver call while it fails with error 10 (I/O in progress on the board),
// yielding while the board's asynchronous transfer runs. Gives up with a time-out once
// the session's time-out has passed, rather than wait for ever on a board that stays busy.
template <class Call>
GpibResult GpibRetryWhileBusy(const GpibSession& s, Call call) {
    using Clock = std::chrono::steady_clock;
    const ViUInt32 timeout = s.timeout.load(std::memory_order_relaxed);
    const bool limited = timeout != VI_TMO_INFINITE;
    std::optional<Clock::time_point> deadline;
    for (;;) {
        GpibResult result = call();
        if (!result.failed() || result.error != EOIP) {
            return result;
        }
        if (!deadline) {
            deadline = Clock::now() + std::chrono::milliseconds(limited ? timeout : 0);
        }
        do {
            Yield();
            if (limited && Clock::now() >= *deadline) {
                return GpibResult{ERR | TIMO, EABO, 0};
            }
        } while (GpibBoards::Instance().Busy(s.board));
    }
}

} // namespace corvid::visaio
