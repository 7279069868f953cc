// A serial session: the component's data of an open "ASRL%hd::INSTR" session and its
// operations, installed in the session record by viOpen_ASRL.
#pragma once

#include "../async_job.h"
#include "../component.h"
#include "../session_attributes.h"
#include "serial_ports.h"
#include "visa/sbvisa_io.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace corvid::visaio {

struct SerialSession {
    SerialSession(SbvisaSession& session, SerialPortEntry& portEntry)
        : record(&session), number(session.interfaceNumber), entry(&portEntry), port(&portEntry.port) {}

    // The end conditions of a read from the session's attributes.
    ReadRules Rules() const;

    SbvisaSession* record;
    int number;
    SerialPortEntry* entry;
    SerialPort* port;
    std::atomic<ViUInt32> timeout{2000};
    std::atomic<ViUInt8> termChar{'\n'};
    std::atomic<bool> termCharEnabled{false};
    std::atomic<bool> sendEnd{true};
    std::atomic<bool> suppressEnd{false};
    std::atomic<ViUInt16> endIn{VI_ASRL_END_TERMCHAR};
    std::atomic<ViUInt16> endOut{VI_ASRL_END_NONE};
    std::atomic<ViUInt16> ioProtocol{VI_PROT_NORMAL};
    BufferModes bufferModes;

    AbortRequest ioAbort;  // of the session's synchronous transfers: a close requests it
    AbortRequest jobAbort; // of its asynchronous job: terminate and close request it

    std::mutex jobMutex; // guards job, jobPending and worker
    std::condition_variable jobEnded;
    AsyncJob job;
    bool jobPending = false;
    std::thread worker;
};

// The operation table of serial sessions.
const SbvisaOperations& SerialOperations();
// The serial data of a record, or null when the record is not a serial session.
SerialSession* SerialDataOf(SbvisaSession* record);

// The VISA status of a failed port-layer call.
ViStatus MapPortError(PortError error);
// The session's read and write rules (end conditions; end marking, termination
// character, write-out, break), for a transfer that abort can end.
ViStatus SerialReadData(SerialSession& s, ViBuf buffer, ViUInt32 count, ViUInt32& got, AbortRequest& abort);
ViStatus SerialWriteData(SerialSession& s, const ViByte* buffer, ViUInt32 count, ViUInt32& written,
                         AbortRequest& abort);
// Ends the pending asynchronous job and waits for its worker (close).
void SerialStopJob(SerialSession& s);

ViStatus SerialClose(SbvisaSession* session);
ViStatus SerialSetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState value);
ViStatus SerialGetAttribute(SbvisaSession* session, ViAttr attribute, ViAttrState* value, ViChar text[256]);
ViStatus SerialTerminate(SbvisaSession* session, ViUInt16 degree, ViJobId job);
ViStatus SerialRead(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViUInt32* returned);
ViStatus SerialReadAsync(SbvisaSession* session, ViBuf buffer, ViUInt32 count, ViJobId* job);
ViStatus SerialWrite(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViUInt32* returned);
ViStatus SerialWriteAsync(SbvisaSession* session, ViConstBuf buffer, ViUInt32 count, ViJobId* job);
ViStatus SerialAssertTrigger(SbvisaSession* session, ViUInt16 protocol);
ViStatus SerialReadSTB(SbvisaSession* session, ViUInt16* statusByte);
ViStatus SerialClear(SbvisaSession* session);
ViStatus SerialSetBuffer(SbvisaSession* session, ViUInt16 mask, ViUInt32 size);
ViStatus SerialFlush(SbvisaSession* session, ViUInt16 mask);
void SerialAbortTransfers(SbvisaSession* session);

} // namespace corvid::visaio
