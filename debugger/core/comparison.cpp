#include "debugger/comparison.h"

#include "debugger/list_text.h"
#include "debugger/options.h"
#include "debugger/prompt.h"

#include <cstring>

namespace corvid::debugger {
namespace {

using link::CCopyDataBlock;
using link::CGPIBCommandInfo;

constexpr std::size_t kReportTextLimit = 50;

std::uint8_t PresenceBit(BlockRole role) {
    switch (role) {
    case BlockRole::sent:
        return CGPIBCommandInfo::sentPresent;
    case BlockRole::received:
        return CGPIBCommandInfo::receivedPresent;
    case BlockRole::parameters:
        return CGPIBCommandInfo::parametersPresent;
    }
    return 0;
}

template <typename T>
T ElementAt(const CCopyDataBlock& block, std::size_t index) {
    T value;
    std::memcpy(&value, block.Data() + index * sizeof(T), sizeof(T));
    return value;
}

template <typename T>
bool RealsEqual(const CCopyDataBlock& a, const CCopyDataBlock& b) {
    for (std::size_t i = 0; i < a.Count(); ++i) {
        const T x = ElementAt<T>(a, i), y = ElementAt<T>(b, i);
        if (x < y || x > y)
            return false;
    }
    return true;
}

bool TextsEqual(const CCopyDataBlock& a, const CCopyDataBlock& b) {
    const auto* x = reinterpret_cast<const char*>(a.Data());
    const auto* y = reinterpret_cast<const char*>(b.Data());
    if (a.Count() == 1)
        return x[0] == y[0];
    // Texts end at their zero byte, or at the end of the buffer without one.
    return std::string_view(x, ::strnlen(x, a.Count())) == std::string_view(y, ::strnlen(y, b.Count()));
}

bool PresentBlocksEqual(const CCopyDataBlock& a, const CCopyDataBlock& b, Prompt& prompt) {
    if (a.Type() != b.Type() || a.Count() != b.Count())
        return false;
    const bool hasElements = a.Count() > 0 && a.HasData() && b.HasData();
    switch (a.Type()) {
    case CCopyDataBlock::Integer:
    case CCopyDataBlock::Long:
    case CCopyDataBlock::Byte:
    case CCopyDataBlock::Dword:
        return !hasElements || std::memcmp(a.Data(), b.Data(), a.TotalSize()) == 0;
    case CCopyDataBlock::Float:
        return !hasElements || RealsEqual<float>(a, b);
    case CCopyDataBlock::Double:
        return !hasElements || RealsEqual<double>(a, b);
    case CCopyDataBlock::Char:
        return !hasElements || TextsEqual(a, b);
    case CCopyDataBlock::Empty:
        return true; // the counts are equal
    default:
        prompt.Ask("Invalid data type or programmer forgot to add a type");
        return false;
    }
}

void AddSection(std::string& report, const char* heading, const std::string& expected,
                const std::string& received) {
    report += heading;
    report += ":\r\n\tExpected: " + expected + "\r\n\tReceived: " + received + "\r\n\r\n";
}

std::string ShortText(const CGPIBCommandInfo& command, BlockRole role) {
    return OneLineText(BlockOf(command, role).GetString(false, kReportTextLimit));
}

} // namespace

const CCopyDataBlock& BlockOf(const CGPIBCommandInfo& command, BlockRole role) {
    switch (role) {
    case BlockRole::sent:
        return command.Sent();
    case BlockRole::received:
        return command.Received();
    case BlockRole::parameters:
        break;
    }
    return command.Parameters();
}

bool BlockPresent(const CGPIBCommandInfo& command, BlockRole role) {
    return (command.ActionFlags() & PresenceBit(role)) != 0;
}

void SetBlock(CGPIBCommandInfo& command, BlockRole role, const CCopyDataBlock& block) {
    switch (role) {
    case BlockRole::sent:
        command.Sent() = block;
        break;
    case BlockRole::received:
        command.Received() = block;
        break;
    case BlockRole::parameters:
        command.Parameters() = block;
        break;
    }
    const std::uint8_t bit = PresenceBit(role);
    const std::uint8_t flags = command.ActionFlags();
    command.SetActionFlags(static_cast<std::uint8_t>(
        BlockOf(command, role).Type() != CCopyDataBlock::Empty ? flags | bit : flags & ~bit));
}

bool BlocksEqual(const CGPIBCommandInfo& a, const CGPIBCommandInfo& b, BlockRole role, Prompt& prompt) {
    const bool aPresent = BlockPresent(a, role), bPresent = BlockPresent(b, role);
    if (!aPresent || !bPresent)
        return aPresent == bPresent;
    return PresentBlocksEqual(BlockOf(a, role), BlockOf(b, role), prompt);
}

std::optional<std::string> DifferenceReport(const CGPIBCommandInfo& expected,
                                            const CGPIBCommandInfo& received, const Options& options,
                                            Prompt& prompt) {
    if (options.validateCommandTypeOnly)
        return std::nullopt;
    const bool validateBus = options.validateBusAddresses == 1;
    const bool action = expected.ActionCode() != received.ActionCode();
    const bool board = validateBus && expected.BoardNumber() != received.BoardNumber();
    const bool bus = validateBus && expected.BusAddress() != received.BusAddress();
    const bool receivedDiffers = !BlocksEqual(expected, received, BlockRole::received, prompt);
    bool sent = !BlocksEqual(expected, received, BlockRole::sent, prompt);
    if (sent && !(action || board || bus || receivedDiffers) && options.ignoreTimeoutChanges &&
        received.ActionCode() == link::actionSetAttribute)
        sent = false;
    const bool parameters = !BlocksEqual(expected, received, BlockRole::parameters, prompt);
    if (!(action || board || bus || receivedDiffers || sent || parameters))
        return std::nullopt;

    std::string report =
        "The command sent by the driver is not the same as the command being played back.\r\n"
        "The differences are as follows:\r\n\r\n";
    if (action)
        AddSection(report, "ACTION", std::string(link::ActionName(expected.ActionCode())),
                   std::string(link::ActionName(received.ActionCode())));
    if (board)
        AddSection(report, "BOARD NUMBER", std::to_string(expected.BoardNumber()),
                   std::to_string(received.BoardNumber()));
    if (bus)
        AddSection(report, "BUS ADDRESS", std::to_string(expected.BusAddress()),
                   std::to_string(received.BusAddress()));
    if (receivedDiffers)
        AddSection(report, "RECEIVED", ShortText(expected, BlockRole::received),
                   ShortText(received, BlockRole::received));
    if (sent)
        AddSection(report, "SENT", ShortText(expected, BlockRole::sent),
                   ShortText(received, BlockRole::sent));
    if (parameters)
        AddSection(report, "PARAMETERS", ShortText(expected, BlockRole::parameters),
                   ShortText(received, BlockRole::parameters));
    return report;
}

} // namespace corvid::debugger
