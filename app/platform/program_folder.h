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

// The running program's folder. The user's data folder is created when it is chosen and does
// not exist yet. Needs a QCoreApplication.
QString ProgramFolder();

}  // namespace platform
