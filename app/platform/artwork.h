#pragma once

// The main window's pictures, drawn by code so that they scale with nothing to ship: the
// program logo and icon, the phase indicator's background, the frequency scale strip, the
// active-frequency marker and the icons of the command buttons.

#include <QIcon>
#include <QImage>

namespace artwork {

// The program logo for a box of `size` pixels.
QImage ProgramLogo(QSize size);
// The window and application icon.
QIcon ApplicationIcon();

// The phase indicator's background: a black round screen with faint cross lines and small
// yellow-green marks at top and bottom, in a grey frame, 44 x 44 pixels.
QImage RadarBackground();

// The scale strip above the waterfall: a tick every 100 Hz at 5.867 Hz per pixel, longer
// ticks every 500 Hz with their frequency written beside them (but at the strip's two ends,
// where the window's own labels stand).
QImage ScaleStrip(QSize size);

// The active-frequency marker: transparent but for a pointer where the marker shows between
// the receive text and the waterfall (the rows of the scale strip).
QImage FrequencyMarker(QSize size, int pointerTop, int pointerHeight);

enum class ButtonIcon { Save, Open, Setup, Copy, Clear, SavePicture, LoadPicture };
QIcon CommandIcon(ButtonIcon which);

}  // namespace artwork
