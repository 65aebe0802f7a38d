// Time of the main window's display tick (Timer1_Timer: waterfall line, phase indicator,
// quality bar and label, marker and read-out) on the offscreen platform, at the window's
// creation size and on the large-waterfall screen of a 1920 x 1080 window: median, 99th
// percentile and worst of the tick alone, then of the tick with the repaint it causes. Times
// are the CPU time of the program's thread, so that other programs running at the same time
// do not count; the wall-clock median and 99th percentile are shown beside them.
//
//     bench_display_tick [TICKS]      (default 2000 ticks at each size)

#include <time.h>

#include <QApplication>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <string_view>
#include <vector>

#include "display/display_controller.h"
#include "mainwindow/main_window.h"
#include "platform/clipboard.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "receiver/receive_controller.h"
#include "settings/settings_record.h"
#include "support/scripted_dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultTicks = 2000;
constexpr int kSpectra = 64;  // distinct spectra the ticks cycle through

// An engine that never starts a source: the bench feeds the window's buffers itself and the
// tick asks only for the phase vector, which turns a little at every call.
class StillEngine final : public platform::PskEngine {
  public:
    std::int32_t fnStartSoundCard(pskmodem::MessageSink*, std::int32_t, std::int32_t) override {
        return 0;
    }
    std::int32_t fnStopSoundCard() override { return 0; }
    std::int32_t fnSetRXFrequency(std::int32_t, std::int32_t, std::int32_t) override { return 0; }
    std::int32_t fnSetRXPSKMode(std::int32_t, std::int32_t) override { return 0; }
    std::int32_t fnSetFFTMode(std::int32_t, std::int32_t, std::int32_t) override { return 0; }
    std::int32_t fnSetSquelchThreshold(std::int32_t, std::int32_t, std::int32_t) override {
        return 0;
    }
    std::int32_t fnSetTXFrequency(std::int32_t) override { return 0; }
    std::int32_t fnGetFFTData(std::int32_t*, std::int32_t, std::int32_t) override { return 0; }
    std::int32_t fnGetVectorData(std::int32_t* dest, std::int32_t) override {
        ++turn_;
        for (int i = 0; i < platform::kVectorDataSize / 2; ++i) {
            const double angle = 0.05 * turn_ + std::numbers::pi / 4 * i;
            dest[2 * i] = static_cast<std::int32_t>(std::lround(52 * (22 + 18 * std::cos(angle))));
            dest[2 * i + 1] =
                static_cast<std::int32_t>(std::lround(52 * (22 + 18 * std::sin(angle))));
        }
        return platform::kVectorDataSize;
    }

  private:
    int turn_ = 0;
};

using Spectrum = std::array<std::int32_t, platform::kFFTDataSize>;

// Noise around 40 with a few drifting traces, as a busy band looks.
std::vector<Spectrum> bandSpectra() {
    std::vector<Spectrum> spectra(kSpectra);
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525U + 1013904223U;
        return static_cast<int>(seed >> 24);
    };
    for (int s = 0; s < kSpectra; ++s) {
        Spectrum& spectrum = spectra[static_cast<std::size_t>(s)];
        for (auto& value : spectrum) {
            value = 20 + next() / 8;
        }
        for (const int centre : {180, 256, 384, 500, 640}) {
            for (int k = centre - 4; k <= centre + 4; ++k) {
                spectrum[static_cast<std::size_t>(k + s % 3)] = 180 + next() / 4;
            }
        }
    }
    return spectra;
}

struct Figures {
    double median = 0;
    double p99 = 0;
    double worst = 0;
};

struct Timing {
    Figures cpu;
    Figures wall;
};

Figures figuresOf(std::vector<double> microseconds) {
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&microseconds](double fraction) {
        const auto index = static_cast<std::size_t>(
            std::ceil(fraction * static_cast<double>(microseconds.size())) - 1);
        return microseconds[std::min(index, microseconds.size() - 1)];
    };
    return {at(0.5), at(0.99), microseconds.back()};
}

double microsecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double threadCpuMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) * 1e-3;
}

// `ticks` display ticks on fresh values each; with `repaint` the window also paints what the
// tick changed before the next one, and the time includes that.
Timing run(MainWindow& form, const std::vector<Spectrum>& spectra, int ticks, bool repaint) {
    std::vector<double> cpu;
    std::vector<double> wall;
    cpu.reserve(static_cast<std::size_t>(ticks));
    wall.reserve(static_cast<std::size_t>(ticks));
    for (int i = 0; i < ticks; ++i) {
        APIStuff::ReceiverBuffers& buffers = form.receive().receiverBuffers;
        const Spectrum& spectrum = spectra[static_cast<std::size_t>(i % kSpectra)];
        std::copy(spectrum.begin(), spectrum.end(), buffers.FFTData.begin());
        buffers.ActiveFrequency = 1400 + (i / 10) % 200;
        buffers.SignalQuality = (i / 3) % 101;
        const double cpuStart = threadCpuMicroseconds();
        const Clock::time_point start = Clock::now();
        form.display().Timer1_Timer();
        if (repaint) {
            QApplication::processEvents();
        }
        wall.push_back(microsecondsSince(start));
        cpu.push_back(threadCpuMicroseconds() - cpuStart);
    }
    return {figuresOf(std::move(cpu)), figuresOf(std::move(wall))};
}

void report(const char* what, MainWindow& window, const std::vector<Spectrum>& spectra, int ticks) {
    std::printf("%s: waterfall %d x %d pixels\n", what, window.Picture1->width(),
                window.Picture1->height());
    for (const bool repaint : {false, true}) {
        const Timing t = run(window, spectra, ticks, repaint);
        std::printf(
            "  %-14s cpu median %7.1f us  p99 %7.1f us  worst %7.1f us   (wall median %7.1f us  "
            "p99 %7.1f us)\n",
            repaint ? "tick + paint" : "tick", t.cpu.median, t.cpu.p99, t.cpu.worst, t.wall.median,
            t.wall.p99);
    }
}

int ticksFrom(int argc, char** argv) {
    if (argc < 2) {
        return kDefaultTicks;
    }
    const std::string_view text(argv[1]);
    int ticks = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), ticks);
    if (error != std::errc() || end != text.data() + text.size() || ticks < 1) {
        std::fprintf(stderr, "usage: bench_display_tick [TICKS]\n");
        std::exit(2);
    }
    return ticks;
}

}  // namespace

int main(int argc, char** argv) {
    const int ticks = ticksFrom(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_display_tick: no temporary folder\n");
        return 1;
    }
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    platform::SystemClipboard clipboard;
    StillEngine engine;
    MainWindow form(
        MainWindowServices{settings, dialogs, clipboard, engine, folder.path(), nullptr});
    form.Form_Load();
    form.show();
    QApplication::processEvents();
    const std::vector<Spectrum> spectra = bandSpectra();

    std::printf("display tick, %d ticks each, platform %s\n", ticks,
                qPrintable(QApplication::platformName()));
    report("normal screen (662 x 482 client)", form, spectra, ticks);

    form.resize(1920, 1080);
    QApplication::processEvents();
    form.Option5->setChecked(true);
    QApplication::processEvents();
    report("Rev screen, 1920 x 1080 window", form, spectra, ticks);

    form.Form_Unload();
    return 0;
}
