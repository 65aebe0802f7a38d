#pragma once

// The message boxes and input boxes of the program, as a service passed to the windows that
// show them. The real service shows Qt dialogs; tests install a ScriptedDialogs that records
// every box and answers from a script, so that no test ever opens a modal box.

#include <QString>
#include <vector>

class QWidget;

namespace platform {

// The application title: the caption of every message box that names no title of its own.
inline constexpr char16_t kAppTitle[] = u"Quorvin";

// Button sets of a message box, in the order their buttons are shown.
enum class MsgButtons { Ok, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };

// Icon of a message box.
enum class MsgIcon { None, Critical, Question, Exclamation, Information };

// The button that closed a message box.
enum class MsgResult { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

// Everything that describes one message box.
struct MessageBoxRequest {
    QString text;
    QString title;  // never empty: the application title stands in for a missing one
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    // Closing the box without a button (Escape, its close button) answers Cancel whatever its
    // buttons, where it otherwise answers as one of them.
    bool closeCancels = false;

    friend bool operator==(const MessageBoxRequest&, const MessageBoxRequest&) = default;
};

// Everything that describes one input box.
struct InputBoxRequest {
    QString prompt;
    QString title;  // never empty: the application title stands in for a missing one
    QString defaultText;

    friend bool operator==(const InputBoxRequest&, const InputBoxRequest&) = default;
};

// One filter of a file dialog: its description and its patterns, separated by semicolons
// ("Text Files (*.txt)", "*.txt").
struct FileFilter {
    QString description;
    QString patterns;

    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

enum class FileDialogKind { Open, Save };

// Everything that describes one file dialog. The first filter is the one selected.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    QString title;
    std::vector<FileFilter> filters;
    QString initialName;  // the file name proposed
    QString folder;       // where the dialog opens

    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// The first button of a set: the one that Enter presses.
MsgResult FirstButton(MsgButtons buttons);

class Dialogs {
  public:
    Dialogs() = default;
    virtual ~Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;

    // Shows a message box and returns the button that closed it. An empty title shows the
    // application title. Closing the box with its close button or Escape answers Cancel where
    // the set has one, otherwise No, otherwise Ok (as the platform's own boxes do).
    MsgResult msgBox(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                     MsgIcon icon = MsgIcon::None, const QString& title = QString());

    // As msgBox, but closing the box without a button answers Cancel: for a question whose
    // box has no Cancel button and where closing it must mean neither of its answers.
    MsgResult askOrCancel(const QString& text, MsgButtons buttons, MsgIcon icon,
                          const QString& title);

    // The boxes shown while an Over lives show over `window` and give the focus back to it,
    // whichever window is active when they open; an Over with no window changes nothing.
    class Over {
      public:
        Over(Dialogs& dialogs, QWidget* window) : dialogs_(dialogs), previous_(dialogs.window_) {
            if (window != nullptr) {
                dialogs.window_ = window;
            }
        }
        ~Over() { dialogs_.window_ = previous_; }
        Over(const Over&) = delete;
        Over& operator=(const Over&) = delete;

      private:
        Dialogs& dialogs_;
        QWidget* previous_;
    };
    // The window of the innermost Over; nullptr when none.
    QWidget* boxWindow() const noexcept { return window_; }

    // Shows an input box with a prompt, a title and a default text, and returns the text the
    // user accepted; Cancel returns an empty text. An empty title shows the application title.
    QString inputBox(const QString& prompt, const QString& title = QString(),
                     const QString& defaultText = QString());
    // Shows an open or save dialog and returns the full path chosen, empty on Cancel. Nothing
    // is checked for the caller: an open dialog accepts a name that does not exist, and a save
    // dialog asks nothing before overwriting (the callers ask themselves).
    QString fileDialog(const FileDialogRequest& request) { return showFileDialog(request); }

  protected:
    virtual MsgResult showMessageBox(const MessageBoxRequest& request) = 0;
    virtual QString showInputBox(const InputBoxRequest& request) = 0;
    virtual QString showFileDialog(const FileDialogRequest& request) = 0;

  private:
    QWidget* window_ = nullptr;
};

}  // namespace platform
