#pragma once

// The receive window's five text colour schemes and the waterfall's three palettes, as data
// and as their effect on the settings record. The menu ticks and the widgets are the setup
// controller's business (SetupController::SetTextColorShemes, SetupController::WaterfallColors).

#include <QColor>
#include <cstdint>
#include <optional>

#include "settings/settings_record.h"

namespace KVXmodules {

// The 16-colour EGA palette (0 black, 2 green, 4 red, 9 light blue, 14 light yellow,
// 15 bright white, ...). Indexes outside 0..15 give black.
QColor EgaColor(int index) noexcept;

inline constexpr int kTextColorShemeCount = 5;
inline constexpr int kWaterfallPaletteCount = 3;

struct TextColors {
    QColor fore;
    QColor back;
};

// The colours of scheme 0..4; empty for any other number (fractions included).
std::optional<TextColors> TextColorShemeColors(double scheme) noexcept;

struct WaterfallPalette {
    std::int16_t blueOffset = 0;
    std::int16_t redOffset = 0;
    std::int16_t backColor = 0;  // index into EgaColor
};

// The palette values of palette 0..2; empty for any other number.
std::optional<WaterfallPalette> WaterfallPaletteValues(double palette) noexcept;

// The scheme number as an index 0..4 when it names a scheme.
std::optional<int> TextColorShemeIndex(double scheme) noexcept;
std::optional<int> WaterfallPaletteIndex(double palette) noexcept;

// The record part of SetTextColorShemes: for 0..4 sets TextColorSheme, TextForeColor and
// TextBackColor and returns true; any other number changes nothing and returns false.
bool ApplyTextColorSheme(SettingsRecord& record, double scheme);

// The record part of WaterfallColors: for 0..2 sets the three palette values and
// WaterfallColor and returns true; any other number changes nothing and returns false.
bool ApplyWaterfallPalette(SettingsRecord& record, double palette);

}  // namespace KVXmodules
