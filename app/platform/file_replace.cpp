#include "platform/file_replace.h"

#include <QSaveFile>

#include "platform/dialogs.h"

namespace platform {

int ReplaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return kAccessError;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return file.error() == QFileDevice::RenameError ? kAccessError : kDiskFull;
    }
    return 0;
}

void ShowWriteFailed(Dialogs& dialogs, int errorNumber) {
    dialogs.msgBox(QString::fromUtf16(kWriteFailedText), MsgButtons::Ok, MsgIcon::Exclamation,
                   QString::fromUtf16(kWriteFailedTitle) + u' ' + QString::number(errorNumber));
}

}  // namespace platform
