// The insert palette TabControl1 below the picture: six tabs of small
// buttons, each of which inserts a piece of the formula notation at the
// caret of the expression box. The tabs hold the Greek small letters, the
// Greek capitals, the accents, the relation signs, the operator and layout
// constructs, and the special symbols. One tool bar, ToolBar2, with the 24
// buttons ToolButton11 to ToolButton34 serves all tabs: a change of tab gives
// the buttons that tab's images and hides the buttons it does not use.
#pragma once

#include <QIcon>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTabWidget>

class QAction;
class QComboBox;
class QToolBar;
class QToolButton;

namespace nerovan {

constexpr int kPaletteTabs = 6;
constexpr int kPaletteButtons = 24;

// PaletteButtonText: the text that button k (1 to 24) inserts on tab t
// (0 to 5), blanks included; a null string where the button has no entry on
// that tab (there it is hidden and does nothing).
QString PaletteButtonText(int tab, int button);
// How many buttons tab t shows: 24, except 6 on the accents tab and 18 on
// the symbols tab.
int PaletteVisibleButtons(int tab);

class TInsertPalette : public QTabWidget {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 23;  // the buttons stand 23 pixels apart
    static constexpr int kButtonHeight = 30;

    // With a box, a button inserts its text into it (InsertSnippetIntoBox);
    // without one, it only emits SnippetChosen.
    explicit TInsertPalette(QComboBox* expressionBox = nullptr, QWidget* parent = nullptr);

    void SetExpressionBox(QComboBox* box) { box_ = box; }
    QToolBar* ToolBar2() const { return tool_bar_; }
    // ToolButton11 (k = 1) to ToolButton34 (k = 24).
    QToolButton* Button(int k) const;
    // The image list the tool bar uses now: the tab whose images it shows.
    int ImageListTab() const { return image_list_tab_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    // ToolButton11Click to ToolButton34Click: inserts the entry of button k
    // on the current tab, if it has one.
    void ToolButtonClick(int k);
    // The selected tab changed: the buttons the tab uses are shown, the
    // others hidden, and the tool bar takes the tab's images.
    void TabControl1Change(int index);
    // The tab control changed size: ToolBar2 is kept 2 pixels narrower.
    void TabControl1Resize();

signals:
    // A button with an entry on the current tab was clicked; text is the
    // entry (before the blank rule of the insertion).
    void SnippetChosen(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The images of tab t's buttons (ImageList4 to ImageList9), typeset the
    // first time the tab is shown.
    const QList<QIcon>& ImageList(int tab);
    void ApplyImageList(int tab);
    void PlaceToolBar();
    // The size a button shows its image at, and the size it is typeset at:
    // all of the button inside the frame its style draws there (a style
    // shows a larger image scaled down, blurred).
    QSize ImageSize() const;
    // Images drawn anew (a new palette or new screens).
    void ForgetImages();

    QPointer<QComboBox> box_;
    QToolBar* tool_bar_ = nullptr;
    QList<QAction*> actions_;  // index k - 1
    QList<QList<QIcon>> image_lists_;
    int image_list_tab_ = 0;
    int screens_seen_ = 0;
};

}  // namespace nerovan
