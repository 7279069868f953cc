#include "scenario_prompt.h"

#include "platform/qt_message_box.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QThread>

namespace corvid::ombra::testing {
namespace {

// Long enough for the command lists, which follow the engine on a timer, to have caught up.
void Settle() {
    for (int i = 0; i < 40; ++i) {
        QApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
        QThread::msleep(5);
    }
}

QString FileNameOf(const std::string& caption) {
    QString name;
    for (const QChar c : QString::fromStdString(caption).toLower())
        name += c.isLetterOrNumber() ? c : QChar('-');
    return name;
}

} // namespace

bool ScreenshotsWanted() {
    return !qEnvironmentVariableIsEmpty("OMBRA_SCREENSHOT_DIR");
}

void Snapshot(QWidget& window, const QString& name) {
    if (!ScreenshotsWanted())
        return;
    Settle();
    const QDir directory(qEnvironmentVariable("OMBRA_SCREENSHOT_DIR"));
    QPixmap picture;
    // On a real display the screen shows the boxes above the window too.
    if (QGuiApplication::platformName() == QLatin1String("xcb") && window.screen())
        picture =
            window.screen()->grabWindow(0, window.frameGeometry().x(), window.frameGeometry().y(),
                                        window.frameGeometry().width(), window.frameGeometry().height());
    else
        picture = window.grab();
    picture.save(directory.filePath(name + ".png"));
}

debugger::MsgAnswer ScenarioPrompt::Ask(const debugger::Question& question) {
    if (window_ && ScreenshotsWanted() && photographed.count(question.caption)) {
        const std::unique_ptr<QMessageBox> box = platform::MakeQtMessageBox(question, window_);
        box->show();
        Settle();
        box->move(window_->geometry().center() - box->rect().center());
        Snapshot(*window_, FileNameOf(question.caption));
        box->close();
    }
    return ScriptedPrompt::Ask(question);
}

} // namespace corvid::ombra::testing
