// The drawing surface every measuring and painting routine works through:
// font, pen and brush state, text measurement, text, lines, arcs, ellipses
// and fills. Implementations draw into a bitmap (cairo), record a display
// list (metafile), or use fixed metrics (tests). Any canvas can also record
// what it draws into a display list, which is how `--ops` and the
// metafile-versus-bitmap comparisons see a paint.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "metrics.h"

namespace nerovan {

// Colour as 0x00BBGGRR: red in the low byte.
using TColor = uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clNavy = 0x800000;

inline uint8_t GetRValue(TColor c) { return static_cast<uint8_t>(c & 0xFF); }
inline uint8_t GetGValue(TColor c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
inline uint8_t GetBValue(TColor c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

inline TColor RGB(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

// Font style bits.
using TFontStyles = uint8_t;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

// Character sets the typesetter selects. The default charset draws
// Windows-1251; the font named "Symbol" always draws the Symbol encoding.
constexpr uint8_t ANSI_CHARSET = 0;
constexpr uint8_t DEFAULT_CHARSET = 1;
constexpr uint8_t SYMBOL_CHARSET = 2;
constexpr uint8_t GREEK_CHARSET = 161;
constexpr uint8_t BALTIC_CHARSET = 186;

constexpr int kScreenPixelsPerInch = 96;

// Whether two font names are the same. Names are compared on every
// measurement (to find the font's cached metrics), and most are 4 to 16
// bytes long: those are compared as two overlapping words each.
inline bool SameFontName(const std::string& a, const std::string& b) {
    const size_t n = a.size();
    if (n != b.size()) return false;
    if (n > 16 || n < 4) return a == b;
    if (n < 8) {  // "Symbol": two overlapping 4-byte words
        uint32_t a0, a1, b0, b1;
        std::memcpy(&a0, a.data(), 4);
        std::memcpy(&b0, b.data(), 4);
        std::memcpy(&a1, a.data() + n - 4, 4);
        std::memcpy(&b1, b.data() + n - 4, 4);
        return a0 == b0 && a1 == b1;
    }
    uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a.data(), 8);
    std::memcpy(&b0, b.data(), 8);
    std::memcpy(&a1, a.data() + n - 8, 8);
    std::memcpy(&b1, b.data() + n - 8, 8);
    return a0 == b0 && a1 == b1;
}

// Font as the layout sees it. Height is in pixels: negative is the em
// height (character height without internal leading), positive the height
// of the whole character cell. The size in points is derived from it.
struct TFont {
    std::string Name = "Times New Roman";
    int Height = -24;  // 18 points
    TFontStyles Style = 0;
    uint8_t Charset = DEFAULT_CHARSET;
    TColor Color = clBlack;

    // Points = round(em * 72 / 96) for an em height.
    int Size() const;
    // Sets the em height to round(points * 96 / 72).
    void SetSize(int points);
    bool Bold() const { return (Style & fsBold) != 0; }
    bool Italic() const { return (Style & fsItalic) != 0; }
    bool operator==(const TFont& o) const {
        return Name == o.Name && Height == o.Height && Style == o.Style && Charset == o.Charset &&
               Color == o.Color;
    }
    bool operator!=(const TFont& o) const { return !(*this == o); }
};

struct TPen {
    int Width = 1;
    TColor Color = clBlack;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TPoint {
    int X = 0;
    int Y = 0;
};

// Right and bottom edges are excluded, as on the original drawing interface.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool Empty() const { return Left >= Right || Top >= Bottom; }
    // Narrows the rectangle to its overlap with r (empty when none).
    void Intersect(const TRect& r) {
        Left = std::max(Left, r.Left);
        Top = std::max(Top, r.Top);
        Right = std::min(Right, r.Right);
        Bottom = std::min(Bottom, r.Bottom);
    }
    // Widens the rectangle to take in r; an empty one becomes r.
    void Unite(const TRect& r) {
        if (r.Empty()) return;
        if (Empty()) {
            *this = r;
            return;
        }
        Left = std::min(Left, r.Left);
        Top = std::min(Top, r.Top);
        Right = std::max(Right, r.Right);
        Bottom = std::max(Bottom, r.Bottom);
    }
};

class DisplayList;
struct DrawOp;
class Canvas;

// Boxes measured during one layout pass, so that painting a piece, which
// measures its children again, answers those from here instead of laying
// them out anew. A box depends on the piece's text, the routine, the font
// (name, height, style, charset, colour) and the nesting depth and the
// characters nested around it (which decide whether a deep piece is
// refused); the key holds all of them.
// Measuring may leave the font changed (an atom ends with italic off and the
// default charset), so each entry also keeps the font as the measuring left
// it, and an answer from the memo leaves the canvas the same way. Only
// boxes that were measured successfully are kept, so a piece that failed
// fails again. The memo is open only for the time of one outermost layout
// call and emptied when it ends, and it stops taking entries beyond a
// memory budget so a very long formula cannot exhaust memory.
class MeasureMemo {
public:
    // The most memory the entries of one pass may take, roughly.
    static constexpr size_t kMaxBytes = 32u << 20;
    bool Active() const { return active_; }
    // Opens a pass. root is the text of the outermost layout call, which
    // stays as it is for the whole pass: a piece lying within it is kept as
    // where it lies there, not copied, and compared there.
    void Open(std::string_view root = {});
    void Close();
    // The state part of a key: the font, the nesting, and in the last word
    // the style, the charset, the routine (one letter) and the font's name
    // as its number among the names this pass has seen, a byte each. The
    // piece's text is the other part.
    struct KeyHead {
        int32_t Fields[5];  // whole words only, so the bytes have no padding
        std::string_view Bytes() const {
            return std::string_view(reinterpret_cast<const char*>(this), sizeof(KeyHead));
        }
        // False when the pass has seen more font names than a byte numbers:
        // such a state is measured without the memo.
        bool Usable() const { return Fields[kPackedField] != -1; }
        int32_t Name() const { return static_cast<int32_t>(uint32_t(Fields[kPackedField]) >> 24); }
    };
    KeyHead MakeHead(char routine, const Canvas& canvas);
    // Where in a head the packed bytes lie.
    static constexpr int kPackedField = 4;
    // A font as a few numbers: its name is its number among the names of
    // this pass, so keeping and restoring it copies no string.
    struct FontState {
        int Height = 0;
        TFontStyles Style = 0;
        uint8_t Charset = 0;
        TColor Color = 0;
        int32_t Name = 0;
    };
    struct Entry {
        TFormulaMetrics Box;
        FontState FontAfter;
    };
    // Puts the font an entry keeps on font, whose name has the number
    // name_now (the one in the key's head it was found with): the name is
    // only copied where measuring changed it.
    void RestoreFont(const Entry& e, TFont& font, int32_t name_now) const {
        font.Height = e.FontAfter.Height;
        font.Style = e.FontAfter.Style;
        font.Charset = e.FontAfter.Charset;
        font.Color = e.FontAfter.Color;
        if (e.FontAfter.Name != name_now) font.Name = names_[static_cast<size_t>(e.FontAfter.Name)];
    }
    static size_t Hash(const KeyHead& head, std::string_view text);
    const Entry* Find(const KeyHead& head, std::string_view text) const {
        return Find(head, text, Hash(head, text));
    }
    const Entry* Find(const KeyHead& head, std::string_view text, size_t hash) const;
    void Store(const KeyHead& head, std::string_view text, const TFormulaMetrics& m,
               const TFont& font_after) {
        Store(head, text, Hash(head, text), m, font_after);
    }
    void Store(const KeyHead& head, std::string_view text, size_t hash, const TFormulaMetrics& m,
               const TFont& font_after);
    size_t Size() const { return records_.size(); }

private:
    // The number of a font name among the names of this pass, or -1 past
    // the 255th name.
    int32_t NameIndex(const std::string& name);
    // Each entry is one record of a cache line: the whole key and the
    // answer, kept in the order taken. A layout pass looks pieces up in
    // about the order it took them, so it reads the records front to back.
    // The table that finds them holds four bytes a slot (the record's
    // number and a few bits of its hash), small enough to stay in the
    // processor's cache for the longest formulas, so a piece not there
    // costs no read of a record at all.
    struct alignas(64) Record {
        uint32_t Hash = 0;  // the low half of the key's hash
        uint32_t SlotIndex = 0;
        KeyHead Head{};
        uint32_t TextOffset = 0;  // in the root text, or in the key buffer
        uint32_t TextLength = 0;  // with kInKeys set for the key buffer
        Entry Answer;
    };
    static_assert(sizeof(Record) == 64, "a record is one cache line");
    static constexpr uint32_t kInKeys = 0x80000000u;
    static constexpr uint32_t kRecordBits = 24;  // a slot: record number + 1, then tag bits
    static_assert(kMaxBytes / sizeof(Record) < (1u << kRecordBits), "record numbers fit a slot");
    static_assert(kMaxBytes < (uint64_t(1) << 31), "offsets must fit a record");
    static constexpr size_t kFirstSlots = 64;
    // Up to how many entries a pass's successor gets room for twice as many.
    static constexpr size_t kDoubledEntries = 4096;
    bool InRoot(std::string_view text) const {
        const auto at = reinterpret_cast<uintptr_t>(text.data());
        const auto root = reinterpret_cast<uintptr_t>(root_.data());
        return !root_.empty() && at >= root && at - root <= root_.size() &&
               text.size() <= root_.size() - (at - root);
    }
    const char* TextOf(const Record& r) const {
        return (r.TextLength & kInKeys ? keys_.get() : root_.data()) + r.TextOffset;
    }
    // Where the key lies in the table, or the empty slot where it would go.
    size_t Probe(const KeyHead& head, std::string_view text, size_t hash, bool& found) const;
    // The top byte of the hash's low half: the table never has so many
    // slots that it places by that byte.
    static uint32_t Tag(size_t hash) { return static_cast<uint32_t>(hash) >> 24; }
    void Grow();
    std::vector<uint32_t> slots_;  // a power of two long, at most half taken
    std::vector<Record> records_;
    std::string_view root_;
    // The bytes of texts not within the root, one after another: keys_used_
    // of keys_room_ taken.
    std::unique_ptr<char[]> keys_;
    size_t keys_used_ = 0;
    size_t keys_room_ = 0;
    // Room for n more key bytes; returns where they go.
    char* TakeKeyRoom(size_t n);
    void ReserveKeys(size_t n);
    std::vector<std::string> names_;  // the font names of this pass's keys
    size_t last_name_ = 0;
    size_t bytes_ = 0;
    bool active_ = false;
    // How many entries the last pass took.
    size_t last_entries_ = 0;
};

class Canvas {
public:
    TFont Font;
    TPen Pen;
    TBrush Brush;
    // Copies of the component's MulPoint and BackGroundColor for this pass.
    bool CurrentMulPoint = true;
    TColor EraseColor = clWhite;
    // How many expressions are being laid out inside each other right now.
    int NestingDepth = 0;
    // How many characters those expressions hold together.
    size_t NestedCharacters = 0;
    // Whether the outermost layout calls on this canvas keep a memo of
    // measured boxes (see MeasureMemo); off, every box is measured anew.
    bool UseMeasureMemo = true;
    MeasureMemo& Memo() { return memo_; }

    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas() = default;

    // Advance width of s in the current font: the sum of the whole-pixel
    // advances of its characters, no kerning.
    int TextWidth(std::string_view s);
    // Height of the current font's character cell; the same for every string.
    int TextHeight(std::string_view s);
    // The whole-pixel advance of each character of s (the Dx array of a run).
    void CharAdvances(std::string_view s, std::vector<int>& advances);
    // Draws s with the top-left corner of its character cell at (x, y); with
    // a solid brush the cell is filled with the brush colour first.
    void TextOut(int x, int y, std::string_view s);
    // TextOut limited to the rectangle clip (used to draw only part of a glyph).
    void TextOutClipped(int x, int y, std::string_view s, const TRect& clip);
    // First row of ink of s below the cell top, or TextHeight when s has no ink.
    int InkTop(std::string_view s);
    // The em height in pixels that the current font resolves to (at least 1).
    int EmPixels();

    TPoint PenPos() const { return pen_pos_; }
    void MoveTo(int x, int y);
    // A line with the current pen from the pen position to (x, y), end point
    // excluded; the pen position moves to (x, y).
    void LineTo(int x, int y);
    // Arc of the ellipse inscribed in (x1, y1)-(x2, y2), counter-clockwise on
    // screen from the ray towards (x3, y3) to the ray towards (x4, y4).
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Ellipse inscribed in the rectangle, outlined with the pen and filled
    // with the brush unless the brush is clear.
    void Ellipse(int x1, int y1, int x2, int y2);
    void FillRect(const TRect& r);
    // The whole drawing area.
    virtual TRect ClipRect() const = 0;

    // Exclusive use of the canvas (recursive).
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }

    // Every drawing operation is also appended to recorder while it is set.
    void SetRecorder(DisplayList* recorder) { recorder_ = recorder; }
    DisplayList* Recorder() const { return recorder_; }

    // While ink tracking is on, the ink of every text run that can leave
    // the drawing area shrunk by `clearance` pixels at each edge (a glyph's
    // hook can hang outside its advance and its cell) is gathered into one
    // box, and such runs are kept. Turning it on empties both; turning it
    // off keeps them.
    void TrackInk(bool on, int clearance = 0) {
        if (on) {
            tracked_ink_ = TRect{0, 0, 0, 0};
            tracked_runs_.clear();
            ink_area_ = ClipRect();
            ink_area_.Intersect(TRect{ink_area_.Left + clearance, ink_area_.Top + clearance,
                                      ink_area_.Right - clearance, ink_area_.Bottom - clearance});
        }
        ink_tracking_ = on;
    }
    // The box gathered; empty when no run can leave the area.
    const TRect& TrackedInk() const { return tracked_ink_; }
    // The runs drawn while tracking whose ink leaves the area, as they were
    // drawn.
    struct TrackedRun {
        int X = 0, Y = 0;
        std::string Text;
        TFont Font;
        bool Clipped = false;
        TRect Clip;
    };
    const std::vector<TrackedRun>& TrackedRuns() const { return tracked_runs_; }

protected:
    virtual int DoTextHeight() = 0;
    virtual void DoCharAdvances(std::string_view s, std::vector<int>& advances) = 0;
    virtual int DoTextWidth(std::string_view s);
    virtual int DoInkTop(std::string_view s) = 0;
    virtual int DoEmPixels() = 0;
    // Drawing primitives; clip is null for unclipped text.
    virtual void DoTextOut(int x, int y, std::string_view s, const std::vector<int>& advances,
                           const TRect* clip) = 0;
    virtual void DoLine(int x1, int y1, int x2, int y2) = 0;
    virtual void DoArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void DoEllipse(int x1, int y1, int x2, int y2) = 0;
    virtual void DoFillRect(const TRect& r, TColor color) = 0;
    // The box of the pixels the glyphs of s drawn at (x, y) with these
    // advances can ink, or an empty box when that ink surely stays within
    // area; always empty for a canvas that knows nothing of glyphs.
    virtual TRect DoTextInk(int x, int y, std::string_view s, const std::vector<int>& advances,
                            const TRect& area);

private:
    void TextOutImpl(int x, int y, std::string_view s, const TRect* clip);

    TPoint pen_pos_;
    // Appends an operation to the recorder's list.
    void Record(DrawOp&& op);
    DisplayList* recorder_ = nullptr;
    std::recursive_mutex lock_;
    std::vector<int> scratch_;
    std::vector<int> text_advances_;
    MeasureMemo memo_;
    bool ink_tracking_ = false;
    TRect tracked_ink_{0, 0, 0, 0};
    TRect ink_area_{0, 0, 0, 0};
    std::vector<TrackedRun> tracked_runs_;
};

// Opens the canvas's memo for the time of an outermost layout call (nesting
// depth 0) and empties it when the call ends, also on an error; deeper calls
// leave it as it is.
class MeasureMemoPass {
public:
    MeasureMemoPass(Canvas& c, std::string_view root)
        : canvas_(c), owner_(c.NestingDepth == 0 && c.UseMeasureMemo && !c.Memo().Active()) {
        if (owner_) canvas_.Memo().Open(root);
    }
    ~MeasureMemoPass() {
        if (owner_) canvas_.Memo().Close();
    }
    MeasureMemoPass(const MeasureMemoPass&) = delete;
    MeasureMemoPass& operator=(const MeasureMemoPass&) = delete;

private:
    Canvas& canvas_;
    bool owner_;
};

// The box measure() yields for text, from the canvas's memo when the same
// piece was measured by the same routine in the same state during this pass.
template <class Measure>
TFormulaMetrics Memoized(Canvas& canvas, char routine, std::string_view text,
                         Measure&& measure) {
    MeasureMemo& memo = canvas.Memo();
    if (!memo.Active()) return measure();
    // The key's head is a small value kept here while the piece is measured
    // (which uses the memo again); the text is the piece itself. A piece
    // found costs no allocation and no copy.
    const MeasureMemo::KeyHead head = memo.MakeHead(routine, canvas);
    if (!head.Usable()) return measure();
    const size_t hash = MeasureMemo::Hash(head, text);
    if (const MeasureMemo::Entry* e = memo.Find(head, text, hash)) {
        memo.RestoreFont(*e, canvas.Font, head.Name());
        return e->Box;
    }
    const TFormulaMetrics m = measure();
    memo.Store(head, text, hash, m, canvas.Font);
    return m;
}

// Restores the font, pen and brush of a canvas when it leaves scope, so
// whatever changes them leaves the canvas as it found it, also on an error.
class CanvasStateGuard {
public:
    explicit CanvasStateGuard(Canvas& c) : canvas_(c), font_(c.Font), pen_(c.Pen), brush_(c.Brush) {}
    ~CanvasStateGuard() {
        canvas_.Font = font_;
        canvas_.Pen = pen_;
        canvas_.Brush = brush_;
    }
    CanvasStateGuard(const CanvasStateGuard&) = delete;
    CanvasStateGuard& operator=(const CanvasStateGuard&) = delete;

private:
    Canvas& canvas_;
    TFont font_;
    TPen pen_;
    TBrush brush_;
};

}  // namespace nerovan
