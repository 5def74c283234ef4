// The colours of the formula and its font: the colours dialog TFColors with
// its two buttons, the menu items "Foreground" and "BackGround" that go to
// the platform's colour dialog directly, and the font command with the
// platform's font dialog. None of them has a cancel that undoes anything:
// a cancelled colour dialog keeps the colour it was preset with, and after
// the font dialog the formula is painted again whatever the user did.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>

#include <functional>
#include <mutex>

#include "canvas.h"

class QFrame;
class QPushButton;

namespace nerovan {

class TNerovan;

// TColor (0x00BBGGRR) and QColor.
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);

// The family a font dialog shows for a font name: the name itself when the
// system has it, else the face the system draws for it.
QString DialogFamily(const std::string& name);
// The font of FontDialog1 as the font dialog shows it (family, size in
// points, bold, italic, underline, strike-out) and back; the charset and the
// colour of font are kept, and so is its name while the face is the same.
QFont ToQFont(const TFont& font);
TFont FromQFont(const QFont& qfont, const TFont& font);

// Runs a colour dialog preset with preset and returns its colour: the chosen
// one, or the preset when the dialog was cancelled.
using ColorDialogRunner = std::function<QColor(QWidget* parent, const QColor& preset)>;
// Runs a font dialog on font; true (and font changed) when the user took a
// font, false when the dialog was cancelled.
using FontDialogRunner = std::function<bool(QWidget* parent, QFont& font)>;

// ColorDialog1: the platform's colour dialog.
QColor RunPlatformColorDialog(QWidget* parent, const QColor& preset);
// FontDialog1: the platform's font dialog.
bool RunPlatformFontDialog(QWidget* parent, QFont& font);

class TFColors : public QDialog {
    Q_OBJECT
public:
    explicit TFColors(QWidget* parent = nullptr);

    TColor Foreground() const { return foreground_; }
    TColor Background() const { return background_; }
    void SetForeground(TColor color);
    void SetBackground(TColor color);

    // ColorDialog1 of the dialog; the platform's colour dialog unless set.
    ColorDialogRunner ColorDialog1;

public slots:
    void BitBtn1Click();       // pick the foreground colour
    void BitBtn2Click();       // pick the background colour
    void SpeedButton1Click();  // close

protected:
    void showEvent(QShowEvent* event) override;

private:
    QColor RunColorDialog1(const QColor& preset);
    void ShowSwatches();

    QFrame* Bevel1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    TColor foreground_ = clBlack;
    TColor background_ = clWhite;
    bool placed_ = false;
};

// ToolButton2Click: the colours dialog preset with the two colours, which
// take the dialog's values however it was closed; then repaint (empty
// LastPaintedText and RequestPaint). showModal replaces exec() (tests).
void ToolButton2Click(QWidget* parent, TColor& foreColor, TColor& backColor,
                      const std::function<void()>& repaint,
                      const std::function<void(TFColors&)>& showModal = {});

// Foreground2Click and BackGround2Click: the colour dialog preset with color,
// color from its colour, then repaint.
void ChooseColor(QWidget* parent, TColor& color, const std::function<void()>& repaint,
                 const ColorDialogRunner& run = {});

// ToolButton3Click: FontDialog1 on fontDialog1Font (the font the placement
// store keeps); whatever the user did, the component takes that font and the
// formula is painted again.
void ToolButton3Click(QWidget* parent, TFont& fontDialog1Font, TNerovan& component,
                      std::mutex& componentMutex, const std::function<void()>& repaint,
                      const FontDialogRunner& run = {});

}  // namespace nerovan
