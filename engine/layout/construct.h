// How the keyword constructs of calls join the term dispatcher: each
// construct's own file defines one row per keyword it answers to, and the
// dispatcher's list (term.cpp) holds the rows in the order they are tried.
// Adding a construct is its own file and one line in that list.
#pragma once

#include <cstddef>
#include <string_view>

#include "canvas.h"
#include "metrics.h"

namespace nerovan {

struct TermCall;

struct Construct {
    // Lower case; the row is tried when it is a case-insensitive prefix of
    // the call's name.
    const char* Keyword;
    // Which of its construct's forms the keyword selects, in the
    // construct's own numbering.
    int Form;
    // Whether a call whose name starts with the keyword is this construct;
    // one it refuses is tried against the rows after it. Null: every call.
    bool (*Accepts)(std::string_view name, size_t argument_count);
    // The box without the term's blank room, and the drawing with the
    // box's top-left corner at origin (returning the same box).
    TFormulaMetrics (*Measure)(const TermCall& call, Canvas& canvas);
    TFormulaMetrics (*Paint)(const TermCall& call, TFormulaOrigin origin, Canvas& canvas);
};

}  // namespace nerovan
