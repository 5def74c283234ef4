// The term dispatcher: lays out one operand of a relation chain by the
// recognition order of the notation (sum, product or fraction,
// juxtaposition, scripts, call, atom), and the small string helpers that
// several constructs share.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "construct.h"
#include "metrics.h"
#include "small_list.h"

namespace nerovan {

struct TTrimmedBlanks {
    int Lead = 0;           // blanks from the first character on
    int Trail = 0;          // blanks from the last character backwards
    std::string_view Core;  // characters Lead + 1 .. length - Trail (1-based), in s
};

// Leading and trailing blanks and what lies between; a string of blanks
// only counts every blank as leading and as trailing.
TTrimmedBlanks TrimBlanks(std::string_view s);
// Removes one pair of brackets that encloses the whole (trimmed) text, and
// puts the blanks around it back.
std::string StripOuterBrackets(std::string_view s);
// The text inside one pair of brackets that encloses all of core (which has
// no blanks around it), or core itself; a view into core.
std::string_view InsideOuterBrackets(std::string_view core);
std::string BlankString(int n);
// The width of n blanks in the canvas's current font.
int BlankWidth(Canvas& canvas, int n);
// Whether the text, outer brackets stripped, holds an unescaped "+" or "-"
// at bracket depth 0.
bool HasTopLevelSign(std::string_view s);

// The first keyword construct, in the dispatcher's order, whose keyword is
// a case-insensitive prefix of the call's name and which accepts the call
// (matrices need two digits 1-9 after "mat"/"det", roots two arguments);
// null for a plain call.
const Construct* MatchKeyword(std::string_view name, size_t argument_count);

// A call as the dispatcher recognised it: `name(arguments)` with the
// bracket pair typed (opening bracket and last character), and the keyword
// construct its name selects. Name and arguments are views into the term.
struct TermCall {
    const Construct* Keyword = nullptr;
    std::string_view Name;
    PieceList Arguments;
    std::string Brackets;
};

// A call without keyword: the upright name, then the arguments separated by
// ", " between stretchable brackets that match what was typed. Both return
// the box without the term's blank room; painting draws at the origin.
TFormulaMetrics MeasurePlainCall(const TermCall& call, Canvas& canvas);
TFormulaMetrics PaintPlainCall(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);

TFormulaMetrics MeasureTerm(std::string_view term, Canvas& canvas);
// Draws the term with the top-left corner of its box at the origin and
// returns its box.
TFormulaMetrics PaintTerm(std::string_view term, TFormulaOrigin origin, Canvas& canvas);

}  // namespace nerovan
