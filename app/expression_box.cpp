#include "expression_box.h"

#include <QLineEdit>

#include <limits>

namespace nerovan {

TExpressionBox::TExpressionBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // The box stores nothing by itself: Enter copies the picture, and the
    // history rules decide what goes into the list.
    setInsertPolicy(QComboBox::NoInsert);
    // Inline completion would replace what the user types by a longer entry.
    setCompleter(nullptr);
    // A long entry in the history must not widen the window.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    setMaxVisibleItems(16);
    // The box holds any text whole: a line edit would cut it at 32767
    // characters without a word. A text longer than the typesetter takes is
    // kept as it is, and its paint says so in the status line.
    lineEdit()->setMaxLength(std::numeric_limits<int>::max());
}

void TExpressionBox::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

}  // namespace nerovan
