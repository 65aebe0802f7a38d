#include "report/report_settings.h"

#include <QStringList>

#include "settings/settings_record.h"

namespace report {

ReportingChoice ReportingOf(const KVXmodules::SettingsRecord& record) {
    return ReportingChoice{KVXmodules::IsSet(record.ReportSpots), record.ReportLocator,
                           record.ReportAntenna, record.ReportStream,
                           KVXmodules::IsSet(record.HeardLog)};
}

void KeepReporting(const ReportingChoice& choice, KVXmodules::SettingsRecord& record) {
    record.ReportSpots = choice.spots ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
    record.ReportLocator = choice.locator.trimmed();
    record.ReportAntenna = choice.antenna.trimmed();
    record.ReportStream = choice.stream.trimmed();
    record.HeardLog = choice.heardLog ? KVXmodules::kFlagSet : KVXmodules::kFlagClear;
}

bool AnythingOn(const ReportingChoice& choice) {
    return choice.spots || choice.heardLog || !choice.stream.trimmed().isEmpty();
}

QString ReportedLocator(const ReportingChoice& choice, const QString& homeLocator) {
    const QString own = choice.locator.trimmed();
    return (own.isEmpty() ? homeLocator.trimmed() : own).toUpper();
}

StreamAddress StreamAddressOf(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return {};
    }
    if (auto address = station::parseHostPort(trimmed.toStdString())) {
        return {std::move(address), {}};
    }
    return {std::nullopt,
            QStringLiteral("Give the stream's HOST:PORT, such as 127.0.0.1:7300, or leave it "
                           "empty.")};
}

QString SpotsBlockedBy(const ReportingState& state) {
    if (!state.spotsOn) {
        return {};
    }
    if (!state.soundCard) {
        return QString::fromUtf16(kNeedsSoundCard);
    }
    if (!state.hasCall) {
        return QString::fromUtf16(kNeedsCall);
    }
    if (!state.hasDial) {
        return QString::fromUtf16(kNeedsDial);
    }
    return {};
}

QString StatusText(const ReportingState& state) {
    QStringList lines;
    const auto withError = [](QString line, const QString& error) {
        return error.isEmpty() ? line : line + QStringLiteral("; last error: ") + error;
    };
    if (state.spotsOn) {
        const QString blocked = SpotsBlockedBy(state);
        if (state.reporter) {
            QString line = QStringLiteral("Spots: %1 sent, %2 pending")
                               .arg(state.reporter->spotsSent)
                               .arg(state.reporter->pending);
            if (!blocked.isEmpty()) {
                line += QStringLiteral(" (") + blocked + u')';
            }
            lines.append(withError(line, QString::fromStdString(state.reporter->lastError)));
        } else {
            lines.append(QStringLiteral("Spots: ") + blocked);
        }
    }
    if (state.streamOn) {
        lines.append(withError(QStringLiteral("Stream: %1 messages sent").arg(state.streamSent),
                               state.streamError));
    }
    if (state.heardLogOn) {
        if (!state.soundCard) {
            lines.append(QStringLiteral("Heard log: only what the sound card receives"));
        } else if (!state.hasDial && state.logged == 0) {
            lines.append(QStringLiteral("Heard log: needs the rig's dial"));
        } else {
            lines.append(
                withError(QStringLiteral("Heard log: %1 calls confirmed").arg(state.logged),
                          state.heardLogError));
        }
    }
    if (lines.isEmpty()) {
        return QStringLiteral("Reporting is off.");
    }
    return lines.join(u'\n');
}

QString CaptionText(const ReportingState& state) {
    if (!state.spotsOn) {
        return {};
    }
    if (!state.soundCard) {
        return QStringLiteral("no spots: not the sound card");
    }
    if (!state.hasCall) {
        return QStringLiteral("no spots: no call sign");
    }
    if (!state.hasDial && !state.reporter) {
        return QStringLiteral("no spots: no dial");
    }
    const station::ReportStatus status = state.reporter.value_or(station::ReportStatus{});
    QString text = QStringLiteral("spots: %1 sent").arg(status.spotsSent);
    if (status.pending > 0) {
        text += QStringLiteral(", %1 pending").arg(status.pending);
    }
    if (!status.lastError.empty()) {
        text += QStringLiteral(", network error");
    }
    return text;
}

QString CaptionWithStatus(QStringView caption, QStringView shownBefore, QStringView text) {
    const auto suffix = [](QStringView part) {
        return part.isEmpty() ? QString() : QStringLiteral(" - ") + part.toString();
    };
    QString out = caption.toString();
    const QString before = suffix(shownBefore);
    if (!before.isEmpty() && out.endsWith(before)) {
        out.chop(before.size());
    }
    return out + suffix(text);
}

}  // namespace report
