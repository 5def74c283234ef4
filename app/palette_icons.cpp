// Typesetting the palette's images: the notation is measured and painted on
// a 32-bit bitmap in black on white exactly as the formula component paints
// it, then the darkness of every pixel becomes the opacity of the ink colour.
#include "palette_icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <exception>
#include <string>

#include "bitmap.h"
#include "code_pages.h"
#include "expression.h"
#include "font_engine.h"
#include "metafile.h"
#include "raster_canvas.h"

namespace nerovan {

namespace {

// The largest em of an image (device-independent pixels): a letter of the
// palette stays the size of the text around it.
constexpr int kLargestEm = 21;

// The smallest em (device pixels) at which a letter of the palette still
// reads as that letter; below it a slot's letter is a speck of grey.
constexpr int kLegibleEm = 8;

// Whether a painted text is one letter or digit of the text font: the
// content of a slot (a limit, a body, an entry), not the construct's sign
// (a Symbol glyph, or a word such as lim).
bool IsSlot(const DrawOp& op) {
    return op.Kind == DrawOpKind::Text && op.Text.size() == 1 &&
           std::isalnum(static_cast<unsigned char>(op.Text[0])) &&
           !FontEngine::Instance().Resolve(op.Font).Symbol;
}

// The slot's letter in op replaced by a dark square, half the letter's em
// wide (at least 2 pixels), centred across the letter's ink and on the band
// of the small letters, so the squares of a row of entries line up whatever
// letters they stand for. Solid when small, an outline once large enough
// to show a hollow. Appended to icon.
void AddPlaceholder(const DrawOp& op, DisplayList& icon) {
    const FontHandle h = FontEngine::Instance().Resolve(op.Font);
    const uint8_t c = static_cast<uint8_t>(op.Text[0]), x = 'x';
    const int side = std::max(2, static_cast<int>(std::lround(0.5 * op.Em)));
    const int left = (2 * op.X1 + h.InkLefts[c] + h.InkRights[c] - side) / 2;
    const int top = (2 * op.Y1 + h.InkTops[x] + h.InkBottoms[x] - side) / 2;
    const int frame = side >= 5 ? std::max(1, side / 5) : side;
    const auto fill = [&icon](int l, int t, int r, int b) {
        DrawOp square;
        square.Kind = DrawOpKind::Fill;
        square.Color = clBlack;
        square.Rect = TRect{l, t, r, b};
        icon.Ops.push_back(square);
    };
    fill(left, top, left + side, top + frame);
    fill(left, top + side - frame, left + side, top + side);
    fill(left, top, left + frame, top + side);
    fill(left + side - frame, top, left + side, top + side);
}

// A simpler formula of the same construct for an image whose slots are
// squares: the limit x >> 0 would leave the word lim too small to read.
std::string IconFormula(const std::string& expression) {
    return expression == "lim(x >> 0, 1/x)" ? "lim(x,y)" : expression;
}

// The notation painted at em pixels: the ink of the formula as opacity
// (0 = ground), trimmed to its bounding box. Null when nothing is inked.
// With placeholders, every slot is painted as a dark square instead of its
// letter. smallestSlotEm, when given, gets the em of the smallest slot
// letter (INT_MAX without slots).
QImage PaintInk(const std::string& expression, int em, bool placeholders = false,
                int* smallestSlotEm = nullptr) {
    Bitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    RasterCanvas& canvas = bitmap.Canvas();
    TFont font;
    font.Name = "Times New Roman";
    font.Height = -em;
    canvas.Font = font;
    const TFormulaMetrics m = MeasureExpression(expression, canvas);
    if (m.Width <= 0 || m.Height <= 0) return QImage();
    bitmap.SetSize(m.Width + 4, m.Height + 4);

    // The component's preparation of a pass: background fill, then a clear
    // brush so text leaves what is behind it.
    canvas.Font = font;
    canvas.Font.Color = clBlack;
    canvas.Pen.Color = clBlack;
    canvas.Pen.Width = 1;
    canvas.Pass = LayoutPass{false, clWhite};
    canvas.Brush.Color = clWhite;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(canvas.ClipRect());
    canvas.Brush.Style = TBrushStyle::bsClear;
    DisplayList ops;
    canvas.SetRecorder(&ops);
    PaintExpression(expression, TFormulaOrigin{2, 2}, canvas);
    canvas.SetRecorder(nullptr);
    if (smallestSlotEm) {
        *smallestSlotEm = INT_MAX;
        for (const DrawOp& op : ops.Ops)
            if (IsSlot(op)) *smallestSlotEm = std::min(*smallestSlotEm, op.Em);
    }
    if (placeholders) {
        // The same paint again, the sign and rules as they were and every
        // slot a square where its letter stood.
        DisplayList icon;
        for (const DrawOp& op : ops.Ops) {
            if (IsSlot(op))
                AddPlaceholder(op, icon);
            else
                icon.Ops.push_back(op);
        }
        canvas.Brush.Color = clWhite;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.FillRect(canvas.ClipRect());
        icon.ReplayOn(canvas);
    }

    const int w = bitmap.Width(), h = bitmap.Height();
    int left = w, right = -1, top = h, bottom = -1, peak = 0;
    QImage ink(w, h, QImage::Format_Alpha8);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.ScanLine(y);
        uchar* dst = ink.scanLine(y);
        for (int x = 0; x < w; ++x) {
            // Blue, green, red: the darkest channel is the coverage.
            const int lightest = std::min({src[x * 4], src[x * 4 + 1], src[x * 4 + 2]});
            const int a = 255 - lightest;
            dst[x] = static_cast<uchar>(a);
            peak = std::max(peak, a);
            if (a > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return QImage();
    // Dark ink: at the small sizes of the palette most strokes are thinner
    // than a pixel, and their antialiased pixels are only grey (the darkest
    // may not reach half the full darkness). Every opacity is raised so that
    // half the darkest pixel's darkness becomes fully opaque.
    for (int y = top; y <= bottom; ++y) {
        uchar* row = ink.scanLine(y);
        for (int x = left; x <= right; ++x)
            row[x] = static_cast<uchar>(std::min(255, 2 * 255 * row[x] / peak));
    }
    return ink.copy(left, top, right - left + 1, bottom - top + 1);
}

// The expression's ink at the largest em up to largest whose ink fits
// boxW x boxH, found by halving the range (the ink grows with the em); too
// large even at an em of one pixel, its middle. smallestSlotEm as PaintInk's.
QImage FitInk(const std::string& expression, int boxW, int boxH, int largest, bool placeholders,
              int* smallestSlotEm = nullptr) {
    const auto inBox = [boxW, boxH](const QImage& i) {
        return i.width() <= boxW && i.height() <= boxH;
    };
    QImage ink = PaintInk(expression, largest, placeholders, smallestSlotEm);
    if (inBox(ink)) return ink;
    int fits = 0, tooLarge = largest, slot = INT_MAX;
    while (tooLarge - fits > 1) {
        const int em = (fits + tooLarge) / 2;
        QImage candidate = PaintInk(expression, em, placeholders, &slot);
        if (inBox(candidate)) {
            fits = em;
            if (smallestSlotEm) *smallestSlotEm = slot;
            ink = std::move(candidate);
        } else {
            tooLarge = em;
        }
    }
    if (fits > 0) return ink;
    ink = PaintInk(expression, 1, placeholders, smallestSlotEm);
    return ink.copy((ink.width() - boxW) / 2, (ink.height() - boxH) / 2, boxW, boxH);
}

}  // namespace

QImage TypesetImage(const QString& notation, QSize size, qreal dpr, const QColor& color) {
    if (dpr <= 0) dpr = 1;
    std::string expression, bad;
    if (!Utf8ToCp1251(notation.toStdString(), expression, bad)) return QImage();

    const int boxW = std::max(1, static_cast<int>(std::lround(size.width() * dpr)));
    const int boxH = std::max(1, static_cast<int>(std::lround(size.height() * dpr)));
    const int largest =
        std::max(1, std::min(boxH, static_cast<int>(std::lround(kLargestEm * dpr))));

    // The image is painted at the largest em whose ink fits the box, hinted
    // at the size it is shown: a larger picture scaled down would blur thin
    // strokes grey and shrink scripts and limits to specks. Limits and
    // entries still too small to read are shown as placeholder squares, the
    // construct's sign as typeset: the button reads as the construct rather
    // than as grey specks.
    QImage ink;
    try {
        int smallestSlot = INT_MAX;
        ink = FitInk(expression, boxW, boxH, largest, false, &smallestSlot);
        if (smallestSlot < kLegibleEm)
            ink = FitInk(IconFormula(expression), boxW, boxH, largest, true);
    } catch (const std::exception&) {
        return QImage();  // a notation error: no picture
    }

    QImage image(boxW, boxH, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!ink.isNull()) {
        // The ink in the colour: an opaque fill through the coverage mask.
        QImage tinted(ink.size(), QImage::Format_ARGB32_Premultiplied);
        tinted.fill(color);
        {
            QPainter p(&tinted);
            p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
            p.drawImage(0, 0, ink);
        }
        QPainter p(&image);
        p.drawImage((boxW - ink.width()) / 2, (boxH - ink.height()) / 2, tinted);
    }
    image.setDevicePixelRatio(dpr);
    return image;
}

QList<qreal> PaletteDevicePixelRatios() {
    QList<qreal> ratios{1.0, 2.0};
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal r = screen->devicePixelRatio();
        if (r > 0 && !ratios.contains(r)) ratios << r;
    }
    return ratios;
}

QIcon TypesetIcon(const QString& notation, QSize size, const QColor& color) {
    QIcon icon;
    for (qreal dpr : PaletteDevicePixelRatios()) {
        const QImage image = TypesetImage(notation, size, dpr, color);
        if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QString PaletteTabSample(int tab) {
    switch (tab) {
        case 0: return QStringLiteral(R"(\a\b\g)");      // small Greek letters
        case 1: return QStringLiteral(R"(\G\D\W)");      // capital Greek letters
        case 2: return QStringLiteral(R"(\.a\^a\~a)");   // accents
        case 3: return QStringLiteral("<= = >=");        // relation signs
        case 4: return QStringLiteral("sum(a) int(a)");  // operators and layouts
        case 5: return QStringLiteral(R"(\bb\pm\dd)");   // special symbols
        default: return QString();
    }
}

}  // namespace nerovan
