#pragma once

// Windows-1252 ("ANSI", Western European) text, the 8-bit form of the settings file and of the
// engine's character codes. Qt has no codec for it; it is Latin-1 except for 0x80..0x9F.

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <QStringView>

namespace KVXmodules {

// One byte to its character. The five bytes that Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows maps them.
QChar FromWindows1252(char byte) noexcept;
QString FromWindows1252(QByteArrayView bytes);

// Characters with no byte in Windows-1252 (and lone surrogates) become '?'; a character
// outside the Basic Multilingual Plane becomes one '?'.
QByteArray ToWindows1252(QStringView text);

}  // namespace KVXmodules
