// The colours dialog with the colour commands, and the font command, on the
// offscreen platform.
#include <QFontDatabase>
#include <QPushButton>
#include <QtTest>

#include <mutex>

#include "colors_dialog.h"
#include "component.h"

using namespace nerovan;

class ColorsDialogTest : public QObject {
    Q_OBJECT

private slots:
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
        ChooseColor(
            nullptr, color, [&] { ++repaints; },
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
        ToolButton3Click(
            nullptr, stored, component, mutex, [&] { ++repaints; },
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
        ToolButton3Click(
            nullptr, stored, component, mutex, [&] { ++repaints; },
            [](QWidget*, QFont&) { return true; });
        QCOMPARE(stored.Name, std::string("Times New Roman"));
        QCOMPARE(stored.Height, -21);
        QCOMPARE(stored.Style, TFontStyles(0));

        ToolButton3Click(
            nullptr, stored, component, mutex, [&] { ++repaints; },
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
};

QTEST_MAIN(ColorsDialogTest)
#include "test_colors_dialog.moc"
