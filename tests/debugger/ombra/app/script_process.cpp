#include "script_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

namespace corvid::ombra::testing {

ScriptProcess::ScriptProcess(const QString& script, const QStringList& extraEnvironment) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
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
