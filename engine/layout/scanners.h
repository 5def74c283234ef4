// Bracket-aware scanners: cut a term at the operators of its own level
// (sums, products, script marks, blanks, one call's arguments), leaving
// everything inside brackets to the next level of recursion. All of them
// share one running bracket depth and one set of bracket characters.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "small_list.h"

namespace nerovan {

// "(", "[" and "{".
constexpr bool IsOpenBracket(char c) { return c == '(' || c == '[' || c == '{'; }
// ")", "]" and "}". Nothing else is a bracket, in particular not "|".
constexpr bool IsCloseBracket(char c) { return c == ')' || c == ']' || c == '}'; }

// The running bracket depth of a left-to-right walk: every opening bracket
// raises it by one, every closing bracket lowers it by one, whatever its
// kind, so "(a]" is balanced. Step is called for each character before the
// character is examined.
class BracketDepth {
public:
    // Updates the depth for c and returns the new depth.
    int Step(char c) {
        depth_ += kSteps[static_cast<uint8_t>(c)];
        return depth_;
    }
    int Value() const { return depth_; }

private:
    // What each byte does to the depth: +1 opening, -1 closing, 0 the rest.
    static constexpr std::array<int8_t, 256> kSteps = [] {
        std::array<int8_t, 256> steps{};
        for (int c = 0; c < 256; ++c)
            steps[static_cast<size_t>(c)] =
                static_cast<int8_t>(IsOpenBracket(static_cast<char>(c))    ? 1
                                    : IsCloseBracket(static_cast<char>(c)) ? -1
                                                                           : 0);
        return steps;
    }();
    int depth_ = 0;
};

// The scanners hand out pieces as views into the term they cut, so the term
// must outlive them.

// Cuts term at its top-level "+" and "-". Both lists are emptied first;
// signs gets one entry per operand ("+" for an unsigned first operand); an
// empty piece becomes a single blank. A sign after "\", "E" or "e" does not
// cut (escapes, and exponents such as 1.5E-3). Raises EInvalidBracket on a
// closing bracket without partner.
void SplitSum(std::string_view term, PieceList& operands, PieceList& signs);

// Cuts term at its top-level "*" and "/": factors after "*" (and the first)
// go to numerators, factors after "/" to denominators. Both lists are
// emptied first; an empty piece becomes a single blank. An operator right
// after "_" or "^" does not cut. Raises EInvalidBracket on a closing bracket
// without partner.
void SplitProduct(std::string_view term, PieceList& numerators, PieceList& denominators);

// Cuts term at its top-level script marks "^" and "_" that are not escaped:
// the base and then every superscript are appended to baseAndSuperscripts,
// every subscript to subscripts. Pieces may be empty. Raises EInvalidBracket
// on a closing bracket without partner.
void SplitScripts(std::string_view term, PieceList& baseAndSuperscripts, PieceList& subscripts);

// Cuts term at its top-level blanks and appends the items. A run of blanks
// cuts once, at its last blank; the others stay at the end of the item
// before it. Never raises.
void SplitJuxtaposition(std::string_view term, PieceList& items);

// Recognises a name followed by one bracket group that ends the term, such
// as "sqrt(x)", "f[a, b]" or "(a, b)". On success sets name, appends the
// group's top-level comma-separated arguments (an empty group gives one empty
// argument), sets brackets to the opening bracket and the term's last
// character, and returns true. Never raises.
bool SplitCall(std::string_view term, std::string_view& name, PieceList& arguments,
               std::string& brackets);

// True when every character is an apostrophe, "+", "-", ".", a digit, ":",
// ";", a Latin letter or a Cyrillic letter (bytes 0xC0 to 0xFF). The empty
// string is plain.
bool IsPlainText(std::string_view s);

}  // namespace nerovan
