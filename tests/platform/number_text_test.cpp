// Number text, rounding, narrowing and Windows-1252 conversion used by the settings file.

#include "platform/number_text.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <limits>

#include "platform/windows1252.h"

namespace {

using namespace KVXmodules;

class GermanLocale : public ::testing::Test {
  protected:
    // A locale with "," as decimal separator must not leak into the file's numbers.
    void SetUp() override {
        saved_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        savedC_ = std::setlocale(LC_ALL, nullptr);
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    }
    void TearDown() override {
        QLocale::setDefault(saved_);
        std::setlocale(LC_ALL, savedC_.c_str());
    }

  private:
    QLocale saved_;
    std::string savedC_;
};

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5), 4.0);
    EXPECT_EQ(RoundHalfEven(-0.5), 0.0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2.0);
    EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(RoundHalfEven(2.4999999), 2.0);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3.0);
    EXPECT_EQ(RoundHalfEven(-2.6), -3.0);
    EXPECT_EQ(RoundHalfEven(4503599627370497.0), 4503599627370497.0);
}

TEST(Narrowing, Int16RoundsThenChecksTheRange) {
    EXPECT_EQ(ToInt16(32767.0), 32767);
    EXPECT_EQ(ToInt16(32767.4), 32767);
    EXPECT_EQ(ToInt16(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(ToInt16(-32768.5), -32768);       // halves to even: -32768
    EXPECT_EQ(ToInt16(-32769.0), std::nullopt);
    EXPECT_EQ(ToInt16(40000.0), std::nullopt);
    EXPECT_EQ(ToInt16(2.5), 2);
    EXPECT_EQ(ToInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(ToInt16(std::numeric_limits<double>::infinity()), std::nullopt);
}

TEST(Narrowing, Int32AndSingle) {
    EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
    EXPECT_EQ(ToInt32(2147483647.5), std::nullopt);
    EXPECT_EQ(ToInt32(-2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ToInt32(1500.5), 1500);
    EXPECT_EQ(ToSingle(9000.0), 9000.0F);
    EXPECT_EQ(ToSingle(1e39), std::nullopt);
    EXPECT_EQ(ToSingle(-1e39), std::nullopt);
}

TEST(NumberText, WholeNumbersInTheSettingsFileForm) {
    EXPECT_EQ(NumberText(1500), " 1500 ");
    EXPECT_EQ(NumberText(0), " 0 ");
    EXPECT_EQ(NumberText(-0.0), " 0 ");
    EXPECT_EQ(NumberText(-1), "-1 ");
    EXPECT_EQ(NumberText(-32768), "-32768 ");
    EXPECT_EQ(NumberText(2147483647.0), " 2147483647 ");
    EXPECT_EQ(NumberText(1e20), " 100000000000000000000 ");
    EXPECT_EQ(NumberTextNoTrail(1500), " 1500");
    EXPECT_EQ(NumberTextNoTrail(-7), "-7");
}

TEST_F(GermanLocale, FractionsUseAPointAndReadBackExactly) {
    EXPECT_EQ(NumberText(2.5), " 2.5 ");
    EXPECT_EQ(NumberText(-0.25), "-0.25 ");
    for (const double value : {0.1, 2.5, 1.0 / 3.0, -123.456, 5e-7, 12345.678901234567}) {
        const auto back = ReadNumber(NumberText(value));
        ASSERT_TRUE(back.has_value()) << value;
        EXPECT_EQ(*back, value);
    }
}

TEST_F(GermanLocale, ReaderAcceptsTheSettingsFileForms) {
    EXPECT_EQ(ReadNumber(u" 1500 "), 1500.0);
    EXPECT_EQ(ReadNumber(u"-1 "), -1.0);
    EXPECT_EQ(ReadNumber(u"   \t42"), 42.0);
    EXPECT_EQ(ReadNumber(u" .5 "), 0.5);
    EXPECT_EQ(ReadNumber(u"+7"), 7.0);
    EXPECT_EQ(ReadNumber(u" 2.5E+1 "), 25.0);
    EXPECT_EQ(ReadNumber(u"1.5e-1"), 0.15);
}

TEST(NumberReader, NumberEndsAtBlankOrComma) {
    EXPECT_EQ(ReadNumber(u" 12 34"), 12.0);
    EXPECT_EQ(ReadNumber(u"3,5"), 3.0);
    EXPECT_EQ(ReadNumber(u" 12 text after the number"), 12.0);
}

TEST(NumberReader, NoNumberIsReported) {
    EXPECT_EQ(ReadNumber(u""), std::nullopt);
    EXPECT_EQ(ReadNumber(u"    "), std::nullopt);
    EXPECT_EQ(ReadNumber(u"abc"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"12abc"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"-"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"--1"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"1e"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"inf"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"nan"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"1e999"), std::nullopt);
    EXPECT_EQ(ReadNumber(u",5"), std::nullopt);
    EXPECT_EQ(ReadNumber(u"\u0661"), std::nullopt);  // Arabic-Indic digit one
}

TEST(Windows1252, EveryByteRoundTrips) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(static_cast<char>(b));
    }
    const QString text = FromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToWindows1252(text), all);
}

TEST(Windows1252, TheRangeThatDiffersFromLatin1) {
    EXPECT_EQ(FromWindows1252('\x80'), QChar(0x20AC));  // euro sign
    EXPECT_EQ(FromWindows1252('\x8A'), QChar(0x0160));  // S caron
    EXPECT_EQ(FromWindows1252('\x92'), QChar(0x2019));  // right single quote
    EXPECT_EQ(FromWindows1252('\x9F'), QChar(0x0178));  // Y diaeresis
    EXPECT_EQ(FromWindows1252('\x81'), QChar(0x0081));  // undefined: same number
    EXPECT_EQ(FromWindows1252('\xE9'), QChar(0x00E9));  // e acute, as in Latin-1
    EXPECT_EQ(ToWindows1252(u"\u20ac \u00e9 \u2122 \u0153"), QByteArray("\x80 \xE9 \x99 \x9C"));
}

TEST(Windows1252, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(ToWindows1252(u"\u0416"), "?");               // Cyrillic Zhe
    EXPECT_EQ(ToWindows1252(u"a\U0001F600b"), "a?b");       // one character outside the BMP
    EXPECT_EQ(ToWindows1252(QString(QChar(0xD800))), "?");  // lone surrogate
    EXPECT_EQ(ToWindows1252(u"\u0080"), "?");  // the C1 control that 0x80 does not mean
}

}  // namespace
