#pragma once

// Choosing the sound card input without a window: finding the remembered device in the
// machine's device list, the card number to start with, the entries of the Audio Input window
// and its messages.
//
// A device is remembered by its name and host API, as the settings file keeps them: names are
// compared in the file's 8-bit form, so a name with characters the file cannot hold is still
// found again.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "pskmodem/sources/audio_source.h"

namespace KVXmodules {

struct SettingsRecord;

// Card 0: the system's default input.
inline constexpr std::int32_t kDefaultInputCard = 0;

// The device of `devices` that the record remembers, or nothing when it remembers none (the
// default input) or the device is not there.
std::optional<pskmodem::InputDeviceInfo> RememberedInput(
    const std::vector<pskmodem::InputDeviceInfo>& devices, const SettingsRecord& record);

// The message shown when the remembered device is missing at start-up, and its title.
QString MissingInputText(const QString& name, const QString& hostApi);
inline constexpr char16_t kAudioInputTitle[] = u"Audio Input";

// The message shown when the chosen input (as the window names it) does not start; the input
// in use stays.
QString InputFailedText(const QString& caption);

// The message shown when the clock correction typed lies outside the range the settings file
// keeps; nothing is applied or stored then.
inline constexpr char16_t kCorrectionRangeText[] =
    u"The sound card clock correction must lie between -5000 and +5000 ppm.";
// Whether a clock correction lies in the range the settings file keeps.
bool CorrectionInRange(std::int32_t ppm) noexcept;

// How a device is named in the window and the messages: its name and, when known, its host
// API in brackets.
QString InputCaption(const QString& name, const QString& hostApi);
QString InputCaption(const pskmodem::InputDeviceInfo& device);

// The first entry of the window's list: the system's default input, naming the device that is
// the default now when the list has one.
QString DefaultInputCaption(const std::vector<pskmodem::InputDeviceInfo>& devices);

// The record's choice: the device (nothing = the default input) and the correction in ppm.
struct InputChoice {
    std::optional<pskmodem::InputDeviceInfo> device;
    std::int32_t correctionPpm = 0;
};

// Stores a choice in the record: the device's name and host API (empty for the default) and
// the correction.
void StoreInputChoice(const InputChoice& choice, SettingsRecord& record);

}  // namespace KVXmodules
