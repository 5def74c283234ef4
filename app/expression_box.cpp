#include "expression_box.h"

#include <QLineEdit>

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
}

void TExpressionBox::showPopup() {
    emit DropDown();
    QComboBox::showPopup();
}

}  // namespace nerovan
