// Typesetting the palette's images: the notation is measured and painted on
// a 32-bit bitmap in black on white exactly as the formula component paints
// it, then the darkness of every pixel becomes the opacity of the ink colour.
#include "palette_icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "bitmap.h"
#include "code_pages.h"
#include "expression.h"
#include "raster_canvas.h"

namespace nerovan {

namespace {

// The em of the formula's own default font (device-independent pixels): no
// image shows its letters larger than the formula does.
constexpr int kLargestEm = 21;
// Below this em glyphs stop being legible; a construct that does not fit at
// it is drawn at it and scaled down.
constexpr int kSmallestEm = 8;

// The notation painted at em pixels: the ink of the formula as opacity
// (0 = ground), trimmed to its bounding box. Null when nothing is inked.
QImage PaintInk(const std::string& expression, int em) {
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
    canvas.CurrentMulPoint = false;
    canvas.EraseColor = clWhite;
    canvas.Brush.Color = clWhite;
    canvas.Brush.Style = TBrushStyle::bsSolid;
    canvas.FillRect(canvas.ClipRect());
    canvas.Brush.Style = TBrushStyle::bsClear;
    PaintExpression(expression, TFormulaOrigin{2, 2}, canvas);

    const int w = bitmap.Width(), h = bitmap.Height();
    int left = w, right = -1, top = h, bottom = -1;
    QImage ink(w, h, QImage::Format_Alpha8);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.ScanLine(y);
        uchar* dst = ink.scanLine(y);
        for (int x = 0; x < w; ++x) {
            // Blue, green, red: the darkest channel is the coverage.
            const int lightest = std::min({src[x * 4], src[x * 4 + 1], src[x * 4 + 2]});
            const int a = 255 - lightest;
            dst[x] = static_cast<uchar>(a);
            if (a > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) return QImage();
    return ink.copy(left, top, right - left + 1, bottom - top + 1);
}

}  // namespace

QImage TypesetImage(const QString& notation, QSize size, qreal dpr, const QColor& color) {
    if (dpr <= 0) dpr = 1;
    std::string expression, bad;
    if (!Utf8ToCp1251(notation.toStdString(), expression, bad)) return QImage();

    const int boxW = std::max(1, static_cast<int>(std::lround(size.width() * dpr)));
    const int boxH = std::max(1, static_cast<int>(std::lround(size.height() * dpr)));
    const int largest = std::max(1, std::min(boxH, static_cast<int>(std::lround(kLargestEm * dpr))));
    const int smallest = std::max(1, std::min(largest, static_cast<int>(std::lround(kSmallestEm * dpr))));

    QImage ink;
    try {
        // The largest em whose ink fits the box.
        for (int em = largest; em >= smallest; --em) {
            ink = PaintInk(expression, em);
            if (ink.isNull() || (ink.width() <= boxW && ink.height() <= boxH)) break;
        }
    } catch (const std::exception&) {
        return QImage();  // a notation error: no picture
    }
    if (!ink.isNull() && (ink.width() > boxW || ink.height() > boxH))
        ink = ink.scaled(boxW, boxH, Qt::KeepAspectRatio, Qt::SmoothTransformation);

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
    case 0: return QStringLiteral(R"(\a\b\g)");           // small Greek letters
    case 1: return QStringLiteral(R"(\G\D\W)");           // capital Greek letters
    case 2: return QStringLiteral(R"(\.a\^a\~a)");        // accents
    case 3: return QStringLiteral("<= = >=");             // relation signs
    case 4: return QStringLiteral("sum(a) int(a)");       // operators and layouts
    case 5: return QStringLiteral(R"(\bb\pm\dd)");        // special symbols
    default: return QString();
    }
}

}  // namespace nerovan
