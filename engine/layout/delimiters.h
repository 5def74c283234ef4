// Stretchable delimiters around a laid-out box: parentheses, square
// brackets, braces and bars (pairs such as "()", "[]", "{}", "||", "|)"),
// drawn as font characters while small and with the pen once taller; also
// the pen-drawn marks (multiplication dot, minus bar, wide square bracket).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

// Where the content inside a pair of delimiters is painted, and the
// half-height f of the delimiters (they are 2f high, centred on the
// alignment line).
struct TDelimiterOrigin {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t HalfHeight = 0;
};

// The content's box widened by the room of a delimiter on each side;
// height and ascent are unchanged.
TFormulaMetrics PadForDelimiters(const TFormulaMetrics& m);
// Draws the pair (opening character, closing character) around the padded
// box m at origin, and returns where the content goes. A character that is
// no delimiter (a blank, for instance) leaves its side open.
TDelimiterOrigin PaintDelimiters(TFormulaOrigin origin, const TFormulaMetrics& m, Canvas& canvas,
                                 std::string_view pair);

// Single glyphs h pixels high. An opening glyph's origin is the top-left
// corner of its cell; a closing glyph's X is the right edge of its cell.
void PaintLeftParen(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintRightParen(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintLeftSquare(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintRightSquare(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintLeftBrace(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintRightBrace(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintLeftBar(TFormulaOrigin origin, int h, Canvas& canvas);
void PaintRightBar(TFormulaOrigin origin, int h, Canvas& canvas);
// An opening square bracket with arms as long as half an "=".
void PaintWideSquare(TFormulaOrigin origin, int h, Canvas& canvas);

// The radius q of a large brace's hooks: half the width of a "-".
inline int BraceHookRadius(Canvas& canvas) { return canvas.TextWidth("-") / 2; }
// The wide square's arm length: half the width of a "="; the bracket stands
// half an arm in from the edge of its cell and from its top and bottom.
inline int WideSquareArm(Canvas& canvas) { return canvas.TextWidth("=") / 2; }
inline int WideSquareInset(int arm) { return arm / 2; }

// A two-pixel dot in the cell of a "." whose top-left is (x, y); nothing
// while the pass's MulPoint is off.
void PaintMulDot(int x, int y, Canvas& canvas);
// A horizontal bar through the middle of the cell of a "=" whose top-left
// is (x, y), thicker for large fonts.
void PaintMinusBar(int x, int y, Canvas& canvas);

int Max2(int a, int b);
int Max3(int a, int b, int c);

}  // namespace nerovan
