// The command list of a recording document (and of the trace window): its rows, each an
// owned command with a breakpoint flag, and the state the engine keeps on it: playback and
// record positions, highlight mode and selection. Nothing here draws; a view observes the
// list and paints it.
#pragma once

#include "link/gpib_command_info.h"

#include <deque>

namespace corvid::debugger {

struct CommandItem {
    link::CGPIBCommandInfo command;
    bool breakpoint = false;
};

// How the engine wants a list drawn: idle (neither highlight), playing (playback and
// recording highlight) or recording (recording highlight only).
enum class Highlight { idle, playing, recording };

// What a view of the list hears about. Every call is a notification after the change.
class ListObserver {
public:
    virtual ~ListObserver() = default;
    virtual void RowInserted(int /*index*/) {}
    virtual void RowRemoved(int /*index*/) {}
    // All rows were removed or replaced at once (delete all, load).
    virtual void RowsReset() {}
    virtual void RowChanged(int /*index*/) {}
    // Highlight mode or breakpoints changed: repaint everything visible.
    virtual void Repaint() {}
    virtual void SelectionChanged(int /*index*/) {}
    // Scroll so that the row is visible, near the middle when centred.
    virtual void EnsureVisible(int /*index*/, bool /*centred*/) {}
};

class CommandList {
public:
    // maximumRows < 0: no limit (documents); the trace list keeps 500.
    explicit CommandList(int maximumRows = -1) : maximumRows_(maximumRows) {}

    void SetObserver(ListObserver* observer) { observer_ = observer; }

    int Count() const { return static_cast<int>(items_.size()); }
    // The row at index, or null when there is none.
    const CommandItem* At(int index) const;
    CommandItem* At(int index);

    // Inserts a row at index (-1 or past the end: at the end). At the maximum, the first
    // row goes first. With select the row is selected; with scroll it is brought into view.
    void Insert(CommandItem item, int index, bool select, bool scroll);
    // Removes a row; with selectNext the row that took its place (or the new last row) is
    // selected.
    void Delete(int index, bool selectNext, bool scroll);
    void DeleteAll();
    // Replaces all rows at once (loading); positions and selection are reset.
    void Assign(std::deque<CommandItem> items);
    // Replaces the command of a row; the row keeps its breakpoint. False without a row.
    bool ReplaceCommand(int index, link::CGPIBCommandInfo command);

    int SelectedIndex() const { return selected_; }
    // index -1: the last row. Nothing happens for an index without a row.
    void Select(int index, bool scroll, bool centre = false);
    void ClearSelection();
    void EnsureVisible(int index, bool centred = false);

    int PlaybackPosition() const { return playbackPosition_; }
    // Both the old and the new row are redrawn: the icon column shows the position.
    void SetPlaybackPosition(int index);
    int RecordPosition() const { return recordPosition_; }
    // -1 stores the current row count (the end).
    void SetRecordPosition(int index, bool redraw);

    Highlight HighlightMode() const { return highlight_; }
    bool PlaybackHighlight() const { return highlight_ == Highlight::playing; }
    bool RecordingHighlight() const { return highlight_ != Highlight::idle; }
    void ShowAsPlaying() { SetHighlight(Highlight::playing); }
    void ShowAsRecording() { SetHighlight(Highlight::recording); }
    void ShowAsIdle() { SetHighlight(Highlight::idle); }

    int MaximumRows() const { return maximumRows_; }
    void SetMaximumRows(int maximum) { maximumRows_ = maximum; }

    // Repaints after a change to row flags (breakpoints).
    void Repaint();

private:
    void SetHighlight(Highlight mode);
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    std::deque<CommandItem> items_;
    int maximumRows_;
    int selected_ = -1;
    int playbackPosition_ = -1;
    int recordPosition_ = 0;
    Highlight highlight_ = Highlight::idle;
    ListObserver* observer_ = nullptr;
};

} // namespace corvid::debugger
