// Accents over the next glyph of an atom: `\.x` (dot), `\:x` (two dots),
// `\-a` (bar), `\~n` (tilde), `\^x` (hat), `\0x` (ring), over one character
// or over an escape (`\.\alpha`, `\^\S`, `\.\.x`). The mark is cut out of an
// accented Latin letter and takes no room in the atom's box.
#pragma once

#include <string_view>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

// Whether the mark over base takes the capital form of its accented letter
// (sitting higher). next is the character after base, '\0' when base ends
// the atom; it is the first character of the escape when base is "\".
bool IsTallAccentBase(char base, char next);
// Whether the mark over base is drawn upright even when letters are
// italic: the bases "I", "i", "j" and the escape `\i`.
bool IsUprightAccentBase(char base, char next);

// The base of the accents at the front of s: s with its leading marks
// (`\.`, `\^`, ...) skipped; s itself when it starts with none. Raises
// EInvalidToken, as the atom walk does, for a mark that has no base.
std::string_view AccentBase(std::string_view s);

// Box of the first glyph of s: one character in the current font, or the
// glyph of a name escape, or for an accent the first glyph of its base.
// Ascent is half the height. Raises EInvalidToken for an escape that cannot
// be laid out, with the message the atom walk gives for s.
TFormulaMetrics MeasureFirstGlyph(std::string_view s, Canvas& canvas);

// The mark takes no room: the atom walk measures the rest from the base on
// and places the mark over it with PaintAccent.
//
// Draws the mark over the first glyph of rest (the atom from the base
// character on, not empty) whose place starts at pen. Only the mark is
// drawn: the accented letter clipped to the rows above the first ink row of
// its plain letter; the atom walk then draws the base with the rest. Leaves
// the font as it found it, with the charset at 1.
void PaintAccent(char mark, std::string_view rest, TFormulaOrigin pen, Canvas& canvas,
                 bool italicSwitch);
// The same with base = AccentBase(rest), which the atom walk finds once for
// a whole chain of accents over one base, so that drawing the chain takes
// time in proportion to its length.
void PaintAccent(char mark, std::string_view rest, std::string_view base, TFormulaOrigin pen,
                 Canvas& canvas, bool italicSwitch);

}  // namespace nerovan
