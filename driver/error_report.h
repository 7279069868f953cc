// Error information of the driver's members: the fixed description layout
// "[Command : %s] [Date : %s] [Message : %s]", the chaining of a nested member's
// description into its caller's, and the conversion of whatever a member throws.
#pragma once

#include "com/guid.h"
#include "com/hresult.h"

#include <ctime>
#include <string>
#include <string_view>

namespace corvid::driver {

// The source of every error information the driver sets.
inline constexpr const char* kErrorSource = "VisaGpib.VisaGpib.1";

// "[Command : <command>] [Date : <when as "%B %d, %Y, %H:%M:%S">] [Message : <message>]".
std::string ErrorDescription(std::string_view command, std::string_view message, const std::tm& when);

// Sets the thread's error information (source kErrorSource, the given interface, the
// description above with the current local time) and returns result.
com::HRESULT ReportError(std::string_view command, std::string_view message, com::REFIID iid,
                         com::HRESULT result);

// The command and message of a nested member's description, chained to the caller's
// command: the command becomes "<nested command>, <command>" and the message stays, or
// when the description lacks a part, the command alone and "Error".
struct ChainedText {
    std::string command;
    std::string message;
};
ChainedText ChainDescription(std::string_view description, std::string_view command);

// Turns the exception being handled into error information for the member `command` of
// interface iid and returns the member's result. Call only inside a catch block.
com::HRESULT ReportCurrentException(std::string_view command, com::REFIID iid) noexcept;

} // namespace corvid::driver
