// Stretchable delimiters around a laid-out box: parentheses, square
// brackets, braces and bars (pairs such as "()", "[]", "{}", "||", "|)"),
// drawn as font characters while small and with the pen once taller; also
// the pen-drawn marks (multiplication dot, minus bar, wide square bracket).
#include "delimiters.h"

#include <algorithm>

#include "style.h"

namespace nerovan {

namespace {

// Parentheses keep a thin pen longer than the straight glyphs.
constexpr int kParenThinLimit = 80;
constexpr int kStraightThinLimit = 60;

int PenWidthFor(int h, int thin_limit) { return h <= thin_limit ? 1 : 2; }

// The small form: the font's own character, an opening one with its cell's
// left edge at x, a closing one with its cell's right edge at x.
void DrawOpeningChar(TFormulaOrigin o, Canvas& canvas, std::string_view c) {
    canvas.TextOut(o.X, o.Y, c);
}

void DrawClosingChar(TFormulaOrigin o, Canvas& canvas, std::string_view c) {
    canvas.TextOut(o.X - canvas.TextWidth(c), o.Y, c);
}

// A bracket drawn as a character while h fits the character's cell
// (with one pixel to spare), with the pen once it is taller.
bool IsLargeBracket(int h, Canvas& canvas, std::string_view c) {
    return h > canvas.TextHeight(c) + 1;
}

// Braces and the wide square switch at the height of a capital letter.
bool IsLargeBrace(int h, Canvas& canvas) { return h > canvas.TextHeight("K"); }

// The square brackets' arm length: an eighth of h, shorter in proportion (a
// twelfth of h) once the pen is thick.
constexpr int kThinSquareArmDivisor = 8;
constexpr int kThickSquareArmDivisor = 12;
int SquareArm(int h) {
    return h <= kStraightThinLimit ? h / kThinSquareArmDivisor : h / kThickSquareArmDivisor;
}

// The room of a delimiter beside the content: a sixth of the content's
// height, as the pen-drawn delimiters widen when they grow taller, and a few
// pixels. The pair takes two sixths (rounded once) and 5 pixels, the opening
// one a sixth and 2.
constexpr int kDelimiterRoomDivisor = 6;
constexpr int kPairRoomPixels = 5;
constexpr int kOpeningRoomPixels = 2;
int PairRoom(int h) { return (2 * h) / kDelimiterRoomDivisor; }
int OpeningRoom(int h) { return h / kDelimiterRoomDivisor; }

// A large parenthesis's ellipse: one and a half times h wide, reaching a
// quarter of h beyond the cell at top and bottom; its ends' rays aim a tenth
// of h inside the cell's corners.
int ParenEllipseWidth(int h) { return h + h / 2; }
int ParenOverhang(int h) { return h / 4; }
int ParenEndInset(int h) { return h / 10; }

// A large bar stands a twelfth of h in from its cell's edge and is a ninth
// of h short at both ends.
int BarInset(int h) { return h / 12; }
int BarShortening(int h) { return h / 9; }

// The point in the middle of a large brace juts out half a hook radius
// beyond the stem.
int BracePointReach(int q) { return q / 2; }

}  // namespace

TFormulaMetrics PadForDelimiters(const TFormulaMetrics& m) {
    TFormulaMetrics r = m;
    r.Width = SizeSum(m.Width, PairRoom(m.Height), kPairRoomPixels);
    return r;
}

TDelimiterOrigin PaintDelimiters(TFormulaOrigin origin, const TFormulaMetrics& m, Canvas& canvas,
                                 std::string_view pair) {
    // The shorter of the parts above and below the alignment line decides,
    // so the pair stays centred on the line and inside the box.
    const int f = std::min(m.Ascent, m.Height - m.Ascent);
    const int h = 2 * f;
    const int top = origin.Y + m.Ascent - f;
    const char open = pair.size() > 0 ? pair[0] : ' ';
    const char close = pair.size() > 1 ? pair[1] : ' ';

    const TFormulaOrigin left{origin.X, top};
    switch (open) {
        case '(': PaintLeftParen(left, h, canvas); break;
        case '[': PaintLeftSquare(left, h, canvas); break;
        case '{': PaintLeftBrace(left, h, canvas); break;
        case '|': PaintLeftBar(left, h, canvas); break;
        default: break;
    }
    const TFormulaOrigin right{origin.X + m.Width, top};
    switch (close) {
        case ')': PaintRightParen(right, h, canvas); break;
        case ']': PaintRightSquare(right, h, canvas); break;
        case '}': PaintRightBrace(right, h, canvas); break;
        case '|': PaintRightBar(right, h, canvas); break;
        default: break;
    }
    return {origin.X + OpeningRoom(m.Height) + kOpeningRoomPixels, origin.Y, f};
}

// Parentheses: the left and right flanks of an ellipse one and a half times
// as wide as h, cut off by the rays towards points a tenth of h inside the
// cell's corners.
void PaintLeftParen(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, "(")) {
        DrawOpeningChar(o, canvas, "(");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kParenThinLimit);
    const int x = o.X + 1;
    const int overhang = ParenOverhang(h), inset = ParenEndInset(h);
    canvas.Arc(x, o.Y - overhang, x + ParenEllipseWidth(h), o.Y + h + overhang,  //
               x + inset, o.Y + 2 + inset,                                       //
               x + inset, o.Y + h + 2 - inset);
}

void PaintRightParen(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, ")")) {
        DrawClosingChar(o, canvas, ")");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kParenThinLimit);
    const int x = o.X - 1;
    const int overhang = ParenOverhang(h), inset = ParenEndInset(h);
    canvas.Arc(x - ParenEllipseWidth(h), o.Y - overhang, x, o.Y + h + overhang,  //
               x - inset, o.Y + h - inset,                                       //
               x - inset, o.Y - 1 + inset);
}

// Square brackets: a vertical stroke with arms at both ends.
void PaintLeftSquare(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, "[")) {
        DrawOpeningChar(o, canvas, "[");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int d = SquareArm(h);
    const int x = o.X + 2;
    canvas.MoveTo(x + d, o.Y + d);
    canvas.LineTo(x, o.Y + d);
    canvas.LineTo(x, o.Y + h - d);
    canvas.LineTo(x + d, o.Y + h - d);
}

void PaintRightSquare(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, "]")) {
        DrawClosingChar(o, canvas, "]");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int d = SquareArm(h);
    const int x = o.X - 3;
    // The top arm starts one pixel in, so both arms cover the same columns
    // (the bottom arm's end point is excluded).
    canvas.MoveTo(x - d + 1, o.Y + d);
    canvas.LineTo(x, o.Y + d);
    canvas.LineTo(x, o.Y + h - d);
    canvas.LineTo(x - d, o.Y + h - d);
}

// Braces: a stem with a point in the middle and quarter-circle hooks of
// radius q (half the width of a "-") at both ends.
void PaintLeftBrace(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBrace(h, canvas)) {
        DrawOpeningChar(o, canvas, "{");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int q = BraceHookRadius(canvas);
    const int r = BracePointReach(q);
    const int m = CentredAscent(h);  // the point, on the alignment line
    const int x = o.X, y = o.Y;
    canvas.MoveTo(x + q, y + q);
    canvas.LineTo(x + q, y + m - q);
    canvas.LineTo(x + r, y + m);
    canvas.LineTo(x + q, y + m + q);
    canvas.LineTo(x + q, y + h - q);
    // Top hook: from the top of the circle round its left side to the stem.
    canvas.Arc(x + q, y, x + 3 * q, y + 2 * q, x + 2 * q, y, x + q, y + q);
    // Bottom hook: from the stem round the left side to the bottom.
    canvas.Arc(x + q, y + h - 2 * q, x + 3 * q, y + h, x + q, y + h - q, x + 2 * q, y + h);
}

void PaintRightBrace(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBrace(h, canvas)) {
        DrawClosingChar(o, canvas, "}");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int q = BraceHookRadius(canvas);
    const int r = BracePointReach(q);
    const int m = CentredAscent(h);  // the point, on the alignment line
    const int x = o.X, y = o.Y;
    canvas.MoveTo(x - q, y + q - 1);
    canvas.LineTo(x - q, y + m - q);
    canvas.LineTo(x - q + r, y + m);
    canvas.LineTo(x - q, y + m + q);
    canvas.LineTo(x - q, y + h - q + 1);
    // Top hook: from the stem round the right side to the top of the circle.
    canvas.Arc(x - q + 1, y, x - 3 * q + 1, y + 2 * q, x - q + 1, y + q, x - 2 * q + 1, y);
    // Bottom hook: from the bottom of the circle round the right side to the stem.
    canvas.Arc(x - q, y + h - 2 * q, x - 3 * q, y + h, x - 2 * q, y + h, x - q, y + h - q);
}

// Bars: one vertical stroke, a ninth of h short at both ends.
void PaintLeftBar(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, "|")) {
        DrawOpeningChar(o, canvas, "|");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int x = o.X + BarInset(h) + 1;
    canvas.MoveTo(x, o.Y + BarShortening(h));
    canvas.LineTo(x, o.Y + h - BarShortening(h));
}

void PaintRightBar(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBracket(h, canvas, "|")) {
        DrawClosingChar(o, canvas, "|");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int x = o.X - 2 - BarInset(h);
    canvas.MoveTo(x, o.Y + BarShortening(h));
    canvas.LineTo(x, o.Y + h - BarShortening(h));
}

void PaintWideSquare(TFormulaOrigin o, int h, Canvas& canvas) {
    if (!IsLargeBrace(h, canvas)) {
        DrawOpeningChar(o, canvas, "[");
        return;
    }
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = PenWidthFor(h, kStraightThinLimit);
    const int w = WideSquareArm(canvas);
    const int d = WideSquareInset(w);
    canvas.MoveTo(o.X + w + d, o.Y + d);
    canvas.LineTo(o.X + d, o.Y + d);
    canvas.LineTo(o.X + d, o.Y + h - d);
    canvas.LineTo(o.X + w + d, o.Y + h - d);
}

void PaintMulDot(int x, int y, Canvas& canvas) {
    if (!canvas.Pass.MulPoint) return;
    const int a = Middle(canvas.TextWidth("."));
    const int b = CentredAscent(canvas.TextHeight("."));
    CanvasStateGuard guard(canvas);
    // The dot is an outline only: a solid brush would fill it with the
    // brush colour, so the brush is clear while it is drawn.
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Pen.Width = 1;
    canvas.Ellipse(x + a, y + b - 1, x + a + 2, y + b + 1);
}

void PaintMinusBar(int x, int y, Canvas& canvas) {
    const int w = canvas.TextWidth("=");
    const int t = canvas.TextHeight("=");
    CanvasStateGuard guard(canvas);
    canvas.Pen.Width = BarPenWidth(canvas.Font.Size(), canvas.Pen.Width);
    canvas.MoveTo(x + 1, y + CentredAscent(t));
    canvas.LineTo(x + w - 1, y + CentredAscent(t));
}

int Max2(int a, int b) { return a > b ? a : b; }

int Max3(int a, int b, int c) { return Max2(Max2(a, b), c); }

}  // namespace nerovan
