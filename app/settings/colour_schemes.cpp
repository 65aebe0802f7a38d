#include "settings/colour_schemes.h"

#include <array>

namespace KVXmodules {

namespace {

struct Rgb {
    int r;
    int g;
    int b;
};

constexpr std::array<Rgb, 16> kEgaColors = {{
    {0, 0, 0},        // 0 black
    {0, 0, 128},      // 1 blue
    {0, 128, 0},      // 2 green
    {0, 128, 128},    // 3 cyan
    {128, 0, 0},      // 4 red
    {128, 0, 128},    // 5 magenta
    {128, 128, 0},    // 6 yellow
    {192, 192, 192},  // 7 white
    {128, 128, 128},  // 8 grey
    {0, 0, 255},      // 9 light blue
    {0, 255, 0},      // 10 light green
    {0, 255, 255},    // 11 light cyan
    {255, 0, 0},      // 12 light red
    {255, 0, 255},    // 13 light magenta
    {255, 255, 0},    // 14 light yellow
    {255, 255, 255},  // 15 bright white
}};

struct SchemeIndexes {
    int fore;
    int back;
};

// Black on Yellow, Black on White, White on Blue, Yellow on Black, White on green.
constexpr std::array<SchemeIndexes, kTextColorShemeCount> kSchemes = {{
    {0, 14},
    {0, 15},
    {15, 9},
    {14, 0},
    {15, 2},
}};

// Blue, Red, Black.
constexpr std::array<WaterfallPalette, kWaterfallPaletteCount> kPalettes = {{
    {254, 0, 9},
    {0, 254, 4},
    {0, 0, 0},
}};

std::optional<int> IndexBelow(double value, int count) noexcept {
    for (int i = 0; i < count; ++i) {
        if (value == static_cast<double>(i)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace

QColor EgaColor(int index) noexcept {
    if (index < 0 || index >= static_cast<int>(kEgaColors.size())) {
        return QColor(0, 0, 0);
    }
    const Rgb& c = kEgaColors[static_cast<std::size_t>(index)];
    return QColor(c.r, c.g, c.b);
}

std::optional<int> TextColorShemeIndex(double scheme) noexcept {
    return IndexBelow(scheme, kTextColorShemeCount);
}

std::optional<int> WaterfallPaletteIndex(double palette) noexcept {
    return IndexBelow(palette, kWaterfallPaletteCount);
}

std::optional<TextColors> TextColorShemeColors(double scheme) noexcept {
    const auto index = TextColorShemeIndex(scheme);
    if (!index) {
        return std::nullopt;
    }
    const SchemeIndexes& s = kSchemes[static_cast<std::size_t>(*index)];
    return TextColors{EgaColor(s.fore), EgaColor(s.back)};
}

std::optional<WaterfallPalette> WaterfallPaletteValues(double palette) noexcept {
    const auto index = WaterfallPaletteIndex(palette);
    if (!index) {
        return std::nullopt;
    }
    return kPalettes[static_cast<std::size_t>(*index)];
}

bool ApplyTextColorSheme(SettingsRecord& record, double scheme) {
    const auto index = TextColorShemeIndex(scheme);
    const auto colors = TextColorShemeColors(scheme);
    if (!index || !colors) {
        return false;
    }
    record.TextColorSheme = static_cast<std::int16_t>(*index);
    record.TextForeColor = colors->fore;
    record.TextBackColor = colors->back;
    return true;
}

bool ApplyWaterfallPalette(SettingsRecord& record, double palette) {
    const auto index = WaterfallPaletteIndex(palette);
    const auto values = WaterfallPaletteValues(palette);
    if (!index || !values) {
        return false;
    }
    record.WaterfallBlueOffset = values->blueOffset;
    record.WaterfallRedOffset = values->redOffset;
    record.WaterfallBackColor = values->backColor;
    record.WaterfallColor = *index;
    return true;
}

}  // namespace KVXmodules
