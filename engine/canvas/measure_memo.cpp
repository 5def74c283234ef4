// The memo's table: keys of a font state and a piece of text, kept as
// cache-line records found through a small table of slots.
#include "measure_memo.h"

#include <cstring>

#include "canvas.h"

namespace nerovan {

namespace {

// How many entries the last pass on this thread took: a canvas made for one
// pass (a metafile canvas) has no last pass of its own, and the formula is
// usually the one the last canvas laid out.
thread_local size_t thread_last_entries = 0;

}  // namespace

void MeasureMemo::Open(std::string_view root) {
    if (last_entries_ == 0) last_entries_ = thread_last_entries;
    // Room for twice as many entries as the last pass took: a formula is
    // usually measured and painted, or painted again, with the same pieces
    // (a painting pass keeps about twice what a measuring pass does), and
    // the table then never grows during the pass. A large pass gets room for
    // as many as the last only, so that the room taken in advance stays
    // within the memo's budget. A first pass starts with room for a small
    // formula's pieces. Close left every slot empty.
    const size_t twice = last_entries_ <= kDoubledEntries ? 2 : 1;
    size_t slots = kFirstSlots;
    while (slots < 2 * twice * last_entries_) slots *= 2;
    // A table kept from a much larger formula is given back, so a large
    // formula's room does not outlast the next smaller one.
    if (slots_.size() > 4 * slots && slots_.size() > 65536) {
        std::vector<uint32_t>().swap(slots_);
        std::vector<Record>().swap(records_);
    }
    if (slots_.size() < slots) slots_.assign(slots, 0);
    records_.reserve(std::max<size_t>(twice * last_entries_, 64));
    if (keys_room_ > (256u << 10)) {
        keys_.reset();
        keys_room_ = 0;
    }
    keys_used_ = 0;
    records_.clear();
    names_.clear();
    last_name_ = 0;
    bytes_ = 0;
    root_ = root;
    active_ = true;
}

void MeasureMemo::Close() {
    last_entries_ = records_.size();
    thread_last_entries = last_entries_;
    // Only the slots the pass took are emptied, so a roomy table costs
    // nothing more to empty; table and records keep their room for the next
    // pass (Open gives back a much larger room than it needs).
    for (const Record& r : records_) slots_[r.SlotIndex] = 0;
    keys_used_ = 0;
    records_.clear();
    names_.clear();
    bytes_ = 0;
    root_ = {};
    active_ = false;
}

int32_t MeasureMemo::NameIndex(const std::string& name) {
    // A formula uses two or three font names; the last one used is almost
    // always the one asked for again.
    if (last_name_ >= names_.size() || !SameFontName(names_[last_name_], name)) {
        last_name_ = 0;
        while (last_name_ < names_.size() && !SameFontName(names_[last_name_], name)) ++last_name_;
        if (last_name_ == names_.size()) {
            if (names_.size() > 255) return -1;
            names_.push_back(name);
        }
    }
    return static_cast<int32_t>(last_name_);
}

MeasureMemo::KeyHead MeasureMemo::MakeHead(MemoRoutine routine, const Canvas& canvas) {
    const TFont& f = canvas.Font;
    const int32_t name = NameIndex(f.Name);
    const uint32_t packed = uint32_t{f.Style} | uint32_t{f.Charset} << 8 |
                            uint32_t{static_cast<uint8_t>(routine)} << 16 |
                            static_cast<uint32_t>(name) << 24;
    // The layout's routines are letters, so a usable head's packed word is
    // never all ones.
    return KeyHead{{f.Height, static_cast<int32_t>(f.Color), canvas.Pass.NestingDepth,
                    static_cast<int32_t>(canvas.Pass.NestedCharacters),
                    name < 0 ? -1 : static_cast<int32_t>(packed)}};
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

size_t MeasureMemo::Hash(const KeyHead& head, std::string_view text) {
    // Head and text are hashed apart, so the two run side by side.
    return static_cast<size_t>(
        MixBits(HashBytes(head.Bytes(), 0) ^ RotateLeft(HashBytes(text, 1), 17)));
}

size_t MeasureMemo::Probe(const KeyHead& head, std::string_view text, size_t hash,
                          bool& found) const {
    const size_t mask = slots_.size() - 1;
    const auto low = static_cast<uint32_t>(hash);
    const uint32_t tag = Tag(hash);
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t slot = slots_[i];
        if (slot == 0) {
            found = false;
            return i;
        }
        if (slot >> kRecordBits != tag) continue;
        const Record& r = records_[(slot & ((1u << kRecordBits) - 1)) - 1];
        if (r.Hash == low && (r.TextLength & ~kInKeys) == text.size() &&
            std::memcmp(&r.Head, &head, sizeof(KeyHead)) == 0) {
            // The same piece of the root is the same text; an empty text may
            // have no address at all.
            const char* stored = TextOf(r);
            if (stored == text.data() || text.empty() ||
                std::memcmp(stored, text.data(), text.size()) == 0) {
                found = true;
                return i;
            }
        }
    }
}

const MeasureMemo::Entry* MeasureMemo::Find(const KeyHead& head, std::string_view text,
                                            size_t hash) const {
    if (slots_.empty()) return nullptr;
    bool found = false;
    const size_t i = Probe(head, text, hash, found);
    return found ? &records_[(slots_[i] & ((1u << kRecordBits) - 1)) - 1].Answer : nullptr;
}

void MeasureMemo::ReserveKeys(size_t n) {
    if (n <= keys_room_) return;
    std::unique_ptr<char[]> grown(new char[n]);
    if (keys_used_ > 0) std::memcpy(grown.get(), keys_.get(), keys_used_);
    keys_ = std::move(grown);
    keys_room_ = n;
}

char* MeasureMemo::TakeKeyRoom(size_t n) {
    if (keys_used_ + n > keys_room_)
        ReserveKeys(std::max({2 * keys_room_, keys_used_ + n, size_t{4096}}));
    char* at = keys_.get() + keys_used_;
    keys_used_ += n;
    return at;
}

void MeasureMemo::Grow() {
    slots_.assign(std::max<size_t>(kFirstSlots, slots_.size() * 2), 0);
    const size_t mask = slots_.size() - 1;
    for (size_t k = 0; k < records_.size(); ++k) {
        Record& r = records_[k];
        size_t i = r.Hash & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = static_cast<uint32_t>(k + 1) | Tag(r.Hash) << kRecordBits;
        r.SlotIndex = static_cast<uint32_t>(i);
    }
}

void MeasureMemo::Store(const KeyHead& head, std::string_view text, size_t hash,
                        const TFormulaMetrics& m, const TFont& font_after) {
    // The slots around the entry, its place in the list of slots taken, and
    // its text where it is not a piece of the root.
    const bool in_root = text.empty() || InRoot(text);
    const size_t cost = sizeof(Record) + 2 * sizeof(uint32_t) + (in_root ? 0 : text.size());
    if (bytes_ + cost > kMaxBytes) return;
    const int32_t name_after = NameIndex(font_after.Name);
    if (name_after < 0) return;
    if (slots_.empty() || 2 * (records_.size() + 1) > slots_.size()) Grow();
    bool found = false;
    const size_t i = Probe(head, text, hash, found);
    if (found) return;  // already there
    bytes_ += cost;
    uint32_t length = static_cast<uint32_t>(text.size());
    uint32_t offset = 0;
    if (!in_root) {
        length |= kInKeys;
        char* key = TakeKeyRoom(text.size());
        offset = static_cast<uint32_t>(key - keys_.get());
        std::memcpy(key, text.data(), text.size());
    } else if (!text.empty()) {
        offset = static_cast<uint32_t>(text.data() - root_.data());
    }
    records_.push_back(
        Record{static_cast<uint32_t>(hash), static_cast<uint32_t>(i), head, offset, length,
               Entry{m, FontState{font_after.Height, font_after.Style, font_after.Charset,
                                  font_after.Color, name_after}}});
    slots_[i] = static_cast<uint32_t>(records_.size()) | Tag(hash) << kRecordBits;
}

}  // namespace nerovan
