#pragma once

// Editor, the notebook: a small plain-text editor for the operator's notes. It shows one file
// (the notebook quorvbook.log, or any text file chosen to open), loads it with a size limit,
// saves it back in one step with its own line ends, finds text, prints, inserts the date and
// time and works with the clipboard. Every change of the text counts: closing, or opening
// another file, after any change asks whether to save, and a save that fails keeps the text.

#include <QByteArray>
#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

#include "notebook/notes_file.h"
#include "notebook/notes_find.h"

class Form8;
class QAction;
class QPlainTextEdit;

namespace KVXmodules {
struct SettingsRecord;
}
namespace platform {
class Clipboard;
class Dialogs;
class Printer;
}  // namespace platform

struct EditorServices {
    KVXmodules::SettingsRecord& settings;  // the editor's font and the receive window's colours
    platform::Dialogs& dialogs;
    platform::Clipboard& clipboard;
    platform::Printer& printer;
    std::function<QDateTime()> now;
    // The program's open dialog for text files; a file chosen there comes back through
    // openFile().
    std::function<void()> openTextDialog;
};

inline constexpr char16_t kNotebookCaption[] = u"Quorvin Notebook";
inline constexpr char16_t kSaveQuestion[] =
    u"You made changes to your notes. Do you want to save it?";
inline constexpr char16_t kSaveQuestionTitle[] = u"NoteBook";
inline constexpr char16_t kPartialSaveRefused[] =
    u"Only the first 60000 characters of this file were loaded. Saving would cut the file "
    u"there, so it is not saved.";

class Editor final : public QMainWindow {
    Q_OBJECT
  public:
    explicit Editor(const EditorServices& services, QWidget* parent = nullptr);

    // Shows `file` under `caption`. A changed text is first offered for saving.
    void openFile(const QString& file, const QString& caption);
    // (Re)loads the file shown.
    void OpenenText();
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
    Form8* fontChooser() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createMenus();
    // Asks whether to save a changed text; false when the save was wanted and failed.
    bool offerToSave();
    void searchStep();
    void printText(const QString& text);

    EditorServices services_;
    QString file_;
    QByteArray lineEnd_ = "\r\n";
    notebook::NotesEncoding encoding_ = notebook::NotesEncoding::Windows1252;
    bool cutShort_ = false;
    bool loading_ = false;
    bool unloaded_ = false;
    QPointer<Form8> form8_;
};
