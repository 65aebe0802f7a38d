#include "platform/windows1252.h"

#include <cstdint>

#include "pskmodem/codec/windows1252.h"

namespace KVXmodules {

namespace {

char EncodeOne(char16_t unit) noexcept {
    const auto code = pskmodem::unicodeToWindows1252(unit);
    return code ? static_cast<char>(*code) : '?';
}

}  // namespace

QChar FromWindows1252(char byte) noexcept {
    // Every character of Windows-1252 lies in the Basic Multilingual Plane: one UTF-16 unit.
    const char32_t character = pskmodem::windows1252ToUnicode(static_cast<std::uint8_t>(byte));
    return QChar(static_cast<char16_t>(character));
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
