#include "ombra/qt_prompt.h"

#include "platform/qt_message_box.h"

#include <QApplication>
#include <QWidget>

namespace corvid::ombra {
namespace {

// A box asked during a long operation shows the ordinary cursor; the wait cursor comes
// back when the box is answered.
class OrdinaryCursor {
public:
    OrdinaryCursor() {
        while (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
            ++lifted_;
        }
    }
    ~OrdinaryCursor() {
        for (int count = 0; count < lifted_; ++count)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    OrdinaryCursor(const OrdinaryCursor&) = delete;
    OrdinaryCursor& operator=(const OrdinaryCursor&) = delete;

private:
    int lifted_ = 0;
};

} // namespace

debugger::MsgAnswer QtPrompt::Ask(const debugger::Question& question) {
    window_.raise();
    window_.activateWindow();
    const OrdinaryCursor cursor;
    return platform::ShowQtMessageBox(question, &window_);
}

} // namespace corvid::ombra
