// The insert palette: the table of inserted texts, the tabs with their
// typeset images, and the shared tool bar whose buttons follow the tab.
#include "insert_palette.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

#include "insert_snippet.h"
#include "palette_icons.h"

namespace nerovan {

namespace {

// The text of button k (row k - 1) on each tab (column); nullptr: none.
const char* const kPaletteButtonText[kPaletteButtons][kPaletteTabs] = {
    {R"(\a)", R"(\A)", R"(\.a)", " = ", "sum(a)", R"(\ww)"},
    {R"(\b)", R"(\B)", R"(\:a)", " < ", "sum(a,b)", R"(\vv)"},
    {R"(\h)", R"(\H)", R"(\-a)", " > ", "sum(a,b,c)", R"(\dd)"},
    {R"(\d)", R"(\D)", R"(\~a)", " <= ", "mul(a)", R"(\xx)"},
    {R"(\e)", R"(\E)", R"(\^a)", " >= ", "mul(a,b)", R"(\pm)"},
    {R"(\f)", R"(\F)", R"(\0a)", " <> ", "mul(a,b,c)", R"(\oo)"},
    {R"(\g)", R"(\G)", nullptr, " == ", "lim(x >> 0, 1/x)", R"(\omc)"},
    {R"(\etha)", R"(\ETHA)", nullptr, " =~ ", "sqrt(a)", R"(\bb)"},
    {R"(\i)", R"(\I)", nullptr, " ~~ ", "root(b,a)", R"(\HH)"},
    {R"(\k)", R"(\K)", nullptr, " ~ ", "int(a)", R"(\TT)"},
    {R"(\l)", R"(\L)", nullptr, " >> ", "int(a,b)", R"(\RR)"},
    {R"(\m)", R"(\M)", nullptr, " <-> ", "int(a,b,c)", R"(\PP)"},
    {R"(\n)", R"(\N)", nullptr, " =< ", "int2(a,b)", R"(\ox)"},
    {R"(\o)", R"(\O)", nullptr, " <=> ", "int3(a,b)", R"(\oxx)"},
    {R"(\p)", R"(\P)", nullptr, " => ", "int0(a,b)", R"(\OO)"},
    {R"(\tetha)", R"(\TETHA)", nullptr, " ~e ", "int20(a,b)", R"(\LL)"},
    {R"(\r)", R"(\R)", nullptr, " ~ee ", "int30(a,b)", "~U"},
    {R"(\s)", R"(\S)", nullptr, " ~E ", "sys(a,b)", "~UU"},
    {R"(\t)", R"(\T)", nullptr, " ~A ", "sys[a,b)", nullptr},
    {R"(\u)", R"(\U)", nullptr, " ~c ", "mat22[a,b,c,d]", nullptr},
    {R"(\w)", R"(\W)", nullptr, " ~c= ", "mat21[a,b]", nullptr},
    {R"(\x)", R"(\X)", nullptr, " ~cc ", "mat12[a,b]", nullptr},
    {R"(\psi)", R"(\PSI)", nullptr, " ~d ", "mat33[a,b,c,d,e,f,g,h,i]", nullptr},
    {R"(\z)", R"(\Z)", nullptr, " ~d= ", "det22[a,b,c,d]", nullptr},
};

const char* const kTabHints[kPaletteTabs] = {
    "Greek small letters", "Greek capital letters", "Accents",
    "Relation signs",      "Operators and layouts", "Special symbols"};

}  // namespace

QString PaletteButtonText(int tab, int button) {
    if (tab < 0 || tab >= kPaletteTabs || button < 1 || button > kPaletteButtons) return QString();
    const char* text = kPaletteButtonText[button - 1][tab];
    return text ? QString::fromLatin1(text) : QString();
}

int PaletteVisibleButtons(int tab) {
    if (tab == 2) return 6;
    if (tab == 5) return 18;
    return kPaletteButtons;
}

TInsertPalette::TInsertPalette(QComboBox* expressionBox, QWidget* parent)
    : QTabWidget(parent), box_(expressionBox) {
    setObjectName("TabControl1");
    setTabPosition(QTabWidget::North);
    setUsesScrollButtons(false);
    // Clicking the palette leaves the keyboard (and the selection) in the
    // expression box.
    setFocusPolicy(Qt::NoFocus);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    tabBar()->setObjectName("TabControl1Tabs");
    tabBar()->setIconSize(QSize(kPaletteTabImageWidth, kPaletteTabImageHeight));
    tabBar()->setExpanding(false);

    image_lists_.resize(kPaletteTabs);
    for (int t = 0; t < kPaletteTabs; ++t) {
        auto* page = new QWidget(this);
        page->setObjectName(QStringLiteral("TabControl1Page%1").arg(t));
        // Each tab is captioned with one blank and shows its own image.
        addTab(page, QStringLiteral(" "));
        setTabToolTip(t, QString::fromLatin1(kTabHints[t]));
    }

    tool_bar_ = new QToolBar(this);
    tool_bar_->setObjectName("ToolBar2");
    tool_bar_->setMovable(false);
    tool_bar_->setFloatable(false);
    tool_bar_->setOrientation(Qt::Horizontal);
    tool_bar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tool_bar_->setContentsMargins(0, 0, 0, 0);
    tool_bar_->setStyleSheet(
        "QToolBar { border: none; background: transparent; spacing: 0px; padding: 0px; }");
    for (int k = 1; k <= kPaletteButtons; ++k) {
        QAction* a = tool_bar_->addAction(QString());
        QToolButton* b = qobject_cast<QToolButton*>(tool_bar_->widgetForAction(a));
        b->setObjectName(QStringLiteral("ToolButton%1").arg(10 + k));
        b->setAutoRaise(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(kButtonWidth, kButtonHeight);
        connect(a, &QAction::triggered, this, [this, k] { ToolButtonClick(k); });
        actions_ << a;
    }
    tool_bar_->setIconSize(ImageSize());

    connect(this, &QTabWidget::currentChanged, this, &TInsertPalette::TabControl1Change);
    setCurrentIndex(0);
    // At start the tool bar has tab 0's images and all 24 buttons are shown.
    ApplyImageList(0);
    for (QAction* a : actions_) a->setVisible(true);
    screens_seen_ = static_cast<int>(QGuiApplication::screens().size());
    for (int t = 0; t < kPaletteTabs; ++t)
        setTabIcon(t, TypesetIcon(PaletteTabSample(t),
                                  QSize(kPaletteTabImageWidth, kPaletteTabImageHeight),
                                  palette().color(QPalette::WindowText)));
    setFixedHeight(sizeHint().height());
}

QToolButton* TInsertPalette::Button(int k) const {
    if (k < 1 || k > kPaletteButtons) return nullptr;
    return qobject_cast<QToolButton*>(tool_bar_->widgetForAction(actions_[k - 1]));
}

void TInsertPalette::ToolButtonClick(int k) {
    const QString text = PaletteButtonText(currentIndex(), k);
    if (text.isNull()) return;
    emit SnippetChosen(text);
    if (box_) InsertSnippetIntoBox(box_, text);
}

void TInsertPalette::TabControl1Change(int index) {
    auto show = [this](int from, int to, bool visible) {
        for (int k = from; k <= to; ++k) {
            actions_[k - 1]->setVisible(visible);
            // The tool bar would follow the action only when it next lays
            // itself out; the button is shown or hidden now.
            Button(k)->setVisible(visible);
        }
    };
    switch (index) {
        case 0:
        case 1:
        case 3:
        case 4: show(7, 24, true); break;
        case 2: show(7, 24, false); break;
        case 5:
            show(7, 24, true);
            show(19, 24, false);
            break;
        default: return;
    }
    ApplyImageList(index);
}

void TInsertPalette::TabControl1Resize() { PlaceToolBar(); }

const QList<QIcon>& TInsertPalette::ImageList(int tab) {
    QList<QIcon>& list = image_lists_[tab];
    if (list.isEmpty()) {
        // The ink takes the colour of the buttons' text, so the images follow
        // light and dark colour schemes.
        const QColor ink = tool_bar_->palette().color(QPalette::ButtonText);
        for (int k = 1; k <= kPaletteButtons; ++k) {
            const QString text = PaletteButtonText(tab, k);
            list << (text.isNull() ? QIcon() : TypesetIcon(text, tool_bar_->iconSize(), ink));
        }
    }
    return list;
}

void TInsertPalette::ApplyImageList(int tab) {
    const QList<QIcon>& list = ImageList(tab);
    for (int k = 1; k <= kPaletteButtons; ++k) {
        actions_[k - 1]->setIcon(list[k - 1]);
        // The hint shows what the button inserts.
        const QString text = PaletteButtonText(tab, k);
        actions_[k - 1]->setToolTip(text.isNull() ? QString() : text.trimmed());
    }
    image_list_tab_ = tab;
}

void TInsertPalette::ForgetImages() {
    for (QList<QIcon>& list : image_lists_) list.clear();
    ApplyImageList(currentIndex() < 0 ? 0 : currentIndex());
    for (int t = 0; t < kPaletteTabs; ++t)
        setTabIcon(t, TypesetIcon(PaletteTabSample(t),
                                  QSize(kPaletteTabImageWidth, kPaletteTabImageHeight),
                                  palette().color(QPalette::WindowText)));
}

QSize TInsertPalette::ImageSize() const {
    const int frame =
        Button(1)->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Button(1));
    return QSize(kButtonWidth - 2 * frame, kButtonHeight - 2 * frame);
}

void TInsertPalette::PlaceToolBar() {
    // Below the tabs, inside the frame of the tab control, one pixel in.
    const int top = tabBar()->geometry().bottom() + 2;
    tool_bar_->setGeometry(1, top, std::max(0, width() - 2), kButtonHeight);
    tool_bar_->raise();
}

QSize TInsertPalette::sizeHint() const {
    const int tabs = tabBar()->sizeHint().height();
    return QSize(kPaletteButtons * kButtonWidth + 2, tabs + 2 + kButtonHeight + 2);
}

QSize TInsertPalette::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

void TInsertPalette::resizeEvent(QResizeEvent* event) {
    QTabWidget::resizeEvent(event);
    TabControl1Resize();
}

void TInsertPalette::showEvent(QShowEvent* event) {
    QTabWidget::showEvent(event);
    // Screens added since the images were drawn may need another ratio.
    const int screens = static_cast<int>(QGuiApplication::screens().size());
    if (screens != screens_seen_) {
        screens_seen_ = screens;
        ForgetImages();
    }
    PlaceToolBar();
}

void TInsertPalette::changeEvent(QEvent* event) {
    QTabWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        ForgetImages();
    } else if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        setFixedHeight(sizeHint().height());
        PlaceToolBar();
        if (event->type() == QEvent::StyleChange && tool_bar_->iconSize() != ImageSize()) {
            tool_bar_->setIconSize(ImageSize());
            ForgetImages();
        }
    }
}

}  // namespace nerovan
