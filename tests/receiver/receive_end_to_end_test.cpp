// From a recording to the receive box and the autolog: the program's main window on the real
// modem engine, fed by a file of BPSK31 made by the library's own modulator, decoded as fast as
// the engine goes.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/modem_engine.h"
#include "platform/windows1252.h"
#include "pskmodem/engine/message_sink.h"
#include "pskmodem/pskmodem.h"
#include "pskmodem/signals/cer.h"
#include "pskmodem/signals/testsignal.h"
#include "pskmodem/sources/audio_file.h"
#include "receiver/receive_controller.h"
#include "receivetext/receive_text_box.h"
#include "receivetext/received_text_controller.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/held_recording.h"
#include "support/recording_clipboard.h"
#include "support/recording_sound_player.h"
#include "support/scripted_dialogs.h"

namespace {

constexpr int kTimeoutMs = 60000;

TEST(ReceiveEndToEnd, ARecordingIsShownInTheBoxAndWrittenToTheAutolog) {
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    pskmodem::TestSignalConfig config;
    config.mode = pskmodem::Mode::Bpsk;
    config.carrierHz = 1500.0;
    config.snrDb = 10.0;
    config.seed = 31;
    config.textChars = 200;
    config.leadNoiseSeconds = 1.0;
    const pskmodem::TestSignal signal = pskmodem::makeTestSignal(config);
    const double seconds =
        static_cast<double>(signal.samples.size()) / static_cast<double>(pskmodem::kSampleRateHz);
    EXPECT_GT(seconds, 35.0);
    const std::string recording =
        QDir(files.path()).filePath(QStringLiteral("bpsk31.wav")).toStdString();
    ASSERT_TRUE(pskmodem::writeAudioFile(recording, signal.samples, pskmodem::kSampleRateHz));
    const auto released = std::make_shared<std::atomic<bool>>(false);

    QTemporaryDir programFolder;
    const QString previousCurrent = QDir::currentPath();
    KVXmodules::SettingsRecord settings;
    testing_support::ScriptedDialogs dialogs;
    testing_support::RecordingClipboard clipboard;
    platform::ModemEngine engine([recording, released](std::int32_t /*cardNumber*/) {
        return std::make_unique<testing_support::HeldRecording>(recording, released);
    });
    testing_support::RecordingSoundPlayer sound;
    QString received;
    QByteArray autolog;
    {
        MainWindow form(
            MainWindowServices{settings, dialogs, clipboard, engine, programFolder.path(), &sound});
        form.receivedText().Label8_Click();  // autolog on before the first character
        QElapsedTimer clock;
        clock.start();
        form.Form_Load();
        ASSERT_TRUE(dialogs.shown().empty()) << "the engine did not start";
        released->store(true);

        // The engine says when the recording has been read to its end.
        bool ended = false;
        const platform::WindowProc engineProc = form.SetWindowProc(
            [&ended, &engineProc](platform::WindowHandle hWnd, std::uint32_t message,
                                  std::intptr_t wParam, std::intptr_t lParam) {
                if (message == pskmodem::kMsgStatus &&
                    wParam == static_cast<std::intptr_t>(pskmodem::Status::EndOfInput)) {
                    ended = true;
                }
                return engineProc(hWnd, message, wParam, lParam);
            });
        while (!ended && clock.elapsed() < kTimeoutMs) {
            testing_support::processEvents();
        }
        ASSERT_TRUE(ended) << "the recording did not end within " << kTimeoutMs << " ms";
        // The last characters wait for one more text tick.
        while (
            (form.Timer2->isEnabled() || !form.receive().receiverBuffers.RxTextBuffer.isEmpty()) &&
            clock.elapsed() < kTimeoutMs) {
            testing_support::processEvents();
        }
        std::cout << "[          ] " << seconds << " s of audio decoded and shown in "
                  << clock.elapsed() << " ms\n";

        const QString box = form.receivedText().Text1Content->text();
        ASSERT_TRUE(box.startsWith(u"Quorvin\r\n"));
        received = box.mid(9);
        EXPECT_EQ(form.Text1->toPlainText(), receiver::DisplayText(box));
        form.Form_Unload();
        QFile file(QDir(programFolder.path()).filePath(QStringLiteral("quorvin_autolog.log")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        autolog = file.readAll();
    }
    QDir::setCurrent(previousCurrent);

    std::cout << "[          ] " << received.size() << " characters received\n";
    const double cer = pskmodem::characterErrorRate(
        signal.text, KVXmodules::ToWindows1252(received).toStdString());
    EXPECT_LT(cer, 0.01) << "sent:\n" << signal.text << "\nreceived:\n" << received.toStdString();
    EXPECT_TRUE(received.contains(u"\r\r\n") || signal.text.find('\r') == std::string::npos);
    EXPECT_TRUE(sound.played().isEmpty());

    // The autolog: one banner, then exactly the text the box received.
    const QRegularExpression banner(
        QStringLiteral("^\r\n\r\n\\*\\*\\*Quorvin AutoLog Activated at->\\d\\d:\\d\\d:\\d\\d  "
                       "Date:\\d\\d-\\d\\d-\\d{4}\\*\\*\\*\r\n"));
    const QString logText = KVXmodules::FromWindows1252(autolog);
    const QRegularExpressionMatch match = banner.match(logText);
    ASSERT_TRUE(match.hasMatch()) << autolog.left(120).toStdString();
    EXPECT_EQ(logText.mid(match.capturedLength()), received);
}

}  // namespace
