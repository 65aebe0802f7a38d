#include "platform/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace KVXmodules {

double RoundHalfEven(double value) noexcept {
    if (!std::isfinite(value)) {
        return value;
    }
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1.0;
    }
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

namespace {

template <typename Int>
std::optional<Int> RoundedTo(double value) noexcept {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

bool IsBlank(QChar c) noexcept {
    return c == u' ' || c == u'\t';
}

}  // namespace

std::optional<std::int16_t> ToInt16(double value) noexcept {
    return RoundedTo<std::int16_t>(value);
}

std::optional<std::int32_t> ToInt32(double value) noexcept {
    return RoundedTo<std::int32_t>(value);
}

std::optional<float> ToSingle(double value) noexcept {
    if (!std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

QString NumberTextNoTrail(double value) {
    if (value == 0.0) {
        value = 0.0;  // no "-0"
    }
    // Shortest text in fixed notation that reads back as the same double; always uses ".".
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed);
    if (error != std::errc{}) {
        return QStringLiteral(" 0");
    }
    const QString digits = QString::fromLatin1(buffer.data(), end - buffer.data());
    return value < 0.0 ? digits : u' ' + digits;
}

QString NumberText(double value) {
    return NumberTextNoTrail(value) + u' ';
}

std::optional<double> ReadNumber(QStringView line) {
    qsizetype begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) {
        ++begin;
    }
    qsizetype end = begin;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != u',') {
        ++end;
    }
    QStringView token = line.sliced(begin, end - begin);
    bool negative = false;
    if (!token.isEmpty() && (token.front() == u'+' || token.front() == u'-')) {
        negative = token.front() == u'-';
        token = token.sliced(1);
    }
    // Only digits, ".", and an exponent belong to a number; this also keeps out the "inf" and
    // "nan" that the standard parser would accept.
    std::string text;
    text.reserve(static_cast<std::size_t>(token.size()));
    for (const QChar c : token) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= u'0' && u <= u'9') || u == u'.' || u == u'e' || u == u'E' ||
                             u == u'+' || u == u'-';
        if (!allowed) {
            return std::nullopt;
        }
        text.push_back(static_cast<char>(u));
    }
    if (text.empty() || text.front() == '+' || text.front() == '-') {
        return std::nullopt;
    }
    double value = 0.0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc{} || stop != last || !std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

}  // namespace KVXmodules
