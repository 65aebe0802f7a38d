#pragma once

// Saving a file in one step: the bytes go to a temporary file beside it that is written,
// flushed and synced, each step checked, and only then renamed over the file. A failure at any
// step (the folder cannot be written, the disk is full) leaves the earlier file as it was and
// no half-written one. A failure is told in the program's words, with its error number.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace platform {

class Dialogs;

inline constexpr char16_t kWriteFailedText[] = u"Could not write to disk.";
inline constexpr char16_t kWriteFailedTitle[] = u"Error nr:";
// The error numbers the message's caption shows, as the program always numbered them.
inline constexpr int kAccessError = 75;  // the file cannot be created
inline constexpr int kDiskFull = 61;     // the file cannot be written in full

// The step of a replacement that failed.
enum class ReplaceStep {
    None,    // the file was replaced
    Open,    // the temporary file could not be created
    Write,   // the bytes could not be written, flushed or synced in full
    Rename,  // the temporary file could not take the file's place
};

struct ReplaceOutcome {
    ReplaceStep failedStep = ReplaceStep::None;
    int systemError = 0;  // the system's error code of the failing step, when it gave one
    bool ok() const noexcept { return failedStep == ReplaceStep::None; }
};

// Replaces the file `path` with `bytes` in one step.
ReplaceOutcome ReplaceFileBytes(const QString& path, QByteArrayView bytes);

// The same, told as the program's error number: 0 on success, else kAccessError or kDiskFull.
int ReplaceFile(const QString& path, QByteArrayView bytes);

// "Could not write to disk." captioned "Error nr:", a blank and `errorNumber`.
void ShowWriteFailed(Dialogs& dialogs, int errorNumber);

}  // namespace platform
