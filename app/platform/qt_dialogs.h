#pragma once

// The Dialogs service on real Qt dialogs: QMessageBox and QInputDialog, modal, over the
// program's active window (or their owner when none of its windows is active).

#include <QPointer>
#include <QWidget>

#include "platform/dialogs.h"

namespace platform {

class QtDialogs final : public Dialogs {
  public:
    explicit QtDialogs(QWidget* owner = nullptr) : owner_(owner) {}

    // The window the boxes are modal to (none: application-modal boxes).
    void setOwner(QWidget* owner) { owner_ = owner; }

  protected:
    MsgResult showMessageBox(const MessageBoxRequest& request) override;
    QString showInputBox(const InputBoxRequest& request) override;
    QString showFileDialog(const FileDialogRequest& request) override;

  private:
    QWidget* boxParent() const;

    QPointer<QWidget> owner_;
};

}  // namespace platform
