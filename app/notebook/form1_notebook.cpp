// Form1's side of the notebook editor: Options > Notebook... opens the notebook file of the
// program folder, File > Text > Open... (and the "Open" button) any text file chosen.

#include <QDir>

#include "mainwindow/file_dialogs.h"
#include "mainwindow/form1.h"
#include "notebook/editor.h"
#include "platform/modeless_window.h"

void Form1::showEditor(const QString& file, const QString& caption) {
    if (Editor* open = platform::OpenWindow(editor_)) {
        open->openFile(file, caption);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    Editor* editor = platform::ShowModeless(
        *this, editor_,
        [this] {
            return new Editor(EditorServices{settings, dialogs, clipboard, *printer_, now,
                                             [this] { menuopen_Click(); }});
        },
        platform::Placement::ChosenBySystem);
    editor->openFile(file, caption);
}

void Form1::menuopen_Click() {
    files.OpenInNotepad = 0;
    KVXmodules::OpenTextDialog(files, fileDialogServices(),
                               [this](const QString& path) { showEditor(path, path); });
}

void Form1::menubook_Click() {
    files.EditorFile = QDir(programFolder()).filePath(QStringLiteral("quorvbook.log"));
    showEditor(files.EditorFile, QString::fromUtf16(kNotebookCaption));
}

Editor* Form1::notebookWindow() const {
    return platform::OpenWindow(editor_);
}
