#include "settings/settings_record.h"

#include "platform/number_text.h"
#include "settings/colour_schemes.h"

namespace KVXmodules {

namespace {

// Reset values.
constexpr double kNormalWaterfallHeight = 85;
constexpr double kNormalWaterfallTop = 368;
constexpr double kNormalTextHeight = 353;
constexpr int kResetPalette = 0;
constexpr int kResetTextColorSheme = 3;
constexpr std::int32_t kResetRXfreqMaxRange = 1500;
constexpr double kResetRXSearchRange = 50;
constexpr std::int32_t kResetSensitivity = 1500;
constexpr double kResetSmoothingSpeed = 5;
constexpr double kResetSquelchMax = 5;
constexpr double kResetSquelchSpeed = 1;
constexpr double kResetWaterfallSpectrumSpeed = 2;
constexpr int kBlack = 0;
constexpr int kLightYellow = 14;

}  // namespace

void DefaultSetValues(SettingsRecord& record) {
    // Layout of the Normal screen mode and the values of palette 0.
    record.WaterfallHeight = kNormalWaterfallHeight;
    record.WaterfallTop = kNormalWaterfallTop;
    record.TextHeight = kNormalTextHeight;
    const auto palette = WaterfallPaletteValues(kResetPalette);
    record.WaterfallBlueOffset = palette->blueOffset;
    record.WaterfallRedOffset = palette->redOffset;
    record.WaterfallBackColor = palette->backColor;
    // Black on light yellow (scheme 3 replaces it when the controls are brought in line).
    record.TextForeColor = EgaColor(kBlack);
    record.TextBackColor = EgaColor(kLightYellow);
    // DSP values.
    record.RXfreqMaxRange = kResetRXfreqMaxRange;
    record.RXSearchRange = kResetRXSearchRange;
    record.Sensitivity = kResetSensitivity;
    record.SmoothingSpeed = kResetSmoothingSpeed;
    record.SquelchMax = kResetSquelchMax;
    record.SquelchSpeed = kResetSquelchSpeed;
    // Fonts.
    record.Font = QStringLiteral("System");
    record.EditorFont = record.Font;
    record.SaveWorkingDSP = kFlagClear;
    // Alarm strings.
    record.PSKAlarmString[0] = QStringLiteral("QR9ZZ");
    record.PSKAlarmString[1].clear();
    record.PSKAlarmString[2].clear();
    // Mode, colours, screen, palette, waterfall speed.
    record.PSKMode = 0;
    record.PSKSpeed = 0;
    record.TextColorSheme = kResetTextColorSheme;
    record.ScreenSet = 0;
    record.WaterfallColor = kResetPalette;
    record.WaterfallSpectrumSpeed = kResetWaterfallSpectrumSpeed;
}

void DefaultSetFinish(SettingsRecord& record) {
    // The remembered size off, the phase indicator on.
    record.RememberScreenSize = kFlagClear;
    record.PhaseTuneStatus = kFlagSet;
    // The saved DSP values follow; the reset values always fit in 16 bits.
    TakeSavedDSP(record);
}

void DefaultSetRecord(SettingsRecord& record) {
    DefaultSetValues(record);
    ApplyTextColorSheme(record, record.TextColorSheme);
    ApplyWaterfallPalette(record, record.WaterfallColor);
    DefaultSetFinish(record);
}

bool TakeSavedDSP(SettingsRecord& record) {
    const std::array<double, kSavedDSPCount> working = {
        static_cast<double>(record.RXfreqMaxRange),
        record.RXSearchRange,
        static_cast<double>(record.Sensitivity),
        record.SmoothingSpeed,
        record.SquelchMax,
        record.SquelchSpeed,
    };
    bool allTaken = true;
    for (std::size_t i = 0; i < working.size(); ++i) {
        if (const auto copy = ToInt16(working[i])) {
            record.SavedDSP[i] = *copy;
        } else {
            allTaken = false;
        }
    }
    return allTaken;
}

void RestoreWorkingDSP(SettingsRecord& record) {
    record.RXfreqMaxRange = record.SavedDSP[kSavedRXfreqMaxRange];
    record.RXSearchRange = record.SavedDSP[kSavedRXSearchRange];
    record.Sensitivity = record.SavedDSP[kSavedSensitivity];
    record.SmoothingSpeed = record.SavedDSP[kSavedSmoothingSpeed];
    record.SquelchMax = record.SavedDSP[kSavedSquelchMax];
    record.SquelchSpeed = record.SavedDSP[kSavedSquelchSpeed];
}

void PrepareDSPForSave(SettingsRecord& record) {
    if (!IsSet(record.SaveWorkingDSP)) {
        RestoreWorkingDSP(record);
    }
}

}  // namespace KVXmodules
