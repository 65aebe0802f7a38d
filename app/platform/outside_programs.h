#pragma once

// The programs outside Quorvin that its commands start: a text editor for text files, a paint
// program for pictures, the sound mixer and the system information. Which program stands in
// for each on this platform is one table (outside_programs.cpp); a file goes to the program as
// one argument, never inside a command line, so names with spaces need no quoting.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace platform {

enum class OutsideProgram { TextEditor, PaintProgram, SoundMixer, SystemInformation };

// The candidates for one program, in order of preference: executables looked up on the search
// path; when none is installed and `orDefaultApplication` is set, the file goes to the desktop's
// opener (DesktopOpener), which hands it to the default application for its kind. `lookedFor`
// names them in a message.
struct OutsideProgramChoice {
    QStringList executables;
    bool orDefaultApplication = false;
    QString lookedFor;
};

// This platform's table.
OutsideProgramChoice OutsideProgramCandidates(OutsideProgram program);

// The program that opens a file in the desktop's default application for it and exits with a
// failure when none opens it (xdg-open, open); empty where the desktop offers no such program
// and its own call is used.
QString DesktopOpener();

class OutsidePrograms {
  public:
    OutsidePrograms() = default;
    virtual ~OutsidePrograms() = default;
    OutsidePrograms(const OutsidePrograms&) = delete;
    OutsidePrograms& operator=(const OutsidePrograms&) = delete;

    // Starts `program` on `file` (none: just the program), detached; false when nothing could be
    // started. When only the desktop's opener could take the file, true, and `openFailed` is
    // called later, on this thread, should the opener fail to run or exit with a failure: then
    // nothing opened the file either.
    virtual bool start(OutsideProgram program, const QString& file = QString(),
                       std::function<void()> openFailed = {}) = 0;
    // Hands a web or mail link to the desktop's default browser or mail program; what becomes
    // of it is not reported.
    virtual void openLink(const QUrl& link) = 0;
};

// The real service: the first installed program of the table, started with QProcess. The
// desktop's opener runs as a process of the service, watched without waiting for it; one still
// running when the service goes is ended with it.
class SystemOutsidePrograms final : public OutsidePrograms {
  public:
    SystemOutsidePrograms() = default;
    ~SystemOutsidePrograms() override;

    bool start(OutsideProgram program, const QString& file = QString(),
               std::function<void()> openFailed = {}) override;
    void openLink(const QUrl& link) override;

    // How many openers have been started and not yet ended.
    int openersRunning() const noexcept { return openersRunning_; }

  private:
    bool startOpener(const QString& file, std::function<void()> openFailed);

    QObject openers_;  // the parent of the openers' processes
    int openersRunning_ = 0;
};

}  // namespace platform
