#include "platform/file_dialogs.h"

#include <QBuffer>
#include <QFileInfo>
#include <algorithm>
#include <utility>
#include <vector>

#include "platform/dialogs.h"
#include "platform/file_replace.h"
#include "platform/outside_programs.h"
#include "platform/stamps.h"
#include "platform/windows1252.h"

namespace KVXmodules {

namespace {

using platform::FileDialogKind;
using platform::FileDialogRequest;
using platform::FileFilter;
using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

const FileFilter kAllFiles{QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")};
const FileFilter kPngFiles{QStringLiteral("PNG Files (*.png)"), QStringLiteral("*.png")};
const FileFilter kJpegFiles{QStringLiteral("JPEG Files (*.jpeg)"), QStringLiteral("*.jpeg")};

// Shows the dialog with the shared state's proposal and folder; on a choice, keeps it in
// ChosenFile, moves the next dialog's folder there and returns true.
bool Choose(FileDialogState& state, platform::Dialogs& dialogs, FileDialogKind kind,
            const char16_t* title, std::vector<FileFilter> filters) {
    const QString chosen = dialogs.fileDialog(
        FileDialogRequest{kind, Text(title), std::move(filters), state.LastFileName, state.Folder});
    if (chosen.trimmed().isEmpty()) {
        return false;
    }
    state.ChosenFile = chosen.trimmed();
    state.Folder = QFileInfo(state.ChosenFile).absolutePath();
    return true;
}

// For a save: true when the chosen file may be written (it is new, or the user said Yes).
bool MayOverwrite(const FileDialogState& state, platform::Dialogs& dialogs) {
    return !FileExists(state.ChosenFile) ||
           dialogs.msgBox(Text(kOverwriteQuestion), MsgButtons::YesNo, MsgIcon::Question,
                          Text(kOverwriteTitle)) == MsgResult::Yes;
}

// Writes the chosen file in one step; a failure is told.
void WriteFile(const QString& path, const QByteArray& bytes, platform::Dialogs& dialogs) {
    if (const int error = platform::ReplaceFile(path, bytes); error != 0) {
        platform::ShowWriteFailed(dialogs, error);
    }
}

// The picture format a name asks for: PNG or JPEG by its ending, else a Windows bitmap.
const char* PictureFormat(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("png")) {
        return "PNG";
    }
    if (suffix == QStringLiteral("jpg") || suffix == QStringLiteral("jpeg")) {
        return "JPG";
    }
    return "BMP";
}

// Starts `program` on the chosen file; when nothing opens it (nothing starts, or the desktop's
// opener that stood in finds nothing either), says what was looked for.
void StartOutsideProgram(const FileDialogState& state, FileDialogServices services,
                         platform::OutsideProgram program) {
    const auto notFound = [&dialogs = services.dialogs, program] {
        dialogs.msgBox(QStringLiteral("could not find ") +
                           platform::OutsideProgramCandidates(program).lookedFor,
                       MsgButtons::Ok, MsgIcon::Exclamation);
    };
    if (!services.programs.start(program, ShortPathName(state.ChosenFile), notFound)) {
        notFound();
    }
}

}  // namespace

void SplitFileName(FileDialogState& state) {
    const qsizetype separator =
        std::max(state.ChosenFile.lastIndexOf(u'/'), state.ChosenFile.lastIndexOf(u'\\'));
    state.LastFileName = separator < 0 ? QString() : state.ChosenFile.mid(separator + 1);
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return !path.isEmpty() && info.exists() && info.isFile();
}

QString ShortPathName(const QString& path) {
    return path;
}

void OpenTextDialog(FileDialogState& state, FileDialogServices services,
                    const std::function<void(const QString&)>& openInEditor) {
    const std::vector<FileFilter> filters{
        {QStringLiteral("Quorvin Files (*.txt;*.log)"), QStringLiteral("*.txt;*.log")},
        {QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.txt")},
        {QStringLiteral("Log Files (*.log)"), QStringLiteral("*.log")},
        kAllFiles};
    if (!Choose(state, services.dialogs, FileDialogKind::Open, u"Open Text File", filters)) {
        return;
    }
    SplitFileName(state);
    if (state.OpenInNotepad == 1) {
        StartOutsideProgram(state, services, platform::OutsideProgram::TextEditor);
        state.OpenInNotepad = 0;
        return;
    }
    state.EditorFile = state.ChosenFile;
    openInEditor(state.ChosenFile);
}

void OpenPictureDialog(FileDialogState& state, FileDialogServices services,
                       const std::function<void(const QString&)>& openInPictureWindow) {
    const std::vector<FileFilter> filters{
        {QStringLiteral("BMP Files (*.bmp)"), QStringLiteral("*.bmp")},
        {QStringLiteral("JPG Files (*.jpg)"), QStringLiteral("*.jpg")},
        kPngFiles,
        kJpegFiles,
        kAllFiles};
    if (!Choose(state, services.dialogs, FileDialogKind::Open, u"Open Picture File", filters)) {
        return;
    }
    SplitFileName(state);
    if (state.OpenInPaint == 1) {
        StartOutsideProgram(state, services, platform::OutsideProgram::PaintProgram);
        state.OpenInPaint = 0;
        return;
    }
    openInPictureWindow(state.ChosenFile);
}

void SaveTextDialog(FileDialogState& state, platform::Dialogs& dialogs,
                    const std::function<QString()>& receiveText,
                    const std::function<QDateTime()>& now) {
    if (state.LastFileName.isEmpty()) {
        state.LastFileName = Text(kFirstTextFileName);
    }
    const std::vector<FileFilter> filters{
        {QStringLiteral("Text Files (*.txt)"), QStringLiteral("*.txt")},
        {QStringLiteral("Log Files (*.log)"), QStringLiteral("*.log")},
        kAllFiles};
    if (!Choose(state, dialogs, FileDialogKind::Save, u"Save Text File", filters) ||
        !MayOverwrite(state, dialogs)) {
        return;
    }
    SplitFileName(state);
    WriteFile(state.ChosenFile, SavedTextBytes(receiveText(), now()), dialogs);
}

void SaveWaterfallDialog(FileDialogState& state, platform::Dialogs& dialogs,
                         const QImage& picture) {
    // The picture is saved in the format its name's ending asks for.
    const std::vector<FileFilter> filters{
        {QStringLiteral("Bitmap Files (*.bmp)"), QStringLiteral("*.bmp")},
        kPngFiles,
        {QStringLiteral("JPEG Files (*.jpg;*.jpeg)"), QStringLiteral("*.jpg;*.jpeg")},
        kAllFiles};
    if (!Choose(state, dialogs, FileDialogKind::Save, u"Save Waterfallspectrum File", filters) ||
        !MayOverwrite(state, dialogs)) {
        return;
    }
    SplitFileName(state);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, PictureFormat(state.ChosenFile))) {
        platform::ShowWriteFailed(dialogs, platform::kDiskFull);
        return;
    }
    WriteFile(state.ChosenFile, bytes, dialogs);
}

QByteArray SavedTextBytes(QStringView receiveText, const QDateTime& at) {
    const QString banner = QStringLiteral("***Quorvin File Saved At->") + platform::StampTime(at) +
                           QStringLiteral("  Date:") + platform::StampDate(at) +
                           QStringLiteral("***");
    return ToWindows1252(banner) + "\r\n" + ToWindows1252(receiveText) + "\r\n";
}

}  // namespace KVXmodules
