// The locator arithmetic on its own: completion, case folding, validation, subsquare centres,
// distance and bearing in single precision, and the texts, down to the character.

#include "locator/locator_calc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace locator;

LocatorTexts Calculated(const std::string& home, const std::string& target) {
    LocatorTexts texts;
    texts.HomeLocator = home;
    texts.TargetLocator = target;
    LocatorCalc(texts);
    return texts;
}

struct WorkedExample {
    const char* home;
    const char* target;
    const char* distance;
    const char* azimuth;
    const char* longitude;
    const char* latitude;
};

class WorkedExamples : public ::testing::TestWithParam<WorkedExample> {};

TEST_P(WorkedExamples, ComeOutToTheCharacter) {
    const WorkedExample& e = GetParam();
    const LocatorTexts texts = Calculated(e.home, e.target);
    EXPECT_EQ(texts.DistanceText, e.distance);
    EXPECT_EQ(texts.AzimuthText, e.azimuth);
    EXPECT_EQ(texts.LongitudeText, e.longitude);
    EXPECT_EQ(texts.LatitudeText, e.latitude);
    // The inputs are left as they were.
    EXPECT_EQ(texts.HomeLocator, e.home);
    EXPECT_EQ(texts.TargetLocator, e.target);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedExamples,
    ::testing::Values(WorkedExample{"JO20AW", "JN11", " 1054", " 184", "-2.958333", " 41.47917"},
                      WorkedExample{"JN11", "JO20AW", " 1054", " 4", "-4.041667", " 50.9375"},
                      WorkedExample{"JO20AW", "JO20", " 82", " 127", "-4.958333", " 50.47917"},
                      // Case does not matter, in either locator.
                      WorkedExample{"jo20aw", "jn11", " 1054", " 184", "-2.958333", " 41.47917"},
                      WorkedExample{"Jo20aW", "jN11", " 1054", " 184", "-2.958333", " 41.47917"},
                      WorkedExample{"JN11", "jo20aw", " 1054", " 4", "-4.041667", " 50.9375"}));

TEST(WorkedExamplePaths, HaveTheDescribedFractions) {
    const GeoPoint jo20aw = *LocatorPosition("JO20AW");
    const GreatCircle there = GreatCirclePath(jo20aw, *LocatorPosition("JN11"));
    const GreatCircle back = GreatCirclePath(*LocatorPosition("JN11"), jo20aw);
    EXPECT_NEAR(there.distanceKm, 1054.19F, 0.01F);
    EXPECT_NEAR(there.azimuthDeg, 184.93F, 0.01F);
    EXPECT_NEAR(back.azimuthDeg, 4.14F, 0.01F);
    const GreatCircle near = GreatCirclePath(jo20aw, *LocatorPosition("JO20"));
    EXPECT_NEAR(near.distanceKm, 82.2F, 0.05F);
    EXPECT_NEAR(near.azimuthDeg, 127.9F, 0.1F);
}

TEST(Completion, AddsTheMiddleSubsquare) {
    EXPECT_EQ(CompleteLocator("JN11"), "JN11LL");
    EXPECT_EQ(CompleteLocator("JO20A"), "JO20AL");
    EXPECT_EQ(CompleteLocator("JO20AW"), "JO20AW");
    EXPECT_EQ(CompleteLocator("jo20a"), "jo20aL");  // upper case; folding lowers it
    EXPECT_EQ(CompleteLocator("JO2"), "JO2");       // other lengths are the caller's business
    EXPECT_EQ(CompleteLocator("JO20AWX"), "JO20AWX");

    const auto same = [](const char* a, const char* b) {
        const GeoPoint pa = *LocatorPosition(a);
        const GeoPoint pb = *LocatorPosition(b);
        return pa.longitudeDeg == pb.longitudeDeg && pa.latitudeDeg == pb.latitudeDeg;
    };
    EXPECT_TRUE(same("JN11", "JN11LL"));
    EXPECT_TRUE(same("JO20A", "JO20AL"));
    EXPECT_TRUE(same("jo20a", "JO20AL"));
    EXPECT_FALSE(same("JO20A", "JO20AW"));
}

TEST(CaseFolding, FieldsUpSubsquaresDownDigitsUntouched) {
    EXPECT_EQ(FoldLocatorCase("jo20aw"), "JO20aw");
    EXPECT_EQ(FoldLocatorCase("JO20AW"), "JO20aw");
    EXPECT_EQ(FoldLocatorCase("Jo20aW"), "JO20aw");
    // By character code: anything from "a" up loses 32 in a field position, anything up to "Z"
    // gains 32 in a subsquare position, whether or not it is a letter.
    EXPECT_EQ(FoldLocatorCase("{O20AW"), "[O20aw");
    EXPECT_EQ(FoldLocatorCase("JO20A1"), "JO20aQ");
    EXPECT_EQ(FoldLocatorCase("JO20 A"), "JO20@a");
    EXPECT_EQ(FoldLocatorCase("JOab"), "JOab");  // positions 3 and 4 stay as they are
}

TEST(Validation, AcceptsFieldsAToRAndSubsquaresAToXInEitherCase) {
    for (const char* valid : {"AA00", "RR99", "AA00AA", "RR99XX", "rr99xx", "JO20AW", "jo20aw",
                              "JO20A", "IO91wm", "JN11"}) {
        EXPECT_TRUE(LocatorPosition(valid).has_value()) << valid;
    }
}

TEST(Validation, RefusesEveryKindOfWrongCharacter) {
    for (const char* invalid : {
             "JS00",    // second field letter beyond R
             "IS12AB",  // likewise, six characters
             "SA00",    // first field letter beyond R
             "sa00",    // ... in lower case too
             "JO2OAW",  // letter O in a digit position
             "JOA0AW",  // letter in the first digit position
             "JO20A1",  // digit in a subsquare position
             "JO20 A",  // blank in a subsquare position
             "JO20AY",  // subsquare letter beyond X
             "JO20YA",  // ... in the other position
             "1O20AW",  // digit in a field position
             "J 20AW",  // blank in a field position
             " JO20",   // leading blank shifts everything
             "JO20@A",  // "@" folds to "`", below "a"
             "JO20[A",  // "[" is above "Z" and is not folded
             "J\xC9"
             "20AW",  // an accented letter
         }) {
        EXPECT_FALSE(LocatorPosition(invalid).has_value()) << invalid;
        EXPECT_FALSE(IsValidLocator(FoldLocatorCase(CompleteLocator(invalid)))) << invalid;
    }
    EXPECT_FALSE(IsValidLocator("JO20a"));     // fewer than six after completion
    EXPECT_TRUE(IsValidLocator("JO20awXYZ"));  // only six characters are looked at
}

TEST(Validation, AnInvalidLocatorWritesMinusOneAndNothingElse) {
    for (const auto& [home, target] : std::vector<std::pair<std::string, std::string>>{
             {"JS00", "JN11"}, {"JO20AW", "JO2OAW"}, {"JO20 A", "JO20A1"}}) {
        LocatorTexts texts;
        texts.HomeLocator = home;
        texts.TargetLocator = target;
        texts.DistanceText = "before";
        texts.LongitudeText = "lon";
        texts.LatitudeText = "lat";
        texts.AzimuthText = "az";
        LocatorCalc(texts);
        EXPECT_EQ(texts.DistanceText, "-1") << home << " " << target;
        EXPECT_EQ(texts.LongitudeText, "lon");
        EXPECT_EQ(texts.LatitudeText, "lat");
        EXPECT_EQ(texts.AzimuthText, "az");
    }
    // The texts of an earlier calculation stay.
    LocatorTexts texts = Calculated("JO20AW", "JN11");
    texts.TargetLocator = "JS00";
    LocatorCalc(texts);
    EXPECT_EQ(texts.DistanceText, "-1");
    EXPECT_EQ(texts.AzimuthText, " 184");
    EXPECT_EQ(texts.LongitudeText, "-2.958333");
    EXPECT_EQ(texts.LatitudeText, " 41.47917");
}

TEST(Conversion, TakesTheCentreOfTheSubsquareWithLongitudeWestPositive) {
    const GeoPoint jo20aw = *LocatorPosition("JO20AW");
    EXPECT_FLOAT_EQ(jo20aw.longitudeDeg, -4.041667F);  // 4.041667 degrees east
    EXPECT_FLOAT_EQ(jo20aw.latitudeDeg, 50.9375F);
    const GeoPoint corner = *LocatorPosition("AA00AA");  // the south-west corner... of the map
    EXPECT_FLOAT_EQ(corner.longitudeDeg, static_cast<float>(180.0 - 1.0 / 24.0));
    EXPECT_FLOAT_EQ(corner.latitudeDeg, static_cast<float>(-90.0 + 1.0 / 48.0));
    const GeoPoint other = *LocatorPosition("RR99XX");
    EXPECT_FLOAT_EQ(other.longitudeDeg, static_cast<float>(-180.0 + 1.0 / 24.0));
    EXPECT_FLOAT_EQ(other.latitudeDeg, static_cast<float>(90.0 - 1.0 / 48.0));
    // A western, southern place: positive longitude, negative latitude.
    const GeoPoint south = *LocatorPosition("FF00");
    EXPECT_GT(south.longitudeDeg, 0.0F);
    EXPECT_LT(south.latitudeDeg, 0.0F);
    // The texts show the float's seven digits: 79.041667 is stored as 79.04166.
    EXPECT_EQ(Calculated("JO20AW", "FF00").LongitudeText, " 79.04166");
    EXPECT_EQ(Calculated("JO20AW", "FF00").LatitudeText, "-39.52083");
}

TEST(SpecialPoints, CoincidentPointsAreZeroKilometresAtZeroDegrees) {
    for (const char* place : {"JO20AW", "JN11", "AA00cv", "RR99xx", "AJ00aa", "JJ00ll"}) {
        const LocatorTexts texts = Calculated(place, place);
        EXPECT_EQ(texts.DistanceText, " 0") << place;
        EXPECT_EQ(texts.AzimuthText, " 0") << place;
    }
    // A 4-character locator and its completion are the same place.
    EXPECT_EQ(Calculated("JO20", "JO20LL").DistanceText, " 0");
    EXPECT_EQ(Calculated("jo20", "JO20LL").AzimuthText, " 0");
}

TEST(SpecialPoints, EveryPlaceIsZeroKilometresFromItself) {
    // In single precision the law of cosines alone leaves about a fifth of all places a couple
    // of kilometres from themselves.
    const std::string fields = "ABCDEFGHIJKLMNOPQR";
    for (const char f1 : fields) {
        for (const char f2 : fields) {
            for (char s = 'a'; s <= 'x'; ++s) {
                const std::string place{f1, f2, '5', '5', s, static_cast<char>('a' + 'x' - s)};
                const GreatCircle path =
                    GreatCirclePath(*LocatorPosition(place), *LocatorPosition(place));
                ASSERT_EQ(path.distanceKm, 0.0F) << place;
                ASSERT_EQ(path.azimuthDeg, 0.0F) << place;
            }
        }
    }
}

TEST(SpecialPoints, AntipodesAreHalfTheCircumferenceAtZeroDegrees) {
    // AJ00aa lies at 179.958 W, 0.0208 N; JI09ax at 0.0417 E, 0.0208 S.
    const GeoPoint home = *LocatorPosition("AJ00aa");
    const GeoPoint target = *LocatorPosition("JI09ax");
    EXPECT_FLOAT_EQ(home.longitudeDeg - target.longitudeDeg, 180.0F);
    EXPECT_FLOAT_EQ(home.latitudeDeg, -target.latitudeDeg);
    const LocatorTexts texts = Calculated("AJ00aa", "JI09ax");
    EXPECT_EQ(texts.DistanceText, " 20000");  // π R = 20000.0 km
    EXPECT_EQ(texts.AzimuthText, " 0");
    EXPECT_EQ(texts.LongitudeText, "-0.04166667");
    EXPECT_EQ(texts.LatitudeText, "-0.02083333");
    EXPECT_EQ(Calculated("JI09ax", "AJ00aa").DistanceText, " 20000");
    // Nearly antipodal: the distance stays below π R and the bearing is defined.
    const LocatorTexts near = Calculated("AJ00aa", "JI09bx");
    EXPECT_EQ(near.DistanceText, " 19990");
    EXPECT_EQ(near.AzimuthText, " 270");
    const float pathKm = GreatCirclePath(home, *LocatorPosition("JI09bx")).distanceKm;
    EXPECT_LT(pathKm, kPi * kEarthRadiusKm);
}

struct BearingCase {
    const char* home;
    const char* target;
    float lowestDeg;  // the bearing lies in [lowestDeg, highestDeg)
    float highestDeg;
    const char* azimuthText;
};

class Bearings : public ::testing::TestWithParam<BearingCase> {};

INSTANTIATE_TEST_SUITE_P(
    Quadrants, Bearings,
    ::testing::Values(BearingCase{"JO20AW", "KO30", 0.0F, 90.0F, " 82"},         // north-east
                      BearingCase{"JO20AW", "KN20", 90.0F, 180.0F, " 117"},      // south-east
                      BearingCase{"JO20AW", "IN80", 180.0F, 270.0F, " 207"},     // south-west
                      BearingCase{"JO20AW", "IO91", 270.0F, 360.0F, " 281"},     // north-west
                      BearingCase{"JO20AW", "JO30AW", 89.0F, 90.0F, " 89"},      // east
                      BearingCase{"JO20AW", "JO10AW", 270.0F, 271.0F, " 270"},   // west
                      BearingCase{"jo20aw", "jo29aw", 0.0F, 0.001F, " 0"},       // due north
                      BearingCase{"jo29aw", "jo20aw", 180.0F, 180.001F, " 180"}  // due south
                      ));

// Either side of north: a twelfth of a degree of longitude over nine degrees of latitude.
INSTANTIATE_TEST_SUITE_P(
    NorthWrap, Bearings,
    ::testing::Values(BearingCase{"JO20ba", "JO29aa", 359.0F, 360.0F, " 359"},  // just west
                      BearingCase{"JO20aa", "JO29ba", 0.0F, 1.0F, " 0"},        // just east
                      // Across the date line: from 179.96 W to 179.96 E is a step west.
                      BearingCase{"AJ00aa", "RJ99xa", 359.0F, 360.0F, " 359"},
                      BearingCase{"RJ99xa", "AJ00aa", 179.0F, 180.0F, " 179"}));

TEST_P(Bearings, LieInTheirQuadrant) {
    const BearingCase& b = GetParam();
    const float azimuth =
        GreatCirclePath(*LocatorPosition(b.home), *LocatorPosition(b.target)).azimuthDeg;
    EXPECT_GE(azimuth, b.lowestDeg);
    EXPECT_LT(azimuth, b.highestDeg);
    EXPECT_EQ(Calculated(b.home, b.target).AzimuthText, b.azimuthText);
}

TEST(Bearings, ShortPathsShowTheLimitsOfSinglePrecision) {
    // Single precision leaves the cosine of a one-degree arc with four good digits: the bearing
    // of a due-north neighbour comes out a little east of north, and the way back a little
    // short of south.
    EXPECT_EQ(Calculated("JO20AW", "JO21AW").AzimuthText, " 0");
    EXPECT_EQ(Calculated("JO21AW", "JO20AW").AzimuthText, " 179");
    EXPECT_EQ(Calculated("JO20AW", "JO21AW").DistanceText, " 111");
}

// A place's great-circle distance and initial bearing in double precision, east positive.
struct Reference {
    double distanceKm;
    double azimuthDeg;
};

Reference ReferencePath(GeoPoint home, GeoPoint target) {
    constexpr double k = std::numbers::pi / 180.0;
    const double phi1 = static_cast<double>(home.latitudeDeg) * k;
    const double phi2 = static_cast<double>(target.latitudeDeg) * k;
    const double deltaEast =
        (static_cast<double>(home.longitudeDeg) - static_cast<double>(target.longitudeDeg)) * k;
    const double a = std::pow(std::sin((phi2 - phi1) / 2.0), 2.0) +
                     std::cos(phi1) * std::cos(phi2) * std::pow(std::sin(deltaEast / 2.0), 2.0);
    const double sigma = 2.0 * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
    double azimuth = std::atan2(std::sin(deltaEast) * std::cos(phi2),
                                std::cos(phi1) * std::sin(phi2) -
                                    std::sin(phi1) * std::cos(phi2) * std::cos(deltaEast)) /
                     k;
    if (azimuth < 0.0) {
        azimuth += 360.0;
    }
    return {static_cast<double>(kEarthRadiusKm) * sigma, azimuth};
}

std::string RandomLocator(std::mt19937& random) {
    const auto pick = [&random](char first, int count) {
        return static_cast<char>(first + std::uniform_int_distribution<int>(0, count - 1)(random));
    };
    std::string text{pick('A', 18), pick('A', 18), pick('0', 10),
                     pick('0', 10), pick('a', 24), pick('a', 24)};
    // Any of the three lengths, in any case.
    text.resize(static_cast<std::size_t>(std::uniform_int_distribution<int>(4, 6)(random)));
    for (char& c : text) {
        if (std::uniform_int_distribution<int>(0, 1)(random) == 1 && std::isalpha(c) != 0) {
            c = static_cast<char>(c ^ 0x20);
        }
    }
    return text;
}

TEST(RandomPairs, DistancesAreSymmetricAndBearingsInRangeAndNearExactValues) {
    std::mt19937 random(20240611U);
    for (int i = 0; i < 20000; ++i) {
        const std::string a = RandomLocator(random);
        const std::string b = RandomLocator(random);
        const GeoPoint pa = *LocatorPosition(a);
        const GeoPoint pb = *LocatorPosition(b);
        const GreatCircle there = GreatCirclePath(pa, pb);
        const GreatCircle back = GreatCirclePath(pb, pa);
        ASSERT_NEAR(there.distanceKm, back.distanceKm, 1.0F) << a << " " << b;
        ASSERT_GE(there.azimuthDeg, 0.0F) << a << " " << b;
        ASSERT_LT(there.azimuthDeg, 360.0F) << a << " " << b;
        ASSERT_GE(there.distanceKm, 0.0F);
        ASSERT_LE(there.distanceKm, kPi * kEarthRadiusKm);

        // Single precision costs a few kilometres at most, and bearings stay close wherever
        // the two places are neither very near nor nearly antipodal.
        const Reference exact = ReferencePath(pa, pb);
        ASSERT_NEAR(static_cast<double>(there.distanceKm), exact.distanceKm, 3.0) << a << " " << b;
        if (exact.distanceKm > 200.0 && exact.distanceKm < 19800.0) {
            double error = std::fabs(static_cast<double>(there.azimuthDeg) - exact.azimuthDeg);
            error = std::min(error, 360.0 - error);
            ASSERT_LT(error, 0.5) << a << " " << b;
        }

        const LocatorTexts texts = Calculated(a, b);
        ASSERT_EQ(texts.DistanceText, Calculated(b, a).DistanceText) << a << " " << b;
        ASSERT_NE(texts.DistanceText, "-1");
    }
}

TEST(NumberText, BlankBeforeNonNegativeValuesAndSevenSignificantDigits) {
    EXPECT_EQ(NumberText(0.0F), " 0");
    EXPECT_EQ(NumberText(-0.0F), " 0");
    EXPECT_EQ(NumberText(1054.0F), " 1054");
    EXPECT_EQ(NumberText(-1.0F), "-1");
    EXPECT_EQ(NumberText(-2.9583333F), "-2.958333");
    EXPECT_EQ(NumberText(41.479168F), " 41.47917");
    EXPECT_EQ(NumberText(50.9375F), " 50.9375");
    EXPECT_EQ(NumberText(0.1F), " 0.1");  // the float's own digits beyond 7 do not show
    EXPECT_EQ(NumberText(0.5F), " 0.5");
    EXPECT_EQ(NumberText(-0.5F), "-0.5");
    EXPECT_EQ(NumberText(1.0F / 48.0F), " 0.02083333");
    EXPECT_EQ(NumberText(359.99997F), " 360");  // rounded to seven digits
    EXPECT_EQ(NumberText(1234567.0F), " 1234567");
    EXPECT_EQ(NumberText(12345678.0F), " 1.234568E+07");
    EXPECT_EQ(NumberText(-0.00001F), "-1E-05");
    EXPECT_EQ(NumberText(20000.0F), " 20000");
}

TEST(NumberText, DistanceRoundsHalfUpToATenthThenDropsTheFraction) {
    EXPECT_EQ(DistanceKmText(12.96F), " 13");
    EXPECT_EQ(DistanceKmText(12.94F), " 12");
    EXPECT_EQ(DistanceKmText(12.5F), " 12");
    EXPECT_EQ(DistanceKmText(12.999F), " 13");
    EXPECT_EQ(DistanceKmText(0.04F), " 0");
    EXPECT_EQ(DistanceKmText(0.96F), " 1");
    EXPECT_EQ(DistanceKmText(1054.1908F), " 1054");
    EXPECT_EQ(DistanceKmText(kPi * kEarthRadiusKm), " 20000");
}

TEST(NumberText, AzimuthDropsTheFraction) {
    EXPECT_EQ(AzimuthDegText(184.93F), " 184");
    EXPECT_EQ(AzimuthDegText(4.14F), " 4");
    EXPECT_EQ(AzimuthDegText(359.99F), " 359");
    EXPECT_EQ(AzimuthDegText(0.99F), " 0");
    EXPECT_EQ(AzimuthDegText(0.0F), " 0");
}

TEST(LocatorChecks, LengthAndMissingLocator) {
    EXPECT_FALSE(HasLocatorLength(3));
    EXPECT_TRUE(HasLocatorLength(4));
    EXPECT_TRUE(HasLocatorLength(5));
    EXPECT_TRUE(HasLocatorLength(6));
    EXPECT_FALSE(HasLocatorLength(7));
    EXPECT_FALSE(HasLocatorLength(0));
    EXPECT_TRUE(IsMissingLocator(""));
    EXPECT_TRUE(IsMissingLocator("    "));
    EXPECT_TRUE(IsMissingLocator("  JO"));
    EXPECT_FALSE(IsMissingLocator("  JO2"));
    EXPECT_FALSE(IsMissingLocator("JO20"));
    EXPECT_FALSE(IsMissingLocator("JO  "));  // only leading blanks are removed
}

}  // namespace
