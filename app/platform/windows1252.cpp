#include "platform/windows1252.h"

#include <array>

namespace KVXmodules {

namespace {

// Characters of the bytes 0x80..0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

char EncodeOne(char16_t unit) noexcept {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(static_cast<unsigned char>(unit));
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) {
            return static_cast<char>(static_cast<unsigned char>(0x80 + i));
        }
    }
    return '?';
}

}  // namespace

QChar FromWindows1252(char byte) noexcept {
    const auto value = static_cast<unsigned char>(byte);
    if (value >= 0x80 && value <= 0x9F) {
        return QChar(kHighControls[static_cast<std::size_t>(value - 0x80)]);
    }
    return QChar(static_cast<char16_t>(value));
}

QString FromWindows1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text.append(FromWindows1252(byte));
    }
    return text;
}

QByteArray ToWindows1252(QStringView text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;  // one character, one '?'
            bytes.append('?');
            continue;
        }
        bytes.append(c.isSurrogate() ? '?' : EncodeOne(c.unicode()));
    }
    return bytes;
}

}  // namespace KVXmodules
