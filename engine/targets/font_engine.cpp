// Font matching, scaled fonts and per-charset glyph tables. Matching a font
// costs about half a millisecond, so faces are matched once per
// (name, bold, italic); each scaled font keeps a 256-entry table of glyph
// indices, whole-pixel advances and ink tops per charset.
#include "font_engine.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cstring>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include <tuple>

#include "code_pages.h"
#include "font_cache.h"

namespace nerovan {

namespace {

struct GlyphTable {
    uint32_t Glyphs[256];
    int32_t Advances[256];
    int16_t InkTops[256];
    int16_t InkLefts[256];
    int16_t InkRights[256];
    int16_t InkBottoms[256];
    int InkReach;
};

struct ScaledEntry {
    cairo_scaled_font_t* Scaled = nullptr;
    int Ascent = 0;
    int Descent = 0;
    std::map<int, std::unique_ptr<GlyphTable>> Tables;  // by charset; -1 = Symbol
};

struct FaceEntry {
    cairo_font_face_t* Face = nullptr;
    bool Symbol = false;
    std::string File;
    double CellPerEm = 0;              // cell height per em, for positive font heights
    std::map<int, ScaledEntry> Sizes;  // by em in pixels
};

cairo_font_options_t* MakeOptions() {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
    return o;
}

}  // namespace

std::mutex& GlyphMutex() {
    static std::mutex* mutex = new std::mutex;  // lives as long as the fonts
    return *mutex;
}

struct FontEngine::Impl {
    std::mutex mutex;
    std::map<FaceKey, FaceEntry> faces;
    cairo_font_options_t* options = MakeOptions();
    // fontconfig is initialised (its configuration read) on the first match
    // that the fonts kept from an earlier process do not answer.
    bool fontconfig = false;
    ResolvedFonts kept;      // taken from an earlier process
    ResolvedFonts resolved;  // this process's, for the next one
    bool added = false;      // resolved something that was not kept

    void Fontconfig() {
        if (!fontconfig) FcInit();
        fontconfig = true;
    }
    FaceEntry& Face(const std::string& name, bool bold, bool italic);
    ScaledEntry& Scaled(FaceEntry& face, int em);
    GlyphTable& Table(const FaceKey& key, FaceEntry& face, ScaledEntry& scaled, int em,
                      int charset);
};

FontEngine::FontEngine() : impl_(new Impl) {}

FontEngine& FontEngine::Instance() {
    static FontEngine* engine = new FontEngine;  // lives as long as the process
    return *engine;
}

FaceEntry& FontEngine::Impl::Face(const std::string& name, bool bold, bool italic) {
    const FaceKey key{name, bold, italic};
    auto it = faces.find(key);
    if (it != faces.end()) return it->second;

    FaceEntry entry;
    entry.Symbol = IsSymbolFontName(name);
    const auto kept = this->kept.Patterns.find(key);
    if (kept != this->kept.Patterns.end()) {
        if (FcPattern* match =
                FcNameParse(reinterpret_cast<const FcChar8*>(kept->second.c_str()))) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                entry.File = reinterpret_cast<const char*>(file);
            entry.Face = cairo_ft_font_face_create_for_pattern(match);
            FcPatternDestroy(match);
            resolved.Patterns[key] = kept->second;
            return faces.emplace(key, std::move(entry)).first->second;
        }
    }
    Fontconfig();
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    // The Type 1 file of the symbol font has the integral sign inside its
    // cell; the OpenType one lets it poke out above.
    if (entry.Symbol)
        FcPatternAddString(pat, FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("Type 1"));
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    FcPatternDestroy(pat);
    if (!match) {
        // No font at all on the machine: cairo's own fallback face still measures.
        entry.Face = cairo_toy_font_face_create(
            "serif", italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
            bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    } else {
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
            entry.File = reinterpret_cast<const char*>(file);
        entry.Face = cairo_ft_font_face_create_for_pattern(match);
        // Kept for the next process only when its text gives back the same
        // values. The character set, which the face does not read
        // (FreeType maps the characters), is left out: its text does not
        // always come back the same.
        if (FcPattern* kept_match = FcPatternDuplicate(match)) {
            FcPatternDel(kept_match, FC_CHARSET);
            if (FcChar8* text = FcNameUnparse(kept_match)) {
                // The text holds the values but not how strongly each was
                // bound for matching, which the face does not read either.
                if (FcPattern* back = FcNameParse(text)) {
                    if (FcChar8* again = FcNameUnparse(back)) {
                        if (FcStrCmp(again, text) == 0) {
                            resolved.Patterns[key] = reinterpret_cast<const char*>(text);
                            added = true;
                        }
                        FcStrFree(again);
                    }
                    FcPatternDestroy(back);
                }
                FcStrFree(text);
            }
            FcPatternDestroy(kept_match);
        }
        FcPatternDestroy(match);
    }
    return faces.emplace(key, std::move(entry)).first->second;
}

ScaledEntry& FontEngine::Impl::Scaled(FaceEntry& face, int em) {
    auto it = face.Sizes.find(em);
    if (it != face.Sizes.end()) return it->second;
    ScaledEntry entry;
    cairo_matrix_t font_matrix, ctm;
    cairo_matrix_init_scale(&font_matrix, em, em);
    cairo_matrix_init_identity(&ctm);
    entry.Scaled = cairo_scaled_font_create(face.Face, &font_matrix, &ctm, options);
    cairo_font_extents_t ext;
    cairo_scaled_font_extents(entry.Scaled, &ext);
    entry.Ascent = static_cast<int>(std::lround(ext.ascent));
    entry.Descent = static_cast<int>(std::lround(ext.descent));
    return face.Sizes.emplace(em, std::move(entry)).first->second;
}

GlyphTable& FontEngine::Impl::Table(const FaceKey& face_key, FaceEntry& face, ScaledEntry& scaled,
                                    int em, int charset) {
    const int key = face.Symbol ? -1 : charset;
    auto it = scaled.Tables.find(key);
    if (it != scaled.Tables.end()) return *it->second;
    auto table = std::make_unique<GlyphTable>();
    const TableKey kept_key{std::get<0>(face_key), std::get<1>(face_key), std::get<2>(face_key), em,
                            key};
    const auto kept_table = kept.Tables.find(kept_key);
    if (kept_table != kept.Tables.end()) {
        std::memcpy(table.get(), kept_table->second.data(), sizeof(GlyphTable));
        resolved.Tables[kept_key] = kept_table->second;
        return *scaled.Tables.emplace(key, std::move(table)).first->second;
    }
    FT_Face ft = cairo_ft_scaled_font_lock_face(scaled.Scaled);
    for (int b = 0; b < 256; ++b) {
        uint32_t glyph = 0;
        if (ft) {
            if (face.Symbol) {
                // Glyphs of the symbol font are picked by their Adobe name,
                // which both the Type 1 and the OpenType file carry.
                const char* glyph_name = SymbolGlyphName(static_cast<uint8_t>(b));
                if (glyph_name) glyph = FT_Get_Name_Index(ft, const_cast<FT_String*>(glyph_name));
            } else {
                glyph = FT_Get_Char_Index(
                    ft, CharsetToUnicode(static_cast<uint8_t>(charset), static_cast<uint8_t>(b)));
            }
        }
        table->Glyphs[b] = glyph;
    }
    if (ft) cairo_ft_scaled_font_unlock_face(scaled.Scaled);
    for (int b = 0; b < 256; ++b) {
        cairo_glyph_t g{table->Glyphs[b], 0, 0};
        cairo_text_extents_t te;
        cairo_scaled_font_glyph_extents(scaled.Scaled, &g, 1, &te);
        table->Advances[b] = static_cast<int32_t>(std::lround(te.x_advance));
        const bool has_ink = te.width > 0 && te.height > 0;
        const int cell = scaled.Ascent + scaled.Descent;
        table->InkTops[b] = static_cast<int16_t>(
            has_ink ? static_cast<int>(std::floor(scaled.Ascent + te.y_bearing)) : cell);
        // Pixels partly covered count as inked. A glyph without ink has an
        // inverted box, which takes no part in the box of a run.
        auto px = [](double v) { return static_cast<int16_t>(std::clamp(v, -16000.0, 16000.0)); };
        table->InkLefts[b] = has_ink ? px(std::floor(te.x_bearing)) : 16000;
        table->InkRights[b] = has_ink ? px(std::ceil(te.x_bearing + te.width)) : -16000;
        table->InkBottoms[b] =
            has_ink ? px(std::ceil(scaled.Ascent + te.y_bearing + te.height)) : -16000;
    }
    table->InkReach = 0;
    for (int b = 0; b < 256; ++b) {
        if (table->InkLefts[b] >= table->InkRights[b]) continue;
        const int cell = scaled.Ascent + scaled.Descent;
        table->InkReach = std::max({table->InkReach, -table->InkLefts[b],
                                    table->InkRights[b] - table->Advances[b], -table->InkTops[b],
                                    table->InkBottoms[b] - cell});
    }
    resolved.Tables[kept_key].assign(reinterpret_cast<const char*>(table.get()),
                                     sizeof(GlyphTable));
    added = true;
    return *scaled.Tables.emplace(key, std::move(table)).first->second;
}

int FontEngine::EmPixels(const TFont& font) {
    if (font.Height < 0) return -font.Height;
    if (font.Height == 0) return 1;
    // A positive height is the whole cell: convert it through the face's
    // cell-to-em ratio.
    std::lock_guard<std::mutex> guard(impl_->mutex);
    std::lock_guard<std::mutex> glyphs(GlyphMutex());
    FaceEntry& face = impl_->Face(font.Name, font.Bold(), font.Italic());
    if (face.CellPerEm == 0) {
        ScaledEntry& big = impl_->Scaled(face, 1000);
        face.CellPerEm = (big.Ascent + big.Descent) / 1000.0;
        if (face.CellPerEm <= 0) face.CellPerEm = 1;
    }
    const long em = std::lround(font.Height / face.CellPerEm);
    return em < 1 ? 1 : static_cast<int>(em);
}

FontHandle FontEngine::Resolve(const TFont& font) {
    const int em = EmPixels(font);
    std::lock_guard<std::mutex> guard(impl_->mutex);
    std::lock_guard<std::mutex> glyphs(GlyphMutex());
    const FaceKey key{font.Name, font.Bold(), font.Italic()};
    FaceEntry& face = impl_->Face(font.Name, font.Bold(), font.Italic());
    ScaledEntry& scaled = impl_->Scaled(face, em);
    GlyphTable& table = impl_->Table(key, face, scaled, em, font.Charset);
    FontHandle h;
    h.Scaled = scaled.Scaled;
    h.Em = em;
    h.Ascent = scaled.Ascent;
    h.Descent = scaled.Descent;
    h.Symbol = face.Symbol;
    h.Glyphs = table.Glyphs;
    h.Advances = table.Advances;
    h.InkTops = table.InkTops;
    h.InkLefts = table.InkLefts;
    h.InkRights = table.InkRights;
    h.InkBottoms = table.InkBottoms;
    h.InkReach = table.InkReach;
    return h;
}

bool FontEngine::ImportResolved(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(impl_->mutex);
    ResolvedFonts fonts;
    if (!impl_->faces.empty() || !DecodeResolved(bytes, sizeof(GlyphTable), fonts) ||
        !StampsHold(fonts.Stamps))
        return false;
    impl_->kept = std::move(fonts);
    return true;
}

std::string FontEngine::ExportResolved() {
    std::lock_guard<std::mutex> guard(impl_->mutex);
    if (!impl_->added) return {};
    ResolvedFonts all = impl_->resolved;
    // What was kept and not needed this time stays for a later process.
    all.Patterns.insert(impl_->kept.Patterns.begin(), impl_->kept.Patterns.end());
    all.Tables.insert(impl_->kept.Tables.begin(), impl_->kept.Tables.end());
    if (impl_->fontconfig) {
        std::vector<std::string> files;
        for (const auto& [key, pattern] : all.Patterns) {
            if (FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str()))) {
                FcChar8* file = nullptr;
                if (FcPatternGetString(p, FC_FILE, 0, &file) == FcResultMatch && file)
                    files.push_back(reinterpret_cast<const char*>(file));
                FcPatternDestroy(p);
            }
        }
        all.Stamps = CurrentStamps(files);
    } else {
        all.Stamps = impl_->kept.Stamps;
    }
    return EncodeResolved(all, sizeof(GlyphTable));
}

FontHandle FontCursor::ResolveForThread(const TFont& font) {
    struct Kept {
        std::string Name;
        int Height = 0;
        TFontStyles Style = 0;
        uint8_t Charset = 0;
        FontHandle Handle;
    };
    constexpr size_t kKept = 32;
    thread_local std::vector<Kept> kept;
    thread_local size_t next = 0;
    for (const Kept& k : kept)
        if (k.Height == font.Height && k.Style == font.Style && k.Charset == font.Charset &&
            SameFontName(k.Name, font.Name))
            return k.Handle;
    Kept fresh{font.Name, font.Height, font.Style, font.Charset,
               FontEngine::Instance().Resolve(font)};
    if (kept.size() < kKept) {
        kept.push_back(std::move(fresh));
        return kept.back().Handle;
    }
    kept[next] = std::move(fresh);
    const FontHandle handle = kept[next].Handle;
    next = (next + 1) % kKept;
    return handle;
}

std::string FontEngine::MatchedFile(const std::string& name, bool bold, bool italic) {
    std::lock_guard<std::mutex> guard(impl_->mutex);
    std::lock_guard<std::mutex> glyphs(GlyphMutex());
    return impl_->Face(name, bold, italic).File;
}

}  // namespace nerovan

namespace nerovan {

void FontCanvas::DoCharAdvances(std::string_view s, std::vector<int>& advances) {
    const FontHandle& h = Handle();
    advances.resize(s.size());
    for (size_t i = 0; i < s.size(); ++i) advances[i] = h.Advances[static_cast<uint8_t>(s[i])];
}

int FontCanvas::DoTextWidth(std::string_view s) {
    const FontHandle& h = Handle();
    long long w = 0;
    for (unsigned char c : s) w += h.Advances[c];
    return SizeSum(w);
}

int FontCanvas::DoInkTop(std::string_view s) {
    const FontHandle& h = Handle();
    int top = h.CellHeight();
    for (unsigned char c : s) top = std::min<int>(top, h.InkTops[c]);
    return top;
}

TRect FontCanvas::DoTextInk(int x, int y, std::string_view s, const std::vector<int>& advances,
                            const TRect& area) {
    const FontHandle& h = Handle();
    // Most runs lie farther from the edges than any glyph's ink reaches
    // beyond its cell.
    long long width = 0;
    for (int a : advances) width += a;
    if (x - h.InkReach >= area.Left && y - h.InkReach >= area.Top &&
        x + width + h.InkReach <= area.Right && y + h.CellHeight() + h.InkReach <= area.Bottom)
        return TRect{0, 0, 0, 0};
    // Glyphs without ink have inverted boxes and the cell height as their
    // top, so they change nothing here.
    long long left = LLONG_MAX, right = LLONG_MIN, pen = x;
    int top = INT_MAX, bottom = INT_MIN;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<uint8_t>(s[i]);
        left = std::min(left, pen + h.InkLefts[c]);
        right = std::max(right, pen + h.InkRights[c]);
        top = std::min<int>(top, h.InkTops[c]);
        bottom = std::max<int>(bottom, h.InkBottoms[c]);
        pen += advances[i];
    }
    if (left >= right || top >= bottom) return TRect{0, 0, 0, 0};
    auto clamp = [](long long v) {
        return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2));
    };
    return TRect{clamp(left), clamp(static_cast<long long>(y) + top), clamp(right),
                 clamp(static_cast<long long>(y) + bottom)};
}

}  // namespace nerovan
