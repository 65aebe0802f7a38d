#pragma once

// The arithmetic of the locator calculator: Maidenhead locators to degrees, the great-circle
// distance and initial bearing between two of them, and the texts the window shows.
//
// Plain C++ without Qt, so that the command-line tool shares it with the window. A locator is
// handled as 8-bit text, one byte per character (the window hands its text over in
// Windows-1252); every character outside plain ASCII letters and digits makes a locator
// invalid, so nothing here depends on the encoding beyond that.
//
// Quantities are 32-bit floats, each rounded to single precision where it is stored; sine,
// cosine, arctangent and square root are taken in double precision on those values. The last
// digits of the texts depend on it.
//
// Longitudes are positive WEST and negative east; latitudes positive north.

#include <optional>
#include <string>
#include <string_view>

namespace locator {

// π rounded to a float, the degree-to-radian factor derived from it, and the Earth's radius.
inline constexpr float kPi = 3.1415927F;
inline constexpr float kDegreeToRadian = static_cast<float>(static_cast<double>(kPi) / 180.0);
inline constexpr float kEarthRadiusKm = 6366.2F;

// The window's messages and titles, shared with the command-line tool.
inline constexpr std::string_view kLengthMessage =
    "Invallid locator! A locator must exist out of at least 4 characters and no more then 6 in "
    "total. Examples: JO20, JO20AW";
inline constexpr std::string_view kHomeLengthTitle = "Invalid Home Locator";
inline constexpr std::string_view kTargetLengthTitle = "Invalid Target Locator";
inline constexpr std::string_view kNoHomeMessage = "Please enter a home locator!";
inline constexpr std::string_view kNoTargetMessage = "Please enter a target locator!";
inline constexpr std::string_view kNoLocatorTitle = "No locator";
inline constexpr std::string_view kInvalidMessage = "Invalid locator!";

// What DistanceText holds when either locator is invalid.
inline constexpr std::string_view kInvalidDistance = "-1";

// The calculation's whole interface: two locators in, four texts out.
struct LocatorTexts {
    std::string HomeLocator;    // in: as typed, 4 to 6 characters
    std::string TargetLocator;  // in: as typed, 4 to 6 characters
    std::string DistanceText;   // out: whole kilometres, or "-1" for an invalid locator
    std::string LongitudeText;  // out: the target's longitude in degrees (west positive)
    std::string LatitudeText;   // out: the target's latitude in degrees
    std::string AzimuthText;    // out: bearing from home to target in whole degrees
};

// Completes, folds, validates and converts both locators, then writes the four result texts.
// When either locator is invalid, DistanceText becomes "-1" and the other three texts keep
// what they held. The caller makes sure each locator has 4 to 6 characters.
void LocatorCalc(LocatorTexts& texts);

// ---- the steps, for the window's checks, the tool and the tests ----

// A locator text of 4 to 6 characters: the only lengths the calculation accepts.
bool HasLocatorLength(std::size_t characters) noexcept;

// True when the text, without its leading blanks, has 2 characters or fewer: nothing that
// could be a locator was typed.
bool IsMissingLocator(std::string_view text) noexcept;

// Appends "LL" to 4 characters and "L" to 5; other lengths stay as they are.
std::string CompleteLocator(std::string_view locator);

// Field letters (positions 1 and 2) to upper case and subsquare letters (5 and 6) to lower
// case, by character code, not by locale. Digits (3 and 4) are left alone.
std::string FoldLocatorCase(std::string folded);

// Whether a completed, folded locator is valid: A-R, A-R, 0-9, 0-9, a-x, a-x. Only the first
// six characters are looked at; fewer than six are invalid.
bool IsValidLocator(std::string_view folded) noexcept;

// A point on the globe in degrees, longitude west positive.
struct GeoPoint {
    float longitudeDeg = 0.0F;
    float latitudeDeg = 0.0F;
};

// The centre of a locator's 6-character subsquare (after completion and case folding), or
// nothing when the locator is invalid.
std::optional<GeoPoint> LocatorPosition(std::string_view locator);

// Great-circle distance and initial bearing from home to target.
struct GreatCircle {
    float distanceKm = 0.0F;  // 0 .. π R
    float azimuthDeg = 0.0F;  // clockwise from north, [0, 360); 0 for coincident or antipodal
};

GreatCircle GreatCirclePath(GeoPoint home, GeoPoint target);

// The number rendering of all four texts: one blank before a value of zero or more, "-" before
// a negative one, at most 7 significant digits, no trailing zeros and no decimal point for
// whole values (" 1054", "-2.958333", " 41.47917", " 0.5"). Magnitudes from 10^7 up and below
// 10^-4 take an exponent (" 1.234568E+07").
std::string NumberText(float value);

// The distance rounded half up to a tenth of a kilometre, then cut to whole kilometres
// (12.96 km gives " 13", 12.94 km gives " 12").
std::string DistanceKmText(float distanceKm);

// The azimuth cut to whole degrees (184.93 gives " 184").
std::string AzimuthDegText(float azimuthDeg);

}  // namespace locator
