// Atoms: exact boxes and drawn characters on the test canvas (italic letters,
// upright function names, the 2 pixels of every level, the escape walk and
// its errors, the font state left behind), and with the real fonts, that
// every atom's ink stays inside its measured box.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "atom.h"
#include "bitmap.h"
#include "metrics.h"
#include "raster_canvas.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

// Test canvas at its default font (em 24): TextHeight 28, an upright
// character 12 px, an italic letter 13 px, a blank 6 px; bold adds 1.
constexpr int kCell = 28;
constexpr int kUp = 12;
constexpr int kIt = 13;
constexpr int kBlank = 6;
const TFormulaOrigin kOrigin{10, 20};

struct DrawnText {
    std::string Text;
    int X;
    int Y;
    bool Italic;
    bool operator==(const DrawnText& o) const {
        return Text == o.Text && X == o.X && Y == o.Y && Italic == o.Italic;
    }
};

std::ostream& operator<<(std::ostream& os, const DrawnText& t) {
    return os << "\"" << t.Text << "\"@(" << t.X << "," << t.Y << ")" << (t.Italic ? "i" : "");
}

std::vector<DrawnText> TextsOf(const TestCanvas& canvas) {
    std::vector<DrawnText> out;
    for (const DrawOp& op : canvas.List().Ops)
        if (op.Kind == DrawOpKind::Text) out.push_back({op.Text, op.X1, op.Y1, op.Font.Italic()});
    return out;
}

// Positions relative to kOrigin.
DrawnText At(const std::string& text, int dx, bool italic) {
    return {text, kOrigin.X + dx, kOrigin.Y, italic};
}

struct AtomCase {
    std::string Atom;
    int Width;
    std::vector<DrawnText> Drawn;
};

void CheckAtoms(const std::vector<AtomCase>& cases) {
    for (const AtomCase& c : cases) {
        TestCanvas canvas;
        const TFormulaMetrics m = MeasureAtom(c.Atom, canvas, true);
        EXPECT_EQ(m.Width, c.Width) << c.Atom;
        EXPECT_EQ(m.Height, kCell) << c.Atom;
        EXPECT_TRUE(canvas.List().Ops.empty()) << c.Atom << ": measuring draws nothing";
        PaintAtom(c.Atom, kOrigin, canvas, true);
        EXPECT_EQ(TextsOf(canvas), c.Drawn) << c.Atom;
    }
}

TEST(Atom, RunsItaliciseLettersOnly) {
    CheckAtoms({
        {"x", kIt + 2, {At("x", 0, true)}},
        {"x2", kIt + kUp + 2, {At("x", 0, true), At("2", kIt, false)}},
        {"xy2z",
         3 * kIt + kUp + 2,
         {At("x", 0, true), At("y", kIt, true), At("2", 2 * kIt, false),
          At("z", 2 * kIt + kUp, true)}},
        {"2x", kUp + kIt + 2, {At("2", 0, false), At("x", kUp, true)}},
        {"x'", kIt + kUp + 2, {At("x", 0, true), At("'", kIt, false)}},
        {"12.5",
         4 * kUp + 2,
         {At("1", 0, false), At("2", kUp, false), At(".", 2 * kUp, false),
          At("5", 3 * kUp, false)}},
        // Cyrillic letters of code page 1251 lean like Latin ones.
        {"\xE0\xFF\xC0",
         3 * kIt + 2,
         {At("\xE0", 0, true), At("\xFF", kIt, true), At("\xC0", 2 * kIt, true)}},
        // Bytes below the Cyrillic letters are no letters.
        {"\xBF", kUp + 2, {At("\xBF", 0, false)}},
    });
}

TEST(Atom, FunctionNamesArePaintedUprightButMeasuredItalic) {
    CheckAtoms({
        // The box keeps the italic widths; the upright letters fit inside it.
        {"sin", 3 * kIt + 2, {At("s", 0, false), At("i", kUp, false), At("n", 2 * kUp, false)}},
        {"tg", 2 * kIt + 2, {At("t", 0, false), At("g", kUp, false)}},
        // Only the whole run, in this case, is a function name.
        {"sinx",
         4 * kIt + 2,
         {At("s", 0, true), At("i", kIt, true), At("n", 2 * kIt, true), At("x", 3 * kIt, true)}},
        {"Sin", 3 * kIt + 2, {At("S", 0, true), At("i", kIt, true), At("n", 2 * kIt, true)}},
    });
}

TEST(Atom, FunctionNameKeepsAnItalicFont) {
    // Its letters keep the style the font came with.
    TestCanvas canvas;
    canvas.Font.Style = fsItalic;
    PaintAtom("sin", kOrigin, canvas, true);
    EXPECT_EQ(TextsOf(canvas), (std::vector<DrawnText>{At("s", 0, true), At("i", kIt, true),
                                                       At("n", 2 * kIt, true)}));
    EXPECT_FALSE(canvas.Font.Italic());
}

TEST(Atom, SwitchOffNeverTouchesTheStyle) {
    for (const TFontStyles style : {TFontStyles(0), fsBold, TFontStyles(fsBold | fsItalic)}) {
        TestCanvas canvas;
        canvas.Font.Style = style;
        const int letter = kUp + (style & fsBold ? 1 : 0) + (style & fsItalic ? 1 : 0);
        const int digit = kUp + (style & fsBold ? 1 : 0);
        const TFormulaMetrics m = MeasureAtom("x2sin", canvas, false);
        EXPECT_EQ(m.Width, 4 * letter + digit + 2) << int(style);
        EXPECT_EQ(canvas.Font.Style, style);
        PaintAtom("x2sin", kOrigin, canvas, false);
        EXPECT_EQ(canvas.Font.Style, style);
        for (const DrawOp& op : canvas.List().Ops) EXPECT_EQ(op.Font.Style, style) << op.Text;
        ASSERT_EQ(canvas.List().Ops.size(), 5u);
        EXPECT_EQ(canvas.List().Ops[2].X1, kOrigin.X + letter + digit);
    }
    // With the switch on, only the italic bit changes: bold stays bold.
    TestCanvas canvas;
    canvas.Font.Style = fsBold;
    EXPECT_EQ(MeasureAtom("x2", canvas, true).Width, (kIt + 1) + (kUp + 1) + 2);
    PaintAtom("x2", kOrigin, canvas, true);
    ASSERT_EQ(canvas.List().Ops.size(), 2u);
    EXPECT_EQ(canvas.List().Ops[0].Font.Style, fsBold | fsItalic);
    EXPECT_EQ(canvas.List().Ops[1].Font.Style, fsBold);
}

TEST(Atom, EmptyAtomsAndTrailingBackslashes) {
    TestCanvas canvas;
    EXPECT_EQ(MeasureAtom("", canvas, true), (TFormulaMetrics{0, 0, 0}));
    PaintAtom("", kOrigin, canvas, true);
    EXPECT_TRUE(canvas.List().Ops.empty());

    // A lone backslash: an empty leading run, nothing more.
    EXPECT_EQ(MeasureAtom("\\", canvas, true), (TFormulaMetrics{0, kCell, 0}));
    PaintAtom("\\", kOrigin, canvas, true);
    EXPECT_TRUE(canvas.List().Ops.empty());

    CheckAtoms({
        {"ab\\", 2 * kIt + 2, {At("a", 0, true), At("b", kIt, true)}},
        // The trailing backslash of a later level adds nothing either.
        {"x\\pi\\", (kIt + 2) + kUp + 2, {At("x", 0, true), At("\xF0", kIt + 2, false)}},
    });
}

TEST(Atom, FontStateLeftBehind) {
    // A non-empty run with the switch on clears the italic bit; an atom that
    // starts with a name escape has an empty leading run, which leaves the
    // style alone. Either way the charset comes back as 1.
    const struct {
        const char* atom;
        TFontStyles style, left;
        uint8_t charset;
    } atoms[] = {{"x2", fsItalic | fsBold, fsBold, GREEK_CHARSET},
                 {"\\alpha", fsItalic, fsItalic, TFont().Charset}};
    for (const auto& a : atoms)
        for (const bool paint : {false, true}) {
            TestCanvas canvas;
            canvas.Font.Style = a.style;
            canvas.Font.Charset = a.charset;
            if (paint)
                PaintAtom(a.atom, kOrigin, canvas, true);
            else
                MeasureAtom(a.atom, canvas, true);
            EXPECT_EQ(canvas.Font.Style, a.left) << a.atom << " " << paint;
            EXPECT_EQ(canvas.Font.Charset, DEFAULT_CHARSET) << a.atom << " " << paint;
        }
    // An empty run: measuring resets the charset only; painting changes nothing.
    TestCanvas canvas;
    canvas.Font.Style = fsItalic;
    canvas.Font.Charset = GREEK_CHARSET;
    PaintTextRun("", kOrigin, canvas, true);
    EXPECT_EQ(canvas.Font.Charset, GREEK_CHARSET);
    MeasureTextRun("", canvas, true);
    EXPECT_EQ(canvas.Font.Style, fsItalic);
    EXPECT_EQ(canvas.Font.Charset, DEFAULT_CHARSET);
}

// A name escape is one glyph (here the Greek letters of code page 1253),
// upright after a leading run (which clears the italic bit), as wide as its
// TextWidth; an accent mark takes no room and is drawn over its base.
TEST(Atom, EveryEscapeLevelAddsTwoPixels) {
    CheckAtoms({
        {"x\\alpha", (kIt + 2) + kUp + 2, {At("x", 0, true), At("\xE1", kIt + 2, false)}},
        {"x\\pi1",
         (kIt + 2) + kUp + (kUp + 2) + 2,
         {At("x", 0, true), At("\xF0", kIt + 2, false), At("1", kIt + 2 + kUp, false)}},
        // Three levels, each a name and its own 2 pixels.
        {"\\a\\b\\c",
         // The 2 pixels of a level lie at its right end, after all deeper levels.
         3 * (kUp + 2),
         {At("\xE1", 0, false), At("\xE2", kUp, false), At("\xFA", 2 * kUp, false)}},
        {"\\alpha2", kUp + (kUp + 2) + 2, {At("\xE1", 0, false), At("2", kUp, false)}},
        // A blank ends the name; the rest " c" is not plain text but one run.
        {"\\pi c",
         kUp + (kBlank + kIt + 2) + 2,
         {At("\xF0", 0, false), At(" ", kUp, false), At("c", kUp + kBlank, true)}},
        {"\\pi\xE0", kUp + (kIt + 2) + 2, {At("\xF0", 0, false), At("\xE0", kUp, true)}},
        // An accent adds no width; its mark and its base start the next level.
        {"\\.x", kIt + 4, {At("\xEB", 0, true), At("x", 0, true)}},
        {"\\.\\.x", kIt + 6, {At("\xCB", 0, false), At("\xEB", 0, true), At("x", 0, true)}},
        {"a\\-bc",
         (kIt + 2) + (2 * kIt + 2) + 2,
         {At("a", 0, true), At("\xDB", kIt + 2, true), At("b", kIt + 2, true),
          At("c", 2 * kIt + 2, true)}},
        {"\\0\\pi", kUp + 2 + 2, {At("\xE5", 0, false), At("\xF0", 0, false)}},
    });
}

TEST(Atom, MalformedEscapesRaiseTheirMessages) {
    struct ErrorCase {
        std::string Atom;
        std::string Message;
    };
    const std::vector<ErrorCase> cases = {
        {"a\\\\b", "Invalid token in\"a\\\\b\""},
        {"\\\\", "Invalid token in\"\\\\\""},
        {"a\\1", "Invalid token in\"a\\1\""},
        {"a\\?", "Invalid token in\"a\\?\""},
        {"a\\\xE1", "Invalid token in\"a\\\xE1\""},
        {"a\\ b", "Invalid token in\"a\\ b\""},
        {"a\\.", "Invalid token in \"a\\.\""},
        {"x\\-", "Invalid token in \"x\\-\""},
        {"\\~", "Invalid token in \"\\~\""},
        // The message quotes the rest handled at the level of the fault.
        {"x\\pi\\1", "Invalid token in\"\\1\""},
        {"\\.x\\.", "Invalid token in \"x\\.\""},
        {"y\\pi1\\\\", "Invalid token in\"1\\\\\""},
        // An accent whose base is a lone final backslash has nothing to go over.
        {"\\.\\", "Invalid token in\"\\.\\\""},
        {"x\\.\\", "Invalid token in\"x\\.\\\""},
        // The name is the longest run of Latin letters.
        {"\\alphax", "Invalid greek symbol in \"alphax\""},
    };
    for (const ErrorCase& c : cases) {
        for (const bool paint : {false, true}) {
            TestCanvas canvas;
            try {
                if (paint)
                    PaintAtom(c.Atom, kOrigin, canvas, true);
                else
                    MeasureAtom(c.Atom, canvas, true);
                ADD_FAILURE() << c.Atom << ": no error, paint " << paint;
            } catch (const EInvalidToken& e) {
                EXPECT_EQ(std::string(e.what()), c.Message) << c.Atom;
            }
        }
    }
}

TEST(Atom, LongEscapeChainsNeedNoDeepRecursion) {
    // 200000 levels: laid out in a loop, linear in the atom's length.
    std::string atom;
    for (int i = 0; i < 200000; ++i) atom += "\\a";
    atom += "1";
    TestCanvas canvas;
    EXPECT_EQ(MeasureAtom(atom, canvas, true).Width, 200000 * (kUp + 2) + (kUp + 2));
}

// ---- With the real fonts --------------------------------------------------

// How far the ink of a painted atom reaches out of each side of its measured
// box (0 or less: inside).
struct Overhang {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

Overhang PaintWithRealFont(const std::string& atom, TFontStyles style) {
    Bitmap bitmap;
    bitmap.SetSize(240, 80);
    Canvas& canvas = bitmap.Canvas();
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Name = "Times New Roman";
    canvas.Font.Height = -21;
    canvas.Font.Style = style;
    const TFormulaOrigin origin{40, 20};
    const TFormulaMetrics m = MeasureAtom(atom, canvas, true);
    EXPECT_EQ(MeasureAtom(atom, canvas, true), m) << atom << ": measured twice";
    EXPECT_EQ(m.Height, 24) << atom;
    PaintAtom(atom, origin, canvas, true);
    EXPECT_EQ(canvas.Font.Style, style) << atom;

    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            const uint8_t* p = row + x * 4;
            if (p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};  // a blank glyph
    return {origin.X - left, origin.Y - top, right - (origin.X + m.Width - 1),
            bottom - (origin.Y + m.Height - 1)};
}

// Liberation Serif, em 21, upright and bold, letters italic. Every glyph
// stays within the cell's height, and the 2 spare pixels at the right end
// take the lean of every italic letter but two: the italic f and the italic
// Cyrillic capital U (0xD3) reach 1 px beyond them. Italic letters lean out
// of the left edge of the box (the pen position) by up to 3 px (j, y and the
// Cyrillic small u); the layout leaves no room there.
constexpr int kRightLeanBeyondSpare = 1;
constexpr int kLeftLean = 3;

bool LeansBeyondTheSpare(char last) { return last == 'f' || last == '\xD3'; }

void CheckInk(const std::string& atom, TFontStyles style, char last) {
    const Overhang o = PaintWithRealFont(atom, style);
    const std::string what = atom + " style " + std::to_string(style);
    EXPECT_LE(o.Top, 0) << what;
    EXPECT_LE(o.Bottom, 0) << what;
    EXPECT_LE(o.Right, LeansBeyondTheSpare(last) ? kRightLeanBeyondSpare : 0) << what;
    EXPECT_LE(o.Left, kLeftLean) << what;
}

TEST(AtomWithRealFonts, EveryCharacterInkWithinItsBox) {
    for (const TFontStyles style : {TFontStyles(0), fsBold}) {
        for (int b = 0x21; b <= 0xFF; ++b) {
            if (b == '\\') continue;  // starts an escape
            CheckInk(std::string(1, static_cast<char>(b)), style, static_cast<char>(b));
        }
    }
}

TEST(AtomWithRealFonts, AtomInkWithinItsBox) {
    const std::vector<std::string> atoms = {
        // Function names are painted upright inside the box of italic letters.
        "x",    "x2",     "xy2z",     "2x",   "sin",    "cos",   "tg",           "ctg",
        "sinh", "cosh",   "sinx",     "Sin",  "x'",     "h'",    "dx",           "12.5",
        "VW",   "fj",     "Af",       "lf",   "ff",     "W2",    "\xE0\xE1\xE2", "\xC4\xD9",
        "ab\\", "x\\pi1", "\\alpha2", "\\.x", "a\\-bc", "a;b:c", "-x+",
    };
    for (const TFontStyles style : {TFontStyles(0), fsBold})
        for (const std::string& atom : atoms) {
            // The last glyph drawn decides the right edge; "ab\\" ends with b.
            const std::size_t last = atom.find_last_not_of('\\');
            CheckInk(atom, style, atom[last]);
        }
}

}  // namespace
}  // namespace nerovan
