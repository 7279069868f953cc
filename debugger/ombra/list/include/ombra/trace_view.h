// The trace window's contents: the list of the last commands the driver reported.
#pragma once

#include <QWidget>

namespace corvid::debugger {
class CommandList;
}

namespace corvid::ombra {

class CommandListView;

// A CommandListView in trace layout over the engine's trace list (which keeps the last 500
// rows). Each appended row is scrolled into view, not selected. The engine appends at once
// while it handles a driver's report; the view follows on its timer, so the report is
// answered without waiting for the window to draw, and no driver message is ever handled
// inside another.
class TraceView : public QWidget {
    Q_OBJECT
public:
    explicit TraceView(debugger::CommandList& trace, QWidget* parent = nullptr);
    ~TraceView() override;

    CommandListView* List() const { return list_; }

private:
    CommandListView* list_;
};

} // namespace corvid::ombra
