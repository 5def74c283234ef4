// Delimiters and pen-drawn marks: the exact lines and arcs of every glyph in
// its large form, the switches to the font's character and between pen
// widths, the centring of a pair around a box, and with the real fonts that
// the ink of a pair stays in the room reserved for it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap.h"
#include "delimiters.h"
#include "raster_canvas.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

// One recorded operation in a compact form that the tables below spell out.
std::string Op(const DrawOp& op) {
    char buf[160];
    switch (op.Kind) {
        case DrawOpKind::Text:
            std::snprintf(buf, sizeof buf, "text %d %d %s", op.X1, op.Y1, op.Text.c_str());
            break;
        case DrawOpKind::Line:
            std::snprintf(buf, sizeof buf, "line %d %d %d %d w%d", op.X1, op.Y1, op.X2, op.Y2,
                          op.PenWidth);
            break;
        case DrawOpKind::Arc:
            std::snprintf(buf, sizeof buf, "arc %d %d %d %d %d %d %d %d w%d", op.Rect.Left,
                          op.Rect.Top, op.Rect.Right, op.Rect.Bottom, op.X1, op.Y1, op.X2, op.Y2,
                          op.PenWidth);
            break;
        case DrawOpKind::Ellipse:
            std::snprintf(buf, sizeof buf, "ellipse %d %d %d %d w%d%s", op.Rect.Left, op.Rect.Top,
                          op.Rect.Right, op.Rect.Bottom, op.PenWidth, op.Filled ? " filled" : "");
            break;
        default: std::snprintf(buf, sizeof buf, "fill"); break;
    }
    return buf;
}

std::vector<std::string> Ops(const TestCanvas& c) {
    std::vector<std::string> out;
    for (const DrawOp& op : c.List().Ops) out.push_back(Op(op));
    return out;
}

using GlyphRoutine = void (*)(TFormulaOrigin, int, Canvas&);

struct GlyphCase {
    const char* Name;
    GlyphRoutine Paint;
    int H;
    std::vector<std::string> Expected;
};

// The test canvas's default font: em 24, text height 28, every character
// 12 wide (so q = 6 for braces, w = 6 for the wide square). Opening glyphs
// are drawn at (100, 50), closing ones at (300, 50).
TEST(DelimiterGlyphs, ExactOperationsOfSmallAndLargeForms) {
    // clang-format off
    const std::vector<GlyphCase> cases = {
        // Parentheses: the character up to text height + 1 = 29; pen 2 above 80.
        {"(", PaintLeftParen, 29, {"text 100 50 ("}},
        {"(", PaintLeftParen, 30, {"arc 101 43 146 87 104 55 104 79 w1"}},
        {"(", PaintLeftParen, 80, {"arc 101 30 221 150 109 60 109 124 w1"}},
        {"(", PaintLeftParen, 81, {"arc 101 30 222 151 109 60 109 125 w2"}},
        {")", PaintRightParen, 29, {"text 288 50 )"}},
        {")", PaintRightParen, 30, {"arc 254 43 299 87 296 77 296 52 w1"}},
        {")", PaintRightParen, 80, {"arc 179 30 299 150 291 122 291 57 w1"}},
        {")", PaintRightParen, 81, {"arc 178 30 299 151 291 123 291 57 w2"}},
        // Bars: the character up to 29; pen 2 above 60.
        {"|<", PaintLeftBar, 29, {"text 100 50 |"}},
        {"|<", PaintLeftBar, 30, {"line 103 53 103 77 w1"}},
        {"|<", PaintLeftBar, 60, {"line 106 56 106 104 w1"}},
        {"|<", PaintLeftBar, 61, {"line 106 56 106 105 w2"}},
        {"|>", PaintRightBar, 29, {"text 288 50 |"}},
        {"|>", PaintRightBar, 30, {"line 296 53 296 77 w1"}},
        {"|>", PaintRightBar, 61, {"line 293 56 293 105 w2"}},
        // Square brackets: arms of h div 8, or h div 12 once the pen is thick.
        {"[", PaintLeftSquare, 29, {"text 100 50 ["}},
        {"[", PaintLeftSquare, 30,
         {"line 105 53 102 53 w1", "line 102 53 102 77 w1", "line 102 77 105 77 w1"}},
        {"[", PaintLeftSquare, 60,
         {"line 109 57 102 57 w1", "line 102 57 102 103 w1", "line 102 103 109 103 w1"}},
        {"[", PaintLeftSquare, 61,
         {"line 107 55 102 55 w2", "line 102 55 102 106 w2", "line 102 106 107 106 w2"}},
        {"]", PaintRightSquare, 29, {"text 288 50 ]"}},
        {"]", PaintRightSquare, 30,
         {"line 295 53 297 53 w1", "line 297 53 297 77 w1", "line 297 77 294 77 w1"}},
        {"]", PaintRightSquare, 61,
         {"line 293 55 297 55 w2", "line 297 55 297 106 w2", "line 297 106 292 106 w2"}},
        // Braces: the character up to the text height of "K" (28).
        {"{", PaintLeftBrace, 28, {"text 100 50 {"}},
        {"{", PaintLeftBrace, 29,
         {"line 106 56 106 58 w1", "line 106 58 103 64 w1", "line 103 64 106 70 w1",
          "line 106 70 106 73 w1", "arc 106 50 118 62 112 50 106 56 w1",
          "arc 106 67 118 79 106 73 112 79 w1"}},
        {"{", PaintLeftBrace, 60,
         {"line 106 56 106 74 w1", "line 106 74 103 80 w1", "line 103 80 106 86 w1",
          "line 106 86 106 104 w1", "arc 106 50 118 62 112 50 106 56 w1",
          "arc 106 98 118 110 106 104 112 110 w1"}},
        {"{", PaintLeftBrace, 61,
         {"line 106 56 106 74 w2", "line 106 74 103 80 w2", "line 103 80 106 86 w2",
          "line 106 86 106 105 w2", "arc 106 50 118 62 112 50 106 56 w2",
          "arc 106 99 118 111 106 105 112 111 w2"}},
        {"}", PaintRightBrace, 28, {"text 288 50 }"}},
        {"}", PaintRightBrace, 29,
         {"line 294 55 294 58 w1", "line 294 58 297 64 w1", "line 297 64 294 70 w1",
          "line 294 70 294 74 w1", "arc 295 50 283 62 295 56 289 50 w1",
          "arc 294 67 282 79 288 79 294 73 w1"}},
        {"}", PaintRightBrace, 61,
         {"line 294 55 294 74 w2", "line 294 74 297 80 w2", "line 297 80 294 86 w2",
          "line 294 86 294 106 w2", "arc 295 50 283 62 295 56 289 50 w2",
          "arc 294 99 282 111 288 111 294 105 w2"}},
        // The wide square: arms of half an "=", set in by a quarter of one.
        {"wide", PaintWideSquare, 28, {"text 100 50 ["}},
        {"wide", PaintWideSquare, 29,
         {"line 109 53 103 53 w1", "line 103 53 103 76 w1", "line 103 76 109 76 w1"}},
        {"wide", PaintWideSquare, 61,
         {"line 109 53 103 53 w2", "line 103 53 103 108 w2", "line 103 108 109 108 w2"}},
    };
    // clang-format on
    for (const GlyphCase& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + " h=" + std::to_string(c.H));
        TestCanvas canvas;
        canvas.Pen.Width = 3;
        const TFont font = canvas.Font;
        const bool closing = c.Paint == PaintRightParen || c.Paint == PaintRightBar ||
                             c.Paint == PaintRightSquare || c.Paint == PaintRightBrace;
        c.Paint({closing ? 300 : 100, 50}, c.H, canvas);
        EXPECT_EQ(Ops(canvas), c.Expected);
        EXPECT_EQ(canvas.Pen.Width, 3);  // the caller's pen comes back
        EXPECT_TRUE(canvas.Font == font);
    }
}

// The small forms measure the test character in the current font, so a
// larger font keeps the character for taller delimiters.
TEST(DelimiterGlyphs, ThresholdFollowsTheFont) {
    TestCanvas canvas;
    canvas.Font.Height = -40;  // text height 48
    PaintLeftParen({0, 0}, 49, canvas);
    PaintLeftBrace({0, 0}, 48, canvas);
    EXPECT_EQ(Ops(canvas), (std::vector<std::string>{"text 0 0 (", "text 0 0 {"}));
    canvas.ClearOps();
    PaintLeftParen({0, 0}, 50, canvas);
    PaintLeftBrace({0, 0}, 49, canvas);
    ASSERT_EQ(canvas.List().Ops.size(), 7u);
    EXPECT_EQ(canvas.List().Ops[0].Kind, DrawOpKind::Arc);
    EXPECT_EQ(canvas.List().Ops[1].Kind, DrawOpKind::Line);
}

struct PairCase {
    std::string Pair;
    GlyphRoutine Open;   // null: nothing on the left
    GlyphRoutine Close;  // null: nothing on the right
};

// A pair is its two glyphs, 2f high with f the shorter part of the box
// around the alignment line, their top at Y + A - f.
TEST(PaintDelimiters, DrawsBothSidesCentredOnTheAlignmentLine) {
    // clang-format off
    const std::vector<PairCase> pairs = {
        {"()", PaintLeftParen, PaintRightParen}, {"[]", PaintLeftSquare, PaintRightSquare},
        {"{}", PaintLeftBrace, PaintRightBrace}, {"||", PaintLeftBar, PaintRightBar},
        {"|)", PaintLeftBar, PaintRightParen},   {"( ", PaintLeftParen, nullptr},
        {" ]", nullptr, PaintRightSquare},       {"{ ", PaintLeftBrace, nullptr},
        {"  ", nullptr, nullptr},                {"<>", nullptr, nullptr},
        {")(", nullptr, nullptr},                {"", nullptr, nullptr},
    };
    // clang-format on
    const std::vector<TFormulaMetrics> boxes = {
        {100, 90, 30},  // ascent the shorter part: h = 60
        {100, 90, 70},  // descent the shorter part: h = 40
        {100, 91, 45},  // odd height: h = 90
        {60, 28, 14},   // one line of text: the font's characters
        {60, 30, 15},   // two pixels taller: drawn with the pen
        {40, 20, 0},    // alignment line at the top: h = 0, the characters
    };
    for (const PairCase& p : pairs) {
        for (const TFormulaMetrics& m : boxes) {
            SCOPED_TRACE("pair \"" + p.Pair + "\" box " + std::to_string(m.Width) + "x" +
                         std::to_string(m.Height) + " ascent " + std::to_string(m.Ascent));
            TestCanvas canvas, expected;
            const TFormulaOrigin origin{10, 20};
            const TDelimiterOrigin inner = PaintDelimiters(origin, m, canvas, p.Pair);
            const int f = std::min(m.Ascent, m.Height - m.Ascent);
            const int top = origin.Y + m.Ascent - f;
            if (p.Open) p.Open({origin.X, top}, 2 * f, expected);
            if (p.Close) p.Close({origin.X + m.Width, top}, 2 * f, expected);
            EXPECT_EQ(Ops(canvas), Ops(expected));
            EXPECT_EQ(inner.X, origin.X + m.Height / 6 + 2);
            EXPECT_EQ(inner.Y, origin.Y);
            EXPECT_EQ(inner.HalfHeight, f);
        }
    }
}

TEST(PadForDelimiters, AddsRoomForBothSides) {
    struct Case {
        TFormulaMetrics In, Out;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {{40, 59, 30}, {64, 59, 30}},  // 118 div 6 = 19
        {{40, 60, 30}, {65, 60, 30}},
        {{0, 0, 0}, {5, 0, 0}},
        {{10, 28, 20}, {24, 28, 20}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const TFormulaMetrics out = PadForDelimiters(c.In);
        EXPECT_EQ(out.Width, c.Out.Width) << c.In.Height;
        EXPECT_EQ(out.Height, c.Out.Height);
        EXPECT_EQ(out.Ascent, c.Out.Ascent);
    }
}

TEST(PaintMulDot, DrawsAnOutlinedDotOnlyWhenSwitchedOn) {
    TestCanvas canvas;
    canvas.Pen.Width = 3;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.Pass.MulPoint = false;
    PaintMulDot(40, 60, canvas);
    EXPECT_TRUE(canvas.List().Ops.empty());
    EXPECT_EQ(canvas.Pen.Width, 3);

    canvas.Pass.MulPoint = true;
    PaintMulDot(40, 60, canvas);  // "." is 12 wide, 28 high; not filled under a solid brush
    EXPECT_EQ(Ops(canvas), std::vector<std::string>{"ellipse 46 73 48 75 w1"});
    EXPECT_EQ(canvas.Pen.Width, 3);
    EXPECT_EQ(canvas.Brush.Style, TBrushStyle::bsSolid);
}

TEST(PaintMinusBar, PenWidthGrowsWithTheFontSize) {
    struct Case {
        int Points;
        int Width;  // pen width of the bar, the caller's being 3
    };
    const std::vector<Case> cases = {{10, 3}, {16, 3}, {17, 1}, {28, 1}, {29, 2}, {57, 2}, {58, 3}};
    for (const Case& c : cases) {
        TestCanvas canvas;
        canvas.Font.SetSize(c.Points);
        ASSERT_EQ(canvas.Font.Size(), c.Points);
        canvas.Pen.Width = 3;
        PaintMinusBar(0, 0, canvas);
        ASSERT_EQ(canvas.List().Ops.size(), 1u) << c.Points;
        EXPECT_EQ(canvas.List().Ops[0].PenWidth, c.Width) << c.Points;
        EXPECT_EQ(canvas.Pen.Width, 3) << c.Points;
    }
}

TEST(PaintMinusBar, SpansTheEqualsSignThroughTheMiddleOfItsCell) {
    TestCanvas canvas;
    canvas.Font.SetSize(17);  // em 23: "=" 11 wide, cell 27 high
    PaintMinusBar(30, 40, canvas);
    EXPECT_EQ(Ops(canvas), std::vector<std::string>{"line 31 53 40 53 w1"});
}

TEST(Max, PicksTheLargestAlsoOnTies) {
    struct Case {
        int A, B, C, Max;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {1, 2, 3, 3}, {3, 2, 1, 3}, {2, 3, 1, 3},  {5, 5, 1, 5},    {1, 5, 5, 5},
        {5, 1, 5, 5}, {4, 4, 4, 4}, {-3, -1, -2, -1}, {0, -7, -7, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(Max3(c.A, c.B, c.C), c.Max) << c.A << " " << c.B << " " << c.C;
        EXPECT_EQ(Max2(c.A, c.B), c.A > c.B ? c.A : c.B);
    }
}

// With the real fonts: every pixel of ink of a large pair lies in the room
// the padding made for it, left of the content or right of it, and inside
// the box's height. A brace reaches the top and bottom rows of its cell, so
// its 2 px pen, centred on the hooks' outline, may put a half-covered row
// just above or below a box that ends where the brace does.
TEST(DelimiterInk, StaysInTheRoomReservedBeside) {
    const int kMargin = 10;
    for (const std::string pair : {"()", "[]", "{}", "||"}) {
        for (const int f : {13, 20, 30, 31, 40, 41, 75, 150}) {
            // Centred on the alignment line, the line lower, the line higher.
            for (const TFormulaMetrics content :
                 {TFormulaMetrics{20, 2 * f, f}, TFormulaMetrics{20, 2 * f + 15, f + 15},
                  TFormulaMetrics{20, 2 * f + 15, f}}) {
                SCOPED_TRACE(pair + " h " + std::to_string(2 * f) + " box height " +
                             std::to_string(content.Height) + " ascent " +
                             std::to_string(content.Ascent));
                const TFormulaMetrics padded = PadForDelimiters(content);
                Bitmap bitmap;
                bitmap.SetSize(padded.Width + 2 * kMargin, padded.Height + 2 * kMargin);
                Canvas& canvas = bitmap.Canvas();
                canvas.Font.Name = "Times New Roman";
                canvas.Font.Height = -21;
                canvas.Brush.Style = TBrushStyle::bsClear;
                ASSERT_LT(canvas.TextHeight("("), 2 * f - 1);  // large forms throughout
                const TDelimiterOrigin inner =
                    PaintDelimiters({kMargin, kMargin}, padded, canvas, pair);
                ASSERT_EQ(inner.HalfHeight, f);
                const int overshoot = pair == "{}" && 2 * f > 60 ? 1 : 0;
                const int top = kMargin - overshoot;
                const int bottom = kMargin + padded.Height + overshoot;
                const int content_left = inner.X, content_right = inner.X + content.Width;
                const int right = kMargin + padded.Width;
                int left_ink = 0, right_ink = 0, stray = 0;
                for (int y = 0; y < bitmap.Height(); ++y) {
                    for (int x = 0; x < bitmap.Width(); ++x) {
                        if (bitmap.ScanLine(y)[x * 4 + 2] == 255) continue;
                        const bool rows = y >= top && y < bottom;
                        if (rows && x >= kMargin && x < content_left)
                            ++left_ink;
                        else if (rows && x >= content_right && x < right)
                            ++right_ink;
                        else if (++stray <= 3)
                            ADD_FAILURE() << "ink at (" << x - kMargin << ", " << y - kMargin
                                          << ") outside the room";
                    }
                }
                EXPECT_EQ(stray, 0);
                EXPECT_GT(left_ink, 0);
                EXPECT_GT(right_ink, 0);
            }
        }
    }
}

}  // namespace
}  // namespace nerovan
