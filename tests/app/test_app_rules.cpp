// The rules of the window that need no widget: history, demo sequence and
// the settings file.
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "app_bytes.h"
#include "demo_generator.h"
#include "history.h"
#include "settings_file.h"
#include "window_system.h"

using namespace nerovan;

class AppRulesTest : public QObject {
    Q_OBJECT

private slots:
    void HistoryKeepsSixteenNewestFirst() {
        History h;
        for (int i = 1; i <= 16; ++i) QVERIFY(h.Add(QString::number(i)));
        QCOMPARE(h.Items().size(), 16);
        QVERIFY(h.Add("17"));  // the 17th drops the oldest
        QCOMPARE(h.Items().size(), 16);
        QCOMPARE(h.Items().first(), QString("17"));
        QCOMPARE(h.Items().last(), QString("2"));
        QVERIFY(!h.Add("9"));  // an existing text keeps its place
        QCOMPARE(h.Items().indexOf("9"), 8);
        QVERIFY(!h.Contains("x"));
        QVERIFY(!History::HistoryContains("A", {"a"}));  // case-sensitive
        h.Push("9");                                     // a paste pushes without looking
        QCOMPARE(h.Items().count("9"), 2);
        QCOMPARE(h.Items().size(), 16);
        h.SetItems(QStringList(20, "z"));
        QCOMPARE(h.Items().size(), 16);
    }

    void WaylandFirstOnlyWhereTheSessionIsWayland() {
        QCOMPARE(PreferredPlatforms("", "wayland-0", ""), QByteArray("wayland;xcb"));
        QCOMPARE(PreferredPlatforms("", "", "wayland"), QByteArray("wayland;xcb"));
        QCOMPARE(PreferredPlatforms("xcb", "wayland-0", "wayland"), QByteArray());  // the user's
        QCOMPARE(PreferredPlatforms("", "wayland-0", "x11"), QByteArray());
        QCOMPARE(PreferredPlatforms("", "", "tty"), QByteArray());
    }

    void DemoSequenceOfAFreshRun() {
        DemoGenerator g;
        QList<int> seen;
        for (int i = 0; i < 12; ++i) seen << g.NextDemoNumber();
        QCOMPARE(seen, (QList<int>{1, 1, 16, 4, 5, 13, 6, 3, 7, 8, 2, 9}));
    }

    void HotKeyLetterRule() {
        QCOMPARE(SettingsFile::LetterFromKey("f"), 'F');
        QCOMPARE(SettingsFile::LetterFromKey("7"), 'F');
        QCOMPARE(SettingsFile::LetterFromKey("Gx"), 'G');
        QCOMPARE(SettingsFile::LetterFromKey(""), 'F');
        QCOMPARE(SettingsFile::LetterFromKey("\xC3\xA9"), 'F');
    }

    void MissingOrMalformedFileGivesTheDefaults() {
        QTemporaryDir dir;
        for (const QByteArray& content : {QByteArray(), QByteArray("\x00\xFF garbage [[[ =\n", 18),
                                          QByteArray("[HOTKEY]\nShift=yes\nKey=\n")}) {
            const QString path = dir.filePath("Nerovan.Ini");
            WriteAll(path, content);
            const ProgramSettings s = SettingsFile(path).ReadProgramSettings();
            QVERIFY(s.HotKeyCtrl && s.HotKeyShift && !s.HotKeyAlt);
            QCOMPARE(s.HotKeyLetter, 'F');
            QVERIFY(!s.EMFPaint && !s.MulPoint && !s.BlurBitmap && s.AutoInsertButtons);
            const PlacementState p = SettingsFile(path).ReadPlacement();
            QVERIFY(!p.HasGeometry);
            QCOMPARE(p.FontName, QString("Times New Roman"));
            QCOMPARE(p.FontHeight, -27);
        }
        QVERIFY(!SettingsFile(dir.filePath("none.ini")).ReadPlacement().HasGeometry);
    }

    // A stored font height is taken within the typesetter's bound of 2000
    // pixels, as an em (negative) or a cell (positive); 0 gives the default.
    void FontHeightIsReadWithinTheTypesettersBound_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("height");
        QTest::newRow("em") << QByteArray("-30") << -30;
        QTest::newRow("cell") << QByteArray("12") << 12;
        QTest::newRow("largest em") << QByteArray("-2000") << -2000;
        QTest::newRow("em too large") << QByteArray("-2001") << -2000;
        QTest::newRow("cell too large") << QByteArray("100000") << 2000;
        QTest::newRow("int min") << QByteArray("-2147483648") << -2000;
        QTest::newRow("int max") << QByteArray("2147483647") << 2000;
        QTest::newRow("beyond long") << QByteArray("-99999999999999999999999") << -2000;
        QTest::newRow("zero") << QByteArray("0") << -27;
        QTest::newRow("not a number") << QByteArray("big") << -27;
    }
    void FontHeightIsReadWithinTheTypesettersBound() {
        QFETCH(QByteArray, stored);
        QFETCH(int, height);
        QTemporaryDir dir;
        const QString path = dir.filePath("Nerovan.Ini");
        WriteAll(path, "[Placement]\nFontHeight = " + stored + "\n");
        QCOMPARE(SettingsFile(path).ReadPlacement().FontHeight, height);
    }

    // Values no screen or history can hold are read within bounds, and a
    // history count beyond the entries there gives only the entries there.
    void PlacementIsReadWithinBounds() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Nerovan.Ini");
        WriteAll(path,
                 "[Placement]\nWidth = 99999999999\nHeight = 100000\nLeft = -99999999999\n"
                 "HistoryCount = 2147483647\nHistory0 = \"a\"\nHistory2 = \"b\"\n");
        const PlacementState p = SettingsFile(path).ReadPlacement();
        QCOMPARE(p.Width, 1000000);
        QCOMPARE(p.Height, 100000);
        QCOMPARE(p.Left, -1000000);
        QCOMPARE(p.History, QStringList({"a", "b"}));
    }

    // A FIFO (which would never end) or a file over 1 MB is not read: the
    // defaults hold, the reason is given, and saving leaves it as it is.
    void OnlyARegularFileOfSaneSizeIsRead() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.ini"), big = dir.filePath("big.ini");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray content("[HOTKEY]\nKey = G\n");
        content += QByteArray(SettingsFile::kLargestFile, '#');
        WriteAll(big, content);
        for (const QString& path : {fifo, big}) {
            SettingsFile file(path);
            QVERIFY2(file.Refused().contains(path), qPrintable(file.Refused()));
            QCOMPARE(file.ReadProgramSettings().HotKeyLetter, 'F');
            file.WritePlacement(PlacementState());
            QVERIFY(file.Save());
        }
        struct stat st;
        QVERIFY(stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        QFile f(big);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
        QVERIFY(SettingsFile(dir.filePath("missing.ini")).Refused().isEmpty());
    }

    void KeysAreReadWithoutRegardToCase() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Nerovan.Ini");
        WriteAll(
            path,
            "[hotkey]\nshift=0\nALT=5\nkey=g\n[copyAsPicture]\nemf=1\n[Painter]\nMulPoint=1\n");
        const ProgramSettings s = SettingsFile(path).ReadProgramSettings();
        QVERIFY(!s.HotKeyShift);
        QVERIFY(s.HotKeyAlt);  // any non-zero value is true
        QCOMPARE(s.HotKeyLetter, 'G');
        QVERIFY(s.EMFPaint && s.MulPoint && !s.BlurBitmap);
    }

    void SavingWritesAllEightEntriesAndKeepsOthers() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Nerovan.Ini");
        WriteAll(path, "[Other]\nKeep=this\n");
        SettingsFile file(path);
        ProgramSettings s;
        s.HotKeyLetter = 'Q';
        s.BlurBitmap = true;
        file.WriteProgramSettings(s);
        PlacementState p;
        p.HasGeometry = true;
        p.Left = 10;
        p.Width = 600;
        p.Expression = "  a \xD0\x96  ";  // blanks and a Cyrillic letter survive
        // Line breaks and other control characters keep every entry on its
        // own line; a '%' or quote of the text stays as it is.
        p.History = {"x^2", " ",  "sum(i=1, n, i)",    "a\r\nb ", "\n", "50%0A\r",
                     "'q'", "\"", QString(3, QChar(0))};
        p.FontName = "Liberation Serif";
        p.FontHeight = -30;
        p.FontStyle = 3;
        file.WritePlacement(p);
        QString error;
        QVERIFY2(file.Save(&error), qPrintable(error));

        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(saved.readAll());
        QVERIFY(text.contains("Keep = this") || text.contains("Keep=this"));
        const QStringList order = {"Shift", "Ctrl",     "Alt",        "Key",
                                   "EMF",   "MULPOINT", "BLURBITMAP", "AUTOINSERTBUTTONS"};
        int at = -1;
        for (const QString& key : order) {
            const int next = text.indexOf(
                QRegularExpression("^" + key + " ?= ?", QRegularExpression::MultilineOption));
            QVERIFY2(next > at, qPrintable(key));
            at = next;
        }
        QVERIFY(
            text.contains(QRegularExpression("^Key ?= ?Q$", QRegularExpression::MultilineOption)));
        QVERIFY(text.contains(
            QRegularExpression("^BLURBITMAP ?= ?1$", QRegularExpression::MultilineOption)));

        SettingsFile again(path);
        QCOMPARE(again.ReadProgramSettings().HotKeyLetter, 'Q');
        const PlacementState r = again.ReadPlacement();
        QVERIFY(r.HasGeometry);
        QCOMPARE(r.Left, 10);
        QCOMPARE(r.Width, 600);
        QCOMPARE(r.Expression, p.Expression);
        QCOMPARE(r.History, p.History);
        QCOMPARE(r.FontName, p.FontName);
        QCOMPARE(r.FontHeight, -30);
        QCOMPARE(r.FontStyle, 3);
    }

    void FailedSaveNamesTheFileAndKeepsTheOldOne() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Nerovan.Ini");
        SettingsFile file(path);
        QVERIFY(file.Save());
        // A folder where the file should be makes the rename fail.
        const QString blocked = dir.filePath("blocked");
        QVERIFY(QDir().mkpath(blocked + "/x"));
        SettingsFile bad(blocked);
        QString error;
        QVERIFY(!bad.Save(&error));
        QVERIFY2(error.contains(blocked), qPrintable(error));
        QVERIFY(QFileInfo(blocked).isDir());
    }

    void DefaultPathFollowsTheExecutablesFolder() {
        QTemporaryDir dir;
        QCOMPARE(SettingsFile::DefaultPath(dir.path()), dir.filePath("Nerovan.Ini"));
        qputenv("XDG_CONFIG_HOME", dir.filePath("cfg").toUtf8());
        // Not writable, or an installed bin folder although writable.
        QVERIFY(QDir(dir.path()).mkdir("bin"));
        for (const QString& exe : {QString("/nonexistent-folder"), dir.filePath("bin")})
            QCOMPARE(SettingsFile::DefaultPath(exe), dir.filePath("cfg/nerovan/Nerovan.Ini"));
    }
};

QTEST_GUILESS_MAIN(AppRulesTest)
#include "test_app_rules.moc"
