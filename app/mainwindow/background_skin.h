#pragma once

// Where the background skin comes from.

#include <QString>

namespace layout {

inline constexpr char16_t kBackgroundSkinFileName[] = u"background.jpg";

// The picture of the background skin: background.jpg in the program folder, or, when the
// program folder has none (an installed Quorvin keeps its folder among the user's data), the
// shipped one (../share/quorvin from the executable, else beside it). With neither, the program
// folder's name, which loads nothing.
QString BackgroundSkinFile(const QString& programFolder, const QString& executableFolder);

}  // namespace layout
