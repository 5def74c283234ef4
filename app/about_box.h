// The about box TAboutBox: on a framed panel the program's icon, the product
// name "Nerovan" in navy bold and "Version 1.2" below it, with a sample
// formula typeset by the program itself, and an OK button.
// Created when opened, centred on the screen, released when closed.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace nerovan {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Sample = nullptr;
    QPushButton* OKButton = nullptr;
    bool placed_ = false;
};

// About1Click: the about box, modal.
void About1Click(QWidget* parent);

}  // namespace nerovan
