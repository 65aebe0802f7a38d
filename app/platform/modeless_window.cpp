#include "platform/modeless_window.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/artwork.h"

namespace platform {

void SetUpModelessWindow(QWidget& window, const QString& objectName, const QString& caption) {
    window.setObjectName(objectName);
    window.setWindowTitle(caption);
    window.setWindowIcon(artwork::ApplicationIcon());
    window.setWindowModality(Qt::NonModal);
    window.setAttribute(Qt::WA_DeleteOnClose);
}

void KeepUsableOverModalDialog(QWidget& window) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
        return;
    }
    for (const QWidget* w = &window; w != nullptr; w = w->parentWidget()) {
        if (w == modal) {
            return;  // the dialog itself, or already one of its windows
        }
    }
    window.setParent(modal, window.windowFlags() | Qt::Window);
    window.show();
    window.raise();
    window.activateWindow();
}

namespace {

// Sees every key press of the application before the widget with the focus does.
class HelpKeyFilter final : public QObject {
  public:
    HelpKeyFilter(QObject& owner, std::function<void()> open)
        : QObject(&owner), open_(std::move(open)) {
        QCoreApplication::instance()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
                open_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> open_;
};

}  // namespace

void InstallHelpKey(QObject& owner, std::function<void()> open) {
    new HelpKeyFilter(owner, std::move(open));
}

}  // namespace platform
