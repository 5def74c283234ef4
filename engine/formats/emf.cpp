// EMF serialisation of a recorded metafile through libUEMF: the header with
// the creator and expression, fills, text with our own advances on its
// baseline, the symbol font's glyphs as filled outlines, lines, arcs and
// ellipses, with a small reused object table.
#include "emf.h"

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "code_pages.h"
#include "utf16.h"
#include "font_engine.h"
#include "glyph_outlines.h"

namespace nerovan {

namespace {

// The picture is recorded against the screen: a 1920 x 1440 pixel device of
// 508 x 381 mm, which is exactly 96 pixels per inch in whole millimetres.
constexpr int kRefDevicePixelsX = 1920;
constexpr int kRefDevicePixelsY = 1440;
constexpr int kRefDeviceMillimetresX = kRefDevicePixelsX * 254 / (kScreenPixelsPerInch * 10);
constexpr int kRefDeviceMillimetresY = kRefDevicePixelsY * 254 / (kScreenPixelsPerInch * 10);
static_assert(kRefDeviceMillimetresX * kScreenPixelsPerInch * 10 == kRefDevicePixelsX * 254,
              "reference device width must be whole millimetres at 96 DPI");
static_assert(kRefDeviceMillimetresY * kScreenPixelsPerInch * 10 == kRefDevicePixelsY * 254,
              "reference device height must be whole millimetres at 96 DPI");

U_COLORREF ColorRef(TColor c) { return colorref3_set(GetRValue(c), GetGValue(c), GetBValue(c)); }

U_RECTL RectL(int left, int top, int right, int bottom) {
    U_RECTL r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

// The header description: creator, NUL, expression, NUL, NUL. A pass without
// texts (the measuring pass) has no description at all.
std::vector<uint16_t> HeaderDescription(const Metafile& mf) {
    std::vector<uint16_t> d;
    if (mf.Creator.empty() && mf.Description.empty()) return d;
    d.reserve(mf.Creator.size() + mf.Description.size() + 3);
    AppendUtf16(d, mf.Creator);
    d.push_back(0);
    for (unsigned char b : mf.Description) {
        if (b == 0) continue;  // NUL would end the expression early for every reader
        d.push_back(static_cast<uint16_t>(CharsetToUnicode(DEFAULT_CHARSET, b)));
    }
    d.push_back(0);
    d.push_back(0);
    return d;
}

int PixelsToHimetric(int px) {
    const int64_t v = static_cast<int64_t>(px) * kHimetricPerInch / kScreenPixelsPerInch;
    if (v > std::numeric_limits<int32_t>::max())
        throw EPictureError("the picture is too large for an EMF");
    return static_cast<int>(v);
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Everything that selects a text font in the records.
struct FontKey {
    std::string Name;
    int Em = 0;
    TFontStyles Style = 0;
    uint8_t Charset = 0;
    bool operator==(const FontKey& o) const {
        return Name == o.Name && Em == o.Em && Style == o.Style && Charset == o.Charset;
    }
};

// Builds the EMF in memory. libUEMF's emf_start/emf_finish tie the file to a
// FILE*, so the tracking structure is set up here and the header's totals are
// filled in by Finish. Each pen and brush is created only when the drawing
// asks for a different one; the one it replaces is deleted at once, so its
// slot in the object table is reused. Formulas switch between a few fonts
// all the time (italic letters, upright signs, the symbol font, the sizes of
// scripts), so the last few fonts are kept and selected again, and only the
// one used longest ago is deleted to make room. The table stays at a few
// entries whatever the length of the formula.
class EmfBuilder {
public:
    EmfBuilder() {
        et_ = static_cast<EMFTRACK*>(std::calloc(1, sizeof(EMFTRACK)));
        if (!et_) throw EPictureError("out of memory writing the EMF");
        et_->allocated = 16384;
        et_->chunk = 16384;
        et_->buf = static_cast<char*>(std::malloc(et_->allocated));
        if (!et_->buf) {
            std::free(et_);
            et_ = nullptr;
            throw EPictureError("out of memory writing the EMF");
        }
        if (emf_htable_create(16, 16, &eht_) != 0) {
            emf_free(&et_);
            throw EPictureError("out of memory writing the EMF");
        }
    }
    ~EmfBuilder() {
        if (et_) emf_free(&et_);
        if (eht_) emf_htable_free(&eht_);
    }
    EmfBuilder(const EmfBuilder&) = delete;
    EmfBuilder& operator=(const EmfBuilder&) = delete;

    void Header(const Metafile& mf) {
        if (mf.Width < 0 || mf.Height < 0) throw EPictureError("the picture has a negative size");
        const U_RECTL bounds = RectL(0, 0, mf.Width - 1, mf.Height - 1);
        const U_RECTL frame = RectL(0, 0, PixelsToHimetric(mf.Width), PixelsToHimetric(mf.Height));
        std::vector<uint16_t> desc = HeaderDescription(mf);
        Put(U_EMRHEADER_set(bounds, frame, nullptr, static_cast<U_CBSTR>(desc.size()),
                            desc.empty() ? nullptr : desc.data(),
                            sizel_set(kRefDevicePixelsX, kRefDevicePixelsY),
                            sizel_set(kRefDeviceMillimetresX, kRefDeviceMillimetresY), 0));
        // Text is drawn from the top-left of its cell, never over a background box.
        Put(U_EMRSETBKMODE_set(U_TRANSPARENT));
        // Text stands on its baseline: readers measure the font's ascent
        // each their own way, but all put the baseline where we say.
        Put(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT));
        // Glyph outlines are filled by the nonzero winding rule, as a
        // rasteriser fills them.
        Put(U_EMRSETPOLYFILLMODE_set(U_WINDING));
        if (!mf.Creator.empty()) FormulaCarrier(mf);
    }

    // Office programs keep a pasted picture as drawing commands of their
    // own and write those out again when it is copied: the header's
    // description is lost on the way, text is not. So the creator and the
    // expression also go out as a text run, in a font one pixel high with
    // every glyph on the same spot in the top-left corner, in the colour of
    // the background and drawn before the background covers it: no reader
    // shows it (LibreOffice's PDF export draws such a run above the
    // background), and a copy taken back out of a document still names the
    // formula.
    void FormulaCarrier(const Metafile& mf) {
        UseFont(FontKey{"Times New Roman", 1, 0, DEFAULT_CHARSET});
        const std::vector<DrawOp>& ops = mf.List.Ops;
        UseTextColor(!ops.empty() && ops[0].Kind == DrawOpKind::Fill ? ops[0].Color : clWhite);
        std::vector<uint16_t>& units = units_;
        units.clear();
        AppendUtf16(units, mf.Creator + kFormulaCarrierSeparator);
        for (unsigned char b : mf.Description)
            if (b != 0)
                units.push_back(static_cast<uint16_t>(CharsetToUnicode(DEFAULT_CHARSET, b)));
        dx_.assign(units.size(), 0);
        PutText(0, 1);
    }

    // The text record of units_ with the advances dx_, its baseline's left
    // end at (x, y).
    void PutText(int x, int y) {
        const U_RECTL no_rect = RectL(0, 0, -1, -1);
        std::unique_ptr<char, FreeDeleter> text(
            emrtext_set(point32_set(x, y), static_cast<U_NUM_STR>(units_.size()), 2, units_.data(),
                        U_ETO_NONE, no_rect, dx_.data()));
        if (!text) throw EPictureError("libUEMF could not build an EMF text record");
        // The scale of GM_COMPATIBLE text: 0.01 mm per pixel of the reference device.
        const float scale = static_cast<float>(kHimetricPerInch) / kScreenPixelsPerInch;
        Put(U_EMREXTTEXTOUTW_set(no_rect, U_GM_COMPATIBLE, scale, scale,
                                 reinterpret_cast<PU_EMRTEXT>(text.get())));
        text_pending_ = true;
    }

    void Op(const DrawOp& op) {
        // Every drawing but text ends a sequence of text runs for readers
        // that join such sequences.
        if (op.Kind != DrawOpKind::Text) text_pending_ = false;
        switch (op.Kind) {
            case DrawOpKind::Fill: Fill(op); break;
            case DrawOpKind::Text: Text(op); break;
            case DrawOpKind::Line:
                UsePen(op.PenWidth, op.Color);
                Put(U_EMRMOVETOEX_set(point32_set(op.X1, op.Y1)));
                Put(U_EMRLINETO_set(point32_set(op.X2, op.Y2)));
                break;
            case DrawOpKind::Arc:
                UsePen(op.PenWidth, op.Color);
                Put(U_EMRARC_set(Rect(op.Rect), point32_set(op.X1, op.Y1),
                                 point32_set(op.X2, op.Y2)));
                break;
            case DrawOpKind::Ellipse:
                UsePen(op.PenWidth, op.Color);
                if (op.Filled)
                    UseSolidBrush(op.FillColor);
                else
                    UseStockBrush(U_NULL_BRUSH);
                Put(U_EMRELLIPSE_set(Rect(op.Rect)));
                break;
        }
    }

    std::vector<uint8_t> Finish() {
        // Put the device context's own objects back and free ours.
        if (pen_sel_ == Selected::Ours) UseStockPen(U_BLACK_PEN);
        if (brush_sel_ == Selected::Ours) UseStockBrush(U_WHITE_BRUSH);
        if (font_) Put(selectobject_set(U_SYSTEM_FONT, eht_));
        Release(pen_);
        Release(brush_);
        for (KeptFont& f : fonts_) Release(f.Handle);
        fonts_.clear();
        font_ = 0;
        Put(U_EMREOF_set(0, nullptr, et_));

        auto* header = reinterpret_cast<U_EMRHEADER*>(et_->buf);
        header->nBytes = static_cast<uint32_t>(et_->used);
        header->nRecords = et_->records;
        header->nHandles = static_cast<uint16_t>(max_handle_ + 1);  // slot 0 is reserved
        header->nPalEntries = et_->PalEntries;
        const auto* bytes = reinterpret_cast<const uint8_t*>(et_->buf);
        return std::vector<uint8_t>(bytes, bytes + et_->used);
    }

private:
    enum class Selected { Unknown, Ours, Stock };

    static U_RECTL Rect(const TRect& r) { return RectL(r.Left, r.Top, r.Right, r.Bottom); }

    void Put(char* rec) {
        if (!rec) throw EPictureError("libUEMF could not build an EMF record");
        if (emf_append(reinterpret_cast<U_ENHMETARECORD*>(rec), et_, 1) != 0) {
            std::free(rec);
            throw EPictureError("out of memory writing the EMF");
        }
    }

    void Created(uint32_t handle) {
        if (handle > max_handle_) max_handle_ = handle;
    }

    void Release(uint32_t& handle) {
        if (handle) Put(deleteobject_set(&handle, eht_));
    }

    void UsePen(int width, TColor color) {
        if (width < 0) width = 0;
        if (pen_ && pen_width_ == width && pen_color_ == color) {
            if (pen_sel_ != Selected::Ours) {
                Put(selectobject_set(pen_, eht_));
                pen_sel_ = Selected::Ours;
            }
            return;
        }
        uint32_t fresh = 0;
        U_POINT w;
        w.x = width;
        w.y = 0;
        Put(createpen_set(&fresh, eht_, logpen_set(U_PS_SOLID, w, ColorRef(color))));
        Created(fresh);
        Put(selectobject_set(fresh, eht_));
        Release(pen_);  // no longer selected, so it can go
        pen_ = fresh;
        pen_width_ = width;
        pen_color_ = color;
        pen_sel_ = Selected::Ours;
    }

    void UseStockPen(uint32_t stock) {
        if (pen_sel_ == Selected::Stock && pen_stock_ == stock) return;
        Put(selectobject_set(stock, eht_));
        pen_sel_ = Selected::Stock;
        pen_stock_ = stock;
    }

    void UseSolidBrush(TColor color) {
        if (brush_ && brush_color_ == color) {
            if (brush_sel_ != Selected::Ours) {
                Put(selectobject_set(brush_, eht_));
                brush_sel_ = Selected::Ours;
            }
            return;
        }
        uint32_t fresh = 0;
        Put(createbrushindirect_set(&fresh, eht_, logbrush_set(U_BS_SOLID, ColorRef(color), 0)));
        Created(fresh);
        Put(selectobject_set(fresh, eht_));
        Release(brush_);
        brush_ = fresh;
        brush_color_ = color;
        brush_sel_ = Selected::Ours;
    }

    void UseStockBrush(uint32_t stock) {
        if (brush_sel_ == Selected::Stock && brush_stock_ == stock) return;
        Put(selectobject_set(stock, eht_));
        brush_sel_ = Selected::Stock;
        brush_stock_ = stock;
    }

    void UseFont(const FontKey& key) {
        if (font_ && font_key_ == key) return;
        if (SelectKeptFont(key)) return;
        U_LOGFONT_PANOSE elfw;
        std::memset(&elfw, 0, sizeof elfw);
        U_LOGFONT& lf = elfw.elfLogFont;
        lf.lfHeight = -key.Em;  // negative: the em height, internal leading excluded
        lf.lfWeight = (key.Style & fsBold) ? U_FW_BOLD : U_FW_NORMAL;
        lf.lfItalic = (key.Style & fsItalic) ? 1 : 0;
        lf.lfUnderline = (key.Style & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (key.Style & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = key.Charset;
        lf.lfOutPrecision = U_OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = U_CLIP_DEFAULT_PRECIS;
        lf.lfQuality = U_DEFAULT_QUALITY;
        lf.lfPitchAndFamily = U_DEFAULT_PITCH | U_FF_DONTCARE;
        // The name's UTF-16 form is kept for the next font of the same name.
        if (face_units_.empty() || face_name_ != key.Name) {
            face_name_ = key.Name;
            face_units_.clear();
            AppendUtf16(face_units_, key.Name);
        }
        const std::vector<uint16_t>& face = face_units_;
        // Both name fields are NUL-terminated within their fixed size.
        for (size_t i = 0; i < face.size() && i < U_LF_FACESIZE - 1; ++i)
            lf.lfFaceName[i] = face[i];
        for (size_t i = 0; i < face.size() && i < U_LF_FULLFACESIZE - 1; ++i)
            elfw.elfFullName[i] = face[i];

        uint32_t fresh = 0;
        Put(extcreatefontindirectw_set(&fresh, eht_, nullptr,
                                       reinterpret_cast<const char*>(&elfw)));
        Created(fresh);
        Put(selectobject_set(fresh, eht_));
        font_ = fresh;
        font_key_ = key;
        if (fonts_.size() < kKeptFonts) {
            fonts_.push_back({key, fresh, ++clock_});
            return;
        }
        // The fresh font is selected now, so the one used longest ago is not.
        KeptFont* oldest = &fonts_[0];
        for (KeptFont& f : fonts_)
            if (f.LastUse < oldest->LastUse) oldest = &f;
        Release(oldest->Handle);
        *oldest = {key, fresh, ++clock_};
    }

    // Selects a kept font with the key; false when none is kept.
    bool SelectKeptFont(const FontKey& key) {
        for (KeptFont& f : fonts_) {
            if (!(f.Key == key)) continue;
            Put(selectobject_set(f.Handle, eht_));
            f.LastUse = ++clock_;
            font_ = f.Handle;
            font_key_ = key;
            return true;
        }
        return false;
    }

    void UseTextColor(TColor color) {
        if (text_color_known_ && text_color_ == color) return;
        Put(U_EMRSETTEXTCOLOR_set(ColorRef(color)));
        text_color_ = color;
        text_color_known_ = true;
    }

    void Fill(const DrawOp& op) {
        const TRect& r = op.Rect;
        if (r.Right <= r.Left || r.Bottom <= r.Top) return;
        UseStockPen(U_NULL_PEN);
        UseSolidBrush(op.Color);
        // Without a pen a GDI rectangle leaves out its last column and row.
        Put(U_EMRRECTANGLE_set(RectL(r.Left, r.Top, r.Right + 1, r.Bottom + 1)));
    }

    void Text(const DrawOp& op) {
        if (op.Text.empty()) return;
        if (op.Advances.size() != op.Text.size())
            throw EPictureError("a text run has " + std::to_string(op.Advances.size()) +
                                " advances for " + std::to_string(op.Text.size()) + " characters");
        if (IsSymbolFontName(op.Font.Name) || op.Clipped) {
            OutlinedText(op);
            return;
        }
        const int em = op.Em > 0 ? op.Em : 1;
        const uint8_t charset = op.Font.Charset;
        // Runs mostly keep the font of the run before: compared field by
        // field, the name last, with no key built.
        if (!(font_ && font_key_.Em == em && font_key_.Style == op.Font.Style &&
              font_key_.Charset == charset && font_key_.Name == op.Font.Name))
            UseFont(FontKey{op.Font.Name, em, op.Font.Style, charset});
        UseTextColor(op.Font.Color);

        // The bytes are decoded in the font's charset.
        std::vector<uint16_t>& units = units_;
        units.clear();
        for (unsigned char b : op.Text)
            units.push_back(static_cast<uint16_t>(CharsetToUnicode(charset, b)));
        // Our own advances, so every reader places each glyph where we measured it.
        dx_.assign(op.Advances.begin(), op.Advances.end());
        if (text_pending_) {
            // Some readers (Inkscape's import) join text runs that follow each
            // other into one text and lay it out again with their own
            // advances, which moves the glyphs of a formula (scripts, limits,
            // fractions) off their places. Setting the mapping mode it
            // already has makes such a reader take each run as it stands,
            // and changes nothing for any other.
            Put(U_EMRSETMAPMODE_set(U_MM_TEXT));
        }
        PutText(op.X1, op.Y1 + fonts_seen_.For(op.Font).Ascent);
    }

    // No reader on this desktop has a font named "Symbol": each substitutes
    // its own, with other shapes and another ascent. The symbol font's
    // glyphs are therefore filled outlines, the same outlines the bitmap is
    // drawn from, so every reader draws our shapes where we placed them.
    // So are clipped runs (the marks of accents): the clip meets the glyph
    // exactly where it meets ours, not where a reader's own placement of
    // the font puts it. The points are in 1/16 pixel through a world
    // transform that also moves the origin to the run's baseline; the
    // transform, and the clip, live in a saved state that ends with the run.
    void OutlinedText(const DrawOp& op) {
        const FontHandle& h = fonts_seen_.For(op.Font);
        size_t count = 0;
        int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
        int64_t pen = 0;
        std::vector<const GlyphOutline*>& outlines = outlines_;
        outlines.clear();
        for (size_t i = 0; i < op.Text.size(); ++i) {
            const GlyphOutline& o = OutlineOf(h.Scaled, h.Glyphs[static_cast<uint8_t>(op.Text[i])]);
            outlines.push_back(&o);
            if (!o.Empty()) {
                ++count;
                left = std::min<int64_t>(left, pen + o.Left);
                right = std::max<int64_t>(right, pen + o.Right);
                top = std::min<int64_t>(top, o.Top);
                bottom = std::max<int64_t>(bottom, o.Bottom);
            }
            pen += static_cast<int64_t>(op.Advances[i]) * kOutlineUnitsPerPixel;
        }
        if (count == 0) return;
        const int64_t x0 = op.X1;
        const int64_t base = static_cast<int64_t>(op.Y1) + h.Ascent;
        // Where the path lies, in pixels of the picture.
        const U_RECTL box = RectL(ClampToInt(x0 + FloorDiv(left, kOutlineUnitsPerPixel)),
                                  ClampToInt(base + FloorDiv(top, kOutlineUnitsPerPixel)),
                                  ClampToInt(x0 + FloorDiv(right, kOutlineUnitsPerPixel) + 1),
                                  ClampToInt(base + FloorDiv(bottom, kOutlineUnitsPerPixel) + 1));

        UseSolidBrush(op.Font.Color);
        Put(U_EMRSAVEDC_set());
        if (op.Clipped) Put(U_EMRINTERSECTCLIPRECT_set(Rect(op.Clip)));
        const float unit = 1.0f / kOutlineUnitsPerPixel;
        Put(U_EMRSETWORLDTRANSFORM_set(
            xform_set(unit, 0, 0, unit, static_cast<float>(x0), static_cast<float>(base))));
        Put(U_EMRBEGINPATH_set());
        pen = 0;
        for (size_t i = 0; i < op.Text.size(); ++i) {
            AppendOutline(*outlines[i], pen);
            pen += static_cast<int64_t>(op.Advances[i]) * kOutlineUnitsPerPixel;
        }
        Put(U_EMRENDPATH_set());
        Put(U_EMRFILLPATH_set(box));
        Put(U_EMRRESTOREDC_set(-1));
        text_pending_ = false;
    }

    // The contours of one glyph at dx (in outline units) as path records:
    // runs of lines and of curves each go out as one record.
    void AppendOutline(const GlyphOutline& o, int64_t dx) {
        std::vector<U_POINTL>& pts = path_points_;
        GlyphOutline::Step pending = GlyphOutline::MoveTo;  // the kind held in pts
        auto flush = [&] {
            if (pts.empty()) return;
            const U_RECTL none = RectL(0, 0, -1, -1);
            if (pending == GlyphOutline::LineTo)
                Put(U_EMRPOLYLINETO_set(none, static_cast<uint32_t>(pts.size()), pts.data()));
            else
                Put(U_EMRPOLYBEZIERTO_set(none, static_cast<uint32_t>(pts.size()), pts.data()));
            pts.clear();
        };
        size_t p = 0;
        for (size_t s = 0; s < o.Steps.size(); ++s) {
            const GlyphOutline::Step step = o.Steps[s];
            switch (step) {
                case GlyphOutline::MoveTo: {
                    flush();
                    const U_POINTL at = Point(o, p, dx);
                    p += 2;
                    // cairo moves to a closed contour's start before the next
                    // contour's own move: only the last of a row of moves counts.
                    if (s + 1 < o.Steps.size() && o.Steps[s + 1] == GlyphOutline::MoveTo) break;
                    Put(U_EMRMOVETOEX_set(at));
                    break;
                }
                case GlyphOutline::LineTo:
                case GlyphOutline::CurveTo: {
                    if (step != pending) flush();
                    pending = step;
                    const int n = step == GlyphOutline::LineTo ? 1 : 3;
                    for (int k = 0; k < n; ++k, p += 2) pts.push_back(Point(o, p, dx));
                    break;
                }
                case GlyphOutline::Close:
                    flush();
                    Put(U_EMRCLOSEFIGURE_set());
                    break;
            }
        }
        flush();
    }

    static U_POINTL Point(const GlyphOutline& o, size_t p, int64_t dx) {
        U_POINTL pt;
        pt.x = ClampToInt(o.Points[p] + dx);
        pt.y = o.Points[p + 1];
        return pt;
    }

    static int32_t ClampToInt(int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                        std::numeric_limits<int32_t>::max()));
    }

    static int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

    EMFTRACK* et_ = nullptr;
    EMFHANDLES* eht_ = nullptr;
    uint32_t max_handle_ = 0;

    uint32_t pen_ = 0;
    int pen_width_ = 0;
    TColor pen_color_ = 0;
    Selected pen_sel_ = Selected::Unknown;
    uint32_t pen_stock_ = 0;

    uint32_t brush_ = 0;
    TColor brush_color_ = 0;
    Selected brush_sel_ = Selected::Unknown;
    uint32_t brush_stock_ = 0;

    uint32_t font_ = 0;  // the font selected, one of fonts_
    FontKey font_key_;
    struct KeptFont {
        FontKey Key;
        uint32_t Handle;
        uint64_t LastUse;
    };
    static constexpr size_t kKeptFonts = 4;
    std::vector<KeptFont> fonts_;
    uint64_t clock_ = 0;

    bool text_color_known_ = false;
    TColor text_color_ = 0;
    // A text run was written since the last record that is not text.
    bool text_pending_ = false;

    // The characters and advances of the text run being written, kept
    // between runs so their room is reused.
    std::vector<uint16_t> units_;
    std::vector<uint32_t> dx_;
    // The fonts of the runs, as the canvas resolved them.
    FontCursor fonts_seen_;
    // The outlines of the run being written.
    std::vector<const GlyphOutline*> outlines_;
    // The points of the path record being gathered.
    std::vector<U_POINTL> path_points_;
    // The last font name written, and its UTF-16 form.
    std::string face_name_;
    std::vector<uint16_t> face_units_;
};

}  // namespace

std::vector<uint8_t> SerializeEmf(const Metafile& mf) {
    EmfBuilder b;
    b.Header(mf);
    for (const DrawOp& op : mf.List.Ops) b.Op(op);
    return b.Finish();
}

}  // namespace nerovan
