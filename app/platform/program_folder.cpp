#include "platform/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {

QStringList ShippedFolderCandidates(const QString& executableFolder) {
    if (executableFolder.isEmpty()) {
        return {};
    }
    const QDir folder(executableFolder);
    return {QDir::cleanPath(folder.absoluteFilePath(QString::fromUtf16(kInstalledShippedFolder))),
            QDir::cleanPath(folder.absolutePath())};
}

bool IsInstalledLayout(const QString& executableFolder) {
    const QStringList candidates = ShippedFolderCandidates(executableFolder);
    return !candidates.isEmpty() && QFileInfo(candidates.front()).isDir();
}

QString ShippedFolder(const QString& executableFolder) {
    const QStringList candidates = ShippedFolderCandidates(executableFolder);
    if (candidates.isEmpty()) {
        return {};
    }
    return IsInstalledLayout(executableFolder) ? candidates.front() : candidates.back();
}

QString ShippedFile(const QString& executableFolder, const QString& name) {
    for (const QString& folder : ShippedFolderCandidates(executableFolder)) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return {};
}

QString ProgramShippedFolder() {
    return ShippedFolder(QCoreApplication::applicationDirPath());
}

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
    // An installed program never writes into its bin/, not even when run by root: the program
    // folder beside the executable is for build trees and portable copies.
    const bool writable = info.isDir() && info.isWritable() && !IsInstalledLayout(executableFolder);
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
