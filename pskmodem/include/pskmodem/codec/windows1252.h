#pragma once

// Windows-1252 ("ANSI", Western European), the 8-bit character set of the engine's character
// codes and of the program's files. It is Latin-1 except for 0x80..0x9F, where it has
// typographic characters (the euro sign, quotation marks, dashes ...).

#include <cstdint>
#include <optional>

namespace pskmodem {

// The Unicode code point of a Windows-1252 character code. The five codes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same number, as Windows
// maps them.
char32_t windows1252ToUnicode(std::uint8_t code) noexcept;

// The Windows-1252 code of a Unicode code point, or nothing when Windows-1252 has no such
// character. The inverse of windows1252ToUnicode(): each of the 256 codes comes back.
std::optional<std::uint8_t> unicodeToWindows1252(char32_t codePoint) noexcept;

}  // namespace pskmodem
