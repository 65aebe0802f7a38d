#pragma once

// The notebook editor window: a small plain-text editor for the operator's notes. It shows one file
// (the notebook quorvbook.log, or any text file chosen to open), loads it with a size limit,
// saves it back in one step with its own line ends, finds text, prints, inserts the date and
// time and works with the clipboard. Every change of the text counts: closing, or opening
// another file, after any change asks whether to save; a save that fails, or a question closed
// without an answer, keeps the text. Ended from outside, the window asks nothing: changed notes
// go to an unsaved copy beside their file, which the next opening of that file offers back.

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "notebook/notes_file.h"
#include "notebook/notes_find.h"

class QAction;
class QPlainTextEdit;
class QShortcut;

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Clipboard;
class Dialogs;
class Printer;
enum class MsgButtons;
enum class MsgIcon;
enum class MsgResult;
}  // namespace platform

struct NotebookEditorServices {
    KVXmodules::SettingsRecord& settings;  // the editor's font and the receive window's colours
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::Printer& printer;
    std::function<QDateTime()> now;
    // The program's open dialog for text files; a file chosen there comes back through
    // openFile().
    std::function<void()> openTextDialog;
    // The program's font chooser for the editor's font, over `owner`; a font taken there comes
    // back through `apply`.
    std::function<void(QWidget& owner, std::function<void(const QString&)> apply)> chooseFont;
};

inline constexpr char16_t kNotebookCaption[] = u"Quorvin Notebook";
inline constexpr char16_t kSaveQuestion[] =
    u"You made changes to your notes. Do you want to save it?";
inline constexpr char16_t kSaveQuestionTitle[] = u"NoteBook";
inline constexpr char16_t kRestoreQuestion[] =
    u"Quorvin was ended before your changes to these notes were saved; they were kept in a copy. "
    u"Do you want them back? (No throws the copy away.)";
inline constexpr char16_t kPartialSaveRefused[] =
    u"Only the first 60000 characters of this file were loaded. Saving would cut the file "
    u"there, so it is not saved.";

class NotebookEditor final : public QMainWindow {
    Q_OBJECT
  public:
    explicit NotebookEditor(const NotebookEditorServices& services, QWidget* parent = nullptr);

    // Shows `file` under `caption`. A changed text is first offered for saving.
    void openFile(const QString& file, const QString& caption);
    // (Re)loads the file shown.
    void OpenenText();
    // The text as it is saved: every character as typed, lines broken by LF.
    QString notesText() const;
    // Changed notes (when they can be saved at all) are written to their unsaved copy, without
    // a question; false when that failed.
    bool keepUnsavedCopy();
    // Keeps changed notes in their unsaved copy and closes the window without a question.
    void closeKeepingNotes();
    bool isUnloaded() const noexcept { return unloaded_; }
    const QString& file() const noexcept { return file_; }

    QPlainTextEdit* Text1 = nullptr;
    std::int16_t NotesChanged = 0;
    notebook::FindState find;

    QAction* menuopen = nullptr;
    QAction* menuopslaan = nullptr;
    QAction* mnuafdrukalles = nullptr;
    QAction* mnuafdrukselect = nullptr;
    QAction* menuexit = nullptr;
    QAction* Cutmenu = nullptr;
    QAction* copymenu = nullptr;
    QAction* pastemenu = nullptr;
    QAction* verwijdermenu = nullptr;
    QAction* menudatum = nullptr;
    QAction* menutijd = nullptr;
    QAction* NedHelpZoeken = nullptr;
    QAction* NedHelpZoekVerder = nullptr;
    QAction* menueditfont = nullptr;
    QAction* menuerase = nullptr;
    QShortcut* saveShortcut = nullptr;  // Ctrl+S, beside the menu entry "Save"

    // Saves the text; false (after saying why) when it was not saved.
    bool menuopslaan_Click();
    void mnuafdrukalles_Click();
    void mnuafdrukselect_Click();
    void Cutmenu_Click();
    void copymenu_Click();
    void pastemenu_Click();
    void verwijdermenu_Click();
    void menudatum_Click();
    void menutijd_Click();
    void NedHelpZoeken_Click();
    void NedHelpZoekVerder_Click();
    void menuerase_Click();
    // The font chooser, for this window's text.
    void menueditfont_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createMenus();
    // Asks whether to save a changed text; false when the save was wanted and failed or the
    // question was closed without an answer: the notes stay.
    bool offerToSave();
    // Offers the unsaved copy of the file shown, if there is one.
    void offerUnsavedCopy();
    void removeUnsavedCopy();
    // The boxes of this window, shown over it.
    platform::MsgResult msgBox(const QString& text, platform::MsgButtons buttons,
                               platform::MsgIcon icon, const QString& title = QString());
    void searchStep();
    void printText(const QString& text);

    NotebookEditorServices services_;
    QString file_;
    notebook::NotesFormat format_;
    bool cutShort_ = false;
    bool loading_ = false;
    bool ending_ = false;  // closing without a question
    bool unloaded_ = false;
};
