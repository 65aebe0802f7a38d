#pragma once

// The program folder: where the settings file, the logs, the alarm sound, the background
// picture and the notebook live, and the current directory while the program runs.
//
// It is the executable's folder when the program may write there (a portable installation,
// or the build tree); otherwise, as for a system-wide installation, the user's own data
// folder for the program.

#include <QString>

namespace platform {

// The choice itself, given the candidates.
QString ChooseProgramFolder(const QString& executableFolder, bool executableFolderWritable,
                            const QString& userDataFolder);

// The settings file's name, in whichever program folder.
inline constexpr char16_t kSettingsFileName[] = u"QUORVIN.ini";

// When the program folder is the user's data folder because the executable's folder is not
// writable, and the data folder holds no settings file yet, a settings file beside the
// executable (one shipped or left there) is copied into the data folder, so that the settings
// are not lost; the original stays where it is. The copy is made writable for its owner.
// Returns whether a copy was made; a copy that fails leaves the data folder without one.
bool CarrySettingsFileOver(const QString& executableFolder, bool executableFolderWritable,
                           const QString& userDataFolder);

// The running program's folder. The user's data folder is created when it is chosen and does
// not exist yet, and the settings file beside the executable is carried over into it
// (CarrySettingsFileOver), which is said once on stderr. Needs a QCoreApplication.
QString ProgramFolder();

}  // namespace platform
