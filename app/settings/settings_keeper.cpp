#include "settings/settings_keeper.h"

#include <QCoreApplication>
#include <QFile>
#include <utility>

#include "platform/dialogs.h"

namespace KVXmodules {

namespace {

// major.minor.revision, for the first line of the settings file.
QString ProgramVersion() {
#ifdef QUORVIN_VERSION
    return QStringLiteral(QUORVIN_VERSION);
#else
    return QCoreApplication::applicationVersion();
#endif
}

}  // namespace

SettingsKeeper::SettingsKeeper(SettingsKeeperServices services) : services_(std::move(services)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { saveIfChanged(); });
}

void SettingsKeeper::addPart(SettingsPart& part) {
    parts_.push_back(&part);
}

void SettingsKeeper::DefaultSet() {
    SettingsRecord& r = services_.settings;
    // The record's values: layout, palette values, DSP values, fonts, alarm strings, mode,
    // colours, screen and waterfall speed; the remembered size off, the phase indicator on and
    // the saved DSP values following the reset ones.
    DefaultSetValues(r);
    DefaultSetFinish(r);
    for (SettingsPart* part : parts_) {
        part->showDefaults(r);
    }
}

void SettingsKeeper::load() {
    SettingsRecord& r = services_.settings;
    QByteArray bytes;
    {
        QFile file(r.SettingsFilePath);
        if (!file.open(QIODevice::ReadOnly)) {
            DefaultSet();
            return;
        }
        bytes = file.readAll();
    }
    const SettingsReadResult result = ReadSettingsFile(bytes, r);
    if (result.callSignTaken) {
        services_.setCaption(r.CaptionPrefix + r.OperatorCall);
    }
    if (result.failed) {
        return;
    }
    for (SettingsPart* part : parts_) {
        part->showLoaded(r);
    }
}

void SettingsKeeper::save() {
    SettingsRecord& r = services_.settings;
    PrepareDSPForSave(r);
    // The program holds no file open between commands (logs and the notebook are opened and
    // closed within one handler), so there is nothing to close first.
    const WindowSizeTwips size = services_.windowSize();
    const QByteArray bytes = SettingsFileBytes(r, size, ProgramVersion());
    const FileWriteResult result = WriteFileReplacing(r.SettingsFilePath, bytes);
    if (result.ok) {
        savedKey_ = SettingsChangeKey(r, size, ProgramVersion());
    } else {
        services_.dialogs.msgBox(
            QString::fromUtf16(kSaveFailedText), platform::MsgButtons::Ok,
            platform::MsgIcon::Exclamation,
            QString::fromUtf16(kSaveFailedTitle) + u' ' + QString::number(result.errorNumber));
    }
}

void SettingsKeeper::keepParts() {
    for (const SettingsPart* part : parts_) {
        part->keepIn(services_.settings);
    }
}

SettingsRecord SettingsKeeper::atExit() const {
    SettingsRecord record = services_.settings;
    for (const SettingsPart* part : parts_) {
        part->keepIn(record);
    }
    PrepareDSPForSave(record);
    return record;
}

QByteArray SettingsKeeper::changeKey(const SettingsRecord& record) const {
    return SettingsChangeKey(record, services_.windowSize(), ProgramVersion());
}

void SettingsKeeper::follow() {
    savedKey_ = changeKey(atExit());
    following_ = true;
    timer_.start(kCheckMs);
}

void SettingsKeeper::saveIfChanged() {
    if (!following_ || stopped_) {
        return;
    }
    const SettingsRecord record = atExit();
    QByteArray key = changeKey(record);
    if (key == savedKey_) {
        return;
    }
    // Written exactly as the exit writes it. A failure is told by the exit's save; until then
    // every check tries again, so a disk that was full takes the settings once it has room.
    const QByteArray bytes = SettingsFileBytes(record, services_.windowSize(), ProgramVersion());
    if (WriteFileReplacing(services_.settings.SettingsFilePath, bytes).ok) {
        savedKey_ = std::move(key);
    }
}

void SettingsKeeper::stop() {
    stopped_ = true;
    timer_.stop();
}

}  // namespace KVXmodules
