// The colours dialog, the colour menu items and the font command.
#include "colors_dialog.h"

#include <QColorDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontDialog>
#include <QFrame>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "component.h"

namespace nerovan {

QColor ToQColor(TColor color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

TColor FromQColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return RGB(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
               static_cast<uint8_t>(rgb.blue()));
}

QString DialogFamily(const std::string& name) {
    const QString family = QString::fromStdString(name);
    if (QFontDatabase::hasFamily(family)) return family;
    // A name the system substitutes ("Times New Roman" drawn with a
    // metric-compatible face): the dialog shows the face that is drawn, not
    // whatever family its list happens to fall back to.
    const QString drawn = QFontInfo(QFont(family)).family();
    return drawn.isEmpty() ? family : drawn;
}

QFont ToQFont(const TFont& font) {
    QFont q(DialogFamily(font.Name));
    // The height is in pixels: negative the em, positive the whole cell; the
    // dialog speaks points at 96 pixels an inch.
    const int em = font.Height < 0 ? -font.Height : font.Height;
    q.setPointSize(std::max(1, static_cast<int>(std::lround(em * 72.0 / kScreenPixelsPerInch))));
    q.setBold(font.Bold());
    q.setItalic(font.Italic());
    q.setUnderline((font.Style & fsUnderline) != 0);
    q.setStrikeOut((font.Style & fsStrikeOut) != 0);
    return q;
}

TFont FromQFont(const QFont& qfont, const TFont& font) {
    TFont f = font;
    // The same face as before keeps its name as written.
    if (qfont.family() != DialogFamily(font.Name)) f.Name = qfont.family().toStdString();
    int points = qfont.pointSize();
    if (points <= 0 && qfont.pointSizeF() > 0)
        points = static_cast<int>(std::lround(qfont.pointSizeF()));
    if (points <= 0 && qfont.pixelSize() > 0)
        points = static_cast<int>(std::lround(qfont.pixelSize() * 72.0 / kScreenPixelsPerInch));
    if (points > 0) f.SetSize(points);
    TFontStyles style = 0;
    if (qfont.bold()) style |= fsBold;
    if (qfont.italic()) style |= fsItalic;
    if (qfont.underline()) style |= fsUnderline;
    if (qfont.strikeOut()) style |= fsStrikeOut;
    f.Style = style;
    return f;
}

QColor RunPlatformColorDialog(QWidget* parent, const QColor& preset) {
    const QColor chosen = QColorDialog::getColor(preset, parent);
    return chosen.isValid() ? chosen : preset;
}

bool RunPlatformFontDialog(QWidget* parent, QFont& font) {
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, font, parent);
    if (ok) font = chosen;
    return ok;
}

// ---------------------------------------------------------------------------

namespace {

QFont BoldFont(QFont f) {
    f.setBold(true);
    return f;
}

// The glyph of a colour button: a swatch of its colour.
QIcon Swatch(TColor color, qreal dpr) {
    const int side = 16;
    QPixmap pm(QSize(side, side) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(96, 96, 96), 1));
    p.setBrush(ToQColor(color));
    p.drawRoundedRect(QRectF(0.5, 0.5, side - 1, side - 1), 2, 2);
    return QIcon(pm);
}

}  // namespace

TFColors::TFColors(QWidget* parent) : QDialog(parent) {
    setObjectName("FColors");
    setWindowTitle("Colors");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(249, 152);

    // The bevel around the two colour buttons.
    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 233, 90);

    BitBtn1 = new QPushButton("Foreground color", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(16, 17, 217, 33);
    BitBtn2 = new QPushButton("Background color", this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(16, 56, 217, 33);
    SpeedButton1 = new QPushButton("OK", this);
    SpeedButton1->setObjectName("SpeedButton1");
    SpeedButton1->setGeometry(74, 108, 101, 36);
    for (QPushButton* b : {BitBtn1, BitBtn2, SpeedButton1}) {
        b->setFont(BoldFont(b->font()));
        b->setAutoDefault(false);
    }
    SpeedButton1->setDefault(true);

    connect(BitBtn1, &QPushButton::clicked, this, &TFColors::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFColors::BitBtn2Click);
    connect(SpeedButton1, &QPushButton::clicked, this, &TFColors::SpeedButton1Click);
    ShowSwatches();
}

void TFColors::SetForeground(TColor color) {
    foreground_ = color;
    ShowSwatches();
}

void TFColors::SetBackground(TColor color) {
    background_ = color;
    ShowSwatches();
}

void TFColors::ShowSwatches() {
    const qreal dpr = devicePixelRatioF();
    BitBtn1->setIcon(Swatch(foreground_, dpr));
    BitBtn2->setIcon(Swatch(background_, dpr));
}

QColor TFColors::RunColorDialog1(const QColor& preset) {
    return ColorDialog1 ? ColorDialog1(this, preset) : RunPlatformColorDialog(this, preset);
}

void TFColors::BitBtn1Click() { SetForeground(FromQColor(RunColorDialog1(ToQColor(foreground_)))); }

void TFColors::BitBtn2Click() { SetBackground(FromQColor(RunColorDialog1(ToQColor(background_)))); }

void TFColors::SpeedButton1Click() { close(); }

void TFColors::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ShowSwatches();  // at the ratio of the screen it opens on
    if (placed_) return;
    placed_ = true;
    // Centred over the window that opened it.
    if (QWidget* p = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(p->window()->frameGeometry().center());
        move(frame.topLeft());
    }
}

// ---------------------------------------------------------------------------

void ToolButton2Click(QWidget* parent, TColor& foreColor, TColor& backColor,
                      const std::function<void()>& repaint,
                      const std::function<void(TFColors&)>& showModal) {
    TFColors dialog(parent);
    dialog.SetForeground(foreColor);
    dialog.SetBackground(backColor);
    if (showModal)
        showModal(dialog);
    else
        dialog.exec();
    // However it was closed (OK or the close box), its colours are taken.
    foreColor = dialog.Foreground();
    backColor = dialog.Background();
    if (repaint) repaint();
}

void ChooseColor(QWidget* parent, TColor& color, const std::function<void()>& repaint,
                 const ColorDialogRunner& run) {
    const QColor preset = ToQColor(color);
    color = FromQColor(run ? run(parent, preset) : RunPlatformColorDialog(parent, preset));
    if (repaint) repaint();
}

void ToolButton3Click(QWidget* parent, TFont& fontDialog1Font, TNerovan& component,
                      std::mutex& componentMutex, const std::function<void()>& repaint,
                      const FontDialogRunner& run) {
    QFont font = ToQFont(fontDialog1Font);
    const bool taken = run ? run(parent, font) : RunPlatformFontDialog(parent, font);
    if (taken) fontDialog1Font = FromQFont(font, fontDialog1Font);
    // Whatever the user did, the component takes FontDialog1's font.
    {
        std::lock_guard<std::mutex> lock(componentMutex);
        component.Font = fontDialog1Font;
    }
    if (repaint) repaint();
}

}  // namespace nerovan
