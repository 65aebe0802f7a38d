#pragma once

// Saving a file the user asked for in one step: the bytes go to a temporary file that then
// replaces the file, so a failed save leaves the earlier file as it was and no half-written
// one. A failure is told in the program's words, with its error number.

#include <QByteArray>
#include <QString>

namespace platform {

class Dialogs;

inline constexpr char16_t kWriteFailedText[] = u"Could not write to disk.";
inline constexpr char16_t kWriteFailedTitle[] = u"Error nr:";
// The error numbers the message's caption shows, as the program always numbered them.
inline constexpr int kAccessError = 75;  // the file cannot be created
inline constexpr int kDiskFull = 61;     // the file cannot be written in full

// Replaces the file `path` with `bytes`; 0 on success, else kAccessError or kDiskFull.
int ReplaceFile(const QString& path, const QByteArray& bytes);

// "Could not write to disk." captioned "Error nr:", a blank and `errorNumber`.
void ShowWriteFailed(Dialogs& dialogs, int errorNumber);

}  // namespace platform
