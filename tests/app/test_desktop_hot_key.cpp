// The hot key asked of the desktop: a private session bus, the real
// xdg-desktop-portal on it, and a desktop's global shortcuts behind it (in
// this process, on a connection of its own).
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "desktop_backend.h"
#include "desktop_hot_key.h"
#include "hot_key.h"

using namespace nerovan;

namespace {

const char* const kPortalProgram = "/usr/libexec/xdg-desktop-portal";

}  // namespace

class TestDesktopHotKey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void TriggerNotation_data();
    void TriggerNotation();
    void PasteCommandNamesTheProgram();
    void WithoutPortalOrShortcuts();
    void BindsPressesAndAsksAnew();
    void RefusedBinding();

private:
    QDBusConnection Connect(const QString& name);
    // Starts the portal; with the backend named in its portals folder or not.
    void StartPortal(bool withBackend);
    void StopPortal();

    QTemporaryDir dir_;
    QProcess bus_;
    QProcess portal_;
    QString address_;
};

void TestDesktopHotKey::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(QFile::exists(kPortalProgram),
             "xdg-desktop-portal is not installed (scripts/install-deps)");
    // A session bus that starts no service of its own accord, so that only
    // what the test runs is on it.
    const QString config = dir_.filePath("bus.conf");
    QFile conf(config);
    QVERIFY(conf.open(QIODevice::WriteOnly));
    conf.write(QStringLiteral(
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                   "busconfig.dtd\"><busconfig><type>session</type><listen>unix:dir=%1</listen>"
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>")
                   .arg(dir_.path())
                   .toUtf8());
    conf.close();
    bus_.start("dbus-daemon", {"--config-file=" + config, "--nofork", "--print-address=1"});
    QVERIFY(bus_.waitForReadyRead(10000));
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QVERIFY(!address_.isEmpty());
    QDir(dir_.path()).mkdir("portals");
}

void TestDesktopHotKey::cleanupTestCase() {
    StopPortal();
    bus_.terminate();
    bus_.waitForFinished();
}

QDBusConnection TestDesktopHotKey::Connect(const QString& name) {
    return QDBusConnection::connectToBus(address_, name);
}

void TestDesktopHotKey::StartPortal(bool withBackend) {
    QFile file(dir_.filePath("portals/nerovantest.portal"));
    if (withBackend) {
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            QByteArray("[portal]\nDBusName=") + kBackendService +
            "\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=nerovantest\n");
        file.close();
    } else {
        file.remove();
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", address_);
    env.insert("XDG_DESKTOP_PORTAL_DIR", dir_.filePath("portals"));
    env.insert("XDG_CURRENT_DESKTOP", "nerovantest");
    portal_.setProcessEnvironment(env);
    portal_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    portal_.start(kPortalProgram, {"--replace"});
    QVERIFY(portal_.waitForStarted());
    QDBusConnection watcher = Connect("watcher");
    QTRY_VERIFY_WITH_TIMEOUT(watcher.interface()->isServiceRegistered(kPortalService), 10000);
}

void TestDesktopHotKey::StopPortal() {
    if (portal_.state() == QProcess::NotRunning) return;
    portal_.terminate();
    portal_.waitForFinished();
}

void TestDesktopHotKey::TriggerNotation_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<char>("letter");
    QTest::addColumn<QString>("trigger");
    QTest::newRow("defaults") << (kHotKeyCtrl | kHotKeyShift) << 'F' << "CTRL+SHIFT+f";
    QTest::newRow("all three") << (kHotKeyCtrl | kHotKeyShift | kHotKeyAlt) << 'Q'
                               << "CTRL+ALT+SHIFT+q";
    QTest::newRow("alt alone, lower case") << kHotKeyAlt << 'z' << "ALT+z";
}

void TestDesktopHotKey::TriggerNotation() {
    QFETCH(int, modifiers);
    QFETCH(char, letter);
    QFETCH(QString, trigger);
    QCOMPARE(PreferredTrigger(modifiers, letter), trigger);
}

void TestDesktopHotKey::PasteCommandNamesTheProgram() {
    // The program in a folder with a space: its whole path, quoted, unless
    // the PATH finds this very program as "nerovan".
    const QString folder = dir_.filePath("my programs");
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + "/nerovan";
    QFile file(program);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/usr/bin:/bin");
    QCOMPARE(PasteCommand(program), '"' + program + "\" --paste");
    qputenv("PATH", (folder + ":/usr/bin").toLocal8Bit());
    QCOMPARE(PasteCommand(program), QString("nerovan --paste"));
    qputenv("PATH", path);
}

void TestDesktopHotKey::WithoutPortalOrShortcuts() {
    DesktopHotKey none(Connect("client-none"));
    none.Register(kHotKeyCtrl | kHotKeyShift, 'F', "Paste, paint and restore");
    QTRY_COMPARE(none.CurrentState(), DesktopHotKey::State::NoPortal);

    // A portal whose desktop has no global shortcuts.
    StartPortal(false);
    DesktopHotKey without(Connect("client-without"));
    without.Register(kHotKeyCtrl | kHotKeyShift, 'F', "Paste, paint and restore");
    QTRY_COMPARE_WITH_TIMEOUT(without.CurrentState(), DesktopHotKey::State::NoShortcuts, 10000);
    StopPortal();
}

void TestDesktopHotKey::BindsPressesAndAsksAnew() {
    DesktopBackend backend(Connect("desktop"), false);
    QVERIFY(backend.Serve());
    StartPortal(true);
    DesktopHotKey key(Connect("client"));
    QSignalSpy pressed(&key, &DesktopHotKey::Activated);
    key.Register(kHotKeyCtrl | kHotKeyShift, 'F', "Paste, paint and restore");
    QTRY_COMPARE_WITH_TIMEOUT(key.CurrentState(), DesktopHotKey::State::Bound, 10000);
    QCOMPARE(key.TriggerDescription(), QString("Ctrl+Shift+F"));
    QVERIFY2(backend.Log()
                     .filter(" paste description=Paste, paint and restore "
                             "preferred_trigger=CTRL+SHIFT+f")
                     .size() == 1,
             qPrintable(backend.Log().join('\n')));

    // One press, one activation; none while unregistered (the dialog open).
    QCOMPARE(backend.PressShortcut("paste"), 1);
    QTRY_COMPARE(pressed.size(), 1);
    key.Unregister();
    backend.PressShortcut("paste");
    QTest::qWait(300);
    QCOMPARE(pressed.size(), 1);

    // The same key again keeps the session; another closes it and binds anew.
    const int lines = backend.Log().size();
    key.Register(kHotKeyCtrl | kHotKeyShift, 'F', "Paste, paint and restore");
    QCOMPARE(backend.Log().size(), lines);
    key.Register(kHotKeyAlt, 'G', "Paste, paint and restore");
    QTRY_VERIFY_WITH_TIMEOUT(!backend.Log().filter("preferred_trigger=ALT+g").isEmpty(), 10000);
    QTRY_COMPARE(key.CurrentState(), DesktopHotKey::State::Bound);
    QVERIFY2(backend.Log().filter(QRegularExpression("^close ")).size() == 1,
             qPrintable(backend.Log().join('\n')));
    QCOMPARE(backend.PressShortcut("paste"), 1);
    QTRY_COMPARE(pressed.size(), 2);
    StopPortal();
}

void TestDesktopHotKey::RefusedBinding() {
    DesktopBackend backend(Connect("refusing-desktop"), true);
    QVERIFY(backend.Serve());
    StartPortal(true);
    DesktopHotKey key(Connect("client-refused"));
    key.Register(kHotKeyCtrl | kHotKeyShift, 'F', "Paste, paint and restore");
    QTRY_COMPARE_WITH_TIMEOUT(key.CurrentState(), DesktopHotKey::State::Refused, 10000);
    StopPortal();
}

QTEST_MAIN(TestDesktopHotKey)
#include "test_desktop_hot_key.moc"
