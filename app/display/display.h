#pragma once

// The arithmetic and texts of the display tick and of tuning by mouse, free of widgets: the
// waterfall's frequency scale, bins and palettes, the scroll of the old picture, the
// read-outs, the frequency marker, the quality bar and the phase indicator's spokes.
//
// One scale ties them together: a waterfall pixel is 5.867 Hz wide and shows every 1.5th
// spectrum bin (a bin is 8000 / 2048 = 3.906 Hz).

#include <QtGui/qrgb.h>

#include <QLineF>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/psk_engine.h"

namespace receiver {

inline constexpr double kHzPerPixel = 5.867;
inline constexpr double kBinsPerPixel = 1.5;

// ---- waterfall ----

// The spectrum bin column x shows: 1.5 x rounded to the nearest integer, halves to the even
// neighbour (x = 1, 3, 5 read bins 2, 4, 8).
int WaterfallBin(int x) noexcept;

// The last column whose bin exists: 682 reads bin 1023.
inline constexpr int kLastWaterfallColumn = 682;

// How many columns of a new line are drawn: the line runs from x = 0 to the box's outer width
// inclusive, is clipped to its drawable width and stops at the last bin.
int WaterfallLineColumns(int outerWidth, int drawableWidth) noexcept;

// The palette colour of spectrum value v: (v + red offset, v, v + blue offset), each component
// limited to 0..255.
QRgb WaterfallColour(std::int32_t value, int redOffset, int blueOffset) noexcept;

// The colours of the values 0..255, the values a spectrum normally holds.
using PaletteTable = std::array<QRgb, 256>;
PaletteTable MakePaletteTable(int redOffset, int blueOffset) noexcept;

// The height of the rectangle the old picture is copied into: WaterfallHeight minus the
// "Waterfall Spectrum Speed" S, rounded (halves to even). With S = 4 on a box with a 2-pixel
// border it equals the picture's height, so the copy moves everything down one row.
int ScrollTargetHeight(double waterfallHeight, double spectrumSpeed) noexcept;

// The scroll of a picture `pictureHeight` rows high: for every row y, the row of the old
// picture it shows once the old picture is drawn, scaled, into the rectangle from row 1 that is
// `targetHeight` rows high. Rows inside the rectangle take the old row under their centre
// (nearest neighbour); row 0 and rows below the rectangle keep their own. A target height of 0
// or less copies nothing.
std::vector<int> ScrollSourceRows(int pictureHeight, int targetHeight);

// ---- tuning by mouse and frequency read-outs ----

// The frequency a click at x (waterfall pixels) tunes to: x * 5.867 rounded, halves to even.
std::int32_t ClickFrequency(double x) noexcept;

// The read-out under the pointer over the waterfall: x * 5.867 rounded down, as number text,
// then "Hz" (x = 256 reads " 1501Hz").
QString PointerFrequencyText(double x);

// The read-out over the scale strip, x in twips from its left edge: 45 left of 130 twips, else
// x / 2.6; rounded down, plus 5, as number text, then "Hz". Never below " 50Hz".
QString ScaleFrequencyText(double xTwips);

// "Active Frequency " followed by the number text of the frequency and "Hz".
QString ActiveFrequencyText(std::int32_t activeFrequency);

// The marker's left edge in the main window: frequency / 5.867 - 1 as a single-precision value
// (the waterfall's left edge lies at 1), and that rounded to whole pixels (halves to even).
float MarkerLeft(std::int32_t activeFrequency) noexcept;
int MarkerLeftPixels(std::int32_t activeFrequency) noexcept;

// ---- signal quality ----

// "PSK Signal Quality" followed by the number text of q and "%".
QString QualityText(std::int32_t quality);

// The filled box of a quality bar H pixels high: from (0, H - q H / 100) to the bar's bottom
// right corner, in the colour (40 + 2q, 40 + 2q, 0), limited to 0..255. `firstRow` is the top
// rounded to a pixel row (halves to even); the rows from there down are filled, none when it
// lies at or below H.
struct QualityBox {
    double top = 0;
    int firstRow = 0;
    QRgb colour = 0;
};
QualityBox QualityBarBox(std::int32_t quality, int height) noexcept;

// ---- phase tuning indicator ----

inline constexpr double kIndicatorCentre = 22.0;
inline constexpr double kVectorUnitsPerPixel = 52.0;
inline constexpr int kPhaseSpokes = platform::kVectorDataSize / 2;

// The spokes: from (22, 22) to point i = (v[2i] / 52, v[2i + 1] / 52), the quotients taken in
// double precision and kept as single-precision coordinates.
std::array<QLineF, kPhaseSpokes> PhaseSpokes(
    const std::array<std::int32_t, platform::kVectorDataSize>& vectorData) noexcept;

}  // namespace receiver
