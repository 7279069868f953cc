#include "operator_prompt.h"

#include "platform/text.h"

#include <QApplication>
#include <QInputDialog>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace corvid::demouut {
namespace {

using Outcome = OperatorAnswer::Outcome;

constexpr char kCaption[] = "UUT Serial Number";

// A QApplication whose windows a person can see, asked from its own thread. Qt's
// offscreen and minimal platforms draw nowhere: nobody would ever answer there.
bool CanShowDialog() {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application || QThread::currentThread() != application->thread())
        return false;
    QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

OperatorAnswer AskInDialog(const std::string& question, const std::string& suggestion) {
    bool accepted = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), QString::fromLatin1(kCaption),
                                         QString::fromStdString(question + "\n\nSerial number:"),
                                         QLineEdit::Normal, QString::fromStdString(suggestion), &accepted);
    if (!accepted)
        return {Outcome::Cancelled, {}};
    return {Outcome::Answered, std::string(platform::Trim(text.toStdString()))};
}

// Reads one line from standard input byte by byte, so that nothing after it is consumed.
bool ReadLine(std::string& line) {
    line.clear();
    char c = 0;
    while (true) {
        ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return !line.empty();
        if (c == '\n')
            return true;
        line += c;
    }
}

OperatorAnswer AskOnTerminal(const std::string& question, const std::string& suggestion) {
    std::fprintf(stderr, "%s\nSerial number%s%s%s: ", question.c_str(), suggestion.empty() ? "" : " [",
                 suggestion.c_str(), suggestion.empty() ? "" : "]");
    std::fflush(stderr);
    std::string line;
    if (!ReadLine(line))
        return {Outcome::Cancelled, {}};
    line = std::string(platform::Trim(line));
    return {Outcome::Answered, line.empty() ? suggestion : line};
}

} // namespace

OperatorAnswer AskOperatorForSerialNumber(const std::string& question, const std::string& suggestion) {
    if (CanShowDialog())
        return AskInDialog(question, suggestion);
    if (::isatty(STDIN_FILENO))
        return AskOnTerminal(question, suggestion);
    return {Outcome::NoOperator, {}};
}

} // namespace corvid::demouut
