// MainWindow's side of the notebook editor: Options > Notebook... opens the notebook file of the
// program folder, File > Text > Open... (and the "Open" button) any text file chosen.

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "mainwindow/main_window.h"
#include "notebook/notebook_editor.h"
#include "notebook/notes_file.h"
#include "platform/file_dialogs.h"
#include "platform/modeless_window.h"

void MainWindow::showEditor(const QString& file, const QString& caption) {
    if (NotebookEditor* open = platform::OpenWindow(editor_)) {
        open->openFile(file, caption);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    NotebookEditor* editor = platform::ShowModeless(
        *this, editor_,
        [this] {
            return new NotebookEditor(NotebookEditorServices{
                settings, dialogs, clipboard, *printer_, now, [this] { menuopen_Click(); },
                [this](QWidget& owner, std::function<void(const QString&)> apply) {
                    chooseEditorFont(owner, std::move(apply));
                }});
        },
        platform::Placement::ChosenBySystem);
    editor->openFile(file, caption);
}

void MainWindow::menuopen_Click() {
    files.OpenInNotepad = 0;
    KVXmodules::OpenTextDialog(files, fileDialogServices(),
                               [this](const QString& path) { showEditor(path, path); });
}

namespace {

QString NotebookFile(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("quorvbook.log"));
}

}  // namespace

void MainWindow::menubook_Click() {
    files.EditorFile = NotebookFile(programFolder());
    showEditor(files.EditorFile, QString::fromUtf16(kNotebookCaption));
}

NotebookEditor* MainWindow::notebookWindow() const {
    return platform::OpenWindow(editor_);
}

void MainWindow::keepUnsavedNotes() {
    if (NotebookEditor* editor = platform::OpenWindow(editor_)) {
        editor->keepUnsavedCopy();
    }
}

void MainWindow::offerUnsavedNotebook() {
    if (QFileInfo(notebook::UnsavedCopyPath(NotebookFile(programFolder()))).isFile()) {
        menubook_Click();
    }
}

void MainWindow::closeFromOutside() {
    if (NotebookEditor* editor = platform::OpenWindow(editor_)) {
        editor->closeKeepingNotes();
    }
    close();
}
