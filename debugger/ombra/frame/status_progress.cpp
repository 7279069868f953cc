#include "status_progress.h"

#include <QStatusBar>
#include <algorithm>
#include <limits>

namespace corvid::ombra {

StatusProgress::StatusProgress(QStatusBar& bar)
    : bar_(bar), label_(new QLabel(&bar)), progress_(new QProgressBar(&bar)) {
    progress_->setTextVisible(false);
    // Hidden before they are added, so that the status bar does not show them.
    label_->hide();
    progress_->hide();
    bar_.addWidget(label_);
    bar_.addWidget(progress_);
}

StatusProgress::~StatusProgress() {
    delete progress_;
    delete label_;
}

void StatusProgress::Begin(std::string_view text, std::size_t range) {
    if (!progress_ || !label_)
        return;
    label_->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    progress_->setRange(0, static_cast<int>(std::min<std::size_t>(range, std::numeric_limits<int>::max())));
    progress_->setValue(0);
    progress_->setFixedWidth(std::max(40, bar_.width() * 2 / 5));
    label_->show();
    progress_->show();
}

void StatusProgress::Step() {
    if (Shown() && progress_->value() < progress_->maximum())
        progress_->setValue(progress_->value() + 1);
}

void StatusProgress::End() {
    if (progress_)
        progress_->hide();
    if (label_)
        label_->hide();
}

QProgressBar* StatusProgress::Bar() const {
    return Shown() ? progress_ : nullptr;
}

QLabel* StatusProgress::Text() const {
    return Shown() ? label_ : nullptr;
}

bool StatusProgress::Shown() const {
    return progress_ && label_ && !progress_->isHidden();
}

} // namespace corvid::ombra
