// CResultError: the failure of an operation of the operator interface, shown to the
// operator as its title, ", Details:\n" and its message.
#pragma once

#include "com/types.h"

#include <stdexcept>
#include <string>

namespace corvid::operatortabs {

class CResultError : public std::runtime_error {
public:
    CResultError(std::string message, std::string title, com::HRESULT result = 0, bool ownText = true)
        : std::runtime_error(message), title_(std::move(title)), result_(result), ownText_(ownText) {}

    const std::string& title() const { return title_; }
    com::HRESULT result() const { return result_; }
    // The message is the operator interface's own text (not one passed on from elsewhere).
    bool ownText() const { return ownText_; }
    std::string Text() const { return title_ + ", Details:\n" + what(); }

private:
    std::string title_;
    com::HRESULT result_;
    bool ownText_;
};

} // namespace corvid::operatortabs
