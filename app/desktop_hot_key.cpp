// The hot key through the desktop portal's global shortcuts. Each portal
// call returns a request object at once; its answer comes later as that
// object's Response signal, which is watched before the call so that an
// early answer is not missed.
#include "desktop_hot_key.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>

#include "hot_key.h"
#include "program_version.h"

namespace nerovan {

const char* const kPortalService = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kShortcutsPortal = "org.freedesktop.portal.GlobalShortcuts";
const char* const kPasteShortcutId = "paste";

namespace {

const char* const kRequestInterface = "org.freedesktop.portal.Request";
const char* const kSessionInterface = "org.freedesktop.portal.Session";

// The answers of a request's Response.
constexpr uint kResponseSuccess = 0;

}  // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const DesktopShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.Id << shortcut.Properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, DesktopShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.Id >> shortcut.Properties;
    argument.endStructure();
    return argument;
}

void RegisterDesktopShortcutTypes() {
    qDBusRegisterMetaType<DesktopShortcut>();
    qDBusRegisterMetaType<DesktopShortcutList>();
}

QString PreferredTrigger(int modifiers, char letter) {
    QString trigger;
    if (modifiers & kHotKeyCtrl) trigger += QLatin1String("CTRL+");
    if (modifiers & kHotKeyAlt) trigger += QLatin1String("ALT+");
    if (modifiers & kHotKeyShift) trigger += QLatin1String("SHIFT+");
    // The keysym of a letter key is its lower-case letter.
    return trigger + QChar::fromLatin1(letter).toLower();
}

QString PasteCommand(const QString& program) {
    const QString found = QStandardPaths::findExecutable(QStringLiteral("nerovan"));
    if (!found.isEmpty() &&
        QFileInfo(found).canonicalFilePath() == QFileInfo(program).canonicalFilePath())
        return QStringLiteral("nerovan --paste");
    const QString path = QFileInfo(program).absoluteFilePath();
    return (path.contains(QLatin1Char(' ')) ? QLatin1Char('"') + path + QLatin1Char('"') : path) +
           QStringLiteral(" --paste");
}

DesktopHotKeyNote NoteOnDesktopHotKey(DesktopHotKey::State state, const QString& trigger,
                                      const QString& pasteCommand) {
    const QString bindInstead = QStringLiteral(
        " To call Nerovan with a key, bind this command to it in the desktop's "
        "keyboard settings:");
    switch (state) {
        case DesktopHotKey::State::Waiting:
            return {QStringLiteral("The desktop has not yet answered for the hot key."), {}};
        case DesktopHotKey::State::Bound:
            if (trigger.isEmpty())
                return {QStringLiteral("The desktop has bound the hot key; its keyboard settings "
                                       "can change it."),
                        {}};
            return {QStringLiteral("The desktop has bound the hot key to %1; its keyboard "
                                   "settings can change it.")
                        .arg(trigger),
                    {}};
        case DesktopHotKey::State::NoPortal:
            return {
                QStringLiteral("This desktop has no portal for global shortcuts.") + bindInstead,
                pasteCommand};
        case DesktopHotKey::State::NoShortcuts:
            return {
                QStringLiteral("This desktop's portal offers no global shortcuts.") + bindInstead,
                pasteCommand};
        case DesktopHotKey::State::Refused:
            return {QStringLiteral("The desktop did not bind the hot key.") + bindInstead,
                    pasteCommand};
    }
    return {};
}

DesktopHotKey::DesktopHotKey(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), bus_(bus) {
    RegisterDesktopShortcutTypes();
}

DesktopHotKey::~DesktopHotKey() { CloseSession(); }

void DesktopHotKey::Register(int modifiers, char letter, const QString& description) {
    paused_ = false;
    const QString trigger = PreferredTrigger(modifiers, letter);
    // A desktop that has the key, or is still deciding, is not asked again;
    // one that had no portal or said no is (it may have one, or agree, now).
    if (trigger == trigger_ && description == description_ &&
        (state_ == State::Bound || state_ == State::Waiting))
        return;
    trigger_ = trigger;
    description_ = description;
    UnwatchRequest();
    CloseSession();
    trigger_description_.clear();
    SetState(State::Waiting);
    if (!bus_.isConnected()) {
        SetState(State::NoPortal);
        return;
    }
    if (!identified_) {
        // Newer portals learn a program's identity (and so the name its
        // shortcut is listed under) from its first call; older ones answer
        // that they have no such interface, which changes nothing.
        identified_ = true;
        QDBusMessage identify = QDBusMessage::createMethodCall(
            kPortalService, kPortalPath, "org.freedesktop.host.portal.Registry", "Register");
        identify << QString::fromLatin1(kDesktopAppId) << QVariantMap();
        bus_.asyncCall(identify);
    }
    // The portal's version property tells whether it has global shortcuts
    // at all, before a session is asked for.
    QDBusMessage get = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                      "org.freedesktop.DBus.Properties", "Get");
    get << QString::fromLatin1(kShortcutsPortal) << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    const QString asked = trigger_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, asked](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (asked != trigger_ || step_ != Step::None) return;  // asked anew since
                if (call->isError()) {
                    CallFailed(call->error().name());
                    return;
                }
                CreateSession();
            });
}

void DesktopHotKey::Unregister() { paused_ = true; }

void DesktopHotKey::SetState(State state) {
    if (state == state_) return;
    state_ = state;
    emit StateChanged();
}

void DesktopHotKey::CallFailed(const QString& errorName) {
    // No portal at all (nothing owns its name and nothing starts it, or it
    // did not answer), or a portal that does not know the interface.
    const bool noPortal = errorName == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                          errorName == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
                          errorName == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
                          errorName == QLatin1String("org.freedesktop.DBus.Error.Disconnected") ||
                          errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn"));
    step_ = Step::None;
    UnwatchRequest();
    SetState(noPortal ? State::NoPortal : State::NoShortcuts);
}

QString DesktopHotKey::NewToken() {
    // Object path elements: letters, digits and underscores.
    return QStringLiteral("nerovan_%1_%2")
        .arg(++tokens_)
        .arg(QRandomGenerator::global()->generate());
}

void DesktopHotKey::CreateSession() {
    QVariantMap options;
    options.insert(QStringLiteral("session_handle_token"), NewToken());
    CallWithRequest(Step::CreateSession, QStringLiteral("CreateSession"), {}, options);
}

void DesktopHotKey::BindShortcuts() {
    QVariantMap properties;
    properties.insert(QStringLiteral("description"), description_);
    properties.insert(QStringLiteral("preferred_trigger"), trigger_);
    const DesktopShortcutList shortcuts{{QString::fromLatin1(kPasteShortcutId), properties}};
    CallWithRequest(
        Step::BindShortcuts, QStringLiteral("BindShortcuts"),
        {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString()},
        {});
}

void DesktopHotKey::CallWithRequest(Step step, const QString& method, QList<QVariant> arguments,
                                    QVariantMap options) {
    const QString token = NewToken();
    options.insert(QStringLiteral("handle_token"), token);
    // The request's object is named after the caller's unique bus name
    // (without ':', '.' as '_') and the token.
    QString sender = bus_.baseService();
    sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
    step_ = step;
    WatchRequest(QStringLiteral("%1/request/%2/%3").arg(kPortalPath, sender, token));

    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kShortcutsPortal, method);
    arguments << options;
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, step, token](QDBusPendingCallWatcher* pending) {
                pending->deleteLater();
                if (step_ != step || !request_path_.endsWith(token)) return;  // superseded
                QDBusPendingReply<QDBusObjectPath> reply = *pending;
                if (reply.isError()) {
                    CallFailed(reply.error().name());
                    return;
                }
                // A portal that names the request otherwise is followed.
                if (reply.value().path() != request_path_) WatchRequest(reply.value().path());
            });
}

void DesktopHotKey::WatchRequest(const QString& path) {
    UnwatchRequest();
    request_path_ = path;
    bus_.connect(kPortalService, request_path_, kRequestInterface, QStringLiteral("Response"), this,
                 SLOT(OnResponse(uint, QVariantMap)));
}

void DesktopHotKey::UnwatchRequest() {
    if (request_path_.isEmpty()) return;
    bus_.disconnect(kPortalService, request_path_, kRequestInterface, QStringLiteral("Response"),
                    this, SLOT(OnResponse(uint, QVariantMap)));
    request_path_.clear();
}

void DesktopHotKey::OnResponse(uint response, const QVariantMap& results) {
    const Step step = step_;
    step_ = Step::None;
    UnwatchRequest();
    if (response != kResponseSuccess) {
        // 1: the user declined, 2: the desktop ended the request otherwise.
        SetState(State::Refused);
        return;
    }
    if (step == Step::CreateSession) {
        // A string by the interface's definition; an object path from some
        // portals.
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        session_ = handle.canConvert<QDBusObjectPath>() ? handle.value<QDBusObjectPath>().path()
                                                        : handle.toString();
        if (session_.isEmpty()) {
            SetState(State::Refused);
            return;
        }
        if (!activation_watched_) {
            activation_watched_ = bus_.connect(
                kPortalService, kPortalPath, kShortcutsPortal, QStringLiteral("Activated"), this,
                SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        }
        BindShortcuts();
        return;
    }
    if (step != Step::BindShortcuts) return;
    DesktopShortcutList bound;
    const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
    if (shortcuts.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = shortcuts.value<QDBusArgument>();
        argument >> bound;
    }
    for (const DesktopShortcut& shortcut : bound)
        if (shortcut.Id == QLatin1String(kPasteShortcutId))
            trigger_description_ =
                shortcut.Properties.value(QStringLiteral("trigger_description")).toString();
    // A desktop that answers without the shortcut has not bound it.
    if (!bound.isEmpty() && std::none_of(bound.begin(), bound.end(), [](const DesktopShortcut& s) {
            return s.Id == QLatin1String(kPasteShortcutId);
        })) {
        SetState(State::Refused);
        return;
    }
    // Emitted also when only the trigger's description is new.
    state_ = State::Bound;
    emit StateChanged();
}

void DesktopHotKey::OnActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                const QVariantMap&) {
    if (paused_ || state_ != State::Bound || session.path() != session_ ||
        id != QLatin1String(kPasteShortcutId))
        return;
    emit Activated();
}

void DesktopHotKey::CloseSession() {
    if (session_.isEmpty()) return;
    bus_.asyncCall(QDBusMessage::createMethodCall(kPortalService, session_, kSessionInterface,
                                                  QStringLiteral("Close")));
    session_.clear();
}

}  // namespace nerovan
