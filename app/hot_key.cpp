// The hot key text and the X11 grab behind the global hot key. The grab is a
// passive key grab on the root window: the X server then sends every press of
// the combination to this program, whichever window has the focus.
#include "hot_key.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace nerovan {

QString HotKeyText(bool ctrl, bool shift, bool alt, char letter) {
    QString text;
    if (ctrl) text += "Ctrl+";
    if (shift) text += "Shift+";
    if (alt) text += "Alt+";
    text += QChar::fromLatin1(letter);
    return text;
}

int HotKeyModifiers(bool ctrl, bool shift, bool alt) {
    int m = 0;
    if (ctrl) m |= kHotKeyCtrl;
    if (shift) m |= kHotKeyShift;
    if (alt) m |= kHotKeyAlt;
    return m;
}

const char* const kPasteAction = "Paste, paint and restore";

QString PaintRes1Caption(const QString& hotKeyText) {
    return QString::fromLatin1(kPasteAction) + QStringLiteral("   ") + hotKeyText;
}

namespace {

// Registrations held by GlobalHotKey objects of this program. The X server
// lets one client grab the same combination twice without complaint, and the
// first ungrab would then silently end both; a second object therefore finds
// the combination taken, just as another program's grab would.
std::vector<GlobalHotKey::Registration>& HeldRegistrations() {
    static std::vector<GlobalHotKey::Registration> held;
    return held;
}

xcb_connection_t* XConnection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!gui) return nullptr;
    auto* x11 = gui->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t RootWindow(xcb_connection_t* c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

struct KeySymbolsFree {
    void operator()(xcb_key_symbols_t* s) const { xcb_key_symbols_free(s); }
};

// The first keycode that produces the keysym, or 0.
xcb_keycode_t KeycodeOf(xcb_key_symbols_t* syms, xcb_keysym_t sym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, sym);
    if (!codes) return 0;
    const xcb_keycode_t first = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
    std::free(codes);
    return first;
}

// The modifier mask (Mod1..Mod5 and the others) to which the keysym's key is
// mapped, or 0 when no modifier holds it.
uint16_t ModifierMaskOf(xcb_connection_t* c, xcb_key_symbols_t* syms, xcb_keysym_t sym) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, sym);
    if (!codes) return 0;
    uint16_t mask = 0;
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr), &std::free);
    if (reply) {
        const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply.get());
        const int per = reply->keycodes_per_modifier;
        for (int mod = 0; mod < 8 && !mask; ++mod)
            for (int k = 0; k < per && !mask; ++k) {
                const xcb_keycode_t kc = map[mod * per + k];
                if (kc == XCB_NO_SYMBOL) continue;
                for (const xcb_keycode_t* p = codes; *p != XCB_NO_SYMBOL; ++p)
                    if (*p == kc) mask = static_cast<uint16_t>(1u << mod);
            }
    }
    std::free(codes);
    return mask;
}

}  // namespace

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent) {
    if (QCoreApplication::instance()) QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotKey::~GlobalHotKey() {
    Unregister();
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool GlobalHotKey::Register(int modifiers, char letter) {
    Unregister();
    // A bare letter grabbed on the root window would be taken from the
    // typing of every program (a settings file may ask for one).
    if ((modifiers & (kHotKeyAlt | kHotKeyCtrl | kHotKeyShift)) == 0) return false;
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    if (letter < 'a' || letter > 'z') return false;
    xcb_connection_t* c = XConnection();
    if (!c) return false;
    const xcb_window_t root = RootWindow(c);
    if (root == XCB_WINDOW_NONE) return false;

    std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree> syms(xcb_key_symbols_alloc(c));
    if (!syms) return false;
    // The letter's keysyms are its lower-case codes (XK_a..XK_z); a keyboard
    // map that lists only the upper-case one is found through that.
    xcb_keycode_t keycode = KeycodeOf(syms.get(), static_cast<xcb_keysym_t>(letter));
    if (!keycode) keycode = KeycodeOf(syms.get(), static_cast<xcb_keysym_t>(letter - 'a' + 'A'));
    if (!keycode) return false;

    uint16_t alt_mask = ModifierMaskOf(c, syms.get(), XK_Alt_L);
    if (!alt_mask) alt_mask = XCB_MOD_MASK_1;
    const uint16_t num_lock = ModifierMaskOf(c, syms.get(), XK_Num_Lock);

    Registration reg;
    reg.Keycode = keycode;
    if (modifiers & kHotKeyCtrl) reg.Modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kHotKeyShift) reg.Modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kHotKeyAlt) reg.Modifiers |= alt_mask;

    std::vector<Registration>& held = HeldRegistrations();
    if (std::find(held.begin(), held.end(), reg) != held.end()) return false;

    std::vector<uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (num_lock && num_lock != XCB_MOD_MASK_LOCK) {
        variants.push_back(num_lock);
        variants.push_back(static_cast<uint16_t>(num_lock | XCB_MOD_MASK_LOCK));
    }
    // Send every grab, then collect the answers: one round trip each would
    // be slower and change nothing.
    std::vector<xcb_void_cookie_t> cookies;
    for (uint16_t extra : variants)
        cookies.push_back(xcb_grab_key_checked(c, 1, root, reg.Modifiers | extra, keycode,
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    bool taken = false;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* err = xcb_request_check(c, cookie)) {
            // BadAccess: another program holds the combination. Any other
            // error leaves the grab just as incomplete; neither is reported.
            taken = true;
            std::free(err);
        }
    }
    if (taken) {
        // Release whatever part of the combination was grabbed, so that no
        // half-registered key is left behind.
        for (uint16_t extra : variants) xcb_ungrab_key(c, keycode, root, reg.Modifiers | extra);
        xcb_flush(c);
        return false;
    }
    HotKeyAtom_ = reg;
    ignored_mask_ = static_cast<uint16_t>(XCB_MOD_MASK_LOCK | num_lock);
    registered_ = true;
    held.push_back(reg);
    return true;
}

void GlobalHotKey::Unregister() {
    if (!registered_) return;
    registered_ = false;
    std::vector<Registration>& held = HeldRegistrations();
    auto it = std::find(held.begin(), held.end(), HotKeyAtom_);
    if (it != held.end()) held.erase(it);
    xcb_connection_t* c = XConnection();
    if (!c) return;
    const xcb_window_t root = RootWindow(c);
    const uint16_t num_lock = static_cast<uint16_t>(ignored_mask_ & ~XCB_MOD_MASK_LOCK);
    for (uint16_t extra : {uint16_t(0), uint16_t(XCB_MOD_MASK_LOCK), num_lock,
                           uint16_t(num_lock | XCB_MOD_MASK_LOCK)})
        xcb_ungrab_key(c, HotKeyAtom_.Keycode, root, HotKeyAtom_.Modifiers | extra);
    // One round trip, so the key is free for other programs on return.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (!registered_ || eventType != "xcb_generic_event_t" || !message) return false;
    auto* ev = static_cast<xcb_generic_event_t*>(message);
    if ((ev->response_type & 0x7F) != XCB_KEY_PRESS) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(ev);
    // Only the keyboard modifiers count; pointer buttons held down do not.
    constexpr uint16_t kKeyboardMask = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK |
                                       XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                                       XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
    const uint16_t state = key->state & kKeyboardMask & static_cast<uint16_t>(~ignored_mask_);
    if (key->detail != HotKeyAtom_.Keycode || state != HotKeyAtom_.Modifiers) return false;
    // Delivered from the event loop once this X event is done with: the
    // handler reads the clipboard, which waits for X events of its own.
    QMetaObject::invokeMethod(
        this, [this] { emit Activated(); }, Qt::QueuedConnection);
    return true;
}

}  // namespace nerovan
