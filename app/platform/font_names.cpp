#include "platform/font_names.h"

#include <QFontDatabase>
#include <QSet>

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

QString FamilyWithoutFoundry(const QString& family) {
    QString name = family.trimmed();
    if (const qsizetype open = name.lastIndexOf(QStringLiteral(" ["));
        open > 0 && name.endsWith(u']')) {
        name.truncate(open);
    }
    return name.trimmed();
}

QStringList ChooserFamilies(const QStringList& families,
                            const std::function<bool(const QString&)>& isSymbolFont) {
    // A name is left out when any foundry's font of that name is a symbol font.
    QSet<QString> symbols;
    for (const QString& family : families) {
        if (isSymbolFont(family)) {
            symbols.insert(FamilyWithoutFoundry(family).toCaseFolded());
        }
    }
    QStringList list;
    QSet<QString> listed;
    for (const QString& family : families) {
        const QString name = FamilyWithoutFoundry(family);
        const QString key = name.toCaseFolded();
        if (name.isEmpty() || symbols.contains(key) || listed.contains(key)) {
            continue;
        }
        listed.insert(key);
        list.append(name);
    }
    return list;
}

QStringList InstalledChooserFamilies() {
    QStringList families = QFontDatabase::families();
    families.removeIf([](const QString& family) { return QFontDatabase::isPrivateFamily(family); });
    return ChooserFamilies(families, [](const QString& family) {
        return QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol);
    });
}

int ChooserRow(const QStringList& list, const QString& name) {
    const QString wanted = FamilyWithoutFoundry(name);
    if (wanted.isEmpty() ||
        wanted.compare(QString::fromUtf16(kSystemFontName), Qt::CaseInsensitive) == 0) {
        return -1;
    }
    for (qsizetype row = 0; row < list.size(); ++row) {
        if (list[row].compare(wanted, Qt::CaseInsensitive) == 0) {
            return static_cast<int>(row);
        }
    }
    return -1;
}

}  // namespace platform
