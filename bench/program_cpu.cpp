// CPU use of the whole program with the band activity window open on a band of 30 PSK31
// stations, and the speed of the whole-band decoding alone.
//
//     bench_program_cpu PROGRAM [SECONDS] [closed]     (default 60 s of measurement)
//
// With "closed" the window stays closed, for the program's use without it.
// Writes a recording of 30 stations from the band simulator and a settings file that opens the
// band activity window at start, copies PROGRAM beside them (its folder is its program folder),
// starts it with --input on the offscreen platform (the recording plays at real-time pace), lets
// it settle for 15 s and reads its CPU time (user + system, /proc/PID/stat) over SECONDS. Then
// runs the band activity alone over the same audio on this thread and prints seconds of audio
// per second of CPU.

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "pskmodem/band/band_activity.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_file.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

constexpr int kStations = 30;
constexpr double kSettleSeconds = 15.0;

pskmodem::SimulatorConfig ThirtyStations() {
    pskmodem::SimulatorConfig band;
    band.seed = 30;
    for (int i = 0; i < kStations; ++i) {
        const std::string call = "Q" + std::string(1, static_cast<char>('A' + i % 26)) +
                                 std::to_string(i % 10) + "X" +
                                 std::string(1, static_cast<char>('A' + (i * 7) % 26));
        band.signals.push_back(
            {200.0 + 90.0 * i, i % 6 == 5 ? pskmodem::Mode::QpskUsb : pskmodem::Mode::Bpsk,
             5.0 + (i * 7) % 16, 0.0,
             "CQ CQ CQ DE " + call + " " + call + " " + call +
                 " PSE K\r\nName here is Sam, QTH is Lake Ardmoor, rig 50 W and a dipole.\r\n"});
    }
    return band;
}

double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_program_cpu PROGRAM [SECONDS]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const double seconds = argc > 2 ? std::atof(argv[2]) : 60.0;
    QTemporaryDir folder;
    const QString program = QDir(folder.path()).filePath(QStringLiteral("quorvin"));
    if (!folder.isValid() || !QFile::copy(QString::fromLocal8Bit(argv[1]), program)) {
        std::fprintf(stderr, "cannot copy %s\n", argv[1]);
        return 1;
    }

    const double audioSeconds = kSettleSeconds + seconds + 10.0;
    std::vector<float> audio(static_cast<std::size_t>(audioSeconds * pskmodem::kSampleRateHz));
    pskmodem::BandSimulator simulator(ThirtyStations());
    simulator.generate(audio);
    const std::string recording =
        QDir(folder.path()).filePath(QStringLiteral("band30.wav")).toStdString();
    KVXmodules::SettingsRecord settings;
    KVXmodules::DefaultSetRecord(settings);
    const bool open = !(argc > 3 && std::string(argv[3]) == "closed");
    settings.BandActivityOpen = open ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
    QFile file(QDir(folder.path()).filePath(QStringLiteral("QUORVIN.ini")));
    if (!pskmodem::writeAudioFile(recording, audio, pskmodem::kSampleRateHz) ||
        !file.open(QIODevice::WriteOnly) ||
        file.write(KVXmodules::SettingsFileBytes(settings, {9000, 7000}, u"0.1.0")) < 0) {
        std::fprintf(stderr, "cannot write the recording or the settings\n");
        return 1;
    }
    file.close();

    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        const std::string path = program.toStdString();
        execl(path.c_str(), path.c_str(), "--input", recording.c_str(), nullptr);
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(kSettleSeconds));
    const double before = ProcessCpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double used = ProcessCpuSeconds(pid) - before;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    std::printf(
        "program, band activity %s, %d stations: %.1f %% of one core (%.2f s CPU in "
        "%.0f s)\n",
        open ? "open" : "closed", kStations, 100.0 * used / seconds, used, seconds);

    pskmodem::BandActivity band;
    const double start = ThreadCpuSeconds();
    constexpr std::size_t kBlock = 256;
    for (std::size_t i = 0; i + kBlock <= audio.size(); i += kBlock) {
        band.process(std::span<const float>(audio).subspan(i, kBlock));
    }
    const double cpu = ThreadCpuSeconds() - start;
    pskmodem::BandActivitySnapshot snapshot;
    band.snapshot(snapshot);
    std::printf(
        "band activity alone: %.1f x real time on one core (%.0f s of audio in %.2f s "
        "CPU, %zu signals)\n",
        audioSeconds / cpu, audioSeconds, cpu, snapshot.signals.size());
    return 0;
}
