// Shows the message-box service's boxes as Qt message boxes in the Qt programs.
#pragma once

#include "platform/message_box.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace corvid::platform {

// The Qt box of a request, not yet shown: caption, text, buttons and icon as asked; an
// empty caption stands for the program's name (the application name).
std::unique_ptr<QMessageBox> MakeQtMessageBox(const MessageBoxRequest& request, QWidget* parent = nullptr);

// One modal Qt message box for the request, owned by parent (or the active window). An
// unattended run (CORVID_MSGBOX set) is answered as the variable says, without a box.
MsgAnswer ShowQtMessageBox(const MessageBoxRequest& request, QWidget* parent = nullptr);

// Installs a handler that shows every box of the process modally; the previous handler
// comes back when the guard goes.
class QtMessageBoxHandler {
public:
    QtMessageBoxHandler();
    ~QtMessageBoxHandler();
    QtMessageBoxHandler(const QtMessageBoxHandler&) = delete;
    QtMessageBoxHandler& operator=(const QtMessageBoxHandler&) = delete;
};

} // namespace corvid::platform
