#include "mainwindow/background_skin.h"

#include <QDir>
#include <QFileInfo>

namespace layout {

QString BackgroundSkinFile(const QString& programFolder, const QString& executableFolder) {
    const QString name = QString::fromUtf16(kBackgroundSkinFileName);
    const QString own = QDir(programFolder).absoluteFilePath(name);
    if (QFileInfo::exists(own) || executableFolder.isEmpty()) {
        return own;
    }
    const QString installed = QDir(executableFolder).absoluteFilePath(name);
    return QFileInfo::exists(installed) ? installed : own;
}

}  // namespace layout
