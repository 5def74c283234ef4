// The formula component: sizes, pixel formats, the metafile header texts,
// the per-pass values, and recovery after a failed pass.
#include <gtest/gtest.h>

#include <cstring>

#include "component.h"
#include "demo_formulas.h"
#include "expression.h"
#include "metafile.h"
#include "raster_canvas.h"

namespace nerovan {
namespace {

TEST(Component, ValuesAfterConstruction) {
    TNerovan c;
    EXPECT_EQ(c.ForeGroundColor, clBlack);
    EXPECT_EQ(c.BackGroundColor, clWhite);
    EXPECT_EQ(c.Expression, "");
    EXPECT_TRUE(c.ItalicVars);
    EXPECT_EQ(c.Font.Name, "Times New Roman");
    EXPECT_EQ(c.Font.Size(), 18);
    EXPECT_TRUE(c.EMFPaint);
    EXPECT_TRUE(c.MulPoint);
    EXPECT_FALSE(c.BlurBitmap);
    EXPECT_EQ(c.Bitmap().PixelFormat(), TPixelFormat::pf32bit);
}

TEST(Component, EmptyExpressionIsFourByFourBackground) {
    TNerovan c;
    c.EMFPaint = false;
    c.BackGroundColor = RGB(255, 0, 0);
    c.Paint();
    EXPECT_EQ(c.Bitmap().Width(), 4);
    EXPECT_EQ(c.Bitmap().Height(), 4);
    EXPECT_EQ(c.Bitmap().PixelFormat(), TPixelFormat::pf8bit);
    for (int y = 0; y < 4; ++y) {
        const uint8_t* p = c.Bitmap().ScanLine(y);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(p[4 * x + 2], 255);
            EXPECT_EQ(p[4 * x + 1], 0);
            EXPECT_EQ(p[4 * x + 0], 0);
        }
    }
    c.BlurBitmap = true;
    c.Paint();
    EXPECT_EQ(c.Bitmap().PixelFormat(), TPixelFormat::pf32bit);
}

TEST(Component, PictureIsTheBoxPlusTheMargin) {
    TNerovan c;
    c.Expression = "a<=b";
    c.Font.Height = -21;
    c.EMFPaint = false;
    c.Paint();
    const TFormulaMetrics m = c.Metrics;
    EXPECT_GT(m.Width, 0);
    EXPECT_EQ(c.Bitmap().Width(), m.Width + 4);
    EXPECT_EQ(c.Bitmap().Height(), m.Height + 4);
    c.EMFPaint = true;
    c.Paint();
    EXPECT_EQ(c.Metrics, m);  // both targets lay out alike
    EXPECT_EQ(c.Metafile().Width, m.Width + 4);
    EXPECT_EQ(c.Metafile().Height, m.Height + 4);
}

TEST(Component, MetafileCarriesCreatorAndExpression) {
    TNerovan c;
    c.Expression = "x\xC0";
    c.Paint();
    EXPECT_EQ(c.Metafile().Creator, "Nerovan by Tarquel");
    EXPECT_EQ(c.Metafile().Description, "x\xC0");
    c.Expression = "y";
    c.Paint();
    EXPECT_EQ(c.Metafile().Description, "y");
    // The pass starts with the background over the whole picture.
    ASSERT_FALSE(c.Metafile().List.Ops.empty());
    const DrawOp& fill = c.Metafile().List.Ops.front();
    EXPECT_EQ(fill.Kind, DrawOpKind::Fill);
    EXPECT_EQ(fill.Rect, (TRect{0, 0, c.Metafile().Width, c.Metafile().Height}));
    EXPECT_EQ(fill.Color, clWhite);
}

TEST(Component, MetafileAndBitmapPassesDrawTheSameOperations) {
    for (const char* e : {"a<=b", "x~ee Y", "<=> x", "f(x=1) = 2"}) {
        TNerovan c;
        c.Expression = e;
        c.ForeGroundColor = RGB(10, 20, 30);
        c.Paint();
        DisplayList bitmap_ops;
        c.EMFPaint = false;
        c.Bitmap().Canvas().SetRecorder(&bitmap_ops);
        c.Paint();
        c.Bitmap().Canvas().SetRecorder(nullptr);
        EXPECT_EQ(bitmap_ops.Format(), c.Metafile().List.Format()) << e;
    }
}

// A glyph's hook that hangs beyond its box (an italic f, j or y at either end)
// is never cut off: the picture grows at that edge, and only there, so no
// dark pixel touches its outermost columns and rows, in every size and
// style and on both targets; the measured box stays as it was, and both
// targets draw the same operations, shifted alike.
TEST(Component, InkIsNeverCutAtThePictureEdge) {
    const std::string demo17 = DemoFormulas[16];
    for (const std::string& e :
         {std::string("a f"), std::string("Res f"), std::string("j+y"), demo17})
        for (int em : {13, 21, 48})
            for (TFontStyles style : {TFontStyles(0), TFontStyles(fsBold), TFontStyles(fsItalic)}) {
                const std::string what =
                    e + " em " + std::to_string(em) + " style " + std::to_string(style);
                TNerovan c;
                c.Expression = e;
                c.Font.Height = -em;
                c.Font.Style = style;
                c.EMFPaint = false;
                DisplayList bitmap_ops;
                c.Bitmap().Canvas().SetRecorder(&bitmap_ops);
                c.Paint();
                c.Bitmap().Canvas().SetRecorder(nullptr);
                const Bitmap& b = c.Bitmap();
                const int w = b.Width(), h = b.Height();
                auto dark = [&](int x, int y) {
                    const uint8_t* p = b.ScanLine(y) + 4 * x;
                    return 114 * p[0] + 587 * p[1] + 299 * p[2] < 128 * 1000;
                };
                for (int x = 0; x < w; ++x)
                    ASSERT_FALSE(dark(x, 0) || dark(x, h - 1)) << what << " x " << x;
                for (int y = 0; y < h; ++y)
                    ASSERT_FALSE(dark(0, y) || dark(w - 1, y)) << what << " y " << y;
                const TFormulaMetrics box = c.Metrics;
                EXPECT_GE(w, box.Width + 4) << what;
                EXPECT_LE(w, box.Width + 4 + em / 2) << what;
                EXPECT_GE(h, box.Height + 4) << what;

                // The grown picture is the one its operations paint anew.
                Bitmap again;
                again.SetSize(w, h);
                bitmap_ops.ReplayOn(again.Canvas());
                again.MapToPalette();
                for (int y = 0; y < h; ++y)
                    ASSERT_EQ(std::memcmp(again.ScanLine(y), b.ScanLine(y), 4 * w), 0)
                        << what << " row " << y;

                c.EMFPaint = true;
                c.Paint();
                EXPECT_EQ(c.Metrics, box) << what;
                EXPECT_EQ(c.Metafile().Width, w) << what;
                EXPECT_EQ(c.Metafile().Height, h) << what;
                EXPECT_EQ(c.Metafile().List.Format(), bitmap_ops.Format()) << what;
            }
    // An upright x keeps the plain margin.
    TNerovan c;
    c.Expression = "x";
    c.EMFPaint = false;
    c.Paint();
    EXPECT_EQ(c.Bitmap().Width(), c.Metrics.Width + 4);
    EXPECT_EQ(c.Bitmap().Height(), c.Metrics.Height + 4);
}

TEST(Component, PassValuesTravelWithTheCanvas) {
    TNerovan c;
    c.EMFPaint = false;
    c.MulPoint = false;
    c.BackGroundColor = RGB(1, 2, 3);
    c.Paint();
    EXPECT_FALSE(c.Bitmap().Canvas().Pass.MulPoint);
    EXPECT_EQ(c.Bitmap().Canvas().Pass.EraseColor, RGB(1, 2, 3));
}

TEST(Component, FailedPassLeavesTheTargetAndTheNextPassWorks) {
    TNerovan c;
    c.Expression = "ab";
    c.Paint();
    const int width = c.Metafile().Width;
    c.Expression = "a)";
    EXPECT_THROW(c.Paint(), EInvalidBracket);
    EXPECT_EQ(c.Metafile().Width, width);  // an error while measuring keeps the old size
    c.Expression = "ab";
    c.Paint();
    EXPECT_EQ(c.Metafile().Width, width);
    EXPECT_EQ(c.Metafile().Description, "ab");
}

// A kept bitmap is not painted over by the next pass, and a lower bound on
// the picture refuses what is beyond it by its size.
TEST(Component, KeptBitmapSurvivesTheNextPassAndTheBoundIsTheCallers) {
    TNerovan c;
    c.EMFPaint = false;
    c.Expression = "ab";
    c.Paint();
    const std::shared_ptr<const Bitmap> kept = c.SharedBitmap();
    const std::vector<uint8_t> rows(kept->ScanLine(0),
                                    kept->ScanLine(0) + size_t(kept->Stride()) * kept->Height());
    c.Expression = "sum(i=1, n, x_i^2)";
    c.Paint();
    EXPECT_NE(&c.Bitmap(), kept.get());
    EXPECT_EQ(std::vector<uint8_t>(kept->ScanLine(0), kept->ScanLine(0) + rows.size()), rows);

    c.MaxPicturePixels = 1000;
    for (bool emf : {false, true}) {
        c.EMFPaint = emf;
        try {
            c.Paint();
            ADD_FAILURE() << "painted beyond the bound";
        } catch (const ELimitExceeded& e) {
            EXPECT_NE(std::string(e.what()).find("pixels a side and 1000 pixels in all"),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST(Component, BlurSmoothsAndEightBitMapsToThePalette) {
    TNerovan c;
    c.Expression = "W";
    c.EMFPaint = false;
    c.Paint();
    const auto& palette = HalftonePalette();
    const Bitmap& b = c.Bitmap();
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const uint8_t* p = b.ScanLine(y) + 4 * x;
            const PaletteEntry& e = palette[b.Indices()[y * b.Width() + x]];
            ASSERT_EQ(p[2], e.Red);
            ASSERT_EQ(p[1], e.Green);
            ASSERT_EQ(p[0], e.Blue);
        }
}

}  // namespace
}  // namespace nerovan

namespace nerovan {
namespace {

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The message of the limit a paint (or only the measuring) ran into, or ""
// when it ran into none.
std::string LimitMessage(TNerovan& c, bool measure_only = false) {
    try {
        if (measure_only)
            c.Measure();
        else
            c.Paint();
    } catch (const ELimitExceeded& error) {
        return error.what();
    }
    return "";
}

TEST(ComponentLimits, DeepNestingIsANotationErrorNotACrash) {
    TNerovan c;
    c.EMFPaint = false;
    for (const std::string& e : {Repeat("(", 100000), Repeat("sqrt(", 5000) + "x",
                                 Repeat("x^(", 3000) + "x", Repeat("f(", 2000) + "x"}) {
        c.Expression = e;
        EXPECT_NE(LimitMessage(c).find("nested too deeply"), std::string::npos) << e.substr(0, 10);
    }
    // Within the limit, deep formulas paint, and the next pass works again.
    c.Expression = Repeat("sqrt(", 150) + "x";
    EXPECT_NO_THROW(c.Paint());
    EXPECT_EQ(c.Bitmap().Canvas().Pass.NestingDepth, 0);
}

// Each level of nesting keeps its pieces while the levels inside it are laid
// out: a long formula nested deep is refused before that takes length times
// depth of memory, a long shallow one is not.
TEST(ComponentLimits, LongFormulasNestedDeepAreRefusedShallowOnesAreNot) {
    TNerovan c;
    c.EMFPaint = true;
    c.Expression = Repeat("(", 60000);  // 170 levels would hold 20 million characters
    EXPECT_NE(LimitMessage(c).find("nested too deeply for its length"), std::string::npos);
    EXPECT_EQ(c.Metafile().List.Ops.size(), 0u);
    std::string sum = "x_1";
    for (int i = 2; i <= 1500; ++i) sum += "+(x_" + std::to_string(i) + ")";
    // 300 levels of 12 000 characters, 3.6 million in all, lay out; only the
    // picture, 1500 terms wide, is too large.
    c.Expression = "sqrt(" + Repeat("(", 300) + sum + ")";
    EXPECT_NE(LimitMessage(c, true).find("The picture would be"), std::string::npos);
}

// Nested matrices multiply their cells' sizes at every level, past what 32
// bits hold: the sizes saturate, and the picture is refused as too large,
// never with a negative or wrapped-around size.
TEST(ComponentLimits, SizesBeyond32BitsAreRefusedAsTooLarge) {
    const auto nested = [](const std::string& name, int depth) {
        std::string e = "x";
        for (int i = 0; i < depth; ++i) e = name + "[" + e + "]";
        return e;
    };
    std::vector<std::string> expressions = {nested("mat99", 8),
                                            "sys(" + nested("mat99", 8) + ", x)",
                                            "sqrt(" + nested("mat99", 8) + ")^2"};
    for (int depth = 28; depth <= 34; ++depth) expressions.push_back(nested("mat22", depth));
    TNerovan c;
    for (const std::string& e : expressions) {
        c.Expression = e;
        for (const bool metafile : {false, true}) {
            c.EMFPaint = metafile;
            const std::string message = LimitMessage(c);
            EXPECT_EQ(message.rfind("The picture would be ", 0), 0u) << e << metafile;
            EXPECT_EQ(message.find('-'), std::string::npos) << message;
        }
    }
}

TEST(ComponentLimits, OversizedPictureNamesItsSize) {
    TNerovan c;
    c.EMFPaint = false;
    c.Font.Height = -21;
    c.Expression = Repeat("\\a", 20000);
    const std::string message = LimitMessage(c);
    EXPECT_NE(message.find(" x 28 pixels"), std::string::npos) << message;
    c.EMFPaint = true;
    EXPECT_THROW(c.Paint(), ELimitExceeded);
}

}  // namespace
}  // namespace nerovan

namespace nerovan {
namespace {

TEST(ComponentLimits, HugeFontsAndExpressionsAreRefusedWithTheirSize) {
    TNerovan c;
    c.EMFPaint = false;
    c.Expression = "x";
    c.Font.Height = -(kMaxFontPixels + 1);
    EXPECT_EQ(LimitMessage(c), "The font is 2001 pixels high; the largest is 2000 pixels");
    c.Font.Height = -kMaxFontPixels;
    EXPECT_NO_THROW(c.Paint());
    c.Font.Height = -21;
    c.Expression = std::string(kMaxExpressionLength + 1, 'x');
    EXPECT_THROW(c.Measure(), ELimitExceeded);
}

}  // namespace
}  // namespace nerovan
