#pragma once

// The rows of the band activity window, free of widgets: each signal of the newest band
// snapshot with its read-outs as the window shows them, faded after a minute of silence and
// gone after three, and the alarm strings searched through what each signal sends.

#include <QDateTime>
#include <QString>
#include <map>
#include <optional>
#include <span>
#include <vector>

#include "platform/alarm_search.h"
#include "pskmodem/band/band_activity.h"
#include "station/dial.h"

namespace band {

inline constexpr double kFadeSeconds = 60.0;
inline constexpr double kGoneSeconds = 180.0;

struct Row {
    int id = 0;
    double frequencyHz = 0.0;
    pskmodem::Mode mode = pskmodem::Mode::Bpsk;
    pskmodem::Speed speed = pskmodem::Speed::Psk31;
    double snrDb = 0.0;
    double imdDb = 0.0;  // NaN without a reading
    QString frequency;   // "1500 Hz"
    QString modeName;    // "BPSK31", "QPSK31 USB", "QPSK63 LSB", "BPSK125", ...
    QString snr;         // "12 dB"
    QString imd;         // "-28 dB"; blank without a reading
    QString calls;
    QString heard;  // last heard, "hh:mm:ss" UTC
    QString text;   // the newest text, one line
    bool faded = false;
    bool alarm = false;  // an alarm string was found in what it sent
};

QString ModeName(pskmodem::Mode mode, pskmodem::Speed speed = pskmodem::Speed::Psk31);
// Whole dB, with a minus sign where negative; blank for NaN.
QString DecibelText(double db);

// The window's title: "Band Activity", the number of signals and, when one of them is the
// tuned signal (within 15 Hz of `tunedHz`), its S/N and IMD.
QString TitleLine(std::span<const Row> rows, double tunedHz);

// The rows as they are on the air through the rig's `dial`: each frequency on the air before the
// audio frequency ("14.071.520 (1520 Hz)") and, on the lower sideband, the QPSK31 sideband
// turned over to the one on the air (a click tunes to that). Without a dial, the rows as they are.
std::vector<Row> OnTheAir(std::span<const Row> rows,
                          const std::optional<station::DialReading>& dial);

class BandTable {
  public:
    // Takes `snapshot`, taken at `nowUtc`: renews the rows and searches the characters new
    // since the last snapshot for the alarm strings (slots 0..2 of `alarmStrings`) when
    // `alarmOn`. Returns the slots of the hits, in the order found.
    std::vector<int> update(const pskmodem::BandActivitySnapshot& snapshot, const QDateTime& nowUtc,
                            std::span<const QString> alarmStrings, bool alarmOn);
    const std::vector<Row>& rows() const noexcept { return rows_; }
    void clear();

  private:
    struct Seen {
        std::uint64_t characters = 0;
        platform::AlarmSearch search;
        bool alarm = false;
    };
    std::vector<Row> rows_;
    std::map<int, Seen> seen_;  // by signal id
};

}  // namespace band
