#include "debugger/breakpoints.h"

#include "debugger/document.h"
#include "debugger/engine.h"

namespace corvid::debugger {

bool BreakpointAt(const RecordingDocument* document, int index) {
    const CommandItem* item = document ? document->Commands().At(index) : nullptr;
    return item && item->breakpoint;
}

void ToggleBreakpoint(RecordingDocument* document) {
    if (!document)
        return;
    CommandList& list = document->Commands();
    CommandItem* item = list.At(list.SelectedIndex());
    if (!item)
        return;
    item->breakpoint = !item->breakpoint;
    list.Repaint();
}

bool BreakpointCommandEnabled(const RecordingDocument* document, const Engine& engine) {
    if (!document)
        return false;
    const CommandList& list = document->Commands();
    if (!list.At(list.SelectedIndex()))
        return false;
    const bool recordedHere = engine.IsRecording() && engine.RecordingTarget().get() == document;
    return !recordedHere || engine.IsPaused();
}

} // namespace corvid::debugger
