#pragma once

// The waterfall step of the display tick on plain images: the old picture moves down (scaled
// by the "Waterfall Spectrum Speed") and the newest spectrum becomes row 0. The scroll is one
// row copy per row through a table of source rows, the line one table look-up per pixel; both
// tables are kept until the geometry or the palette changes, so a tick allocates nothing.

#include <QImage>
#include <cstdint>
#include <span>
#include <vector>

#include "display/display.h"

namespace receiver {

class Waterfall {
  public:
    // Writes every row of `image` from `picture` (same size, 32 bits a pixel): the picture
    // drawn, scaled, into the rectangle from row 1 that is `targetHeight` rows high, over a
    // copy of itself (see ScrollSourceRows).
    void scroll(const QImage& picture, QImage& image, int targetHeight);

    // Draws `spectrum` as row 0 of `image` through the palette of the two offsets, column x
    // from bin WaterfallBin(x), for the columns WaterfallLineColumns gives for a box
    // `outerWidth` pixels wide.
    void drawLine(QImage& image, std::span<const std::int32_t> spectrum, int outerWidth,
                  int redOffset, int blueOffset);

  private:
    const std::vector<int>& sourceRows(int pictureHeight, int targetHeight);
    const PaletteTable& palette(int redOffset, int blueOffset);

    std::vector<int> rows_;
    int rowsPictureHeight_ = -1;
    int rowsTargetHeight_ = -1;

    PaletteTable palette_{};
    int paletteRed_ = 0;
    int paletteBlue_ = 0;
    bool paletteValid_ = false;
};

}  // namespace receiver
