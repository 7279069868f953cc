#include "ombra/trace_view.h"

#include "ombra/command_list_view.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVBoxLayout>

namespace corvid::ombra {
namespace {

// Holds back socket notifications while it lives. Not every event dispatcher honours
// ExcludeSocketNotifiers (the GLib one does not); a notifier whose socket is still ready
// fires again on the event loop's next pass, so nothing is lost.
class SocketActivationHold : public QObject {
public:
    SocketActivationHold() { QCoreApplication::instance()->installEventFilter(this); }
    ~SocketActivationHold() override { QCoreApplication::instance()->removeEventFilter(this); }
    SocketActivationHold(const SocketActivationHold&) = delete;
    SocketActivationHold& operator=(const SocketActivationHold&) = delete;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        return event->type() == QEvent::SockAct;
    }
};

} // namespace

TraceView::TraceView(debugger::CommandList& trace, QWidget* parent)
    : QWidget(parent), list_(new CommandListView(trace, ListLayout::trace, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    connect(list_, &CommandListView::rowInserted, this, &TraceView::RowAppended);
}

TraceView::~TraceView() = default;

void TraceView::RowAppended(int row) {
    debugger::CommandList& trace = list_->List();
    if (row != trace.Count() - 1)
        return;
    trace.EnsureVisible(row);
    // Paint while a test floods the debugger, but handle neither a driver message nor the
    // user's input inside the handler of another message: a command started here would act
    // on the engine halfway through its report. Input waits until the report is answered.
    const SocketActivationHold hold;
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers | QEventLoop::ExcludeUserInputEvents);
}

} // namespace corvid::ombra
