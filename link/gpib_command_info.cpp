#include "link/gpib_command_info.h"

#include "platform/message_box.h"

#include <array>
#include <optional>
#include <utility>

namespace corvid::link {

std::string_view ActionName(unsigned code) {
    static constexpr std::array<std::string_view, 19> names = {
        "UNKNOWN",     "READ",       "WRITE",         "TRIGGER",     "SETATTRIBUTE",
        "READSTB",     "CLEAR",      "ASSERTTRIGGER", "ENABLEEVENT", "DISABLEEVENT",
        "WAITONEVENT", "STATUSDESC", "OPENDEFAULTRM", "OPEN",        "LOCK",
        "UNLOCK",      "CLOSE",      "UNKNOWN",       "BUTTON CLICK"};
    return code < names.size() ? names[code] : "UNKNOWN";
}

std::string_view DataTypeLabel(unsigned type) {
    static constexpr std::array<std::string_view, 9> labels = {
        "VT_I2 (short)", "VT_I4 (long)", "VT_R4 (float)",        "VT_R8 (double)",
        "VT_UI1 (byte)", "string/char",  "dword (32 bit value)", "",
        "empty/null"};
    return type < labels.size() ? labels[type] : "";
}

CGPIBCommandInfo::CGPIBCommandInfo() : time_(OleDateTimeNow()) {}

CGPIBCommandInfo::CGPIBCommandInfo(std::uint8_t boardNumber, std::uint8_t busAddress, std::uint8_t actionCode,
                                   const CCopyDataBlock* parameters, const CCopyDataBlock* sent,
                                   const CCopyDataBlock* received)
    : busAddress_(busAddress), boardNumber_(boardNumber), actionFlags_(actionCode & actionMask),
      time_(OleDateTimeNow()) {
    try {
        if (parameters != nullptr)
            parameters_ = *parameters;
        if (sent != nullptr)
            sent_ = *sent;
        if (received != nullptr)
            received_ = *received;
        if (received_.Type() != CCopyDataBlock::Empty)
            actionFlags_ |= receivedPresent;
        if (parameters_.Type() != CCopyDataBlock::Empty)
            actionFlags_ |= parametersPresent;
        if (sent_.Type() != CCopyDataBlock::Empty)
            actionFlags_ |= sentPresent;
    } catch (...) {
        // The record stays usable with whatever was copied so far.
        platform::ShowMessageBox("Caught unknown exception");
    }
}

void CGPIBCommandInfo::SetActionCode(std::uint8_t code) {
    actionFlags_ = static_cast<std::uint8_t>((actionFlags_ & ~actionMask) | (code & actionMask));
}

void CGPIBCommandInfo::Store(ArchiveWriter& archive) const {
    archive.PutU8(currentVersion);
    archive.PutU8(busAddress_);
    archive.PutU8(boardNumber_);
    archive.PutU8(actionFlags_);
    archive.PutI32(time_.status);
    archive.PutF64(time_.date);
    archive.PutText(comments_);
    if (actionFlags_ & receivedPresent)
        received_.Store(archive);
    if (actionFlags_ & parametersPresent)
        parameters_.Store(archive);
    if (actionFlags_ & sentPresent)
        sent_.Store(archive);
}

void CGPIBCommandInfo::Load(ArchiveReader& archive) {
    const std::uint8_t version = archive.GetU8();
    const std::uint8_t busAddress = archive.GetU8();
    const std::uint8_t boardNumber = archive.GetU8();
    const std::uint8_t actionFlags = archive.GetU8();
    OleDateTime time;
    time.status = archive.GetI32();
    time.date = archive.GetF64();
    std::string comments;
    if (version == 2)
        comments = archive.GetText();
    else if (version != 1)
        throw ArchiveException(ArchiveException::badSchema,
                               "unsupported command record version " + std::to_string(version));

    // Blocks are read aside first so that a failure leaves the record as it was.
    std::optional<CCopyDataBlock> received, parameters, sent;
    if (actionFlags & receivedPresent)
        received.emplace().Load(archive);
    if (actionFlags & parametersPresent)
        parameters.emplace().Load(archive);
    if (actionFlags & sentPresent)
        sent.emplace().Load(archive);

    busAddress_ = busAddress;
    boardNumber_ = boardNumber;
    actionFlags_ = actionFlags;
    time_ = time;
    comments_ = std::move(comments);
    version_ = currentVersion;
    if (received)
        received_ = std::move(*received);
    if (parameters)
        parameters_ = std::move(*parameters);
    if (sent)
        sent_ = std::move(*sent);
}

std::vector<std::uint8_t> CGPIBCommandInfo::Serialize() const {
    ArchiveWriter archive;
    Store(archive);
    return archive.Take();
}

CGPIBCommandInfo CGPIBCommandInfo::FromBytes(std::span<const std::uint8_t> bytes) {
    ArchiveReader archive(bytes);
    CGPIBCommandInfo record;
    record.Load(archive);
    return record;
}

} // namespace corvid::link
