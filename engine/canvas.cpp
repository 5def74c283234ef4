// The canvas operations shared by every implementation: the font size model,
// the pen position, and the recording of each drawing operation into a
// display list before the implementation draws it.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "metafile.h"

namespace nerovan {

namespace {

// Rounds a * b / c to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const long long n = static_cast<long long>(a) * b;
    const long long q = (2 * (n < 0 ? -n : n) + c) / (2LL * c);
    return static_cast<int>(n < 0 ? -q : q);
}

// How many entries, and key bytes, the last pass on this thread took: a
// canvas made for one pass (a metafile canvas) has no last pass of its own,
// and the formula is usually the one the last canvas laid out.
thread_local size_t thread_last_entries = 0;
thread_local size_t thread_last_key_bytes = 0;

}  // namespace

void MeasureMemo::Open() {
    if (last_entries_ == 0) {
        last_entries_ = thread_last_entries;
        last_key_bytes_ = thread_last_key_bytes;
    }
    // Room for twice as many entries as the last pass took: a formula is
    // usually measured and painted, or painted again, with the same pieces
    // (a painting pass keeps about twice what a measuring pass does), and
    // the table then never grows during the pass. A large pass gets room for
    // as many as the last only, so that the room taken in advance stays
    // within the memo's budget. A first pass starts with room for a small
    // formula's pieces. Close left any slots empty.
    const size_t twice = last_entries_ <= kDoubledEntries ? 2 : 1;
    size_t slots = kFirstSlots;
    while (slots < 2 * twice * last_entries_) slots *= 2;
    if (slots_.size() < slots) slots_.resize(slots);
    entries_.reserve(std::max<size_t>(twice * last_entries_, 64));
    ReserveKeys(std::max<size_t>(twice * last_key_bytes_, 64 * (sizeof(KeyHead) + 16)));
    keys_used_ = 0;
    entries_.clear();
    names_.clear();
    last_name_ = 0;
    bytes_ = 0;
    active_ = true;
}

void MeasureMemo::Close() {
    last_entries_ = entries_.size();
    last_key_bytes_ = keys_used_;
    thread_last_entries = last_entries_;
    thread_last_key_bytes = last_key_bytes_;
    // A large pass's table, keys and entries are freed, so nothing of it
    // lingers; a small pass's room is kept for the next.
    if (slots_.size() > 16384 || keys_room_ > (256u << 10)) {
        std::vector<Slot>().swap(slots_);
        keys_.reset();
        keys_room_ = 0;
        std::vector<Entry>().swap(entries_);
    }
    // Only the slots the entries took are emptied, so a roomy table costs
    // nothing more to empty.
    for (const Entry& e : entries_) slots_[e.SlotIndex] = Slot{};
    keys_used_ = 0;
    entries_.clear();
    names_.clear();
    bytes_ = 0;
    active_ = false;
}

int32_t MeasureMemo::NameIndex(const std::string& name) {
    // A formula uses two or three font names; the last one used is almost
    // always the one asked for again.
    if (last_name_ >= names_.size() || !SameFontName(names_[last_name_], name)) {
        last_name_ = 0;
        while (last_name_ < names_.size() && !SameFontName(names_[last_name_], name)) ++last_name_;
        if (last_name_ == names_.size()) names_.push_back(name);
    }
    return static_cast<int32_t>(last_name_);
}

MeasureMemo::KeyHead MeasureMemo::MakeHead(char routine, const Canvas& canvas) {
    const TFont& f = canvas.Font;
    KeyHead head{{f.Height, static_cast<int32_t>(f.Style), static_cast<int32_t>(f.Charset),
                  static_cast<int32_t>(f.Color), canvas.NestingDepth,
                  static_cast<int32_t>(canvas.NestedCharacters), 0,
                  static_cast<int32_t>(routine)}};
    head.Fields[kNameField] = NameIndex(f.Name);
    return head;
}

namespace {

uint64_t MixBits(uint64_t x) {
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t RotateLeft(uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

uint64_t Load8(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

uint64_t Load4(const char* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// Up to 32 bytes by a few loads that may overlap, longer texts sixteen bytes
// at a time in two lanes, every word folded in by a multiply: enough to
// spread a table's keys, whose bytes are compared in full anyway. The
// multiplies of one key do not wait for each other.
uint64_t HashBytes(std::string_view s, uint64_t seed) {
    constexpr uint64_t kOdd1 = 0x9E3779B97F4A7C15ull;
    constexpr uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Full;
    constexpr uint64_t kOdd3 = 0x165667B19E3779F9ull;
    constexpr uint64_t kOdd4 = 0xD6E8FEB86659FD93ull;
    const char* p = s.data();
    const size_t n = s.size();
    uint64_t a = seed, b = 0, c = 0, d = 0;
    if (n > 32) {
        for (size_t i = 0; i + 16 <= n; i += 16) {
            a = RotateLeft(a ^ Load8(p + i), 29) * kOdd1;
            b = RotateLeft(b ^ Load8(p + i + 8), 31) * kOdd2;
        }
        c = Load8(p + n - 16);
        d = Load8(p + n - 8);
    } else if (n > 16) {
        a ^= Load8(p);
        b = Load8(p + 8);
        c = Load8(p + n - 16);
        d = Load8(p + n - 8);
    } else if (n >= 8) {
        a ^= Load8(p);
        b = Load8(p + n - 8);
    } else if (n >= 4) {
        a ^= Load4(p);
        b = Load4(p + n - 4);
    } else if (n > 0) {
        const auto byte = [p](size_t i) {
            return static_cast<uint64_t>(static_cast<uint8_t>(p[i]));
        };
        a ^= (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
    }
    return a * kOdd1 + RotateLeft(b * kOdd2, 31) + RotateLeft(c * kOdd3, 17) + d * kOdd4 + n;
}

}  // namespace

size_t MeasureMemo::Hash(std::string_view head, std::string_view text) {
    // Head and text are hashed apart, so the two run side by side.
    return static_cast<size_t>(MixBits(HashBytes(head, 0) ^ RotateLeft(HashBytes(text, 1), 17)));
}

const MeasureMemo::Slot* MeasureMemo::Probe(std::string_view head, std::string_view text,
                                            size_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.Entry == 0) return &slot;
        if (slot.Hash == static_cast<uint32_t>(hash) && slot.HeadLength == head.size() &&
            slot.TextLength == text.size()) {
            const char* key = keys_.get() + slot.KeyOffset;
            // The layout's heads are all one size, compared without a call.
            const bool same_head =
                head.size() == sizeof(KeyHead)
                    ? std::memcmp(key, head.data(), sizeof(KeyHead)) == 0
                    : head.empty() || std::memcmp(key, head.data(), head.size()) == 0;
            // An empty text may have no address at all.
            if (same_head &&
                (text.empty() || std::memcmp(key + head.size(), text.data(), text.size()) == 0))
                return &slot;
        }
    }
}

const MeasureMemo::Entry* MeasureMemo::Find(std::string_view head, std::string_view text,
                                            size_t hash) const {
    if (slots_.empty()) return nullptr;
    const Slot* slot = Probe(head, text, hash);
    return slot->Entry == 0 ? nullptr : &entries_[slot->Entry - 1];
}

void MeasureMemo::ReserveKeys(size_t n) {
    if (n <= keys_room_) return;
    std::unique_ptr<char[]> grown(new char[n]);
    if (keys_used_ > 0) std::memcpy(grown.get(), keys_.get(), keys_used_);
    keys_ = std::move(grown);
    keys_room_ = n;
}

char* MeasureMemo::TakeKeyRoom(size_t n) {
    if (keys_used_ + n > keys_room_) ReserveKeys(std::max(2 * keys_room_, keys_used_ + n));
    char* at = keys_.get() + keys_used_;
    keys_used_ += n;
    return at;
}

void MeasureMemo::Grow() {
    std::vector<Slot> old(std::max<size_t>(kFirstSlots, slots_.size() * 2));
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.Entry == 0) continue;
        size_t i = s.Hash & mask;
        while (slots_[i].Entry != 0) i = (i + 1) & mask;
        slots_[i] = s;
        entries_[s.Entry - 1].SlotIndex = static_cast<uint32_t>(i);
    }
}

void MeasureMemo::Store(std::string_view head, std::string_view text, size_t hash,
                        const TFormulaMetrics& m, const TFont& font_after) {
    // The key, the entry and the slots around them.
    const size_t cost = head.size() + text.size() + sizeof(Entry) + 2 * sizeof(Slot);
    if (bytes_ + cost > kMaxBytes) return;
    if (2 * (entries_.size() + 1) > slots_.size()) Grow();
    Slot* slot = const_cast<Slot*>(Probe(head, text, hash));
    if (slot->Entry != 0) return;  // already there
    bytes_ += cost;
    slot->Hash = static_cast<uint32_t>(hash);
    char* key = TakeKeyRoom(head.size() + text.size());
    slot->KeyOffset = static_cast<uint32_t>(key - keys_.get());
    slot->HeadLength = static_cast<uint32_t>(head.size());
    slot->TextLength = static_cast<uint32_t>(text.size());
    // An empty view may have no address to copy from.
    if (!head.empty()) std::memcpy(key, head.data(), head.size());
    if (!text.empty()) std::memcpy(key + head.size(), text.data(), text.size());
    entries_.push_back(Entry{m, FontState{font_after.Height, font_after.Style, font_after.Charset,
                                          font_after.Color, NameIndex(font_after.Name)}});
    slot->Entry = static_cast<uint32_t>(entries_.size());
    entries_.back().SlotIndex = static_cast<uint32_t>(slot - slots_.data());
}

int TFont::Size() const { return MulDivRound(-Height, 72, kScreenPixelsPerInch); }

void TFont::SetSize(int points) { Height = -MulDivRound(points, kScreenPixelsPerInch, 72); }

int Canvas::TextWidth(std::string_view s) { return s.empty() ? 0 : DoTextWidth(s); }

int Canvas::DoTextWidth(std::string_view s) {
    CharAdvances(s, scratch_);
    int w = 0;
    for (int a : scratch_) w += a;
    return w;
}

int Canvas::TextHeight(std::string_view) { return DoTextHeight(); }

void Canvas::CharAdvances(std::string_view s, std::vector<int>& advances) {
    advances.clear();
    if (!s.empty()) DoCharAdvances(s, advances);
}

int Canvas::InkTop(std::string_view s) { return DoInkTop(s); }

int Canvas::EmPixels() { return DoEmPixels(); }

void Canvas::TextOut(int x, int y, std::string_view s) { TextOutImpl(x, y, s, nullptr); }

void Canvas::TextOutClipped(int x, int y, std::string_view s, const TRect& clip) {
    TextOutImpl(x, y, s, &clip);
}

void Canvas::TextOutImpl(int x, int y, std::string_view s, const TRect* clip) {
    if (s.empty()) return;
    // Kept between calls so a run of one-glyph texts allocates nothing.
    std::vector<int>& advances = text_advances_;
    CharAdvances(s, advances);
    if (Brush.Style == TBrushStyle::bsSolid) {
        int w = 0;
        for (int a : advances) w += a;
        TRect cell{x, y, x + w, y + DoTextHeight()};
        if (clip) {
            cell.Left = std::max(cell.Left, clip->Left);
            cell.Top = std::max(cell.Top, clip->Top);
            cell.Right = std::min(cell.Right, clip->Right);
            cell.Bottom = std::min(cell.Bottom, clip->Bottom);
        }
        if (cell.Left < cell.Right && cell.Top < cell.Bottom) FillRect(cell);
    }
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Text;
        op.X1 = x;
        op.Y1 = y;
        op.Text = s;
        op.Font = Font;
        op.Color = Font.Color;
        op.Em = DoEmPixels();
        op.Advances = advances;
        if (clip) {
            op.Clipped = true;
            op.Clip = *clip;
        }
        Record(std::move(op));
    }
    DoTextOut(x, y, s, advances, clip);
}

void Canvas::Record(DrawOp&& op) {
    // Room for as many operations as the list expects (as many as the last
    // paint into the same metafile drew), or for dozens, spares it rounds of
    // growing.
    if (recorder_->Ops.empty()) recorder_->Ops.reserve(std::max<size_t>(64, recorder_->SizeHint));
    recorder_->Ops.push_back(std::move(op));
}

void Canvas::MoveTo(int x, int y) { pen_pos_ = {x, y}; }

void Canvas::LineTo(int x, int y) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Line;
        op.X1 = pen_pos_.X;
        op.Y1 = pen_pos_.Y;
        op.X2 = x;
        op.Y2 = y;
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        Record(std::move(op));
    }
    DoLine(pen_pos_.X, pen_pos_.Y, x, y);
    pen_pos_ = {x, y};
}

void Canvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Arc;
        op.Rect = {x1, y1, x2, y2};
        op.X1 = x3;
        op.Y1 = y3;
        op.X2 = x4;
        op.Y2 = y4;
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        Record(std::move(op));
    }
    DoArc(x1, y1, x2, y2, x3, y3, x4, y4);
}

void Canvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Ellipse;
        op.Rect = {x1, y1, x2, y2};
        op.PenWidth = Pen.Width;
        op.Color = Pen.Color;
        op.Filled = Brush.Style == TBrushStyle::bsSolid;
        op.FillColor = Brush.Color;
        Record(std::move(op));
    }
    DoEllipse(x1, y1, x2, y2);
}

void Canvas::FillRect(const TRect& r) {
    if (recorder_) {
        DrawOp op;
        op.Kind = DrawOpKind::Fill;
        op.Rect = r;
        op.Color = Brush.Color;
        Record(std::move(op));
    }
    DoFillRect(r, Brush.Color);
}

}  // namespace nerovan
