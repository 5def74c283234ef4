// Measuring through the canvas's memo: a layout pass opens it, and each
// memoized routine answers a piece it measured before from there.
#pragma once

#include <string_view>

#include "canvas.h"
#include "measure_memo.h"

namespace nerovan {

// Opens the canvas's memo for the time of an outermost layout call (nesting
// depth 0) and empties it when the call ends, also on an error; deeper calls
// leave it as it is.
class MeasureMemoPass {
public:
    MeasureMemoPass(Canvas& c, std::string_view root)
        : canvas_(c), owner_(c.Pass.NestingDepth == 0 && c.UseMeasureMemo && !c.Memo().Active()) {
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
TFormulaMetrics Memoized(Canvas& canvas, MemoRoutine routine, std::string_view text,
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

}  // namespace nerovan
