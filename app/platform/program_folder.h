#pragma once

// The program folder: where the settings file, the logs, the alarm sound, the background
// picture and the notebook live, and the current directory while the program runs.
//
// It is the executable's folder when the program may write there (a portable copy, or the
// build tree); otherwise, and always for an installation (whose shipped files are in
// share/quorvin beside its bin/), the user's own data folder for the program.
//
// The shipped files (the alarm sound, the background picture, the help) are looked for relative
// to the executable: in ../share/quorvin first, where an installation under any prefix puts
// them, then beside the executable, where a build tree or a portable copy has them.

#include <QString>
#include <QStringList>

namespace platform {

// The shipped files' folder of an installation, relative to the executable's folder.
inline constexpr char16_t kInstalledShippedFolder[] = u"../share/quorvin";

// The folders searched for a shipped file, in order: ../share/quorvin, then the executable's
// folder itself.
QStringList ShippedFolderCandidates(const QString& executableFolder);

// Whether the executable belongs to an installation: ../share/quorvin exists beside its folder.
bool IsInstalledLayout(const QString& executableFolder);

// The folder the shipped files are taken from: ../share/quorvin of an installation, else the
// executable's folder.
QString ShippedFolder(const QString& executableFolder);

// The shipped file `name`: its path in the first of the candidate folders that holds it, or
// empty when none does.
QString ShippedFile(const QString& executableFolder, const QString& name);

// The running program's shipped folder (ShippedFolder of the executable's folder). Needs a
// QCoreApplication.
QString ProgramShippedFolder();

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

// The running program's folder: the executable's folder when it is writable and no
// installation's, else the user's data folder. The user's data folder is created when it is chosen
// and does not exist yet, and the settings file beside the executable is carried over into it
// (CarrySettingsFileOver), which is said once on stderr. Needs a QCoreApplication.
QString ProgramFolder();

}  // namespace platform
