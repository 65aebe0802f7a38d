#pragma once

// The operator's home locator, as the locator window keeps it: the first field (up to a comma) of
// the first line of locator.ini in the program folder, in Windows-1252.

#include <QString>

namespace platform {

inline constexpr char16_t kLocatorFileName[] = u"locator.ini";

// locator.ini in `programFolder`.
QString LocatorFilePath(const QString& programFolder);

// The home locator the file keeps, as written there; empty when there is no file or it keeps
// none.
QString ReadHomeLocator(const QString& programFolder);

}  // namespace platform
