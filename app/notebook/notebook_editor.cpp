#include "notebook/notebook_editor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextCursor>

#include "platform/clipboard.h"
#include "platform/dialogs.h"
#include "platform/file_replace.h"
#include "platform/font_names.h"
#include "platform/modeless_window.h"
#include "platform/printer.h"
#include "platform/stamps.h"
#include "settings/settings_record.h"

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// The design colours: black on yellow.
const QColor kDesignBackColor(255, 255, 0);

}  // namespace

NotebookEditor::NotebookEditor(const NotebookEditorServices& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    platform::SetUpModelessWindow(*this, QStringLiteral("Editor"), QStringLiteral("Your Notebook"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    QFont font = platform::FontNamed(Text1->font(), QString::fromUtf16(platform::kSystemFontName));
    font.setPointSizeF(9.75);
    font.setBold(true);
    if (!services_.settings.EditorFont.isEmpty()) {
        font = platform::FontNamed(font, services_.settings.EditorFont);
    }
    Text1->setFont(font);
    QPalette colours = Text1->palette();
    colours.setColor(QPalette::Base, kDesignBackColor);
    colours.setColor(QPalette::Text, Qt::black);
    Text1->setPalette(colours);
    setCentralWidget(Text1);
    resize(560, 420);
    createMenus();
    // Every change counts, whatever made it; loading is no change.
    connect(Text1, &QPlainTextEdit::textChanged, this, [this] {
        if (!loading_) {
            NotesChanged = 1;
        }
    });
}

void NotebookEditor::createMenus() {
    QMenuBar* bar = menuBar();
    const auto item = [this](QMenu* menu, const QString& caption, void (NotebookEditor::*handler)(),
                             const QKeySequence& keys = QKeySequence()) {
        QAction* action = menu->addAction(caption);
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    menuopen = file->addAction(QStringLiteral("Open..."));
    connect(menuopen, &QAction::triggered, this, [this] {
        const platform::Dialogs::Over over(services_.dialogs, this);
        services_.openTextDialog();
    });
    menuopslaan = file->addAction(QStringLiteral("Save"));
    connect(menuopslaan, &QAction::triggered, this, [this] { menuopslaan_Click(); });
    // The usual key for saving, kept out of the menu so that its entry reads as it always did.
    saveShortcut = new QShortcut(QKeySequence::Save, this);
    connect(saveShortcut, &QShortcut::activated, this, [this] { menuopslaan_Click(); });
    file->addSeparator();
    QMenu* print = file->addMenu(QStringLiteral("&Print"));
    mnuafdrukalles = item(print, QStringLiteral("All"), &NotebookEditor::mnuafdrukalles_Click);
    mnuafdrukselect =
        item(print, QStringLiteral("Only selected text"), &NotebookEditor::mnuafdrukselect_Click);
    file->addSeparator();
    menuexit = file->addAction(QStringLiteral("Exit"));
    connect(menuexit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
    Cutmenu = item(edit, QStringLiteral("Cut"), &NotebookEditor::Cutmenu_Click, QKeySequence::Cut);
    copymenu =
        item(edit, QStringLiteral("Copy"), &NotebookEditor::copymenu_Click, QKeySequence::Copy);
    pastemenu =
        item(edit, QStringLiteral("Paste"), &NotebookEditor::pastemenu_Click, QKeySequence::Paste);
    verwijdermenu = item(edit, QStringLiteral("Delete"), &NotebookEditor::verwijdermenu_Click);
    edit->addSeparator();
    menudatum = item(edit, QStringLiteral("Insert Date"), &NotebookEditor::menudatum_Click);
    menutijd = item(edit, QStringLiteral("Insert time"), &NotebookEditor::menutijd_Click);

    QMenu* findMenu = bar->addMenu(QStringLiteral("&Find"));
    NedHelpZoeken = item(findMenu, QStringLiteral("Find..."), &NotebookEditor::NedHelpZoeken_Click,
                         QKeySequence(Qt::Key_F2));
    NedHelpZoekVerder = item(findMenu, QStringLiteral("Find Next"),
                             &NotebookEditor::NedHelpZoekVerder_Click, QKeySequence(Qt::Key_F3));
    NedHelpZoekVerder->setEnabled(false);

    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    menueditfont = item(options, QStringLiteral("Fonts..."), &NotebookEditor::menueditfont_Click);
    options->addSeparator();
    menuerase = item(options, QStringLiteral("Erase All"), &NotebookEditor::menuerase_Click);
}

void NotebookEditor::openFile(const QString& file, const QString& caption) {
    if (!offerToSave()) {
        return;
    }
    file_ = file;
    setWindowTitle(caption);
    OpenenText();
    offerUnsavedCopy();
}

QString NotebookEditor::notesText() const {
    // The raw text: toPlainText() would give non-breaking spaces back as blanks.
    QString text = Text1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

bool NotebookEditor::keepUnsavedCopy() {
    if (NotesChanged == 0 || cutShort_ || file_.isEmpty()) {
        return true;
    }
    return platform::ReplaceFile(notebook::UnsavedCopyPath(file_),
                                 notebook::NotesBytes(notesText(), format_)) == 0;
}

void NotebookEditor::closeKeepingNotes() {
    keepUnsavedCopy();
    ending_ = true;
    close();
}

void NotebookEditor::offerUnsavedCopy() {
    const QString copy = notebook::UnsavedCopyPath(file_);
    if (file_.isEmpty() || !QFileInfo(copy).isFile()) {
        return;
    }
    const MsgResult answer = [&] {
        const platform::Dialogs::Over over(services_.dialogs, this);
        return services_.dialogs.askOrCancel(Text(kRestoreQuestion), MsgButtons::YesNo,
                                             MsgIcon::Question, Text(kSaveQuestionTitle));
    }();
    if (answer == MsgResult::No) {
        removeUnsavedCopy();
    }
    if (answer != MsgResult::Yes) {
        return;
    }
    // Back as changed text, for the user to save; the copy stays until then, or until the
    // changes are thrown away.
    const notebook::LoadedNotes kept = notebook::LoadNotes(copy);
    format_ = kept.format;
    Text1->setPlainText(kept.text);
    NotesChanged = 1;
}

void NotebookEditor::removeUnsavedCopy() {
    if (!file_.isEmpty()) {
        QFile::remove(notebook::UnsavedCopyPath(file_));
    }
}

MsgResult NotebookEditor::msgBox(const QString& text, MsgButtons buttons, MsgIcon icon,
                                 const QString& title) {
    const platform::Dialogs::Over over(services_.dialogs, this);
    return services_.dialogs.msgBox(text, buttons, icon, title);
}

void NotebookEditor::OpenenText() {
    NotesChanged = 0;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const notebook::LoadedNotes notes = notebook::LoadNotes(file_);
    QApplication::restoreOverrideCursor();
    if (notes.cutShort) {
        msgBox(Text(notebook::kTooLargeText), MsgButtons::Ok, MsgIcon::Exclamation,
               Text(notebook::kTooLargeTitle));
    }
    if (notes.complete) {
        QPalette colours = Text1->palette();
        colours.setColor(QPalette::Text, services_.settings.TextForeColor);
        colours.setColor(QPalette::Base, services_.settings.TextBackColor);
        Text1->setPalette(colours);
    }
    format_ = notes.format;
    cutShort_ = notes.cutShort;
    loading_ = true;
    Text1->setPlainText(notes.text);
    loading_ = false;
    find = {};
    NedHelpZoekVerder->setEnabled(false);
}

bool NotebookEditor::menuopslaan_Click() {
    if (cutShort_) {
        msgBox(Text(kPartialSaveRefused), MsgButtons::Ok, MsgIcon::Exclamation,
               Text(kSaveQuestionTitle));
        return false;
    }
    const int error = platform::ReplaceFile(file_, notebook::NotesBytes(notesText(), format_));
    if (error != 0) {
        const platform::Dialogs::Over over(services_.dialogs, this);
        platform::ShowWriteFailed(services_.dialogs, error);
        return false;
    }
    NotesChanged = 0;
    removeUnsavedCopy();
    return true;
}

bool NotebookEditor::offerToSave() {
    if (NotesChanged == 0) {
        return true;
    }
    const MsgResult answer = [&] {
        const platform::Dialogs::Over over(services_.dialogs, this);
        return services_.dialogs.askOrCancel(Text(kSaveQuestion), MsgButtons::YesNo,
                                             MsgIcon::Information, Text(kSaveQuestionTitle));
    }();
    if (answer == MsgResult::No) {
        removeUnsavedCopy();
        return true;
    }
    return answer == MsgResult::Yes && menuopslaan_Click();
}

void NotebookEditor::closeEvent(QCloseEvent* event) {
    // A save that was wanted and failed, or a question closed without an answer, keeps the
    // window, and the notes, open.
    if (!ending_ && !offerToSave()) {
        event->ignore();
        return;
    }
    unloaded_ = true;
    event->accept();
}

void NotebookEditor::printText(const QString& text) {
    const platform::Dialogs::Over over(services_.dialogs, this);
    platform::PrintOrSayNotReady(services_.printer, services_.dialogs, text);
}

void NotebookEditor::mnuafdrukalles_Click() {
    if (msgBox(QStringLiteral("Do you want to print the entire note?"), MsgButtons::YesNo,
               MsgIcon::Information, QStringLiteral("Print")) == MsgResult::Yes) {
        printText(Text1->toPlainText());
    }
}

void NotebookEditor::mnuafdrukselect_Click() {
    const QString selected = Text1->textCursor().selection().toPlainText();
    if (selected.isEmpty()) {
        msgBox(QStringLiteral("Nothing selected."), MsgButtons::Ok, MsgIcon::Exclamation,
               QStringLiteral("Print Selected Text"));
        Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (msgBox(QStringLiteral("Do you want to print the selected text?"), MsgButtons::YesNo,
               MsgIcon::Information, QStringLiteral("Print")) == MsgResult::Yes) {
        printText(selected);
    }
}

void NotebookEditor::Cutmenu_Click() {
    copymenu_Click();
    Text1->textCursor().removeSelectedText();
}

void NotebookEditor::copymenu_Click() {
    services_.clipboard.setText(Text1->textCursor().selection().toPlainText());
}

void NotebookEditor::pastemenu_Click() {
    Text1->insertPlainText(services_.clipboard.text());
}

void NotebookEditor::verwijdermenu_Click() {
    Text1->textCursor().removeSelectedText();
}

void NotebookEditor::menudatum_Click() {
    Text1->insertPlainText(platform::StampDate(services_.now()));
}

void NotebookEditor::menutijd_Click() {
    Text1->insertPlainText(platform::StampTime(services_.now()));
}

void NotebookEditor::menuerase_Click() {
    if (msgBox(QStringLiteral("Are you sure to erase the contents of the editor window?"),
               MsgButtons::YesNo, MsgIcon::None, QStringLiteral("Erase All")) == MsgResult::Yes) {
        Text1->clear();
    }
}

void NotebookEditor::NedHelpZoeken_Click() {
    const platform::Dialogs::Over over(services_.dialogs, this);
    const QString answer = services_.dialogs.inputBox(QStringLiteral("Type the text to find:"),
                                                      QStringLiteral("Find"));
    if (answer.isEmpty()) {
        return;
    }
    notebook::StartFind(find, answer, Text1->toPlainText());
    searchStep();
}

void NotebookEditor::NedHelpZoekVerder_Click() {
    searchStep();
}

void NotebookEditor::searchStep() {
    const qsizetype found = notebook::FindStep(find, Text1->toPlainText());
    QTextCursor cursor = Text1->textCursor();
    if (found == 0) {
        msgBox(QStringLiteral("Nothing found"), MsgButtons::Ok, MsgIcon::None);
        cursor.setPosition(cursor.position());
        Text1->setTextCursor(cursor);
        NedHelpZoekVerder->setEnabled(false);
        return;
    }
    cursor.setPosition(static_cast<int>(found - 1));
    cursor.setPosition(static_cast<int>(found - 1 + find.SearchText.size()),
                       QTextCursor::KeepAnchor);
    Text1->setTextCursor(cursor);
    NedHelpZoekVerder->setEnabled(true);
}

void NotebookEditor::menueditfont_Click() {
    services_.settings.FontForEditor = -1;
    if (services_.chooseFont) {
        services_.chooseFont(*this, [this](const QString& name) {
            Text1->setFont(platform::FontNamed(Text1->font(), name));
        });
    }
}
