// The insert palette and the small dialogs on the offscreen platform: the
// insert rule and its application to the expression box, the buttons each tab
// shows and their typeset images, the palette's check item across a restart,
// the parameters dialog and its command (hot key off while open, registered
// again after), the colours dialog and the colour and font commands, the
// about box, and the help document with its window.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <mutex>
#include <vector>

#include "about_box.h"
#include "bitmap.h"
#include "code_pages.h"
#include "colors_dialog.h"
#include "component.h"
#include "expression.h"
#include "expression_box.h"
#include "help_window.h"
#include "hot_key.h"
#include "insert_palette.h"
#include "insert_snippet.h"
#include "main_window.h"
#include "palette_icons.h"
#include "params_dialog.h"
#include "raster_canvas.h"

using namespace nerovan;

namespace {

// Whether the notation typesets without a notation error.
bool Typesets(const QString& notation, QString* error = nullptr) {
    std::string bytes, bad;
    if (!Utf8ToCp1251(notation.toStdString(), bytes, bad)) {
        if (error) *error = "not Windows-1251: " + QString::fromStdString(bad);
        return false;
    }
    Bitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf32bit);
    try {
        MeasureExpression(bytes, bitmap.Canvas());
        return true;
    } catch (const std::exception& e) {
        if (error) *error = QString::fromStdString(Cp1251ToUtf8(e.what()));
        return false;
    }
}

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
        return x >= 0 && y >= 0 && x < w && y < h && !seen[size_t(y) * w + x] && qAlpha(argb.pixel(x, y)) >= 128;
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

QString HelpPath() { return QFINDTESTDATA("../../help/NerovanHelp.html"); }

QString ReadHelp() {
    QFile f(HelpPath());
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

QString UnescapeHtml(QString s) {
    s.replace("&lt;", "<").replace("&gt;", ">").replace("&nbsp;", " ").replace("&quot;", "\"");
    return s.replace("&amp;", "&");
}

}  // namespace

class PaletteDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // --- The insert rule ---------------------------------------------------
    void SnippetRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("begins with a blank") << "f(x)" << 4 << 0 << " = " << "f(x) = " << 7;
        QTest::newRow("after )") << "(a)" << 3 << 0 << "\\a" << "(a) \\a" << 6;
        QTest::newRow("after ]") << "[a]" << 3 << 0 << "x" << "[a] x" << 5;
        QTest::newRow("after }") << "{a}" << 3 << 0 << "x" << "{a} x" << 5;
        QTest::newRow("at the start") << "(a)" << 0 << 0 << "\\a" << "\\a(a)" << 2;
        QTest::newRow("one character") << ")" << 1 << 0 << "\\a" << ")\\a" << 3;
        QTest::newRow("no bracket") << "ab" << 2 << 0 << "\\a" << "ab\\a" << 4;
        QTest::newRow("inside") << "f(x)+y" << 4 << 0 << "\\b" << "f(x) \\b+y" << 7;
        QTest::newRow("selection") << "a+b+c" << 2 << 1 << "x" << "a+x+c" << 3;
        QTest::newRow("selection after )") << "(a)bc" << 3 << 2 << "\\b" << "(a) \\b" << 6;
        QTest::newRow("empty box") << "" << 0 << 0 << "sum(a)" << "sum(a)" << 6;
        QTest::newRow("beyond the end") << "(a)" << 99 << 5 << "x" << "(a) x" << 5;
    }
    void SnippetRule() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, snippet);
        QFETCH(QString, result);
        QFETCH(int, caret);
        const SnippetEdit e = InsertSnippet(text, selStart, selLength, snippet);
        QCOMPARE(e.Text, result);
        QCOMPARE(e.Caret, caret);
    }

    // --- The palette on an expression box -------------------------------------
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

    void PaletteHiddenAfterRestart() {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Nerovan.Ini");
        {
            TNerovan1 w(ini);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            auto* item = w.findChild<QAction*>("Hintbar1");
            auto* palette = w.findChild<QWidget*>("TabControl1");
            QVERIFY(item && palette);
            QVERIFY(item->isChecked());
            QVERIFY(palette->isVisible());
            item->trigger();
            QVERIFY(!item->isChecked());
            QVERIFY(!palette->isVisible());
            w.close();
        }
        TNerovan1 again(ini);
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(!again.findChild<QAction*>("Hintbar1")->isChecked());
        QVERIFY(!again.findChild<QWidget*>("TabControl1")->isVisible());
        again.findChild<QAction*>("Hintbar1")->trigger();
        QVERIFY(again.findChild<QWidget*>("TabControl1")->isVisible());
        again.close();
    }

    // --- The parameters dialog ----------------------------------------------
    void ParamsControls() {
        TFParams d;
        QCOMPARE(d.windowTitle(), QString("Parameters"));
        QCOMPARE(d.findChild<QGroupBox*>("RadioGroup1")->title(), QString("Copy as picture"));
        QCOMPARE(d.findChild<QRadioButton*>("RadioGroup1Item0")->text(),
                 QString("In EMF (Enhanced Metafile Format)"));
        QCOMPARE(d.findChild<QRadioButton*>("RadioGroup1Item1")->text(), QString("In BMP (Bitmap)"));
        QCOMPARE(d.ItemIndex(), 1);
        auto* label1 = d.findChild<QLabel*>("Label1");
        auto* label4 = d.findChild<QLabel*>("Label4");
        QCOMPARE(label1->text(),
                 QString("EMF format allows to scale your picture without loss of quality. Copying as \r\n"
                         "EMF is especially useful if you'd like to export formulas to the documents of \r\n"
                         "Microsoft Word. The expression will be saved in description of the file ."));
        QCOMPARE(label4->text().split("\r\n").size(), 4);
        QVERIFY(label4->text().startsWith("This  useful  with  working  in  MS Frontpage  or graphical "
                                          "editors.  Use  large \r\nfonts"));
        QCOMPARE(label1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(!label1->isVisibleTo(&d));
        QVERIFY(label4->isVisibleTo(&d));
        QCOMPARE(d.findChild<QGroupBox*>("GroupBox2")->title(), QString("Hot Key"));
        QCOMPARE(d.findChild<QLabel*>("Label3")->text(), QString("Hot key is used for a call the Nerovan."));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox2")->text(), QString("Shift + "));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox1")->text(), QString("Ctrl + "));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox3")->text(), QString("Alt + "));
        QVERIFY(d.findChild<QCheckBox*>("CheckBox1")->isChecked());
        QVERIFY(d.findChild<QCheckBox*>("CheckBox2")->isChecked());
        QVERIFY(!d.findChild<QCheckBox*>("CheckBox3")->isChecked());
        QCOMPARE(d.findChild<QLineEdit*>("Edit2")->text(), QString("F"));
        QCOMPARE(d.findChild<QCheckBox*>("pmul")->text(), QString("Paint the point of multiplication"));
        QCOMPARE(d.findChild<QCheckBox*>("CBlur")->text(), QString("Blur bitmap"));
        QCOMPARE(d.findChild<QPushButton*>("BitBtn1")->text(), QString("OK"));

        // The two explanations swap with the choice.
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        // On the button's circle: the buttons are as wide as their group.
        auto* emf = d.findChild<QRadioButton*>("RadioGroup1Item0");
        auto* bmp = d.findChild<QRadioButton*>("RadioGroup1Item1");
        QTest::mouseClick(emf, Qt::LeftButton, {}, QPoint(6, emf->height() / 2));
        QCOMPARE(d.ItemIndex(), 0);
        QVERIFY(label1->isVisible());
        QVERIFY(!label4->isVisible());
        QTest::mouseClick(bmp, Qt::LeftButton, {}, QPoint(6, bmp->height() / 2));
        QCOMPARE(d.ItemIndex(), 1);
        QVERIFY(!label1->isVisible());
        QVERIFY(label4->isVisible());
        d.close();
    }

    void ModifierBoxesKeepOneChecked() {
        TFParams d;
        d.LoadValues(ProgramSettings{});
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* ctrl = d.findChild<QCheckBox*>("CheckBox1");
        auto* shift = d.findChild<QCheckBox*>("CheckBox2");
        auto* alt = d.findChild<QCheckBox*>("CheckBox3");
        QVERIFY(ctrl->isEnabled() && shift->isEnabled() && alt->isEnabled());

        QTest::mouseClick(ctrl, Qt::LeftButton);
        QVERIFY(!ctrl->isChecked());
        QVERIFY(!shift->isEnabled());  // the only checked box
        QVERIFY(alt->isEnabled());
        QTest::mouseClick(shift, Qt::LeftButton);  // cannot be unchecked
        QVERIFY(shift->isChecked());

        QTest::mouseClick(alt, Qt::LeftButton);
        QVERIFY(ctrl->isEnabled() && shift->isEnabled());
        QTest::mouseClick(shift, Qt::LeftButton);
        QVERIFY(!alt->isEnabled());  // now Alt is the last one
        QVERIFY(ctrl->isEnabled());
        d.close();

        // Loading runs the same rule: Ctrl alone is disabled.
        TFParams loaded;
        ProgramSettings ctrlOnly;
        ctrlOnly.HotKeyShift = false;
        loaded.LoadValues(ctrlOnly);
        QVERIFY(!loaded.findChild<QCheckBox*>("CheckBox1")->isEnabled());
        QVERIFY(loaded.findChild<QCheckBox*>("CheckBox2")->isEnabled());

        // A settings file without modifiers leaves every box free to choose.
        TFParams none;
        ProgramSettings noModifier;
        noModifier.HotKeyShift = noModifier.HotKeyCtrl = false;
        none.LoadValues(noModifier);
        for (const char* name : {"CheckBox1", "CheckBox2", "CheckBox3"}) {
            QVERIFY(!none.findChild<QCheckBox*>(name)->isChecked());
            QVERIFY(none.findChild<QCheckBox*>(name)->isEnabled());
        }
    }

    void KeyFieldTakesOneLetter() {
        TFParams d;
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* edit = d.findChild<QLineEdit*>("Edit2");
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_G, Qt::NoModifier);
        QCOMPARE(edit->text(), QString("G"));
        QTest::keyClick(edit, Qt::Key_5);
        QCOMPARE(edit->text(), QString("G"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString("G"));
        QTest::keyClicks(edit, "x ");
        QCOMPARE(edit->text(), QString("X"));
        QApplication::clipboard()->setText("abc");
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(edit->text(), QString("X"));
        // Delete still empties the field, which gives the letter F.
        edit->setCursorPosition(0);
        QTest::keyClick(edit, Qt::Key_Delete);
        QCOMPARE(edit->text(), QString());
        QCOMPARE(HotKeyLetterFromEdit(edit->text()), 'F');
        QCOMPARE(HotKeyLetterFromEdit("g"), 'F');
        QCOMPARE(HotKeyLetterFromEdit("Q"), 'Q');
        d.close();
    }

    void ParametersUnchangedRepaintsOnceAndRegistersAgain() {
        TNerovan component;
        std::mutex mutex;
        component.EMFPaint = false;
        component.MulPoint = false;
        ProgramSettings values;
        QStringList steps;
        ProgramSettings registered;
        ParametersSteps s;
        s.UnregisterHotKey = [&] { steps << "unregister"; };
        s.RegisterProgramHotKey = [&](const ProgramSettings& v) {
            steps << "register";
            registered = v;
        };
        s.ApplyPainterSwitches = [&](const ProgramSettings& v) {
            ApplyPainterSwitches(v, component, mutex);
        };
        s.Repaint = [&] { steps << "repaint"; };
        s.ShowModal = [&](TFParams& d) {
            steps << "open";
            d.show();
            d.close();  // the close box
        };
        Parameters1Click(nullptr, values, s);
        QCOMPARE(steps, QStringList({"unregister", "open", "repaint", "register"}));
        QVERIFY(registered.HotKeyCtrl && registered.HotKeyShift && !registered.HotKeyAlt);
        QCOMPARE(registered.HotKeyLetter, 'F');
        QVERIFY(!component.EMFPaint && !component.MulPoint && !component.BlurBitmap);
    }

    void ParametersTakeTheDialogsState() {
        TNerovan component;
        std::mutex mutex;
        component.EMFPaint = false;
        component.MulPoint = false;
        ProgramSettings values;
        // Off X11 the hot key registers nothing; on X11 it is really grabbed.
        const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
        GlobalHotKey hotKey;
        QCOMPARE(hotKey.Register(kHotKeyCtrl | kHotKeyShift, 'F'), x11);
        QStringList captions;
        int repaints = 0;
        Parameters1Click(
            nullptr, hotKey, values, component, mutex, [&] { ++repaints; },
            [&](const QString& c) { captions << c; },
            [&](TFParams& d) {
                QVERIFY(!hotKey.IsRegistered());  // off while the dialog is open
                // The dialog shows the switches of the values.
                QCOMPARE(d.ItemIndex(), 1);
                QVERIFY(!d.findChild<QCheckBox*>("pmul")->isChecked());
                d.show();
                auto* edit = d.findChild<QLineEdit*>("Edit2");
                edit->setFocus();
                QTest::keyClick(edit, Qt::Key_G);
                d.findChild<QRadioButton*>("RadioGroup1Item0")->setChecked(true);
                d.findChild<QCheckBox*>("pmul")->setChecked(true);
                d.findChild<QCheckBox*>("CBlur")->setChecked(true);
                d.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
                QTest::mouseClick(d.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
            });
        QCOMPARE(repaints, 1);
        QCOMPARE(values.HotKeyLetter, 'G');
        QVERIFY(values.HotKeyAlt && values.HotKeyCtrl && values.HotKeyShift);
        QCOMPARE(captions, QStringList({"Paste, paint and restore   Ctrl+Shift+Alt+G"}));
        QCOMPARE(hotKey.IsRegistered(), x11);
        QVERIFY(component.EMFPaint && component.MulPoint && component.BlurBitmap);
        QVERIFY(values.EMFPaint && values.MulPoint && values.BlurBitmap);
    }

    // --- Colours and font -----------------------------------------------------
    void ColorsDialog() {
        TFColors d;
        QCOMPARE(d.windowTitle(), QString("Colors"));
        auto* fore = d.findChild<QPushButton*>("BitBtn1");
        auto* back = d.findChild<QPushButton*>("BitBtn2");
        auto* ok = d.findChild<QPushButton*>("SpeedButton1");
        QCOMPARE(fore->text(), QString("Foreground color"));
        QCOMPARE(back->text(), QString("Background color"));
        QCOMPARE(ok->text(), QString("OK"));
        QVERIFY(fore->font().bold() && ok->font().bold());

        TColor foreColor = clBlack, backColor = clWhite;
        int repaints = 0;
        QList<QColor> presets;
        ToolButton2Click(
            nullptr, foreColor, backColor, [&] { ++repaints; },
            [&](TFColors& c) {
                c.ColorDialog1 = [&](QWidget*, const QColor& preset) {
                    presets << preset;
                    return presets.size() == 1 ? QColor(200, 10, 20) : preset;  // then cancelled
                };
                c.show();
                QTest::mouseClick(c.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
                QTest::mouseClick(c.findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
                c.close();  // by the close box: the colours stay
            });
        QCOMPARE(presets, QList<QColor>({QColor(0, 0, 0), QColor(255, 255, 255)}));
        QCOMPARE(foreColor, RGB(200, 10, 20));
        QCOMPARE(backColor, clWhite);
        QCOMPARE(repaints, 1);

        TColor color = RGB(1, 2, 3);
        ChooseColor(nullptr, color, [&] { ++repaints; },
                    [](QWidget*, const QColor& preset) {
                        return preset == QColor(1, 2, 3) ? QColor(0, 0, 255) : preset;
                    });
        QCOMPARE(color, RGB(0, 0, 255));
        QCOMPARE(repaints, 2);
    }

    void FontCommandRepaintsWhateverTheUserDid() {
        TNerovan component;
        std::mutex mutex;
        TFont stored;  // a font of FontDialog1: Times New Roman, -21
        stored.Height = -21;
        component.Font.Height = -40;  // something else until the command
        int repaints = 0;
        QFont shown;
        ToolButton3Click(nullptr, stored, component, mutex, [&] { ++repaints; },
                         [&](QWidget*, QFont& f) {
                             shown = f;
                             return false;  // cancelled
                         });
        // The dialog shows a face the system has (the one drawn for the
        // name), at the size of the formula.
        QVERIFY2(QFontDatabase::hasFamily(shown.family()), qPrintable(shown.family()));
        QCOMPARE(shown.pointSize(), 16);
        QCOMPARE(repaints, 1);
        QCOMPARE(stored.Height, -21);
        QVERIFY(component.Font == stored);

        // OK without a change keeps the font as it was, name included.
        ToolButton3Click(nullptr, stored, component, mutex, [&] { ++repaints; },
                         [](QWidget*, QFont&) { return true; });
        QCOMPARE(stored.Name, std::string("Times New Roman"));
        QCOMPARE(stored.Height, -21);
        QCOMPARE(stored.Style, TFontStyles(0));

        ToolButton3Click(nullptr, stored, component, mutex, [&] { ++repaints; },
                         [](QWidget*, QFont& f) {
                             f.setFamily("DejaVu Serif");
                             f.setPointSize(20);
                             f.setBold(true);
                             return true;
                         });
        QCOMPARE(repaints, 3);
        QCOMPARE(stored.Name, std::string("DejaVu Serif"));
        QCOMPARE(stored.Height, -27);
        QCOMPARE(stored.Style, fsBold);
        QVERIFY(component.Font == stored);
    }

    // --- About ------------------------------------------------------------------
    void AboutBox() {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QString("About"));
        QCOMPARE(box.size(), QSize(405, 228));
        auto* name = box.findChild<QLabel*>("ProductName");
        QCOMPARE(name->text(), QString("Nerovan"));
        QVERIFY(name->font().bold());
        QCOMPARE(name->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(box.findChild<QLabel*>("Version")->text(), QString("Version 1.2"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(!box.findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
        QTest::mouseClick(box.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    // --- Help -------------------------------------------------------------------
    void HelpExamplesTypesetAndPicturesExist() {
        const QString html = ReadHelp();
        QVERIFY2(!html.isEmpty(), "help/NerovanHelp.html not found");
        QRegularExpression example("<code class=\"ex\">(.*?)</code>");
        int count = 0;
        for (auto it = example.globalMatch(html); it.hasNext();) {
            const QString text = UnescapeHtml(it.next().captured(1));
            QString error;
            QVERIFY2(Typesets(text, &error), qPrintable(text + ": " + error));
            ++count;
        }
        QVERIFY(count > 50);
        const QDir helpDir = QFileInfo(HelpPath()).dir();
        QRegularExpression image("<img src=\"([^\"]+)\"");
        for (auto it = image.globalMatch(html); it.hasNext();) {
            const QString src = it.next().captured(1);
            QVERIFY2(QFileInfo(helpDir.filePath(src)).isFile(), qPrintable(src));
        }
    }

    void HelpCoversTheNotation() {
        const QString html = UnescapeHtml(ReadHelp());
        QStringList code;
        QRegularExpression element("<code[^>]*>(.*?)</code>");
        for (auto it = element.globalMatch(html); it.hasNext();) code << it.next().captured(1);
        const QString all = code.join('\n');
        // Every relation sign, keyword, special sign and accent is shown.
        for (const char* sign : {"<=", ">=", "<>", "<=>", "<->", ">>", "==", "=>", "=<", "=~", "~~",
                                 "~A", "~E", "~U", "~UU", "~c", "~c=", "~cc", "~d", "~d=", "~e",
                                 "~ee"})
            QVERIFY2(code.contains(sign), sign);
        for (const char* keyword : {"sum(", "mul(", "int(", "int2(", "int3(", "int0(", "int20(",
                                    "int30(", "lim(", "inf(", "sqrt(", "root(", "mat22", "det22",
                                    "sys(", "sys[", "small(", "bold(", "abli("})
            QVERIFY2(all.contains(keyword), keyword);
        for (const char* name : {"\\ww", "\\vv", "\\dd", "\\xx", "\\pm", "\\oo", "\\omc", "\\YY",
                                 "\\BB", "\\bb", "\\ff", "\\HH", "\\TT", "\\RR", "\\PP", "\\ox",
                                 "\\oxx", "\\OO", "\\LL", "\\.x", "\\:x", "\\-x", "\\~n", "\\^x",
                                 "\\0a", "\\alpha", "\\omline", "\\psi"})
            QVERIFY2(all.contains(name), name);
    }

    void HelpWindowShowsContents() {
        THelpWindow help(HelpPath());
        QVERIFY(help.Loaded());
        const QStringList titles = help.ContentsTitles();
        for (const char* t : {"The notation", "Greek letters", "Accents", "The insert palette",
                              "The hot key and the tray", "Files", "Settings"})
            QVERIFY2(titles.contains(t), t);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QVERIFY(help.ShowTopic("Keys"));
        QTRY_VERIFY(help.Browser()->verticalScrollBar()->value() > 0);
        help.ShowContents();
        QCOMPARE(help.Browser()->verticalScrollBar()->value(), 0);
        QVERIFY(!help.ShowTopic("No such topic"));

        THelpWindow missing(QDir::temp().filePath("no-such-help.html"));
        QVERIFY(!missing.Loaded());
    }
};

QTEST_MAIN(PaletteDialogsTest)
#include "test_palette_dialogs.moc"
