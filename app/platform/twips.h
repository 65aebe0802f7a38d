#pragma once

// Twips: 1/1440 inch. Window sizes are stored in twips so that settings files carry over
// between screens and platforms. Qt measures in device-independent pixels of 1/96 inch, so a
// pixel is always 15 twips.

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

constexpr double PixelsToTwips(double pixels) noexcept {
    return pixels * kTwipsPerPixel;
}
constexpr double TwipsToPixels(double twips) noexcept {
    return twips / kTwipsPerPixel;
}

// A size in whole pixels: rounded to the nearest integer (halves to even), never below 0.
int PixelSize(double pixels) noexcept;

// The whole pixels a window's outer width or height of `twips` gets: rounded as PixelSize
// rounds (a negative size gives 0, which the window raises to its smallest size) and no more
// than `availablePixels`, the extent of the screen's available area. A size read from a file
// can thus never make the window, and the pictures sized from it, larger than the screen. A
// size that is not a number keeps `currentPixels`.
int BoundedWindowPixels(double twips, int currentPixels, int availablePixels) noexcept;

}  // namespace platform
