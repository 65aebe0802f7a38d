// The quick guide's letter picture must read as its text: every dot of the 5 x 7 font lit where
// the font has one and dark elsewhere, at the frequency and row where the signal put it. Its band
// picture is still the one shipped with the program.

#include "guide_pictures.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <cstdlib>

namespace {

TEST(GuidePictures, LettersWrittenIntoTheWaterfallReadAsTheText) {
    const QString text = QStringLiteral("73 DE QR9ZZ");
    const guide::LetterLayout layout;
    const QImage picture = guide::LetterPicture(text, layout);
    const int columns = static_cast<int>(text.size()) * guide::kLetterColumns;
    ASSERT_EQ(picture.height(), layout.quietRowsBefore + guide::kLetterRows * layout.hopsPerRow +
                                    layout.quietRowsAfter);

    // A dot's brightness: its middle tone's pixel in the middle of its row. Frame f after the
    // quiet rows shows at row height - 1 - f, a few frames late (the FFT window and the
    // smoothing); the delay and the threshold that read best are taken. A few dots beside lit
    // ones catch their glow; the same text upside down misreads about a fifth.
    const auto brightness = [&](int column, int row, int delay) {
        const double hz = layout.lowestHz + (column + 1.0 / 3.0) * layout.dotHz;
        const int sentFrame = layout.quietRowsBefore +
                              (guide::kLetterRows - 1 - row) * layout.hopsPerRow +
                              layout.hopsPerRow / 2;
        return qGreen(
            picture.pixel(guide::PictureColumn(hz), picture.height() - 1 - sentFrame - delay));
    };
    const int dots = columns * guide::kLetterRows;
    int bestWrong = dots;
    for (int delay = 0; delay <= 2 * layout.hopsPerRow; ++delay) {
        for (int threshold = 0; threshold < 256; threshold += 4) {
            int wrong = 0;
            for (int dot = 0; dot < dots; ++dot) {
                const int c = dot % columns;
                const int r = dot / columns;
                wrong += (brightness(c, r, delay) > threshold) != guide::LetterDot(text, c, r);
            }
            bestWrong = std::min(bestWrong, wrong);
        }
    }
    EXPECT_LE(bestWrong, dots * 3 / 100);

    // The font: blank between characters and for characters it lacks.
    EXPECT_TRUE(guide::LetterDot(text, 0, 0));
    EXPECT_FALSE(guide::LetterDot(text, guide::kLetterColumns - 1, 0));
    EXPECT_FALSE(guide::LetterDot(QStringLiteral("#"), 0, 0));
}

TEST(GuidePictures, TheBandPictureIsTheShippedOne) {
    // Of the PSK31 stations alone: the demo band's faster stations would draw wider traces. The
    // waterfall's arithmetic may differ in the last bits between builds, so a few pixels may
    // differ a little.
    const QImage shipped =
        QImage(QStringLiteral(QUORVIN_GUIDE_BAND_PICTURE)).convertToFormat(QImage::Format_RGB32);
    const QImage drawn = guide::BandPicture().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(shipped.isNull());
    ASSERT_EQ(drawn.size(), shipped.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = shipped.pixel(x, y);
            const int most = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b))});
            differing += most > 24 ? 1 : 0;
        }
    }
    EXPECT_LE(differing, drawn.width() * drawn.height() / 200);
}

}  // namespace
