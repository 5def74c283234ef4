// The outermost level of the notation: a chain of operands joined by
// relation signs ("a <= b = c", "x ~e X"), with the bracket check and the
// closing of brackets left open. Nested pieces come back here too, so
// relation signs may stand at any depth.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "canvas.h"
#include "metrics.h"
#include "small_list.h"

namespace nerovan {

// The box of the relation chain line in the canvas's current font.
TFormulaMetrics MeasureExpression(std::string_view line, Canvas& canvas);
// Draws line with the top-left corner of its box at origin and returns the
// same box as MeasureExpression.
TFormulaMetrics PaintExpression(std::string_view line, TFormulaOrigin origin, Canvas& canvas);

// Checks that no closing bracket lacks its partner and appends one ")" for
// every bracket left open, of whatever kind ("[a" becomes "[a)"). Raises
// EInvalidBracket "Unexpected bracket in \"<line>\", pos:<n>" with the
// 1-based position of the first closing bracket without partner.
std::string BalanceBrackets(std::string_view line);

// Cuts a balanced line at its top-level relation signs that do not follow a
// backslash. operands gets the untrimmed pieces as views into line (possibly
// empty; a last empty piece is left out), signs one single-byte string per
// sign holding the byte drawn for it. Both lists are expected empty.
void SplitRelations(std::string_view line, PieceList& operands, PieceList& signs);

// Whether a relation sign begins with current, given the next two characters
// (a blank stands for a character beyond the end of the line). On success
// byte is the character drawn for the sign (in the Symbol font, except
// "<", "=", ">" and "~") and extra the number of characters it takes beyond
// current.
bool MatchRelation(char current, char next, char afterNext, unsigned char& byte, int& extra);

}  // namespace nerovan
