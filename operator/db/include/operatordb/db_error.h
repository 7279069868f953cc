// The error raised by every database operation that the engine refuses.
#pragma once

#include <stdexcept>
#include <string>

namespace corvid::operatordb {

// Carries the engine's message (what()), its result code (0 for errors found by this
// layer itself) and the statement that failed, as the caller wrote it, when there is one.
class DbError : public std::runtime_error {
public:
    explicit DbError(const std::string& message, int code = 0, std::string statement = {})
        : std::runtime_error(message), code_(code), statement_(std::move(statement)) {}

    int code() const { return code_; }
    const std::string& statement() const { return statement_; }

private:
    int code_;
    std::string statement_;
};

} // namespace corvid::operatordb
