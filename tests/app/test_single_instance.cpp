// One window program per user: a later start hands its request to the
// running program (which pastes like the hot key), two users' folders keep
// their programs apart, a socket left behind is taken over, a folder open
// to others is refused, and clients that send nothing sensible get nothing.
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <future>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "single_instance.h"
#include "window_fixture.h"

using namespace nerovan;

using Request = SingleInstance::Request;
using Outcome = SingleInstance::Outcome;

namespace {

// A later start of the program: on a thread of its own, since it waits for
// the running program, which answers on this thread's event loop.
Outcome StartAgain(const QString& folder, Request request) {
    auto later = std::async(std::launch::async,
                            [folder, request] { return SingleInstance(folder).Start(request); });
    const bool done = QTest::qWaitFor(
        [&] { return later.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        2 * SingleInstance::kAnswerMs);
    return done ? later.get() : Outcome::Failed;
}

// A socket file whose program has ended: bound, never listened on, left behind.
void LeaveDeadSocket(const QString& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(), name.size());
    QVERIFY(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    close(fd);
}

}  // namespace

class SingleInstanceTest : public WindowTest {
    Q_OBJECT

    // A fresh runtime folder for each program: the socket's folder in it.
    QString NewFolder() {
        const QString runtime = dir_.filePath(QString("run%1").arg(++folders_));
        QDir().mkpath(runtime);
        return runtime + "/nerovan";
    }
    int folders_ = 0;

private slots:
    void ArgumentsAndFolderRule() {
        QCOMPARE(SingleInstance::RequestFromArguments({"nerovan"}), Request::Show);
        QCOMPARE(SingleInstance::RequestFromArguments({"nerovan", "--show"}), Request::Show);
        QCOMPARE(SingleInstance::RequestFromArguments({"nerovan", "--paste"}), Request::Paste);
        const QByteArray kept = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", "/run/user/1234");
        QCOMPARE(SingleInstance::DefaultFolder(), QString("/run/user/1234/nerovan"));
        qunsetenv("XDG_RUNTIME_DIR");
        QCOMPARE(SingleInstance::DefaultFolder(), QString("/tmp/nerovan-%1").arg(geteuid()));
        if (!kept.isEmpty()) qputenv("XDG_RUNTIME_DIR", kept);
    }

    void LaterStartHandsItsRequestOver_data() {
        QTest::addColumn<Request>("request");
        QTest::newRow("show") << Request::Show;
        QTest::newRow("paste") << Request::Paste;
    }
    void LaterStartHandsItsRequestOver() {
        QFETCH(Request, request);
        const QString folder = NewFolder();
        SingleInstance first(folder);
        QCOMPARE(first.Start(Request::Show), Outcome::Listening);
        QSignalSpy requests(&first, &SingleInstance::Requested);
        QCOMPARE(StartAgain(folder, request), Outcome::Forwarded);
        QTRY_COMPARE(requests.size(), 1);
        QCOMPARE(requests[0][0].value<Request>(), request);
        // The folder is the user's alone.
        QCOMPARE(QFile::permissions(folder) & 0x0077, QFileDevice::Permissions());
    }

    void PasteRequestRunsTheHotKeysAction() {
        const QString folder = NewFolder();
        SingleInstance first(folder);
        QCOMPARE(first.Start(Request::Show), Outcome::Listening);
        TestWindow w(NewSettings());
        ServeWindow(first, w, Request::Show);
        QVERIFY(WaitIdle(w));
        w.HideToTray();
        QVERIFY(w.InTray());

        QGuiApplication::clipboard()->setText("x^2+1");
        QCOMPARE(StartAgain(folder, Request::Paste), Outcome::Forwarded);
        QTRY_COMPARE(w.ExpressionText(), QString("x^2+1"));
        QVERIFY(w.isVisible() && !w.InTray());
        QVERIFY(WaitIdle(w));
        QCOMPARE(w.LastPaintedText(), QString("x^2+1"));

        // "show" brings the window back without touching the box.
        w.HideToTray();
        QGuiApplication::clipboard()->setText("other");
        QCOMPARE(StartAgain(folder, Request::Show), Outcome::Forwarded);
        QTRY_VERIFY(w.isVisible() && !w.InTray());
        QCOMPARE(w.ExpressionText(), QString("x^2+1"));

        // The first start's own paste, once its window is up.
        TestWindow fresh(NewSettings());
        ServeWindow(first, fresh, Request::Paste);
        QTRY_COMPARE(fresh.ExpressionText(), QString("other"));
    }

    void TwoUsersFoldersDoNotMeet() {
        SingleInstance mine(NewFolder()), theirs(NewFolder());
        QCOMPARE(mine.Start(Request::Show), Outcome::Listening);
        QCOMPARE(theirs.Start(Request::Show), Outcome::Listening);
        QVERIFY(mine.SocketPath() != theirs.SocketPath());
    }

    void LeftBehindSocketIsTakenOver_data() {
        QTest::addColumn<bool>("socketFile");
        QTest::newRow("socket of an ended program") << true;
        QTest::newRow("plain file") << false;
    }
    void LeftBehindSocketIsTakenOver() {
        QFETCH(bool, socketFile);
        const QString folder = NewFolder();
        QString why;
        QVERIFY(SingleInstance::PrepareFolder(folder, &why));
        SingleInstance first(folder);
        if (socketFile)
            LeaveDeadSocket(first.SocketPath());
        else
            WriteAll(first.SocketPath(), "left");
        QCOMPARE(first.Start(Request::Show), Outcome::Listening);
        QSignalSpy requests(&first, &SingleInstance::Requested);
        QCOMPARE(StartAgain(folder, Request::Show), Outcome::Forwarded);
        QTRY_COMPARE(requests.size(), 1);
    }

    void UnsafeFolderIsRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("open to others") << "open";
        QTest::newRow("a link to a folder") << "link";
        QTest::newRow("a file") << "file";
    }
    void UnsafeFolderIsRefused() {
        QFETCH(QString, kind);
        const QString folder = NewFolder();
        if (kind == "open") {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        } else if (kind == "link") {
            const QString real = NewFolder();
            QVERIFY(QDir().mkpath(real));
            QVERIFY(chmod(QFile::encodeName(real).constData(), 0700) == 0);
            QVERIFY(QFile::link(real, folder));
        } else {
            WriteAll(folder, "x");
        }
        SingleInstance instance(folder);
        QCOMPARE(instance.Start(Request::Show), Outcome::Alone);
        QVERIFY(!instance.Error().isEmpty());
        QVERIFY(!QFile::exists(instance.SocketPath()));
    }

    void NonsenseGetsNoAnswer_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("unknown line") << QByteArray("quit\n");
        QTest::newRow("overlong line") << QByteArray(SingleInstance::kLineLimit + 10, 'p');
        QTest::newRow("nothing") << QByteArray();
    }
    void NonsenseGetsNoAnswer() {
        QFETCH(QByteArray, sent);
        const QString folder = NewFolder();
        SingleInstance first(folder);
        QCOMPARE(first.Start(Request::Show), Outcome::Listening);
        QSignalSpy requests(&first, &SingleInstance::Requested);
        QLocalSocket client;
        client.connectToServer(first.SocketPath());
        QVERIFY(client.waitForConnected(1000));
        client.write(sent);
        // Dropped: at once, or after the running program's wait.
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState,
                                  2 * SingleInstance::kAnswerMs);
        QCOMPARE(client.readAll(), QByteArray());
        QCOMPARE(requests.size(), 0);
        // The program still serves the next start.
        QCOMPARE(StartAgain(folder, Request::Paste), Outcome::Forwarded);
        QTRY_COMPARE(requests.size(), 1);
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
