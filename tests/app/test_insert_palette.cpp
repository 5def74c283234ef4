// The insert palette on the offscreen platform: its buttons inserting at the
// caret of an expression box, the buttons each tab shows, the table of
// inserted texts, and the buttons' typeset images, shown as drawn in dark ink.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <vector>

#include "expression_box.h"
#include "insert_palette.h"
#include "palette_icons.h"
#include "typeset_check.h"

using namespace nerovan;

namespace {

bool HasInk(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) > 0) return true;
    return false;
}

// The share of an image's inked pixels that are dark (opacity 192 or more),
// and whether some pixel is fully opaque.
double DarkShare(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int inked = 0, dark = 0, darkest = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x) {
            const int a = qAlpha(argb.pixel(x, y));
            inked += a > 0;
            dark += a >= 192;
            darkest = std::max(darkest, a);
        }
    return inked && darkest == 255 ? double(dark) / inked : 0.0;
}

// How many 8-connected pieces of an image's dark ink (opacity 128 or more)
// hold at most two pixels: a letter too small to read falls apart into
// such specks.
int DarkSpecks(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width(), h = argb.height();
    std::vector<char> seen(size_t(w) * h);
    const auto dark = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && !seen[size_t(y) * w + x] &&
               qAlpha(argb.pixel(x, y)) >= 128;
    };
    int specks = 0;
    for (int y0 = 0; y0 < h; ++y0)
        for (int x0 = 0; x0 < w; ++x0) {
            if (!dark(x0, y0)) continue;
            int size = 0;
            std::vector<QPoint> todo{{x0, y0}};
            seen[size_t(y0) * w + x0] = 1;
            while (!todo.empty()) {
                const QPoint p = todo.back();
                todo.pop_back();
                ++size;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (dark(p.x() + dx, p.y() + dy)) {
                            seen[size_t(p.y() + dy) * w + p.x() + dx] = 1;
                            todo.push_back({p.x() + dx, p.y() + dy});
                        }
            }
            specks += size <= 2;
        }
    return specks;
}

// Whether the picture of a button holds the image pixel for pixel, over the
// button's ground, somewhere: the style showed it at the size it was drawn.
bool ShowsImage(const QImage& button, const QImage& image) {
    const QImage shot = button.convertToFormat(QImage::Format_RGB32);
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb ground = shot.pixel(0, 0);
    const auto over = [](int ink, int a, int back) { return (ink * a + back * (255 - a)) / 255; };
    for (int dy = 0; dy + argb.height() <= shot.height(); ++dy)
        for (int dx = 0; dx + argb.width() <= shot.width(); ++dx) {
            bool same = true;
            for (int y = 0; y < argb.height() && same; ++y)
                for (int x = 0; x < argb.width() && same; ++x) {
                    const QRgb i = argb.pixel(x, y), b = shot.pixel(dx + x, dy + y);
                    const int a = qAlpha(i);
                    same = std::abs(qRed(b) - over(qRed(i), a, qRed(ground))) <= 2 &&
                           std::abs(qGreen(b) - over(qGreen(i), a, qGreen(ground))) <= 2 &&
                           std::abs(qBlue(b) - over(qBlue(i), a, qBlue(ground))) <= 2;
                }
            if (same) return true;
        }
    return false;
}

// An expression box with the palette under it, as the window holds them.
struct PaletteHost {
    QWidget window;
    QLineEdit* elsewhere;
    TExpressionBox* box;
    TInsertPalette* palette;

    PaletteHost() {
        auto* column = new QVBoxLayout(&window);
        elsewhere = new QLineEdit(&window);
        box = new TExpressionBox(&window);
        box->setObjectName("ComboBox1");
        palette = new TInsertPalette(box, &window);
        column->addWidget(elsewhere);
        column->addWidget(box);
        column->addWidget(palette);
        window.resize(600, 160);
        window.show();
    }
    // Puts text into the box with the caret at caret and the focus elsewhere.
    void Set(const QString& text, int caret) {
        box->setEditText(text);
        box->lineEdit()->setCursorPosition(caret);
        elsewhere->setFocus();
    }
    void Click(int tab, int button) {
        palette->setCurrentIndex(tab);
        QTest::mouseClick(palette->Button(button), Qt::LeftButton);
    }
    int VisibleButtons() const {
        int n = 0;
        for (int k = 11; k <= 34; ++k) {
            auto* b = palette->findChild<QToolButton*>(QStringLiteral("ToolButton%1").arg(k));
            if (b && b->isVisibleTo(palette)) ++n;
        }
        return n;
    }
};

}  // namespace

class InsertPaletteTest : public QObject {
    Q_OBJECT

private slots:
    void PaletteInsertsAtTheCaret() {
        PaletteHost host;
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        QApplication::setActiveWindow(&host.window);
        QSignalSpy changes(host.box, &QComboBox::editTextChanged);

        host.Set("f(x)", 4);
        changes.clear();
        host.Click(3, 1);
        QCOMPARE(host.box->currentText(), QString("f(x) = "));
        QCOMPARE(host.box->lineEdit()->cursorPosition(), 7);
        QCOMPARE(changes.count(), 1);  // the box's change: the window repaints
        QVERIFY(host.box->lineEdit()->hasFocus());

        host.Set("(a)", 3);
        host.Click(0, 1);
        QCOMPARE(host.box->currentText(), QString("(a) \\a"));
        host.Set("(a)", 0);
        host.Click(0, 1);
        QCOMPARE(host.box->currentText(), QString("\\a(a)"));
        QCOMPARE(host.box->lineEdit()->cursorPosition(), 2);

        host.Set(")", 1);
        host.Click(0, 1);
        QCOMPARE(host.box->currentText(), QString(")\\a"));

        // A selection is replaced; undo brings the old text back.
        host.Set("a+b+c", 0);
        host.box->lineEdit()->setSelection(2, 1);
        host.Click(4, 8);
        QCOMPARE(host.box->currentText(), QString("a+sqrt(a)+c"));
        QCOMPARE(host.box->lineEdit()->cursorPosition(), 9);
        host.box->lineEdit()->undo();
        QCOMPARE(host.box->currentText(), QString("a+b+c"));

        // A button without an entry on the tab does nothing.
        host.Set("x", 1);
        changes.clear();
        host.palette->setCurrentIndex(2);
        host.palette->ToolButtonClick(7);
        QCOMPARE(host.box->currentText(), QString("x"));
        QCOMPARE(changes.count(), 0);
    }

    void ButtonsFollowTheTab() {
        PaletteHost host;
        QVERIFY(QTest::qWaitForWindowExposed(&host.window));
        auto* tabs = host.window.findChild<QTabWidget*>("TabControl1");
        QVERIFY(tabs);
        QCOMPARE(tabs->count(), 6);
        QCOMPARE(tabs->currentIndex(), 0);
        for (int t = 0; t < 6; ++t) QCOMPARE(tabs->tabText(t), QString(" "));
        QVERIFY(host.window.findChild<QToolBar*>("ToolBar2"));
        QCOMPARE(host.VisibleButtons(), 24);

        const int expected[] = {24, 24, 6, 24, 24, 18};
        for (int t : {2, 5, 0, 5, 1, 2, 3, 4, 0}) {
            tabs->setCurrentIndex(t);
            QCOMPARE(host.VisibleButtons(), expected[t]);
            QCOMPARE(host.palette->ImageListTab(), t);
        }
        // The tool bar keeps the tab control's width less 2.
        host.window.resize(700, 160);
        QTRY_COMPARE(host.palette->ToolBar2()->width(), host.palette->width() - 2);
    }

    void ButtonTableAndImages() {
        QCOMPARE(PaletteButtonText(3, 1), QString(" = "));
        QCOMPARE(PaletteButtonText(3, 12), QString(" <-> "));
        QCOMPARE(PaletteButtonText(4, 7), QString("lim(x >> 0, 1/x)"));
        QCOMPARE(PaletteButtonText(4, 19), QString("sys[a,b)"));
        QCOMPARE(PaletteButtonText(0, 16), QString("\\tetha"));
        QCOMPARE(PaletteButtonText(5, 18), QString("~UU"));
        QVERIFY(PaletteButtonText(2, 7).isNull());
        QVERIFY(PaletteButtonText(5, 19).isNull());
        QVERIFY(PaletteButtonText(6, 1).isNull());
        QVERIFY(PaletteButtonText(0, 25).isNull());

        PaletteHost host;
        const QColor ink(0, 0, 0);
        for (int t = 0; t < kPaletteTabs; ++t) {
            host.palette->setCurrentIndex(t);
            for (int k = 1; k <= kPaletteButtons; ++k) {
                const QString text = PaletteButtonText(t, k);
                // The entries of a tab are exactly its visible buttons, and
                // every one is valid notation with a picture.
                QCOMPARE(!text.isNull(), k <= PaletteVisibleButtons(t));
                if (text.isNull()) continue;
                QString error;
                QVERIFY2(Typesets(text, &error), qPrintable(text + ": " + error));
                const QIcon icon = host.palette->Button(k)->icon();
                QVERIFY2(HasInk(icon.pixmap(host.palette->Button(k)->iconSize()).toImage()),
                         qPrintable(text));
            }
            QVERIFY(HasInk(TypesetImage(PaletteTabSample(t), QSize(40, 18), 1, ink)));
        }
        // Drawn at the screen's ratio: twice the pixels at 2, same logical size.
        const QImage two = TypesetImage("\\a", QSize(18, 20), 2, ink);
        QCOMPARE(two.size(), QSize(36, 40));
        QCOMPARE(two.devicePixelRatio(), 2.0);
        QVERIFY(TypesetImage("a)", QSize(18, 20), 1, ink).isNull());  // no notation: no picture
    }

    // Under a style with a thin button frame and one with a wider frame,
    // every button shows its image as it was typeset (a style that scaled it
    // would blur it) and the ink is dark: strokes reach full opacity and at
    // least a third of the inked pixels are dark, small limits and matrix
    // entries included; and no letter falls apart into specks.
    void ButtonImagesAreShownAsTypesetInDarkInk() {
        const QString original = QApplication::style()->name();
        for (const char* style : {"Fusion", "Windows"}) {
            QApplication::setStyle(style);
            PaletteHost host;
            QVERIFY(QTest::qWaitForWindowExposed(&host.window));
            for (int t = 0; t < kPaletteTabs; ++t) {
                host.palette->setCurrentIndex(t);
                for (int k = 1; k <= PaletteVisibleButtons(t); ++k) {
                    QToolButton* b = host.palette->Button(k);
                    const QImage image = b->icon().pixmap(b->iconSize(), 1.0).toImage();
                    const QString what = QString("%1: %2").arg(style, PaletteButtonText(t, k));
                    QVERIFY2(DarkShare(image) >= 1.0 / 3, qPrintable(what));
                    // Limits and entries too small to read are shown as
                    // squares: the only speck left is the dot of lim's i.
                    const bool lim = PaletteButtonText(t, k).startsWith("lim");
                    QVERIFY2(DarkSpecks(image) <= (lim ? 1 : 0), qPrintable(what));
                    QVERIFY2(ShowsImage(b->grab().toImage(), image), qPrintable(what));
                }
            }
        }
        QApplication::setStyle(original);
    }
};

QTEST_MAIN(InsertPaletteTest)
#include "test_insert_palette.moc"
