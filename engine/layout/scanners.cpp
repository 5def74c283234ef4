// Bracket-aware scanners: sums, products, script marks, juxtaposition and
// calls are cut only at depth 0, and every scanner that can meet a closing
// bracket without partner reports it with one message.
#include "scanners.h"

#include "metrics.h"

namespace nerovan {

namespace {

const char kBlank = ' ';

[[noreturn]] __attribute__((noinline)) void ThrowInvalidBracket(std::string_view term) {
    throw EInvalidBracket("Invalid bracket in \"" + std::string(term) + "\"");
}

// Steps the depth for c; a closing bracket that takes it below 0 has no
// partner in term.
inline void StepOrThrow(BracketDepth& depth, char c, std::string_view term) {
    if (depth.Step(c) < 0) ThrowInvalidBracket(term);
}

// The piece of term from begin up to end; where a sum or product would emit
// an empty piece it emits one blank.
std::string_view PieceOrBlank(std::string_view term, size_t begin, size_t end) {
    return begin == end ? std::string_view(" ") : term.substr(begin, end - begin);
}

}  // namespace

void SplitSum(std::string_view term, PieceList& operands, PieceList& signs) {
    operands.clear();
    signs.clear();
    size_t start = 0;
    if (!term.empty() && (term[0] == '+' || term[0] == '-')) {
        signs.push_back(term.substr(0, 1));
        start = 1;
    } else {
        signs.emplace_back("+");
    }
    BracketDepth depth;
    size_t piece = start;  // where the operand being collected begins
    for (size_t i = start; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        // An "E" or "e" before the sign keeps exponents such as 1.5E-3 whole.
        const bool splits = (c == '+' || c == '-') && i > 0 && depth.Value() == 0 &&
                            term[i - 1] != '\\' && term[i - 1] != 'E' && term[i - 1] != 'e';
        if (splits) {
            operands.push_back(PieceOrBlank(term, piece, i));
            piece = i + 1;
            signs.push_back(term.substr(i, 1));
        }
    }
    operands.push_back(PieceOrBlank(term, piece, term.size()));
}

void SplitProduct(std::string_view term, PieceList& numerators, PieceList& denominators) {
    numerators.clear();
    denominators.clear();
    bool numerator = true;
    BracketDepth depth;
    size_t piece = 0;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        // "A^*" and "x_/" are scripts, not products.
        const bool splits = (c == '*' || c == '/') && depth.Value() == 0 &&
                            (i == 0 || (term[i - 1] != '_' && term[i - 1] != '^'));
        if (splits) {
            (numerator ? numerators : denominators).push_back(PieceOrBlank(term, piece, i));
            numerator = c == '*';
            piece = i + 1;
        }
    }
    (numerator ? numerators : denominators).push_back(PieceOrBlank(term, piece, term.size()));
}

void SplitScripts(std::string_view term, PieceList& baseAndSuperscripts, PieceList& subscripts) {
    // The base and the superscripts share one list; only a subscript goes
    // to the other.
    bool subscript = false;
    BracketDepth depth;
    size_t piece = 0;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        const bool mark =
            (c == '^' || c == '_') && depth.Value() == 0 && (i == 0 || term[i - 1] != '\\');
        if (mark) {
            (subscript ? subscripts : baseAndSuperscripts).push_back(term.substr(piece, i - piece));
            subscript = c == '_';
            piece = i + 1;
        }
    }
    // A trailing escaped mark ("\^", "\_") stays in the last piece; no
    // empty script is added behind it.
    (subscript ? subscripts : baseAndSuperscripts).push_back(term.substr(piece));
}

void SplitJuxtaposition(std::string_view term, PieceList& items) {
    BracketDepth depth;
    size_t piece = 0;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        // A negative depth simply keeps the rest from being cut.
        depth.Step(c);
        const bool last = i + 1 == term.size();
        if (c == kBlank && depth.Value() == 0 && (last || term[i + 1] != kBlank)) {
            items.push_back(term.substr(piece, i - piece));
            piece = i + 1;
        }
    }
    if (piece < term.size()) items.push_back(term.substr(piece));
}

bool SplitCall(std::string_view term, std::string_view& name, PieceList& arguments,
               std::string& brackets) {
    size_t open = 0;
    while (open < term.size() && !IsOpenBracket(term[open])) ++open;
    // The group must be at least its two brackets, the last one ending the term.
    if (open + 1 >= term.size() || !IsCloseBracket(term.back())) return false;

    // The group's inside runs from open + 1 up to the term's last character.
    const size_t end = term.size() - 1;
    BracketDepth depth;
    for (size_t i = open + 1; i < end; ++i) {
        // "(a)+(b)" and "f(a)(b)" close the group before the term ends.
        if (depth.Step(term[i]) < 0) return false;
    }
    depth = BracketDepth();
    size_t piece = open + 1;
    for (size_t i = open + 1; i < end; ++i) {
        if (depth.Step(term[i]) == 0 && term[i] == ',') {
            arguments.push_back(term.substr(piece, i - piece));
            piece = i + 1;
        }
    }
    arguments.push_back(term.substr(piece, end - piece));
    name = term.substr(0, open);
    brackets = std::string{term[open], term.back()};
    return true;
}

bool IsPlainText(std::string_view s) {
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool plain = c == '\'' || c == '+' || c == '-' || c == '.' || c == ':' || c == ';' ||
                           (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c >= 0xC0;
        if (!plain) return false;
    }
    return true;
}

}  // namespace nerovan
