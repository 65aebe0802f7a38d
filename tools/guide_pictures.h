#pragma once

// The two pictures of the quick guide, drawn by the program's own waterfall from audio made by
// the modem library: a band with several PSK31 stations, and letters written into the spectrum
// by a signal made for it (a tone for every lit dot of a row, the rows sent bottom first so that
// the scrolling waterfall shows them upright).

#include <QImage>
#include <QString>
#include <functional>
#include <span>

namespace guide {

// The band both pictures show, and the height of the band picture in waterfall rows.
inline constexpr double kLowestHz = 400.0;
inline constexpr double kHighestHz = 2600.0;
inline constexpr int kBandRows = 160;

// Fills its span with the next audio samples at 8000 samples/s.
using AudioSource = std::function<void(std::span<float>)>;

// `rows` waterfall lines of `audio` drawn as the main window draws them with the default
// settings (palette, smoothing, sensitivity), newest at the top, cut to kLowestHz..kHighestHz.
// The spectrum settles for two seconds of audio before the first line.
QImage WaterfallOf(const AudioSource& audio, int rows);

// The demo band of the simulator, its PSK31 stations.
QImage BandPicture();

// How the letters are written: dot columns `dotHz` apart from `lowestHz` up, each dot row
// lasting `hopsPerRow` spectrum frames.
struct LetterLayout {
    double lowestHz = 750.0;
    double dotHz = 17.6;  // three waterfall pixels
    int hopsPerRow = 4;
    int quietRowsBefore = 30;  // spectrum frames of band noise under the text
    int quietRowsAfter = 30;   // and above it
};

// Whether dot (column, row) of `text` in the 5 x 7 dot font is lit; each character is five
// columns and a blank one. Row 0 is the top. Characters the font lacks are blank.
bool LetterDot(const QString& text, int column, int row);
inline constexpr int kLetterRows = 7;
inline constexpr int kLetterColumns = 6;

// `text` written into a quiet band with two PSK31 stations beside it.
QImage LetterPicture(const QString& text, const LetterLayout& layout = {});

// The pixel column of the cut pictures that shows `hz`.
int PictureColumn(double hz);

}  // namespace guide
