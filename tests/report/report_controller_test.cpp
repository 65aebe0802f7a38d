// The reports in the program, on an engine that hands out chosen band snapshots and a dial given
// by the test: the whole-band decoding runs while anything is on, also after the band window
// closes; lines and snapshots go to the live stream (a UDP listener on a free loopback port);
// confirmed calls go to the heard-stations log and the reporter only from the sound card and
// with a dial; the status says why not; switching off lets everything go.

#include "report/report_controller.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

#include "platform/band_activity_demand.h"
#include "platform/psk_engine.h"
#include "platform/rig_dial.h"
#include "settings/settings_record.h"
#include "support/form_harness.h"
#include "support/test_files.h"

namespace {

using report::ReportingChoice;

// Hands out `snapshot` once each time its serial grows; records the band decoding's switching.
class SnapshotEngine final : public platform::PskEngine {
  public:
    pskmodem::BandActivitySnapshot snapshot;
    std::vector<int> bandSwitches;

    void publish(std::vector<pskmodem::ActiveSignal> signals) {
        snapshot.signals = std::move(signals);
        ++snapshot.serial;
    }

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
    std::int32_t fnGetVectorData(std::int32_t*, std::int32_t) override { return 0; }
    std::int32_t fnSetBandActivity(std::int32_t on) override {
        bandSwitches.push_back(on);
        return 0;
    }
    std::int32_t fnGetBandActivity(pskmodem::BandActivitySnapshot& out) override {
        if (out.serial == snapshot.serial) {
            return 0;
        }
        out = snapshot;
        return 1;
    }
};

class GivenDial final : public platform::RigDial {
  public:
    std::optional<station::DialReading> reading;
    std::optional<station::DialReading> dial() const override { return reading; }
};

// A UDP listener on a free loopback port.
class Listener {
  public:
    Listener() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t size = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    QString hostPort() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    int port() const { return port_; }

    // The datagrams that arrive within `limitMs`, until `count` have.
    std::vector<std::string> receive(std::size_t count, int limitMs) {
        std::vector<std::string> got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && clock.elapsed() < limitMs) {
            pollfd ready{fd_, POLLIN, 0};
            if (poll(&ready, 1, 50) <= 0) {
                continue;
            }
            std::string datagram(65536, '\0');
            const ssize_t size = recv(fd_, datagram.data(), datagram.size(), 0);
            if (size > 0) {
                datagram.resize(static_cast<std::size_t>(size));
                got.push_back(std::move(datagram));
            }
        }
        return got;
    }

  private:
    int fd_;
    int port_ = 0;
};

pskmodem::ActiveSignal Station(int id, const std::string& text) {
    pskmodem::ActiveSignal signal;
    signal.id = id;
    signal.frequencyHz = 1520.0;
    signal.snrDb = 9.0;
    signal.recentText = text;
    signal.characters = text.size();
    signal.live = true;
    return signal;
}

const station::DialReading kDial{
    .dialHz = 14'070'000, .mode = "USB", .sideband = station::Sideband::Upper};

struct Rig {
    explicit Rig(bool soundCard = true, int reportPort = 9) {
        settings.OperatorCall = QStringLiteral("QX1AA");
        controller = std::make_unique<ReportController>(ReportServices{
            settings, owner, engine, demand, &dial, soundCard, folder.path(),
            [this] { ++statusChanges; }, "127.0.0.1", reportPort, std::chrono::milliseconds(1000),
            [] { return std::int64_t{1'765'000'000}; }});
    }

    QString heardLog() const { return QDir(folder.path()).filePath(QStringLiteral("heard.adi")); }

    KVXmodules::SettingsRecord settings;
    QWidget owner;
    SnapshotEngine engine;
    platform::BandActivityDemand demand{engine};
    GivenDial dial;
    QTemporaryDir folder;
    int statusChanges = 0;
    std::unique_ptr<ReportController> controller;
};

TEST(ReportController, BandDecodingRunsWhileAnyoneNeedsIt) {
    Rig rig;
    ReportController& reports = *rig.controller;
    reports.showLoaded(rig.settings);
    EXPECT_TRUE(rig.engine.bandSwitches.empty());
    EXPECT_FALSE(reports.active());

    // The band window opens, then reporting starts: the engine is told once.
    rig.demand.need(platform::BandActivityDemand::User::BandWindow, true);
    reports.apply(ReportingChoice{false, {}, {}, {}, true});
    EXPECT_TRUE(reports.active());
    // The band window closes: the decoding goes on for the log.
    rig.demand.need(platform::BandActivityDemand::User::BandWindow, false);
    EXPECT_EQ(rig.engine.bandSwitches, std::vector<int>{1});
    // Off: the last one lets it go.
    reports.apply(ReportingChoice{});
    EXPECT_EQ(rig.engine.bandSwitches, (std::vector<int>{1, 0}));
    EXPECT_FALSE(reports.active());
    EXPECT_FALSE(QFile::exists(rig.heardLog()));
}

TEST(ReportController, LinesAndSnapshotsGoToTheStream) {
    Listener listener;
    Rig rig;
    ReportController& reports = *rig.controller;
    reports.apply(ReportingChoice{false, {}, {}, listener.hostPort(), false});
    ASSERT_TRUE(reports.streaming());
    rig.dial.reading = kDial;
    rig.engine.publish({Station(1, "CQ CQ de QR9ZZ QR9ZZ pse k\r\n")});
    reports.ReportTimer_Timer();
    const std::vector<std::string> got = listener.receive(2, 5000);
    ASSERT_EQ(got.size(), 2U);
    EXPECT_NE(got[0].find(R"("type":"line")"), std::string::npos) << got[0];
    EXPECT_NE(got[0].find(R"("rf_hz":14071520)"), std::string::npos) << got[0];
    EXPECT_NE(got[0].find(R"("calls":["QR9ZZ"])"), std::string::npos) << got[0];
    EXPECT_NE(got[1].find(R"("type":"band")"), std::string::npos) << got[1];
    EXPECT_NE(got[1].find(R"("dial_hz":14070000)"), std::string::npos) << got[1];
    // Nothing new, nothing sent.
    reports.ReportTimer_Timer();
    EXPECT_TRUE(listener.receive(1, 300).empty());
    EXPECT_TRUE(reports.statusText().startsWith(u"Stream: "));
    // Spots and the log stay off: nothing was written.
    EXPECT_FALSE(reports.reporting());
    EXPECT_FALSE(QFile::exists(rig.heardLog()));
}

TEST(ReportController, SpotsAndTheLogFromTheSoundCardWithADialOnly) {
    Listener network;
    Rig rig(true, network.port());
    ReportController& reports = *rig.controller;
    reports.apply(ReportingChoice{true, "JO20AW", "dipole", {}, true});
    // No dial yet: no reporter, and the status says why.
    EXPECT_FALSE(reports.reporting());
    EXPECT_TRUE(reports.statusText().contains(u"reports need the rig's dial"))
        << reports.statusText().toStdString();
    EXPECT_GT(rig.statusChanges, 0);
    rig.engine.publish({Station(1, "CQ CQ de QR9ZZ QR9ZZ pse k\r\n")});
    reports.ReportTimer_Timer();
    EXPECT_FALSE(QFile::exists(rig.heardLog()));

    rig.dial.reading = kDial;
    rig.engine.publish({Station(1, "CQ CQ de QR9ZZ QR9ZZ pse k\r\ncq de QT5MK QT5MK k\r\n")});
    reports.ReportTimer_Timer();
    EXPECT_TRUE(reports.reporting());
    // The log is written on its own thread.
    QElapsedTimer clock;
    clock.start();
    while (!testing_support::ReadAll(rig.heardLog()).contains("QT5MK") && clock.elapsed() < 5000) {
        QThread::msleep(5);
    }
    const QByteArray log = testing_support::ReadAll(rig.heardLog());
    EXPECT_TRUE(log.contains("<CALL:5>QT5MK")) << log.toStdString();
    EXPECT_FALSE(log.contains("QR9ZZ"));  // heard before the dial was known
    EXPECT_TRUE(reports.statusText().startsWith(u"Spots: 0 sent, 1 pending"))
        << reports.statusText().toStdString();

    // Off: the reporter goes, sending what is pending (to the loopback listener): one IPFIX
    // message (version 10) that carries the call and the receiver's.
    reports.apply(ReportingChoice{});
    const std::vector<std::string> sent = network.receive(1, 5000);
    ASSERT_EQ(sent.size(), 1U);
    EXPECT_EQ(sent[0].substr(0, 2), std::string("\x00\x0a", 2));
    EXPECT_NE(sent[0].find("QT5MK"), std::string::npos);
    EXPECT_NE(sent[0].find("QX1AA"), std::string::npos);
    EXPECT_NE(sent[0].find("JO20AW"), std::string::npos);
    EXPECT_NE(sent[0].find("Quorvin "), std::string::npos);
    EXPECT_EQ(sent[0].find("QR9ZZ"), std::string::npos);
    EXPECT_FALSE(reports.reporting());
    EXPECT_FALSE(reports.logging());
    EXPECT_EQ(reports.statusText(), QStringLiteral("Reporting is off."));
}

TEST(ReportController, NeverFromARecordingOrTheSimulator) {
    Listener listener;
    Rig rig(false);
    rig.dial.reading = kDial;
    ReportController& reports = *rig.controller;
    reports.apply(ReportingChoice{true, {}, {}, listener.hostPort(), true});
    EXPECT_FALSE(reports.reporting());
    EXPECT_FALSE(reports.logging());
    EXPECT_TRUE(
        reports.statusText().contains(u"reports are sent only for what the sound card receives"));
    rig.engine.publish({Station(1, "CQ CQ de QR9ZZ QR9ZZ pse k\r\n")});
    reports.ReportTimer_Timer();
    EXPECT_FALSE(QFile::exists(rig.heardLog()));
    // The stream tells what is decoded, whatever the input.
    EXPECT_EQ(listener.receive(2, 5000).size(), 2U);
}

// The reporter follows the call sign and the locator: the locator window's home unless one is
// given here.
TEST(ReportController, LocatorIsTheHomeLocatorUnlessGiven) {
    Rig rig;
    ReportController& reports = *rig.controller;
    EXPECT_TRUE(reports.reportedLocator().isEmpty());
    testing_support::WriteAll(QDir(rig.folder.path()).filePath(QStringLiteral("locator.ini")),
                              "jo20aw,\r\n");
    EXPECT_EQ(reports.reportedLocator(), QStringLiteral("JO20AW"));
    reports.apply(ReportingChoice{true, "io91wm", {}, {}, false});
    EXPECT_EQ(reports.reportedLocator(), QStringLiteral("IO91WM"));
}

// Switching on and off and every tick return at once: the network is worked elsewhere.
TEST(ReportController, TheUiThreadNeverWaitsOnTheNetwork) {
    Listener listener;
    Rig rig(true, listener.port());
    rig.dial.reading = kDial;
    ReportController& reports = *rig.controller;
    QElapsedTimer clock;
    qint64 longestMs = 0;
    for (int round = 0; round < 5; ++round) {
        for (const ReportingChoice& choice :
             {ReportingChoice{true, "JO20AW", {}, listener.hostPort(), false}, ReportingChoice{}}) {
            clock.start();
            reports.apply(choice);
            rig.engine.publish({Station(round + 1, "de QR9ZZ QR9ZZ\n")});
            reports.ReportTimer_Timer();
            longestMs = std::max(longestMs, clock.elapsed());
        }
    }
    EXPECT_LT(longestMs, 50);
}

}  // namespace
