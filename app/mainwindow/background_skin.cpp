#include "mainwindow/background_skin.h"

#include <QDir>
#include <QFileInfo>

#include "platform/program_folder.h"

namespace layout {

QString BackgroundSkinFile(const QString& programFolder, const QString& executableFolder) {
    const QString name = QString::fromUtf16(kBackgroundSkinFileName);
    const QString own = QDir(programFolder).absoluteFilePath(name);
    if (QFileInfo::exists(own) || executableFolder.isEmpty()) {
        return own;
    }
    const QString shipped = platform::ShippedFile(executableFolder, name);
    return shipped.isEmpty() ? own : shipped;
}

}  // namespace layout
