// Greek letters and special signs: how names resolve and how bad names are
// reported, exact places, fonts and font state on the test canvas, and with
// the real fonts that every glyph stays inside its atom's box and margin.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "atom.h"
#include "bitmap.h"
#include "raster_canvas.h"
#include "symbols.h"
#include "test_canvas.h"

namespace nerovan {
namespace {

TEST(Symbols, NamesResolveOrReportTheName) {
    struct Case {
        std::string Name;
        int Byte;  // Symbol-font byte for signs, code-page-1253 byte otherwise
        bool Sign;
        std::string Reported;  // the name in the Greek error
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"ww", 0xD9, true}, {"vv", 0xDA, true}, {"dd", 0xB6, true}, {"xx", 0xB4, true},
        {"pm", 0xB1, true}, {"oo", 0xB0, true}, {"omc", 0xB8, true}, {"YY", 0xA1, true},
        {"BB", 0xA5, true}, {"bb", 0xA5, true}, {"ff", 0xA6, true}, {"HH", 0xC0, true},
        {"TT", 0xC1, true}, {"RR", 0xC2, true}, {"PP", 0xC3, true}, {"ox", 0xC4, true},
        {"oxx", 0xC5, true}, {"OO", 0xC6, true}, {"LL", 0xD0, true},
        // Single letters: both tables, and the letters without a Greek one.
        {"a", 0xE1}, {"A", 0xC1}, {"t", 0xF4}, {"T", 0xD4}, {"u", 0xF5}, {"U", 0xD5},
        {"c", 0xFA}, {"C", 0xDA}, {"x", 0xEE}, {"Z", 0xC6}, {"w", 0xF9}, {"h", 0xF7},
        {"F", 0xD6}, {"I", 0xC9}, {"K", 0xCA}, {"O", 0xCF},
        {"j", 0, false, "j"}, {"y", 0, false, "y"}, {"J", 0, false, "j"}, {"Q", 0, false, "q"},
        // Long names: small as written; a capital, then letters in any case.
        {"alpha", 0xE1}, {"Alpha", 0xC1}, {"ALPHA", 0xC1}, {"Dzeta", 0xC6}, {"etha", 0xE7},
        {"TETHA", 0xC8}, {"ksi", 0xEE}, {"ro", 0xF1}, {"psi", 0xF8}, {"OMEGA", 0xD9},
        {"omline", 0xF2}, {"Omline", 0xD2}, {"kappa", 0xEA},
        // Capital iota, kappa and omicron by their long names too.
        {"Yota", 0xC9}, {"KAPPA", 0xCA}, {"Omicron", 0xCF},
        // Wrong case is no sign; a small first letter is reported as written.
        {"Bb", 0, false, "bb"}, {"bB", 0, false, "bB"}, {"PM", 0, false, "pm"},
        {"pM", 0, false, "pM"}, {"aLPHA", 0, false, "aLPHA"}, {"Qu", 0, false, "qu"},
        {"tau", 0, false, "tau"}, {"alphax", 0, false, "alphax"}, {"Alphax", 0, false, "alphax"},
    };
    // clang-format on
    for (const Case& c : cases) {
        uint8_t sign = 0x55;
        EXPECT_EQ(DecodeSymbolEscape(c.Name, sign), c.Sign) << c.Name;
        EXPECT_EQ(sign, c.Sign ? c.Byte : 0x55) << c.Name;
        if (c.Sign) continue;
        try {
            EXPECT_EQ(DecodeGreek(c.Name), c.Byte) << c.Name;
            EXPECT_TRUE(c.Reported.empty()) << c.Name;
        } catch (const EInvalidToken& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid greek symbol in \"" + c.Reported + "\"");
        }
    }
}

// Test canvas, em 24: cell 28, upright 12, italic letter 13, Symbol sign 14;
// both fonts have the same cell, so a sign is not shifted there.
TEST(Symbols, AtomsPlaceGlyphsInTheirFonts) {
    struct Op {
        std::string Text;
        int Dx;
        std::string Font;
        int Charset;
        bool operator==(const Op& o) const {
            return Text == o.Text && Dx == o.Dx && Font == o.Font && Charset == o.Charset;
        }
    };
    const std::string tnr = "Times New Roman";
    struct Case {
        std::string Atom;
        int Width;
        std::vector<Op> Ops;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"a\\pm1", 15 + 14 + 14 + 2, {{"a", 0, tnr, 1}, {"\xB1", 15, "Symbol", 1}, {"1", 29, tnr, 1}}},
        {"x\\alpha", 15 + 12 + 2, {{"x", 0, tnr, 1}, {"\xE1", 15, tnr, 161}}},
        {"\\bb\\BB", 14 + 14 + 4, {{"\xA5", 0, "Symbol", 1}, {"\xA5", 14, "Symbol", 1}}},
        {"\\ox2", 14 + 14 + 2, {{"\xC4", 0, "Symbol", 1}, {"2", 14, tnr, 1}}},
        {"\\Omline\\t\\u", 3 * 12 + 6,
         {{"\xD2", 0, tnr, 161}, {"\xF4", 12, tnr, 161}, {"\xF5", 24, tnr, 161}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        TestCanvas canvas;
        canvas.Font.Color = clMaroon;
        const TFont after = canvas.Font;
        EXPECT_EQ(MeasureAtom(c.Atom, canvas, true).Width, c.Width) << c.Atom;
        EXPECT_EQ(canvas.Font, after) << c.Atom;
        PaintAtom(c.Atom, {10, 20}, canvas, true);
        EXPECT_EQ(canvas.Font, after) << c.Atom;
        std::vector<Op> ops;
        for (const DrawOp& op : canvas.List().Ops) {
            EXPECT_EQ(op.Y1, 20);
            EXPECT_EQ(op.Font.Color, clMaroon);
            ops.push_back({op.Text, op.X1 - 10, op.Font.Name, op.Font.Charset});
        }
        EXPECT_TRUE(ops == c.Ops) << c.Atom;
    }
    // A bad name raises before the font is touched or anything is drawn.
    TestCanvas canvas;
    canvas.Font.Charset = BALTIC_CHARSET;
    const TFont before = canvas.Font;
    EXPECT_THROW(PaintNamedGlyph("q", {0, 0}, canvas), EInvalidToken);
    EXPECT_EQ(canvas.Font, before);
    EXPECT_TRUE(canvas.List().Ops.empty());
}

TEST(SymbolsWithRealFonts, GlyphInkWithinBoxAndMarginAndSignsCentred) {
    std::vector<std::string> names = {"ww",    "vv",     "dd",     "xx",  "pm",   "oo",   "omc",
                                      "YY",    "BB",     "ff",     "HH",  "TT",   "RR",   "PP",
                                      "ox",    "oxx",    "OO",     "LL",  "etha", "Etha", "tetha",
                                      "Tetha", "omline", "Omline", "psi", "Psi"};
    for (char c = 'a'; c <= 'z'; ++c) {
        if (GreekSmallLetters[c - 'a'] == '?') continue;
        names.push_back(std::string(1, c));
        names.push_back(std::string(1, static_cast<char>(c - 'a' + 'A')));
    }
    for (const int em : {21, 48}) {
        for (const TFontStyles style : {TFontStyles(0), fsBold}) {
            for (const std::string& name : names) {
                Bitmap bitmap;
                bitmap.SetSize(4 * em, 3 * em);
                Canvas& canvas = bitmap.Canvas();
                canvas.Brush.Style = TBrushStyle::bsClear;
                canvas.Font.Height = -em;
                canvas.Font.Style = style;
                DisplayList list;
                canvas.SetRecorder(&list);
                const std::string atom = "\\" + name;
                const std::string what = atom + " em " + std::to_string(em);
                const TFormulaMetrics m = MeasureAtom(atom, canvas, true);
                const int cell = canvas.TextHeight("1");
                EXPECT_EQ(m.Height, cell) << what;  // a sign's taller cell does not count
                PaintAtom(atom, {em, em}, canvas, true);
                ASSERT_EQ(list.Ops.size(), 1u);
                if (list.Ops[0].Font.Name == "Symbol") {
                    canvas.Font.Name = "Symbol";
                    EXPECT_EQ(list.Ops[0].Y1, em + cell / 2 - canvas.TextHeight("1") / 2) << what;
                }
                int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
                for (int y = 0; y < bitmap.Height(); ++y)
                    for (int x = 0; x < bitmap.Width(); ++x)
                        if (bitmap.ScanLine(y)[4 * x] != 255) {
                            left = std::min(left, x), right = std::max(right, x);
                            top = std::min(top, y), bottom = std::max(bottom, y);
                        }
                ASSERT_GE(right, 0) << what;
                EXPECT_GE(left, em - 2) << what;
                EXPECT_GE(top, em - 2) << what;
                EXPECT_LT(right, em + m.Width + 2) << what;
                EXPECT_LT(bottom, em + m.Height + 2) << what;
            }
        }
    }
}

}  // namespace
}  // namespace nerovan
