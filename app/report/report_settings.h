#pragma once

// The reports' settings and what the program says of them, without widgets: the choice the
// Reporting window shows and the record keeps, the locator reported, the stream's address and the
// status line.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

#include "station/dial.h"
#include "station/report.h"

namespace KVXmodules {
struct SettingsRecord;
}

namespace report {

// The heard-stations log's file name in the program folder.
inline constexpr char16_t kHeardLogFileName[] = u"heard.adi";
// Why no spots go out although they are switched on.
inline constexpr char16_t kNeedsSoundCard[] =
    u"reports are sent only for what the sound card receives";
inline constexpr char16_t kNeedsDial[] = u"reports need the rig's dial";
inline constexpr char16_t kNeedsCall[] = u"reports need your call sign: Setup > Enter your call...";

// What the Reporting window shows as chosen and the settings record keeps.
struct ReportingChoice {
    bool spots = false;  // spots go to the reception-report network
    QString locator;     // empty: the locator window's home locator
    QString antenna;
    QString stream;  // HOST:PORT, empty: no stream
    bool heardLog = false;

    bool operator==(const ReportingChoice&) const = default;
};

ReportingChoice ReportingOf(const KVXmodules::SettingsRecord& record);
// Puts `choice` into the record, its texts without blanks at either end.
void KeepReporting(const ReportingChoice& choice, KVXmodules::SettingsRecord& record);
// Whether anything of it is on: spots, a stream or the log.
bool AnythingOn(const ReportingChoice& choice);

// The locator reported: the one chosen, else the home locator, upper case.
QString ReportedLocator(const ReportingChoice& choice, const QString& homeLocator);

// The stream's address: none for an empty text, else HOST:PORT or why the text is none.
struct StreamAddress {
    std::optional<station::HostPort> address;
    QString error;
};
StreamAddress StreamAddressOf(const QString& text);

// What the status line tells.
struct ReportingState {
    bool spotsOn = false;
    bool soundCard = true;  // the engine hears the sound card (not a recording or the simulator)
    bool hasCall = false;
    bool hasDial = false;
    std::optional<station::ReportStatus> reporter;  // while spots are being sent
    bool streamOn = false;
    std::uint64_t streamSent = 0;
    QString streamError;
    bool heardLogOn = false;
    std::uint64_t logged = 0;  // records written
    QString heardLogError;
};

// Why spots switched on are not sent, or empty when they are.
QString SpotsBlockedBy(const ReportingState& state);
// One line per part that is on ("Spots: 3 sent, 1 pending", or why none go; "Stream: 12 messages
// sent"; "Heard log: 2 calls confirmed"), with its last error; "Reporting is off." when none is.
QString StatusText(const ReportingState& state);

// What the main window's caption carries while spots are switched on: "spots: 3 sent",
// "spots: 3 sent, 2 pending, network error", or why none go ("no spots: no dial", "no spots: no
// call sign", "no spots: not the sound card"); empty while they are off.
QString CaptionText(const ReportingState& state);
// The caption with `text` after it (" - spots: 3 sent"), put in place of the text `shownBefore`
// that the caption ends with; an empty `text` takes it away.
QString CaptionWithStatus(QStringView caption, QStringView shownBefore, QStringView text);

}  // namespace report
