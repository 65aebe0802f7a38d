// The band activity window on the real modem engine, fed by a recording of five PSK31 stations
// and a BPSK63 one made by the library's band simulator: a row for each with its mode and speed,
// a click on a row retuning the main receiver and switching its mode, and a row with an alarm
// string highlighted and sounded.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <atomic>
#include <memory>
#include <vector>

#include "band/band_activity_window.h"
#include "band/band_controller.h"
#include "band/band_window_place.h"
#include "mainwindow/main_window.h"
#include "platform/modem_engine.h"
#include "platform/picture_box.h"
#include "pskmodem/signals/simulator.h"
#include "pskmodem/sources/audio_file.h"
#include "receiver/receive_controller.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/held_recording.h"
#include "support/recording_clipboard.h"
#include "support/recording_sound_player.h"
#include "support/scripted_dialogs.h"

namespace {

using pskmodem::Mode;

constexpr int kTimeoutMs = 90000;
constexpr double kRecordingSeconds = 30.0;

const std::vector<pskmodem::SimulatedSignal> kStations = [] {
    std::vector<pskmodem::SimulatedSignal> stations{
        {500.0, Mode::Bpsk, 15.0, 0.0, "CQ CQ CQ DE QX2ABC QX2ABC QX2ABC PSE K\r\n"},
        {800.0, Mode::QpskUsb, 15.0, 0.0, "CQ CQ DE QT5MK QT5MK QPSK31 test, name Robin K\r\n"},
        {1200.0, Mode::Bpsk, 15.0, 0.0, "QH1JK DE QR9ZZ TNX FER CALL, RST 599 599 KN\r\n"},
        {1700.0, Mode::Bpsk, 15.0, 0.0, "QB4NN DE QA7XYZ GM OM, NAME SAM QTH ARDMOOR KN\r\n"},
        {2300.0, Mode::Bpsk, 15.0, 0.0, "CQ DX CQ DX DE QC3PQ QC3PQ QC3PQ DX K\r\n"},
        {2700.0, Mode::Bpsk, 15.0, 0.0, "CQ TEST CQ TEST DE QS6PQ QS6PQ BPSK63 contest K\r\n"},
    };
    stations.back().speed = pskmodem::Speed::Psk63;
    return stations;
}();

void ClickRow(QTableWidget& table, int row) {
    QWidget* viewport = table.viewport();
    const QPoint at = table.visualItemRect(table.item(row, 0)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
}

// Where the window opens beside the main window, on a screen of 1600 x 1000 whose free area
// starts 30 pixels down (below a panel); it may be made as low as 180 pixels.
TEST(BandActivityPlace, BesideTheMainWindowWithinTheScreen) {
    const QRect screen(0, 30, 1600, 970);
    struct Case {
        const char* where;
        QRect owner;
        QSize size;
        QRect place;
    };
    for (const Case& c : {
             Case{"right of it, level with its top", QRect(100, 100, 660, 520), QSize(800, 380),
                  QRect(760, 100, 800, 380)},
             Case{"right, moved up to stay on the screen", QRect(100, 700, 660, 280),
                  QSize(800, 380), QRect(760, 620, 800, 380)},
             Case{"left where the right has no room", QRect(900, 100, 660, 520), QSize(800, 380),
                  QRect(100, 100, 800, 380)},
             Case{"below where neither side has room", QRect(400, 30, 800, 500), QSize(900, 380),
                  QRect(400, 530, 900, 380)},
             Case{"below, moved left to stay on the screen", QRect(800, 30, 500, 500),
                  QSize(900, 380), QRect(700, 530, 900, 380)},
             Case{"above where below has no room", QRect(400, 500, 800, 480), QSize(900, 380),
                  QRect(400, 120, 900, 380)},
             Case{"nowhere whole: lower, above it", QRect(470, 270, 660, 520), QSize(900, 380),
                  QRect(470, 30, 900, 240)},
             Case{"nowhere whole: lower, below it", QRect(470, 200, 660, 520), QSize(900, 380),
                  QRect(470, 720, 900, 280)},
             Case{"no room either: at the top of the screen, over its caption",
                  QRect(470, 150, 660, 720), QSize(900, 380), QRect(470, 30, 900, 380)},
             Case{"larger than the screen: below it, at the screen's left", QRect(0, 30, 600, 400),
                  QSize(1700, 1100), QRect(0, 430, 1700, 570)},
         }) {
        SCOPED_TRACE(c.where);
        const QRect place = band::BesideWindow(c.owner, c.size, screen, 180);
        EXPECT_EQ(place, c.place);
        if (c.size.width() <= screen.width()) {
            EXPECT_TRUE(screen.contains(place));
            // The waterfall, the owner's lowest 150 pixels, stays uncovered.
            EXPECT_FALSE(place.intersects(c.owner.adjusted(0, c.owner.height() - 150, 0, 0)));
        }
    }
}

// The window opens where it stood when it closed, exactly, at every start; a new one opens
// beside the main window; each row is one line of text high.
TEST(BandActivity, KeepsItsPlaceAcrossRestartsAndItsRowsFitTheirText) {
    testing_support::FormHarness harness;
    MainWindow& form = harness.show();
    form.menuband->trigger();
    BandActivityWindow* window = form.bandActivity().bandActivityWindow();
    ASSERT_NE(window, nullptr);
    testing_support::processEvents();
    const QRect waterfall(form.Picture1->mapToGlobal(QPoint(0, 0)), form.Picture1->size());
    EXPECT_FALSE(window->frameGeometry().intersects(waterfall))
        << window->frameGeometry().y() << " " << waterfall.y();

    const QPoint stood(120, 140);
    window->setGeometry(QRect(stood, window->size()));
    for (int start = 0; start < 3; ++start) {
        SCOPED_TRACE(start);
        window->close();
        EXPECT_EQ(harness.settings.BandActivityLeft, stood.x());
        EXPECT_EQ(harness.settings.BandActivityTop, stood.y());
        testing_support::processEvents();
        form.menuband->trigger();
        window = form.bandActivity().bandActivityWindow();
        ASSERT_NE(window, nullptr);
        testing_support::processEvents();
        EXPECT_EQ(window->geometry().topLeft(), stood);
    }
    form.bandActivity().RememberBandActivity();
    EXPECT_EQ(QPoint(harness.settings.BandActivityLeft, harness.settings.BandActivityTop), stood);

    const std::vector<band::Row> rows(3);
    window->showRows(rows, QStringLiteral("Band Activity"));
    const int line = window->table()->fontMetrics().height();
    for (int r = 0; r < 3; ++r) {
        EXPECT_GE(window->table()->rowHeight(r), line);
        EXPECT_LE(window->table()->rowHeight(r), line + 8);
    }
    window->close();
}

TEST(BandActivity, StationsOfARecordingAsRowsWithTheirSpeedThatTuneAndRaiseTheAlarm) {
    QTemporaryDir files;
    ASSERT_TRUE(files.isValid());
    pskmodem::SimulatorConfig band;
    band.signals = kStations;
    band.seed = 5;
    pskmodem::BandSimulator simulator(band);
    std::vector<float> audio(static_cast<std::size_t>(kRecordingSeconds * pskmodem::kSampleRateHz));
    simulator.generate(audio);
    const std::string recording =
        QDir(files.path()).filePath(QStringLiteral("band.wav")).toStdString();
    ASSERT_TRUE(pskmodem::writeAudioFile(recording, audio, pskmodem::kSampleRateHz));

    const auto released = std::make_shared<std::atomic<bool>>(false);
    const auto ended = std::make_shared<std::atomic<bool>>(false);
    QTemporaryDir programFolder;
    const QString previousCurrent = QDir::currentPath();
    KVXmodules::SettingsRecord settings;
    settings.PSKAlarm = KVXmodules::kFlagSet;
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
        settings.PSKAlarmString[0] = QStringLiteral("QB4NN");
        form.menuband->trigger();
        BandActivityWindow* window = form.bandActivity().bandActivityWindow();
        ASSERT_NE(window, nullptr);
        released->store(true);

        QElapsedTimer clock;
        clock.start();
        // The rows come first; the calls of a station are listed once its text has named them
        // twice, which the window shows at a later refresh than the one that added the rows.
        const auto rowsShown = [&] {
            return ended->load() &&
                   window->table()->rowCount() == static_cast<int>(kStations.size()) &&
                   window->table()->item(3, BandActivityWindow::Calls)->text().contains(u"QA7XYZ");
        };
        while (!rowsShown() && clock.elapsed() < kTimeoutMs) {
            testing_support::processEvents();
        }
        ASSERT_TRUE(rowsShown()) << window->table()->rowCount() << " rows";

        QTableWidget& table = *window->table();
        for (int r = 0; r < table.rowCount(); ++r) {
            const pskmodem::SimulatedSignal& station = kStations[static_cast<std::size_t>(r)];
            SCOPED_TRACE(station.text);
            const double hz =
                table.item(r, BandActivityWindow::Frequency)->text().split(u' ')[0].toDouble();
            EXPECT_NEAR(hz, station.carrierHz, 5.0);
            EXPECT_EQ(table.item(r, BandActivityWindow::Mode)->text(),
                      band::ModeName(station.mode, station.speed));
            const bool alarm = station.text.find("QB4NN") != std::string::npos;
            EXPECT_EQ(table.item(r, BandActivityWindow::Text)->background().style() != Qt::NoBrush,
                      alarm);
        }
        EXPECT_FALSE(sound.played().isEmpty());

        // A click on the QPSK31 station tunes the receiver there, in its mode.
        ClickRow(table, 1);
        EXPECT_TRUE(form.Option2->isChecked());
        while (std::abs(form.receive().receiverBuffers.ActiveFrequency - 800) > 5 &&
               clock.elapsed() < kTimeoutMs) {
            testing_support::processEvents();
        }
        EXPECT_NEAR(form.receive().receiverBuffers.ActiveFrequency, 800, 5);
        form.Form_Unload();
    }
    // It was open when the program ended: so the settings file says.
    QFile saved(QDir(programFolder.path()).filePath(QStringLiteral("QUORVIN.ini")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("[BandActivity]\r\n-1 \r\n"));
    QDir::setCurrent(previousCurrent);
}

// Each signal's row names its mode with its speed, and a click on it tunes to that mode and speed.
TEST(BandActivity, RowsNameTheModeWithItsSpeedAndAClickTunesToBoth) {
    using pskmodem::Speed;
    struct Case {
        Mode mode;
        Speed speed;
        const char* name;
    };
    const Case cases[] = {
        {Mode::Bpsk, Speed::Psk31, "BPSK31"},          {Mode::QpskLsb, Speed::Psk31, "QPSK31 LSB"},
        {Mode::Bpsk, Speed::Psk63, "BPSK63"},          {Mode::QpskUsb, Speed::Psk63, "QPSK63 USB"},
        {Mode::QpskUsb, Speed::Psk125, "QPSK125 USB"}, {Mode::Bpsk, Speed::Psk250, "BPSK250"},
        {Mode::QpskLsb, Speed::Psk250, "QPSK250 LSB"},
    };
    pskmodem::BandActivitySnapshot snapshot;
    snapshot.seconds = 60.0;
    snapshot.serial = 1;
    for (const Case& c : cases) {
        pskmodem::ActiveSignal signal;
        signal.id = static_cast<int>(snapshot.signals.size()) + 1;
        signal.frequencyHz = 400.0 * signal.id;
        signal.mode = c.mode;
        signal.speed = c.speed;
        signal.lastHeardSeconds = 59.0;
        signal.live = true;
        snapshot.signals.push_back(signal);
    }
    band::BandTable rows;
    rows.update(snapshot, QDateTime::currentDateTimeUtc(), {}, false);
    struct Tuned {
        double hz = 0.0;
        Mode mode = Mode::Bpsk;
        Speed speed = Speed::Psk31;
    } tuned;
    BandActivityWindow window(BandActivityServices{[&tuned](double hz, Mode mode, Speed speed) {
                                                       tuned = {hz, mode, speed};
                                                   },
                                                   {}});
    window.showRows(rows.rows(), QStringLiteral("Band Activity"));
    ASSERT_EQ(window.table()->rowCount(), static_cast<int>(std::size(cases)));
    for (int r = 0; r < window.table()->rowCount(); ++r) {
        const Case& c = cases[r];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(window.table()->item(r, BandActivityWindow::Mode)->text(),
                  QString::fromLatin1(c.name));
        window.Row_Click(r);
        EXPECT_EQ(tuned.hz, 400.0 * (r + 1));
        EXPECT_EQ(tuned.mode, c.mode);
        EXPECT_EQ(tuned.speed, c.speed);
    }
}

}  // namespace
