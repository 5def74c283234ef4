// The picture leaving the program and the formula coming back: clipboard
// contents in both modes, reading a formula from the clipboard, picture files
// by filter index, the hot key text, and the hot key's registration on a
// platform without X.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <gif_lib.h>
#include <xcb/xcb.h>

#include "app_bytes.h"
#include "atomic_file.h"
#include "clipboard_formats.h"
#include "component.h"
#include "emf.h"
#include "hot_key.h"
#include "picture_export.h"

using namespace nerovan;

namespace {

// The PNG's pHYs values (pixels per unit x, y and the unit), or false.
bool PngPhys(const QByteArray& png, quint32& x, quint32& y, int& unit) {
    auto be32 = [&](qsizetype at) {
        return (quint32(uchar(png[at])) << 24) | (quint32(uchar(png[at + 1])) << 16) |
               (quint32(uchar(png[at + 2])) << 8) | quint32(uchar(png[at + 3]));
    };
    qsizetype at = 8;  // after the signature
    while (at + 8 <= png.size()) {
        const quint32 len = be32(at);
        const QByteArray type = png.mid(at + 4, 4);
        if (type == "pHYs" && len == 9 && at + 17 <= png.size()) {
            x = be32(at + 8);
            y = be32(at + 12);
            unit = uchar(png[at + 16]);
            return true;
        }
        if (type == "IDAT") return false;  // pHYs must come before the data
        at += 12 + qsizetype(len);
    }
    return false;
}

// A component painted with the expression in the given mode.
void PaintIn(TNerovan& c, const std::string& expression, bool emf, bool blur = false) {
    c.Expression = expression;
    c.EMFPaint = emf;
    c.BlurBitmap = blur;
    c.Paint();
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT

private slots:
    void HotKeyTextAndTrayCaption() {
        QCOMPARE(HotKeyText(true, true, false, 'F'), QString("Ctrl+Shift+F"));
        QCOMPARE(HotKeyText(true, true, true, 'Q'), QString("Ctrl+Shift+Alt+Q"));
        QCOMPARE(HotKeyText(false, true, true, 'A'), QString("Shift+Alt+A"));
        QCOMPARE(HotKeyText(false, false, true, 'Z'), QString("Alt+Z"));
        QCOMPARE(HotKeyText(false, false, false, 'G'), QString("G"));
        QCOMPARE(PaintRes1Caption(HotKeyText(true, true, false, 'F')),
                 QString("Paste, paint and restore   Ctrl+Shift+F"));
        QCOMPARE(HotKeyModifiers(true, true, false), 6);
        QCOMPARE(HotKeyModifiers(false, false, true), 1);
    }

    void HotKeyDoesNothingWithoutX() {
        QCOMPARE(QGuiApplication::platformName(), QString("offscreen"));
        GlobalHotKey key;
        QSignalSpy spy(&key, &GlobalHotKey::Activated);
        QVERIFY(!key.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(!key.IsRegistered());
        key.Unregister();
        key.Unregister();
        // A key press that would match a registration is not taken.
        xcb_key_press_event_t press{};
        press.response_type = XCB_KEY_PRESS;
        press.detail = key.HotKeyAtom().Keycode;
        press.state = key.HotKeyAtom().Modifiers;
        QVERIFY(!key.nativeEventFilter("xcb_generic_event_t", &press, nullptr));
        QCOMPARE(spy.count(), 0);
        QVERIFY(!key.Register(kHotKeyCtrl, '7'));  // not a letter
    }

    void MetafileOnClipboardCarriesTheExpression() {
        TNerovan c;
        // "\xE0" is Cyrillic a in Windows-1251: the description reads back as Unicode.
        PaintIn(c, "x^2+\xE0", true);
        std::unique_ptr<QMimeData> data(MetafileMimeData(c.Metafile()));
        QCOMPARE(SortedFormats(data.get()),
                 (QStringList{"application/x-openoffice-emf;windows_formatname=\"Image EMF\"",
                              "image/x-emf"}));
        QVERIFY(!data->hasText());
        QVERIFY(!data->hasImage());
        QCOMPARE(data->data(kEmfMime), data->data(kEmfMimeOffice));

        // Through the clipboard and back, as the hot key reads it.
        QGuiApplication::clipboard()->setMimeData(data.release());
        const ClipboardFormula f = ReadClipboardFormula(QGuiApplication::clipboard()->mimeData());
        QVERIFY(!f.HasText);
        QVERIFY(f.HasMetafile);
        QCOMPARE(f.Creator(), QString("Nerovan by Tarquel"));
        QVERIFY(IsOwnCreator(f.Creator()));
        QCOMPARE(f.Description(), QString::fromUtf8("x^2+\xD0\xB0"));
        QCOMPARE(f.Header.Width, c.Metafile().Width);
        QCOMPARE(f.Header.Height, c.Metafile().Height);
        QVERIFY(f.Emf.startsWith(QByteArray("\x01\x00\x00\x00", 4)));  // EMR_HEADER
    }

    void ForeignOrMalformedMetafileIsIgnored() {
        TNerovan c;
        PaintIn(c, "a/b", true);
        const std::vector<uint8_t> good = SerializeEmf(c.Metafile());
        const QByteArray emf(reinterpret_cast<const char*>(good.data()), qsizetype(good.size()));

        QByteArray bad_offset = emf;  // description offset far past the header
        bad_offset[64] = char(0xF0);
        bad_offset[65] = bad_offset[66] = bad_offset[67] = char(0xFF);
        QByteArray huge_size = emf;  // file size field larger than the bytes
        huge_size[48] = huge_size[49] = huge_size[50] = huge_size[51] = char(0x7F);
        for (const QByteArray& junk : {QByteArray(), QByteArray("not a metafile at all"),
                                       emf.left(40), emf.left(100), bad_offset, huge_size}) {
            for (const char* target : {kEmfMimeOffice, kEmfMime}) {
                QMimeData data;
                data.setData(target, junk);
                const ClipboardFormula f = ReadClipboardFormula(&data);
                QVERIFY(!f.HasMetafile);
                QVERIFY(f.Emf.isEmpty());
                QVERIFY(f.Creator().isEmpty());
            }
        }
        // A broken office target does not hide a good image/x-emf one.
        QMimeData both;
        both.setData(kEmfMimeOffice, bad_offset);
        both.setData(kEmfMime, emf);
        QVERIFY(ReadClipboardFormula(&both).HasMetafile);

        // Another program's metafile is read but not taken as our own.
        Metafile other;
        other.Creator = "Drawing program";
        other.Description = "a chart";
        other.Width = other.Height = 10;
        std::unique_ptr<QMimeData> foreign(MetafileMimeData(other));
        const ClipboardFormula f = ReadClipboardFormula(foreign.get());
        QVERIFY(f.HasMetafile);
        QVERIFY(!IsOwnCreator(f.Creator()));
        QCOMPARE(f.Description(), QString("a chart"));
        QVERIFY(!ReadClipboardFormula(nullptr).HasMetafile);
    }

    void TextComesFirstAndOnlyPlainText() {
        TNerovan c;
        PaintIn(c, "sqrt(2)", true);
        std::unique_ptr<QMimeData> data(MetafileMimeData(c.Metafile()));
        data->setText("a+b");
        const ClipboardFormula f = ReadClipboardFormula(data.get());
        QVERIFY(f.HasText);
        QCOMPARE(f.Text, QString("a+b"));
        QVERIFY(f.HasMetafile);
        QCOMPARE(f.Description(), QString("sqrt(2)"));

        QMimeData empty_text;
        empty_text.setText("");
        QVERIFY(ReadClipboardFormula(&empty_text).HasText);

        QMimeData file;  // a copied file is no formula
        file.setUrls({QUrl::fromLocalFile("/tmp/x.txt")});
        QVERIFY(file.hasText());
        const ClipboardFormula g = ReadClipboardFormula(&file);
        QVERIFY(!g.HasText && !g.HasMetafile);
    }

    void OwnCreatorRule() {
        QVERIFY(IsOwnCreator("Nerovan by Tarquel"));
        QVERIFY(IsOwnCreator("Nerovan2"));
        QVERIFY(!IsOwnCreator("Nerovan"));
        QVERIFY(!IsOwnCreator("nerovan by Tarquel"));
        QVERIFY(!IsOwnCreator(" Nerovan by Tarquel"));
        QVERIFY(!IsOwnCreator(""));
    }

    void BitmapOnClipboardIsPngAndBmp() {
        for (bool blur : {false, true}) {
            TNerovan c;
            PaintIn(c, "x_1+y^2", false, blur);
            const Bitmap& b = c.Bitmap();
            std::unique_ptr<QMimeData> data(BitmapMimeData(b));
            // Exactly these two: listed image data would make the window
            // system's clipboard offer a dozen converted formats besides.
            QCOMPARE(SortedFormats(data.get()), (QStringList{"image/bmp", "image/png"}));

            const QByteArray png = data->data("image/png");
            QImage image;
            QVERIFY(image.loadFromData(png, "PNG"));
            QCOMPARE(image.size(), QSize(b.Width(), b.Height()));
            QCOMPARE(image.format() == QImage::Format_Indexed8, !blur);
            quint32 px = 0, py = 0;
            int unit = 0;
            QVERIFY(PngPhys(png, px, py, unit));
            QCOMPARE(px, 3780u);
            QCOMPARE(py, 3780u);
            QCOMPARE(unit, 1);

            const QByteArray bmp = data->data("image/bmp");
            QVERIFY(bmp.startsWith("BM"));
            QCOMPARE(int(uchar(bmp[28])), blur ? 32 : 8);

            // The image data shows the same pixels as the PNG.
            QGuiApplication::clipboard()->setMimeData(data.release());
            const QImage clip = QGuiApplication::clipboard()->image();
            QCOMPARE(clip.size(), image.size());
            QCOMPARE(clip.dotsPerMeterX(), 3780);
            QCOMPARE(clip.convertToFormat(QImage::Format_RGB32),
                     image.convertToFormat(QImage::Format_RGB32));
        }
        Bitmap empty;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, BitmapMimeData(empty));
    }

    void FileContentFollowsTheFilter() {
        QTemporaryDir dir;
        TNerovan c;
        PaintIn(c, "x^2", false);  // 8-bit bitmap
        Bitmap shown;
        shown.CopyFrom(c.Bitmap());

        // JPEG data under a .bmp name: baseline, not a bitmap file.
        const QString jpg_as_bmp = dir.filePath("formula.bmp");
        WritePictureForFilter(kFilterJpeg, jpg_as_bmp.toStdString(), c, &shown);
        const QByteArray jpg = ReadAll(jpg_as_bmp);
        QVERIFY(jpg.startsWith("\xFF\xD8"));
        QCOMPARE(JpegFrameMarker(jpg), 0xC0);
        QImage decoded;
        QVERIFY(decoded.loadFromData(jpg, "JPEG"));
        QCOMPARE(decoded.size(), QSize(shown.Width(), shown.Height()));

        // BMP at 8 bits, then at 32 bits when the bitmap is smoothed.
        for (bool blur : {false, true}) {
            PaintIn(c, "a+b", false, blur);
            const QString path = dir.filePath(blur ? "b32.gif" : "b8.jpg");
            WritePictureForFilter(kFilterBitmap, path.toStdString(), c, nullptr);
            const QByteArray bmp = ReadAll(path);
            QVERIFY(bmp.startsWith("BM"));
            QCOMPARE(int(uchar(bmp[28])), blur ? 32 : 8);
            QImage back;
            QVERIFY(back.loadFromData(bmp, "BMP"));
            QCOMPARE(back.size(), QSize(c.Bitmap().Width(), c.Bitmap().Height()));
            const uint8_t* p = c.Bitmap().ScanLine(0);  // the margin's background
            QCOMPARE(back.pixel(0, 0), qRgb(p[2], p[1], p[0]));
        }

        // GIF: one image, decodable, the displayed picture's size.
        const QString gif_path = dir.filePath("formula.emf");
        WritePictureForFilter(kFilterGif, gif_path.toStdString(), c, &shown);
        int err = 0;
        GifFileType* gif = DGifOpenFileName(gif_path.toLocal8Bit().constData(), &err);
        QVERIFY(gif);
        QCOMPARE(DGifSlurp(gif), GIF_OK);
        QCOMPARE(gif->ImageCount, 1);
        QCOMPARE(gif->SWidth, shown.Width());
        QCOMPARE(gif->SHeight, shown.Height());
        DGifCloseFile(gif, &err);

        // EMF from the component's metafile, whatever the name.
        PaintIn(c, "sum(i=1,n,i)", true);
        const QString emf_path = dir.filePath("formula.jpg");
        WritePictureForFilter(kFilterMetafile, emf_path.toStdString(), c, nullptr);
        const QByteArray emf = ReadAll(emf_path);
        EmfHeaderInfo header;
        QVERIFY(ReadEmfHeader(reinterpret_cast<const uint8_t*>(emf.constData()), size_t(emf.size()),
                              header));
        QCOMPARE(QString::fromStdString(header.Description), QString("sum(i=1,n,i)"));

        // Any other index writes nothing.
        for (int index : {0, kFilterPdf + 1, -1}) {
            const QString path = dir.filePath(QString("none%1.bmp").arg(index));
            WritePictureForFilter(index, path.toStdString(), c, &shown);
            QVERIFY(!QFile::exists(path));
        }
    }

    void FailuresWriteNothing() {
        QTemporaryDir dir;
        TNerovan c;
        PaintIn(c, "x", true);

        // The display shows a metafile: JPEG and GIF cannot be made.
        const QString path = dir.filePath("p.jpg");
        for (int index : {kFilterJpeg, kFilterGif}) {
            try {
                WritePictureForFilter(index, path.toStdString(), c, nullptr);
                QFAIL("no error");
            } catch (const EConvertError& e) {
                QCOMPARE(QString(e.what()),
                         index == kFilterJpeg
                             ? QString("Cannot assign a TMetafile to a TJPEGImage")
                             : QString("Cannot assign a TMetafile to a TGIFImage"));
            }
            QVERIFY(!QFile::exists(path));
        }

        // A folder that does not exist: the file error names the file.
        const std::string missing = dir.filePath("no/such/folder/p.emf").toStdString();
        try {
            WritePictureForFilter(kFilterMetafile, missing, c, nullptr);
            QFAIL("no error");
        } catch (const EFileError& e) {
            QCOMPARE(e.Path(), missing);
            QVERIFY(std::string(e.what()).find(missing) != std::string::npos);
        }

        // An empty displayed picture fails and leaves the old file intact.
        const QString old = dir.filePath("old.gif");
        WriteAll(old, "previous");
        Bitmap empty;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 WritePictureForFilter(kFilterGif, old.toStdString(), c, &empty));
        QCOMPARE(ReadAll(old), QByteArray("previous"));
    }

    void BitmapSaveInMetafileModeKeepsTheMode() {
        QTemporaryDir dir;
        TNerovan c;
        PaintIn(c, "x+1", true);
        const int metafile_ops = int(c.Metafile().List.Ops.size());
        c.Expression = "(a+b)/(c+d)";  // the current formula, not yet painted
        const QString path = dir.filePath("p.bmp");
        {
            ScopedPictureMode mode(c, kFilterBitmap);
            QVERIFY(mode.Switched());
            QVERIFY(!c.EMFPaint);
            c.Paint();
            WritePictureForFilter(kFilterBitmap, path.toStdString(), c, nullptr);
        }
        QVERIFY(c.EMFPaint);
        QCOMPARE(int(c.Metafile().List.Ops.size()), metafile_ops);
        QImage back;
        QVERIFY(back.load(path, "BMP"));
        QVERIFY(back.height() > 30);  // the fraction, not the one-line "x+1"

        {  // Already in the right mode: no switch, no paint needed.
            ScopedPictureMode mode(c, kFilterMetafile);
            QVERIFY(!mode.Switched());
        }
        {
            ScopedPictureMode mode(c, kFilterJpeg);
            QVERIFY(!mode.Switched());
            QVERIFY(c.EMFPaint);
        }
        // A failed save still puts the mode back.
        c.EMFPaint = false;
        try {
            ScopedPictureMode mode(c, kFilterMetafile);
            QVERIFY(c.EMFPaint);
            WritePictureForFilter(kFilterMetafile, dir.filePath("x/y.emf").toStdString(), c,
                                  nullptr);
            QFAIL("no error");
        } catch (const EFileError&) {
        }
        QVERIFY(!c.EMFPaint);
    }
};

QTEST_MAIN(ExportTest)
#include "test_export.moc"
