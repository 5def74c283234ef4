// The file commands of the main window on the offscreen platform: Open,
// Save Expression and Save Expression As with the caption, the errors that
// name the file, formulas of every length passing whole, pictures opened,
// dropped and pasted for their formula (and hostile ones refused), and the demo.
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "code_pages.h"
#include "demo_formulas.h"
#include "formula_carrier.h"
#include "metrics.h"
#include "picture_export.h"
#include "window_fixture.h"

using namespace nerovan;

class MainWindowFilesTest : public WindowTest {
    Q_OBJECT

private slots:
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
            QString("a+").repeated(20001) + "b",               // 40003 characters
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
        QCOMPARE(w.StatusText(),
                 QString("The formula is 500001 characters long; the longest is 500000"));
    }

    // Every picture Save Picture As writes but the BMP carries the formula
    // back; the new kinds come after the four the stored index knows, and the
    // display keeps its kind.
    void SavedPicturesCarryTheFormula() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        const QString text = QString::fromUtf8("\xD0\x96^2 + \"q\" \\a");
        SetAndPaint(w, text);
        const std::pair<int, const char*> kinds[] = {{kFilterJpeg, "jpg"},
                                                     {kFilterGif, "gif"},
                                                     {kFilterPng, "png"},
                                                     {kFilterSvg, "svg"},
                                                     {kFilterPdf, "pdf"}};
        for (const auto& [filter, ext] : kinds) {
            w.pictureAnswer = dir_.filePath(QString("carry.") + ext);
            w.pictureFilterAnswer = filter;
            w.SavePictureAs1Click();
            QVERIFY(WaitIdle(w));
            const QByteArray bytes = ReadAll(w.pictureAnswer);
            const auto formula =
                ReadFormula(reinterpret_cast<const uint8_t*>(bytes.data()), size_t(bytes.size()));
            QVERIFY2(formula, ext);
            QCOMPARE(QString::fromStdString(*formula), text);
            QCOMPARE(w.SavePictureFilterIndex(), filter);
            QVERIFY(!w.ShownPictureIsMetafile());
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QVERIFY(!w.Component().EMFPaint);
        }
        QVERIFY(w.errors.isEmpty());
        QCOMPARE(SavePictureFilters().size(), kFilterPdf);

        // Open takes the formula back from each picture and paints it; the
        // formula file Save writes is not the picture. A picture without a
        // formula is refused and the box keeps its text.
        const QString formulaFile = w.ExpressionFileName();
        for (const auto& [filter, ext] : kinds) {
            SetAndPaint(w, "x");
            w.openAnswer = dir_.filePath(QString("carry.") + ext);
            w.Open1Click();
            QVERIFY(WaitIdle(w));
            QCOMPARE(Box(w)->currentText(), text);
            QCOMPARE(w.LastPaintedText(), text);
            QCOMPARE(w.ExpressionFileName(), formulaFile);
        }
        w.pictureAnswer = dir_.filePath("plain.bmp");
        w.pictureFilterAnswer = kFilterBitmap;
        w.SavePictureAs1Click();
        QVERIFY(WaitIdle(w));
        w.openAnswer = w.pictureAnswer;
        SetAndPaint(w, "y");
        w.Open1Click();
        QCOMPARE(w.errors, QStringList{"\"" + w.openAnswer + "\" holds no formula"});
        QCOMPARE(Box(w)->currentText(), QString("y"));
    }

    // A picture the program made gives its formula back however it comes:
    // dropped on the window or on the box, or on the clipboard as a PNG or
    // an SVG for the hot key. Cut or altered pictures, as files or on the
    // clipboard, are refused with a message or ignored, and change nothing.
    void PicturesDroppedPastedAndHostile() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        const QString text = QString::fromUtf8("\xD0\xAF_i + sqrt(\"b\")");
        SetAndPaint(w, text);
        const std::pair<int, const char*> kinds[] = {{kFilterPng, "png"},
                                                     {kFilterSvg, "svg"},
                                                     {kFilterPdf, "pdf"},
                                                     {kFilterJpeg, "jpg"},
                                                     {kFilterGif, "gif"}};
        QMap<QString, QByteArray> made;
        for (const auto& [filter, ext] : kinds) {
            w.pictureAnswer = dir_.filePath(QString("made.") + ext);
            w.pictureFilterAnswer = filter;
            w.SavePictureAs1Click();
            QVERIFY(WaitIdle(w));
            made[ext] = ReadAll(w.pictureAnswer);
        }

        QMimeData urls;
        urls.setUrls({QUrl::fromLocalFile(dir_.filePath("made.png"))});
        for (QObject* target :
             {static_cast<QObject*>(&w), static_cast<QObject*>(Box(w)->lineEdit())}) {
            SetAndPaint(w, "x");
            // The drop goes where the drag entered.
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &urls, Qt::LeftButton,
                                  Qt::NoModifier);
            QCoreApplication::sendEvent(target, &enter);
            QVERIFY(enter.isAccepted());
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &urls, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &drop);
            QVERIFY(drop.isAccepted());
            QTRY_COMPARE(Box(w)->currentText(), text);
            QVERIFY(WaitIdle(w));
            QCOMPARE(w.LastPaintedText(), text);
        }
        for (const char* mime : {"image/png", "image/svg+xml"}) {
            SetAndPaint(w, "x");
            auto* data = new QMimeData;
            data->setData(mime, made[QString(mime) == "image/png" ? "png" : "svg"]);
            QGuiApplication::clipboard()->setMimeData(data);
            w.OnhotKey();
            QVERIFY(WaitIdle(w));
            QCOMPARE(w.LastPaintedText(), text);
            QCOMPARE(w.HistoryItems().first(), QString("x"));
        }

        SetAndPaint(w, "kept");
        int refused = 0;
        for (auto it = made.cbegin(); it != made.cend(); ++it) {
            QByteArray cut = it.value().left(it.value().size() / 2);
            // The formula's text altered where the picture keeps it: its seal
            // no longer matches.
            QByteArray altered = it.value();
            altered.replace("sqrt", "sqrT");
            for (const QByteArray& bytes : {cut, altered}) {
                const QString name = dir_.filePath("hostile." + it.key());
                WriteAll(name, bytes);
                w.openAnswer = name;
                w.Open1Click();
                QVERIFY(WaitIdle(w));
                if (w.errors.size() > refused) {
                    QVERIFY2(w.errors.last().contains(name), qPrintable(w.errors.last()));
                    refused = w.errors.size();
                    QCOMPARE(Box(w)->currentText(), QString("kept"));
                } else {
                    QCOMPARE(Box(w)->currentText(), text);  // cut after the formula
                    SetAndPaint(w, "kept");
                }
                auto* data = new QMimeData;
                data->setData("image/png", bytes);
                data->setData("image/svg+xml", bytes);
                QGuiApplication::clipboard()->setMimeData(data);
                w.OnhotKey();
                QVERIFY(WaitIdle(w));
                QVERIFY(Box(w)->currentText() == "kept" || Box(w)->currentText() == text);
                SetAndPaint(w, "kept");
            }
        }
        QVERIFY2(refused >= int(made.size()), qPrintable(w.errors.join("\n")));
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
};

QTEST_MAIN(MainWindowFilesTest)
#include "test_main_window_files.moc"
