#include "locator/locator_calc.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

namespace locator {

namespace {

// Stores a value as the calculator stores every quantity: rounded to single precision.
float Single(double value) noexcept {
    return static_cast<float>(value);
}

double Wide(float value) noexcept {
    return static_cast<double>(value);
}

int Code(char c) noexcept {
    return static_cast<int>(static_cast<unsigned char>(c));
}

bool Within(char c, char first, char last) noexcept {
    return Code(c) >= Code(first) && Code(c) <= Code(last);
}

// +1 or -1 for a value beyond that magnitude, the value itself otherwise.
float ClampUnit(float value) noexcept {
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
        if (i < 2 && Code(c) >= Code('a')) {
            c = static_cast<char>(Code(c) - 32);
        } else if (i >= 4 && Code(c) <= Code('Z')) {
            c = static_cast<char>(Code(c) + 32);
        }
    }
    return folded;
}

bool IsValidLocator(std::string_view folded) noexcept {
    return folded.size() >= 6 && Within(folded[0], 'A', 'R') && Within(folded[1], 'A', 'R') &&
           Within(folded[2], '0', '9') && Within(folded[3], '0', '9') &&
           Within(folded[4], 'a', 'x') && Within(folded[5], 'a', 'x');
}

std::optional<GeoPoint> LocatorPosition(std::string_view locator) {
    const std::string folded = FoldLocatorCase(CompleteLocator(locator));
    if (!IsValidLocator(folded)) {
        return std::nullopt;
    }
    const int f1 = Code(folded[0]) - Code('A');
    const int f2 = Code(folded[1]) - Code('A');
    const int d1 = Code(folded[2]) - Code('0');
    const int d2 = Code(folded[3]) - Code('0');
    const int s1 = Code(folded[4]) - Code('a');
    const int s2 = Code(folded[5]) - Code('a');
    // The centre of the subsquare, 1/12 degree of longitude by 1/24 degree of latitude.
    GeoPoint point;
    point.longitudeDeg =
        Single(180.0 - 20.0 * f1 - 2.0 * d1 - static_cast<double>(s1) / 12.0 - 1.0 / 24.0);
    point.latitudeDeg = Single(10.0 * f2 - 90.0 + d2 + static_cast<double>(s2) / 24.0 + 1.0 / 48.0);
    return point;
}

GreatCircle GreatCirclePath(GeoPoint home, GeoPoint target) {
    // A point is 0 km from itself. In single precision sin²φ + cos²φ can round to a hair
    // below 1, which the law of cosines would turn into about 2 km at a bearing of 90 degrees.
    if (home.longitudeDeg == target.longitudeDeg && home.latitudeDeg == target.latitudeDeg) {
        return GreatCircle{};
    }
    const float k = kDegreeToRadian;
    const float lambda1 = Single(Wide(home.longitudeDeg) * Wide(k));
    const float lambda2 = Single(Wide(target.longitudeDeg) * Wide(k));
    const float phi1 = Single(Wide(home.latitudeDeg) * Wide(k));
    const float phi2 = Single(Wide(target.latitudeDeg) * Wide(k));
    const float sinPhi1 = Single(std::sin(Wide(phi1)));
    const float sinPhi2 = Single(std::sin(Wide(phi2)));
    const float cosPhi1 = Single(std::cos(Wide(phi1)));
    const float cosPhi2 = Single(std::cos(Wide(phi2)));
    // The cosine of the longitude difference is used at full precision.
    const double cosDeltaLambda = std::cos(Wide(lambda2) - Wide(lambda1));

    // Central angle by the spherical law of cosines.
    const float c = ClampUnit(
        Single(Wide(sinPhi1) * Wide(sinPhi2) + Wide(cosPhi1) * Wide(cosPhi2) * cosDeltaLambda));
    const float s = Single(std::sqrt(1.0 - Wide(c) * Wide(c)));
    // For c = 0 the quotient is infinite and the arctangent a right angle, as it must be.
    float sigma = Single(std::atan(Wide(s) / Wide(c)));
    if (c < 0.0F) {
        sigma = Single(Wide(sigma) + Wide(kPi));
    }

    GreatCircle path;
    path.distanceKm = Single(Wide(kEarthRadiusKm) * Wide(sigma));

    // Initial bearing. Coincident and antipodal points have none; they get 0.
    if (s == 0.0F) {
        path.azimuthDeg = 0.0F;
        return path;
    }
    const float cosA =
        ClampUnit(Single((Wide(sinPhi2) - Wide(sinPhi1) * Wide(c)) / (Wide(s) * Wide(cosPhi1))));
    const float sinA = Single(std::sqrt(1.0 - Wide(cosA) * Wide(cosA)));
    // Between 0 and 90 degrees; a target due east or west (cosA = 0) gives exactly 90.
    float azimuth = Single(std::atan(Wide(sinA) / std::fabs(Wide(cosA))) / Wide(k));
    if (std::sin(Wide(lambda1) - Wide(lambda2)) < 0.0) {
        azimuth = -azimuth;  // the target lies to the west
    }
    if (cosA < 0.0F) {
        azimuth = Single(180.0 - Wide(azimuth));
    }
    if (azimuth < 0.0F) {
        azimuth = Single(Wide(azimuth) + 360.0);
    }
    if (azimuth >= 360.0F) {
        azimuth = Single(Wide(azimuth) - 360.0);
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
                                            Wide(value), std::chars_format::general, 7);
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
    const double tenths = std::floor(Wide(distanceKm) * 10.0 + 0.5);
    return NumberText(Single(std::floor(tenths / 10.0)));
}

std::string AzimuthDegText(float azimuthDeg) {
    return NumberText(Single(std::floor(Wide(azimuthDeg))));
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
