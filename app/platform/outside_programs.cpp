#include "platform/outside_programs.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <utility>

#include "platform/registry.h"

namespace platform {

OutsideProgramChoice OutsideProgramCandidates(OutsideProgram program) {
#if defined(Q_OS_WIN)
    switch (program) {
        case OutsideProgram::TextEditor:
            return {{QStringLiteral("notepad.exe")}, false, QStringLiteral("NOTEPAD.EXE")};
        case OutsideProgram::PaintProgram:
            return {{QStringLiteral("mspaint.exe"), QStringLiteral("pbrush.exe")},
                    false,
                    QStringLiteral("PBRUSH.EXE (Microsoft PaintBrush)")};
        case OutsideProgram::SoundMixer:
            return {{QStringLiteral("sndvol.exe"), QStringLiteral("sndvol32.exe")},
                    false,
                    QStringLiteral("the Windows Volume Mixer SNDVOL32.EXE")};
        case OutsideProgram::SystemInformation:
            return {{QStringLiteral("msinfo32.exe")}, false, QStringLiteral("MSINFO32.EXE")};
    }
#else
    switch (program) {
        case OutsideProgram::TextEditor:
            return {{QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"),
                     QStringLiteral("kate"), QStringLiteral("kwrite"), QStringLiteral("mousepad"),
                     QStringLiteral("xed"), QStringLiteral("pluma"), QStringLiteral("featherpad")},
                    true,
                    QStringLiteral("a text editor (gnome-text-editor, gedit, kate, kwrite, "
                                   "mousepad, xed, pluma, featherpad)")};
        case OutsideProgram::PaintProgram:
            return {{QStringLiteral("pinta"), QStringLiteral("kolourpaint"),
                     QStringLiteral("drawing"), QStringLiteral("gimp"), QStringLiteral("mtpaint")},
                    true,
                    QStringLiteral("a paint program (pinta, kolourpaint, drawing, gimp, mtpaint)")};
        case OutsideProgram::SoundMixer:
            return {
                {QStringLiteral("pavucontrol"), QStringLiteral("pavucontrol-qt"),
                 QStringLiteral("pwvucontrol"), QStringLiteral("kmix")},
                false,
                QStringLiteral("a sound mixer (pavucontrol, pavucontrol-qt, pwvucontrol, kmix)")};
        case OutsideProgram::SystemInformation:
            return {{QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
                     QStringLiteral("gnome-system-monitor")},
                    false,
                    QStringLiteral("a system information program (hardinfo, kinfocenter, "
                                   "gnome-system-monitor)")};
    }
#endif
    return {};
}

namespace {

// Where Windows keeps its system information program: the path the registry names, or
// MSINFO32.EXE in the folder it names; empty when it names neither.
QString RegisteredSystemInformation() {
    QString path;
    if (GetKeyValue(RegistryRoot::LocalMachine,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path)) {
        return path;
    }
    QString folder;
    if (GetKeyValue(RegistryRoot::LocalMachine,
                    QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), folder)) {
        const QString file = folder + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(file)) {
            return file;
        }
    }
    return {};
}

}  // namespace

QString DesktopOpener() {
#if defined(Q_OS_WIN)
    return {};
#elif defined(Q_OS_MACOS)
    return QStringLiteral("open");
#else
    return QStringLiteral("xdg-open");
#endif
}

SystemOutsidePrograms::~SystemOutsidePrograms() {
    for (QProcess* process : openers_.findChildren<QProcess*>()) {
        process->disconnect();
        process->kill();
        process->waitForFinished(1000);
    }
}

void SystemOutsidePrograms::openLink(const QUrl& link) {
    QDesktopServices::openUrl(link);
}

bool SystemOutsidePrograms::start(OutsideProgram program, const QString& file,
                                  std::function<void()> openFailed) {
    if (program == OutsideProgram::SystemInformation) {
        if (const QString registered = RegisteredSystemInformation(); !registered.isEmpty()) {
            return QProcess::startDetached(registered, {});
        }
    }
    const OutsideProgramChoice choice = OutsideProgramCandidates(program);
    const QStringList arguments = file.isEmpty() ? QStringList() : QStringList{file};
    for (const QString& executable : choice.executables) {
        const QString path = QStandardPaths::findExecutable(executable);
        if (!path.isEmpty() && QProcess::startDetached(path, arguments)) {
            return true;
        }
    }
    if (!choice.orDefaultApplication || file.isEmpty() || !QFileInfo::exists(file)) {
        return false;
    }
    return startOpener(QFileInfo(file).absoluteFilePath(), std::move(openFailed));
}

bool SystemOutsidePrograms::startOpener(const QString& file, std::function<void()> openFailed) {
    const QString opener = DesktopOpener();
    if (opener.isEmpty()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }
    const QString path = QStandardPaths::findExecutable(opener);
    if (path.isEmpty()) {
        return false;
    }
    // The opener's exit status is the only word on whether anything opened the file; it is read
    // when the process ends, so the caller never waits for it.
    auto* process = new QProcess(&openers_);
    ++openersRunning_;
    const auto ended = [this, process, openFailed](bool failed) {
        --openersRunning_;
        process->disconnect();
        process->deleteLater();
        if (failed && openFailed) {
            openFailed();
        }
    };
    QObject::connect(process, &QProcess::finished, process,
                     [ended](int exitCode, QProcess::ExitStatus status) {
                         ended(status != QProcess::NormalExit || exitCode != 0);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [ended](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             ended(true);
                         }
                     });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start(path, {file});
    return true;
}

}  // namespace platform
