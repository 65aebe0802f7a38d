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

}  // namespace platform
