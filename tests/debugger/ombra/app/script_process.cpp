#include "script_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

namespace corvid::ombra::testing {

ScriptProcess::ScriptProcess(const QString& script, const QStringList& extraEnvironment) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // clang 14's leak checker misreads glibc's dynamic thread-local storage and can crash at
    // the exit of the script host with the driver loaded (sanitizer builds only).
    if (!environment.contains(QStringLiteral("LSAN_OPTIONS")))
        environment.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("use_tls=0"));
    for (const QString& entry : extraEnvironment) {
        const qsizetype equals = entry.indexOf('=');
        environment.insert(entry.left(equals), entry.mid(equals + 1));
    }
    process_.setProcessEnvironment(environment);
    process_.start(QStringLiteral(ASCRIPT_PROGRAM), {script});
    process_.waitForStarted();
}

ScriptProcess::~ScriptProcess() {
    if (Running()) {
        process_.kill();
        process_.waitForFinished();
    }
}

bool ScriptProcess::WaitFinished(std::chrono::milliseconds timeout) {
    return PumpUntil([this] { return !Running(); }, timeout);
}

QString ScriptProcess::Output() {
    return QString::fromUtf8(process_.readAllStandardOutput());
}

QString ScriptProcess::Errors() {
    return QString::fromUtf8(process_.readAllStandardError());
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

} // namespace corvid::ombra::testing
