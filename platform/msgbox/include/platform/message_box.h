// The process-wide message-box service. Libraries never talk to a window system; they
// ask this service, which answers from (in this order) a handler installed by the host
// program, the CORVID_MSGBOX environment variable, the terminal, or the default button.
//
// The service is a shared library so that there is one handler per process: a module
// loaded into a host program shows its boxes through the host's handler.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#define CORVID_MSGBOX_API __attribute__((visibility("default")))

namespace corvid::platform {

// The button sets a box can offer; the first button of each set is its default.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class MsgIcon { None, Error, Warning, Question, Information };

// The button pressed. Numbers as the classic dialog identifiers, for callers that
// pass them on.
enum class MsgAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

using MessageBoxHandler = std::function<MsgAnswer(const MessageBoxRequest&)>;

// Installs the host program's handler (an empty function removes it) and returns the
// one it replaces.
CORVID_MSGBOX_API MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Shows a box and returns the button chosen. An empty caption stands for the program's name.
CORVID_MSGBOX_API MsgAnswer ShowMessageBox(std::string_view text, std::string_view caption = {},
                                           MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None);

// The answer of an unattended run: when CORVID_MSGBOX is set, the box and the answer it
// names are written to standard error and that answer is returned; otherwise nothing.
// Programs with windows ask this first so that they can run without anyone at the screen.
CORVID_MSGBOX_API std::optional<MsgAnswer> AnswerUnattended(const MessageBoxRequest& request);

// The default (first) button of a set, and whether a set offers a button.
CORVID_MSGBOX_API MsgAnswer DefaultAnswer(MsgButtons buttons);
CORVID_MSGBOX_API bool Offers(MsgButtons buttons, MsgAnswer answer);

// "OK", "Cancel", "Yes", ...
CORVID_MSGBOX_API std::string_view AnswerName(MsgAnswer answer);

} // namespace corvid::platform
