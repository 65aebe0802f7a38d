// quorvin: the main window on the engine, with the real dialogs, in the program folder.

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QSessionManager>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include "mainwindow/main_window.h"
#include "notebook/notebook_controller.h"
#include "platform/clipboard.h"
#include "platform/modem_engine.h"
#include "platform/portaudio_sound_player.h"
#include "platform/program_folder.h"
#include "platform/qt_dialogs.h"
#include "platform/termination_signals.h"
#include "pskmodem/sources/audio_file.h"
#include "receiver/command_line.h"
#include "settings/settings_record.h"

namespace {

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Quorvin"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVIN_VERSION));
}

}  // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    receiver::CommandLine commandLine = receiver::ParseCommandLine(arguments);
    if (!commandLine.error.isEmpty() || commandLine.help || commandLine.version) {
        // Answered without a window, so without a display.
        const QCoreApplication app(argc, argv);
        NameApplication();
        if (commandLine.help) {
            QTextStream(stdout) << receiver::UsageText(platform::ProgramFolder(),
                                                       platform::ProgramShippedFolder());
            return 0;
        }
        if (commandLine.error.isEmpty()) {
            QTextStream(stdout) << receiver::VersionText();
            return 0;
        }
        QTextStream(stderr) << "quorvin: " << commandLine.error << "\n"
                            << "Try 'quorvin --help'.\n";
        return 2;
    }
    if (commandLine.source == receiver::CommandLine::Source::File) {
        const QFileInfo file(commandLine.inputFile);
        if (!file.exists() || !file.isReadable()) {
            QTextStream(stderr) << "quorvin: cannot read " << commandLine.inputFile << "\n";
            return 2;
        }
        // A file that is no audio, not a regular file (a folder, a pipe, a device) or at a sample
        // rate outside the usable ones is refused here, before any window opens, in the words
        // quorvin-decode uses too.
        const std::string problem =
            pskmodem::audioFileProblem(QFile::encodeName(commandLine.inputFile).toStdString());
        if (!problem.empty()) {
            QTextStream(stderr) << "quorvin: cannot decode " << commandLine.inputFile << ": "
                                << QString::fromStdString(problem) << "\n";
            return 2;
        }
        // Start-up makes the program folder current; the recording's name must not move.
        commandLine.inputFile = file.absoluteFilePath();
    }

    QApplication app(argc, argv);
    NameApplication();

    KVXmodules::SettingsRecord settings;
    platform::QtDialogs dialogs;
    platform::SystemClipboard clipboard;
    platform::ModemEngine engine(receiver::AudioSources(commandLine));
    platform::PortAudioSoundPlayer soundPlayer;
    MainWindow form(MainWindowServices{
        settings, dialogs, clipboard, engine, platform::ProgramFolder(), &soundPlayer,
        commandLine.source == receiver::CommandLine::Source::SoundCard});
    dialogs.setOwner(&form);
    // Ended from outside (shutdown, kill, Ctrl+C): nothing is asked; changed notes are kept in
    // their unsaved copy, the window closes as File > Exit closes it, the engine stopped and the
    // settings saved, then the program ends with whatever else is open, a question too.
    // A signal that comes while start-up waits on a message box (the remembered sound card is
    // gone, no sound card starts) cannot end the program's loop, which has not begun: the box
    // and any that follow it are closed as they come, and start-up stops there.
    bool startingUp = true;
    bool endedFromOutside = false;
    QTimer startUpBoxCloser;
    startUpBoxCloser.setInterval(20);
    startUpBoxCloser.callOnTimeout([] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            box->done(QDialog::Rejected);
        }
    });
    const platform::TerminationSignals termination([&](int) {
        endedFromOutside = true;
        form.closeFromOutside();
        QCoreApplication::quit();
        if (startingUp) {
            startUpBoxCloser.start();
        }
    });
    // Logging out: the session manager asks for the settings and the notes to be saved first.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.saveForLogout(); });
    form.Form_Load();
    if (endedFromOutside) {
        // What start-up did after the box (the engine started) is undone as the window closes.
        form.closeFromOutside();
        return 0;
    }
    startingUp = false;
    form.show();
    // Notes kept when the program was last ended from outside are offered back once it runs.
    QTimer::singleShot(0, &form, [&form] { form.notebook().offerUnsavedNotebook(); });
    return QApplication::exec();
}
