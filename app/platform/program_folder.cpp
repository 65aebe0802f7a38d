#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {

QString ChooseProgramFolder(const QString& executableFolder, bool executableFolderWritable,
                            const QString& userDataFolder) {
    return executableFolderWritable ? executableFolder : userDataFolder;
}

bool CarrySettingsFileOver(const QString& executableFolder, bool executableFolderWritable,
                           const QString& userDataFolder) {
    if (executableFolderWritable || userDataFolder.isEmpty()) {
        return false;  // the executable's folder is the program folder, or there is no other
    }
    const QString name = QString::fromUtf16(kSettingsFileName);
    const QString source = QDir(executableFolder).filePath(name);
    const QString target = QDir(userDataFolder).filePath(name);
    if (QFileInfo::exists(target) || !QFileInfo(source).isFile()) {
        return false;
    }
    if (!QDir().mkpath(userDataFolder) || !QFile::copy(source, target)) {
        return false;
    }
    // A system-wide installation ships its files read-only; the copy is the user's to save.
    QFile::setPermissions(
        target, QFile::permissions(target) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

QString ProgramFolder() {
    const QString executableFolder = QCoreApplication::applicationDirPath();
    const QFileInfo info(executableFolder);
    const bool writable = info.isDir() && info.isWritable();
    const QString userDataFolder =
        QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    const QString folder =
        QDir::cleanPath(ChooseProgramFolder(executableFolder, writable, userDataFolder));
    QDir().mkpath(folder);
    if (CarrySettingsFileOver(executableFolder, writable, userDataFolder)) {
        QTextStream(stderr) << "quorvin: settings are kept in " << QDir::toNativeSeparators(folder)
                            << " (copied from " << QDir::toNativeSeparators(executableFolder)
                            << ")\n";
    }
    return folder;
}

}  // namespace platform
