#pragma once

// The program's file dialogs and what follows a choice: open a text file in the notebook editor
// or in a text editor, open a picture in the waterfall picture window or in a paint program,
// save the receive text, save the waterfall picture; and the small file helpers they use. These
// are the only places where the program asks the user for a file.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>

namespace platform {
class Dialogs;
class OutsidePrograms;
}  // namespace platform

namespace KVXmodules {

// The names a save proposes when nothing fits better.
inline constexpr char16_t kFirstTextFileName[] = u"quorv_log01.txt";
inline constexpr char16_t kFirstWaterfallFileName[] = u"waterfall001.bmp";

inline constexpr char16_t kOverwriteQuestion[] = u"Do you want to overwrite the file?";
inline constexpr char16_t kOverwriteTitle[] = u"File already exists";

// The state the four dialogs share for the whole run.
struct FileDialogState {
    QString LastFileName;            // the file name of the last file chosen in any dialog
    QString ChosenFile;              // its full path
    std::int16_t OpenInNotepad = 0;  // 1: the text dialog hands its file to a text editor
    std::int16_t OpenInPaint = 0;    // 1: the picture dialog hands its file to a paint program
    QString EditorFile;              // what the notebook editor loads when it opens
    // Where the next dialog opens: the folder of the last chosen file (the process's current
    // directory does not move), at first the folder given at start.
    QString Folder;
};

struct FileDialogServices {
    platform::Dialogs& dialogs;
    platform::OutsidePrograms& programs;
};

// LastFileName := the part of ChosenFile after its last path separator.
void SplitFileName(FileDialogState& state);
// Whether a file of that name exists.
bool FileExists(const QString& path);
// The path itself: the platforms Quorvin runs on have no short names.
QString ShortPathName(const QString& path);

// The text dialog: the file chosen goes to a text editor (OpenInNotepad, which is reset) or
// to `openInEditor`, the notebook editor, after EditorFile is set.
void OpenTextDialog(FileDialogState& state, FileDialogServices services,
                    const std::function<void(const QString&)>& openInEditor);
// The picture dialog: the file chosen goes to a paint program (OpenInPaint, which is reset)
// or to `openInPictureWindow`.
void OpenPictureDialog(FileDialogState& state, FileDialogServices services,
                       const std::function<void(const QString&)>& openInPictureWindow);
// Saves the receive text (in its stored form) with a time-stamped banner. The text and the time
// are taken once the file is chosen and may be written, so the file holds what was received
// while the dialog was open.
void SaveTextDialog(FileDialogState& state, platform::Dialogs& dialogs,
                    const std::function<QString()>& receiveText,
                    const std::function<QDateTime()>& now);
// Saves the waterfall picture: as PNG or JPEG under a name ending so, else as a Windows bitmap.
void SaveWaterfallDialog(FileDialogState& state, platform::Dialogs& dialogs, const QImage& picture);

// A saved receive text: the banner line and the text, each ended by CR LF, 8-bit as the logs.
QByteArray SavedTextBytes(QStringView receiveText, const QDateTime& at);

}  // namespace KVXmodules
