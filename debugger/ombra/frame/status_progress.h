// The status bar's progress display for opening, saving and exporting: the operation's text
// and a progress bar 40 percent as wide as the bar.
#pragma once

#include "debugger/progress.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

class QStatusBar;

namespace corvid::ombra {

// The text and the bar are put into the status bar once and only shown and hidden
// afterwards: taking a widget out of a status bar again can hide its neighbour (the line
// indicator) with some Qt versions.
class StatusProgress final : public debugger::ProgressSink {
public:
    explicit StatusProgress(QStatusBar& bar);
    ~StatusProgress() override;
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

    void Begin(std::string_view text, std::size_t range) override;
    void Step() override;
    void End() override;

    // While a display is up, for tests; null otherwise.
    QProgressBar* Bar() const;
    QLabel* Text() const;

private:
    bool Shown() const;

    QStatusBar& bar_;
    // Guarded: the status bar deletes them when it goes first.
    QPointer<QLabel> label_;
    QPointer<QProgressBar> progress_;
};

} // namespace corvid::ombra
