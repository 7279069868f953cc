// CGPIBCommandInfo: the record of one I/O operation of the GPIB driver, as the driver
// reports it to the debugger and as recording files hold it.
#pragma once

#include "link/archive.h"
#include "link/copy_data_block.h"
#include "link/ole_date.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace corvid::link {

// The kinds of driver operations (the low five bits of a record's action flags).
enum CommandAction : std::uint8_t {
    actionRead = 1,
    actionWrite = 2,
    actionTrigger = 3,
    actionSetAttribute = 4,
    actionReadStb = 5,
    actionClear = 6,
    actionAssertTrigger = 7,
    actionEnableEvent = 8,
    actionDisableEvent = 9,
    actionWaitOnEvent = 10,
    actionStatusDesc = 11,
    actionOpenDefaultRm = 12,
    actionOpen = 13,
    actionLock = 14,
    actionUnlock = 15,
    actionClose = 16,
    actionButtonClick = 18,
};

// "READ", "WRITE", ..., "BUTTON CLICK"; "UNKNOWN" for any other code.
std::string_view ActionName(unsigned code);

// The editor's label of a data type code ("VT_R8 (double)", "string/char", ...); empty for
// Unknown and invalid codes.
std::string_view DataTypeLabel(unsigned type);

class CGPIBCommandInfo {
public:
    // Bits of the action flags.
    static constexpr std::uint8_t actionMask = 0x1F;
    static constexpr std::uint8_t receivedPresent = 0x20;
    static constexpr std::uint8_t parametersPresent = 0x40;
    static constexpr std::uint8_t sentPresent = 0x80;

    static constexpr std::uint8_t currentVersion = 2;

    // Empty blocks, address, board and action 0, time now.
    CGPIBCommandInfo();
    // Copies each given block and marks present every block that is not Empty; time now.
    CGPIBCommandInfo(std::uint8_t boardNumber, std::uint8_t busAddress, std::uint8_t actionCode,
                     const CCopyDataBlock* parameters, const CCopyDataBlock* sent,
                     const CCopyDataBlock* received);

    std::uint8_t ActionCode() const { return actionFlags_ & actionMask; }
    // Replaces the action code and keeps the presence bits.
    void SetActionCode(std::uint8_t code);
    std::uint8_t ActionFlags() const { return actionFlags_; }
    void SetActionFlags(std::uint8_t flags) { actionFlags_ = flags; }

    std::uint8_t BusAddress() const { return busAddress_; }
    void SetBusAddress(std::uint8_t address) { busAddress_ = address; }
    std::uint8_t BoardNumber() const { return boardNumber_; }
    void SetBoardNumber(std::uint8_t board) { boardNumber_ = board; }

    CCopyDataBlock& Sent() { return sent_; }
    const CCopyDataBlock& Sent() const { return sent_; }
    CCopyDataBlock& Parameters() { return parameters_; }
    const CCopyDataBlock& Parameters() const { return parameters_; }
    CCopyDataBlock& Received() { return received_; }
    const CCopyDataBlock& Received() const { return received_; }

    const OleDateTime& Time() const { return time_; }
    void SetTime(const OleDateTime& time) { time_ = time; }
    const std::string& Comments() const { return comments_; }
    void SetComments(std::string comments) { comments_ = std::move(comments); }
    std::uint8_t Version() const { return version_; }

    // Writes the record (always as version 2) with the blocks its presence bits announce.
    void Store(ArchiveWriter& archive) const;
    // Reads a record of version 1 or 2 in place of this one; blocks whose bit is clear keep
    // their contents. Throws ArchiveException (endOfFile, badSchema); on failure the record
    // is unchanged.
    void Load(ArchiveReader& archive);

    std::vector<std::uint8_t> Serialize() const;
    // One record from the start of bytes; bytes after it are not looked at.
    static CGPIBCommandInfo FromBytes(std::span<const std::uint8_t> bytes);

private:
    CCopyDataBlock sent_;
    CCopyDataBlock parameters_;
    CCopyDataBlock received_;
    std::uint8_t busAddress_ = 0;
    std::uint8_t boardNumber_ = 0;
    std::uint8_t actionFlags_ = 0;
    OleDateTime time_;
    std::string comments_;
    std::uint8_t version_ = currentVersion;
};

} // namespace corvid::link
