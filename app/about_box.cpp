// The about box.
#include "about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#include "palette_icons.h"
#include "program_version.h"
#include "toolbar_icons.h"

namespace nerovan {

namespace {

const char* const kAboutSample = "int(0, \\bb, e^(-x^2) dx) = sqrt(\\p)/2";

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(405, 228);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 389, 177);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName("ProgramIcon");
    ProgramIcon->setGeometry(16, 16, 32, 32);

    ProductName = new QLabel("Nerovan", Panel1);
    ProductName->setObjectName("ProductName");
    QFont name = ProductName->font();
    name.setPixelSize(13);
    name.setBold(true);
    ProductName->setFont(name);
    QPalette navy = ProductName->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 128));
    ProductName->setPalette(navy);
    ProductName->move(64, 16);
    ProductName->adjustSize();

    Version = new QLabel("Version " + nerovan::ProgramVersion(), Panel1);
    Version->setObjectName("Version");
    Version->move(64, 16 + ProductName->height() + 6);
    Version->adjustSize();

    // What the program does, typeset by its own typesetter.
    Sample = new QLabel(Panel1);
    Sample->setObjectName("Sample");
    Sample->setGeometry(16, 72, 357, 90);
    Sample->setAlignment(Qt::AlignCenter);

    OKButton = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(286, 192, 113, 33);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The icon at the ratio of the screen the box is on.
    ProgramIcon->setPixmap(nerovan::ProgramIcon().pixmap(QSize(32, 32), devicePixelRatioF()));
    Sample->setPixmap(QPixmap::fromImage(TypesetImage(
        kAboutSample, Sample->size(), devicePixelRatioF(), palette().color(QPalette::WindowText))));
    if (placed_) return;
    placed_ = true;
    // Centred on the screen.
    if (QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}

void About1Click(QWidget* parent) {
    TAboutBox box(parent);
    box.exec();
}

}  // namespace nerovan
