// Where the window opens: a stored placement fitted to the screen there is.
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "window_fixture.h"

using namespace nerovan;

class WindowPlacementTest : public WindowTest {
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(WindowPlacementTest)
#include "test_window_placement.moc"
