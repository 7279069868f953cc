// Closes the program's main window, as the user would, when the process is asked to end
// (SIGTERM, SIGINT, SIGHUP): the window then stores its state and stops a running playback
// or recording before the documents close. While a modal dialog is open the request waits
// for it to be answered.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace corvid::ombra {

class TerminationRequests : public QObject {
    Q_OBJECT
public:
    // Only one object may exist at a time: it owns the process's handlers of those signals.
    explicit TerminationRequests(std::function<void()> onRequest, QObject* parent = nullptr);
    ~TerminationRequests() override;

private:
    void Drain();
    void Request();

    std::function<void()> onRequest_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace corvid::ombra
