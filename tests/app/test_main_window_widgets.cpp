// The main window's controls on the offscreen platform: the picture that
// never takes the keyboard from the expression box, Image1 kept centred in
// ScrollBox1, and the texts of the menu and the tool bar.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "bitmap.h"
#include "picture_image.h"
#include "window_fixture.h"

using namespace nerovan;

class MainWindowWidgetsTest : public WindowTest {
    Q_OBJECT

private slots:
    void ClickingThePictureLeavesTheKeyboardInTheBox() {
        TestWindow w(NewSettings());
        ShowAndType(w, "x");
        QWidget* const clicked[] = {Image(w), Scroll(w)->viewport(), Scroll(w)->widget(),
                                    Scroll(w)};
        for (QWidget* target : clicked) {
            Box(w)->setFocus();
            QTRY_VERIFY(Box(w)->lineEdit()->hasFocus());
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
            QVERIFY2(Box(w)->lineEdit()->hasFocus(), qPrintable(target->objectName()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
        }
        QCOMPARE(w.ExpressionText(), QString("x++++"));
    }

    // On a screen of two device pixels per pixel (QT_SCALE_FACTOR=2, as the
    // second run of this test sets it) the picture shows with twice the
    // pixels, drawn one for one, in both picture kinds; at one there is no
    // second picture. What is copied keeps its own size.
    void PictureIsAsSharpAsTheScreen() {
        TestWindow w(NewSettings());
        ShowAndType(w, "sum(i=1,n,x_i^2)");
        const double ratio = w.devicePixelRatioF();
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") QCOMPARE(ratio, 2.0);
        auto* image = static_cast<TPictureImage*>(Image(w));
        for (const bool emf : {false, true}) {
            SetMode(w, emf);
            w.ForgetLastPaintedText();
            w.RequestPaint();
            QVERIFY(WaitIdle(w));
            const QImage shown = w.ShownPicture();
            const Bitmap* sharp = image->SharpPicture();
            if (ratio == 1) {
                QVERIFY(!sharp);
                continue;
            }
            QVERIFY(sharp);
            QCOMPARE(QSize(sharp->Width(), sharp->Height()),
                     QSize(qCeil(shown.width() * ratio), qCeil(shown.height() * ratio)));
            QCOMPARE(image->size(), shown.size());
            QImage grabbed = image->grab().toImage().convertToFormat(QImage::Format_RGB32);
            grabbed.setDevicePixelRatio(1);
            QCOMPARE(grabbed, CopyToImage(*sharp).copy(0, 0, grabbed.width(), grabbed.height()));
        }
        // A picture painted for a screen of another scale is painted again
        // for this one once it shows.
        const QSize size = w.ShownPicture().size();
        auto other = std::make_shared<Bitmap>();
        other->SetPixelFormat(TPixelFormat::pf32bit);
        other->SetSize(4, 4);
        image->Show(other, nullptr, ratio + 1);
        image->repaint();
        QTRY_COMPARE(w.ShownPicture().size(), size);
        QCOMPARE(image->SharpPicture() != nullptr, ratio != 1);
    }

    void CentringRule() {
        QCOMPARE(TNerovan1::CenteredOrigin({100, 50}, {51, 21}), QPoint(50 - 25, 25 - 10));
        QCOMPARE(TNerovan1::CenteredOrigin({101, 51}, {50, 20}), QPoint(50 - 25, 25 - 10));
        QCOMPARE(TNerovan1::CenteredOrigin({100, 50}, {100, 50}), QPoint(0, 0));
        QCOMPARE(TNerovan1::CenteredOrigin({100, 50}, {300, 10}), QPoint(0, 25 - 5));

        TestWindow w(NewSettings());
        ShowAndType(w, "x");
        QScrollArea* area = Scroll(w);
        QWidget* image = Image(w);
        QCOMPARE(image->size(), w.ShownPicture().size());
        QCOMPARE(image->pos(), TNerovan1::CenteredOrigin(area->viewport()->size(), image->size()));
        QVERIFY(image->x() > 0 && image->y() > 0);

        // A picture wider than the area sits at 0 and can be scrolled.
        QString wide = "x";
        for (int i = 0; i < 60; ++i) wide += QString("+a_%1").arg(i);
        w.SetExpressionText(wide);
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        QVERIFY(image->width() > area->viewport()->width());
        QCOMPARE(image->x(), 0);
        QCOMPARE(image->pos(), TNerovan1::CenteredOrigin(area->viewport()->size(), image->size()));
        QCOMPARE(area->horizontalScrollBar()->maximum(),
                 image->width() - area->viewport()->width());
        QCOMPARE(area->horizontalScrollBar()->value(), 0);

        // Every resize scrolls back to 0 and centres again.
        area->horizontalScrollBar()->setValue(60);
        w.resize(w.width() + 40, w.height() + 80);
        QTRY_COMPARE(area->horizontalScrollBar()->value(), 0);
        QCOMPARE(image->pos(), TNerovan1::CenteredOrigin(area->viewport()->size(), image->size()));
        QCOMPARE(area->horizontalScrollBar()->maximum(),
                 image->width() - area->viewport()->width());
        QVERIFY(image->y() > 0);
    }

    void MenuAndToolBarTexts() {
        TestWindow w(NewSettings());
        struct Item {
            const char* name;
            const char* text;
            QKeySequence key;
        };
        const Item items[] = {
            {"Open1", "&Open", QKeySequence("Ctrl+O")},
            {"SaveExpression1", "&Save Expression", QKeySequence("Ctrl+S")},
            {"SaveExpressionAs1", "Save Expression &As...", QKeySequence()},
            {"SavePicture1", "Save Picture", QKeySequence("Ctrl+P")},
            {"SavePictureAs1", "Save Picture As...", QKeySequence()},
            {"CopyAsPictureAndHide1", "Copy as picture and Hide      ",
             QKeySequence(Qt::Key_Enter)},
            {"Hide1", "&Hide                ", QKeySequence(Qt::CTRL | Qt::Key_Enter)},
            {"Exit1", "&Exit", QKeySequence()},
            {"Font1", "&Font", QKeySequence("Ctrl+F")},
            {"Foreground2", "Foreground", QKeySequence("Ctrl+C")},
            {"BackGround2", "BackGround", QKeySequence("Ctrl+Shift+C")},
            {"Parameters1", "Parameters", QKeySequence()},
            {"Hintbar1", "AutoInsert Buttons", QKeySequence()},
            {"Contents1", "&Contents", QKeySequence("F1")},
            {"Demo1", "&Demo", QKeySequence("Ctrl+F1")},
            {"About1", "&About", QKeySequence()},
        };
        for (const Item& it : items) {
            QAction* a = w.findChild<QAction*>(it.name);
            QVERIFY2(a, it.name);
            QCOMPARE(a->text(), QString(it.text));
            QCOMPARE(a->shortcut(), it.key);
        }
        QStringList menus;
        for (QAction* a : w.menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, (QStringList{"&File", "&Options", "&Help"}));
        QCOMPARE(w.findChild<QMenu*>("Colors1")->title(), QString("&Colors"));
        QVERIFY(
            w.findChild<QAction*>("CopyAsPictureAndHide1")->shortcuts().contains(Qt::Key_Return));

        const char* captions[][3] = {
            {"ToolButton1", "Save", "Save Picture As ... "},
            {"ToolButton2", "Colors", ""},
            {"ToolButton3", "      Font     ", "Select Font - Ctrl+F"},
            {"ToolButton4", "Parameters", ""},
            {"ToolButton5", "Clipboard", "Copy as picture and Hide - Enter"},
            {"ToolButton6", "Help", "Help - F1"},
        };
        for (const auto& c : captions) {
            auto* b = w.findChild<QToolButton*>(c[0]);
            QVERIFY2(b, c[0]);
            QCOMPARE(b->text(), QString(c[1]));
            if (*c[2]) QCOMPARE(b->toolTip(), QString(c[2]));
            QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
            QVERIFY(!b->icon().isNull());
        }
        QCOMPARE(w.findChild<QToolBar*>("ToolBar1")->iconSize(), QSize(32, 32));
        QCOMPARE(Status(w)->font().bold(), true);
    }
};

QTEST_MAIN(MainWindowWidgetsTest)
#include "test_main_window_widgets.moc"
