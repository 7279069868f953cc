// The trace window's contents: the list of the last commands the driver reported.
#pragma once

#include <QWidget>

namespace corvid::debugger {
class CommandList;
}

namespace corvid::ombra {

class CommandListView;

// A CommandListView in trace layout over the engine's trace list (which keeps the last 500
// rows). Each appended row is scrolled into view, not selected, and then pending events are
// processed so that the window paints while a test floods the debugger; socket notifiers
// are left for later so that no driver message is handled inside another.
class TraceView : public QWidget {
    Q_OBJECT
public:
    explicit TraceView(debugger::CommandList& trace, QWidget* parent = nullptr);
    ~TraceView() override;

    CommandListView* List() const { return list_; }

private:
    void RowAppended(int row);

    CommandListView* list_;
};

} // namespace corvid::ombra
