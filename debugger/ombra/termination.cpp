#include "termination.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace corvid::ombra {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::chrono::milliseconds kRetryInterval{200};

// The signal handler may only write to a descriptor; the event loop reads the other end.
int wakeWrite = -1;

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
}

} // namespace

TerminationRequests::TerminationRequests(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the termination pipe");
    wakeWrite = ends[1];
    notifier_ = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationRequests::Drain);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationRequests::~TerminationRequests() {
    for (int signal : kSignals)
        ::signal(signal, SIG_DFL);
    const int readEnd = static_cast<int>(notifier_->socket());
    notifier_.reset();
    ::close(readEnd);
    ::close(wakeWrite);
    wakeWrite = -1;
}

void TerminationRequests::Drain() {
    char bytes[16];
    while (::read(static_cast<int>(notifier_->socket()), bytes, sizeof bytes) > 0) {
    }
    Request();
}

void TerminationRequests::Request() {
    // A modal dialog or box works on a document the close would destroy: ask again once
    // it has been answered.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kRetryInterval, this, &TerminationRequests::Request);
        return;
    }
    onRequest_();
}

} // namespace corvid::ombra
