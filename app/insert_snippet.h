// InsertSnippet: how a piece of notation from the insert palette goes into
// the expression box. The rule itself works on a text with its caret or
// selection and needs no widget; InsertSnippetIntoBox applies it to the
// editable combo box as an edit of the user's, so the box's change event
// fires and the formula is repainted.
#pragma once

#include <QString>

class QComboBox;

namespace nerovan {

// The outcome of an insertion: the new text and the caret after it.
struct SnippetEdit {
    QString Text;      // the text of the box after the insertion
    QString Inserted;  // what went in, the blank of the rule included
    int Caret = 0;     // just after the inserted text
};

// The text that goes in for snippet when the box holds text and its
// selection (or caret, when nothing is selected) starts at selStart: a blank
// is put in front when the box holds at least two characters, the character
// before selStart is ")", "]" or "}", and the snippet does not begin with a
// blank, so that "f(a)" followed by "\b" reads as the product "f(a) \b"
// rather than a call with a Greek suffix.
QString SnippetToInsert(const QString& text, int selStart, const QString& snippet);

// Replaces the selection [selStart, selStart + selLength) of text (nothing
// selected when selLength is 0) with SnippetToInsert; the caret ends just
// after the inserted text. Out-of-range positions are clamped to the text.
SnippetEdit InsertSnippet(const QString& text, int selStart, int selLength, const QString& snippet);

// Applies InsertSnippet to the line edit of an editable combo box: the
// selection is replaced (without one, the text goes in at the caret), the
// caret ends after the inserted text and the keyboard focus goes back to the
// box. The edit is undoable and reaches the box's editTextChanged like
// typing. Does nothing for an empty snippet or a box that is not editable.
void InsertSnippetIntoBox(QComboBox* box, const QString& snippet);

}  // namespace nerovan
