// The real drawing surface: the pixel rules of lines, arcs, fills and text
// on the cairo canvas.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "bitmap.h"
#include "font_engine.h"
#include "metafile.h"
#include "raster_canvas.h"

namespace nerovan {
namespace {

// The red byte of pixel (x, y) of a 32-bit bitmap (0 = ink, 255 = paper).
int Ink(const Bitmap& b, int x, int y) { return 255 - b.ScanLine(y)[x * 4 + 2]; }

class RasterCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        bitmap.SetSize(40, 40);
        canvas().Font.Name = "Times New Roman";
        canvas().Font.Height = -21;
    }
    Canvas& canvas() { return bitmap.Canvas(); }
    Bitmap bitmap;
};

TEST_F(RasterCanvasTest, TextMetricsOfLiberationSerif) {
    EXPECT_EQ(canvas().TextHeight("x"), 24);
    EXPECT_EQ(canvas().TextHeight(""), 24);
    const int w = canvas().TextWidth("x=x");
    EXPECT_EQ(w, 2 * canvas().TextWidth("x") + canvas().TextWidth("="));
    std::vector<int> dx;
    canvas().CharAdvances("x=x", dx);
    ASSERT_EQ(dx.size(), 3u);
    EXPECT_EQ(dx[0] + dx[1] + dx[2], w);
    EXPECT_EQ(canvas().TextWidth(""), 0);
    canvas().Font.Style = fsItalic;
    EXPECT_NE(canvas().TextWidth("x"), 0);
}

TEST_F(RasterCanvasTest, TextIsAntialiasedInsideItsCell) {
    canvas().Brush.Style = TBrushStyle::bsClear;
    canvas().TextOut(5, 6, "W");
    const int w = canvas().TextWidth("W"), h = canvas().TextHeight("W");
    bool grey = false, black = false;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const int ink = Ink(bitmap, x, y);
            if (ink == 0) continue;
            EXPECT_TRUE(x >= 5 && x < 5 + w + 1 && y >= 6 && y < 6 + h) << x << "," << y;
            if (ink > 250) black = true;
            if (ink > 20 && ink < 230) grey = true;
        }
    EXPECT_TRUE(black);
    EXPECT_TRUE(grey);
}

TEST_F(RasterCanvasTest, ClippedTextLeavesNothingOutsideTheClip) {
    canvas().Brush.Style = TBrushStyle::bsClear;
    canvas().TextOutClipped(5, 6, "W", {0, 0, 40, 14});
    bool inked = false;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (Ink(bitmap, x, y) == 0) continue;
            inked = true;
            EXPECT_LT(y, 14);
        }
    EXPECT_TRUE(inked);
}

TEST_F(RasterCanvasTest, OnePixelLinesAreCrispAndExcludeTheirEnd) {
    canvas().MoveTo(2, 5);
    canvas().LineTo(8, 5);
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(Ink(bitmap, x, 5), x >= 2 && x < 8 ? 255 : 0) << x;
        EXPECT_EQ(Ink(bitmap, x, 4), 0);
        EXPECT_EQ(Ink(bitmap, x, 6), 0);
    }
    EXPECT_EQ(canvas().PenPos().X, 8);
    // Leftwards: from x = 30 down to, not including, x = 25.
    canvas().MoveTo(30, 10);
    canvas().LineTo(25, 10);
    for (int x = 20; x < 35; ++x) EXPECT_EQ(Ink(bitmap, x, 10), x > 25 && x <= 30 ? 255 : 0) << x;
    canvas().MoveTo(12, 20);
    canvas().LineTo(12, 24);
    for (int y = 18; y < 27; ++y) EXPECT_EQ(Ink(bitmap, 12, y), y >= 20 && y < 24 ? 255 : 0) << y;
}

TEST_F(RasterCanvasTest, TwoPixelLinesCoverTheRowAboveAndTheRow) {
    canvas().Pen.Width = 2;
    canvas().MoveTo(2, 30);
    canvas().LineTo(10, 30);
    for (int y = 27; y < 33; ++y) EXPECT_EQ(Ink(bitmap, 5, y), y == 29 || y == 30 ? 255 : 0) << y;
}

TEST_F(RasterCanvasTest, WideLinesCoverWholeRowsAndColumnsAroundTheLine) {
    for (int w = 1; w <= 5; ++w) {
        bitmap.SetSize(40, 40);
        canvas().Pen.Width = w;
        canvas().MoveTo(4, 20);
        canvas().LineTo(14, 20);
        canvas().MoveTo(30, 25);
        canvas().LineTo(30, 5);  // upwards: from 25 to, not including, 5
        // Odd widths centre on the line; even ones reach one row further up.
        const int first = 20 - w / 2, last = first + w - 1;
        for (int y = 10; y < 30; ++y)
            for (int x = 2; x < 16; ++x)
                ASSERT_EQ(Ink(bitmap, x, y), x >= 4 && x < 14 && y >= first && y <= last ? 255 : 0)
                    << "width " << w << " at " << x << "," << y;
        for (int x = 24; x < 36; ++x)
            for (int y = 3; y < 28; ++y)
                ASSERT_EQ(Ink(bitmap, x, y),
                          x >= 30 - w / 2 && x < 30 - w / 2 + w && y > 5 && y <= 25 ? 255 : 0)
                    << "width " << w << " at " << x << "," << y;
    }
}

// Runs of text are drawn in batches; what is drawn after them still lies on
// top, each colour keeps its own run, the pixels read show every run, and a
// resize forgets runs not yet drawn.
TEST_F(RasterCanvasTest, TextRunsKeepTheirOrderColourAndVisibility) {
    canvas().Brush.Style = TBrushStyle::bsClear;
    canvas().TextOut(2, 2, "W");
    canvas().Font.Color = RGB(255, 0, 0);
    canvas().TextOut(20, 2, "W");
    canvas().Brush.Color = clWhite;
    canvas().FillRect({0, 0, 10, 40});  // covers the first W's left part
    bool black = false, red = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const uint8_t* p = bitmap.ScanLine(y) + x * 4;
            if (x < 10) {
                ASSERT_EQ(p[2] & p[1] & p[0], 255) << x << "," << y;
            }
            if (x >= 10 && x < 20 && p[2] < 40 && p[1] < 40) black = true;
            if (x >= 20 && p[2] > 200 && p[1] < 40 && p[0] < 40) red = true;
        }
    EXPECT_TRUE(black);
    EXPECT_TRUE(red);
    // More fonts than the canvas keeps contexts for, each twice, a fill over
    // the first of them: every run lands, in order.
    bitmap.SetSize(400, 40);
    for (int round = 0; round < 2; ++round)
        for (int k = 0; k < 12; ++k) {
            canvas().Font.Height = -(10 + k);
            canvas().Font.Color = round == 0 ? clBlack : RGB(0, 0, 255);
            canvas().TextOut(5 + 32 * k, 5, "W");
            if (round == 0 && k == 0) canvas().FillRect({0, 0, 32, 40});
        }
    for (int k = 0; k < 12; ++k) {
        bool blue = false;
        for (int y = 0; y < 40; ++y)
            for (int x = 32 * k; x < 32 * k + 32; ++x) {
                const uint8_t* p = bitmap.ScanLine(y) + x * 4;
                if (p[0] > 200 && p[2] < 60) blue = true;
            }
        EXPECT_TRUE(blue) << "font " << k;
    }
    // A copy taken while text is held back shows the text too.
    bitmap.SetSize(40, 40);
    canvas().TextOut(2, 2, "W");
    Bitmap copy;
    copy.CopyFrom(bitmap);
    int inked = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) inked += Ink(copy, x, y) > 0;
    EXPECT_GT(inked, 20);
    // Text not yet read when the bitmap is resized leaves no trace.
    canvas().TextOut(2, 2, "W");
    bitmap.SetSize(30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(Ink(bitmap, x, y), 0) << x << "," << y;
}

// Text the canvas composites from the glyph images it keeps has exactly the
// pixels cairo gives the same runs: glyphs far apart, glyphs whose ink boxes
// meet (added up in a mask first), runs partly outside the picture, colours,
// the symbol font, and more fonts than the canvas keeps images for.
class CairoTextReference {
public:
    struct Piece {
        TFont Font;
        int X, Y;
        std::string Text;
        std::optional<TRect> Clip = std::nullopt;  // drawn alone, inside it
    };
    // Draws the pieces on the canvas of a w x h bitmap, consecutive pieces
    // of one font and colour as one run, and the same runs with cairo; true
    // when every colour byte agrees.
    static bool Agree(const std::vector<Piece>& pieces, int w, int h, std::string* where) {
        Bitmap bitmap;
        bitmap.SetSize(w, h);
        Canvas& canvas = bitmap.Canvas();
        canvas.Brush.Style = TBrushStyle::bsClear;
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        std::vector<cairo_glyph_t> run;
        FontHandle last{};
        TColor last_colour = 0;
        const auto show = [&] {
            if (run.empty()) return;
            cairo_set_scaled_font(cr, last.Scaled);
            cairo_set_source_rgb(cr, GetRValue(last_colour) / 255.0, GetGValue(last_colour) / 255.0,
                                 GetBValue(last_colour) / 255.0);
            cairo_show_glyphs(cr, run.data(), static_cast<int>(run.size()));
            run.clear();
        };
        for (const Piece& p : pieces) {
            canvas.Font = p.Font;
            if (p.Clip)
                canvas.TextOutClipped(p.X, p.Y, p.Text, *p.Clip);
            else
                canvas.TextOut(p.X, p.Y, p.Text);
            const FontHandle f = FontEngine::Instance().Resolve(p.Font);
            if (p.Clip || f.Scaled != last.Scaled || p.Font.Color != last_colour) show();
            last = f;
            last_colour = p.Font.Color;
            std::vector<int> advances;
            canvas.CharAdvances(p.Text, advances);
            double x = p.X;
            for (size_t i = 0; i < p.Text.size(); ++i) {
                run.push_back(
                    {f.Glyphs[static_cast<uint8_t>(p.Text[i])], x, double(p.Y + f.Ascent)});
                x += advances[i];
            }
            if (p.Clip) {
                cairo_save(cr);
                cairo_rectangle(cr, p.Clip->Left, p.Clip->Top, p.Clip->Width(), p.Clip->Height());
                cairo_clip(cr);
                show();
                cairo_restore(cr);
                last = {};
            }
        }
        show();
        cairo_surface_flush(s);
        const uint8_t* data = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        bool same = true;
        for (int y = 0; y < h && same; ++y)
            for (int x = 0; x < w * 4 && same; ++x)
                if ((x & 3) != 3 && bitmap.ScanLine(y)[x] != data[y * stride + x]) {
                    same = false;
                    *where = "pixel " + std::to_string(x / 4) + "," + std::to_string(y);
                }
        cairo_destroy(cr);
        cairo_surface_destroy(s);
        return same;
    }
};

TEST(RasterText, GlyphsArePaintedExactlyAsCairoPaintsThem) {
    const auto font = [](const char* name, int height, TFontStyles style, TColor colour) {
        return TFont{name, height, style, DEFAULT_CHARSET, colour};
    };
    const TFont roman = font("Times New Roman", -21, 0, clBlack);
    const TFont italic = font("Times New Roman", -33, fsBold | fsItalic, RGB(0, 0, 160));
    const TFont small = font("Times New Roman", -9, fsItalic, clBlack);
    const TFont symbol = font("Symbol", -25, 0, RGB(200, 30, 0));
    std::string where;
    // Apart, touching, overlapping within a run and between two outputs of
    // one run, hanging over every edge, far beyond the picture, clipped
    // (also to nothing).
    EXPECT_TRUE(CairoTextReference::Agree({{roman, 3, 3, "x + y = z"},
                                           {italic, 3, 30, "ffjWAVAfj"},
                                           {italic, 20, 34, "//"},
                                           {small, 150, 3, "fij"},
                                           {small, 153, 4, "fij"},
                                           {symbol, 100, 30,
                                            "\xb6\xf2\xe5"
                                            "a"},
                                           {roman, -6, -8, "Wg"},
                                           {italic, 170, 60, "Wjy"},
                                           {roman, 1 << 29, 10, "far"},
                                           {roman, -(1 << 29), 10, "far"},
                                           {italic, 40, 2, "WAV", TRect{45, 5, 70, 20}},
                                           {italic, 40, 2, "ffj", TRect{-5, 10, 52, 200}},
                                           {symbol, 150, 40, "\xb6", TRect{150, 40, 150, 60}},
                                           {roman, 100, 50, "x", TRect{103, 55, 120, 62}}},
                                          190, 80, &where))
        << where;
    // Many sizes of every byte: more glyph images than the canvas keeps.
    std::vector<CairoTextReference::Piece> many;
    std::string all;
    for (int c = 33; c < 256; ++c) all += static_cast<char>(c);
    for (int size = 8; size < 30; ++size)
        many.push_back({font(size % 2 ? "Times New Roman" : "Symbol", -size, 0, clBlack), 2,
                        (size - 8) * 4, all});
    EXPECT_TRUE(CairoTextReference::Agree(many, 3000, 120, &where)) << where;
}

TEST_F(RasterCanvasTest, FillRectExcludesRightAndBottom) {
    canvas().Brush.Color = RGB(255, 0, 0);
    canvas().FillRect({3, 4, 7, 9});
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x) {
            const bool in = x >= 3 && x < 7 && y >= 4 && y < 9;
            const uint8_t* p = bitmap.ScanLine(y) + x * 4;
            EXPECT_EQ(p[0], in ? 0 : 255);  // blue
            EXPECT_EQ(p[2], 255);           // red
        }
}

// A fill of the whole picture in the colour it was resized to is skipped;
// after anything was drawn, or written directly, it covers it again.
TEST_F(RasterCanvasTest, FillingTheWholePictureCoversWhatWasDrawn) {
    const std::vector<std::function<void()>> draws = {
        [&] { canvas().TextOut(2, 2, "W"); },
        [&] {
            canvas().MoveTo(0, 5);
            canvas().LineTo(30, 5);
        },
        [&] { canvas().Ellipse(3, 3, 30, 30); },
        [&] { canvas().Arc(3, 3, 30, 30, 30, 15, 3, 15); },
        [&] {
            canvas().FillRect({5, 5, 20, 20});
        },
        [&] { bitmap.ScanLine(7)[20] = 0; },
    };
    for (size_t k = 0; k < draws.size(); ++k) {
        bitmap.SetSize(40, 40);
        canvas().Brush.Color = clWhite;
        canvas().FillRect({0, 0, 40, 40});  // nothing to do: the picture is white
        canvas().Brush.Color = RGB(0, 128, 0);
        draws[k]();
        canvas().Brush.Color = clWhite;
        canvas().FillRect({-3, -3, 50, 50});
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const uint8_t* p = bitmap.ScanLine(y) + 4 * x;
                ASSERT_EQ(p[0] & p[1] & p[2], 255) << "drawing " << k << " at " << x << "," << y;
            }
    }
}

TEST_F(RasterCanvasTest, ArcsRunCounterClockwiseOnScreen) {
    // From the ray to the right to the ray upwards: the upper-right quarter.
    canvas().Arc(0, 0, 21, 21, 20, 10, 10, 0);
    auto quarter_ink = [&](int x0, int y0) {
        int ink = 0;
        for (int y = y0; y < y0 + 9; ++y)
            for (int x = x0; x < x0 + 9; ++x) ink += Ink(bitmap, x, y);
        return ink;
    };
    EXPECT_GT(quarter_ink(12, 0), 1000);  // upper right
    EXPECT_EQ(quarter_ink(0, 0), 0);
    EXPECT_EQ(quarter_ink(0, 12), 0);
    EXPECT_EQ(quarter_ink(12, 12), 0);
    // The outline stays inside the rectangle, right and bottom edges excluded.
    for (int y = 0; y < 40; ++y)
        for (int x = 21; x < 40; ++x) EXPECT_EQ(Ink(bitmap, x, y), 0);
}

TEST_F(RasterCanvasTest, EllipseIsFilledUnlessTheBrushIsClear) {
    canvas().Brush.Color = RGB(0, 0, 0);
    canvas().Ellipse(0, 0, 11, 11);
    EXPECT_EQ(Ink(bitmap, 5, 5), 255);
    canvas().Brush.Style = TBrushStyle::bsClear;
    canvas().Ellipse(20, 20, 31, 31);
    EXPECT_EQ(Ink(bitmap, 25, 25), 0);
    EXPECT_GT(Ink(bitmap, 20, 25), 100);
}

TEST_F(RasterCanvasTest, ReplayingARecordingDrawsTheSamePixels) {
    Metafile mf;
    {
        MetafileCanvas rec(mf, "c", "d");
        rec.Font = canvas().Font;
        rec.Brush.Style = TBrushStyle::bsClear;
        rec.TextOut(3, 3, "ab");
        rec.MoveTo(1, 30);
        rec.LineTo(30, 30);
        rec.Arc(5, 5, 25, 25, 25, 15, 15, 5);
    }
    ASSERT_EQ(mf.List.Ops.size(), 3u);
    canvas().Brush.Style = TBrushStyle::bsClear;
    canvas().TextOut(3, 3, "ab");
    canvas().MoveTo(1, 30);
    canvas().LineTo(30, 30);
    canvas().Arc(5, 5, 25, 25, 25, 15, 15, 5);
    Bitmap replayed;
    replayed.SetSize(40, 40);
    mf.List.ReplayOn(replayed.Canvas());
    for (int y = 0; y < 40; ++y)
        ASSERT_EQ(0, std::memcmp(replayed.ScanLine(y), bitmap.ScanLine(y), 40 * 4)) << "row " << y;
}

}  // namespace
}  // namespace nerovan
