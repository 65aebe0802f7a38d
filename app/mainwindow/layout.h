#pragma once

// The main window's layout arithmetic: the creation rectangles of its controls, the normal
// layout that follows the window's size, and the geometry of the two screen modes. Pure
// functions of the client size, all in pixels except the outer window size, which is in
// twips. Sizes that would come out negative on a very small window are clamped at 0.

namespace layout {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// The client area the window is created with.
inline constexpr int kClientWidth = 662;
inline constexpr int kClientHeight = 482;
// The smallest client area the window can be given: the creation size. Any lower and the
// right-hand column (down to 352) would reach into the waterfall's rows and the bottom frames
// (H - 130); any narrower and the bottom frames (out to 659) would be cut off.
inline constexpr int kMinimumClientWidth = kClientWidth;
inline constexpr int kMinimumClientHeight = kClientHeight;

// Rectangles of the direct children at the creation size.
inline constexpr Rect kText1{1, 0, 560, 353};
inline constexpr Rect kPicture3{563, 0, 95, 54};
inline constexpr Rect kFrame1{564, 52, 95, 83};
inline constexpr Rect kFrame7{564, 136, 95, 63};
inline constexpr Rect kFrame2{564, 200, 95, 61};
inline constexpr Rect kFrame3{564, 262, 95, 90};
inline constexpr Rect kImage2{248, 68, 8, 330};
inline constexpr Rect kImage1{1, 352, 516, 17};
inline constexpr Rect kLabel1{0, 356, 25, 13};
inline constexpr Rect kLabel3{480, 356, 37, 13};
inline constexpr Rect kPicture1{1, 368, 516, 85};
inline constexpr Rect kPicture2{521, 369, 17, 83};
inline constexpr Rect kFrame6{542, 352, 53, 101};
inline constexpr Rect kFrame4{600, 352, 59, 101};
inline constexpr Rect kFrame5{1, 451, 658, 28};
inline constexpr Rect kLabel5{4, 120, 657, 337};
inline constexpr Rect kImgBackground{540, 136, 640, 480};

// Geometry of a screen mode as the rest of the program reads it.
struct ScreenValues {
    double WaterfallHeight = 0;
    double WaterfallTop = 0;
    double TextHeight = 0;

    friend constexpr bool operator==(const ScreenValues&, const ScreenValues&) = default;
};

// The normal screen: constants equal to the creation geometry.
inline constexpr ScreenValues kNormalScreenValues{85, 368, 353};

// The window is laid out only when its outer width and height both exceed 3000 twips.
inline constexpr double kMinimumLaidOutTwips = 3000.0;
bool NormalLayoutApplies(double outerWidthTwips, double outerHeightTwips) noexcept;

// The normal layout for a client area of W x H pixels.
struct NormalLayout {
    int text1Width = 0;       // W - 99
    int frame1Left = 0;       // W - 98, also Frame7's left
    int rightColumnLeft = 0;  // Frame2, Frame3 and Picture3: Frame1's left
    int frame4Top = 0;        // H - 130, also Frame6's top
    int frame5Top = 0;        // H - 30
    int picture1Top = 0;      // H - 114
    int picture2Top = 0;      // H - 113
    int scaleLabelTop = 0;    // H - 126: Label1 and Label3
    int image1Top = 0;        // H - 128
    int image2Top = 0;        // H - 440
    int text1Height = 0;      // H - 128
    int label5Top = 0;        // H - 130

    friend constexpr bool operator==(const NormalLayout&, const NormalLayout&) = default;
};
NormalLayout ComputeNormalLayout(int clientWidth, int clientHeight) noexcept;

// The normal screen mode for a client area H pixels high.
struct NormalScreen {
    int picture1Top = 0;    // H - 114
    int picture2Top = 0;    // H - 113
    int scaleLabelTop = 0;  // H - 126
    int image1Top = 0;      // H - 128
    int image2Top = 0;      // H - 440
    int text1Height = 0;    // H - 128
    ScreenValues values = kNormalScreenValues;
    int picture1Height = 0;  // WaterfallHeight

    friend constexpr bool operator==(const NormalScreen&, const NormalScreen&) = default;
};
NormalScreen ComputeNormalScreen(int clientHeight) noexcept;

// The marker picture (330 rows) shows its pointer only in these rows: those the normal layout
// puts on the scale strip, between the receive text's bottom (H - 128) and the waterfall's top
// (H - 114), whatever H is.
inline constexpr int kMarkerPointerTop = 313;    // (H - 128) - (H - 440) + 1
inline constexpr int kMarkerPointerHeight = 12;  // (H - 114) - (H - 440) - 313 - 1
// The marker's top that puts its pointer on a scale strip whose top is `image1Top`: where the
// large-waterfall screen moves it, so that the tuned trace stays marked.
constexpr int MarkerTopOnStrip(int image1Top) noexcept {
    return image1Top + 1 - kMarkerPointerTop;
}

// The large-waterfall screen mode for a client area H pixels high: the waterfall reaches from
// 145 down to H - 31, just above the status bar.
struct LargeWaterfallScreen {
    ScreenValues values;     // H - 176, 145, 130
    int text1Height = 0;     // TextHeight
    int picture1Top = 0;     // WaterfallTop
    int picture1Height = 0;  // WaterfallHeight
    int image1Top = 0;       // WaterfallTop - 20
    int scaleLabelTop = 0;   // WaterfallTop - 12: Label1 and Label3

    friend constexpr bool operator==(const LargeWaterfallScreen&,
                                     const LargeWaterfallScreen&) = default;
};
LargeWaterfallScreen ComputeLargeWaterfallScreen(int clientHeight) noexcept;

// Where the background picture of `imageWidth` x `imageHeight` goes so that its bottom-right
// corner is the client area's.
struct Position {
    int left = 0;
    int top = 0;

    friend constexpr bool operator==(const Position&, const Position&) = default;
};
Position BackgroundPosition(int clientWidth, int clientHeight, int imageWidth,
                            int imageHeight) noexcept;

}  // namespace layout
