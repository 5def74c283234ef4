// The global hot key against a real X server: a key press sent by another
// client reaches Activated whatever the Caps Lock state, a combination held by
// another client is reported taken, and registering again moves the grab.
// Runs only on the xcb platform (e.g. QT_QPA_PLATFORM=xcb under xvfb-run);
// elsewhere it skips itself.
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

#include "hot_key.h"

using namespace nerovan;

namespace {

// Sends keys through xdotool, as a key press from another program.
bool SendKeys(const QStringList& keys) {
    QProcess p;
    p.start("xdotool", QStringList{"key"} + keys);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A second X client that grabs a combination on the root window.
class OtherClient {
public:
    OtherClient() : c_(xcb_connect(nullptr, nullptr)) {}
    ~OtherClient() { xcb_disconnect(c_); }
    bool Grab(uint16_t modifiers, xcb_keysym_t sym) {
        if (xcb_connection_has_error(c_)) return false;
        xcb_key_symbols_t* syms = xcb_key_symbols_alloc(c_);
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, sym);
        keycode_ = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(syms);
        xcb_generic_error_t* err =
            xcb_request_check(c_, xcb_grab_key_checked(c_, 1, Root(), modifiers, keycode_,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        const bool ok = keycode_ && !err;
        std::free(err);
        modifiers_ = modifiers;
        return ok;
    }
    void Ungrab() {
        xcb_ungrab_key(c_, keycode_, Root(), modifiers_);
        xcb_aux_sync();
    }

private:
    xcb_window_t Root() { return xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root; }
    void xcb_aux_sync() {
        std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    xcb_connection_t* c_;
    xcb_keycode_t keycode_ = 0;
    uint16_t modifiers_ = 0;
};

}  // namespace

class HotKeyX11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") ||
            QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X display and the xcb platform");
        if (QStandardPaths::findExecutable("xdotool").isEmpty()) QSKIP("needs xdotool");
    }

    void PressReachesActivated() {
        GlobalHotKey key;
        QSignalSpy spy(&key, &GlobalHotKey::Activated);
        QVERIFY(key.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(key.IsRegistered());
        QVERIFY(SendKeys({"ctrl+shift+f"}));
        QVERIFY(spy.wait(5000) || spy.count() > 0);
        QCOMPARE(spy.count(), 1);

        // Caps Lock on does not change the combination.
        QVERIFY(SendKeys({"Caps_Lock", "ctrl+shift+f", "Caps_Lock"}));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 2, 5000);
        QVERIFY(SendKeys(
            {"Num_Lock", "ctrl+shift+f", "Caps_Lock", "ctrl+shift+f", "Caps_Lock", "Num_Lock"}));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 4, 5000);

        // Other modifiers, or none, are other keys.
        QVERIFY(SendKeys({"ctrl+f", "shift+f", "ctrl+shift+alt+f", "f"}));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 4);

        key.Unregister();
        QVERIFY(!key.IsRegistered());
        QVERIFY(SendKeys({"ctrl+shift+f"}));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 4);
    }

    void TakenCombinationIsRefused() {
        {  // Held by another program: BadAccess, nothing reported.
            OtherClient other;
            QVERIFY(other.Grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, 'g'));
            GlobalHotKey key;
            QVERIFY(!key.Register(kHotKeyCtrl | kHotKeyAlt, 'G'));
            QVERIFY(!key.IsRegistered());
            other.Ungrab();
            QVERIFY(key.Register(kHotKeyCtrl | kHotKeyAlt, 'G'));
        }
        // Held by another object of this program.
        GlobalHotKey first, second;
        QVERIFY(first.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(!second.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(first.IsRegistered());
        QVERIFY(second.Register(kHotKeyCtrl | kHotKeyShift, 'E'));  // another letter is free
    }

    void BareLetterIsRefused() {
        GlobalHotKey key;
        QSignalSpy spy(&key, &GlobalHotKey::Activated);
        QVERIFY(key.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(!key.Register(0, 'F'));
        QVERIFY(!key.IsRegistered());
        // Nothing was grabbed: another client can still take the bare letter.
        OtherClient other;
        QVERIFY(other.Grab(0, 'f'));
        other.Ungrab();
        QVERIFY(SendKeys({"f", "ctrl+shift+f"}));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 0);
    }

    void RegisteringAgainMovesTheGrab() {
        GlobalHotKey key;
        QSignalSpy spy(&key, &GlobalHotKey::Activated);
        QVERIFY(key.Register(kHotKeyCtrl | kHotKeyShift, 'F'));
        QVERIFY(key.Register(kHotKeyAlt, 'h'));
        // The old combination is released: another client can take it.
        OtherClient other;
        QVERIFY(other.Grab(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT, 'f'));
        other.Ungrab();
        QVERIFY(SendKeys({"ctrl+shift+f"}));
        QTest::qWait(300);
        QCOMPARE(spy.count(), 0);
        QVERIFY(SendKeys({"alt+h"}));
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    }
};

QTEST_MAIN(HotKeyX11Test)
#include "test_hot_key_x11.moc"
