#pragma once

// A setup window: a modeless dialog whose Escape is its own Cancel and whose closing, by any
// way, is final (the dialog's own handling would turn the close box into a reject()).

#include <QCloseEvent>
#include <QDialog>

namespace platform {

class SetupDialog : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

    // Whether the window has been closed.
    bool isUnloaded() const noexcept { return unloaded_; }

  public Q_SLOTS:
    // Escape: as the window's "Cancel".
    void reject() final { cancel(); }

  protected:
    // The window's "Cancel" handler.
    virtual void cancel() = 0;
    // What the window does as it closes, before it counts as closed.
    virtual void closing() {}

    void closeEvent(QCloseEvent* event) final {
        closing();
        unloaded_ = true;
        event->accept();
    }

  private:
    bool unloaded_ = false;
};

}  // namespace platform
