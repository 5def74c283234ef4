// Greek letters and special signs named by backslash escapes inside atoms:
// `\alpha`, `\a`, `\OMEGA`, `\Dzeta` (Greek letters of the text font, code
// page 1253) and `\pm`, `\bb`, `\ox`, `\LL` (signs of the font "Symbol",
// centred on the middle of the text font's cell).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

// The font the special signs are drawn from.
extern const char* const SymbolFontName;

// Code-page-1253 bytes of the Greek letters named by one Latin letter, a..z
// and A..Z; '?' marks a letter without a Greek counterpart (j, q, v, y).
extern const uint8_t GreekSmallLetters[26];
extern const uint8_t GreekCapitalLetters[26];

// "A".."Z" and "a".."z"; no byte of 0x80 or more.
bool IsLatinLetter(char c);
// "a".."z".
bool IsSmallLatinLetter(char c);

// True and the Symbol-font byte when name is one of the 19 special-sign
// names (exact, case-sensitive); false and byte untouched otherwise.
bool DecodeSymbolEscape(std::string_view name, uint8_t& byte);

// The code-page-1253 byte of the Greek letter a name (not empty) stands for.
// Raises EInvalidToken "Invalid greek symbol in \"name\"", the name as
// written when it starts with a small letter, in small letters otherwise.
uint8_t DecodeGreek(std::string_view name);

// The glyph a name escape stands for: a byte of the font "Symbol", or a
// byte of the text font in the Greek charset.
struct TNamedGlyph {
    bool Symbol = false;
    uint8_t Byte = 0;
};

// Resolves a name: a special sign first, then a Greek letter (which may raise).
TNamedGlyph ResolveNamedGlyph(std::string_view name);

// Width of the glyph of a name escape, as it advances an atom. The glyph's
// height does not count in an atom. Raises for a name that is no glyph,
// leaving the font untouched; otherwise leaves the charset at 1 and the
// font name, size, style and colour as they were.
int MeasureNamedGlyph(std::string_view name, Canvas& canvas);
// Draws the glyph with its place's top-left corner at pen and returns its
// advance (what MeasureNamedGlyph gives). A Greek letter sits in the text
// line like ordinary text; a Symbol sign is centred vertically on the middle
// of the text font's cell. Same font state afterwards as MeasureNamedGlyph.
int PaintNamedGlyph(std::string_view name, TFormulaOrigin pen, Canvas& canvas);

// Box of the glyph alone: TextWidth and TextHeight in its font, Ascent half
// the height. Used to centre an accent over a named glyph.
TFormulaMetrics MeasureNamedGlyphBox(std::string_view name, Canvas& canvas);

}  // namespace nerovan
