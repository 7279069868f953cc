#include "error_report.h"

#include "com/error_info.h"
#include "result_error.h"

#include <array>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace corvid::driver {
namespace {

constexpr std::size_t kMaxExceptionText = 1024;
constexpr std::string_view kCommandMarker = "[Command :";
constexpr std::string_view kMessageMarker = "[Message :";

// The text after marker and one further character, up to the next "]" (or the end).
std::optional<std::string> FieldAfter(std::string_view text, std::string_view marker) {
    std::size_t start = text.find(marker);
    if (start == std::string_view::npos)
        return std::nullopt;
    start = std::min(text.size(), start + marker.size() + 1);
    std::size_t end = text.find(']', start);
    return std::string(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

com::HRESULT ReportChained(std::string_view command, com::REFIID iid, com::HRESULT result) {
    std::string description = "Error";
    if (auto details = com::TakeErrorDetails(); details && !details->description.empty())
        description = details->description;
    ChainedText chained = ChainDescription(description, command);
    return ReportError(chained.command, chained.message, iid, result);
}

com::HRESULT ResultOfStandardException(const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return com::E_OUTOFMEMORY;
    if (dynamic_cast<const std::invalid_argument*>(&error) || dynamic_cast<const std::out_of_range*>(&error))
        return com::E_INVALIDARG;
    if (auto* system = dynamic_cast<const std::system_error*>(&error);
        system && system->code().category() == std::system_category() && system->code().value() > 0)
        return com::HResultFromWin32(static_cast<com::DWORD>(system->code().value()));
    return com::E_FAIL;
}

// result receives the member's result before the error information is built, for the
// case that building it fails.
com::HRESULT Dispatch(std::string_view command, com::REFIID iid, com::HRESULT& result) {
    try {
        throw;
    } catch (const CResultError& error) {
        result = error.result();
        if (error.ownMessage())
            return ReportError(command, error.message(), iid, error.result());
        return ReportChained(command, iid, error.result());
    } catch (const std::exception& error) {
        result = ResultOfStandardException(error);
        std::string_view text = error.what();
        return ReportError(command, text.substr(0, kMaxExceptionText), iid, ResultOfStandardException(error));
    } catch (...) {
        return ReportError(command, "Caught unknown Exception", iid, com::E_UNEXPECTED);
    }
}

} // namespace

std::string ErrorDescription(std::string_view command, std::string_view message, const std::tm& when) {
    std::array<char, 128> date{};
    std::size_t length = std::strftime(date.data(), date.size(), "%B %d, %Y, %H:%M:%S", &when);
    std::string text;
    text.reserve(command.size() + message.size() + 64);
    text.append("[Command : ").append(command);
    text.append("] [Date : ").append(date.data(), length);
    text.append("] [Message : ").append(message).append("]");
    return text;
}

com::HRESULT ReportError(std::string_view command, std::string_view message, com::REFIID iid,
                         com::HRESULT result) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    com::ReportError(result, iid, kErrorSource, ErrorDescription(command, message, local));
    return result;
}

ChainedText ChainDescription(std::string_view description, std::string_view command) {
    ChainedText chained;
    if (auto nested = FieldAfter(description, kCommandMarker))
        chained.command = *nested + ", " + std::string(command);
    else
        chained.command = command;
    chained.message = FieldAfter(description, kMessageMarker).value_or("Error");
    return chained;
}

com::HRESULT ReportCurrentException(std::string_view command, com::REFIID iid) noexcept {
    com::HRESULT result = com::E_UNEXPECTED;
    try {
        return Dispatch(command, iid, result);
    } catch (...) {
        return result; // no memory left even for the description
    }
}

} // namespace corvid::driver
