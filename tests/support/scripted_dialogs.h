#pragma once

// A platform::Dialogs service for tests: it shows nothing, records every box it is asked for and
// answers from a script. When the script holds no answer for a box, the box is answered as
// Enter would answer it: a message box with its first button, an input box with its default
// text. A box that answers Cancel when it is closed (MessageBoxRequest::closeCancels) can be
// scripted MsgResult::Cancel as being closed by Escape or its close button.

#include <QString>
#include <deque>
#include <functional>
#include <utility>
#include <variant>
#include <vector>

#include "platform/dialogs.h"

namespace testing_support {

class ScriptedDialogs final : public platform::Dialogs {
  public:
    using Shown = std::variant<platform::MessageBoxRequest, platform::InputBoxRequest,
                               platform::FileDialogRequest>;

    // Answers for the next boxes, in order. A message box takes the next platform::MsgResult, an
    // input box the next text; an answer of the wrong kind for a box is a scripting error and fails
    // loudly.
    void answer(platform::MsgResult result) { script_.emplace_back(result); }
    void answer(const QString& text) { script_.emplace_back(text); }
    // The path the next file dialog returns (empty: Cancel).
    void answerFile(const QString& path) { script_.emplace_back(ChosenPath{path}); }
    // Runs `happening` while the next box is open, before it is answered: what the program does
    // meanwhile (text arriving, timers firing) as a modal box lets it.
    void whileNextBoxIsOpen(std::function<void()> happening) { whileOpen_ = std::move(happening); }

    // Every box shown so far, in order.
    const std::vector<Shown>& shown() const noexcept { return shown_; }
    // The message boxes shown so far, in order.
    std::vector<platform::MessageBoxRequest> messageBoxes() const;
    // The input boxes shown so far, in order.
    std::vector<platform::InputBoxRequest> inputBoxes() const;
    // The file dialogs shown so far, in order.
    std::vector<platform::FileDialogRequest> fileDialogs() const;
    // The window each box shown so far was asked for over (Dialogs::Over; nullptr: none), in
    // the order of shown().
    const std::vector<const QWidget*>& boxWindows() const noexcept { return windows_; }
    // Answers not used yet.
    std::size_t pendingAnswers() const noexcept { return script_.size(); }
    void clear();

  protected:
    platform::MsgResult showMessageBox(const platform::MessageBoxRequest& request) override;
    QString showInputBox(const platform::InputBoxRequest& request) override;
    // Without a scripted path a file dialog is cancelled.
    QString showFileDialog(const platform::FileDialogRequest& request) override;

  private:
    struct ChosenPath {
        QString path;
    };
    std::deque<std::variant<platform::MsgResult, QString, ChosenPath>> script_;
    std::vector<Shown> shown_;
    std::vector<const QWidget*> windows_;
    std::function<void()> whileOpen_;

    // Records `request` and runs what happens while it is open.
    void open(const Shown& request);
};

}  // namespace testing_support
