#include "rig/rig_settings.h"

#include <algorithm>

#include "settings/settings_record.h"

namespace rig {
namespace {

QString Suffix(QStringView dialText) {
    return dialText.isEmpty() ? QString() : QStringLiteral(" - ") + dialText.toString();
}

}  // namespace

std::optional<station::RigAddress> RigAddressOf(const KVXmodules::SettingsRecord& record) {
    if (record.RigModel <= 0) {
        return std::nullopt;
    }
    return station::RigAddress{.model = record.RigModel,
                               .port = record.RigPort.toStdString(),
                               .speed = record.RigSpeed > 0 ? record.RigSpeed : 0};
}

void KeepRigAddress(const std::optional<station::RigAddress>& address,
                    KVXmodules::SettingsRecord& record) {
    record.RigModel = address ? address->model : 0;
    record.RigPort = address ? QString::fromStdString(address->port) : QString();
    record.RigSpeed = address ? address->speed : 0;
}

QString DialText(const station::RigStatus& status) {
    switch (status.state) {
        case station::RigStatus::State::Answering:
            return status.reading ? QString::fromStdString(station::formatDial(*status.reading))
                                  : QString();
        case station::RigStatus::State::NotAnswering:
            return QString::fromUtf16(kRigNotAnswering);
        case station::RigStatus::State::Starting:
            break;
    }
    return {};
}

QString CaptionWithDial(QStringView caption, QStringView shownBefore, QStringView dialText) {
    QString out = caption.toString();
    const QString before = Suffix(shownBefore);
    if (!before.isEmpty() && out.endsWith(before)) {
        out.chop(before.size());
    }
    return out + Suffix(dialText);
}

const std::vector<int>& SerialSpeeds() {
    static const std::vector<int> speeds{0, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return speeds;
}

QString ModelLabel(const station::RigModel& model) {
    QString name = QString::fromStdString(model.maker);
    if (!model.name.empty()) {
        if (!name.isEmpty()) {
            name += u' ';
        }
        name += QString::fromStdString(model.name);
    }
    return QStringLiteral("%1 (%2)").arg(name).arg(model.model);
}

QString TestResultText(const station::RigRead& read) {
    if (read.reading) {
        return QStringLiteral("Read ") + QString::fromStdString(station::formatDial(*read.reading));
    }
    return QString::fromStdString(read.error);
}

RigChoice ChoiceOf(const KVXmodules::SettingsRecord& record) {
    RigChoice choice;
    if (record.RigModel == station::kNetworkRigModel) {
        choice.kind = RigChoice::Kind::Daemon;
        choice.hostPort = record.RigPort;
    } else if (record.RigModel > 0) {
        choice.kind = RigChoice::Kind::Model;
        choice.model = record.RigModel;
        choice.port = record.RigPort;
        choice.speed = record.RigSpeed;
    }
    return choice;
}

ChosenRig RigOfChoice(const RigChoice& choice) {
    switch (choice.kind) {
        case RigChoice::Kind::None:
            break;
        case RigChoice::Kind::Daemon: {
            const QString hostPort = choice.hostPort.trimmed();
            if (!station::parseHostPort(hostPort.toStdString())) {
                return {std::nullopt, QStringLiteral("Give rigctld's HOST:PORT, such as "
                                                     "127.0.0.1:4532.")};
            }
            return {station::RigAddress::daemon(hostPort.toStdString()), {}};
        }
        case RigChoice::Kind::Model:
            if (choice.model <= 0) {
                return {std::nullopt, QStringLiteral("Choose the rig's model.")};
            }
            return {station::RigAddress{.model = choice.model,
                                        .port = choice.port.trimmed().toStdString(),
                                        .speed = std::max(choice.speed, 0)},
                    {}};
    }
    return {std::nullopt, {}};
}

}  // namespace rig
