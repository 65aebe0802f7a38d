#pragma once

// The programs outside Quorvin that its commands start: a text editor for text files, a paint
// program for pictures, the sound mixer and the system information. Which program stands in
// for each on this platform is one table (outside_programs.cpp); a file goes to the program as
// one argument, never inside a command line, so names with spaces need no quoting.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

enum class OutsideProgram { TextEditor, PaintProgram, SoundMixer, SystemInformation };

// The candidates for one program, in order of preference: executables looked up on the search
// path; when none is installed and `orDefaultApplication` is set, the desktop's default
// application for the file is used. `lookedFor` names them in a message.
struct OutsideProgramChoice {
    QStringList executables;
    bool orDefaultApplication = false;
    QString lookedFor;
};

// This platform's table.
OutsideProgramChoice OutsideProgramCandidates(OutsideProgram program);

class OutsidePrograms {
  public:
    OutsidePrograms() = default;
    virtual ~OutsidePrograms() = default;
    OutsidePrograms(const OutsidePrograms&) = delete;
    OutsidePrograms& operator=(const OutsidePrograms&) = delete;

    // Starts `program` on `file` (none: just the program), detached; false when nothing could be
    // started.
    virtual bool start(OutsideProgram program, const QString& file = QString()) = 0;
    // Hands a web or mail link to the desktop's default browser or mail program; what becomes
    // of it is not reported.
    virtual void openLink(const QUrl& link) = 0;
};

// The real service: the first installed program of the table, started with QProcess.
class SystemOutsidePrograms final : public OutsidePrograms {
  public:
    bool start(OutsideProgram program, const QString& file = QString()) override;
    void openLink(const QUrl& link) override;
};

}  // namespace platform
