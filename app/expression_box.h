// The expression box ComboBox1: an editable combo box whose drop-down list
// is the history. It tells the window when its list is about to open, so the
// text in the box can be stored first; no inline completion and no entries
// of its own (the window keeps the history).
#pragma once

#include <QComboBox>

namespace nerovan {

class TExpressionBox : public QComboBox {
    Q_OBJECT
public:
    explicit TExpressionBox(QWidget* parent = nullptr);

    void showPopup() override;

signals:
    // The list is about to open (ComboBox1DropDown).
    void DropDown();
};

}  // namespace nerovan
