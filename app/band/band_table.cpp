#include "band/band_table.h"

#include <cmath>

#include "platform/mode_names.h"

namespace band {

namespace {

constexpr double kTunedWithinHz = 15.0;

QString OneLine(const std::string& text) {
    QString line;
    line.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        // 8-bit codes as Latin-1; the library keeps line breaks, which the row shows as blanks
        // (other control codes are blanks already).
        const auto code = static_cast<unsigned char>(c);
        line += code < 0x20 ? QChar(u' ') : QChar(static_cast<char16_t>(code));
    }
    return line;
}

}  // namespace

QString ModeName(pskmodem::Mode mode, pskmodem::Speed speed) {
    return platform::ModeName(mode, speed);
}

QString DecibelText(double db) {
    if (std::isnan(db)) {
        return {};
    }
    return QStringLiteral("%1 dB").arg(std::lround(db));
}

QString TitleLine(std::span<const Row> rows, double tunedHz) {
    QString title = QStringLiteral("Band Activity - %1 signal%2")
                        .arg(rows.size())
                        .arg(rows.size() == 1 ? QString() : QStringLiteral("s"));
    const Row* tuned = nullptr;
    for (const Row& row : rows) {
        const double distance = std::abs(row.frequencyHz - tunedHz);
        if (!row.faded && distance <= kTunedWithinHz &&
            (tuned == nullptr || distance < std::abs(tuned->frequencyHz - tunedHz))) {
            tuned = &row;
        }
    }
    if (tuned != nullptr) {
        title += QStringLiteral(" - tuned %1: S/N %2").arg(tuned->frequency, tuned->snr);
        if (!tuned->imd.isEmpty()) {
            title += QStringLiteral(", IMD ") + tuned->imd;
        }
    }
    return title;
}

std::vector<int> BandTable::update(const pskmodem::BandActivitySnapshot& snapshot,
                                   const QDateTime& nowUtc, std::span<const QString> alarmStrings,
                                   bool alarmOn) {
    std::vector<int> hits;
    std::map<int, Seen> kept;
    rows_.clear();
    for (const pskmodem::ActiveSignal& signal : snapshot.signals) {
        const double quiet = snapshot.seconds - signal.lastHeardSeconds;
        if (quiet > kGoneSeconds) {
            continue;
        }
        Seen& seen = kept[signal.id];
        if (auto it = seen_.find(signal.id); it != seen_.end()) {
            seen = std::move(it->second);
        }
        // Only the characters new since the last snapshot are searched (at most what the
        // snapshot still holds).
        const auto fresh = static_cast<qsizetype>(std::min<std::uint64_t>(
            signal.characters - std::min(seen.characters, signal.characters),
            signal.recentText.size()));
        seen.characters = signal.characters;
        const QString text = OneLine(signal.recentText);
        seen.search.receive(QStringView(text).right(fresh));
        if (alarmOn) {
            for (const int slot : seen.search.search(alarmStrings)) {
                hits.push_back(slot);
                seen.alarm = true;
            }
        } else {
            seen.search.skipWaiting();
        }

        Row row;
        row.id = signal.id;
        row.frequencyHz = signal.frequencyHz;
        row.mode = signal.mode;
        row.speed = signal.speed;
        row.snrDb = signal.snrDb;
        row.imdDb = signal.imdDb;
        row.frequency = QStringLiteral("%1 Hz").arg(std::lround(signal.frequencyHz));
        row.modeName = ModeName(signal.mode, signal.speed);
        row.snr = DecibelText(signal.snrDb);
        row.imd = DecibelText(signal.imdDb);
        row.calls = QString::fromLatin1(signal.calls);
        row.heard = nowUtc.addMSecs(-std::llround(std::max(0.0, quiet) * 1000.0))
                        .toUTC()
                        .toString(QStringLiteral("HH:mm:ss"));
        row.text = text.trimmed();
        row.faded = quiet > kFadeSeconds;
        row.alarm = seen.alarm;
        rows_.push_back(std::move(row));
    }
    seen_ = std::move(kept);
    return hits;
}

std::vector<Row> OnTheAir(std::span<const Row> rows,
                          const std::optional<station::DialReading>& dial) {
    std::vector<Row> out(rows.begin(), rows.end());
    if (!dial) {
        return out;
    }
    for (Row& row : out) {
        const double rfHz = station::rfFrequencyHz(dial->dialHz, row.frequencyHz, dial->sideband);
        row.frequency = QString::fromStdString(station::formatDialHz(rfHz)) +
                        QStringLiteral(" (%1 Hz)").arg(std::lround(row.frequencyHz));
        if (dial->sideband == station::Sideband::Lower) {
            row.mode = pskmodem::mirroredMode(row.mode);
            row.modeName = ModeName(row.mode);
        }
    }
    return out;
}

void BandTable::clear() {
    rows_.clear();
    seen_.clear();
}

}  // namespace band
