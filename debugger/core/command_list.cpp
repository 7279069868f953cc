#include "debugger/command_list.h"

#include <utility>

namespace corvid::debugger {

const CommandItem* CommandList::At(int index) const {
    return Valid(index) ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

CommandItem* CommandList::At(int index) {
    return Valid(index) ? &items_[static_cast<std::size_t>(index)] : nullptr;
}

void CommandList::Insert(CommandItem item, int index, bool select, bool scroll) {
    if (maximumRows_ >= 0 && Count() >= maximumRows_ && Count() > 0) {
        Delete(0, false, false);
        if (index > 0)
            --index;
    }
    if (index < 0 || index > Count())
        index = Count();
    items_.insert(items_.begin() + index, std::move(item));
    // The selection stays on its row, which moved down; so do the rows the engine records
    // before and plays next, when a row is edited in above them while paused.
    if (selected_ >= index)
        ++selected_;
    if (playbackPosition_ > index)
        ++playbackPosition_;
    if (recordPosition_ > index)
        ++recordPosition_;
    if (observer_)
        observer_->RowInserted(index);
    if (select)
        Select(index, scroll);
    else if (scroll)
        EnsureVisible(index);
}

void CommandList::Delete(int index, bool selectNext, bool scroll) {
    if (!Valid(index))
        return;
    items_.erase(items_.begin() + index);
    const bool selectionChanged = selected_ >= index;
    if (selected_ == index)
        selected_ = -1;
    else if (selected_ > index)
        --selected_;
    if (playbackPosition_ > index)
        --playbackPosition_;
    if (recordPosition_ > index)
        --recordPosition_;
    if (observer_)
        observer_->RowRemoved(index);
    if (selectNext && Count() > 0)
        Select(index < Count() ? index : Count() - 1, scroll);
    else if (selectionChanged && observer_)
        observer_->SelectionChanged(selected_);
}

void CommandList::DeleteAll() {
    items_.clear();
    selected_ = -1;
    if (observer_) {
        observer_->RowsReset();
        observer_->SelectionChanged(-1);
    }
}

void CommandList::Assign(std::deque<CommandItem> items) {
    items_ = std::move(items);
    selected_ = -1;
    playbackPosition_ = -1;
    recordPosition_ = Count();
    if (observer_) {
        observer_->RowsReset();
        observer_->SelectionChanged(-1);
    }
}

bool CommandList::ReplaceCommand(int index, link::CGPIBCommandInfo command) {
    CommandItem* item = At(index);
    if (!item)
        return false;
    item->command = std::move(command);
    if (observer_)
        observer_->RowChanged(index);
    return true;
}

void CommandList::Select(int index, bool scroll, bool centre) {
    if (index == -1)
        index = Count() - 1;
    if (!Valid(index))
        return;
    selected_ = index;
    if (observer_)
        observer_->SelectionChanged(index);
    if (scroll)
        EnsureVisible(index, centre);
}

void CommandList::ClearSelection() {
    if (selected_ == -1)
        return;
    selected_ = -1;
    if (observer_)
        observer_->SelectionChanged(-1);
}

void CommandList::EnsureVisible(int index, bool centred) {
    if (observer_ && Valid(index))
        observer_->EnsureVisible(index, centred);
}

void CommandList::SetPlaybackPosition(int index) {
    const int old = playbackPosition_;
    playbackPosition_ = index;
    // The icon column marks the position in every highlight mode (also while paused), so
    // both rows are redrawn whenever it moves, not only while the playback highlight is on.
    if (old != index && observer_) {
        if (Valid(old))
            observer_->RowChanged(old);
        if (Valid(index))
            observer_->RowChanged(index);
    }
}

void CommandList::SetRecordPosition(int index, bool redraw) {
    recordPosition_ = index == -1 ? Count() : index;
    if (redraw && RecordingHighlight() && observer_ && Valid(recordPosition_))
        observer_->RowChanged(recordPosition_);
}

void CommandList::Repaint() {
    if (observer_)
        observer_->Repaint();
}

void CommandList::SetHighlight(Highlight mode) {
    highlight_ = mode;
    Repaint();
}

} // namespace corvid::debugger
