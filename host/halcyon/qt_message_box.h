// Shows the message-box service's boxes as Qt message boxes while the program runs.
#pragma once

namespace corvid::host {

// Installs the handler; the previous one comes back when the guard goes.
class QtMessageBoxHandler {
public:
    QtMessageBoxHandler();
    ~QtMessageBoxHandler();
    QtMessageBoxHandler(const QtMessageBoxHandler&) = delete;
    QtMessageBoxHandler& operator=(const QtMessageBoxHandler&) = delete;
};

} // namespace corvid::host
