#include "mainwindow/layout.h"

#include "platform/twips.h"

namespace layout {

bool NormalLayoutApplies(double outerWidthTwips, double outerHeightTwips) noexcept {
    return outerHeightTwips > kMinimumLaidOutTwips && outerWidthTwips > kMinimumLaidOutTwips;
}

NormalLayout ComputeNormalLayout(int clientWidth, int clientHeight) noexcept {
    const int w = clientWidth;
    const int h = clientHeight;
    NormalLayout l;
    l.text1Width = platform::PixelSize(w - 99);
    l.frame1Left = w - 98;
    l.rightColumnLeft = l.frame1Left;
    l.frame4Top = h - 130;
    l.frame5Top = h - 30;
    l.picture1Top = h - 114;
    l.picture2Top = h - 113;
    l.scaleLabelTop = h - 126;
    l.image1Top = h - 128;
    l.image2Top = h - 440;
    l.text1Height = platform::PixelSize(h - 128);
    l.label5Top = h - 130;
    return l;
}

NormalScreen ComputeNormalScreen(int clientHeight) noexcept {
    const int h = clientHeight;
    NormalScreen s;
    s.picture1Top = h - 114;
    s.picture2Top = h - 113;
    s.scaleLabelTop = h - 126;
    s.image1Top = h - 128;
    s.image2Top = h - 440;
    s.text1Height = platform::PixelSize(h - 128);
    s.values = kNormalScreenValues;
    s.picture1Height = platform::PixelSize(s.values.WaterfallHeight);
    return s;
}

LargeWaterfallScreen ComputeLargeWaterfallScreen(int clientHeight) noexcept {
    LargeWaterfallScreen s;
    s.values = ScreenValues{static_cast<double>(clientHeight) - 176.0, 145.0, 130.0};
    s.text1Height = platform::PixelSize(s.values.TextHeight);
    s.picture1Top = platform::PixelSize(s.values.WaterfallTop);
    s.picture1Height = platform::PixelSize(s.values.WaterfallHeight);
    s.image1Top = s.picture1Top - 20;
    s.scaleLabelTop = s.picture1Top - 12;
    return s;
}

Position BackgroundPosition(int clientWidth, int clientHeight, int imageWidth,
                            int imageHeight) noexcept {
    return Position{clientWidth - imageWidth, clientHeight - imageHeight};
}

}  // namespace layout
