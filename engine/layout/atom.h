// Atoms, the leaves of the layout: runs of ordinary characters such as `x`,
// `x2`, `sin`, `12.5` (letters italic when the caller asks, function names
// painted upright), and atoms with backslash escapes such as `\alpha2`,
// `a\pm1` or `\.x`, walked left to right, each escape's rest laid out again.
#pragma once

#include <string>
#include <string_view>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

// The empty pixels at the right end of every level of an atom: of a text
// run, and of each escape laid out with the rest after it.
constexpr int kAtomLevelRoom = 2;

// Width and Height of a run of ordinary characters, each measured in the
// style it is drawn in (letters italic when italicSwitch is on), plus 2 empty
// pixels at the right end. An empty run is 0 wide and TextHeight("A") high.
// Leaves the charset at 1 and, with the switch on, the italic bit clear.
TFormulaMetrics MeasureTextRun(std::string_view run, Canvas& canvas, bool italicSwitch);
// Draws the run character by character, the first cell's top-left corner at
// origin. Draws nothing and leaves the font alone for an empty run.
void PaintTextRun(std::string_view run, TFormulaOrigin origin, Canvas& canvas, bool italicSwitch);

// Width and Height of an atom (Ascent is the caller's, except the empty atom,
// which is 0 x 0 with Ascent 0). Raises EInvalidToken for a malformed escape.
TFormulaMetrics MeasureAtom(std::string_view atom, Canvas& canvas, bool italicSwitch);
// Draws the atom with the top-left corner of its box at origin, every piece
// where MeasureAtom made room for it. Callers measure the atom first.
void PaintAtom(std::string_view atom, TFormulaOrigin origin, Canvas& canvas, bool italicSwitch);

}  // namespace nerovan
