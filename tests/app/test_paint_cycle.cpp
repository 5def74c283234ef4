// The paint cycle alone, without a window: requests made while a paint runs
// end in one paint of the latest text, and a failed paint hands nothing to
// show, so the last picture stays.
#include <QtTest>

#include "paint_cycle.h"
#include "paint_recorder.h"

using namespace nerovan;

class PaintCycleTest : public QObject {
    Q_OBJECT

private slots:
    void OnlyTheLatestTextFollowsTheRunningPaintAndAnErrorKeepsThePicture() {
        TPaintCycle cycle;
        QString text;
        cycle.Source = [&text] { return PaintOrder{text, clBlack, clWhite}; };
        PaintRecorder rec(cycle);
        QStringList events;
        DisplayedPicture shown;
        connect(&cycle, &TPaintCycle::Started, [&] { events << "started"; });
        connect(&cycle, &TPaintCycle::Failed, [&](const QString& m) { events << "failed: " + m; });
        connect(&cycle, &TPaintCycle::Finished, [&](bool ok, const DisplayedPicture& kept) {
            events << (ok ? "painted" : "not painted");
            if (ok) shown = kept;
        });
        connect(&cycle, &TPaintCycle::Done, [&] { events << "done"; });
        auto idle = [&] { return QTest::qWaitFor([&] { return !cycle.ThreadRunning(); }, 20000); };

        rec.Hold("a");
        text = "a";
        cycle.RequestPaint();
        QTRY_VERIFY(rec.Holding());
        QVERIFY(cycle.Busy());
        for (const char* later : {"ab", "abc", "abcd"}) {
            text = later;
            cycle.RequestPaint();
        }
        rec.Release();
        QVERIFY(idle());
        QCOMPARE(rec.Painted(), (QStringList{"a", "abcd"}));
        QCOMPARE(cycle.LastPaintedText(), QString("abcd"));
        QCOMPARE(events, (QStringList{"started", "painted", "done", "started", "painted", "done"}));
        QVERIFY(shown.Pixels);
        const auto good = shown.Pixels;

        events.clear();
        text = "abcd)";
        cycle.RequestPaint();
        QVERIFY(idle());
        QCOMPARE(events, (QStringList{"started", "failed: Unexpected bracket in \"abcd)\", pos:5",
                                      "not painted", "done"}));
        QCOMPARE(shown.Pixels, good);

        // The text is painted again only after LastPaintedText was emptied.
        cycle.RequestPaint();
        QVERIFY(!cycle.Busy());
        cycle.ForgetLastPaintedText();
        cycle.RequestPaint();
        QVERIFY(cycle.Busy());
        QVERIFY(idle());
        QCOMPARE(rec.Painted().size(), 4);
    }
};

QTEST_MAIN(PaintCycleTest)
#include "test_paint_cycle.moc"
