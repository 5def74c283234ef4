// Every image is drawn in a 32 x 32 logical square with antialiasing; the
// pixmap's device pixel ratio makes the painter draw at the screen's scale,
// so the images stay crisp on high-density screens.
#include "toolbar_icons.h"

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>
#include <QSet>
#include <QtMath>

#include <algorithm>

namespace nerovan {

namespace {

// The colours of one form: the hot form uses them as they are, the normal
// form softens them (less saturation, a little lighter), as flat tool bars
// show their buttons until the mouse comes over them.
class Tones {
public:
    explicit Tones(bool hot) : hot_(hot) {}
    QColor operator()(QColor c) const {
        if (hot_) return c;
        float h, s, v, a;
        c.getHsvF(&h, &s, &v, &a);
        return QColor::fromHsvF(h, s * 0.45f, std::min(1.0f, v * 0.92f + 0.08f), a);
    }

private:
    bool hot_;
};

QPen OutlinePen(QColor c, qreal width = 1.0) {
    QPen pen(c, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

// A glyph as a filled path, centred in the rectangle.
void DrawGlyph(QPainter& p, const QString& text, const QFont& font, const QRectF& box,
               const QBrush& fill, const QPen& outline) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF r = path.boundingRect();
    path.translate(box.center() - r.center());
    p.setPen(outline);
    p.setBrush(fill);
    p.drawPath(path);
}

void DrawSave(QPainter& p, const Tones& t) {
    // A floppy disk: blue body, metal shutter with its slot, white label.
    QPainterPath body;
    body.moveTo(4.5, 3.5);
    body.lineTo(25.5, 3.5);
    body.lineTo(28.5, 6.5);
    body.lineTo(28.5, 28.5);
    body.lineTo(4.5, 28.5);
    body.closeSubpath();
    QLinearGradient g(0, 3, 0, 29);
    g.setColorAt(0, t(QColor(0x3c, 0x7a, 0xd4)));
    g.setColorAt(1, t(QColor(0x1f, 0x4f, 0x9e)));
    p.setPen(OutlinePen(t(QColor(0x15, 0x36, 0x70))));
    p.setBrush(g);
    p.drawPath(body);

    p.setPen(OutlinePen(t(QColor(0x7d, 0x86, 0x93))));
    p.setBrush(t(QColor(0xdc, 0xe1, 0xe8)));
    p.drawRect(QRectF(9.5, 3.5, 13, 9));
    p.setPen(Qt::NoPen);
    p.setBrush(t(QColor(0x2a, 0x5c, 0xb0)));
    p.drawRect(QRectF(18, 5, 3, 6));

    p.setPen(OutlinePen(t(QColor(0x9a, 0xa4, 0xb2))));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.5, 16.5, 18, 12));
    p.setPen(OutlinePen(t(QColor(0xa8, 0xb4, 0xc4))));
    p.drawLine(QPointF(10, 20.5), QPointF(23, 20.5));
    p.drawLine(QPointF(10, 24.5), QPointF(20, 24.5));
}

void DrawColors(QPainter& p, const Tones& t) {
    // A painter's palette with its thumb hole and five paints.
    QPainterPath board;
    board.addEllipse(QRectF(2, 5, 28, 22));
    QPainterPath hole;
    hole.addEllipse(QPointF(9.5, 19.5), 2.6, 2.6);
    QPainterPath notch;
    notch.addEllipse(QPointF(5, 25), 3.2, 2.6);
    board = board.subtracted(hole).subtracted(notch);
    QLinearGradient g(0, 5, 0, 27);
    g.setColorAt(0, t(QColor(0xf0, 0xc8, 0x86)));
    g.setColorAt(1, t(QColor(0xd0, 0x98, 0x50)));
    p.setPen(OutlinePen(t(QColor(0x8a, 0x5a, 0x22))));
    p.setBrush(g);
    p.drawPath(board);

    struct Blob {
        QPointF c;
        QColor color;
    };
    const Blob blobs[] = {
        {{10.5, 11.5}, QColor(0xe0, 0x2c, 0x2c)}, {{17, 9.5}, QColor(0xf5, 0xc4, 0x00)},
        {{23.5, 12}, QColor(0x2e, 0xa0, 0x43)},   {{24, 19}, QColor(0x2d, 0x6f, 0xd6)},
        {{17.5, 21}, QColor(0x9b, 0x4f, 0xc9)},
    };
    for (const Blob& b : blobs) {
        p.setPen(OutlinePen(t(b.color.darker(150))));
        p.setBrush(t(b.color));
        p.drawEllipse(b.c, 3.0, 2.7);
    }
}

void DrawFont(QPainter& p, const Tones& t) {
    // A large serif capital with a smaller italic letter beside it.
    QFont big("Serif");
    big.setPixelSize(27);
    big.setBold(true);
    big.setStyleStrategy(QFont::PreferAntialias);
    DrawGlyph(p, "A", big, QRectF(0, 1, 23, 28), t(QColor(0x1d, 0x3f, 0x8f)), Qt::NoPen);
    QFont small("Serif");
    small.setPixelSize(16);
    small.setItalic(true);
    small.setBold(true);
    DrawGlyph(p, "a", small, QRectF(19, 15, 13, 14), t(QColor(0xc8, 0x28, 0x28)), Qt::NoPen);
    p.setPen(OutlinePen(t(QColor(0xc8, 0x28, 0x28)), 1.5));
    p.drawLine(QPointF(3, 30), QPointF(29, 30));
}

void DrawParameters(QPainter& p, const Tones& t) {
    // A gear with eight teeth and a hole in the middle.
    const QPointF c(16, 16);
    const int teeth = 8;
    const qreal outer = 14.5, root = 10.8;
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = 2 * M_PI * i / teeth;
        const qreal step = 2 * M_PI / teeth;
        const qreal angles[4] = {a - step * 0.30, a - step * 0.17, a + step * 0.17,
                                 a + step * 0.30};
        const qreal radii[4] = {root, outer, outer, root};
        for (int k = 0; k < 4; ++k) {
            const QPointF pt(c.x() + radii[k] * std::cos(angles[k]),
                             c.y() + radii[k] * std::sin(angles[k]));
            if (i == 0 && k == 0)
                gear.moveTo(pt);
            else
                gear.lineTo(pt);
        }
        const qreal next = a + step * 0.70;
        gear.lineTo(c.x() + root * std::cos(next), c.y() + root * std::sin(next));
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 4.2, 4.2);
    gear = gear.subtracted(hole);
    QRadialGradient g(QPointF(12, 11), 18);
    g.setColorAt(0, t(QColor(0x9f, 0xb4, 0xd0)));
    g.setColorAt(1, t(QColor(0x4a, 0x62, 0x86)));
    p.setPen(OutlinePen(t(QColor(0x2c, 0x3c, 0x56))));
    p.setBrush(g);
    p.drawPath(gear);
    p.setPen(OutlinePen(t(QColor(0x2c, 0x3c, 0x56)), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 7.2, 7.2);
}

void DrawClipboard(QPainter& p, const Tones& t) {
    // A clipboard with a sheet on it and the metal clip at the top.
    p.setPen(OutlinePen(t(QColor(0x7a, 0x4a, 0x1c))));
    QLinearGradient g(0, 4, 0, 30);
    g.setColorAt(0, t(QColor(0xc9, 0x8a, 0x48)));
    g.setColorAt(1, t(QColor(0xa8, 0x6a, 0x2c)));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(5.5, 4.5, 21, 26), 2.5, 2.5);

    p.setPen(OutlinePen(t(QColor(0x9a, 0xa0, 0xa8))));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8.5, 8.5, 15, 19));

    p.setPen(OutlinePen(t(QColor(0x2d, 0x5f, 0xb4)), 1.4));
    p.drawLine(QPointF(11, 14), QPointF(21, 14));
    p.drawLine(QPointF(11, 18), QPointF(19, 18));
    p.drawLine(QPointF(11, 22), QPointF(21, 22));
    p.drawLine(QPointF(11, 25.5), QPointF(17, 25.5));

    p.setPen(OutlinePen(t(QColor(0x5c, 0x63, 0x6d))));
    QLinearGradient m(0, 2, 0, 9);
    m.setColorAt(0, t(QColor(0xe8, 0xec, 0xf0)));
    m.setColorAt(1, t(QColor(0xa4, 0xac, 0xb6)));
    p.setBrush(m);
    p.drawRoundedRect(QRectF(11.5, 2.5, 9, 6), 1.5, 1.5);
    p.setBrush(t(QColor(0x5c, 0x63, 0x6d)));
    p.drawEllipse(QPointF(16, 4.6), 1.1, 1.1);
}

void DrawHelp(QPainter& p, const Tones& t) {
    // A blue disc with a white question mark.
    QRadialGradient g(QPointF(12, 10), 20);
    g.setColorAt(0, t(QColor(0x6c, 0xb2, 0xf5)));
    g.setColorAt(1, t(QColor(0x1d, 0x5c, 0xb6)));
    p.setPen(OutlinePen(t(QColor(0x16, 0x44, 0x8c))));
    p.setBrush(g);
    p.drawEllipse(QRectF(2.5, 2.5, 27, 27));
    QFont f("Sans Serif");
    f.setPixelSize(22);
    f.setBold(true);
    DrawGlyph(p, "?", f, QRectF(2, 3, 28, 27), Qt::white, Qt::NoPen);
}

void DrawImage(QPainter& p, ToolImage image, bool hot) {
    const Tones t(hot);
    switch (image) {
        case ToolImage::Save: DrawSave(p, t); break;
        case ToolImage::Colors: DrawColors(p, t); break;
        case ToolImage::Font: DrawFont(p, t); break;
        case ToolImage::Parameters: DrawParameters(p, t); break;
        case ToolImage::Clipboard: DrawClipboard(p, t); break;
        case ToolImage::Help: DrawHelp(p, t); break;
    }
}

// The ratios to draw at: 1 and 2 always, and every screen's own ratio.
QList<qreal> DrawingRatios() {
    QList<qreal> ratios{1.0, 2.0};
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (const QScreen* s : QGuiApplication::screens()) {
            const qreal r = s->devicePixelRatio();
            if (!ratios.contains(r)) ratios.append(r);
        }
    }
    return ratios;
}

QPixmap ProgramPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A blue tile with a white summation sign and a small root over x.
    QLinearGradient g(0, 0, 0, 32);
    g.setColorAt(0, QColor(0x3d, 0x85, 0xe0));
    g.setColorAt(1, QColor(0x1a, 0x4a, 0x9c));
    p.setPen(QPen(QColor(0x12, 0x36, 0x74), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1.5, 1.5, 29, 29), 6, 6);
    QPen pen(Qt::white, 2.6);
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPolygonF sigma;
    sigma << QPointF(19, 8) << QPointF(7, 8) << QPointF(13.5, 16) << QPointF(7, 24)
          << QPointF(19, 24);
    p.drawPolyline(sigma);
    QPen thin(QColor(0xff, 0xd8, 0x4a), 1.6);
    thin.setJoinStyle(Qt::RoundJoin);
    p.setPen(thin);
    QPolygonF root;
    root << QPointF(19.5, 19) << QPointF(21, 18) << QPointF(23, 23.5) << QPointF(25.5, 13.5)
         << QPointF(29, 13.5);
    p.drawPolyline(root);
    return pm;
}

}  // namespace

QPixmap ToolBarPixmap(ToolImage image, bool hot, qreal devicePixelRatio) {
    const int side = qCeil(kToolImageSize * devicePixelRatio);
    QPixmap pm(side, side);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    DrawImage(p, image, hot);
    return pm;
}

QIcon ToolBarIcon(ToolImage image) {
    QIcon icon;
    for (qreal ratio : DrawingRatios()) {
        icon.addPixmap(ToolBarPixmap(image, false, ratio), QIcon::Normal);
        icon.addPixmap(ToolBarPixmap(image, true, ratio), QIcon::Active);
    }
    return icon;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ProgramPixmap(size));
    return icon;
}

}  // namespace nerovan
