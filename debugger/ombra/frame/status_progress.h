// The status bar's progress display for opening, saving and exporting: the operation's text
// and a progress bar 40 percent as wide as the bar.
#pragma once

#include "debugger/progress.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace corvid::ombra {

class StatusProgress final : public debugger::ProgressSink {
public:
    explicit StatusProgress(QStatusBar& bar) : bar_(bar) {}
    ~StatusProgress() override;

    void Begin(std::string_view text, std::size_t range) override;
    void Step() override;
    void End() override;

    // While a display is up, for tests.
    QProgressBar* Bar() const { return progress_; }
    QLabel* Text() const { return label_; }

private:
    QStatusBar& bar_;
    QLabel* label_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

} // namespace corvid::ombra
