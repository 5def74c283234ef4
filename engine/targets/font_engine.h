// Fonts through fontconfig and FreeType, shared by every canvas that uses
// real fonts: cached faces per (name, bold, italic), scaled fonts per em
// height, and a 256-entry table of glyphs and whole-pixel advances per scaled
// font and charset. "Symbol" resolves to the Type 1 Standard Symbols PS and
// its bytes pick glyphs by Adobe glyph name. Thread-safe.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "canvas.h"

namespace nerovan {

// Everything a canvas needs to measure and draw one font, resolved once.
// Held around every call into cairo that measures, draws or traces glyphs,
// so that one thread at a time is inside cairo's glyph code. cairo keeps
// one glyph cache for all its scaled fonts: a thread that makes room in it
// locks the font whose glyphs it drops while it holds the cache's lock,
// the opposite of the order in which a thread drawing a glyph takes them,
// so two threads drawing text at once (the window's paint thread and its
// palette images) could each wait for the other for ever. Taken last:
// nothing else is locked while it is held.
std::mutex& GlyphMutex();

struct FontHandle {
    cairo_scaled_font_t* Scaled = nullptr;  // owned by the engine's cache
    int Em = 1;                             // em height in pixels
    int Ascent = 0;                         // lround(ascent)
    int Descent = 0;                        // lround(descent)
    bool Symbol = false;                    // Symbol encoding
    const uint32_t* Glyphs = nullptr;       // 256 glyph indices for the charset
    const int32_t* Advances = nullptr;      // 256 whole-pixel advances
    const int16_t* InkTops = nullptr;       // 256 first ink rows below the cell top
    // 256 glyph ink boxes in whole pixels: columns from the pen position,
    // rows from the cell top (InkTops), the far edges exclusive; inverted
    // (left beyond right) when the glyph has no ink.
    const int16_t* InkLefts = nullptr;
    const int16_t* InkRights = nullptr;
    const int16_t* InkBottoms = nullptr;
    // How far any glyph's ink reaches beyond its advance and cell.
    int InkReach = 0;
    int CellHeight() const { return Ascent + Descent; }
};

class FontEngine {
public:
    static FontEngine& Instance();
    // Resolves name, em height, bold, italic and charset of the font; a name
    // that does not exist gets fontconfig's substitute.
    FontHandle Resolve(const TFont& font);
    // The em height in pixels a font's Height resolves to (at least 1).
    int EmPixels(const TFont& font);
    // The file fontconfig picked for a font name and style (for diagnostics).
    std::string MatchedFile(const std::string& name, bool bold, bool italic);

    // Takes the fonts an earlier process resolved (the bytes ExportResolved
    // gave it) when the font files, fontconfig's configuration and font
    // folders, the libraries and the program are as they were; fontconfig
    // is then not initialised unless a font is asked for that they do not
    // answer. Only before the first font is resolved; false when not taken.
    bool ImportResolved(const std::string& bytes);
    // Everything resolved, kept or new, for a later process's ImportResolved;
    // empty when nothing was resolved that was not kept.
    std::string ExportResolved();

private:
    FontEngine();
    struct Impl;
    Impl* impl_;
};

}  // namespace nerovan

namespace nerovan {

// Remembers the last few fonts a canvas resolved, so that measuring a run of
// characters in one font, or switching italic on and off or between the
// sizes of a formula and its scripts, costs no lookup in the engine's shared
// cache. The engine never drops a resolved font, so the handles stay valid.
class FontCursor {
public:
    // The engine's answer for font, through a larger cache of the calling
    // thread's own that outlives canvases (a metafile canvas lasts one pass
    // only), so a new canvas finds its fonts without the engine's lock.
    static FontHandle ResolveForThread(const TFont& font);

    const FontHandle& For(const TFont& font) {
        Slot& recent = slots_[last_];
        if (recent.Valid && recent.Matches(font)) return recent.Handle;
        for (int i = 0; i < kSlots; ++i) {
            if (slots_[i].Valid && slots_[i].Matches(font)) {
                last_ = i;
                return slots_[i].Handle;
            }
        }
        next_ = (next_ + 1) % kSlots;
        Slot& slot = slots_[next_];
        slot.Handle = ResolveForThread(font);
        slot.Height = font.Height;
        slot.Style = font.Style;
        slot.Charset = font.Charset;
        slot.Name = font.Name;
        slot.Valid = true;
        last_ = next_;
        return slot.Handle;
    }

private:
    static constexpr int kSlots = 8;
    struct Slot {
        std::string Name;
        int Height = 0;
        TFontStyles Style = 0;
        uint8_t Charset = 0;
        bool Valid = false;
        FontHandle Handle;
        bool Matches(const TFont& f) const {
            return f.Height == Height && f.Style == Style && f.Charset == Charset &&
                   SameFontName(f.Name, Name);
        }
    };
    Slot slots_[kSlots];
    int last_ = 0;
    int next_ = kSlots - 1;
};

}  // namespace nerovan

namespace nerovan {

// A canvas that measures with the real fonts; the raster and the metafile
// canvas share it, so both passes of every target lay out alike.
class FontCanvas : public Canvas {
protected:
    const FontHandle& Handle() { return cursor_.For(Font); }
    int DoTextHeight() override { return Handle().CellHeight(); }
    void DoCharAdvances(std::string_view s, std::vector<int>& advances) override;
    int DoTextWidth(std::string_view s) override;
    int DoInkTop(std::string_view s) override;
    TRect DoTextInk(int x, int y, std::string_view s, const std::vector<int>& advances,
                    const TRect& area) override;
    int DoEmPixels() override { return Handle().Em; }

private:
    FontCursor cursor_;
};

}  // namespace nerovan
