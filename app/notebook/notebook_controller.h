#pragma once

// The notebook: Options > Notebook... opens the notebook file of the program folder in the
// notebook editor, File > Text > Open... (and the "Open" button) any text file chosen. Changed
// notes of an editor closed from outside go to their unsaved copy, which the next start offers.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <functional>

#include "platform/file_dialogs.h"

class NotebookEditor;
class QWidget;

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Clipboard;
class Dialogs;
class Printer;
}  // namespace platform

// What the notebook works with; all of it outlives the controller.
struct NotebookServices {
    KVXmodules::SettingsRecord& settings;
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::Printer& printer;
    const std::function<QDateTime()>& now;  // the clock of the notes' date-and-time stamp
    KVXmodules::FileDialogState& files;     // shared with the other file commands
    KVXmodules::FileDialogServices fileDialogs;
    QString programFolder;  // where the notebook file lives
    QWidget& owner;         // the main window
    // Opens a font chooser for the notebook over `owner`; the font taken goes to `apply`.
    std::function<void(QWidget& owner, std::function<void(const QString&)> apply)> chooseFont;
};

class NotebookController {
  public:
    explicit NotebookController(NotebookServices services);
    ~NotebookController();
    NotebookController(const NotebookController&) = delete;
    NotebookController& operator=(const NotebookController&) = delete;

    void menuopen_Click();
    void menubook_Click();
    // Shows `file` in the notebook editor under `caption`, loading the editor when needed.
    void showEditor(const QString& file, const QString& caption);
    // The notebook editor while it is open.
    NotebookEditor* notebookWindow() const;
    // Changed notes of the notebook editor go to their unsaved copy, without a question.
    void keepUnsavedNotes();
    // At start: when the notebook file has an unsaved copy, the notebook opens and offers it.
    void offerUnsavedNotebook();
    // Ended from outside: the editor keeps changed notes in their unsaved copy and closes.
    void closeKeepingNotes();

  private:
    NotebookServices services_;
    QPointer<NotebookEditor> editor_;
};
