#include "platform/file_replace.h"

#include <QSaveFile>
#include <QtGlobal>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

#include "platform/dialogs.h"

namespace platform {

namespace {

// Puts the written bytes on the disk: a file system that takes them lazily (over a network, or
// allocating late) reports a full disk only here. A file system that cannot sync is no failure.
bool SyncToDisk(QSaveFile& file) {
#ifdef Q_OS_UNIX
    const int handle = file.handle();
    if (handle < 0 || ::fsync(handle) == 0) {
        return true;
    }
    return errno == EINVAL || errno == EROFS || errno == ENOTSUP;
#else
    Q_UNUSED(file);
    return true;
#endif
}

ReplaceOutcome Failed(ReplaceStep step, int systemError, const QSaveFile& file) {
    return {step, systemError != 0 ? systemError : static_cast<int>(file.error())};
}

}  // namespace

ReplaceOutcome ReplaceFileBytes(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        return Failed(ReplaceStep::Open, errno, file);
    }
    // Small writes wait in the file's buffer. commit() writes that buffer as it closes the file
    // but renames the file over the old one even when that write failed, leaving an empty or
    // cut file: the buffer is flushed and checked here, before anything is renamed.
    errno = 0;
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush() ||
        !SyncToDisk(file)) {
        const int error = errno;
        file.cancelWriting();
        return Failed(ReplaceStep::Write, error, file);
    }
    errno = 0;
    if (!file.commit()) {
        return Failed(
            file.error() == QFileDevice::RenameError ? ReplaceStep::Rename : ReplaceStep::Write,
            errno, file);
    }
    return {};
}

int ReplaceFile(const QString& path, QByteArrayView bytes) {
    switch (ReplaceFileBytes(path, bytes).failedStep) {
        case ReplaceStep::None:
            return 0;
        case ReplaceStep::Write:
            return kDiskFull;
        case ReplaceStep::Open:
        case ReplaceStep::Rename:
            break;
    }
    return kAccessError;
}

void ShowWriteFailed(Dialogs& dialogs, int errorNumber) {
    dialogs.msgBox(QString::fromUtf16(kWriteFailedText), MsgButtons::Ok, MsgIcon::Exclamation,
                   QString::fromUtf16(kWriteFailedTitle) + u' ' + QString::number(errorNumber));
}

}  // namespace platform
