// The main window's controls: the cool bar with the tool bar and the
// expression box, ScrollBox1 with Image1 kept centred on its surface, the
// insert palette, the status panel, and the menu.
#include "main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "expression_box.h"
#include "insert_palette.h"
#include "main_window_parts.h"
#include "picture_image.h"
#include "toolbar_icons.h"

namespace nerovan {

namespace {

// The scrolled surface of ScrollBox1. The scroll area keeps it at least as
// large as its viewport and as large as the picture, and it keeps Image1 at
// the place the centring rule gives for its own size: when the viewport is
// wider than the picture the surface is exactly as wide as the viewport,
// otherwise the picture sits at 0 on a surface as wide as itself.
class TPictureArea : public QWidget {
public:
    explicit TPictureArea(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetImage(QWidget* image) { image_ = image; }
    QSize sizeHint() const override { return image_ ? image_->size() : QSize(0, 0); }
    QSize minimumSizeHint() const override { return sizeHint(); }
    void PlaceImage() {
        if (image_) image_->move(TNerovan1::CenteredOrigin(size(), image_->size()));
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        PlaceImage();
    }

private:
    QWidget* image_ = nullptr;
};

}  // namespace

void TNerovan1::BuildWindow() {
    setWindowIcon(ProgramIcon());
    resize(kInitialWidth, kInitialHeight);

    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // CoolBar1: band 1 the tool bar, band 2 the expression box.
    CoolBar1 = new QWidget(central);
    CoolBar1->setObjectName("CoolBar1");
    auto* bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(2, 1, 2, 3);
    bands->setSpacing(2);
    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName("ToolBar1");
    bands->addWidget(ToolBar1);
    auto* band2 = new QHBoxLayout;
    band2->setContentsMargins(4, 0, 2, 0);
    band2->setSpacing(6);
    ExpressionLabel = new QLabel("Expression:", CoolBar1);
    ExpressionLabel->setObjectName("ExpressionLabel");
    ComboBox1 = new TExpressionBox(CoolBar1);
    ComboBox1->setObjectName("ComboBox1");
    ExpressionLabel->setBuddy(ComboBox1);
    band2->addWidget(ExpressionLabel);
    band2->addWidget(ComboBox1, 1);
    bands->addLayout(band2);
    column->addWidget(CoolBar1);

    auto* rule = new QFrame(central);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    column->addWidget(rule);

    // ScrollBox1 with Image1 on its scrolled surface.
    ScrollBox1 = new QScrollArea(central);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    auto* area = new TPictureArea;
    PictureArea = area;
    PictureArea->setObjectName("ScrollBox1Surface");
    Image1 = new TPictureImage(PictureArea);
    Image1->setObjectName("Image1");
    Image1->Clear();
    // Moved to a screen of another scale, the picture is painted again for
    // it, once the paint event that noticed is done with.
    Image1->ScaleChanged = [this] {
        QTimer::singleShot(0, this, [this] {
            paint_cycle_.ForgetLastPaintedText();
            RequestPaint();
        });
    };
    area->SetImage(Image1);
    ScrollBox1->setWidget(PictureArea);
    // A click on the picture or around it leaves the keyboard in the
    // expression box: what the user types next goes into the formula.
    for (QWidget* w : {static_cast<QWidget*>(ScrollBox1), ScrollBox1->viewport(), PictureArea,
                       static_cast<QWidget*>(Image1)})
        w->setFocusPolicy(Qt::NoFocus);
    column->addWidget(ScrollBox1, 1);

    // TabControl1: the insert palette above the status line; its buttons
    // insert their text into the expression box.
    TabControl1 = new TInsertPalette(ComboBox1, central);
    column->addWidget(TabControl1);

    // Panel2 with the bold status label Label1 at (5, 2), as wide as the
    // panel leaves it: a longer message is shown cut short with an ellipsis,
    // whole in its tool tip.
    Panel2 = new QFrame(central);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setFixedHeight(18);
    Label1 = new QLabel(kStatusOk, Panel2);
    Label1->setObjectName("Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAutoFillBackground(false);
    Panel2->installEventFilter(this);
    column->addWidget(Panel2);
    SetStatus(kStatusOk, kStatusColor);

    setCentralWidget(central);

    // The expression box's events: every edit asks for a paint; the keys and
    // the opening of the list follow the history rules.
    connect(ComboBox1, &QComboBox::editTextChanged, this, &TNerovan1::ComboBox1Change);
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            [this] { history_selected_ = false; });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (programmatic_change_ == 0) history_selected_ = index >= 0;
    });
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        if (programmatic_change_ == 0) history_selected_ = index >= 0;
    });
    connect(ComboBox1, &TExpressionBox::DropDown, this, &TNerovan1::ComboBox1DropDown);
    ComboBox1->installEventFilter(this);
    ComboBox1->lineEdit()->installEventFilter(this);
    setAcceptDrops(true);
    ComboBox1->setFocus();
}

void TNerovan1::BuildMenu() {
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         const QList<QKeySequence>& keys, void (TNerovan1::*slot)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, slot);
        menu->addAction(a);
        return a;
    };

    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    Open1 = action(File1, "Open1", "&Open", {QKeySequence(Qt::CTRL | Qt::Key_O)},
                   &TNerovan1::Open1Click);
    SaveExpression1 =
        action(File1, "SaveExpression1", "&Save Expression", {QKeySequence(Qt::CTRL | Qt::Key_S)},
               &TNerovan1::SaveExpression1Click);
    SaveExpressionAs1 = action(File1, "SaveExpressionAs1", "Save Expression &As...", {},
                               &TNerovan1::SaveExpressionAs1Click);
    SavePicture1 = action(File1, "SavePicture1", "Save Picture",
                          {QKeySequence(Qt::CTRL | Qt::Key_P)}, &TNerovan1::SavePicture1Click);
    SavePictureAs1 =
        action(File1, "SavePictureAs1", "Save Picture As...", {}, &TNerovan1::SavePictureAs1Click);
    SavePictureAs1->setIcon(ToolBarIcon(ToolImage::Save));
    File1->addSeparator();
    // Enter and Ctrl+Enter: the main key and the one of the number pad.
    CopyAsPictureAndHide1 = action(File1, "CopyAsPictureAndHide1", "Copy as picture and Hide      ",
                                   {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)},
                                   &TNerovan1::CopyAsPictureAndHide);
    CopyAsPictureAndHide1->setIcon(ToolBarIcon(ToolImage::Clipboard));
    Hide1 =
        action(File1, "Hide1", "&Hide                ",
               {QKeySequence(Qt::CTRL | Qt::Key_Enter), QKeySequence(Qt::CTRL | Qt::Key_Return)},
               &TNerovan1::HideToTray);
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", "&Exit", {}, &TNerovan1::Exit1Click);

    Options1 = menuBar()->addMenu("&Options");
    Options1->setObjectName("Options1");
    Font1 = action(Options1, "Font1", "&Font", {QKeySequence(Qt::CTRL | Qt::Key_F)},
                   &TNerovan1::ToolButton3Click);
    Font1->setIcon(ToolBarIcon(ToolImage::Font));
    Colors1 = Options1->addMenu("&Colors");
    Colors1->setObjectName("Colors1");
    Colors1->setIcon(ToolBarIcon(ToolImage::Colors));
    Foreground2 = action(Colors1, "Foreground2", "Foreground", {QKeySequence(Qt::CTRL | Qt::Key_C)},
                         &TNerovan1::Foreground2Click);
    BackGround2 =
        action(Colors1, "BackGround2", "BackGround",
               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}, &TNerovan1::BackGround2Click);
    Options1->addSeparator();
    Parameters1 = action(Options1, "Parameters1", "Parameters", {}, &TNerovan1::Parameters1Click);
    Parameters1->setIcon(ToolBarIcon(ToolImage::Parameters));
    Options1->addSeparator();
    Hintbar1 = action(Options1, "Hintbar1", "AutoInsert Buttons", {}, &TNerovan1::Hintbar1Click);
    Hintbar1->setCheckable(true);
    Hintbar1->setChecked(true);

    Help1 = menuBar()->addMenu("&Help");
    Help1->setObjectName("Help1");
    Contents1 = action(Help1, "Contents1", "&Contents", {QKeySequence(Qt::Key_F1)},
                       &TNerovan1::ToolButton6Click);
    Contents1->setIcon(ToolBarIcon(ToolImage::Help));
    Demo1 = action(Help1, "Demo1", "&Demo", {QKeySequence(Qt::CTRL | Qt::Key_F1)},
                   &TNerovan1::Demo1Click);
    Help1->addSeparator();
    About1 = action(Help1, "About1", "&About", {}, &TNerovan1::About1Click);
}

void TNerovan1::BuildToolBar() {
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(kToolImageSize, kToolImageSize));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setStyleSheet("QToolBar { border: none; }");

    // Caption, hint ("" for none), image, command, object name.
    auto button = [this](const QString& caption, const QString& hint, ToolImage image,
                         void (TNerovan1::*slot)(), const char* name) {
        auto* a = new QAction(ToolBarIcon(image), caption, this);
        // The caption is shown as written, blanks included.
        a->setIconText(caption);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        ToolBar1->addAction(a);
        QWidget* w = ToolBar1->widgetForAction(a);
        w->setObjectName(name);
        w->setMinimumSize(61, 52);
        // A button without a hint shows no tool tip (Qt would show the caption).
        if (hint.isEmpty()) w->installEventFilter(this);
        w->setProperty("nerovanNoHint", hint.isEmpty());
        return a;
    };
    auto separator = [this] {
        QAction* s = ToolBar1->addSeparator();
        ToolBar1->widgetForAction(s)->setFixedWidth(8);
    };
    button("Save", "Save Picture As ... ", ToolImage::Save, &TNerovan1::SavePictureAs1Click,
           "ToolButton1");
    separator();
    button("Colors", "", ToolImage::Colors, &TNerovan1::ToolButton2Click, "ToolButton2");
    button("      Font     ", "Select Font - Ctrl+F", ToolImage::Font, &TNerovan1::ToolButton3Click,
           "ToolButton3");
    button("Parameters", "", ToolImage::Parameters, &TNerovan1::Parameters1Click, "ToolButton4");
    separator();
    button("Clipboard", "Copy as picture and Hide - Enter", ToolImage::Clipboard,
           &TNerovan1::CopyAsPictureAndHide, "ToolButton5");
    separator();
    button("Help", "Help - F1", ToolImage::Help, &TNerovan1::ToolButton6Click, "ToolButton6");
    // The window does not get narrower than its tool bar, whose captions
    // would otherwise be cut short.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());
}

QPoint TNerovan1::CenteredOrigin(const QSize& area, const QSize& picture) {
    const int left = area.width() > picture.width() ? area.width() / 2 - picture.width() / 2 : 0;
    const int top = area.height() > picture.height() ? area.height() / 2 - picture.height() / 2 : 0;
    return QPoint(left, top);
}

void TNerovan1::ScrollHomeAndCenter() {
    if (!ScrollBox1) return;
    // Let the scroll area size its surface to the picture now, not later.
    PictureArea->updateGeometry();
    QEvent layout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(ScrollBox1, &layout);
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    static_cast<TPictureArea*>(PictureArea)->PlaceImage();
}

}  // namespace nerovan
