// The insert rule and its application to the expression box.
#include "insert_snippet.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace nerovan {

namespace {

bool IsClosingBracket(QChar c) { return c == ')' || c == ']' || c == '}'; }

}  // namespace

QString SnippetToInsert(const QString& text, int selStart, const QString& snippet) {
    if (snippet.isEmpty()) return snippet;
    const int p = std::clamp(selStart, 0, static_cast<int>(text.size()));
    if (text.size() >= 2 && p >= 1 && IsClosingBracket(text.at(p - 1)) && snippet.at(0) != ' ')
        return QStringLiteral(" ") + snippet;
    return snippet;
}

SnippetEdit InsertSnippet(const QString& text, int selStart, int selLength,
                          const QString& snippet) {
    const int size = static_cast<int>(text.size());
    const int start = std::clamp(selStart, 0, size);
    const int length = std::clamp(selLength, 0, size - start);
    SnippetEdit edit;
    edit.Inserted = SnippetToInsert(text, start, snippet);
    edit.Text = text.left(start) + edit.Inserted + text.mid(start + length);
    edit.Caret = start + static_cast<int>(edit.Inserted.size());
    return edit;
}

void InsertSnippetIntoBox(QComboBox* box, const QString& snippet) {
    if (!box || snippet.isEmpty()) return;
    QLineEdit* line = box->lineEdit();
    if (!line) return;

    // The start of the selection, or the caret when nothing is selected.
    const int selStart = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
    const QString inserted = SnippetToInsert(line->text(), selStart, snippet);

    // QLineEdit::insert replaces the selection and leaves the caret after
    // the new text; it is an edit like typing (undo step, textEdited and the
    // box's editTextChanged), so the window repaints through its change rule.
    line->insert(inserted);
    line->setCursorPosition(selStart + static_cast<int>(inserted.size()));
    box->setFocus(Qt::OtherFocusReason);
}

}  // namespace nerovan
