// A QPSK31 station on the upper sideband heard through a rig on LSB, on the real modem engine:
// the rig (hamlib's rig daemon with its dummy rig on loopback) says LSB, so the audio holds
// QPSK31 on the lower sideband; with "QPSK usb" chosen, as the station sends, the tuned receiver
// decodes it right and the band activity shows it as QPSK31 USB at the dial minus its audio
// frequency. A dial change reaches the band window's rows within the rig's poll.

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "band/band_activity_window.h"
#include "band/band_controller.h"
#include "mainwindow/main_window.h"
#include "platform/modem_engine.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "receiver/receive_controller.h"
#include "rig/rig_controller.h"
#include "rig_daemon.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/held_recording.h"
#include "support/recording_clipboard.h"
#include "support/recording_sound_player.h"
#include "support/scripted_dialogs.h"

namespace {

constexpr int kTimeoutMs = 60000;
constexpr double kCarrierHz = 1000.0;

bool WaitFor(int limitMs, const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limitMs) {
            return false;
        }
        testing_support::processEvents();
        QThread::msleep(2);
    }
    return true;
}

TEST(RigReceive, UpperSidebandQpskDecodesThroughARigOnLsb) {
    station::testing::RigDaemon daemon(QUORVIN_RIGCTLD, station::testing::freeLoopbackPort());
    ASSERT_TRUE(daemon.start());
    ASSERT_TRUE(daemon.setFrequency(7'040'000));
    ASSERT_TRUE(daemon.setMode("LSB"));

    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    pskmodem::TestSignalConfig config;
    config.mode = pskmodem::Mode::QpskLsb;  // as the rig on LSB hands it over
    config.carrierHz = kCarrierHz;
    config.snrDb = 15.0;
    config.seed = 11;
    config.leadNoiseSeconds = 1.0;
    config.text = "CQ CQ DE QT5MK QT5MK QPSK31 on the upper sideband PSE K\r\n";
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    const std::string recording =
        QDir(files.path()).filePath(QStringLiteral("lsb.wav")).toStdString();
    ASSERT_TRUE(pskmodem::writeAudioFile(recording, signal.samples, pskmodem::kSampleRateHz));

    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    QTemporaryDir programFolder;
    const QString previousCurrent = QDir::currentPath();
    KVXmodules::SettingsRecord settings;
    settings.RigModel = station::kNetworkRigModel;
    settings.RigPort = QString::fromStdString(daemon.hostPort());
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    platform::ModemEngine engine([recording, released, ended](std::int32_t) {
        return std::make_unique<testing_support::HeldRecording>(recording, released, ended);
    });
    testing_support::RecordingSoundPlayer sound;
    {
        MainWindow form(
            MainWindowServices{settings, dialogs, clipboard, engine, programFolder.path(), &sound});
        form.Form_Load();
        ASSERT_TRUE(dialogs.shown().empty()) << "the engine did not start";
        form.tuning().tuneToSignal(static_cast<std::int32_t>(kCarrierHz), pskmodem::Mode::QpskUsb,
                                   pskmodem::Speed::Psk31);
        ASSERT_TRUE(form.Option2->isChecked());
        ASSERT_TRUE(WaitFor(3000, [&] {
            return form.rig().dial() && form.rig().dial()->sideband == station::Sideband::Lower;
        }));
        form.menuband->trigger();
        BandActivityWindow* window = form.bandActivity().bandActivityWindow();
        ASSERT_NE(window, nullptr);
        released->store(true);

        // The tuned receiver.
        ASSERT_TRUE(WaitFor(kTimeoutMs, [&] {
            return ended->load() && form.Text1->toPlainText().contains(u"PSE K");
        })) << form.Text1->toPlainText().toStdString();
        // The receive window starts with the program's own line; the text heard follows it.
        std::string received = form.Text1->toPlainText().toStdString();
        received.erase(0, received.find("CQ"));
        EXPECT_LT(pskmodem::characterErrorRate(signal.text, received), 0.1) << received;

        // The band window: QPSK31 USB at 7.040.000 - 1000 Hz.
        QTableWidget& table = *window->table();
        const auto rowFrequency = [&] {
            return table.rowCount() == 1 && table.item(0, BandActivityWindow::Frequency) != nullptr
                       ? table.item(0, BandActivityWindow::Frequency)->text()
                       : QString();
        };
        ASSERT_TRUE(WaitFor(kTimeoutMs, [&] { return rowFrequency().startsWith(u"7.039."); }))
            << rowFrequency().toStdString();
        EXPECT_TRUE(rowFrequency().endsWith(u"(1000 Hz)") || rowFrequency().endsWith(u"(999 Hz)") ||
                    rowFrequency().endsWith(u"(1001 Hz)"))
            << rowFrequency().toStdString();
        EXPECT_EQ(table.item(0, BandActivityWindow::Mode)->text(), QStringLiteral("QPSK31 USB"));

        // A dial change, on the same sideband, reaches the row.
        ASSERT_TRUE(daemon.setFrequency(7'050'000));
        QElapsedTimer changed;
        changed.start();
        ASSERT_TRUE(WaitFor(3000, [&] { return rowFrequency().startsWith(u"7.049."); }))
            << rowFrequency().toStdString();
        std::printf("dial change in the band window after %lld ms\n",
                    static_cast<long long>(changed.elapsed()));
        form.Form_Unload();
    }
    QDir::setCurrent(previousCurrent);
}

}  // namespace
