#include "locator/locator_calc.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace locator {

namespace {

// Stores a value as the calculator stores every quantity: rounded to single precision.
float single(double value) noexcept {
    return static_cast<float>(value);
}

double wide(float value) noexcept {
    return static_cast<double>(value);
}

int code(char c) noexcept {
    return static_cast<int>(static_cast<unsigned char>(c));
}

bool within(char c, char first, char last) noexcept {
    return code(c) >= code(first) && code(c) <= code(last);
}

// +1 or -1 for a value beyond that magnitude, the value itself otherwise.
float clampUnit(float value) noexcept {
    if (std::fabs(value) > 1.0F) {
        return value > 0.0F ? 1.0F : -1.0F;
    }
    return value;
}

}  // namespace

bool HasLocatorLength(std::size_t characters) noexcept {
    return characters >= 4 && characters <= 6;
}

bool IsMissingLocator(std::string_view text) noexcept {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t left = first == std::string_view::npos ? 0 : text.size() - first;
    return left <= 2;
}

std::string CompleteLocator(std::string_view locator) {
    std::string completed(locator);
    if (completed.size() == 4) {
        completed += "LL";
    } else if (completed.size() == 5) {
        completed += "L";
    }
    return completed;
}

std::string FoldLocatorCase(std::string folded) {
    for (std::size_t i = 0; i < folded.size() && i < 6; ++i) {
        char& c = folded[i];
        if (i < 2 && code(c) >= code('a')) {
            c = static_cast<char>(code(c) - 32);
        } else if (i >= 4 && code(c) <= code('Z')) {
            c = static_cast<char>(code(c) + 32);
        }
    }
    return folded;
}

bool IsValidLocator(std::string_view folded) noexcept {
    return folded.size() >= 6 && within(folded[0], 'A', 'R') && within(folded[1], 'A', 'R') &&
           within(folded[2], '0', '9') && within(folded[3], '0', '9') &&
           within(folded[4], 'a', 'x') && within(folded[5], 'a', 'x');
}

std::optional<GeoPoint> LocatorPosition(std::string_view locator) {
    const std::string folded = FoldLocatorCase(CompleteLocator(locator));
    if (!IsValidLocator(folded)) {
        return std::nullopt;
    }
    const int f1 = code(folded[0]) - code('A');
    const int f2 = code(folded[1]) - code('A');
    const int d1 = code(folded[2]) - code('0');
    const int d2 = code(folded[3]) - code('0');
    const int s1 = code(folded[4]) - code('a');
    const int s2 = code(folded[5]) - code('a');
    // The centre of the subsquare, 1/12 degree of longitude by 1/24 degree of latitude.
    GeoPoint point;
    point.longitudeDeg =
        single(180.0 - 20.0 * f1 - 2.0 * d1 - static_cast<double>(s1) / 12.0 - 1.0 / 24.0);
    point.latitudeDeg = single(10.0 * f2 - 90.0 + d2 + static_cast<double>(s2) / 24.0 + 1.0 / 48.0);
    return point;
}

GreatCircle GreatCirclePath(GeoPoint home, GeoPoint target) {
    // A point is 0 km from itself. In single precision sin²φ + cos²φ can round to a hair
    // below 1, which the law of cosines would turn into about 2 km at a bearing of 90 degrees.
    if (home.longitudeDeg == target.longitudeDeg && home.latitudeDeg == target.latitudeDeg) {
        return GreatCircle{};
    }
    const float k = kDegreeToRadian;
    const float lambda1 = single(wide(home.longitudeDeg) * wide(k));
    const float lambda2 = single(wide(target.longitudeDeg) * wide(k));
    const float phi1 = single(wide(home.latitudeDeg) * wide(k));
    const float phi2 = single(wide(target.latitudeDeg) * wide(k));
    const float sinPhi1 = single(std::sin(wide(phi1)));
    const float sinPhi2 = single(std::sin(wide(phi2)));
    const float cosPhi1 = single(std::cos(wide(phi1)));
    const float cosPhi2 = single(std::cos(wide(phi2)));
    // The cosine of the longitude difference is used at full precision.
    const double cosDeltaLambda = std::cos(wide(lambda2) - wide(lambda1));

    // Central angle by the spherical law of cosines.
    const float c = clampUnit(
        single(wide(sinPhi1) * wide(sinPhi2) + wide(cosPhi1) * wide(cosPhi2) * cosDeltaLambda));
    const float s = single(std::sqrt(1.0 - wide(c) * wide(c)));
    // For c = 0 the quotient is infinite and the arctangent a right angle, as it must be.
    float sigma = single(std::atan(wide(s) / wide(c)));
    if (c < 0.0F) {
        sigma = single(wide(sigma) + wide(kPi));
    }

    GreatCircle path;
    path.distanceKm = single(wide(kEarthRadiusKm) * wide(sigma));

    // Initial bearing. Coincident and antipodal points have none; they get 0.
    if (s == 0.0F) {
        path.azimuthDeg = 0.0F;
        return path;
    }
    const float cosA =
        clampUnit(single((wide(sinPhi2) - wide(sinPhi1) * wide(c)) / (wide(s) * wide(cosPhi1))));
    const float sinA = single(std::sqrt(1.0 - wide(cosA) * wide(cosA)));
    // Between 0 and 90 degrees; a target due east or west (cosA = 0) gives exactly 90.
    float azimuth = single(std::atan(wide(sinA) / std::fabs(wide(cosA))) / wide(k));
    if (std::sin(wide(lambda1) - wide(lambda2)) < 0.0) {
        azimuth = -azimuth;  // the target lies to the west
    }
    if (cosA < 0.0F) {
        azimuth = single(180.0 - wide(azimuth));
    }
    if (azimuth < 0.0F) {
        azimuth = single(wide(azimuth) + 360.0);
    }
    if (azimuth >= 360.0F) {
        azimuth = single(wide(azimuth) - 360.0);
    }
    path.azimuthDeg = azimuth;
    return path;
}

std::string NumberText(float value) {
    if (value == 0.0F) {
        return " 0";  // never "-0"
    }
    if (std::isnan(value)) {
        return " NaN";
    }
    if (std::isinf(value)) {
        return value > 0.0F ? " Inf" : "-Inf";
    }
    // Seven significant digits, trailing zeros dropped, an exponent only for very large or very
    // small magnitudes: printf's %.7G, but independent of the locale.
    std::array<char, 32> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                            wide(value), std::chars_format::general, 7);
    if (error != std::errc{}) {
        return " 0";
    }
    std::string digits(buffer.data(), end);
    for (char& c : digits) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return value < 0.0F ? digits : ' ' + digits;
}

std::string DistanceKmText(float distanceKm) {
    const double tenths = std::floor(wide(distanceKm) * 10.0 + 0.5);
    return NumberText(single(std::floor(tenths / 10.0)));
}

std::string AzimuthDegText(float azimuthDeg) {
    return NumberText(single(std::floor(wide(azimuthDeg))));
}

void LocatorCalc(LocatorTexts& texts) {
    const std::optional<GeoPoint> home = LocatorPosition(texts.HomeLocator);
    const std::optional<GeoPoint> target = LocatorPosition(texts.TargetLocator);
    if (!home || !target) {
        texts.DistanceText = kInvalidDistance;
        return;
    }
    const GreatCircle path = GreatCirclePath(*home, *target);
    texts.DistanceText = DistanceKmText(path.distanceKm);
    texts.AzimuthText = AzimuthDegText(path.azimuthDeg);
    texts.LongitudeText = NumberText(target->longitudeDeg);
    texts.LatitudeText = NumberText(target->latitudeDeg);
}

}  // namespace locator
