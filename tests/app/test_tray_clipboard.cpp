// The window's working cycle on the offscreen platform: the settings that
// shape the hot key and the tray menu, "Paste, paint and restore" with text
// and metafiles on the clipboard, copying the picture (also when it waits for
// a running paint), hiding to the tray and coming back, and saving pictures
// through the save-picture dialog.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSemaphore>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <gif_lib.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "clipboard_formats.h"
#include "emf.h"
#include "formula_carrier.h"
#include "picture_export.h"
#include "save_picture_dialog.h"
#include "window_fixture.h"

using namespace nerovan;

namespace {

const QStringList kEmfTargets{"application/x-openoffice-emf;windows_formatname=\"Image EMF\"",
                              "image/x-emf"};

// Another program's metafile of the given size.
QMimeData* ForeignMetafile(int width, int height) {
    Metafile other;
    other.Creator = "Drawing program";
    other.Description = "a chart";
    other.Width = width;
    other.Height = height;
    return MetafileMimeData(other);
}

QImage Rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

}  // namespace

class TrayClipboardTest : public WindowTest {
    Q_OBJECT

private slots:
    void SettingsShapeTheHotKeyAndTheTrayMenu() {
        {
            TestWindow w(NewSettings());
            QStringList items;
            for (QAction* a : w.findChild<QMenu*>("PopupMenu1")->actions()) items << a->text();
            QCOMPARE(items,
                     (QStringList{"Paste, paint and restore   Ctrl+Shift+F", "Show", "Close"}));
            QVERIFY(!Tray(w)->isVisible());
            QCOMPARE(Tray(w)->contextMenu(), w.findChild<QMenu*>("PopupMenu1"));
            QVERIFY(!Tray(w)->icon().isNull());
            // No X server here: nothing is registered.
            QVERIFY(!w.HotKeyRegistered());
        }
        // Sections and keys in any case; the settings win over the
        // component's own initial values; "Gx" gives the letter G.
        TestWindow w(
            NewSettings("[hotkey]\nctrl=0\nSHIFT=1\nAlt=1\nkey=gx\n"
                        "[CopyAsPicture]\nemf=1\n"
                        "[painter]\nmulpoint=2\nBlurBitmap=1\nautoinsertbuttons=0\n"));
        QCOMPARE(w.findChild<QAction*>("PaintRes1")->text(),
                 QString("Paste, paint and restore   Shift+Alt+G"));
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QVERIFY(w.Component().EMFPaint && w.Component().MulPoint && w.Component().BlurBitmap);
        }
        QVERIFY(w.findChild<QWidget*>("TabControl1")->isHidden());
        // Registering again (after the parameters dialog) captions anew.
        w.Settings.HotKeyCtrl = true;
        w.Settings.HotKeyLetter = 'K';
        w.RegisterProgramHotKey();
        QCOMPARE(w.findChild<QAction*>("PaintRes1")->text(),
                 QString("Paste, paint and restore   Ctrl+Shift+Alt+K"));
    }

    // Without global hot keys (no X server here) the status line says so
    // once: after the start-up's paint of the restored expression, in place
    // of its "OK" (an error stays on show, the next good paint takes it),
    // and the paints after that say "OK". Registering anew says it anew.
    void AHotKeyThatCannotBeRegisteredIsSaidOnce() {
        for (const char* restored : {"", "x+1", "x)"}) {
            TestWindow w(
                NewSettings(QByteArray("[Placement]\nExpression = \"") + restored + "\"\n"));
            QTRY_COMPARE(w.LastPaintedText(), QString(restored));
            QVERIFY(WaitIdle(w));
            if (QByteArray(restored) == "x)") {
                QTRY_COMPARE(w.StatusText(), QString("Unexpected bracket in \"x)\", pos:2"));
                SetAndPaint(w, "x");
            }
            QTRY_COMPARE(w.StatusText(), kNoHotKey);
            SetAndPaint(w, "y");
            QCOMPARE(w.StatusText(), QString("OK"));
            w.Settings.HotKeyLetter = 'K';
            w.RegisterProgramHotKey();
            QTRY_COMPARE(w.StatusText(),
                         QString("The hot key Ctrl+Shift+K could not be registered"));
        }
    }

    void HotKeyPastesClipboardText() {
        TestWindow w(NewSettings());
        PaintRecorder gate(w.Cycle());
        QVERIFY(WaitIdle(w));
        SetAndPaint(w, "a+b");
        w.AddToHistory();
        w.tray = true;
        w.HideToTray();
        QVERIFY(w.InTray());

        // A copy waiting for a paint is dropped by the hot key.
        gate.Hold("slow");
        SetAndPaint(w, "a+b");
        w.SetExpressionText("slow");
        w.RequestPaint();
        QTRY_VERIFY(gate.Holding());
        w.CopyAsPictureAndHide();
        QVERIFY(w.CopyPending());

        QGuiApplication::clipboard()->setText("a+b");
        w.OnhotKey();
        QVERIFY(!w.CopyPending());
        // The previous text goes first even though an equal entry exists.
        QCOMPARE(w.HistoryItems(), (QStringList{"slow", "a+b"}));
        QCOMPARE(w.ExpressionText(), QString("a+b"));
        // Back from the tray: shown, tray icon gone.
        QVERIFY(w.isVisible() && !w.isMinimized() && !w.InTray());
        QVERIFY(!Tray(w)->isVisible());
        gate.Release();
        QVERIFY(WaitIdle(w));
        QCOMPARE(gate.Painted(), (QStringList{"a+b", "slow", "a+b"}));
        QCOMPARE(w.LastPaintedText(), QString("a+b"));
        QCOMPARE(w.errors, QStringList{});
        QVERIFY(w.isVisible());  // the dropped copy did not hide it again

        // An empty clipboard leaves the text as it was and still restores.
        QGuiApplication::clipboard()->clear();
        w.HideToTray();
        w.OnhotKey();
        QCOMPARE(w.ExpressionText(), QString("a+b"));
        QVERIFY(w.isVisible() && !w.InTray());
    }

    void OwnMetafileGivesBackItsExpression() {
        TestWindow w(NewSettings());
        PaintRecorder gate(w.Cycle());
        QVERIFY(WaitIdle(w));
        SetMode(w, true);
        SetAndPaint(w, QString::fromUtf8("x^2+\xD0\xB6"));
        w.CopyAsPictureAndHide();
        const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(SortedFormats(clip), kEmfTargets);
        QCOMPARE(QString::fromStdString(EmfHeader(clip->data(kEmfMime)).Description),
                 QString::fromUtf8("x^2+\xD0\xB6"));

        SetAndPaint(w, "y");
        w.OnhotKey();
        QCOMPARE(w.ExpressionText(), QString::fromUtf8("x^2+\xD0\xB6"));
        QCOMPARE(w.HistoryItems().first(), QString("y"));
        QVERIFY(WaitIdle(w));
        QCOMPARE(gate.Painted().last(), QString::fromUtf8("x^2+\xD0\xB6"));
        QVERIFY(w.ShownPastedMetafile().isEmpty());  // the formula is painted again

        // Pasting the metafile of the formula already painted paints it again
        // rather than leave the pasted frame on show.
        const int paints = gate.Painted().size();
        w.OnhotKey();
        QVERIFY(WaitIdle(w));
        QCOMPARE(gate.Painted().size(), paints + 1);
        QVERIFY(w.ShownPastedMetafile().isEmpty());

        // Text and metafile together: the text first, then the metafile's expression.
        QMimeData* both;
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            both = MetafileMimeData(w.Component().Metafile());
        }
        both->setText("t");
        QGuiApplication::clipboard()->setMimeData(both);
        w.OnhotKey();
        QCOMPARE(w.ExpressionText(), QString::fromUtf8("x^2+\xD0\xB6"));
        QCOMPARE(w.HistoryItems().mid(0, 2), (QStringList{"t", QString::fromUtf8("x^2+\xD0\xB6")}));
        QVERIFY(WaitIdle(w));
    }

    // With the transparent background chosen, a bitmap copy's PNG and the
    // saved PNG, SVG and PDF leave the background out; the BMP, which has no
    // alpha, keeps it, and the copy still carries its formula.
    void TransparentCopiesAndSavedPictures() {
        TestWindow w(NewSettings("[COPYASPICTURE]\nEMF=0\nTRANSPARENT=1\n"));
        QVERIFY(WaitIdle(w));
        QVERIFY(w.Settings.PicturesTransparent());
        SetAndPaint(w, "a+b");
        w.CopyAsPictureAndHide();
        const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
        const QByteArray png = clip->data("image/png");
        const QImage copied = QImage::fromData(png, "PNG");
        QVERIFY(copied.hasAlphaChannel());
        QCOMPARE(qAlpha(copied.pixel(0, 0)), 0);
        QCOMPARE(QImage::fromData(clip->data("image/bmp"), "BMP").pixel(0, 0), qRgb(255, 255, 255));
        const auto formula =
            ReadFormula(reinterpret_cast<const uint8_t*>(png.data()), size_t(png.size()));
        QVERIFY(formula && *formula == "a+b");
        // The picture's size, its ink opaque; this program reads it back with alpha.
        QCOMPARE(copied.size(), w.ShownPicture().size());
        int ink = 0;
        for (int y = 0; y < copied.height(); ++y)
            for (int x = 0; x < copied.width(); ++x) ink += qAlpha(copied.pixel(x, y)) == 255;
        QVERIFY(ink > 10);
        QVERIFY(QGuiApplication::clipboard()->image().hasAlphaChannel());

        for (const auto& [filter, ext] :
             {std::pair{kFilterPng, "png"}, {kFilterSvg, "svg"}, {kFilterPdf, "pdf"}}) {
            w.pictureAnswer = dir_.filePath(QString("clear.") + ext);
            w.pictureFilterAnswer = filter;
            w.SavePictureAs1Click();
            QVERIFY(WaitIdle(w));
        }
        QVERIFY(w.errors.isEmpty());
        const QImage saved(dir_.filePath("clear.png"));
        QCOMPARE(qAlpha(saved.pixel(0, 0)), 0);
        QCOMPARE(saved.size(), copied.size());
        QVERIFY(!ReadAll(dir_.filePath("clear.svg")).contains("fill:rgb(100%,100%,100%)"));
        std::lock_guard<std::mutex> lock(w.ComponentMutex());
        QVERIFY(!w.Component().EMFPaint);  // the display keeps its kind
    }

    void ForeignMetafileShowsUntilTheNextPaint() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        SetAndPaint(w, "q");
        const QImage painted = w.ShownPicture();

        // Malformed: ignored, nothing changes.
        auto* junk = new QMimeData;
        junk->setData(kEmfMime, QByteArray("\x01\x00\x00\x00 not a metafile", 20));
        QGuiApplication::clipboard()->setMimeData(junk);
        w.OnhotKey();
        QCOMPARE(w.ShownPicture(), painted);
        QVERIFY(!w.ShownPictureIsMetafile());

        QGuiApplication::clipboard()->setMimeData(ForeignMetafile(120, 96));
        w.OnhotKey();
        QCOMPARE(w.ExpressionText(), QString("q"));
        QVERIFY(w.ShownPictureIsMetafile());
        QCOMPARE(w.ShownPicture().size(), QSize(120, 96));
        QVERIFY(WaitIdle(w));
        QVERIFY(!w.ShownPastedMetafile().isEmpty());  // no paint replaced it

        // The shown picture is a metafile: no JPEG from it, and a copy in
        // bitmap mode hands the pasted metafile on.
        w.pictureAnswer = dir_.filePath("foreign.jpg");
        w.pictureFilterAnswer = kFilterJpeg;
        w.SavePictureAs1Click();
        QCOMPARE(w.errors, QStringList{"Cannot assign a TMetafile to a TJPEGImage"});
        QVERIFY(!QFile::exists(w.pictureAnswer));
        const QByteArray pasted = w.ShownPastedMetafile();
        w.CopyAsPictureAndHide();
        QCOMPARE(SortedFormats(QGuiApplication::clipboard()->mimeData()), kEmfTargets);
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(kEmfMime), pasted);

        // The next paint replaces it.
        SetAndPaint(w, "q+1");
        QVERIFY(!w.ShownPictureIsMetafile());
        QVERIFY(w.ShownPastedMetafile().isEmpty());

        // A header claiming a vast picture gets a bounded frame.
        QGuiApplication::clipboard()->setMimeData(ForeignMetafile(30000, 96));
        w.OnhotKey();
        QCOMPARE(w.ShownPicture().size(), QSize(4096, 96));
    }

    void CopyPutsThePictureOnTheClipboardAndHides() {
        for (bool blur : {false, true}) {
            TestWindow w(NewSettings());
            QVERIFY(WaitIdle(w));
            SetMode(w, false, blur);
            SetAndPaint(w, "x_1+y^2");
            w.show();
            w.CopyAsPictureAndHide();
            const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
            QImage png;
            QVERIFY(png.loadFromData(clip->data("image/png"), "PNG"));
            // The palette picture keeps its palette.
            QCOMPARE(png.format() == QImage::Format_Indexed8, !blur);
            QCOMPARE(Rgb(png), Rgb(w.ShownPicture()));
            QCOMPARE(png.dotsPerMeterX(), 3780);
            const QByteArray bmp = clip->data("image/bmp");
            QCOMPARE(int(uchar(bmp[28])), blur ? 32 : 8);
            QVERIFY(!clip->hasFormat(kEmfMime));
            QVERIFY(w.isHidden() && w.InTray() && Tray(w)->isVisible());
            QVERIFY(!QApplication::quitOnLastWindowClosed());
            w.RestoreFromTray();
        }

        // Nothing painted yet: nothing is copied, the window stays and says why.
        TestWindow fresh(NewSettings());
        QVERIFY(WaitIdle(fresh));
        fresh.show();
        QGuiApplication::clipboard()->setText("kept");
        fresh.CopyAsPictureAndHide();
        QCOMPARE(fresh.errors, QStringList{"There is no picture to copy"});
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("kept"));
        QVERIFY(fresh.isVisible() && !fresh.InTray());
    }

    void CopyWaitsForThePaintAndIsNotLost() {
        TestWindow w(NewSettings());
        PaintRecorder gate(w.Cycle());
        QVERIFY(WaitIdle(w));
        w.show();
        QGuiApplication::clipboard()->setText("before");
        gate.Hold("a");
        w.SetExpressionText("a");
        w.RequestPaint();
        QTRY_VERIFY(gate.Holding());
        w.CopyAsPictureAndHide();
        QVERIFY(w.CopyPending());
        QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
        QVERIFY(w.isVisible());

        // The text changes before the paint ends: the end starts the next
        // paint, and the copy waits once more for that one.
        w.SetExpressionText("ab");
        gate.Release();  // lets "a" go; "ab" is held next
        gate.Hold("ab");
        QTRY_VERIFY(gate.Painted().size() == 2 && gate.Holding());
        QVERIFY(w.CopyPending());
        QVERIFY(w.isVisible());
        gate.Release();
        QVERIFY(WaitIdle(w));
        QVERIFY(!w.CopyPending());
        QCOMPARE(gate.Painted(), (QStringList{"a", "ab"}));
        QImage png;
        QVERIFY(png.loadFromData(QGuiApplication::clipboard()->mimeData()->data("image/png")));
        QCOMPARE(Rgb(png), Rgb(w.ShownPicture()));  // the picture of "ab"
        QVERIFY(w.InTray());
    }

    void TrayAndMinimise() {
        const QString path = NewSettings();
        auto* w = new TestWindow(path);
        QVERIFY(WaitIdle(*w));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));

        w->HideToTray();
        QVERIFY(w->isHidden() && Tray(*w)->isVisible());
        // The click that comes before a double click does nothing.
        emit Tray(*w)->activated(QSystemTrayIcon::Trigger);
        QVERIFY(w->isHidden());
        emit Tray(*w)->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w->isVisible() && !w->isMinimized() && !Tray(*w)->isVisible());
        QVERIFY(QApplication::quitOnLastWindowClosed());

        // The minimise button leads to the tray; "Show" brings it back.
        w->setWindowState(w->windowState() | Qt::WindowMinimized);
        QTRY_VERIFY(w->isHidden());
        QVERIFY(Tray(*w)->isVisible() && w->InTray());
        w->findChild<QAction*>("Show1")->trigger();
        QVERIFY(w->isVisible() && !w->isMinimized() && !w->InTray());

        // Without a notification area the window is minimised and stays
        // reachable from the task bar.
        w->tray = false;
        w->HideToTray();
        QVERIFY(w->isVisible() && w->isMinimized());
        QVERIFY(!Tray(*w)->isVisible() && !w->InTray());
        QTest::qWait(20);
        QVERIFY(w->isVisible());
        w->OnhotKey();
        QVERIFY(w->isVisible() && !w->isMinimized());

        // The notification area goes away while the window waits there: the
        // window comes back minimised, where the task bar reaches it.
        w->tray = true;
        w->HideToTray();
        QVERIFY(w->isHidden() && w->InTray());
        w->tray = false;
        QTRY_VERIFY(w->isVisible() && w->isMinimized());
        QVERIFY(!Tray(*w)->isVisible() && !w->InTray());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        w->OnhotKey();
        QVERIFY(w->isVisible() && !w->isMinimized());

        // "Close" from the tray closes the window and writes the settings.
        w->tray = true;
        w->HideToTray();
        w->findChild<QAction*>("Close1")->trigger();
        QVERIFY(!Tray(*w)->isVisible());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        const QString ini = QString::fromUtf8(ReadAll(path));
        for (const char* key :
             {"Shift", "Ctrl", "Alt", "Key", "EMF", "MULPOINT", "BLURBITMAP", "AUTOINSERTBUTTONS"})
            QVERIFY2(ini.contains(QString("\n%1 = ").arg(key)), key);
        delete w;
    }

    void SavePictureAsksOnceAndFollowsTheFilter() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        SetAndPaint(w, "x^2");
        const QImage shown = w.ShownPicture();

        // The first Save Picture asks; JPEG chosen, under a .bmp name.
        const QString name = dir_.filePath("picture.bmp");
        w.pictureAnswer = name;
        w.pictureFilterAnswer = kFilterJpeg;
        w.SavePicture1Click();
        QCOMPARE(w.dialogShowedName, QStringList{"Untitled.bmp"});
        QCOMPARE(w.dialogShowedFilter, QList<int>{1});
        QCOMPARE(w.PictureFileName(), name);
        QByteArray jpg = ReadAll(name);
        QCOMPARE(JpegFrameMarker(jpg), 0xC0);
        QImage decoded;
        QVERIFY(decoded.loadFromData(jpg, "JPEG"));
        QCOMPARE(decoded.size(), shown.size());

        // The next ones write without asking, in the format chosen last.
        SetAndPaint(w, "x^2+y^2");
        w.SavePicture1Click();
        QCOMPARE(w.dialogShowedName.size(), 1);
        jpg = ReadAll(name);
        QCOMPARE(JpegFrameMarker(jpg), 0xC0);
        QVERIFY(decoded.loadFromData(jpg, "JPEG"));
        QCOMPARE(decoded.size(), w.ShownPicture().size());

        // Save Picture As asks every time, with the name and filter of last time.
        const QString gif = dir_.filePath("picture.emf");
        w.pictureAnswer = gif;
        w.pictureFilterAnswer = kFilterGif;
        w.SavePictureAs1Click();
        QCOMPARE(w.dialogShowedName.last(), name);
        QCOMPARE(w.dialogShowedFilter.last(), kFilterJpeg);
        QCOMPARE(w.SavePictureFilterIndex(), kFilterGif);
        int err = 0;
        GifFileType* file = DGifOpenFileName(QFile::encodeName(gif).constData(), &err);
        QVERIFY(file);
        QCOMPARE(DGifSlurp(file), GIF_OK);
        QCOMPARE(file->ImageCount, 1);
        QCOMPARE(QSize(file->SWidth, file->SHeight), w.ShownPicture().size());
        DGifCloseFile(file, &err);

        // A cancelled dialog keeps name and filter.
        w.pictureAnswer.clear();
        w.SavePictureAs1Click();
        QCOMPARE(w.PictureFileName(), gif);
        QCOMPARE(w.SavePictureFilterIndex(), kFilterGif);
        QCOMPARE(w.errors, QStringList{});
    }

    void BitmapFilesAtEightAndThirtyTwoBits() {
        for (bool blur : {false, true}) {
            TestWindow w(NewSettings());
            QVERIFY(WaitIdle(w));
            SetMode(w, false, blur);
            SetAndPaint(w, "int(0,1,f(x) dx)");
            const QString path = dir_.filePath(blur ? "b32.jpg" : "b8.gif");
            w.pictureAnswer = path;
            w.pictureFilterAnswer = kFilterBitmap;
            w.SavePictureAs1Click();
            const QByteArray bmp = ReadAll(path);
            QVERIFY(bmp.startsWith("BM"));
            QCOMPARE(int(uchar(bmp[28])), blur ? 32 : 8);
            QImage back;
            QVERIFY(back.loadFromData(bmp, "BMP"));
            QCOMPARE(Rgb(back), Rgb(w.ShownPicture()));
        }
    }

    void MetafileModeSaves() {
        TestWindow w(NewSettings());
        PaintRecorder gate(w.Cycle());
        QVERIFY(WaitIdle(w));
        SetMode(w, true);
        SetAndPaint(w, "a/b");
        QVERIFY(w.ShownPictureIsMetafile());
        const int paints = gate.Painted().size();

        // JPEG and GIF need a bitmap on show; the name is taken all the same.
        const QString jpg = dir_.filePath("m.jpg");
        w.pictureAnswer = jpg;
        w.pictureFilterAnswer = kFilterJpeg;
        w.SavePictureAs1Click();
        QCOMPARE(w.errors, QStringList{"Cannot assign a TMetafile to a TJPEGImage"});
        QVERIFY(!QFile::exists(jpg));
        QCOMPARE(w.PictureFileName(), jpg);

        // A bitmap of the current formula; the display stays a metafile.
        const QString bmp = dir_.filePath("m.bmp");
        w.pictureAnswer = bmp;
        w.pictureFilterAnswer = kFilterBitmap;
        w.SavePictureAs1Click();
        QVERIFY(WaitIdle(w));
        QImage back;
        QVERIFY(back.load(bmp, "BMP"));
        QCOMPARE(back.size(), w.ShownPicture().size());
        QVERIFY(w.ShownPictureIsMetafile());
        QCOMPARE(gate.Painted().size(), paints + 1);  // the display painted again
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QVERIFY(w.Component().EMFPaint);
        }

        // The metafile file carries the expression.
        const QString emf = dir_.filePath("m.gif");
        w.pictureAnswer = emf;
        w.pictureFilterAnswer = kFilterMetafile;
        w.SavePictureAs1Click();
        QCOMPARE(QString::fromStdString(EmfHeader(ReadAll(emf)).Description), QString("a/b"));

        // A notation error of the synchronous paint goes to the error box and
        // writes nothing; the mode is as it was.
        SetMode(w, false);
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            w.Component().Expression = "(a))";
        }
        const QString bad = dir_.filePath("bad.emf");
        w.pictureAnswer = bad;
        w.SavePictureAs1Click();
        QCOMPARE(w.errors.size(), 2);
        QVERIFY2(w.errors.last().startsWith("Unexpected bracket"), qPrintable(w.errors.last()));
        QVERIFY(!QFile::exists(bad));
        {
            std::lock_guard<std::mutex> lock(w.ComponentMutex());
            QVERIFY(!w.Component().EMFPaint);
            w.Component().Expression = "a/b";
        }

        // A file that cannot be written: the error box names it, the name is taken.
        const QString nowhere = dir_.filePath("no/such/folder/p.bmp");
        w.pictureAnswer = nowhere;
        w.pictureFilterAnswer = kFilterBitmap;
        w.SavePictureAs1Click();
        QCOMPARE(w.errors.size(), 3);
        QVERIFY2(w.errors.last().contains(nowhere), qPrintable(w.errors.last()));
        QCOMPARE(w.PictureFileName(), nowhere);
    }

    void TheSavePictureDialog() {
        TestWindow w(NewSettings());
        QVERIFY(WaitIdle(w));
        SetAndPaint(w, "sum(i=1,n,i)");
        w.show();
        const QString chosen = dir_.filePath("chosen");
        QStringList seen;
        QTimer answer;
        answer.setInterval(50);
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            answer.stop();
            seen << dialog->windowTitle() << dialog->nameFilters() << dialog->defaultSuffix()
                 << dialog->selectedNameFilter();
            auto* preview = dialog->findChild<QLabel*>("SavePictureDialog1Preview");
            seen << QString::number(preview && !preview->pixmap().isNull());
            seen << QString::number(dialog->testOption(QFileDialog::DontConfirmOverwrite));
            dialog->selectNameFilter("CompuServe GIF Image (*.gif)");
            // As typed by the user: the toolkit's dialog keeps the focused
            // name box from selectFile.
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        answer.start();
        int filter = 2;
        const QString name = RunSavePictureDialog(&w, "Untitled.bmp", filter, w.ShownPicture());
        QCOMPARE(seen, (QStringList{
                           "Save picture as ...", "Bitmaps (*.bmp)", "Enhanced Metafiles (*.emf)",
                           "JPEG Image File (*.jpg)", "CompuServe GIF Image (*.gif)",
                           "Portable Network Graphics (*.png)", "Scalable Vector Graphics (*.svg)",
                           "Portable Document Format (*.pdf)", "bmp", "Enhanced Metafiles (*.emf)",
                           "1", "0"}));
        QCOMPARE(name, chosen + ".bmp");  // the default extension, whatever the filter
        QCOMPARE(filter, kFilterGif);
    }
};

QTEST_MAIN(TrayClipboardTest)
#include "test_tray_clipboard.moc"
