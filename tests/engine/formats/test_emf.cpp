// EMF writing and header reading: header fields and description text, the
// font, text and drawing records a display list turns into, the object table,
// and the header reader against truncated and hostile bytes.
#include "emf.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>

#include "bitmap.h"
#include "byte_fields.h"
#include "font_engine.h"
#include "raster_canvas.h"

namespace nerovan {
namespace {

using Bytes = std::vector<uint8_t>;
int32_t I32(const Bytes& b, size_t off) { return static_cast<int32_t>(Le32(b, off)); }
void PutU32(Bytes& b, size_t off, uint32_t v) { std::memcpy(b.data() + off, &v, 4); }
std::vector<int> Rect(const Bytes& b, size_t off) {
    return {I32(b, off), I32(b, off + 4), I32(b, off + 8), I32(b, off + 12)};
}

// A drawing record with what was selected when it was written: stock objects
// by handle, created ones by the offset of their creating record.
struct Draw {
    uint32_t Type;
    size_t Off;
    uint32_t Pen, Brush;
    size_t PenRec, BrushRec, FontRec;
    uint32_t TextColor;
};
struct Played {
    std::vector<Draw> Draws;
    int Records = 0, FontsCreated = 0;
};

// Walks the records (sizes must chain up to EMR_EOF at the very end, each
// record passing libUEMF's own safety check) and replays the object table,
// failing on a handle reused while alive, a dead handle selected, a selected
// object deleted, or an object never deleted.
Played Play(const Bytes& b) {
    Played p;
    std::map<uint32_t, size_t> live;  // handle -> creating record
    uint32_t sel[3] = {0, 0, 0};      // pen, brush, font
    uint32_t text_color = 0xFFFFFFFF;
    size_t off = 0;
    uint32_t type = 0;
    while (type != U_EMR_EOF) {
        if (off + 8 > b.size()) break;
        type = Le32(b, off);
        const uint32_t size = Le32(b, off + 4), h = off + 12 <= b.size() ? Le32(b, off + 8) : 0;
        if (size < 8 || size % 4 || off + size > b.size()) break;
        EXPECT_TRUE(U_emf_record_safe(reinterpret_cast<const char*>(b.data() + off))) << off;
        ++p.Records;
        if (type == U_EMR_CREATEPEN || type == U_EMR_CREATEBRUSHINDIRECT ||
            type == U_EMR_EXTCREATEFONTINDIRECTW) {
            EXPECT_EQ(live.count(h), 0u) << "handle reused while alive at " << off;
            live[h] = off;
            p.FontsCreated += type == U_EMR_EXTCREATEFONTINDIRECTW;
        } else if (type == U_EMR_SELECTOBJECT) {
            uint32_t kind = h == U_NULL_PEN || h == U_BLACK_PEN ? 0 : h >= U_OEM_FIXED_FONT ? 2 : 1;
            if (!(h & U_STOCK_OBJECT)) {
                EXPECT_EQ(live.count(h), 1u) << "dead handle selected at " << off;
                const uint32_t t = live.count(h) ? Le32(b, live[h]) : 0;
                kind = t == U_EMR_CREATEPEN ? 0 : t == U_EMR_CREATEBRUSHINDIRECT ? 1 : 2;
            }
            sel[kind] = h;
        } else if (type == U_EMR_DELETEOBJECT) {
            EXPECT_EQ(live.count(h), 1u);
            EXPECT_TRUE(h != sel[0] && h != sel[1] && h != sel[2]) << "selected object deleted";
            live.erase(h);
        } else if (type == U_EMR_SETTEXTCOLOR) {
            text_color = h;
        } else {
            auto rec = [&](uint32_t s) { return live.count(s) ? live[s] : size_t(0); };
            p.Draws.push_back(
                {type, off, sel[0], sel[1], rec(sel[0]), rec(sel[1]), rec(sel[2]), text_color});
        }
        off += size;
    }
    EXPECT_EQ(type, uint32_t(U_EMR_EOF));
    EXPECT_EQ(off, b.size());
    EXPECT_TRUE(live.empty()) << "objects left undeleted";
    return p;
}

const Draw* Find(const Played& p, uint32_t type, int nth = 0) {
    for (const Draw& d : p.Draws)
        if (d.Type == type && nth-- == 0) return &d;
    return nullptr;
}

// A picture; without creator and description (as the measuring pass makes
// it) its records are the drawing's alone.
Metafile Picture(int w, int h, const std::string& creator, const std::string& description) {
    Metafile mf;
    mf.Width = w, mf.Height = h, mf.Creator = creator, mf.Description = description;
    return mf;
}

DrawOp TextOp(int x, int y, const std::string& s, const std::string& face, std::vector<int> adv) {
    DrawOp op;
    op.Kind = DrawOpKind::Text;
    op.X1 = x, op.Y1 = y, op.Text = s, op.Font.Name = face, op.Em = 21;
    op.Advances = std::move(adv);
    return op;
}

TEST(Emf, HeaderFieldsAndDescription) {
    const Bytes b = SerializeEmf(Picture(100, 40, "Nerovan by Tarquel", "x+\xE0\xA8"));
    const Played p = Play(b);
    EXPECT_EQ(Le32(b, 0), uint32_t(U_EMR_HEADER));
    EXPECT_EQ(std::memcmp(b.data() + 40, " EMF", 4), 0);
    EXPECT_EQ(Le32(b, 48), b.size());  // nBytes
    EXPECT_EQ(Le32(b, 52), uint32_t(p.Records));
    EXPECT_EQ(Rect(b, 8), (std::vector<int>{0, 0, 99, 39}));  // rclBounds, pixels
    EXPECT_EQ(Rect(b, 24),
              (std::vector<int>{0, 0, 2645, 1058}));  // rclFrame: 40 * 2540 / 96 = 1058.3
    EXPECT_EQ(Rect(b, 72), (std::vector<int>{1920, 1440, 508, 381}));  // szlDevice, szlMillimeters
    EXPECT_EQ(I32(b, 100), 508000);                                    // szlMicrometers
    EXPECT_EQ(I32(b, 104), 381000);

    // creator NUL expression NUL NUL, the expression's 1251 bytes as Unicode.
    std::vector<uint16_t> want(std::begin(u"Nerovan by Tarquel"), std::end(u"Nerovan by Tarquel"));
    want.insert(want.end(), {'x', '+', 0x0430, 0x0401, 0, 0});
    const uint32_t n = Le32(b, 60), at = Le32(b, 64);
    ASSERT_EQ(n, want.size());
    ASSERT_TRUE(at >= 108 && at + 2 * n <= Le32(b, 4));
    for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(Le16(b, at + 2 * i), want[i]) << i;

    const Bytes none = SerializeEmf(Picture(4, 4, "", ""));  // the measuring pass
    Play(none);
    EXPECT_EQ(Le32(none, 60), 0u);
    EXPECT_EQ(Le32(none, 64), 0u);
}

TEST(Emf, RoundTripThroughHeaderReader) {
    const Bytes b = SerializeEmf(Picture(100, 40, "Nerovan by Tarquel", "\xE0^2 <= \xC1"));
    EmfHeaderInfo info;
    ASSERT_TRUE(ReadEmfHeader(b.data(), b.size(), info));
    EXPECT_EQ(info.Creator, "Nerovan by Tarquel");
    EXPECT_EQ(info.Description, "\xD0\xB0^2 <= \xD0\x91");  // а^2 <= Б
    // The frame truncates to 0.01 mm; reading rounds it back to the same pixels.
    for (int w = 0; w <= 2000; w += 7) {
        const Bytes bw = SerializeEmf(Picture(w, w / 3 + 1, w % 2 ? "" : "c", ""));
        ASSERT_TRUE(ReadEmfHeader(bw.data(), bw.size(), info));
        ASSERT_EQ(info.Width, w);
        ASSERT_EQ(info.Height, w / 3 + 1);
        ASSERT_EQ(info.Creator, w % 2 ? "" : "c");
    }
}

TEST(Emf, TextRecordsCarryFontCodesAndAdvances) {
    Metafile mf = Picture(100, 40, "", "");
    mf.List.Ops.push_back(TextOp(5, 7, "a\xE0", "Times New Roman", {9, 11}));
    mf.List.Ops.back().Font.Style = fsBold | fsItalic;
    mf.List.Ops.back().Font.Color = RGB(1, 2, 3);
    mf.List.Ops.push_back(TextOp(30, 2, "\xE2", "Times New Roman", {12}));
    mf.List.Ops.back().Em = 25;
    mf.List.Ops.back().Font.Height = -25;
    mf.List.Ops.back().Font.Charset = GREEK_CHARSET;
    const Bytes b = SerializeEmf(mf);
    const Played p = Play(b);
    EXPECT_EQ(p.FontsCreated, 2);

    struct Want {
        int X, Y;
        std::vector<uint16_t> Units;
        std::vector<int> Dx;
        uint32_t Color;
        int Height, Weight, Italic, Charset;
    } const want[] = {{5, 7, {'a', 0x0430}, {9, 11}, 0x030201, -21, 700, 1, 1},
                      {30, 2, {0x03B2}, {12}, 0, -25, 400, 0, 161}};
    for (int i = 0; i < 2; ++i) {
        const Draw* d = Find(p, U_EMR_EXTTEXTOUTW, i);
        ASSERT_TRUE(d && d->FontRec);
        const size_t o = d->Off, lf = d->FontRec + 12;
        // Reference point: the baseline, the cell's top plus the font's ascent.
        const int ascent = FontEngine::Instance().Resolve(mf.List.Ops[i].Font).Ascent;
        EXPECT_GT(ascent, 10);
        EXPECT_EQ(I32(b, o + 36), want[i].X);
        EXPECT_EQ(I32(b, o + 40), want[i].Y + ascent);
        ASSERT_EQ(Le32(b, o + 44), want[i].Units.size());
        for (size_t k = 0; k < want[i].Units.size(); ++k) {
            EXPECT_EQ(Le16(b, o + Le32(b, o + 48) + 2 * k), want[i].Units[k]);
            EXPECT_EQ(I32(b, o + Le32(b, o + 72) + 4 * k), want[i].Dx[k]);
        }
        EXPECT_EQ(d->TextColor, want[i].Color);
        EXPECT_EQ(I32(b, lf), want[i].Height);
        EXPECT_EQ(I32(b, lf + 16), want[i].Weight);
        EXPECT_EQ(b[lf + 20], want[i].Italic);
        EXPECT_EQ(b[lf + 23], want[i].Charset);
        std::u16string face;
        for (size_t k = lf + 28; Le16(b, k); k += 2) face += char16_t(Le16(b, k));
        EXPECT_EQ(face, u"Times New Roman");
    }
    ASSERT_TRUE(Find(p, U_EMR_SETTEXTALIGN));
    EXPECT_EQ(Le32(b, Find(p, U_EMR_SETTEXTALIGN)->Off + 8), uint32_t(U_TA_BASELINE | U_TA_LEFT));
}

TEST(Emf, ObjectsAreCreatedOnlyOnChangeAndSlotsReused) {
    Metafile mf = Picture(300, 100, "", "");
    for (int i = 0; i < 60; ++i) {
        mf.List.Ops.push_back(TextOp(i, 0, "x", i % 3 == 2 ? "Symbol" : "Times New Roman", {8}));
        DrawOp line, fill;
        line.Kind = DrawOpKind::Line;
        line.PenWidth = 1 + i % 2;
        fill.Rect = {0, 0, 5, 5};
        fill.Color = i % 4 ? clWhite : clNavy;
        mf.List.Ops.push_back(line);
        mf.List.Ops.push_back(fill);
    }
    const Bytes b = SerializeEmf(mf);
    EXPECT_EQ(Play(b).FontsCreated, 1);  // the symbol font's glyphs are outlines
    EXPECT_LE(Le16(b, 56), 8);           // nHandles stays small
}

// More fonts than are kept, in turn: the one used longest ago goes, every
// text is drawn in its own font, and the table still stays small.
TEST(Emf, FontsBeyondTheKeptFewReplaceTheOneUsedLongestAgo) {
    Metafile mf = Picture(300, 100, "", "");
    const int sizes[] = {10, 12, 14, 16, 18, 20};
    for (int round = 0; round < 3; ++round)
        for (int em : sizes) {
            mf.List.Ops.push_back(TextOp(em, round, "x", "Times New Roman", {8}));
            mf.List.Ops.back().Em = em;
            // Back to the first size between any two: it stays kept throughout.
            mf.List.Ops.push_back(TextOp(em, round, "y", "Times New Roman", {8}));
            mf.List.Ops.back().Em = sizes[0];
        }
    const Bytes b = SerializeEmf(mf);
    const Played p = Play(b);
    // Sizes 10 and 12 to 20 once each in the first round; in the later
    // rounds 12 to 20 come back after three others have pushed them out.
    EXPECT_EQ(p.FontsCreated, 6 + 2 * 5);
    for (size_t i = 0; i < mf.List.Ops.size(); ++i) {
        const Draw* d = Find(p, U_EMR_EXTTEXTOUTW, static_cast<int>(i));
        ASSERT_TRUE(d && d->FontRec) << i;
        EXPECT_EQ(I32(b, d->FontRec + 12), -mf.List.Ops[i].Em) << i;
    }
    EXPECT_LE(Le16(b, 56), 8);
}

// Readers that join text runs which follow each other (Inkscape) flush their
// pending text at records of the "text" property: every run must be kept
// apart from the one before by such a record, and the map mode record that
// does it must leave the mode as it is.
TEST(Emf, EveryTextRunIsKeptApartFromTheOneBefore) {
    Metafile mf = Picture(300, 100, "", "");
    for (int i = 0; i < 12; ++i) {
        mf.List.Ops.push_back(
            TextOp(10 * i, i % 3 * 20, "ab", i % 2 ? "Symbol" : "Times New Roman", {5, 6}));
        mf.List.Ops.back().Clipped = i == 5;
        mf.List.Ops.back().Clip = {0, 0, 300, 100};
        if (i % 4 == 3) {
            DrawOp line;
            line.Kind = DrawOpKind::Line;
            mf.List.Ops.push_back(line);
        }
    }
    const Bytes b = SerializeEmf(mf);
    int texts = 0;
    bool flushed = true;  // nothing is pending before the first run
    for (size_t off = 0; off + 8 <= b.size();) {
        const uint32_t type = Le32(b, off);
        if (type == U_EMR_EXTTEXTOUTW) {
            EXPECT_TRUE(flushed) << "run " << texts << " joins the one before";
            flushed = false;
            ++texts;
        } else if (emr_properties(type) & U_DRAW_TEXT) {
            flushed = true;
        }
        if (type == U_EMR_SETMAPMODE) {
            EXPECT_EQ(Le32(b, off + 8), uint32_t(U_MM_TEXT));
        }
        off += Le32(b, off + 4);
    }
    EXPECT_EQ(texts, 6);  // the symbol-font and clipped runs are outlines
}

// Fills the outlines that an EMF's paths describe (move, line and Bézier
// records under a world transform and a clip rectangle, filled by FILLPATH)
// onto a white picture of the given size in black, as a reader would.
std::vector<uint8_t> FillEmfPaths(const Bytes& b, int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_matrix_t m;
    cairo_matrix_init_identity(&m);
    auto f32 = [&](size_t off) {
        float v;
        std::memcpy(&v, b.data() + off, 4);
        return double{v};
    };
    for (size_t off = 0; off + 8 <= b.size(); off += Le32(b, off + 4)) {
        const uint32_t type = Le32(b, off);
        if (type == U_EMR_SETWORLDTRANSFORM)
            cairo_matrix_init(&m, f32(off + 8), f32(off + 12), f32(off + 16), f32(off + 20),
                              f32(off + 24), f32(off + 28));
        if (type == U_EMR_INTERSECTCLIPRECT) {
            const std::vector<int> r = Rect(b, off + 8);
            cairo_rectangle(cr, r[0], r[1], r[2] - r[0], r[3] - r[1]);
            cairo_clip(cr);
        }
        if (type == U_EMR_RESTOREDC) {
            cairo_matrix_init_identity(&m);
            cairo_reset_clip(cr);
        }
        if (type == U_EMR_BEGINPATH) cairo_new_path(cr);
        auto at = [&](size_t p) {
            double x = I32(b, p), y = I32(b, p + 4);
            cairo_matrix_transform_point(&m, &x, &y);
            return std::make_pair(x, y);
        };
        if (type == U_EMR_MOVETOEX) cairo_move_to(cr, at(off + 8).first, at(off + 8).second);
        if (type == U_EMR_POLYLINETO)
            for (uint32_t i = 0; i < Le32(b, off + 24); ++i)
                cairo_line_to(cr, at(off + 28 + 8 * i).first, at(off + 28 + 8 * i).second);
        if (type == U_EMR_POLYBEZIERTO)
            for (uint32_t i = 0; i + 2 < Le32(b, off + 24); i += 3) {
                auto p1 = at(off + 28 + 8 * i), p2 = at(off + 36 + 8 * i),
                     p3 = at(off + 44 + 8 * i);
                cairo_curve_to(cr, p1.first, p1.second, p2.first, p2.second, p3.first, p3.second);
            }
        if (type == U_EMR_CLOSEFIGURE) cairo_close_path(cr);
        if (type == U_EMR_FILLPATH) cairo_fill(cr);
    }
    cairo_surface_flush(s);
    std::vector<uint8_t> ink(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(&ink[static_cast<size_t>(y) * w],
                    cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s), w);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    return ink;
}

// Symbol-font runs and clipped runs are filled outlines of the very glyphs
// the bitmap draws: filled as a reader fills them, they cover the bitmap's
// ink, and no text record or font names the symbol font.
TEST(Emf, SymbolAndClippedRunsAreTheBitmapsOutlines) {
    const int w = 160, h = 60;
    Metafile mf;
    {
        MetafileCanvas canvas(mf, "", "");
        canvas.Brush.Style = TBrushStyle::bsClear;
        canvas.Font.Name = "Symbol";
        canvas.Font.Height = -27;
        canvas.TextOut(4, 3, "\xE5\xB6\xA5\xDB");  // sum, partial, infinity, double arrow
        canvas.Font.Name = "Times New Roman";
        canvas.Font.Charset = BALTIC_CHARSET;
        canvas.TextOutClipped(110, 8, "\xCB", TRect{100, 8, 140, 16});  // the dot of E-dot only
    }
    mf.Width = w, mf.Height = h;
    const Bytes b = SerializeEmf(mf);
    const Played p = Play(b);
    EXPECT_EQ(p.FontsCreated, 0);
    EXPECT_FALSE(Find(p, U_EMR_EXTTEXTOUTW));
    ASSERT_TRUE(Find(p, U_EMR_FILLPATH, 1) && !Find(p, U_EMR_FILLPATH, 2));
    EXPECT_EQ(Find(p, U_EMR_FILLPATH)->Brush & U_STOCK_OBJECT, 0u);

    Bitmap bitmap;
    bitmap.SetSize(w, h);
    mf.List.ReplayOn(bitmap.Canvas());
    const std::vector<uint8_t> filled = FillEmfPaths(b, w, h);
    int inked = 0, worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int ours = 255 - bitmap.ScanLine(y)[4 * x + 1];  // green: black ink on white
            inked += ours > 128;
            worst = std::max(worst, std::abs(ours - filled[static_cast<size_t>(y) * w + x]));
            if (y >= 16 && x >= 100) {
                EXPECT_EQ(filled[static_cast<size_t>(y) * w + x], 0) << x << "," << y;
            }
        }
    EXPECT_GT(inked, 300);
    EXPECT_LE(worst, 64);  // antialiasing of the same outlines by two rasterisers
}

TEST(Emf, FillsLinesArcsEllipsesAndClippedText) {
    DrawOp fill, line, arc, hollow, filled;
    fill.Rect = {0, 0, 50, 50};
    fill.Color = RGB(250, 240, 230);
    line.Kind = DrawOpKind::Line;
    line.X1 = 1, line.Y1 = 2, line.X2 = 30, line.Y2 = 2, line.PenWidth = 2, line.Color = clMaroon;
    arc = line;
    arc.Kind = DrawOpKind::Arc;
    arc.Rect = {10, 10, 20, 30};
    arc.X1 = 20, arc.Y1 = 10, arc.X2 = 10, arc.Y2 = 30;
    hollow = line;
    hollow.Kind = DrawOpKind::Ellipse;
    hollow.Rect = {5, 6, 7, 8};
    filled = hollow;
    filled.Filled = true, filled.FillColor = clNavy;
    DrawOp clipped = TextOp(3, 4, "e", "Times New Roman", {10});
    clipped.Clipped = true, clipped.Clip = {3, 4, 13, 9};
    Metafile mf = Picture(50, 50, "", "");
    mf.List.Ops = {fill, line, arc, hollow, filled, clipped};
    const Bytes b = SerializeEmf(mf);
    const Played p = Play(b);

    const Draw* rect = Find(p, U_EMR_RECTANGLE);
    ASSERT_TRUE(rect && rect->BrushRec);
    EXPECT_EQ(Rect(b, rect->Off + 8), (std::vector<int>{0, 0, 51, 51}));  // null pen: one past
    EXPECT_EQ(rect->Pen, U_NULL_PEN);
    EXPECT_EQ(Le32(b, rect->BrushRec + 16), 0xE6F0FAu);  // R 250 G 240 B 230

    const Draw *move = Find(p, U_EMR_MOVETOEX), *to = Find(p, U_EMR_LINETO);
    ASSERT_TRUE(move && to && to->PenRec);
    EXPECT_EQ(I32(b, move->Off + 8), 1);
    EXPECT_EQ(I32(b, to->Off + 8), 30);
    EXPECT_EQ(Rect(b, to->PenRec + 12), (std::vector<int>{U_PS_SOLID, 2, 0, 0x80}));

    const Draw* a = Find(p, U_EMR_ARC);
    ASSERT_TRUE(a);
    EXPECT_EQ(Rect(b, a->Off + 8), (std::vector<int>{10, 10, 20, 30}));
    EXPECT_EQ(Rect(b, a->Off + 24), (std::vector<int>{20, 10, 10, 30}));  // start, end

    const Draw *e0 = Find(p, U_EMR_ELLIPSE, 0), *e1 = Find(p, U_EMR_ELLIPSE, 1);
    ASSERT_TRUE(e0 && e1 && e1->BrushRec);
    EXPECT_EQ(Rect(b, e0->Off + 8), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(e0->Brush, U_NULL_BRUSH);
    EXPECT_EQ(Le32(b, e1->BrushRec + 16), 0x800000u);
    EXPECT_EQ(e1->PenRec, to->PenRec);

    // The clip and the outlines' transform live only for the clipped run;
    // transparent background set once.
    size_t t = 0;
    while (t < p.Draws.size() && p.Draws[t].Type != U_EMR_SAVEDC) ++t;
    ASSERT_TRUE(t + 4 < p.Draws.size());
    EXPECT_EQ(p.Draws[t + 1].Type, uint32_t(U_EMR_INTERSECTCLIPRECT));
    EXPECT_EQ(Rect(b, p.Draws[t + 1].Off + 8), (std::vector<int>{3, 4, 13, 9}));
    EXPECT_EQ(p.Draws[t + 2].Type, uint32_t(U_EMR_SETWORLDTRANSFORM));
    EXPECT_EQ(p.Draws[t + 3].Type, uint32_t(U_EMR_BEGINPATH));
    EXPECT_EQ(p.Draws.back().Type, uint32_t(U_EMR_EOF));
    const Draw* restore = Find(p, U_EMR_RESTOREDC);
    ASSERT_TRUE(restore && restore->Off > Find(p, U_EMR_FILLPATH)->Off);
    EXPECT_EQ(I32(b, restore->Off + 8), -1);
    ASSERT_TRUE(Find(p, U_EMR_SETBKMODE) && !Find(p, U_EMR_SETBKMODE, 1));
    EXPECT_EQ(Le32(b, Find(p, U_EMR_SETBKMODE)->Off + 8), uint32_t(U_TRANSPARENT));
}

TEST(Emf, RefusesInconsistentInput) {
    Metafile mf = Picture(10, 10, "c", "d");
    mf.List.Ops.push_back(TextOp(0, 0, "abc", "Times New Roman", {5, 5}));
    EXPECT_THROW(SerializeEmf(mf), std::runtime_error);
    EXPECT_THROW(SerializeEmf(Picture(-1, 10, "", "")), std::runtime_error);
}

TEST(EmfHeaderReader, RejectsTruncatedAndHostileBytes) {
    const Bytes good = SerializeEmf(Picture(100, 40, "Nerovan by Tarquel", "a+b"));
    EmfHeaderInfo info;
    info.Creator = "untouched";
    EXPECT_FALSE(ReadEmfHeader(nullptr, 0, info));
    for (size_t n = 0; n < good.size(); ++n)  // every truncation: nBytes then exceeds the buffer
        ASSERT_FALSE(ReadEmfHeader(good.data(), n, info)) << n;
    EXPECT_EQ(info.Creator, "untouched");

    auto bad = [&](size_t off, uint32_t v) {
        Bytes b = good;
        PutU32(b, off, v);
        return !ReadEmfHeader(b.data(), b.size(), info);
    };
    const uint32_t nsize = Le32(good, 4), desc = Le32(good, 64);
    EXPECT_TRUE(bad(0, U_EMR_EOF));                   // not a header record
    EXPECT_TRUE(bad(40, 0x464D4521));                 // signature
    EXPECT_TRUE(bad(4, 80));                          // nSize below the fixed fields
    EXPECT_TRUE(bad(4, uint32_t(good.size() + 4)));   // nSize past the buffer
    EXPECT_TRUE(bad(48, uint32_t(good.size() + 1)));  // nBytes past the buffer
    EXPECT_TRUE(bad(64, 0xFFFFFFF0));                 // offDescription past the end
    EXPECT_TRUE(bad(64, nsize - 2));                  // text runs out of the header record
    EXPECT_TRUE(bad(60, (nsize - desc) / 2 + 1));     // ... into the next record
    EXPECT_TRUE(bad(64, 8));                          // text over the fixed fields
    EXPECT_TRUE(bad(60, 0xFFFFFFFF));                 // huge nDescription
    EXPECT_TRUE(bad(60, 0x80000001));                 // 2 * n wraps in 32 bits

    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {  // under a sanitizer: no crash, no over-read
        Bytes junk(rng() % 300);
        for (auto& c : junk) c = uint8_t(rng());
        if (junk.size() >= 44) {  // mostly plausible headers with random fields
            PutU32(junk, 0, U_EMR_HEADER);
            std::memcpy(junk.data() + 40, " EMF", 4);
        }
        ReadEmfHeader(junk.data(), junk.size(), info);
    }
}

// The creator and expression also travel as a text run that the background
// covers: a tiny font, every glyph on one spot, before anything is drawn.
// A reader that finds no header description (an office program's copy
// keeps the run but not the header) takes them from that run; in an EMF
// that lost both, or one whose records are damaged, it finds nothing.
TEST(EmfHeaderReader, FindsTheFormulaInTheHiddenRunWhenTheHeaderLostIt) {
    Metafile mf = Picture(60, 30, "Nerovan by Tarquel", "x: \xE0");
    DrawOp fill;
    fill.Rect = {0, 0, 60, 30};
    mf.List.Ops = {fill, TextOp(2, 2, "x", "Times New Roman", {9})};
    Bytes b = SerializeEmf(mf);
    const Played p = Play(b);
    const Draw* run = Find(p, U_EMR_EXTTEXTOUTW);
    ASSERT_TRUE(run && run->FontRec && run->Off < Find(p, U_EMR_RECTANGLE)->Off);
    EXPECT_EQ(I32(b, run->FontRec + 12), -1);
    const size_t at = run->Off + Le32(b, run->Off + 48);
    const std::u16string want = u"Nerovan by Tarquel: x: \u0430";
    ASSERT_EQ(Le32(b, run->Off + 44), want.size());
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(Le16(b, at + 2 * k), want[k]);
        EXPECT_EQ(I32(b, run->Off + Le32(b, run->Off + 72) + 4 * k), 0);
    }

    PutU32(b, 60, 0);  // no header description
    EmfHeaderInfo info;
    ASSERT_TRUE(ReadEmfHeader(b.data(), b.size(), info));
    EXPECT_EQ(info.Creator, "Nerovan by Tarquel");
    EXPECT_EQ(info.Description, "x: \xD0\xB0");
    EXPECT_EQ(info.Width, 60);

    Bytes other = b;  // another program's run of text
    PutU32(other, at, 'M' | ('e' << 16));
    ASSERT_TRUE(ReadEmfHeader(other.data(), other.size(), info));
    EXPECT_EQ(info.Creator, "");
    EXPECT_EQ(info.Description, "");

    std::mt19937 rng(11);
    for (size_t off = Le32(b, 4); off < run->Off + 80; off += 4)  // damaged fields: no over-read
        for (uint32_t v : {0u, 4u, 0xFFFFFFFCu, uint32_t(rng())}) {
            Bytes d = b;
            PutU32(d, off, v);
            ReadEmfHeader(d.data(), d.size(), info);
        }
}

TEST(EmfHeaderReader, DecodesUtf16AndForeignLayouts) {
    Bytes b = SerializeEmf(Picture(10, 10, "ab", "c"));
    const uint32_t at = Le32(b, 64);
    b[at] = 0x3D, b[at + 1] = 0xD8, b[at + 2] = 0x00, b[at + 3] = 0xDE;  // a pair: U+1F600
    EmfHeaderInfo info;
    ASSERT_TRUE(ReadEmfHeader(b.data(), b.size(), info));
    EXPECT_EQ(info.Creator, "\xF0\x9F\x98\x80");
    b[at + 2] = 'x', b[at + 3] = 0;  // now unpaired
    ASSERT_TRUE(ReadEmfHeader(b.data(), b.size(), info));
    EXPECT_EQ(info.Creator, "\xEF\xBF\xBDx");
    EXPECT_EQ(info.Description, "c");

    // Text without a NUL is all creator; bytes after nBytes are ignored.
    PutU32(b, 60, 2);
    b.resize(b.size() + 16, 0xAB);
    ASSERT_TRUE(ReadEmfHeader(b.data(), b.size(), info));
    EXPECT_EQ(info.Creator, "\xEF\xBF\xBDx");
    EXPECT_EQ(info.Description, "");
}

}  // namespace
}  // namespace nerovan
