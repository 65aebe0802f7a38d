#pragma once

// Number conversions of the settings file and of the program's read-outs: rounding to the
// nearest integer with halves to the even neighbour, the checked narrowing to the settings'
// integer types, the settings file's number text and the number reader.

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace KVXmodules {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), whatever the
// floating-point rounding mode. Non-finite values come back unchanged.
double RoundHalfEven(double value) noexcept;

// Rounded (halves to even) and narrowed; empty when the rounded value lies outside the type or
// the value is not finite.
std::optional<std::int16_t> ToInt16(double value) noexcept;
std::optional<std::int32_t> ToInt32(double value) noexcept;

// Narrowed to single precision (no rounding to an integer); empty when the value is not finite
// or too large for a float.
std::optional<float> ToSingle(double value) noexcept;

// The settings file's number text: one blank for a value of zero or more, "-" for a negative one,
// the digits without grouping and one trailing blank. Whole numbers have no decimal point
// (" 1500 ", "-1 "); fractions use "." whatever the locale and as many digits as it takes to
// read back the same double (" 2.5 ", " 0.1 "). Not meant for infinities or NaN.
QString NumberText(double value);

// Like NumberText without the trailing blank, for labels and read-outs (" 1500", "-1").
QString NumberTextNoTrail(double value);

// Reads the number at the start of a value line: leading blanks (spaces, tabs) are skipped and
// the number runs up to the next blank, comma or the end of the line; whatever follows on the
// line is not looked at. The number is written in decimal with "." as separator, an optional
// sign and exponent (" 1500 ", "-1", ".5", "2.5E+1"). Empty when there is no number there, when
// the text up to the end of the number is not all number ("12abc"), or when it overflows a
// double; the settings reader counts each of these as a failing step.
std::optional<double> ReadNumber(QStringView line);

}  // namespace KVXmodules
