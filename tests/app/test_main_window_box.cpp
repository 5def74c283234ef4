// The expression box of the main window on the offscreen platform: the
// history in its list, the arrow keys that step through it, and Enter that
// copies the picture once per press.
#include <QComboBox>
#include <QToolButton>
#include <QtTest>

#include "window_fixture.h"

using namespace nerovan;

class MainWindowBoxTest : public WindowTest {
    Q_OBJECT

private slots:
    void HistoryRules() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        QComboBox* box = Box(w);

        // Opening the list stores the text as entry 0.
        Type(w, "first");
        box->showPopup();
        box->hidePopup();
        QCOMPARE(w.HistoryItems(), QStringList{"first"});
        QCOMPARE(box->count(), 1);
        QCOMPARE(w.ExpressionText(), QString("first"));

        // Seventeen distinct texts: the oldest goes, the newest is first.
        for (int i = 2; i <= 17; ++i) {
            w.SetExpressionText(QString("t%1").arg(i));
            w.AddToHistory();
        }
        QCOMPARE(w.HistoryItems().size(), 16);
        QCOMPARE(w.HistoryItems().first(), QString("t17"));
        QCOMPARE(w.HistoryItems().last(), QString("t2"));
        QVERIFY(!w.HistoryItems().contains("first"));
        QCOMPARE(box->count(), 16);
        QCOMPARE(box->itemText(0), QString("t17"));

        // A text already there keeps its place; the comparison is exact.
        w.SetExpressionText("t9");
        w.AddToHistory();
        QCOMPARE(w.HistoryItems().indexOf("t9"), 8);
        QCOMPARE(w.HistoryItems().size(), 16);
        QVERIFY(History::HistoryContains("t9", w.HistoryItems()));
        QVERIFY(!History::HistoryContains("T9", w.HistoryItems()));
        QCOMPARE(w.ExpressionText(), QString("t9"));  // storing never changes the text
    }

    void ArrowKeysInTheBox() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        w.SetExpressionText("older");
        w.AddToHistory();
        w.SetExpressionText("");
        Type(w, "typed");
        QCOMPARE(w.ItemIndex(), -1);

        // Up with no entry selected is swallowed.
        QTest::keyClick(Box(w), Qt::Key_Up);
        QCOMPARE(w.ExpressionText(), QString("typed"));
        QCOMPARE(w.ItemIndex(), -1);
        QCOMPARE(w.HistoryItems(), QStringList{"older"});

        // Down stores the text, selects entry 0 and steps on to the next.
        QTest::keyClick(Box(w), Qt::Key_Down);
        QCOMPARE(w.HistoryItems(), (QStringList{"typed", "older"}));
        QCOMPARE(w.ItemIndex(), 1);
        QCOMPARE(w.ExpressionText(), QString("older"));
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.LastPaintedText(), QString("older"));  // choosing an entry paints it

        // With an entry selected the arrows step through the list.
        QTest::keyClick(Box(w), Qt::Key_Up);
        QCOMPARE(w.ExpressionText(), QString("typed"));
        QCOMPARE(w.ItemIndex(), 0);

        // Typing ends the selection; an empty history keeps entry 0.
        TestWindow w2(NewSettings());
        QVERIFY(WaitIdle(w2));
        Type(w2, "only");
        QTest::keyClick(Box(w2), Qt::Key_Down);
        QCOMPARE(w2.HistoryItems(), QStringList{"only"});
        QCOMPARE(w2.ItemIndex(), 0);
        QCOMPARE(w2.ExpressionText(), QString("only"));
        Type(w2, "x");
        QCOMPARE(w2.ItemIndex(), -1);
    }

    void EnterCopiesOncePerPress() {
        TestWindow w(NewSettings());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QVERIFY(WaitIdle(w));
        Box(w)->setFocus();
        QTRY_VERIFY(Box(w)->hasFocus());

        QTest::keyClick(Box(w), Qt::Key_Return);
        QCOMPARE(w.copies, 1);
        QTest::keyClick(Box(w), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.copies, 2);
        QCOMPARE(w.ExpressionText(), QString(""));
        // The release of an Enter pressed elsewhere (one that closed a
        // dialog) copies nothing.
        QTest::keyRelease(Box(w), Qt::Key_Return);
        QCOMPARE(w.copies, 2);

        // Elsewhere in the window the menu shortcut does it.
        QToolButton* help = w.findChild<QToolButton*>("ToolButton6");
        help->setFocusPolicy(Qt::StrongFocus);
        help->setFocus();
        QTRY_VERIFY(help->hasFocus());
        QTest::keyClick(help, Qt::Key_Return);
        QCOMPARE(w.copies, 3);

        // Enter while a paint runs: the copy waits for the paint's end.
        PaintRecorder rec(w.Cycle());
        rec.Hold("q");
        Box(w)->setFocus();
        Type(w, "q");
        QTRY_VERIFY(rec.Holding());
        QTest::keyClick(Box(w), Qt::Key_Return);
        QCOMPARE(w.copies, 4);
        QVERIFY(w.CopyPending());
        rec.Release();
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.copies, 5);
        QVERIFY(!w.CopyPending());
    }
};

QTEST_MAIN(MainWindowBoxTest)
#include "test_main_window_box.moc"
