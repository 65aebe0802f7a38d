// A long run of the whole receive side in a short time: the main window on the real engine,
// fed by the band simulator's demo band as fast as the engine takes it, with the receive text
// (trimmed as it grows), the autolog, the alarm (its strings are in the band's text) and the
// alarm log all on. Prints, at the start and the end, the resident memory, threads and open
// files, and the receive box's longest text over the run.
//
//     bench_soak [HOURS]      (hours of audio, default 24)

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "mainwindow/main_window.h"
#include "platform/clipboard.h"
#include "platform/modem_engine.h"
#include "platform/sound_player.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_source.h"
#include "receivetext/receive_text_box.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_record.h"
#include "support/scripted_dialogs.h"

namespace {

// Spectrum frames per second of audio: a frame every 512 samples at 8000 Hz.
constexpr double kFramesPerSecond = 8000.0 / 512.0;

class CountingSoundPlayer final : public platform::SoundPlayer {
  public:
    void play(const QString&) override { ++plays; }
    long plays = 0;
};

struct ProcessFigures {
    long rssKb = 0;
    long threads = 0;
    long openFiles = 0;
};

ProcessFigures Measure() {
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            figures.rssKb = std::atol(line.c_str() + 6);
        } else if (line.rfind("Threads:", 0) == 0) {
            figures.threads = std::atol(line.c_str() + 8);
        }
    }
    for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++figures.openFiles;
    }
    return figures;
}

void Print(const char* when, const ProcessFigures& f) {
    std::printf("%-6s resident %7.1f MB, %ld threads, %ld open files\n", when,
                static_cast<double>(f.rssKb) / 1024.0, f.threads, f.openFiles);
}

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 24.0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir folder;
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    platform::SystemClipboard clipboard;
    CountingSoundPlayer sound;
    platform::ModemEngine engine([](std::int32_t) {
        return pskmodem::makeSimulatorSource(pskmodem::demoBand(),
                                             pskmodem::Pace::AsFastAsPossible);
    });
    long frames = 0;
    qsizetype longestText = 0;
    {
        MainWindow form(
            MainWindowServices{settings, dialogs, clipboard, engine, folder.path(), &sound});
        form.receivedText().Label8_Click();  // autolog on
        form.Form_Load();
        // Counted behind the window's own handling, which the start-up installs.
        const platform::WindowProc engineProc = form.SetWindowProc(
            [&frames, &engineProc](platform::WindowHandle hWnd, std::uint32_t message,
                                   std::intptr_t wParam, std::intptr_t lParam) {
                if (message == pskmodem::kMsgSpectrum) {
                    ++frames;
                }
                return engineProc(hWnd, message, wParam, lParam);
            });
        settings.PSKAlarm = KVXmodules::kFlagSet;
        settings.AutoAlarmLog = KVXmodules::kFlagSet;
        settings.PSKAlarmString[0] = QStringLiteral("QR9ZZ");
        QApplication::processEvents();
        const ProcessFigures start = Measure();
        QElapsedTimer clock;
        clock.start();
        const auto target = static_cast<long>(hours * 3600.0 * kFramesPerSecond);
        while (frames < target) {
            QApplication::processEvents(QEventLoop::AllEvents, 50);
            longestText = std::max(longestText, form.receivedText().Text1Content->text().size());
        }
        const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        const ProcessFigures end = Measure();
        std::printf("%.1f h of audio in %.0f s (%.0f x real time); alarm sounded %ld times\n",
                    hours, seconds, hours * 3600.0 / seconds, sound.plays);
        Print("start", start);
        Print("end", end);
        std::printf("receive box: longest text %lld characters, now %lld\n",
                    static_cast<long long>(longestText),
                    static_cast<long long>(form.receivedText().Text1Content->text().size()));
        form.Form_Unload();
    }
    for (const char* log : {"quorvin_autolog.log", "quorvin_alarm.log"}) {
        std::printf("%s: %.0f kB\n", log,
                    static_cast<double>(
                        QFileInfo(QDir(folder.path()).filePath(QString::fromLatin1(log))).size()) /
                        1024.0);
    }
    return 0;
}
