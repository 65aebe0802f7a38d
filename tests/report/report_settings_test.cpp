// The reports' rules without widgets: the [Reporting] section of the settings file, the locator
// reported, the stream's address and the status line.

#include "report/report_settings.h"

#include <gtest/gtest.h>

#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace {

using report::ReportingChoice;

// Off and empty: the file has no reporting section; anything set is written after line 48 and
// read back; a reset keeps it, as it keeps the rig; a file without the section (an older one)
// reads as off.
TEST(ReportSettings, SectionAfterLine48OnlyWhenSomethingIsSet) {
    KVXmodules::SettingsRecord record;
    KVXmodules::DefaultSetValues(record);
    const QByteArray plain = KVXmodules::SettingsFileBytes(record, {}, u"0.1.0");
    EXPECT_FALSE(plain.contains("[Reporting]"));
    EXPECT_EQ(report::ReportingOf(record), ReportingChoice{});

    for (const ReportingChoice& choice : {
             ReportingChoice{true, {}, {}, {}, false},
             ReportingChoice{false, "JO20aw", {}, {}, false},
             ReportingChoice{false, {}, "dipole 10 m up", {}, false},
             ReportingChoice{false, {}, {}, "127.0.0.1:7300", false},
             ReportingChoice{false, {}, {}, {}, true},
             ReportingChoice{true, "IO91wm", "loop", "localhost:9", true},
         }) {
        report::KeepReporting(choice, record);
        const QByteArray bytes = KVXmodules::SettingsFileBytes(record, {}, u"0.1.0");
        const QList<QByteArray> lines = bytes.split('\n');
        EXPECT_GT(lines.indexOf("[Reporting]\r"), 47);
        KVXmodules::SettingsRecord read;
        KVXmodules::ReadSettingsFile(bytes, read);
        EXPECT_EQ(report::ReportingOf(read), choice);

        KVXmodules::DefaultSetValues(read);
        EXPECT_EQ(report::ReportingOf(read), choice);

        KVXmodules::SettingsRecord older = read;
        KVXmodules::ReadSettingsFile(plain, older);
        EXPECT_EQ(report::ReportingOf(older), ReportingChoice{});
    }
}

TEST(ReportSettings, KeptWithoutBlanksAtTheEnds) {
    KVXmodules::SettingsRecord record;
    report::KeepReporting(ReportingChoice{true, " JO20AW ", " dipole ", " 127.0.0.1:7300 ", true},
                          record);
    EXPECT_EQ(report::ReportingOf(record),
              (ReportingChoice{true, "JO20AW", "dipole", "127.0.0.1:7300", true}));
}

TEST(ReportSettings, LocatorReportedIsTheOneGivenElseTheHomeLocator) {
    const struct {
        const char* own;
        const char* home;
        const char* reported;
    } cases[] = {
        {"", "jo20aw", "JO20AW"},
        {"io91wm", "JO20AW", "IO91WM"},
        {" ", "", ""},
    };
    for (const auto& c : cases) {
        ReportingChoice choice;
        choice.locator = QString::fromUtf8(c.own);
        EXPECT_EQ(report::ReportedLocator(choice, QString::fromUtf8(c.home)),
                  QString::fromUtf8(c.reported));
    }
}

TEST(ReportSettings, StreamAddressIsNoneEmptyOrHostPort) {
    const struct {
        const char* text;
        bool address;
        bool error;
    } cases[] = {
        {"", false, false},           {"  ", false, false},       {"127.0.0.1:7300", true, false},
        {"localhost:9", true, false}, {"127.0.0.1", false, true}, {"host:0", false, true},
        {"host:70000", false, true},  {":7300", false, true},
    };
    for (const auto& c : cases) {
        const report::StreamAddress stream = report::StreamAddressOf(QString::fromUtf8(c.text));
        EXPECT_EQ(stream.address.has_value(), c.address) << c.text;
        EXPECT_EQ(!stream.error.isEmpty(), c.error) << c.text;
    }
}

TEST(ReportSettings, StatusTellsWhatRunsAndWhyNoSpotsGo) {
    report::ReportingState sending;
    sending.spotsOn = true;
    sending.hasCall = true;
    sending.hasDial = true;
    sending.reporter =
        station::ReportStatus{.spotsSent = 3, .datagramsSent = 1, .pending = 2, .lastError = {}};
    report::ReportingState failing = sending;
    failing.reporter->lastError = "network unreachable";
    report::ReportingState demo = sending;
    demo.soundCard = false;
    demo.heardLogOn = true;
    demo.reporter.reset();
    report::ReportingState noDial = sending;
    noDial.hasDial = false;
    noDial.reporter.reset();
    report::ReportingState noCall = noDial;
    noCall.hasCall = false;
    report::ReportingState stream;
    stream.streamOn = true;
    stream.streamSent = 12;
    report::ReportingState logging = noDial;
    logging.spotsOn = false;
    logging.heardLogOn = true;
    report::ReportingState logged = logging;
    logged.hasDial = true;
    logged.logged = 4;
    logged.heardLogError = "disk full";
    const struct {
        report::ReportingState state;
        const char* text;
    } cases[] = {
        {report::ReportingState{}, "Reporting is off."},
        {sending, "Spots: 3 sent, 2 pending"},
        {failing, "Spots: 3 sent, 2 pending; last error: network unreachable"},
        {demo,
         "Spots: reports are sent only for what the sound card receives\nHeard log: only what "
         "the sound card receives"},
        {noDial, "Spots: reports need the rig's dial"},
        {noCall, "Spots: reports need your call sign: Setup > Enter your call..."},
        {stream, "Stream: 12 messages sent"},
        {logging, "Heard log: needs the rig's dial"},
        {logged, "Heard log: 4 calls confirmed; last error: disk full"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(report::StatusText(c.state), QString::fromUtf8(c.text));
    }
    EXPECT_TRUE(report::SpotsBlockedBy(sending).isEmpty());
}

TEST(ReportSettings, CaptionCarriesTheSpotsStatusLast) {
    report::ReportingState sending;
    sending.spotsOn = true;
    sending.hasCall = true;
    sending.hasDial = true;
    sending.reporter = station::ReportStatus{};
    report::ReportingState busy = sending;
    busy.reporter = station::ReportStatus{
        .spotsSent = 7, .datagramsSent = 2, .pending = 3, .lastError = "unreachable"};
    report::ReportingState dialLost = busy;
    dialLost.hasDial = false;
    report::ReportingState noDial = sending;
    noDial.hasDial = false;
    noDial.reporter.reset();
    report::ReportingState noCall = sending;
    noCall.hasCall = false;
    report::ReportingState demo = sending;
    demo.soundCard = false;
    const struct {
        report::ReportingState state;
        const char* text;
    } cases[] = {
        {report::ReportingState{}, ""},
        {sending, "spots: 0 sent"},
        {busy, "spots: 7 sent, 3 pending, network error"},
        {dialLost, "spots: 7 sent, 3 pending, network error"},
        {noDial, "no spots: no dial"},
        {noCall, "no spots: no call sign"},
        {demo, "no spots: not the sound card"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(report::CaptionText(c.state), QString::fromUtf8(c.text));
    }
    const struct {
        const char* caption;
        const char* before;
        const char* now;
        const char* shown;
    } captions[] = {
        {"Quorvin - 14.070.000 USB", "", "spots: 1 sent",
         "Quorvin - 14.070.000 USB - spots: 1 sent"},
        {"Quorvin - spots: 1 sent", "spots: 1 sent", "spots: 2 sent", "Quorvin - spots: 2 sent"},
        {"Quorvin - spots: 2 sent", "spots: 2 sent", "", "Quorvin"},
        {"Quorvin", "spots: 2 sent", "", "Quorvin"},
    };
    for (const auto& c : captions) {
        EXPECT_EQ(report::CaptionWithStatus(QString::fromUtf8(c.caption),
                                            QString::fromUtf8(c.before), QString::fromUtf8(c.now)),
                  QString::fromUtf8(c.shown));
    }
}

}  // namespace
