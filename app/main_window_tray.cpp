// The main window between uses: the tray icon and its menu, hiding to the
// notification area and coming back (minimised when there is none, or when
// it goes away), the global hot key and "Paste, paint and restore" (a text,
// or the formula a metafile or an image of this program carries), and the
// copy of the picture that sends the window back.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QMenu>
#include <QMimeData>
#include <QSystemTrayIcon>
#include <QTimer>

#include "clipboard_formats.h"
#include "main_window_parts.h"
#include "toolbar_icons.h"
#include "window_clipboard.h"
#include "window_system.h"

namespace nerovan {

namespace {

// How often the notification area is looked for while the window waits in it.
constexpr int kTrayWatchMs = 1000;

}  // namespace

void TNerovan1::BuildTray() {
    RxTrayIcon1 = new QSystemTrayIcon(ProgramIcon(), this);
    RxTrayIcon1->setObjectName("RxTrayIcon1");
    RxTrayIcon1->setToolTip("Nerovan");
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    // The caption gets the hot key text when the hot key is registered.
    PaintRes1 = PopupMenu1->addAction(PaintRes1Caption(QString()));
    PaintRes1->setObjectName("PaintRes1");
    connect(PaintRes1, &QAction::triggered, this, &TNerovan1::OnhotKey);
    Show1 = PopupMenu1->addAction("Show");
    Show1->setObjectName("Show1");
    connect(Show1, &QAction::triggered, this, &TNerovan1::RestoreFromTray);
    Close1 = PopupMenu1->addAction("Close");
    Close1->setObjectName("Close1");
    connect(Close1, &QAction::triggered, this, &TNerovan1::Close1Click);
    RxTrayIcon1->setContextMenu(PopupMenu1);
    // A double click restores; the single click that comes before it does
    // nothing, or the window would flash up for the first half of it. A
    // desktop's status notifier host reports a click as one activation and
    // never a double click: there the click restores.
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick ||
                    (reason == QSystemTrayIcon::Trigger && TrayOfStatusNotifierHost()))
                    RestoreFromTray();
            });

    // While the window waits in the tray, the notification area is looked
    // for again and again: should it go away (its panel ended), the window
    // comes back minimised rather than stay hidden where nothing shows it.
    tray_watch_ = new QTimer(this);
    tray_watch_->setInterval(kTrayWatchMs);
    connect(tray_watch_, &QTimer::timeout, this, [this] {
        if (!in_tray_ || questions_->TrayAvailable()) return;
        LeaveTray();
        showMinimized();
    });

    hot_key_ = new GlobalHotKey(this);
    connect(hot_key_, &GlobalHotKey::Activated, this, &TNerovan1::OnhotKey);
    if (OnWayland()) {
        desktop_hot_key_ = new DesktopHotKey(QDBusConnection::sessionBus(), this);
        connect(desktop_hot_key_, &DesktopHotKey::Activated, this, &TNerovan1::OnhotKey);
        connect(desktop_hot_key_, &DesktopHotKey::StateChanged, this, [this] {
            const DesktopHotKey::State state = desktop_hot_key_->CurrentState();
            if (state == DesktopHotKey::State::Waiting || state == DesktopHotKey::State::Bound)
                return;
            NoticeHotKeyNotRegistered();
        });
    }
}

// ---------------------------------------------------------------------------
// The hot key and the tray

void TNerovan1::RegisterProgramHotKey() {
    const ProgramSettings& s = Settings;
    const QString text = HotKeyText(s.HotKeyCtrl, s.HotKeyShift, s.HotKeyAlt, s.HotKeyLetter);
    PaintRes1->setText(PaintRes1Caption(text));
    // A combination another program holds, or a window system without
    // global hot keys, leaves the hot key without effect; the status line
    // says so once, and the tray item still does the same work.
    const int modifiers = HotKeyModifiers(s.HotKeyCtrl, s.HotKeyShift, s.HotKeyAlt);
    if (desktop_hot_key_) {
        // The desktop answers later; a refusal or a missing portal is noticed then.
        pending_notice_.clear();
        desktop_hot_key_->Register(modifiers, s.HotKeyLetter, QString::fromLatin1(kPasteAction));
        return;
    }
    if (hot_key_->Register(modifiers, s.HotKeyLetter)) {
        pending_notice_.clear();
        return;
    }
    NoticeHotKeyNotRegistered();
}

void TNerovan1::NoticeHotKeyNotRegistered() {
    const ProgramSettings& s = Settings;
    pending_notice_ =
        QStringLiteral("The hot key %1 could not be registered")
            .arg(HotKeyText(s.HotKeyCtrl, s.HotKeyShift, s.HotKeyAlt, s.HotKeyLetter));
    QMetaObject::invokeMethod(this, &TNerovan1::ShowPendingNotice, Qt::QueuedConnection);
}

DesktopHotKeyNote TNerovan1::HotKeyNote() const {
    if (!desktop_hot_key_) return {};
    return NoteOnDesktopHotKey(desktop_hot_key_->CurrentState(),
                               desktop_hot_key_->TriggerDescription(),
                               PasteCommand(QCoreApplication::applicationFilePath()));
}

void TNerovan1::ShowPendingNotice() {
    if ((pending_notice_.isEmpty() && settings_notice_.isEmpty()) || PaintBusy() ||
        status_text_ != QLatin1String(kStatusOk))
        return;
    QStringList notices;
    for (const QString& n : {settings_notice_, pending_notice_})
        if (!n.isEmpty()) notices << n;
    SetStatus(notices.join(QStringLiteral("; ")), kStatusColor);
    pending_notice_.clear();
    settings_notice_.clear();
}

void TNerovan1::UnregisterProgramHotKey() {
    hot_key_->Unregister();
    if (desktop_hot_key_) desktop_hot_key_->Unregister();
}

void TNerovan1::HideToTray() {
    if (!questions_->TrayAvailable()) {
        // No notification area to come back from: a hidden window could be
        // reached only by the hot key, so it is minimised and keeps its
        // task-bar entry.
        setWindowState(windowState() | Qt::WindowMinimized);
        return;
    }
    in_tray_ = true;
    // Hiding the only window must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    RxTrayIcon1->show();
    tray_watch_->start();
    hide();
}

void TNerovan1::LeaveTray() {
    in_tray_ = false;
    tray_watch_->stop();
    RxTrayIcon1->hide();
    QApplication::setQuitOnLastWindowClosed(true);
}

void TNerovan1::RestoreFromTray() {
    LeaveTray();
    if (OnWayland() && isVisible() && !isActiveWindow()) {
        // A Wayland window can neither take back its own minimising (nor
        // does it learn of it: Qt clears the state at once) nor raise and
        // focus itself; shown anew, it is a new window to the compositor,
        // which puts it in front with the keyboard focus. Hiding the only
        // window must not end the program on the way.
        QApplication::setQuitOnLastWindowClosed(false);
        hide();
        QApplication::setQuitOnLastWindowClosed(true);
    }
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TNerovan1::Close1Click() {
    RxTrayIcon1->hide();
    close();
}

void TNerovan1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && paste_on_focus_ && isActiveWindow()) {
        // The compositor has sent the clipboard's offer with the focus; it
        // is read once this event is done with.
        paste_on_focus_ = false;
        QTimer::singleShot(0, this, &TNerovan1::PasteFromClipboard);
        return;
    }
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || paint_cycle_.Closing())
        return;
    // The minimise button leads to the tray. The window is hidden once the
    // state change is done with; without a notification area it stays
    // minimised as usual.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized() && isVisible() && !paint_cycle_.Closing() && questions_->TrayAvailable())
            HideToTray();
    });
}

void TNerovan1::ShowPastedMetafile(const QByteArray& emf, int width, int height) {
    ShowPicture(PastedMetafilePicture(emf, width, height));
}

void TNerovan1::OnhotKey() {
    copy_pending_ = false;
    if (OnWayland() && !isActiveWindow()) {
        // Read when the focus comes (changeEvent): the offer at hand now
        // may be an old one, or none.
        paste_on_focus_ = true;
        RestoreFromTray();
        return;
    }
    paste_on_focus_ = false;
    PasteFromClipboard();
    RestoreFromTray();
}

void TNerovan1::PasteFromClipboard() {
    const ClipboardFormula clip = ClipboardFormulaNow();
    if (clip.HasText) {
        PushToHistory();
        SetExpressionText(clip.Text);
        RequestPaint();
    }
    if (clip.HasMetafile) {
        // Shown until the next paint. A malformed metafile never gets here:
        // its header could not be read and it counts as absent.
        ShowPastedMetafile(clip.Emf, clip.Header.Width, clip.Header.Height);
        if (IsOwnCreator(clip.Creator())) {
            PushToHistory();
            SetExpressionText(clip.Description());
            // The pasted picture shows only as a frame: paint its
            // expression, also when it is the text painted last.
            paint_cycle_.ForgetLastPaintedText();
        }
        RequestPaint();
    } else if (clip.HasPictureFormula) {
        // A PNG or SVG this program made: its formula, to edit on.
        PushToHistory();
        SetExpressionText(clip.PictureFormula);
        RequestPaint();
    }
}

// ---------------------------------------------------------------------------
// The clipboard

void TNerovan1::CopyAsPictureAndHide() {
    // A copy asked for while a paint runs is made when it has ended.
    if (PaintBusy()) {
        copy_pending_ = true;
        return;
    }
    std::unique_ptr<QMimeData> data;
    try {
        data.reset(PictureToCopy(paint_cycle_, shown_, Settings.PicturesTransparent()));
    } catch (const std::exception& e) {
        // Nothing went to the clipboard: the window stays, so the user sees
        // why instead of pasting an old picture.
        questions_->ShowError(ErrorText(e));
        return;
    }
    QGuiApplication::clipboard()->setMimeData(data.release());
    HideToTray();
}

}  // namespace nerovan
