#pragma once

// Where the band activity window opens when it has no place of its own yet: beside the main
// window, within the screen, so that it does not cover the main window's waterfall.

#include <QRect>
#include <QSize>

namespace band {

// The place (with its frame) of a window of `size` beside the window `owner` (its frame),
// within `screen` (the screen's free area): to the right of the owner where it fits, else to
// its left, else below it, else above it; level with the owner's top (beside) or its left edge
// (below, above), moved along that side to stay on the screen. Where it fits nowhere, it takes
// the larger of the strips above and below the owner, made lower to fit, as long as that
// leaves it `minimumHeight`; else it goes above the owner at the top of the screen, where it
// covers only the owner's top (its caption, menu and text), never the waterfall at its bottom.
QRect BesideWindow(const QRect& owner, const QSize& size, const QRect& screen, int minimumHeight);

}  // namespace band
