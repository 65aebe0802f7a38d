#pragma once

// A setup window: a modeless dialog whose Escape is its own Cancel and whose closing, by any
// way, is final (the dialog's own handling would turn the close box into a reject()).

#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QString>

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
    // The window's "OK" (Command1, the default button) and "Cancel" (Command2) buttons, set in
    // `ok` and `cancel`, in a row to the right of a layout that the window places.
    QHBoxLayout* addOkCancelRow(QPushButton*& ok, QPushButton*& cancel) {
        ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("Command1"));
        ok->setDefault(true);
        cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("Command2"));
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(ok);
        row->addWidget(cancel);
        return row;
    }

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
