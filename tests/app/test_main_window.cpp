// The main window on the offscreen platform: the paint cycle (coalesced
// requests, no repaint of an unchanged text, errors keep the picture), the
// history and the keys of the expression box, the centring of the picture,
// the formula files, the demo, and start and close with the settings file.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSemaphore>
#include <QThread>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <atomic>
#include <mutex>

#include "demo_formulas.h"
#include "code_pages.h"
#include "metrics.h"
#include "window_fixture.h"

using namespace nerovan;

namespace {

// What the status line says once the start-up's paint has ended well: the
// offscreen platform has no global hot keys.
const QString kNoHotKey = QStringLiteral("The hot key Ctrl+Shift+F could not be registered");

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int serial_ = 0;
    // A fresh settings file name for each test.
    QString NewSettings() { return dir_.filePath(QString("Nerovan%1.Ini").arg(++serial_)); }

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
                     w.StatusText().endsWith("; the largest is 32767 pixels a side and 16 megapixels in all"),
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
            QCOMPARE(shown.size(), QSize(w.Component().Metafile().Width, w.Component().Metafile().Height));
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

    void ClickingThePictureLeavesTheKeyboardInTheBox() {
        TestWindow w(NewSettings());
        ShowAndType(w, "x");
        QWidget* const clicked[] = {Image(w), Scroll(w)->viewport(), Scroll(w)->widget(), Scroll(w)};
        for (QWidget* target : clicked) {
            Box(w)->setFocus();
            QTRY_VERIFY(Box(w)->lineEdit()->hasFocus());
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(1, 1));
            QVERIFY2(Box(w)->lineEdit()->hasFocus(), qPrintable(target->objectName()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
        }
        QCOMPARE(w.ExpressionText(), QString("x++++"));
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
        QCOMPARE(area->horizontalScrollBar()->maximum(), image->width() - area->viewport()->width());
        QCOMPARE(area->horizontalScrollBar()->value(), 0);

        // Every resize scrolls back to 0 and centres again.
        area->horizontalScrollBar()->setValue(60);
        w.resize(w.width() + 40, w.height() + 80);
        QTRY_COMPARE(area->horizontalScrollBar()->value(), 0);
        QCOMPARE(image->pos(), TNerovan1::CenteredOrigin(area->viewport()->size(), image->size()));
        QCOMPARE(area->horizontalScrollBar()->maximum(), image->width() - area->viewport()->width());
        QVERIFY(image->y() > 0);
    }

    void OpenSaveAndTheCaption() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.windowTitle(), QString("Nerovan - Untitled.fla"));

        // The first Save asks (the dialog holds nothing yet), the next does not.
        Type(w, QString::fromUtf8("a_1 = \xD0\xB6"));
        const QString first = dir_.filePath("first.fla");
        w.saveAnswer = first;
        w.SaveExpression1Click();
        QCOMPARE(w.saveDialogShowed, QStringList{""});
        QCOMPARE(w.ExpressionFileName(), first);
        QCOMPARE(w.windowTitle(), "Nerovan - " + first);
        QCOMPARE(ReadAll(first), QByteArray("a_1 = \xE6\r\n"));
        Type(w, "+b");
        w.SaveExpression1Click();
        QCOMPARE(w.saveDialogShowed.size(), 1);
        QCOMPARE(ReadAll(first), QByteArray("a_1 = \xE6+b\r\n"));

        // Save As shows the current name; a cancelled dialog changes nothing.
        w.saveAnswer.clear();
        w.SaveExpressionAs1Click();
        QCOMPARE(w.saveDialogShowed.last(), first);
        QCOMPARE(w.ExpressionFileName(), first);
        const QString second = dir_.filePath("second.fla");
        w.saveAnswer = second;
        w.SaveExpressionAs1Click();
        QCOMPARE(w.ExpressionFileName(), second);
        QCOMPARE(w.windowTitle(), "Nerovan - " + second);
        QCOMPARE(ReadAll(second), QByteArray("a_1 = \xE6+b\r\n"));

        // Open takes the first line, does not store the previous text, paints.
        const QString lines = dir_.filePath("lines.fla");
        WriteAll(lines, "sqrt(x)\r\nsecond line\r\n");
        w.openAnswer = lines;
        const QStringList historyBefore = w.HistoryItems();
        w.Open1Click();
        QCOMPARE(w.ExpressionText(), QString("sqrt(x)"));
        QCOMPARE(w.HistoryItems(), historyBefore);
        QCOMPARE(w.windowTitle(), "Nerovan - " + lines);
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.LastPaintedText(), QString("sqrt(x)"));
        QCOMPARE(w.StatusText(), QString("OK"));

        // Cancelling opens nothing.
        w.openAnswer.clear();
        w.SetExpressionText("kept");
        w.Open1Click();
        QCOMPARE(w.ExpressionText(), QString("kept"));
        QVERIFY(w.errors.isEmpty());
    }

    void FileErrorsNameTheFileAndKeepEverything() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        w.SetExpressionText("a+b");
        const QString good = dir_.filePath("good.fla");
        w.saveAnswer = good;
        w.SaveExpression1Click();
        QCOMPARE(ReadAll(good), QByteArray("a+b\r\n"));

        // Opening a missing file: the error box names it; nothing changes.
        const QString missing = dir_.filePath("missing.fla");
        w.openAnswer = missing;
        w.Open1Click();
        QCOMPARE(w.errors.size(), 1);
        QVERIFY2(w.errors.last().contains(missing), qPrintable(w.errors.last()));
        QCOMPARE(w.ExpressionText(), QString("a+b"));
        QCOMPARE(w.ExpressionFileName(), good);
        QCOMPARE(w.windowTitle(), "Nerovan - " + good);

        // Saving into a folder that does not exist fails; the name stays.
        const QString nowhere = dir_.filePath("no/such/folder/x.fla");
        w.saveAnswer = nowhere;
        w.SaveExpressionAs1Click();
        QCOMPARE(w.errors.size(), 2);
        QVERIFY2(w.errors.last().contains(nowhere), qPrintable(w.errors.last()));
        QCOMPARE(w.ExpressionFileName(), good);
        QCOMPARE(w.windowTitle(), "Nerovan - " + good);

        // A character outside the code page: the box names it, the file that
        // was there stays as it was.
        w.SetExpressionText(QString::fromUtf8("a+\xE4\xB8\xAD"));
        w.SaveExpression1Click();
        QCOMPARE(w.errors.size(), 3);
        QVERIFY2(w.errors.last().contains("U+4E2D"), qPrintable(w.errors.last()));
        QCOMPARE(ReadAll(good), QByteArray("a+b\r\n"));

        // A line break (a formula pasted with its line end): a formula file
        // is one line, so nothing is written rather than the rest lost.
        w.SetExpressionText("a+\nb");
        w.SaveExpression1Click();
        QCOMPARE(w.errors.size(), 4);
        QCOMPARE(w.errors.last(), "Cannot save \"" + good +
                                      "\": the expression holds a line break, which a formula "
                                      "file cannot hold");
        QCOMPARE(ReadAll(good), QByteArray("a+b\r\n"));
    }

    // Every text the typesetter takes goes whole through the box, the
    // history, the formula files, the hot key's paste and the settings file;
    // a longer one is refused when opened and reported when painted, never cut.
    void LongFormulasPassWhole() {
        const QString settings = NewSettings();
        const QString lengths[] = {
            QString("a+").repeated(20001) + "b",                  // 40003 characters
            QString("x").repeated(int(kMaxExpressionLength)),  // the longest
        };
        for (const QString& text : lengths) {
            const QByteArray file = text.toLatin1() + "\r\n";
            {
                TestWindow w(settings);
                QVERIFY(WaitIdle(w));
                w.openAnswer = dir_.filePath("long.fla");
                WriteAll(w.openAnswer, file);
                w.Open1Click();
                QCOMPARE(w.ExpressionText().size(), text.size());
                w.saveAnswer = dir_.filePath("again.fla");
                w.SaveExpressionAs1Click();
                QCOMPARE(ReadAll(w.saveAnswer), file);
                w.AddToHistory();
                QCOMPARE(w.HistoryItems().first(), text);

                w.SetExpressionText("y");
                QGuiApplication::clipboard()->setText(text);
                w.OnhotKey();
                QCOMPARE(w.ExpressionText(), text);
                QVERIFY(WaitIdle(w));
                QCOMPARE(w.errors, QStringList{});
                w.close();
            }
            TestWindow again(settings);
            QCOMPARE(again.ExpressionText(), text);
            QCOMPARE(again.HistoryItems().mid(0, 2), (QStringList{"y", text}));
            QVERIFY(WaitIdle(again));
        }

        // One character more: Open refuses the file, the box takes the text
        // whole and its paint names the limit.
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        const QString over = QString("x").repeated(int(kMaxExpressionLength) + 1);
        w.SetExpressionText("kept");
        w.openAnswer = dir_.filePath("over.fla");
        WriteAll(w.openAnswer, over.toLatin1());
        w.Open1Click();
        QCOMPARE(w.errors, QStringList{QString("Cannot open \"%1\": the formula is 500001 "
                                               "characters long; the longest is 500000")
                                           .arg(w.openAnswer)});
        QCOMPARE(w.ExpressionText(), QString("kept"));
        QCOMPARE(w.ExpressionFileName(), QString("Untitled.fla"));
        w.SetExpressionText(over);
        w.RequestPaint();
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.ExpressionText(), over);
        QCOMPARE(w.StatusText(), QString("The formula is 500001 characters long; the longest is 500000"));
    }

    void DemoSequenceAndHistory() {
        TestWindow w(NewSettings());
        PaintRecorder rec(w.Cycle());
        QVERIFY(WaitIdle(w));
        Type(w, "mine");
        QVERIFY(WaitIdle(w));
        const int expected[] = {1, 1, 16, 4, 5, 13, 6, 3, 7, 8, 2, 9};
        QString previous = "mine";
        for (int n : expected) {
            w.Demo1Click();
            const QString formula = QString::fromStdString(Cp1251ToUtf8(DemoFormulas[n - 1]));
            QCOMPARE(w.ExpressionText(), formula);
            QCOMPARE(w.HistoryItems().first(), previous);  // the previous text went first
            QVERIFY(WaitIdle(w));
            previous = formula;
        }
        QCOMPARE(w.HistoryItems().count(QString::fromStdString(Cp1251ToUtf8(DemoFormulas[0]))), 1);
        QCOMPARE(rec.Painted().last(), QString::fromStdString(Cp1251ToUtf8(DemoFormulas[8])));
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
             {QByteArray("<missing>"), QByteArray(), QByteArray("\xFF\x00[[[=\n=x\n[Placement\nHistory=7", 27)}) {
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
            WriteAll(path, QByteArray("[Placement]\nExpression = \"x\"\nFontHeight = ") + row.stored);
            TestWindow w(path);
            QTRY_COMPARE(w.LastPaintedText(), QString("x"));
            QVERIFY(WaitIdle(w));
            QCOMPARE(w.StatusText(), kNoHotKey);  // in place of the paint's "OK"
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QCOMPARE(w.Component().Font.Height, row.height);
        }
    }

    // A stored size beyond the screen restores at most at the screen's
    // available size, and that is what closing writes back.
    void AStoredPlacementBeyondTheScreenIsFittedToIt() {
        const QString path = NewSettings();
        WriteAll(path, "[Placement]\nLeft = 0\nTop = 0\nWidth = 100000\nHeight = 100000\n");
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        {
            TestWindow w(path);
            QVERIFY(WaitIdle(w));
            QVERIFY(w.width() <= screen.width() && w.height() <= screen.height());
            w.close();
        }
        const QString ini = QString::fromUtf8(ReadAll(path));
        QVERIFY2(!ini.contains("100000"), qPrintable(ini));
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
        const char* entries[][2] = {{"Shift", "1"}, {"Ctrl", "1"},       {"Alt", "0"},
                                    {"Key", "G"},   {"EMF", "0"},        {"MULPOINT", "0"},
                                    {"BLURBITMAP", "0"}, {"AUTOINSERTBUTTONS", "1"}};
        for (const auto& e : entries) {
            const QRegularExpression re(QString("^%1\\s*=\\s*%2$").arg(e[0], e[1]),
                                        QRegularExpression::CaseInsensitiveOption |
                                            QRegularExpression::MultilineOption);
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
            {"CopyAsPictureAndHide1", "Copy as picture and Hide      ", QKeySequence(Qt::Key_Enter)},
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
        QVERIFY(w.findChild<QAction*>("CopyAsPictureAndHide1")->shortcuts().contains(Qt::Key_Return));

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

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
