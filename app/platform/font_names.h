#pragma once

// Font names as the settings store them: "System" (in any case) is the desktop's own font,
// "Fixedsys" its fixed-width font, any other name an installed font family. And the list of
// families a font chooser offers.

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

inline constexpr char16_t kSystemFontName[] = u"System";

// `base` in the font named `name`; a family that is not installed leaves `base` as it is.
QFont FontNamed(QFont base, const QString& name);

// A family name without the foundry that the font database adds in brackets when two foundries
// make fonts of one name ("Nimbus Sans [urw]" is "Nimbus Sans").
QString FamilyWithoutFoundry(const QString& family);

// The families a font chooser lists, from the database's `families` in their order: each name
// once (foundries dropped, letter case ignored), without the families `isSymbolFont` names
// (symbols and dingbats, which cannot show text).
QStringList ChooserFamilies(const QStringList& families,
                            const std::function<bool(const QString&)>& isSymbolFont);

// The installed families as a font chooser lists them.
QStringList InstalledChooserFamilies();

// The row of `list` (a chooser's list) that names the font `name`, ignoring letter case and a
// foundry; -1 when none does ("System" and an empty name are no family of the list).
int ChooserRow(const QStringList& list, const QString& name);

}  // namespace platform
