#include "status_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <limits>

namespace corvid::ombra {

StatusProgress::~StatusProgress() {
    End();
}

void StatusProgress::Begin(std::string_view text, std::size_t range) {
    End();
    label_ = new QLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), &bar_);
    progress_ = new QProgressBar(&bar_);
    progress_->setRange(0, static_cast<int>(std::min<std::size_t>(range, std::numeric_limits<int>::max())));
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(std::max(40, bar_.width() * 2 / 5));
    bar_.addWidget(label_);
    bar_.addWidget(progress_);
    label_->show();
    progress_->show();
}

void StatusProgress::Step() {
    if (progress_ && progress_->value() < progress_->maximum())
        progress_->setValue(progress_->value() + 1);
}

void StatusProgress::End() {
    if (progress_) {
        bar_.removeWidget(progress_);
        delete progress_;
        progress_ = nullptr;
    }
    if (label_) {
        bar_.removeWidget(label_);
        delete label_;
        label_ = nullptr;
    }
}

} // namespace corvid::ombra
