#include "link/debugger_link.h"

#include "link/record_channel.h"
#include "link/shared_memory.h"
#include "platform/message_box.h"
#include "platform/runtime_dir.h"

#include <cstring>
#include <new>
#include <thread>

namespace corvid::link {

platform::WindowHandle FindController() {
    try {
        return platform::FindWindowByClass(kControllerWindowClass);
    } catch (const platform::RuntimeDirError&) {
        return {};
    }
}

int CDebuggerLink::WaitWhileHeld() const {
    platform::WindowHandle window = FindController();
    if (!window)
        return 1;
    for (;;) {
        platform::MessageResult answer = platform::SendWindowMessage(window, WM_IOCONTROL_QUERY_HOLD, 0, 0);
        if (answer != 0)
            std::this_thread::sleep_for(kHoldPollInterval);
        if (answer != 1 || !FindController())
            return 1;
    }
}

platform::MessageResult CDebuggerLink::IsPlaybackActive() const {
    platform::WindowHandle window = FindController();
    return window ? platform::SendWindowMessage(window, WM_IOCONTROL_QUERY_PLAYBACK, 0, 0) : 0;
}

platform::MessageResult CDebuggerLink::SendGPIBCommandInfo(const CGPIBCommandInfo* record) const {
    platform::WindowHandle window = FindController();
    if (!window || !record)
        return 0;
    try {
        std::vector<std::uint8_t> bytes = record->Serialize();
        {
            // Until the debugger has answered, no other driver may put its record in the mapping.
            OutgoingRecordChannel::Transfer transfer;
            if (transfer.held() && OutgoingRecordChannel::OfThisProcess().Put(bytes))
                return platform::SendWindowMessage(window, WM_IOCONTROL_SENDS_DATA, 0,
                                                   static_cast<std::int64_t>(bytes.size()));
        }
        // Shown after the transfer: the box may turn an event loop that reports again.
        platform::ShowMessageBox("Failed to initialize global memory for data transfer.\r\nThis is a "
                                 "critical failure");
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const ArchiveException&) {
        return 0;
    } catch (const std::system_error&) {
        return 0;
    } catch (...) {
        platform::ShowMessageBox("An unknown exception ocurred in SendGPIBCommandInfo");
        return 0;
    }
}

int CDebuggerLink::GetGPIBCommandInfo(CGPIBCommandInfo& record, bool& error) const {
    platform::WindowHandle window = FindController();
    error = false;
    WaitWhileHeld();
    if (!window)
        return 0;
    // Until the record is read, no other driver's request may replace it.
    OutgoingRecordChannel::Transfer transfer;
    if (!transfer.held()) {
        error = true;
        return 1;
    }
    platform::MessageResult size =
        platform::SendWindowMessage(window, WM_IOCONTROL_WANTS_DATA, 0, mainWindow_);
    if (size <= 0)
        return 0;
    CSharedMemory memory;
    if (!memory.Create(kReplayRecordMapping, static_cast<std::size_t>(size)) || !memory.AlreadyExisted()) {
        error = true;
        return 1;
    }
    SharedMemoryLock lock(memory);
    if (!lock.held()) {
        error = true;
        return 1;
    }
    try {
        record = CGPIBCommandInfo::FromBytes({memory.View(), memory.Size()});
    } catch (const std::exception&) {
        error = true;
    }
    WaitWhileHeld();
    if (!lock.Unlock())
        error = true;
    return 1;
}

int CDebuggerLink::ReportCommand(std::uint8_t boardNumber, std::uint8_t busAddress,
                                 const CCopyDataBlock* parameters, const CCopyDataBlock* received,
                                 const CCopyDataBlock* sent, std::uint8_t action,
                                 std::string_view comments) const {
    WaitWhileHeld();
    CGPIBCommandInfo record(boardNumber, busAddress, action, parameters, sent, received);
    record.SetComments(std::string(comments));
    SendGPIBCommandInfo(&record);
    WaitWhileHeld();
    return 1;
}

} // namespace corvid::link
