// The parameters dialog on the offscreen platform: its controls, the
// modifier boxes that keep one checked, the one-letter key field, and its
// command (hot key off while the dialog is open, registered again after,
// the painter switches taken from the dialog).
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <mutex>

#include "component.h"
#include "params_dialog.h"
#include "window_fixture.h"

using namespace nerovan;

namespace {

// The formula component and the mutex that guards it, with the metafile mode
// and the multiplication dot off, as the parameters command finds them.
struct Painter {
    TNerovan component;
    std::mutex mutex;
    Painter() {
        component.EMFPaint = false;
        component.MulPoint = false;
    }
};

}  // namespace

class ParamsDialogTest : public WindowTest {
    Q_OBJECT

private slots:
    void ParamsControls() {
        TFParams d;
        QCOMPARE(d.windowTitle(), QString("Parameters"));
        QCOMPARE(d.findChild<QGroupBox*>("RadioGroup1")->title(), QString("Copy as picture"));
        QCOMPARE(d.findChild<QRadioButton*>("RadioGroup1Item0")->text(),
                 QString("In EMF (Enhanced Metafile Format)"));
        QCOMPARE(d.findChild<QRadioButton*>("RadioGroup1Item1")->text(),
                 QString("In BMP (Bitmap)"));
        QCOMPARE(d.ItemIndex(), 1);
        auto* label1 = d.findChild<QLabel*>("Label1");
        auto* label4 = d.findChild<QLabel*>("Label4");
        QCOMPARE(
            label1->text(),
            QString(
                "EMF format allows to scale your picture without loss of quality. Copying as \r\n"
                "EMF is especially useful if you'd like to export formulas to the documents of \r\n"
                "Microsoft Word. The expression will be saved in description of the file ."));
        QCOMPARE(label4->text().split("\r\n").size(), 4);
        QVERIFY(
            label4->text().startsWith("This  useful  with  working  in  MS Frontpage  or graphical "
                                      "editors.  Use  large \r\nfonts"));
        QCOMPARE(label1->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QVERIFY(!label1->isVisibleTo(&d));
        QVERIFY(label4->isVisibleTo(&d));
        QCOMPARE(d.findChild<QGroupBox*>("GroupBox2")->title(), QString("Hot Key"));
        QCOMPARE(d.findChild<QLabel*>("Label3")->text(),
                 QString("Hot key is used for a call the Nerovan."));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox2")->text(), QString("Shift + "));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox1")->text(), QString("Ctrl + "));
        QCOMPARE(d.findChild<QCheckBox*>("CheckBox3")->text(), QString("Alt + "));
        QVERIFY(d.findChild<QCheckBox*>("CheckBox1")->isChecked());
        QVERIFY(d.findChild<QCheckBox*>("CheckBox2")->isChecked());
        QVERIFY(!d.findChild<QCheckBox*>("CheckBox3")->isChecked());
        QCOMPARE(d.findChild<QLineEdit*>("Edit2")->text(), QString("F"));
        QCOMPARE(d.findChild<QCheckBox*>("pmul")->text(),
                 QString("Paint the point of multiplication"));
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
        Painter p;
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
            ApplyPainterSwitches(v, p.component, p.mutex);
        };
        s.Repaint = [&] { steps << "repaint"; };
        // A desktop without global shortcuts: the dialog says so and shows
        // the command to bind instead, ready to copy.
        s.HotKeyNote =
            NoteOnDesktopHotKey(DesktopHotKey::State::NoShortcuts, QString(), "nerovan --paste");
        s.ShowModal = [&](TFParams& d) {
            steps << "open";
            d.show();
            auto* note = d.findChild<QLabel*>("HotKeyNote");
            QVERIFY(note->isVisible() && note->text().contains("no global shortcuts"));
            auto* command = d.findChild<QLineEdit*>("PasteCommandEdit");
            QVERIFY(command->isVisible() && command->isReadOnly());
            QCOMPARE(command->text(), QString("nerovan --paste"));
            d.close();  // the close box
        };
        Parameters1Click(nullptr, values, s);
        QCOMPARE(steps, QStringList({"unregister", "open", "repaint", "register"}));
        QVERIFY(registered.HotKeyCtrl && registered.HotKeyShift && !registered.HotKeyAlt);
        QCOMPARE(registered.HotKeyLetter, 'F');
        QVERIFY(!p.component.EMFPaint && !p.component.MulPoint && !p.component.BlurBitmap);
    }

    void ParametersTakeTheDialogsState() {
        TestWindow w(NewSettings());
        PaintRecorder paints(w.Cycle());
        QVERIFY(WaitIdle(w));
        SetAndPaint(w, "x^2");
        // Off X11 the hot key registers nothing; on X11 it is really grabbed.
        const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
        QCOMPARE(w.HotKeyRegistered(), x11);
        const int paintsBefore = paints.Painted().size();
        w.parametersAnswer = [&](TFParams& d) {
            QVERIFY(!w.HotKeyRegistered());  // off while the dialog is open
            // The dialog shows the switches of the values.
            QCOMPARE(d.ItemIndex(), 1);
            QVERIFY(!d.findChild<QCheckBox*>("pmul")->isChecked());
            d.show();
            // The window grabs its own key here: no note of the desktop's.
            QVERIFY(!d.findChild<QLabel*>("HotKeyNote")->isVisible());
            QVERIFY(!d.findChild<QLineEdit*>("PasteCommandEdit")->isVisible());
            auto* edit = d.findChild<QLineEdit*>("Edit2");
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_G);
            d.findChild<QRadioButton*>("RadioGroup1Item0")->setChecked(true);
            d.findChild<QCheckBox*>("pmul")->setChecked(true);
            auto* transparent = d.findChild<QCheckBox*>("CTransparent");
            transparent->setChecked(true);
            QVERIFY(transparent->isEnabled());
            d.findChild<QCheckBox*>("CBlur")->setChecked(true);
            QVERIFY(!transparent->isEnabled());  // a blurred bitmap keeps its background
            d.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
            QTest::mouseClick(d.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        };
        w.Parameters1Click();
        QVERIFY(WaitIdle(w));
        QCOMPARE(paints.Painted().size(), paintsBefore + 1);
        const ProgramSettings& values = w.Settings;
        QCOMPARE(values.HotKeyLetter, 'G');
        QVERIFY(values.HotKeyAlt && values.HotKeyCtrl && values.HotKeyShift);
        QCOMPARE(w.findChild<QAction*>("PaintRes1")->text(),
                 QString("Paste, paint and restore   Ctrl+Shift+Alt+G"));
        QCOMPARE(w.HotKeyRegistered(), x11);
        QVERIFY(w.Component().EMFPaint && w.Component().MulPoint && w.Component().BlurBitmap);
        QVERIFY(values.EMFPaint && values.MulPoint && values.BlurBitmap);
        QVERIFY(values.Transparent && !values.PicturesTransparent());
    }
};

QTEST_MAIN(ParamsDialogTest)
#include "test_params_dialog.moc"
