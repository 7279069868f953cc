#include "ombra/trace_view.h"

#include "ombra/command_list_view.h"

#include <QVBoxLayout>

namespace corvid::ombra {

TraceView::TraceView(debugger::CommandList& trace, QWidget* parent)
    : QWidget(parent), list_(new CommandListView(trace, ListLayout::trace, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
}

TraceView::~TraceView() = default;

} // namespace corvid::ombra
