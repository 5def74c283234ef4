// Accents: base classes, the first glyph under a mark, exact marks on the
// test canvas (letter, code page, style, place and clip), errors before
// anything is drawn, the font left behind; with the real fonts, that the
// mark adds ink only above its base and erases nothing, stays inside the box
// and the margin, and lands on the same pixels through a metafile.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "accent.h"
#include "atom.h"
#include "bitmap.h"
#include "metafile.h"
#include "metrics.h"
#include "raster_canvas.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

TEST(Accent, BaseClasses) {
    struct Case {
        char Base, Next;
        bool Tall, Upright;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {'a', '\0', false, false}, {'x', 'y', false, false}, {'z', '\0', false, false},
        {'b', '\0', true, false},  {'t', '\0', true, false}, {'f', '\0', true, false},
        {'A', '\0', true, false},  {'1', '\0', true, false}, {' ', '\0', true, false},
        {'\xE0', '\0', true, false},
        {'i', '\0', true, true},   {'j', '\0', true, true},  {'I', '\0', true, true},
        // An escape base is classed by its first character.
        {'\\', 'a', false, false}, {'\\', 'w', false, false}, {'\\', 'h', false, false},
        {'\\', 'i', false, true},  {'\\', 'b', true, false},  {'\\', 'l', true, false},
        {'\\', 'O', true, false},  {'\\', '.', true, false},  {'\\', '\0', true, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(IsTallAccentBase(c.Base, c.Next), c.Tall) << c.Base << c.Next;
        EXPECT_EQ(IsUprightAccentBase(c.Base, c.Next), c.Upright) << c.Base << c.Next;
    }
}

// Test canvas at em 24: cell 28, upright 12, italic letter 13, blank 6, a
// Symbol sign 14, first ink row 4.
constexpr int kCell = 28;
constexpr int kUp = 12;
constexpr int kIt = 13;
constexpr int kInkTop = 4;
const TFormulaOrigin kOrigin{40, 20};

TEST(Accent, FirstGlyph) {
    struct Case {
        std::string S;
        TFormulaMetrics Box;
        std::string Error;
    };
    const std::vector<Case> cases = {
        {"xy", {kUp, kCell, kCell / 2}, ""},
        {"\\alpha2", {kUp, kCell, kCell / 2}, ""},
        {"\\pm", {14, kCell, kCell / 2}, ""},
        {"\\.\\:\\bb", {14, kCell, kCell / 2}, ""},
        {"\\.x", {kUp, kCell, kCell / 2}, ""},
        // The messages the atom walk gives at the same level.
        {"\\", {}, "Invalid token in\"\\\""},
        {"\\\\x", {}, "Invalid token in\"\\\\x\""},
        {"\\1", {}, "Invalid token in\"\\1\""},
        {"\\.", {}, "Invalid token in \"\\.\""},
        {"\\.\\", {}, "Invalid token in\"\\.\\\""},
        {"\\qq", {}, "Invalid greek symbol in \"qq\""},
    };
    for (const Case& c : cases) {
        TestCanvas canvas;
        try {
            EXPECT_EQ(MeasureFirstGlyph(c.S, canvas), c.Box) << c.S;
            EXPECT_TRUE(c.Error.empty()) << c.S;
        } catch (const EInvalidToken& e) {
            EXPECT_EQ(std::string(e.what()), c.Error) << c.S;
        }
        EXPECT_EQ(canvas.Font.Charset, DEFAULT_CHARSET);
        EXPECT_EQ(canvas.Font.Name, "Times New Roman");
    }
}

struct Mark {
    int Byte;
    int Dx;  // from the origin of the atom
    int Charset;
    bool Italic;
};

std::ostream& operator<<(std::ostream& os, const Mark& m) {
    return os << std::hex << m.Byte << std::dec << "@" << m.Dx << " cs" << m.Charset
              << (m.Italic ? " i" : "");
}

bool operator==(const Mark& a, const Mark& b) {
    return a.Byte == b.Byte && a.Dx == b.Dx && a.Charset == b.Charset && a.Italic == b.Italic;
}

// The clipped texts of a paint, which are the marks; checks that each is
// clipped to the rows above its plain letter's ink, covers its own cell and
// ends within the atom's box, which starts at the origin and is boxWidth wide.
std::vector<Mark> MarksOf(TestCanvas& canvas, int boxWidth) {
    std::vector<Mark> marks;
    for (const DrawOp& op : canvas.List().Ops) {
        if (op.Kind != DrawOpKind::Text || !op.Clipped) continue;
        marks.push_back({static_cast<uint8_t>(op.Text[0]), op.X1 - kOrigin.X, op.Font.Charset,
                         op.Font.Italic()});
        EXPECT_EQ(op.Y1, kOrigin.Y);
        EXPECT_EQ(op.Clip.Top, kOrigin.Y);
        EXPECT_EQ(op.Clip.Bottom, kOrigin.Y + kInkTop);
        int width = 0;
        for (int a : op.Advances) width += a;
        EXPECT_LE(op.Clip.Left, op.X1);
        EXPECT_GE(op.Clip.Right, op.X1 + width);
        EXPECT_LE(op.Clip.Right, kOrigin.X + boxWidth);
    }
    return marks;
}

TEST(Accent, MarksOnTheTestCanvas) {
    struct Case {
        std::string Atom;
        std::vector<Mark> Marks;
        bool Switch = true;
        TFontStyles Style = 0;
    };
    // clang-format off
    const std::vector<Case> cases = {
        // The six marks, their code pages, small and capital forms.
        {"\\.x", {{0xEB, 0, BALTIC_CHARSET, true}}},
        {"\\.X", {{0xCB, 0, BALTIC_CHARSET, true}}},
        {"\\:a", {{0xE4, 0, ANSI_CHARSET, true}}},
        {"\\:A", {{0xC4, 0, ANSI_CHARSET, true}}},
        {"\\-a", {{0xFB, 0, BALTIC_CHARSET, true}}},
        {"\\-A", {{0xDB, 0, BALTIC_CHARSET, true}}},
        {"\\-b", {{0xDB, 0, BALTIC_CHARSET, true}}},
        {"\\-t", {{0xDB, 0, BALTIC_CHARSET, true}}},
        {"\\~n", {{0xE3, 0, ANSI_CHARSET, true}}},
        {"\\~N", {{0xC3, 0, ANSI_CHARSET, true}}},
        {"\\^x", {{0xE2, 0, ANSI_CHARSET, true}}},
        {"\\^d", {{0xC2, 0, ANSI_CHARSET, true}}},
        {"\\0a", {{0xE5, 0, ANSI_CHARSET, true}}},
        {"\\0A", {{0xC5, 0, ANSI_CHARSET, true}}},
        // After a leading run, at the pen; only the first glyph carries it.
        {"ab\\.xy", {{0xEB, 2 * kIt + 2, BALTIC_CHARSET, true}}},
        // Upright over i, j and I, and over anything a run draws upright.
        {"\\.i", {{0xCB, 0, BALTIC_CHARSET, false}}},
        {"\\.j", {{0xCB, 0, BALTIC_CHARSET, false}}},
        {"\\-1", {{0xDB, 0, BALTIC_CHARSET, false}}},
        {"\\.sin", {{0xEB, 0, BALTIC_CHARSET, false}}},
        // Over escapes: in the font's style, the form by the escape's first letter.
        {"\\.\\alpha", {{0xEB, 0, BALTIC_CHARSET, false}}},
        {"\\^\\S", {{0xC2, 0, ANSI_CHARSET, false}}},
        // Centred over the base: a wider letter starts left of it (12 over a
        // 6-pixel blank), a narrower one right of it (12 over a 14-pixel sign).
        {"\\^ x", {{0xC2, 6 / 2 - 12 / 2, ANSI_CHARSET, false}}},
        {"\\.\\pm", {{0xEB, 14 / 2 - 12 / 2, BALTIC_CHARSET, false}}},
        // Nested: the outer mark over an escape (capital form), then the inner.
        {"\\.\\.x", {{0xCB, 0, BALTIC_CHARSET, false}, {0xEB, 0, BALTIC_CHARSET, true}}},
        // Two chains in one atom, each over its own base.
        {"\\.\\.x\\:\\^a",
         {{0xCB, 0, BALTIC_CHARSET, false}, {0xEB, 0, BALTIC_CHARSET, true},
          {0xC4, kIt + 2, ANSI_CHARSET, false}, {0xE2, kIt + 2, ANSI_CHARSET, true}}},
        // The switch off leaves the style to the font.
        {"\\.x", {{0xEB, 0, BALTIC_CHARSET, false}}, false},
        {"\\.x", {{0xEB, 0, BALTIC_CHARSET, true}}, false, fsItalic},
        {"\\.i", {{0xCB, 0, BALTIC_CHARSET, true}}, false, fsItalic},
    };
    // clang-format on
    for (const Case& c : cases) {
        TestCanvas canvas;
        canvas.Font.Style = c.Style;
        const std::string what = c.Atom + (c.Switch ? " on" : " off");
        const int width = MeasureAtom(c.Atom, canvas, c.Switch).Width;
        PaintAtom(c.Atom, kOrigin, canvas, c.Switch);
        EXPECT_EQ(MarksOf(canvas, width), c.Marks) << what;
        // The mark never fills or draws anything else; the base follows it.
        const std::vector<DrawOp>& ops = canvas.List().Ops;
        ASSERT_FALSE(ops.empty());
        EXPECT_FALSE(ops.back().Clipped) << what;
    }
}

TEST(Accent, BaseAndRestDrawnWhereMeasured) {
    // An italic font with letters italic: the escape `\i` under an upright
    // mark keeps the font's italic, as the measuring pass measured it, so
    // the 2 follows at the italic iota's width.
    TestCanvas canvas;
    canvas.Font.Style = fsItalic;
    EXPECT_EQ(MeasureAtom("\\.\\i2", canvas, true).Width, kIt + (kUp + 2) + 2 + 2);
    canvas.Font.Style = fsItalic;
    PaintAtom("\\.\\i2", kOrigin, canvas, true);
    const std::vector<DrawOp>& ops = canvas.List().Ops;
    ASSERT_EQ(ops.size(), 3u);
    EXPECT_FALSE(ops[0].Font.Italic());  // the mark
    EXPECT_EQ(ops[1].Text, "\xE9");
    EXPECT_TRUE(ops[1].Font.Italic());
    EXPECT_EQ(ops[2].Text, "2");
    EXPECT_EQ(ops[2].X1, kOrigin.X + kIt);
}

TEST(Accent, FontComesBackAsItWas) {
    for (const std::string rest : {"x", "i", "1", "\\alpha", "\\.\\.A", "sin"}) {
        for (const bool on : {false, true}) {
            for (const TFontStyles style : {TFontStyles(0), TFontStyles(fsBold | fsItalic)}) {
                TestCanvas canvas;
                canvas.Font.Style = style;
                canvas.Font.Color = clNavy;
                const TFont before = canvas.Font;
                PaintAccent('~', rest, kOrigin, canvas, on);
                EXPECT_EQ(canvas.Font, before) << rest << on << int(style);
                ASSERT_EQ(canvas.List().Ops.size(), 1u);
                EXPECT_EQ(canvas.List().Ops[0].Font.Color, clNavy);
            }
        }
    }
}

TEST(Accent, ErrorsRaisedBeforeAnythingIsDrawn) {
    struct Case {
        std::string Atom, Message;
    };
    const std::vector<Case> cases = {
        {"\\.\\", "Invalid token in\"\\.\\\""},    {"a\\:\\", "Invalid token in\"a\\:\\\""},
        {"\\.\\.\\", "Invalid token in\"\\.\\\""}, {"\\.\\\\x", "Invalid token in\"\\\\x\""},
        {"\\.\\1", "Invalid token in\"\\1\""},     {"\\.\\qq", "Invalid greek symbol in \"qq\""},
        {"\\.", "Invalid token in \"\\.\""},       {"x\\-", "Invalid token in \"x\\-\""},
    };
    for (const Case& c : cases) {
        TestCanvas canvas;
        try {
            MeasureAtom(c.Atom, canvas, true);
            ADD_FAILURE() << c.Atom << ": measured";
        } catch (const EInvalidToken& e) {
            EXPECT_EQ(std::string(e.what()), c.Message) << c.Atom;
        }
        EXPECT_TRUE(canvas.List().Ops.empty()) << c.Atom;
    }
}

// ---- With the real fonts --------------------------------------------------

const char kMarks[] = {'.', ':', '-', '~', '^', '0'};

struct Picture {
    Bitmap Pixels;
    TFormulaMetrics Box;
};

// Paints atom at origin on white in Liberation Serif of the given em, with
// letters italic; an optional neighbour atom is painted first, ending at
// the origin.
void PaintOnWhite(Picture& p, const std::string& atom, int em, TFontStyles style,
                  TFormulaOrigin origin, const std::string& neighbour = "") {
    p.Pixels.SetSize(6 * em, 3 * em);
    Canvas& canvas = p.Pixels.Canvas();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Name = "Times New Roman";
    canvas.Font.Height = -em;
    canvas.Font.Style = style;
    if (!neighbour.empty()) {
        const int width = canvas.TextWidth(neighbour.substr(0, 1));  // the neighbour's last glyph
        PaintAtom(neighbour, {origin.X - width, origin.Y}, canvas, true);
    }
    p.Box = MeasureAtom(atom, canvas, true);
    PaintAtom(atom, origin, canvas, true);
}

int Grey(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * 4;
    return p[0] + p[1] + p[2];
}

TEST(AccentWithRealFonts, MarkAddsInkOnlyAboveItsBaseAndErasesNothing) {
    // Each base after an italic f, whose top leans over the base's place.
    // (Ascenders such as those of f and l reach higher than the capitals, so
    // there the mark may meet the base's own ink; those bases are left out.)
    const std::vector<std::string> bases = {"x", "a", "n",       "A",   "E",   "i",
                                            "j", "1", "\\alpha", "\\S", "\\.x"};
    for (const int em : {21, 48}) {
        const TFormulaOrigin origin{2 * em, em};
        for (const char mark : kMarks) {
            for (const std::string& base : bases) {
                const std::string accented = std::string("\\") + mark + base;
                const std::string what = accented + " em " + std::to_string(em);
                Picture with, without, alone;
                PaintOnWhite(with, accented, em, 0, origin, "f");
                PaintOnWhite(without, base, em, 0, origin, "f");
                PaintOnWhite(alone, base, em, 0, origin);
                // The first ink row of the base where it stands.
                int baseTop = -1;
                for (int y = 0; y < alone.Pixels.Height() && baseTop < 0; ++y)
                    for (int x = 0; x < alone.Pixels.Width(); ++x)
                        if (Grey(alone.Pixels, x, y) != 3 * 255) {
                            baseTop = y;
                            break;
                        }
                ASSERT_GT(baseTop, origin.Y) << what;
                int changed = 0;
                for (int y = 0; y < with.Pixels.Height(); ++y) {
                    for (int x = 0; x < with.Pixels.Width(); ++x) {
                        const int a = Grey(with.Pixels, x, y), b = Grey(without.Pixels, x, y);
                        if (a == b) continue;
                        ++changed;
                        EXPECT_LT(y, baseTop) << what << " at " << x << "," << y;
                        EXPECT_LT(a, b) << what << ": lighter at " << x << "," << y;
                    }
                }
                EXPECT_GT(changed, 0) << what << ": no mark";
            }
        }
    }
}

TEST(AccentWithRealFonts, MarkInkWithinItsBoxAndMargin) {
    // The mark's ink is what the accented atom adds to its base (the base's
    // own lean is the text run's). It may start left of an atom that begins
    // with the accent, by less than the margin, and ends inside the box.
    constexpr int kMargin = 2;
    std::vector<std::string> bases = {"\\alpha", "\\S", "\\w", "\\pm", "\\.x", "\\:\\w"};
    for (char c = '0'; c <= '9'; ++c) bases.push_back(std::string(1, c));
    for (char c = 'a'; c <= 'z'; ++c) {
        bases.push_back(std::string(1, c));
        bases.push_back(std::string(1, static_cast<char>(c - 'a' + 'A')));
    }
    for (const int em : {21, 48}) {
        const TFormulaOrigin origin{2 * em, em};
        for (const TFontStyles style : {TFontStyles(0), fsBold}) {
            for (const std::string& base : bases) {
                Picture without;
                PaintOnWhite(without, base, em, style, origin);
                for (const char mark : kMarks) {
                    const std::string atom = std::string("\\") + mark + base;
                    const std::string what =
                        atom + " em " + std::to_string(em) + " style " + std::to_string(style);
                    Picture with;
                    PaintOnWhite(with, atom, em, style, origin);
                    EXPECT_EQ(with.Pixels.Canvas().Font.Style, style) << what;
                    EXPECT_EQ(with.Pixels.Canvas().Font.Charset, DEFAULT_CHARSET) << what;
                    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
                    for (int y = 0; y < with.Pixels.Height(); ++y)
                        for (int x = 0; x < with.Pixels.Width(); ++x)
                            if (Grey(with.Pixels, x, y) != Grey(without.Pixels, x, y)) {
                                left = std::min(left, x);
                                right = std::max(right, x);
                                top = std::min(top, y);
                                bottom = std::max(bottom, y);
                            }
                    ASSERT_GE(right, 0) << what << ": no mark";
                    EXPECT_GE(left, origin.X - kMargin) << what;
                    EXPECT_GE(top, origin.Y) << what;
                    EXPECT_LT(right, origin.X + with.Box.Width) << what;
                    EXPECT_LT(bottom, origin.Y + with.Box.Height) << what;
                }
            }
        }
    }
}

TEST(AccentWithRealFonts, MetafileReplayDrawsTheSamePixels) {
    // The clip is recorded with the mark, so a metafile replayed onto a
    // bitmap shows exactly what a bitmap pass draws.
    const std::string atom = "f\\.x\\^A\\-\\alpha\\.\\.i\\0a";
    const TFormulaOrigin origin{10, 10};
    Bitmap direct;
    direct.SetSize(200, 60);
    Canvas& canvas = direct.Canvas();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Height = -21;
    MeasureAtom(atom, canvas, true);
    PaintAtom(atom, origin, canvas, true);

    Metafile mf;
    {
        MetafileCanvas recorder(mf, "Nerovan by Tarquel", atom);
        recorder.Brush.Style = TBrushStyle::bsClear;
        recorder.Font.Height = -21;
        MeasureAtom(atom, recorder, true);
        PaintAtom(atom, origin, recorder, true);
    }
    int clipped = 0;
    for (const DrawOp& op : mf.List.Ops) clipped += op.Clipped ? 1 : 0;
    EXPECT_EQ(clipped, 6);
    Bitmap replayed;
    replayed.SetSize(200, 60);
    replayed.Canvas().Brush.Style = TBrushStyle::bsClear;
    mf.List.ReplayOn(replayed.Canvas());
    for (int y = 0; y < direct.Height(); ++y)
        for (int x = 0; x < direct.Width(); ++x)
            ASSERT_EQ(Grey(direct, x, y), Grey(replayed, x, y)) << x << "," << y;
}

}  // namespace
}  // namespace nerovan
