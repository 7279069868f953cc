#include "platform/message_box.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <unistd.h>

namespace corvid::platform {
namespace {

std::mutex handlerMutex;
MessageBoxHandler installedHandler; // guarded by handlerMutex

std::span<const MsgAnswer> ButtonsOf(MsgButtons buttons) {
    static constexpr MsgAnswer ok[] = {MsgAnswer::Ok};
    static constexpr MsgAnswer okCancel[] = {MsgAnswer::Ok, MsgAnswer::Cancel};
    static constexpr MsgAnswer yesNo[] = {MsgAnswer::Yes, MsgAnswer::No};
    static constexpr MsgAnswer yesNoCancel[] = {MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel};
    static constexpr MsgAnswer retryCancel[] = {MsgAnswer::Retry, MsgAnswer::Cancel};
    static constexpr MsgAnswer abortRetryIgnore[] = {MsgAnswer::Abort, MsgAnswer::Retry, MsgAnswer::Ignore};
    switch (buttons) {
    case MsgButtons::Ok:
        return ok;
    case MsgButtons::OkCancel:
        return okCancel;
    case MsgButtons::YesNo:
        return yesNo;
    case MsgButtons::YesNoCancel:
        return yesNoCancel;
    case MsgButtons::RetryCancel:
        return retryCancel;
    case MsgButtons::AbortRetryIgnore:
        return abortRetryIgnore;
    }
    return ok;
}

std::string ProgramName() {
    return program_invocation_short_name ? program_invocation_short_name : "corvid";
}

// Texts use CR LF line breaks; a terminal wants LF.
std::string ForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r')
            out += c;
    return out;
}

void WriteBox(const MessageBoxRequest& request) {
    std::fprintf(stderr, "== %s ==\n%s\n", request.caption.c_str(), ForTerminal(request.text).c_str());
}

void WriteAnswer(MsgAnswer answer) {
    std::fprintf(stderr, "-> %s\n", std::string(AnswerName(answer)).c_str());
}

std::optional<MsgAnswer> AnswerFromEnvironment(const MessageBoxRequest& request) {
    const char* mode = std::getenv("CORVID_MSGBOX");
    if (!mode || !*mode)
        return std::nullopt;
    std::string_view wanted(mode);
    MsgAnswer answer = DefaultAnswer(request.buttons);
    for (MsgAnswer candidate : ButtonsOf(request.buttons)) {
        std::string name(AnswerName(candidate));
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (wanted == name)
            answer = candidate;
    }
    return answer;
}

MsgAnswer AskOnTerminal(const MessageBoxRequest& request) {
    auto offered = ButtonsOf(request.buttons);
    for (;;) {
        std::fputs("[", stderr);
        for (std::size_t i = 0; i < offered.size(); ++i)
            std::fprintf(stderr, "%s%s", i ? "/" : "", std::string(AnswerName(offered[i])).c_str());
        std::fputs("] ? ", stderr);
        std::string line;
        if (!std::getline(std::cin, line))
            return offered.front();
        if (line.empty())
            return offered.front();
        for (MsgAnswer candidate : offered) {
            std::string_view name = AnswerName(candidate);
            if (std::tolower(static_cast<unsigned char>(line[0])) ==
                std::tolower(static_cast<unsigned char>(name[0])))
                return candidate;
        }
    }
}

} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard lock(handlerMutex);
    std::swap(installedHandler, handler);
    return handler;
}

MsgAnswer DefaultAnswer(MsgButtons buttons) {
    return ButtonsOf(buttons).front();
}

bool Offers(MsgButtons buttons, MsgAnswer answer) {
    for (MsgAnswer candidate : ButtonsOf(buttons))
        if (candidate == answer)
            return true;
    return false;
}

std::string_view AnswerName(MsgAnswer answer) {
    switch (answer) {
    case MsgAnswer::Ok:
        return "OK";
    case MsgAnswer::Cancel:
        return "Cancel";
    case MsgAnswer::Abort:
        return "Abort";
    case MsgAnswer::Retry:
        return "Retry";
    case MsgAnswer::Ignore:
        return "Ignore";
    case MsgAnswer::Yes:
        return "Yes";
    case MsgAnswer::No:
        return "No";
    }
    return "?";
}

std::optional<MsgAnswer> AnswerUnattended(const MessageBoxRequest& request) {
    const std::optional<MsgAnswer> answer = AnswerFromEnvironment(request);
    if (answer) {
        WriteBox(request);
        WriteAnswer(*answer);
    }
    return answer;
}

MsgAnswer ShowMessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon) {
    MessageBoxRequest request{std::string(text), caption.empty() ? ProgramName() : std::string(caption),
                              buttons, icon};
    MessageBoxHandler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = installedHandler;
    }
    if (handler)
        return handler(request);
    WriteBox(request);
    MsgAnswer answer;
    if (auto fromEnvironment = AnswerFromEnvironment(request))
        answer = *fromEnvironment;
    else if (::isatty(STDIN_FILENO))
        return AskOnTerminal(request);
    else
        answer = DefaultAnswer(buttons);
    WriteAnswer(answer);
    return answer;
}

} // namespace corvid::platform
