#pragma once

// Font names as the settings store them: "System" (in any case) is the desktop's own font,
// "Fixedsys" its fixed-width font, any other name an installed font family.

#include <QFont>
#include <QString>

namespace platform {

inline constexpr char16_t kSystemFontName[] = u"System";

// `base` in the font named `name`; a family that is not installed leaves `base` as it is.
QFont FontNamed(QFont base, const QString& name);

}  // namespace platform
