#include "setup/audio_input.h"

#include <algorithm>

#include "platform/windows1252.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

namespace KVXmodules {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// A text as the settings file gives it back.
QString AsStored(const QString& text) {
    return FromWindows1252(ToWindows1252(text));
}

}  // namespace

bool CorrectionInRange(std::int32_t ppm) noexcept {
    return ppm >= -kMaxSampleRateCorrectionPpm && ppm <= kMaxSampleRateCorrectionPpm;
}

std::optional<pskmodem::InputDeviceInfo> RememberedInput(
    const std::vector<pskmodem::InputDeviceInfo>& devices, const SettingsRecord& record) {
    if (record.AudioInput.isEmpty()) {
        return std::nullopt;
    }
    // The device list with its names as the file keeps them, so that both sides compare alike.
    std::vector<pskmodem::InputDeviceInfo> stored = devices;
    for (pskmodem::InputDeviceInfo& device : stored) {
        device.name = AsStored(FromUtf8(device.name)).toStdString();
        device.hostApi = AsStored(FromUtf8(device.hostApi)).toStdString();
    }
    const auto found = pskmodem::findInputDevice(stored, AsStored(record.AudioInput).toStdString(),
                                                 AsStored(record.AudioInputHostApi).toStdString());
    if (!found) {
        return std::nullopt;
    }
    const auto original = std::find_if(devices.begin(), devices.end(),
                                       [&](const auto& d) { return d.card == found->card; });
    return original != devices.end() ? *original : *found;
}

QString InputCaption(const QString& name, const QString& hostApi) {
    return hostApi.isEmpty() ? name : name + QStringLiteral(" [") + hostApi + u']';
}

QString InputCaption(const pskmodem::InputDeviceInfo& device) {
    return FromUtf8(pskmodem::inputDeviceCaption(device));
}

QString MissingInputText(const QString& name, const QString& hostApi) {
    return QStringLiteral(
               "The sound card input \"%1\" chosen in Setup > Audio Input was not "
               "found. Quorvin receives from the system's default input instead; "
               "the chosen input is used again once it is back.")
        .arg(InputCaption(name, hostApi));
}

QString InputFailedText(const QString& caption) {
    return QStringLiteral(
               "The sound card input \"%1\" could not be started. Quorvin goes on "
               "receiving from the input it had.")
        .arg(caption);
}

QString DefaultInputCaption(const std::vector<pskmodem::InputDeviceInfo>& devices) {
    const QString caption = QStringLiteral("Default: the system's default input");
    const auto current =
        std::find_if(devices.begin(), devices.end(), [](const auto& d) { return d.isDefault; });
    if (current == devices.end()) {
        return caption;
    }
    return caption + QStringLiteral(" (") + InputCaption(*current) + u')';
}

void StoreInputChoice(const InputChoice& choice, SettingsRecord& record) {
    if (choice.device) {
        record.AudioInput = FromUtf8(choice.device->name);
        record.AudioInputHostApi = FromUtf8(choice.device->hostApi);
    } else {
        record.AudioInput.clear();
        record.AudioInputHostApi.clear();
    }
    record.SampleRateCorrection = choice.correctionPpm;
}

}  // namespace KVXmodules
