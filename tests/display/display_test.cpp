// The display path: the waterfall's scale, bins, palettes and scroll, the read-out texts, the
// marker, the quality bar and the indicator's spokes on their own; then the display tick on a
// real main window offscreen (its order, the halt, the indicator switch, the bar, the marker,
// the Rev screen), tuning by mouse on the recording engine, the clock and the picture viewer.

#include "display/display.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTime>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

#include "display/display_controller.h"
#include "display/picture_window.h"
#include "display/waterfall.h"
#include "mainwindow/main_window.h"
#include "platform/form_timer.h"
#include "platform/image_box.h"
#include "platform/picture_box.h"
#include "platform/psk_engine.h"
#include "pskmodem/engine/message_sink.h"
#include "settings/colour_schemes.h"
#include "settings/settings_record.h"
#include "setup/setup_controller.h"
#include "support/form_harness.h"
#include "support/recording_engine.h"

namespace {

using platform::kFFTDataSize;
using platform::kVectorDataSize;
using testing_support::EngineCall;
using testing_support::FormHarness;
using testing_support::processEvents;

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);

// ---- arithmetic ----

TEST(DisplayArithmetic, ColumnsReadEveryOneAndAHalfBinHalvesToEven) {
    EXPECT_EQ(receiver::WaterfallBin(0), 0);
    EXPECT_EQ(receiver::WaterfallBin(1), 2);
    EXPECT_EQ(receiver::WaterfallBin(2), 3);
    EXPECT_EQ(receiver::WaterfallBin(3), 4);
    EXPECT_EQ(receiver::WaterfallBin(5), 8);
    EXPECT_EQ(receiver::WaterfallBin(7), 10);
    EXPECT_EQ(receiver::WaterfallBin(516), 774);
    EXPECT_EQ(receiver::WaterfallBin(682), 1023);
    EXPECT_EQ(receiver::WaterfallBin(683), 1024);
    // About 0 to 3027 Hz across the normal width, at 5.867 Hz a pixel.
    EXPECT_NEAR(516 * receiver::kHzPerPixel, 3027.4, 0.1);
    EXPECT_NEAR(receiver::WaterfallBin(516) * 8000.0 / 2048.0, 3023.4, 0.1);
}

TEST(DisplayArithmetic, LineColumnsAreClippedToTheDrawableWidthAndTheLastBin) {
    EXPECT_EQ(receiver::WaterfallLineColumns(516, 512), 512);
    EXPECT_EQ(receiver::WaterfallLineColumns(516, 600), 517);
    EXPECT_EQ(receiver::WaterfallLineColumns(900, 900), 683);
    EXPECT_EQ(receiver::WaterfallLineColumns(-1, 512), 0);
    EXPECT_EQ(receiver::WaterfallLineColumns(516, 0), 0);
}

TEST(DisplayArithmetic, PalettesRunFromTheirBaseColourToWhite) {
    // Blue (254, 0), Red (0, 254), Black (0, 0): red and blue offsets.
    EXPECT_EQ(receiver::WaterfallColour(0, 0, 254), qRgb(0, 0, 254));
    EXPECT_EQ(receiver::WaterfallColour(1, 0, 254), qRgb(1, 1, 255));
    EXPECT_EQ(receiver::WaterfallColour(300, 0, 254), kWhite);
    EXPECT_EQ(receiver::WaterfallColour(0, 254, 0), qRgb(254, 0, 0));
    EXPECT_EQ(receiver::WaterfallColour(100, 254, 0), qRgb(255, 100, 100));
    EXPECT_EQ(receiver::WaterfallColour(100, 0, 0), qRgb(100, 100, 100));
    EXPECT_EQ(receiver::WaterfallColour(255, 0, 0), kWhite);
    // Below zero every component is limited at 0, each on its own.
    EXPECT_EQ(receiver::WaterfallColour(-10, 0, 254), qRgb(0, 0, 244));
    EXPECT_EQ(receiver::WaterfallColour(-300, 254, 254), kBlack);
    EXPECT_EQ(receiver::WaterfallColour(std::numeric_limits<std::int32_t>::max(), 254, 0), kWhite);
    EXPECT_EQ(receiver::WaterfallColour(std::numeric_limits<std::int32_t>::min(), 254, 254),
              kBlack);
}

TEST(DisplayArithmetic, PaletteTablesAgreeWithTheColourRuleForEveryPalette) {
    for (int n = 0; n < KVXmodules::kWaterfallPaletteCount; ++n) {
        const auto values = KVXmodules::WaterfallPaletteValues(n);
        ASSERT_TRUE(values.has_value());
        const receiver::PaletteTable table =
            receiver::MakePaletteTable(values->redOffset, values->blueOffset);
        for (int v = 0; v < 256; ++v) {
            ASSERT_EQ(table[static_cast<std::size_t>(v)],
                      receiver::WaterfallColour(v, values->redOffset, values->blueOffset))
                << "palette " << n << " value " << v;
        }
    }
}

TEST(DisplayArithmetic, ScrollTargetIsTheWaterfallHeightLessTheSpeed) {
    EXPECT_EQ(receiver::ScrollTargetHeight(85, 4), 81);
    EXPECT_EQ(receiver::ScrollTargetHeight(85, 0), 85);
    EXPECT_EQ(receiver::ScrollTargetHeight(85, 2), 83);
    EXPECT_EQ(receiver::ScrollTargetHeight(85, 2.5), 82);  // 82.5, halves to even
    EXPECT_EQ(receiver::ScrollTargetHeight(306, 5), 301);
}

TEST(DisplayArithmetic, ScrollMovesDownOneRowWhenUnscaledAndStretchesOtherwise) {
    // S = 4 on the normal screen: 81 rows into 81 rows from row 1.
    const std::vector<int> shift = receiver::ScrollSourceRows(81, 81);
    ASSERT_EQ(shift.size(), 81U);
    EXPECT_EQ(shift[0], 0);
    for (int y = 1; y < 81; ++y) {
        EXPECT_EQ(shift[static_cast<std::size_t>(y)], y - 1);
    }
    // S = 0: stretched by 85/81, so the old rows 76..80 leave at once.
    const std::vector<int> stretch = receiver::ScrollSourceRows(81, 85);
    EXPECT_EQ(stretch[0], 0);
    EXPECT_EQ(stretch[1], 0);
    EXPECT_EQ(stretch[80], 75);
    EXPECT_TRUE(std::is_sorted(stretch.begin(), stretch.end()));
    for (int y = 1; y < 81; ++y) {
        EXPECT_LT(stretch[static_cast<std::size_t>(y)], y);
    }
    // S = 5: squeezed into 80 rows; every row lies inside the target and the bottom row stays.
    const std::vector<int> squeeze = receiver::ScrollSourceRows(81, 80);
    EXPECT_EQ(squeeze[1], 0);
    EXPECT_EQ(squeeze[80], 80);
    // Nothing to copy into: every row keeps its own.
    for (const int target : {0, -3}) {
        const std::vector<int> none = receiver::ScrollSourceRows(81, target);
        for (int y = 0; y < 81; ++y) {
            EXPECT_EQ(none[static_cast<std::size_t>(y)], y);
        }
    }
    // A target taller than the picture: rows below it never read beyond it.
    const std::vector<int> tall = receiver::ScrollSourceRows(10, 1000);
    EXPECT_EQ(tall[9], 0);
    EXPECT_TRUE(receiver::ScrollSourceRows(0, 81).empty());
}

TEST(DisplayArithmetic, ClickAndReadOutsUseTheFrequencyScale) {
    // 256 * 5.867 = 1501.952: the click rounds, the read-out rounds down.
    EXPECT_EQ(receiver::ClickFrequency(256), 1502);
    EXPECT_EQ(receiver::PointerFrequencyText(256), QStringLiteral(" 1501Hz"));
    EXPECT_EQ(receiver::ClickFrequency(0), 0);
    EXPECT_EQ(receiver::PointerFrequencyText(0), QStringLiteral(" 0Hz"));
    EXPECT_EQ(receiver::ClickFrequency(511), 2998);
    EXPECT_EQ(receiver::PointerFrequencyText(-1), QStringLiteral("-6Hz"));
    // The scale strip, in twips.
    EXPECT_EQ(receiver::ScaleFrequencyText(0), QStringLiteral(" 50Hz"));
    EXPECT_EQ(receiver::ScaleFrequencyText(129), QStringLiteral(" 50Hz"));
    EXPECT_EQ(receiver::ScaleFrequencyText(130), QStringLiteral(" 55Hz"));
    EXPECT_EQ(receiver::ScaleFrequencyText(300), QStringLiteral(" 120Hz"));
    EXPECT_EQ(receiver::ScaleFrequencyText(516 * 15), QStringLiteral(" 2981Hz"));
}

TEST(DisplayArithmetic, ActiveFrequencyLabelAndMarker) {
    EXPECT_EQ(receiver::ActiveFrequencyText(1500), QStringLiteral("Active Frequency  1500Hz"));
    EXPECT_EQ(receiver::ActiveFrequencyText(0), QStringLiteral("Active Frequency  0Hz"));
    EXPECT_EQ(receiver::ActiveFrequencyText(-3), QStringLiteral("Active Frequency -3Hz"));
    EXPECT_FLOAT_EQ(receiver::MarkerLeft(0), -1.0F);
    EXPECT_EQ(receiver::MarkerLeftPixels(0), -1);
    EXPECT_FLOAT_EQ(receiver::MarkerLeft(1500), static_cast<float>(1500 / 5.867 - 1));
    EXPECT_EQ(receiver::MarkerLeftPixels(1500), 255);  // 254.67
    EXPECT_EQ(receiver::MarkerLeftPixels(1502), 255);  // the click at x = 256
    EXPECT_EQ(receiver::MarkerLeftPixels(3000), 510);  // 510.33
}

TEST(DisplayArithmetic, QualityLabelAndBar) {
    EXPECT_EQ(receiver::QualityText(87), QStringLiteral("PSK Signal Quality 87%"));
    EXPECT_EQ(receiver::QualityText(0), QStringLiteral("PSK Signal Quality 0%"));
    EXPECT_EQ(receiver::QualityText(-4), QStringLiteral("PSK Signal Quality-4%"));

    const receiver::QualityBox half = receiver::QualityBarBox(50, 83);
    EXPECT_DOUBLE_EQ(half.top, 41.5);
    EXPECT_EQ(half.firstRow, 42);
    EXPECT_EQ(half.colour, qRgb(140, 140, 0));
    const receiver::QualityBox none = receiver::QualityBarBox(0, 83);
    EXPECT_EQ(none.firstRow, 83);
    EXPECT_EQ(none.colour, qRgb(40, 40, 0));
    const receiver::QualityBox full = receiver::QualityBarBox(100, 83);
    EXPECT_EQ(full.firstRow, 0);
    EXPECT_EQ(full.colour, qRgb(240, 240, 0));
    EXPECT_EQ(receiver::QualityBarBox(1, 83).firstRow, 82);
    EXPECT_EQ(receiver::QualityBarBox(150, 83).colour, qRgb(255, 255, 0));
    EXPECT_LT(receiver::QualityBarBox(150, 83).firstRow, 0);
    EXPECT_EQ(receiver::QualityBarBox(-30, 83).colour, kBlack);
    EXPECT_GT(receiver::QualityBarBox(-30, 83).firstRow, 83);
}

TEST(DisplayArithmetic, SpokesRunFromTheCentreInFiftySecondUnits) {
    std::array<std::int32_t, platform::kVectorDataSize> vector{};
    vector.fill(1144);  // 22 * 52: every point is the centre
    for (const QLineF& spoke : receiver::PhaseSpokes(vector)) {
        EXPECT_EQ(spoke.p1(), QPointF(22, 22));
        EXPECT_EQ(spoke.p2(), QPointF(22, 22));
    }
    vector = {0, 0, 520, -52, 2288, 2288, 1, 0, -5200, 0, 0, 0, 0, 0, 0, 0};
    const auto spokes = receiver::PhaseSpokes(vector);
    EXPECT_EQ(spokes[0].p2(), QPointF(0, 0));
    EXPECT_EQ(spokes[1].p2(), QPointF(10, -1));
    EXPECT_EQ(spokes[2].p2(), QPointF(44, 44));
    // Single precision: 1/52 as a float, not as a double.
    EXPECT_EQ(spokes[3].p2().x(), static_cast<double>(static_cast<float>(1.0 / 52.0)));
    EXPECT_NE(spokes[3].p2().x(), 1.0 / 52.0);
    EXPECT_EQ(spokes[4].p2(), QPointF(-100, 0));
}

// ---- the waterfall on plain images ----

QImage Filled(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Every row a different grey, so that rows can be told apart.
QImage RowNumbered(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int level = y % 256;
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), size.width(),
                    qRgb(level, level, level));
    }
    return image;
}

TEST(WaterfallImage, ScrollCopiesEveryRowFromItsSourceRow) {
    const QSize size(512, 81);
    const QImage picture = RowNumbered(size);
    receiver::Waterfall waterfall;
    for (const int target : {81, 85, 83, 80, 0}) {
        QImage image = Filled(size, qRgb(1, 2, 3));
        waterfall.scroll(picture, image, target);
        const std::vector<int> rows = receiver::ScrollSourceRows(81, target);
        for (int y = 0; y < 81; ++y) {
            const int source = rows[static_cast<std::size_t>(y)];
            ASSERT_EQ(image.pixel(0, y), picture.pixel(0, source)) << target << " row " << y;
            ASSERT_EQ(image.pixel(511, y), picture.pixel(511, source)) << target << " row " << y;
        }
    }
}

TEST(WaterfallImage, LineReadsItsBinsThroughThePalette) {
    std::vector<std::int32_t> spectrum(platform::kFFTDataSize);
    std::iota(spectrum.begin(), spectrum.end(), 0);  // bin k holds k
    spectrum[774] = 300;
    spectrum[2] = -10;
    QImage image = Filled(QSize(512, 81), qRgb(9, 9, 9));
    receiver::Waterfall waterfall;
    waterfall.drawLine(image, spectrum, 516, 0, 254);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 254));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 244));  // bin 2, below zero
    EXPECT_EQ(image.pixel(3, 0), receiver::WaterfallColour(4, 0, 254));
    EXPECT_EQ(image.pixel(5, 0), receiver::WaterfallColour(8, 0, 254));
    EXPECT_EQ(image.pixel(200, 0), kWhite);  // bin 300
    EXPECT_EQ(image.pixel(0, 1), qRgb(9, 9, 9));
    // Red, then the wide image: drawing stops at the last bin.
    QImage wide = Filled(QSize(800, 2), qRgb(9, 9, 9));
    std::fill(spectrum.begin(), spectrum.end(), 0);
    waterfall.drawLine(wide, spectrum, 800, 254, 0);
    EXPECT_EQ(wide.pixel(682, 0), qRgb(254, 0, 0));
    EXPECT_EQ(wide.pixel(683, 0), qRgb(9, 9, 9));
}

// ---- the display tick on the main window ----

class DisplayTick : public ::testing::Test {
  protected:
    DisplayTick() : form(harness.show()) {}

    // A spectrum message as the engine posts it: the window procedure stores the values and
    // arms Timer1. Only the posted message is delivered, no timer.
    void spectrumMessage(std::int32_t frequency, std::int32_t quality) {
        form.messageSink().post(platform::kMsgSpectrum, frequency, quality);
        QCoreApplication::sendPostedEvents(&form);
    }

    void setSpectrum(std::int32_t value) { harness.engine.fftData.fill(value); }

    QImage waterfall() const { return form.Picture1->image(); }

    FormHarness harness;
    MainWindow& form;
};

TEST_F(DisplayTick, StepsRunInOrderAndTheTickDisablesItself) {
    setSpectrum(100);
    harness.engine.vectorData.fill(0);
    spectrumMessage(1500, 50);
    ASSERT_TRUE(form.Timer1->isEnabled());

    // When the phase vector is read the waterfall line is already drawn; the quality bar, the
    // marker and the label are not yet.
    bool seen = false;
    harness.engine.onCall = [&](const EngineCall& call) {
        if (call.name != "fnGetVectorData") {
            return;
        }
        seen = true;
        EXPECT_EQ(call.args, (std::vector<std::int64_t>{0}));
        EXPECT_EQ(form.Picture1->image().pixel(0, 0), qRgb(100, 100, 255));
        EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality "));
        EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency 0 Hz"));
        EXPECT_EQ(form.Picture2->image().pixel(8, 82), kBlack);
        EXPECT_TRUE(form.Timer1->isEnabled());
    };
    form.display().Timer1_Timer();
    harness.engine.onCall = nullptr;
    EXPECT_TRUE(seen);
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality 50%"));
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency  1500Hz"));
    EXPECT_EQ(form.Image2->x(), 255);
    EXPECT_FALSE(form.Timer1->isEnabled());
}

TEST_F(DisplayTick, SpectrumMessagesBetweenTicksDrawOnlyTheNewest) {
    setSpectrum(10);
    spectrumMessage(1000, 10);
    setSpectrum(20);
    spectrumMessage(1100, 20);
    setSpectrum(30);
    spectrumMessage(1200, 30);
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().pixel(100, 0), qRgb(30, 30, 255));
    EXPECT_NE(waterfall().pixel(100, 1), qRgb(20, 20, 255));
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency  1200Hz"));
}

TEST_F(DisplayTick, ATickBeforeAnySpectrumDrawsTheBaseColour) {
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().pixel(0, 0), qRgb(0, 0, 254));
    EXPECT_EQ(waterfall().pixel(511, 0), qRgb(0, 0, 254));
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency  0Hz"));
    EXPECT_EQ(form.Image2->x(), -1);
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality 0%"));
}

TEST_F(DisplayTick, LineShowsBinsAcrossTheWidthThroughTheBluePalette) {
    std::iota(harness.engine.fftData.begin(), harness.engine.fftData.end(), 0);
    harness.engine.fftData[774] = 300;
    spectrumMessage(1500, 0);
    form.display().Timer1_Timer();
    const QImage image = waterfall();
    ASSERT_EQ(image.size(), QSize(512, 81));
    for (int x = 0; x < 512; ++x) {
        ASSERT_EQ(image.pixel(x, 0), receiver::WaterfallColour(receiver::WaterfallBin(x), 0, 254))
            << x;
    }
    // Column 516 (bin 774, white) lies beyond the drawable area: nothing spills into the
    // border, which the image does not hold.
    EXPECT_EQ(image.pixel(511, 0), receiver::WaterfallColour(766, 0, 254));
}

TEST_F(DisplayTick, SpeedFourMovesThePictureDownExactlyOneRow) {
    harness.settings.WaterfallSpectrumSpeed = 4;
    for (int level = 1; level <= 5; ++level) {
        setSpectrum(level * 10);
        spectrumMessage(1500, 0);
        form.display().Timer1_Timer();
    }
    const QImage before = waterfall();
    setSpectrum(200);
    spectrumMessage(1500, 0);
    form.display().Timer1_Timer();
    const QImage after = waterfall();
    EXPECT_EQ(after.pixel(7, 0), qRgb(200, 200, 255));
    for (int y = 1; y < 81; ++y) {
        ASSERT_EQ(after.copy(0, y, 512, 1), before.copy(0, y - 1, 512, 1)) << y;
    }
    EXPECT_EQ(after.pixel(7, 5), qRgb(10, 10, 255));
    EXPECT_EQ(after.pixel(7, 6), qRgb(0, 0, 255));  // the background under the first line
}

TEST_F(DisplayTick, SmallerSpeedsStretchTheOldPicture) {
    for (const double speed : {0.0, 2.0, 5.0}) {
        harness.settings.WaterfallSpectrumSpeed = speed;
        for (int level = 0; level < 90; ++level) {
            setSpectrum(level);
            spectrumMessage(1500, 0);
            form.display().Timer1_Timer();
        }
        const QImage before = waterfall();
        form.display().Timer1_Timer();
        const QImage after = waterfall();
        const std::vector<int> rows =
            receiver::ScrollSourceRows(81, receiver::ScrollTargetHeight(85, speed));
        for (int y = 1; y < 81; ++y) {
            ASSERT_EQ(after.pixel(3, y), before.pixel(3, rows[static_cast<std::size_t>(y)]))
                << "S " << speed << " row " << y;
        }
    }
}

TEST_F(DisplayTick, TheTickKeepsThePictureAsTheWaterfallStoodBeforeIt) {
    setSpectrum(40);
    spectrumMessage(1500, 0);
    form.display().Timer1_Timer();
    const QImage before = waterfall();
    setSpectrum(80);
    spectrumMessage(1500, 0);
    form.display().Timer1_Timer();
    EXPECT_EQ(form.Picture1->picture(), before);
    // Ticks reuse two buffers in turn: no copy of a shared drawing, no allocation.
    const uchar* first = form.Picture1->image().constBits();
    form.display().Timer1_Timer();
    const uchar* second = form.Picture1->image().constBits();
    form.display().Timer1_Timer();
    EXPECT_NE(first, second);
    EXPECT_EQ(form.Picture1->image().constBits(), first);
}

TEST_F(DisplayTick, HaltWaterfallFreezesThePictureWhileTheOtherStepsGoOn) {
    setSpectrum(60);
    spectrumMessage(1500, 20);
    form.display().Timer1_Timer();
    const QImage frozen = waterfall();
    const QImage frozenPicture = form.Picture1->picture();
    form.Check2->setChecked(true);
    setSpectrum(250);
    harness.engine.vectorData.fill(0);
    spectrumMessage(2000, 80);
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall(), frozen);
    EXPECT_EQ(form.Picture1->picture(), frozenPicture);
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality 80%"));
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency  2000Hz"));
    EXPECT_EQ(form.Picture2->image().pixel(8, 82), qRgb(200, 200, 0));
    EXPECT_EQ(form.Radars->image().pixel(11, 11), kGreen);
    EXPECT_FALSE(form.Timer1->isEnabled());

    form.Check2->setChecked(false);
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().pixel(0, 0), qRgb(250, 250, 255));
}

TEST_F(DisplayTick, IndicatorDrawsGreenSpokesOverItsBackground) {
    const QImage background = form.Radar_Pic->picture();
    ASSERT_FALSE(background.isNull());
    // Point 0 at (0, 0), the top-left corner; the others at the centre.
    harness.engine.vectorData.fill(1144);
    harness.engine.vectorData[0] = 0;
    harness.engine.vectorData[1] = 0;
    form.display().Timer1_Timer();
    const QImage drawn = form.Radars->image();
    EXPECT_EQ(drawn.pixel(1, 1), kGreen);
    EXPECT_EQ(drawn.pixel(11, 11), kGreen);
    EXPECT_EQ(drawn.pixel(21, 21), kGreen);
    EXPECT_EQ(drawn.pixel(30, 5), background.pixel(30, 5));

    // All points at the centre: the spokes collapse, nothing but the centre pixel changes.
    harness.engine.vectorData.fill(1144);
    form.display().Timer1_Timer();
    const QImage collapsed = form.Radars->image();
    for (int y = 0; y < 44; ++y) {
        for (int x = 0; x < 44; ++x) {
            if (x != 22 || y != 22) {
                ASSERT_EQ(collapsed.pixel(x, y), background.pixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST_F(DisplayTick, IndicatorOffLeavesTheLastSpokesAndOnRedrawsAtTheNextTick) {
    harness.engine.vectorData.fill(0);  // every spoke to the top-left corner
    form.display().Timer1_Timer();
    const QImage lastDrawn = form.Radars->image();
    EXPECT_EQ(lastDrawn.pixel(11, 11), kGreen);

    form.PhaseStatus[1]->setChecked(true);
    EXPECT_EQ(harness.settings.PhaseTuneStatus, KVXmodules::kFlagClear);
    harness.engine.clearCalls();
    harness.engine.vectorData.fill(2288);  // to the bottom-right corner
    form.display().Timer1_Timer();
    EXPECT_EQ(form.Radars->image(), lastDrawn);
    const auto names = harness.engine.callNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "fnGetVectorData"), 0);

    form.PhaseStatus[0]->setChecked(true);
    EXPECT_EQ(harness.settings.PhaseTuneStatus, KVXmodules::kFlagSet);
    EXPECT_EQ(form.Radars->image(), lastDrawn);
    form.display().Timer1_Timer();
    EXPECT_EQ(form.Radars->image().pixel(33, 33), kGreen);
    EXPECT_EQ(form.Radars->image().pixel(11, 11), form.Radar_Pic->picture().pixel(11, 11));
}

TEST_F(DisplayTick, QualityBarFillsFromTheBottom) {
    const auto column = [this](int x) {
        std::vector<QRgb> pixels;
        const QImage image = form.Picture2->image();
        for (int y = 0; y < image.height(); ++y) {
            pixels.push_back(image.pixel(x, y));
        }
        return pixels;
    };
    ASSERT_EQ(form.Picture2->image().size(), QSize(17, 83));

    spectrumMessage(1500, 50);
    form.display().Timer1_Timer();
    std::vector<QRgb> expected(83, kBlack);
    std::fill(expected.begin() + 42, expected.end(), qRgb(140, 140, 0));
    EXPECT_EQ(column(0), expected);
    EXPECT_EQ(column(16), expected);

    spectrumMessage(1500, 100);
    form.display().Timer1_Timer();
    EXPECT_EQ(column(8), std::vector<QRgb>(83, qRgb(240, 240, 0)));

    spectrumMessage(1500, 0);
    form.display().Timer1_Timer();
    EXPECT_EQ(column(8), std::vector<QRgb>(83, kBlack));
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality 0%"));

    spectrumMessage(1500, 1);
    form.display().Timer1_Timer();
    expected.assign(83, kBlack);
    expected[82] = qRgb(42, 42, 0);
    EXPECT_EQ(column(8), expected);

    // Out of range: clipped, and the colour limited.
    spectrumMessage(1500, 130);
    form.display().Timer1_Timer();
    EXPECT_EQ(column(8), std::vector<QRgb>(83, qRgb(255, 255, 0)));
    spectrumMessage(1500, -20);
    form.display().Timer1_Timer();
    EXPECT_EQ(column(8), std::vector<QRgb>(83, kBlack));
    EXPECT_EQ(form.Label6->text(), QStringLiteral("PSK Signal Quality-20%"));
}

TEST_F(DisplayTick, MarkerFollowsTheActiveFrequency) {
    const int top = form.Image2->y();
    for (const auto& [frequency, left] :
         std::vector<std::pair<int, int>>{{1500, 255}, {0, -1}, {3000, 510}, {1502, 255}}) {
        spectrumMessage(frequency, 0);
        form.display().Timer1_Timer();
        EXPECT_EQ(form.Image2->x(), left) << frequency;
        EXPECT_EQ(form.Image2->y(), top);
        EXPECT_EQ(form.Label9->text(), receiver::ActiveFrequencyText(frequency));
    }
}

TEST_F(DisplayTick, PaletteChangesColourTheNextLinesAndKeepTheOldOnes) {
    setSpectrum(0);
    spectrumMessage(1500, 0);
    for (int i = 0; i < 3; ++i) {
        form.display().Timer1_Timer();
    }
    const QImage picture = form.Picture1->picture();
    form.menuwaterfallcol2->trigger();
    EXPECT_TRUE(form.menuwaterfallcol2->isChecked());
    EXPECT_FALSE(form.menuwaterfallcol1->isChecked());
    EXPECT_FALSE(form.menuwaterfallcol3->isChecked());
    EXPECT_EQ(harness.settings.WaterfallColor, 1);
    EXPECT_EQ(form.Picture1->backColor(), QColor(128, 0, 0));
    // The old lines keep their colours: the box shows its picture again, the waterfall as the
    // last tick found it (without that tick's line).
    EXPECT_EQ(waterfall(), picture);

    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().pixel(0, 0), qRgb(254, 0, 0));
    EXPECT_EQ(waterfall().pixel(0, 1), qRgb(0, 0, 254));

    form.menuwaterfallcol3->trigger();
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().pixel(0, 0), kBlack);
    EXPECT_EQ(harness.settings.WaterfallBackColor, 0);

    // A number that names no palette: no tick anywhere, the values stay.
    form.setup().WaterfallColors(3);
    EXPECT_FALSE(form.menuwaterfallcol1->isChecked());
    EXPECT_FALSE(form.menuwaterfallcol2->isChecked());
    EXPECT_FALSE(form.menuwaterfallcol3->isChecked());
    EXPECT_EQ(harness.settings.WaterfallColor, 2);
    EXPECT_EQ(harness.settings.WaterfallBlueOffset, 0);

    form.menuwaterfallcol1->trigger();
    EXPECT_TRUE(form.menuwaterfallcol1->isChecked());
    EXPECT_EQ(harness.settings.WaterfallBlueOffset, 254);
    // Choosing the ticked item again keeps its tick.
    form.menuwaterfallcol1->trigger();
    EXPECT_TRUE(form.menuwaterfallcol1->isChecked());
}

TEST_F(DisplayTick, RevScreenScrollsTheLargeWaterfall) {
    form.resize(900, 800);
    processEvents();
    form.Option5->setChecked(true);
    const int clientHeight = form.clientSize().height();
    ASSERT_EQ(harness.settings.WaterfallHeight, clientHeight - 176);
    ASSERT_EQ(form.Picture1->height(), clientHeight - 176);
    const int rows = clientHeight - 180;
    ASSERT_EQ(waterfall().size(), QSize(512, rows));

    harness.settings.WaterfallSpectrumSpeed = 4;
    for (int level = 1; level <= 3; ++level) {
        setSpectrum(level * 50);
        spectrumMessage(1500, 0);
        form.display().Timer1_Timer();
    }
    const QImage image = waterfall();
    EXPECT_EQ(image.pixel(100, 0), qRgb(150, 150, 255));
    EXPECT_EQ(image.pixel(100, 1), qRgb(100, 100, 255));
    EXPECT_EQ(image.pixel(100, 2), qRgb(50, 50, 255));
    EXPECT_EQ(image.pixel(100, rows - 1), qRgb(0, 0, 255));

    // A resize goes back to the normal screen, and the waterfall goes on there.
    form.resize(901, 800);
    processEvents();
    EXPECT_EQ(harness.settings.WaterfallHeight, 85);
    form.display().Timer1_Timer();
    EXPECT_EQ(waterfall().size(), QSize(512, 81));
    EXPECT_EQ(waterfall().pixel(100, 1), qRgb(150, 150, 255));
}

// ---- tuning by mouse ----

void SendMouse(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), button,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class Tuning : public DisplayTick {};

TEST_F(Tuning, ClickTunesTheReceiverWithTheSearchRange) {
    harness.engine.clearCalls();
    const std::int32_t maxRange = harness.settings.RXfreqMaxRange;
    form.display().Picture1_MouseDown(Qt::LeftButton, Qt::NoModifier, 256, 40);
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{{"fnSetRXFrequency", {1502, 50, 0}, nullptr},
                                       {"fnSetTXFrequency", {1502}, nullptr}}));
    EXPECT_EQ(harness.settings.RXfreqMaxRange, maxRange);

    harness.engine.clearCalls();
    harness.settings.RXSearchRange = 12.5;  // a 32-bit integer, halves to even
    form.display().Picture1_MouseDown(Qt::RightButton, Qt::NoModifier, 0, 0);
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{{"fnSetRXFrequency", {0, 12, 0}, nullptr},
                                       {"fnSetTXFrequency", {0}, nullptr}}));
}

TEST_F(Tuning, ARealClickOnTheWaterfallTunesByItsDrawablePixels) {
    harness.engine.clearCalls();
    // The drawable area starts inside the 2-pixel border.
    const QPoint at(256 + 2, 30);
    SendMouse(form.Picture1, QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 1501Hz"));
    SendMouse(form.Picture1, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendMouse(form.Picture1, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(harness.engine.calls(),
              (std::vector<EngineCall>{{"fnSetRXFrequency", {1502, 50, 0}, nullptr},
                                       {"fnSetTXFrequency", {1502}, nullptr}}));
    EXPECT_FALSE(form.menuwaters->isVisible());
    // The marker and label show what the engine reports next, not the click.
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency 0 Hz"));
    spectrumMessage(1498, 0);
    form.display().Timer1_Timer();
    EXPECT_EQ(form.Label9->text(), QStringLiteral("Active Frequency  1498Hz"));
}

TEST_F(Tuning, PointerReadOutsOverTheWaterfallAndTheScale) {
    form.display().Picture1_MouseMove(Qt::NoButton, Qt::NoModifier, 0, 10);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 0Hz"));
    form.display().Picture1_MouseMove(Qt::LeftButton, Qt::NoModifier, 511, 10);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 2998Hz"));

    // The strip reports twips: 20 pixels are 300 twips.
    SendMouse(form.Image1, QEvent::MouseMove, QPoint(20, 5), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 120Hz"));
    EXPECT_EQ(form.Image1->toolTip(), QStringLiteral(" 120Hz"));
    form.display().Image1_MouseMove(Qt::NoButton, Qt::NoModifier, 129, 0);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 50Hz"));
    form.display().Image1_MouseMove(Qt::NoButton, Qt::NoModifier, 516 * 15, 0);
    EXPECT_EQ(form.Label7->text(), QStringLiteral(" 2981Hz"));
    EXPECT_EQ(form.Image1->toolTip(), QStringLiteral(" 2981Hz"));
}

TEST_F(Tuning, ReleaseClearsStopDecodeAndTheRightButtonOpensTheWaterfallMenu) {
    form.Check1->setChecked(true);
    form.display().Picture1_MouseUp(Qt::LeftButton, Qt::NoModifier, 100, 10);
    EXPECT_FALSE(form.Check1->isChecked());
    EXPECT_FALSE(form.menuwaters->isVisible());
    form.display().Picture1_MouseUp(Qt::LeftButton, Qt::NoModifier, 100, 10);
    EXPECT_FALSE(form.Check1->isChecked());

    harness.engine.clearCalls();
    const QPoint at(102, 12);
    SendMouse(form.Picture1, QEvent::MouseButtonPress, at, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(harness.engine.calls().size(), 2U);  // tuned on the press
    EXPECT_FALSE(form.menuwaters->isVisible());
    SendMouse(form.Picture1, QEvent::MouseButtonRelease, at, Qt::RightButton, Qt::NoButton);
    EXPECT_TRUE(form.menuwaters->isVisible());
    form.menuwaters->hide();
}

// ---- clock ----

TEST_F(DisplayTick, ClockShowsTheTimeOnceASecond) {
    EXPECT_TRUE(form.Timer3->isEnabled());
    EXPECT_EQ(form.Timer3->interval(), 1000);
    const QTime before = QTime::currentTime();
    form.display().Timer3_Timer();
    const QString text = form.Label4->text();
    ASSERT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(text).hasMatch())
        << text.toStdString();
    const QTime shown = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    EXPECT_LE(std::abs(before.secsTo(shown)), 1);
}

TEST(Clock, RunsWhenTheEngineDidNotStart) {
    FormHarness harness;
    harness.engine.startResult = 1;
    MainWindow& form = harness.show();
    EXPECT_EQ(harness.dialogs.shown().size(), 1U);
    EXPECT_TRUE(form.Timer3->isEnabled());
    EXPECT_FALSE(form.Timer1->isEnabled());
}

// ---- picture viewer ----

// The window is the picture's size: no band of window background beside or below it.
TEST(PictureViewer, WindowFitsItsPicture) {
    PictureWindow viewer;
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Waterfall Spectrum"));
    QImage picture = Filled(QSize(512, 300), qRgb(0, 0, 255));
    picture.setPixel(511, 299, qRgb(255, 0, 0));
    viewer.LoadPicture(picture);
    EXPECT_EQ(viewer.Picture1->pos(), QPoint(0, 0));
    EXPECT_EQ(viewer.Picture1->size(), QSize(512, 300));
    EXPECT_EQ(viewer.Picture1->image(), picture);
    EXPECT_EQ(viewer.size(), QSize(512, 300));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct Case {
        const char* name;
        const char* format;
        QSize size;
    };
    for (const Case& c : {Case{"waterfall001.png", "PNG", QSize(300, 80)},
                          Case{"waterfall001.jpg", "JPG", QSize(240, 60)},
                          Case{"waterfall001.bmp", "BMP", QSize(200, 50)}}) {
        SCOPED_TRACE(c.name);
        const QString path = folder.filePath(QString::fromLatin1(c.name));
        ASSERT_TRUE(Filled(c.size, qRgb(0, 128, 0)).save(path, c.format));
        EXPECT_TRUE(viewer.LoadPictureFile(path));
        EXPECT_EQ(viewer.Picture1->size(), c.size);
        EXPECT_EQ(viewer.size(), c.size);
        const QRgb corner = viewer.Picture1->image().pixel(c.size.width() - 1, c.size.height() - 1);
        EXPECT_NEAR(qGreen(corner), 128, 4);  // as near as JPEG keeps it
    }

    // A file that is no picture changes nothing.
    const QString text = folder.filePath(QStringLiteral("notes.bmp"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    EXPECT_FALSE(viewer.LoadPictureFile(text));
    EXPECT_FALSE(viewer.LoadPictureFile(folder.filePath(QStringLiteral("missing.jpg"))));
    EXPECT_EQ(viewer.Picture1->size(), QSize(200, 50));
}

}  // namespace
