// The memo of measured boxes that a layout pass keeps on its canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "canvas_types.h"

namespace nerovan {

class Canvas;

// The layout routines whose boxes the memo keeps; the value is the byte a
// key holds for the routine.
enum class MemoRoutine : char { Expression = 'E', Term = 'T' };

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
    // the style, the charset, the routine (its byte) and the font's name
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
    KeyHead MakeHead(MemoRoutine routine, const Canvas& canvas);
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

}  // namespace nerovan
