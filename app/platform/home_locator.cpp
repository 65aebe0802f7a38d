#include "platform/home_locator.h"

#include <QByteArray>
#include <QFile>

#include "platform/windows1252.h"

namespace platform {

QString LocatorFilePath(const QString& programFolder) {
    return programFolder + u'/' + QString::fromUtf16(kLocatorFileName);
}

QString ReadHomeLocator(const QString& programFolder) {
    QFile file(LocatorFilePath(programFolder));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray field = file.readLine();
    while (field.endsWith('\n') || field.endsWith('\r')) {
        field.chop(1);
    }
    if (const qsizetype comma = field.indexOf(','); comma >= 0) {
        field.truncate(comma);
    }
    return KVXmodules::FromWindows1252(field);
}

}  // namespace platform
