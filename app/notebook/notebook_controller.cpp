#include "notebook/notebook_controller.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

#include "notebook/notebook_editor.h"
#include "notebook/notes_file.h"
#include "platform/file_dialogs.h"
#include "platform/modeless_window.h"

NotebookController::NotebookController(NotebookServices services)
    : services_(std::move(services)) {}

NotebookController::~NotebookController() = default;

void NotebookController::showEditor(const QString& file, const QString& caption) {
    if (NotebookEditor* open = platform::OpenWindow(editor_)) {
        open->openFile(file, caption);
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    NotebookEditor* editor = platform::ShowModeless(
        services_.owner, editor_,
        [this] {
            return new NotebookEditor(NotebookEditorServices{
                services_.settings, services_.dialogs, services_.clipboard, services_.printer,
                services_.now, [this] { menuopen_Click(); }, services_.chooseFont});
        },
        platform::Placement::ChosenBySystem);
    editor->openFile(file, caption);
}

void NotebookController::menuopen_Click() {
    services_.files.OpenInNotepad = 0;
    KVXmodules::OpenTextDialog(services_.files, services_.fileDialogs,
                               [this](const QString& path) { showEditor(path, path); });
}

namespace {

QString NotebookFile(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("quorvbook.log"));
}

}  // namespace

void NotebookController::menubook_Click() {
    services_.files.EditorFile = NotebookFile(services_.programFolder);
    showEditor(services_.files.EditorFile, QString::fromUtf16(kNotebookCaption));
}

NotebookEditor* NotebookController::notebookWindow() const {
    return platform::OpenWindow(editor_);
}

void NotebookController::keepUnsavedNotes() {
    if (NotebookEditor* editor = platform::OpenWindow(editor_)) {
        editor->keepUnsavedCopy();
    }
}

void NotebookController::offerUnsavedNotebook() {
    if (QFileInfo(notebook::UnsavedCopyPath(NotebookFile(services_.programFolder))).isFile()) {
        menubook_Click();
    }
}

void NotebookController::closeKeepingNotes() {
    if (NotebookEditor* editor = platform::OpenWindow(editor_)) {
        editor->closeKeepingNotes();
    }
}
