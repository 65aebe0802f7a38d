#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

QString ChooseProgramFolder(const QString& executableFolder, bool executableFolderWritable,
                            const QString& userDataFolder) {
    return executableFolderWritable ? executableFolder : userDataFolder;
}

QString ProgramFolder() {
    const QString executableFolder = QCoreApplication::applicationDirPath();
    const QFileInfo info(executableFolder);
    const QString userDataFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString folder = QDir::cleanPath(
        ChooseProgramFolder(executableFolder, info.isDir() && info.isWritable(), userDataFolder));
    QDir().mkpath(folder);
    return folder;
}

}  // namespace platform
