// The program's global hot key: the text shown for it ("Ctrl+Shift+F"), the
// caption of the tray menu's first item, and the system-wide registration on
// X11, which grabs the key on the root window and reports every press of it
// through Activated().
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>
#include <cstdint>

namespace nerovan {

// Modifier flags of the registration, combined by or.
constexpr int kHotKeyAlt = 1;
constexpr int kHotKeyCtrl = 2;
constexpr int kHotKeyShift = 4;

// "Ctrl+", "Shift+", "Alt+" (always in this order, each when set), then the
// letter: "Ctrl+Shift+F" for the defaults.
QString HotKeyText(bool ctrl, bool shift, bool alt, char letter);
// The modifier flags for the three switches.
int HotKeyModifiers(bool ctrl, bool shift, bool alt);
// What the hot key does: "Paste, paint and restore".
extern const char* const kPasteAction;
// Caption of the tray menu item PaintRes1: "Paste, paint and restore   "
// followed by the hot key text.
QString PaintRes1Caption(const QString& hotKeyText);

// A system-wide hot key. On X11 the key is grabbed on the root window for the
// modifiers alone and combined with Lock, NumLock and both, so that the state
// of Caps Lock and Num Lock does not matter. A combination that another
// program holds (or another GlobalHotKey of this program) is not taken:
// Register returns false and nothing is reported, the hot key then does
// nothing. On any platform but xcb nothing is registered.
class GlobalHotKey : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // What identifies the registration with the X server: the grabbed
    // keycode and the modifier mask (Lock and NumLock not included).
    struct Registration {
        uint8_t Keycode = 0;
        uint16_t Modifiers = 0;
        bool operator==(const Registration& o) const {
            return Keycode == o.Keycode && Modifiers == o.Modifiers;
        }
    };

    explicit GlobalHotKey(QObject* parent = nullptr);
    ~GlobalHotKey() override;

    // Registers the letter ('A' to 'Z', either case) with the modifier flags
    // (kHotKeyAlt | kHotKeyCtrl | kHotKeyShift). A previous registration of
    // this object is released first, so registering again replaces it.
    // False when the platform is not xcb, the letter has no key on the
    // keyboard, the combination is taken, or no modifier is given (a bare
    // letter would be taken from the typing of every program).
    bool Register(int modifiers, char letter);
    // Releases the grab; nothing happens when none is held.
    void Unregister();
    bool IsRegistered() const { return registered_; }
    // The current registration (meaningful while IsRegistered()).
    const Registration& HotKeyAtom() const { return HotKeyAtom_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // The hot key was pressed. Emitted on the window thread from the event
    // loop, after the key event has been handled, never from inside the
    // native event filter.
    void Activated();

private:
    bool registered_ = false;
    Registration HotKeyAtom_;
    uint16_t ignored_mask_ = 0;  // Lock | NumLock at registration
};

}  // namespace nerovan
