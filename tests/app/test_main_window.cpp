// The main window on the offscreen platform: the paint cycle's results in
// the status line and Image1 (coalesced requests, no repaint of an unchanged
// text, errors keep the picture, a long status cut short with the whole in
// its tool tip), and the start and close steps with the settings file, the
// palette's check item among what a restart restores.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <mutex>

#include "window_fixture.h"

using namespace nerovan;

class MainWindowTest : public WindowTest {
    Q_OBJECT

private slots:
    void TypingWhileAPaintRunsPaintsOnlyTheLatestText() {
        TestWindow w(NewSettings());
        PaintRecorder rec(w.Cycle());
        QVERIFY(WaitIdle(w));
        // The restored expression is empty and equals the emptied
        // LastPaintedText: nothing to paint.
        QCOMPARE(rec.Painted(), QStringList{});

        rec.Hold("a");
        Type(w, "a");
        QTRY_VERIFY(rec.Holding());
        QTRY_COMPARE(w.StatusText(), QString("Painting..."));
        QCOMPARE(StatusColor(w), QColor(128, 0, 0));
        QVERIFY(w.PaintBusy());
        Type(w, "bc");
        QCOMPARE(w.LastPaintedText(), QString("a"));
        rec.Release();
        QVERIFY(WaitIdle(w));
        QCOMPARE(rec.Painted(), (QStringList{"a", "abc"}));
        QCOMPARE(w.LastPaintedText(), QString("abc"));
        QCOMPARE(w.StatusText(), QString("OK"));
        QCOMPARE(StatusColor(w), QColor(0, 0, 0));
        QVERIFY(!w.ShownPicture().isNull());
    }

    void ChangingTheTextAndBackDuringAPaintPaintsOnce() {
        TestWindow w(NewSettings());
        PaintRecorder rec(w.Cycle());
        QVERIFY(WaitIdle(w));
        rec.Hold("x+1");
        w.SetExpressionText("x+1");
        w.RequestPaint();
        QTRY_VERIFY(rec.Holding());
        Type(w, "0");
        QTest::keyClick(Box(w), Qt::Key_Backspace);
        QCOMPARE(w.ExpressionText(), QString("x+1"));
        rec.Release();
        QVERIFY(WaitIdle(w));
        QTest::qWait(50);
        QCOMPARE(rec.Painted(), QStringList{"x+1"});

        // An unchanged text is painted again only after LastPaintedText was emptied.
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        QCOMPARE(rec.Painted().size(), 1);
        w.ForgetLastPaintedText();
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        QCOMPARE(rec.Painted(), (QStringList{"x+1", "x+1"}));
    }

    void ANotationErrorKeepsThePreviousPicture() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        Type(w, "sum(i=1, n, x_i^2)");
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.StatusText(), QString("OK"));
        const QImage good = w.ShownPicture();
        const QSize shown = Image(w)->size();
        QVERIFY(!good.isNull());
        QCOMPARE(shown, good.size());

        Type(w, ")");
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.StatusText(), QString("Unexpected bracket in \"sum(i=1, n, x_i^2))\", pos:19"));
        QCOMPARE(StatusColor(w), QColor(0, 0, 0));
        QCOMPARE(w.ShownPicture(), good);
        QCOMPARE(Image(w)->size(), shown);

        QTest::keyClick(Box(w), Qt::Key_Backspace);
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.StatusText(), QString("OK"));

        // 22 characters asking for 100 megapixels: refused by its size.
        Box(w)->setEditText("mat76[mat66[mat76[x]]]");
        QVERIFY(WaitIdle(w));
        QVERIFY2(w.StatusText().startsWith("The picture would be ") &&
                     w.StatusText().endsWith(
                         "; the largest is 32767 pixels a side and 16 megapixels in all"),
                 qPrintable(w.StatusText()));
        QCOMPARE(w.ShownPicture(), good);
    }

    void ACharacterOutsideTheCodePageIsReportedAndNotPainted() {
        TestWindow w(NewSettings());
        PaintRecorder rec(w.Cycle());
        QVERIFY(WaitIdle(w));
        Type(w, "x");
        QVERIFY(WaitIdle(w));
        const QImage before = w.ShownPicture();
        Type(w, QString::fromUtf8("\xE4\xB8\xAD"));  // U+4E2D
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.StatusText(),
                 QString::fromUtf8("Cannot paint: the expression holds U+4E2D '\xE4\xB8\xAD', "
                                   "which Windows-1251 cannot hold"));
        QCOMPARE(rec.Painted(), QStringList{"x"});
        QCOMPARE(w.ShownPicture(), before);

        // Cyrillic is in the code page and paints.
        QTest::keyClick(Box(w), Qt::Key_Backspace);
        Type(w, QString::fromUtf8("\xD0\xB6"));
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.StatusText(), QString("OK"));
        QCOMPARE(rec.Painted().last(), QString::fromUtf8("x\xD0\xB6"));
    }

    void MetafileModeShowsTheReplayedMetafile() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        QVERIFY(!w.ShownPictureIsMetafile());
        Type(w, "a/b");
        QVERIFY(WaitIdle(w));
        const QImage bitmap = w.ShownPicture();
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            w.Component().EMFPaint = true;
        }
        w.ForgetLastPaintedText();
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        QVERIFY(w.ShownPictureIsMetafile());
        const QImage shown = w.ShownPicture();
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QCOMPARE(shown.size(),
                     QSize(w.Component().Metafile().Width, w.Component().Metafile().Height));
        }
        QCOMPARE(shown.size(), bitmap.size());
        // The replay draws the formula: dark ink on the white background.
        int dark = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                if (qGray(shown.pixel(x, y)) < 100) ++dark;
        QVERIFY(dark > 10);
        QCOMPARE(QColor(shown.pixel(0, 0)), QColor(Qt::white));
    }

    void ALongStatusIsCutShortAndWholeInTheToolTip() {
        TestWindow w(NewSettings());
        ShowAndType(w, "x");
        QLabel* label = Status(w);
        QCOMPARE(label->text(), QString("OK"));
        QCOMPARE(label->toolTip(), QString());

        w.SetExpressionText(QString("a+").repeated(80) + ")");
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        const QString whole = w.StatusText();
        QVERIFY2(whole.startsWith("Unexpected bracket in \"a+a+") && whole.endsWith(", pos:161"),
                 qPrintable(whole));
        QCOMPARE(label->toolTip(), whole);
        // The label ends inside the status panel; the widths that follow from
        // the window's show ever more of the text, always ending in "…".
        int shown = 0;
        for (int width : {w.width(), w.width() + 300}) {
            w.resize(width, w.height());
            QTRY_COMPARE(label->geometry().right(), label->parentWidget()->width() - 6);
            const QString text = label->text();
            QVERIFY2(text.endsWith(QChar(0x2026)) && whole.startsWith(text.chopped(1)),
                     qPrintable(text));
            QVERIFY(label->fontMetrics().horizontalAdvance(text) <= label->width());
            QVERIFY(text.size() > shown);
            shown = int(text.size());
        }

        QTest::keyClick(Box(w), Qt::Key_Backspace);
        QVERIFY(WaitIdle(w));
        QCOMPARE(label->text(), QString("OK"));
        QCOMPARE(label->toolTip(), QString());
    }

    void ARestartRestoresWhatWasLeft() {
        const QString settings = NewSettings();
        const QRect placed(130, 90, 640, 420);
        {
            TestWindow w(settings);
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            QVERIFY(WaitIdle(w));
            w.setGeometry(placed);
            QTRY_COMPARE(w.geometry(), placed);
            for (const char* t : {"h1", "h2", "h3"}) {
                w.SetExpressionText(t);
                w.AddToHistory();
            }
            w.SetExpressionText(QString::fromUtf8("  \xD0\xB6 = sqrt(2) "));
            w.FontDialog1Font.Name = "DejaVu Sans";
            w.FontDialog1Font.Height = -30;
            w.FontDialog1Font.Style = fsBold | fsItalic;
            w.findChild<QAction*>("Hintbar1")->trigger();  // hide the palette
            QVERIFY(w.findChild<QWidget*>("TabControl1")->isHidden());
            w.close();
        }
        QVERIFY(QFile::exists(settings));

        TestWindow w(settings);
        PaintRecorder rec(w.Cycle());
        QCOMPARE(w.ExpressionText(), QString::fromUtf8("  \xD0\xB6 = sqrt(2) "));
        QCOMPARE(w.HistoryItems(), (QStringList{"h3", "h2", "h1"}));
        QCOMPARE(w.FontDialog1Font.Name, std::string("DejaVu Sans"));
        QCOMPARE(w.FontDialog1Font.Height, -30);
        QCOMPARE(int(w.FontDialog1Font.Style), int(fsBold | fsItalic));
        QVERIFY(!w.findChild<QAction*>("Hintbar1")->isChecked());
        QVERIFY(w.findChild<QWidget*>("TabControl1")->isHidden());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.geometry(), placed);
        QVERIFY(WaitIdle(w));
        QTest::qWait(50);
        // The restored expression is painted once, with the restored font.
        QCOMPARE(rec.Painted(), QStringList{QString::fromUtf8("  \xD0\xB6 = sqrt(2) ")});
        QCOMPARE(w.StatusText(), kNoHotKey);  // in place of the paint's "OK"
        std::lock_guard<std::mutex> lock(w.ComponentMutex());
        QCOMPARE(w.Component().Font.Name, std::string("DejaVu Sans"));
        QCOMPARE(w.Component().Font.Height, -30);
    }

    void MissingEmptyOrMalformedSettingsGiveTheDefaults() {
        const QString path = NewSettings();
        for (const QByteArray& content :
             {QByteArray("<missing>"), QByteArray(),
              QByteArray("\xFF\x00[[[=\n=x\n[Placement\nHistory=7", 27)}) {
            QFile::remove(path);
            if (content != "<missing>") WriteAll(path, content);
            TestWindow w(path);
            QVERIFY(WaitIdle(w));
            QCOMPARE(w.windowTitle(), QString("Nerovan - Untitled.fla"));
            QCOMPARE(w.size(), QSize(TNerovan1::kInitialWidth, TNerovan1::kInitialHeight));
            QVERIFY(w.findChild<QAction*>("Hintbar1")->isChecked());
            QVERIFY(!w.findChild<QWidget*>("TabControl1")->isHidden());
            QCOMPARE(w.FontDialog1Font.Name, std::string("Times New Roman"));
            QCOMPARE(w.FontDialog1Font.Height, -27);
            QVERIFY(w.Settings.HotKeyCtrl && w.Settings.HotKeyShift && !w.Settings.HotKeyAlt);
            QCOMPARE(w.Settings.HotKeyLetter, 'F');
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QVERIFY(!w.Component().EMFPaint);
            QVERIFY(!w.Component().MulPoint);
            QVERIFY(!w.Component().BlurBitmap);
            QCOMPARE(w.Component().Font.Height, -27);
        }
    }

    void AStoredFontHeightBeyondTheBoundStillPaints() {
        const struct {
            const char* stored;
            int height;
        } rows[] = {{"-2147483648", -2000}, {"100000", 2000}};
        for (const auto& row : rows) {
            const QString path = NewSettings();
            WriteAll(path,
                     QByteArray("[Placement]\nExpression = \"x\"\nFontHeight = ") + row.stored);
            TestWindow w(path);
            QTRY_COMPARE(w.LastPaintedText(), QString("x"));
            QVERIFY(WaitIdle(w));
            QCOMPARE(w.StatusText(), kNoHotKey);  // in place of the paint's "OK"
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QCOMPARE(w.Component().Font.Height, row.height);
        }
    }

    // A settings file too large to read is named in the status line.
    void ASettingsFileTooLargeIsSaidAndKept() {
        const QString path = NewSettings();
        const QByteArray content = "[Placement]\nExpression = \"y\"\n" + QByteArray(1100000, '#');
        WriteAll(path, content);
        {
            TestWindow w(path);
            QVERIFY(WaitIdle(w));
            QVERIFY2(w.StatusText().contains("larger than 1 MB"), qPrintable(w.StatusText()));
            w.close();
        }
        QCOMPARE(ReadAll(path), content);
    }

    void ClosingWritesTheEightEntriesAndSurvivesAnUnwritableFile() {
        const QString path = NewSettings();
        {
            TestWindow w(path);
            QVERIFY(WaitIdle(w));
            w.Settings.HotKeyLetter = 'G';
            w.close();
        }
        const QString ini = QString::fromUtf8(ReadAll(path));
        const char* entries[][2] = {
            {"Shift", "1"}, {"Ctrl", "1"},     {"Alt", "0"},        {"Key", "G"},
            {"EMF", "0"},   {"MULPOINT", "0"}, {"BLURBITMAP", "0"}, {"AUTOINSERTBUTTONS", "1"}};
        for (const auto& e : entries) {
            const QRegularExpression re(
                QString("^%1\\s*=\\s*%2$").arg(e[0], e[1]),
                QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
            QVERIFY2(re.match(ini).hasMatch(), e[0]);
        }

        // A settings file that cannot be written (its folder is a file): the
        // window still closes.
        const QString blocker = dir_.filePath("blocker");
        WriteAll(blocker, "x");
        TestWindow w(blocker + "/Nerovan.Ini");
        QVERIFY(WaitIdle(w));
        QVERIFY(w.close());
        QVERIFY(QFileInfo(blocker).isFile());
    }

    void ClosingDuringAPaintWaitsForIt() {
        const QString path = NewSettings();
        auto* w = new TestWindow(path);
        PaintRecorder rec(w->Cycle());
        QVERIFY(WaitIdle(*w));
        rec.Hold("slow");
        Type(*w, "slow");
        QTRY_VERIFY(rec.Holding());
        w->close();
        // The paint ends only while the window is being torn down.
        QTimer::singleShot(100, [&rec] { rec.Release(); });
        delete w;
        QVERIFY(!rec.Holding());
        QVERIFY(QString::fromUtf8(ReadAll(path)).contains("slow"));
    }

    void PaletteHiddenAfterRestart() {
        const QString ini = NewSettings();
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
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
