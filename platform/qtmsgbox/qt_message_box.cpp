#include "platform/qt_message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace corvid::platform {
namespace {

QMessageBox::StandardButtons ButtonsOf(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MsgButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case MsgButtons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon IconOf(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer AnswerOf(int button) {
    switch (button) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Ok;
    }
}

MessageBoxHandler previous;

// A box without a caption is titled with the program's name; left empty, the window
// system would give it a placeholder such as "Untitled".
MessageBoxRequest Titled(const MessageBoxRequest& request) {
    MessageBoxRequest titled = request;
    if (titled.caption.empty())
        titled.caption = QCoreApplication::applicationName().toStdString();
    return titled;
}

} // namespace

std::unique_ptr<QMessageBox> MakeQtMessageBox(const MessageBoxRequest& request, QWidget* parent) {
    const MessageBoxRequest titled = Titled(request);
    return std::make_unique<QMessageBox>(IconOf(titled.icon), QString::fromStdString(titled.caption),
                                         QString::fromStdString(titled.text), ButtonsOf(titled.buttons),
                                         parent);
}

MsgAnswer ShowQtMessageBox(const MessageBoxRequest& request, QWidget* parent) {
    if (const std::optional<MsgAnswer> unattended = AnswerUnattended(Titled(request)))
        return *unattended;
    return AnswerOf(MakeQtMessageBox(request, parent ? parent : QApplication::activeWindow())->exec());
}

QtMessageBoxHandler::QtMessageBoxHandler() {
    previous =
        SetMessageBoxHandler([](const MessageBoxRequest& request) { return ShowQtMessageBox(request); });
}

QtMessageBoxHandler::~QtMessageBoxHandler() {
    SetMessageBoxHandler(std::move(previous));
}

} // namespace corvid::platform
