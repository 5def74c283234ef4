// The program's hot key on desktops where no program can grab a key itself
// (Wayland): it is asked of the desktop through its portal's global shortcuts
// (D-Bus: org.freedesktop.portal.GlobalShortcuts), with the configured
// modifiers and letter as the preferred trigger. The desktop may bind
// another key, or ask the user first; it reports each press as Activated.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QDBusObjectPath;
class QDBusPendingCallWatcher;

namespace nerovan {

// One shortcut of a global shortcuts session, as the portal passes it: its
// id and its properties ("description", "preferred_trigger",
// "trigger_description").
struct DesktopShortcut {
    QString Id;
    QVariantMap Properties;
};
using DesktopShortcutList = QList<DesktopShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const DesktopShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, DesktopShortcut& shortcut);
// Makes DesktopShortcut and its list known to D-Bus; once is enough, more
// does no harm.
void RegisterDesktopShortcutTypes();

// The portal's names.
extern const char* const kPortalService;    // "org.freedesktop.portal.Desktop"
extern const char* const kPortalPath;       // "/org/freedesktop/portal/desktop"
extern const char* const kShortcutsPortal;  // "org.freedesktop.portal.GlobalShortcuts"
// The id of the program's one shortcut.
extern const char* const kPasteShortcutId;  // "paste"

// The trigger in the desktop's notation (the XKB modifier names, then the
// key's keysym name): "CTRL+SHIFT+f" for Ctrl+Shift+F. Modifiers are the
// GlobalHotKey flags.
QString PreferredTrigger(int modifiers, char letter);

// The command a user binds to a key in the desktop's keyboard settings where
// the desktop binds none for the program: "nerovan --paste" when PROGRAM is
// the nerovan found on the PATH, else PROGRAM's whole path (quoted when it
// has a space).
QString PasteCommand(const QString& program);

class DesktopHotKey : public QObject {
    Q_OBJECT

public:
    enum class State {
        Waiting,      // asked, no answer yet (the desktop may be asking the user)
        Bound,        // the desktop reports presses
        NoPortal,     // no desktop portal on the session bus
        NoShortcuts,  // a portal without global shortcuts
        Refused,      // the desktop (or the user) declined the shortcut
    };

    explicit DesktopHotKey(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DesktopHotKey() override;

    // Asks the desktop for the shortcut "paste" with this description and
    // the trigger of the modifiers and letter. Asking again for the same
    // trigger keeps the session the desktop has bound or is binding; another
    // trigger closes it and asks anew, as a session binds its shortcuts once.
    void Register(int modifiers, char letter, const QString& description);
    // Presses are not reported until the next Register; the desktop keeps
    // the binding (so it is not asked again for the same key).
    void Unregister();

    State CurrentState() const { return state_; }
    // The desktop's own words for the bound trigger ("Ctrl+Shift+F"), when
    // it gave them.
    QString TriggerDescription() const { return trigger_description_; }

signals:
    // The desktop reported a press of the bound shortcut.
    void Activated();
    // CurrentState or TriggerDescription changed.
    void StateChanged();

private slots:
    void OnResponse(uint response, const QVariantMap& results);
    void OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    enum class Step { None, CreateSession, BindShortcuts };

    void SetState(State state);
    void CloseSession();
    void CreateSession();
    void BindShortcuts();
    // Calls METHOD of the portal with ARGUMENTS, the last of them an options
    // map that gets a fresh handle_token; the Response of the request goes
    // to OnResponse while STEP is awaited.
    void CallWithRequest(Step step, const QString& method, QList<QVariant> arguments,
                         QVariantMap options);
    void WatchRequest(const QString& path);
    void UnwatchRequest();
    void CallFailed(const QString& errorName);
    QString NewToken();

    QDBusConnection bus_;
    State state_ = State::Waiting;
    Step step_ = Step::None;
    QString request_path_;
    QString session_;
    QString trigger_;  // the preferred trigger asked for, "" before the first Register
    QString description_;
    QString trigger_description_;
    bool paused_ = false;
    bool activation_watched_ = false;
    bool identified_ = false;
    quint64 tokens_ = 0;
};

// What the parameters dialog says of the desktop's hot key: a line of text
// and, where the desktop binds no key for the program, the command to bind
// instead. Empty where the program grabs its key itself.
struct DesktopHotKeyNote {
    QString Text;
    QString Command;
};
DesktopHotKeyNote NoteOnDesktopHotKey(DesktopHotKey::State state, const QString& trigger,
                                      const QString& pasteCommand);

}  // namespace nerovan

Q_DECLARE_METATYPE(nerovan::DesktopShortcut)
Q_DECLARE_METATYPE(nerovan::DesktopShortcutList)
