// CResultError: a failure inside the driver, carried to the boundary of the member that
// runs into it. It holds the result the member returns and the message of its error
// information, or says that a nested call on the object's own interfaces has already
// described the failure (the member then chains that description to its own).
#pragma once

#include "com/hresult.h"

#include <string>
#include <utility>

namespace corvid::driver {

class CResultError {
public:
    // A failure described by message. A result that is not negative becomes E_FAIL.
    CResultError(com::HRESULT result, std::string message)
        : message_(std::move(message)), result_(Normalised(result)), ownMessage_(true) {}

    // A nested call on the object's own interfaces failed with result and left its error
    // information on the thread.
    static CResultError Nested(com::HRESULT result) { return CResultError(result); }

    const std::string& message() const { return message_; }
    com::HRESULT result() const { return result_; }
    bool ownMessage() const { return ownMessage_; }

private:
    explicit CResultError(com::HRESULT result) : result_(Normalised(result)), ownMessage_(false) {}

    static com::HRESULT Normalised(com::HRESULT result) { return result < 0 ? result : com::E_FAIL; }

    std::string message_;
    com::HRESULT result_;
    bool ownMessage_;
};

} // namespace corvid::driver
