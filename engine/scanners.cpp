// Bracket-aware scanners: sums, products, script marks, juxtaposition and
// calls are cut only at depth 0, and every scanner that can meet a closing
// bracket without partner reports it with one message.
#include "scanners.h"

#include "metrics.h"

namespace nerovan {

namespace {

const char kBlank = ' ';

// Steps the depth for c; a closing bracket that takes it below 0 has no
// partner in term.
void StepOrThrow(BracketDepth& depth, char c, const std::string& term) {
    if (depth.Step(c) < 0) throw EInvalidBracket("Invalid bracket in \"" + term + "\"");
}

// Where a sum or product would emit an empty piece it emits one blank.
std::string PieceOrBlank(const std::string& piece) {
    return piece.empty() ? std::string(1, kBlank) : piece;
}

}  // namespace

bool IsOpenBracket(char c) { return c == '(' || c == '[' || c == '{'; }

bool IsCloseBracket(char c) { return c == ')' || c == ']' || c == '}'; }

void SplitSum(const std::string& term, std::vector<std::string>& operands,
              std::vector<std::string>& signs) {
    operands.clear();
    signs.clear();
    size_t start = 0;
    if (!term.empty() && (term[0] == '+' || term[0] == '-')) {
        signs.emplace_back(1, term[0]);
        start = 1;
    } else {
        signs.emplace_back("+");
    }
    BracketDepth depth;
    std::string collected;
    for (size_t i = start; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        // An "E" or "e" before the sign keeps exponents such as 1.5E-3 whole.
        const bool splits = (c == '+' || c == '-') && i > 0 && depth.Value() == 0 &&
                            term[i - 1] != '\\' && term[i - 1] != 'E' && term[i - 1] != 'e';
        if (splits) {
            operands.push_back(PieceOrBlank(collected));
            collected.clear();
            signs.emplace_back(1, c);
        } else {
            collected += c;
        }
    }
    operands.push_back(PieceOrBlank(collected));
}

void SplitProduct(const std::string& term, std::vector<std::string>& numerators,
                  std::vector<std::string>& denominators) {
    numerators.clear();
    denominators.clear();
    bool numerator = true;
    BracketDepth depth;
    std::string collected;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        // "A^*" and "x_/" are scripts, not products.
        const bool splits = (c == '*' || c == '/') && depth.Value() == 0 &&
                            (i == 0 || (term[i - 1] != '_' && term[i - 1] != '^'));
        if (splits) {
            (numerator ? numerators : denominators).push_back(PieceOrBlank(collected));
            numerator = c == '*';
            collected.clear();
        } else {
            collected += c;
        }
    }
    (numerator ? numerators : denominators).push_back(PieceOrBlank(collected));
}

void SplitScripts(const std::string& term, std::vector<std::string>& baseAndSuperscripts,
                  std::vector<std::string>& subscripts) {
    // The base and the superscripts share one list; only a subscript goes
    // to the other.
    bool subscript = false;
    BracketDepth depth;
    std::string collected;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        StepOrThrow(depth, c, term);
        const bool mark = (c == '^' || c == '_') && depth.Value() == 0 &&
                          (i == 0 || term[i - 1] != '\\');
        if (mark) {
            (subscript ? subscripts : baseAndSuperscripts).push_back(collected);
            subscript = c == '_';
            collected.clear();
        } else {
            collected += c;
        }
    }
    // A trailing escaped mark ("\^", "\_") stays in the last piece; no
    // empty script is added behind it.
    (subscript ? subscripts : baseAndSuperscripts).push_back(collected);
}

void SplitJuxtaposition(const std::string& term, std::vector<std::string>& items) {
    BracketDepth depth;
    std::string collected;
    for (size_t i = 0; i < term.size(); ++i) {
        const char c = term[i];
        // A negative depth simply keeps the rest from being cut.
        depth.Step(c);
        const bool last = i + 1 == term.size();
        if (c == kBlank && depth.Value() == 0 && (last || term[i + 1] != kBlank)) {
            items.push_back(collected);
            collected.clear();
        } else {
            collected += c;
        }
    }
    if (!collected.empty()) items.push_back(collected);
}

bool SplitCall(const std::string& term, std::string& name, std::vector<std::string>& arguments,
               std::string& brackets) {
    size_t open = 0;
    while (open < term.size() && !IsOpenBracket(term[open])) ++open;
    // The group must be at least its two brackets, the last one ending the term.
    if (open + 1 >= term.size() || !IsCloseBracket(term.back())) return false;

    const std::string inner = term.substr(open + 1, term.size() - open - 2);
    BracketDepth depth;
    std::string argument;
    for (const char c : inner) {
        // "(a)+(b)" and "f(a)(b)" close the group before the term ends.
        if (depth.Step(c) < 0) return false;
        if (c == ',' && depth.Value() == 0) {
            arguments.push_back(argument);
            argument.clear();
        } else {
            argument += c;
        }
    }
    arguments.push_back(argument);
    name = term.substr(0, open);
    brackets = std::string{term[open], term.back()};
    return true;
}

bool IsPlainText(const std::string& s) {
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool plain = c == '\'' || c == '+' || c == '-' || c == '.' || c == ':' ||
                           c == ';' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c >= 0xC0;
        if (!plain) return false;
    }
    return true;
}

}  // namespace nerovan
