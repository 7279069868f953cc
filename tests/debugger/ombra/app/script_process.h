// A Lua test script run through the script host in a child process while this process's
// event loop keeps turning, so that the debugger's window handles the driver's messages.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

namespace corvid::ombra::testing {

class ScriptProcess {
public:
    // extraEnvironment: "NAME=value" entries added to this process's environment.
    ScriptProcess(const QString& script, const QStringList& extraEnvironment = {});
    ~ScriptProcess();

    bool Running() const { return process_.state() != QProcess::NotRunning; }
    // Turns the event loop until the script ended; false when the timeout passed first.
    bool WaitFinished(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    int ExitCode() const { return process_.exitCode(); }
    // Standard output (read once the script ended).
    QString Output();
    QString Errors();

private:
    QProcess process_;
};

// Turns the event loop until the condition holds; false when the timeout passed first.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

} // namespace corvid::ombra::testing
