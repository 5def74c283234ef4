// The single-byte code pages of the expression and of the fonts: byte to
// Unicode for the charsets the typesetter selects, the Adobe Symbol encoding
// (byte to glyph name and to Unicode) and the conversions between UTF-8 and
// Windows-1251 at the boundary of the program.
#pragma once

#include <cstdint>
#include <string>

namespace nerovan {

// Unicode of byte b drawn with a text font of the given charset:
// 1 (default) = Windows-1251, 0 = 1252, 161 = 1253, 186 = 1257; any other
// charset draws Windows-1251.
uint32_t CharsetToUnicode(uint8_t charset, uint8_t b);

// Adobe glyph name of byte b in the Symbol encoding, or nullptr where the
// encoding has no glyph.
const char* SymbolGlyphName(uint8_t b);
// Unicode of byte b in the Symbol encoding (0 where it has none).
uint32_t SymbolToUnicode(uint8_t b);

// Whether the font name selects the Symbol encoding ("Symbol", any case).
bool IsSymbolFontName(const std::string& name);

// Appends the UTF-8 form of code point cp.
void AppendUtf8(std::string& out, uint32_t cp);

// Windows-1251 bytes to UTF-8.
std::string Cp1251ToUtf8(const std::string& s);
// Bytes of a font's charset (or the Symbol encoding) to UTF-8.
std::string DecodeToUtf8(const std::string& s, uint8_t charset, bool symbol_font);

// UTF-8 to Windows-1251. Returns false when the text is not valid UTF-8 or
// holds a character the code page cannot hold; bad_char then names it
// (e.g. "U+4E2D '中'" or "an invalid UTF-8 byte 0xFF at byte 3").
bool Utf8ToCp1251(const std::string& utf8, std::string& out, std::string& bad_char);

}  // namespace nerovan
