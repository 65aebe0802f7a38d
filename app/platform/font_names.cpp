#include "platform/font_names.h"

#include <QFontDatabase>

namespace platform {

QFont FontNamed(QFont base, const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.compare(QString::fromUtf16(kSystemFontName), Qt::CaseInsensitive) == 0) {
        base.setFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    } else if (trimmed.compare(QStringLiteral("Fixedsys"), Qt::CaseInsensitive) == 0) {
        base.setFamily(QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    } else if (QFontDatabase::hasFamily(trimmed)) {
        base.setFamily(trimmed);
    }
    return base;
}

}  // namespace platform
