// Breakpoints: a per-row mark on the commands of a recording document, never saved. While
// a playback runs the engine pauses when the command that becomes next carries the mark.
#pragma once

namespace corvid::debugger {

class Engine;
class RecordingDocument;

// False for an index without a row; otherwise the row's flag.
bool BreakpointAt(const RecordingDocument* document, int index);

// "Enable/Disable Breakpoint" on the active document: inverts the mark of the selected
// row and repaints. The document does not become modified.
void ToggleBreakpoint(RecordingDocument* document);

// Enabled with a selected row, except in the document being recorded unless paused.
bool BreakpointCommandEnabled(const RecordingDocument* document, const Engine& engine);

} // namespace corvid::debugger
