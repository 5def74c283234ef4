// The main window: construction, the start and close steps with the
// settings file, the paint cycle's results in the status line and Image1,
// and the commands of the dialogs. The controls are built in
// main_window_widgets.cpp, the expression box and its history live in
// main_window_box.cpp, the file commands in main_window_files.cpp, and the
// tray, the hot key and the copy in main_window_tray.cpp.
#include "main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QThread>

#include <cstdio>

#include "about_box.h"
#include "colors_dialog.h"
#include "help_window.h"
#include "main_window_parts.h"
#include "params_dialog.h"
#include "picture_image.h"
#include "settings_file.h"
#include "toolbar_icons.h"
#include "window_placement.h"

namespace nerovan {

const char* const TNerovan1::kUntitledExpression = "Untitled.fla";
const char* const TNerovan1::kUntitledPicture = "Untitled.bmp";

// ---------------------------------------------------------------------------
// Construction

TNerovan1::TNerovan1(const QString& settingsPath, QWidget* parent)
    : QMainWindow(parent), settings_(std::make_unique<SettingsFile>(settingsPath)) {
    setObjectName("Nerovan1");
    paint_cycle_.Source = [this] {
        PaintOrder order{ExpressionText(), ForeColor, BackColor};
        // The picture as sharp as the screen it shows on; in bitmap mode the
        // drawing kept for a copy without background.
        order.DisplayScale = Image1 ? Image1->devicePixelRatioF() : 1;
        order.KeepDrawing = Settings.PicturesTransparent() && !Settings.EMFPaint;
        return order;
    };
    connect(&paint_cycle_, &TPaintCycle::Started, this, &TNerovan1::OnPaintStarted);
    connect(&paint_cycle_, &TPaintCycle::Failed, this,
            [this](const QString& message) { SetStatus(message, kStatusColor); });
    connect(&paint_cycle_, &TPaintCycle::Finished, this, &TNerovan1::OnPaintFinished);
    connect(&paint_cycle_, &TPaintCycle::Done, this, &TNerovan1::OnProcessDone);
    BuildWindow();
    BuildMenu();
    BuildToolBar();
    BuildTray();
    FormCreate();
}

TNerovan1::~TNerovan1() {
    // A paint thread may still post its results or wait for the end of its
    // paint to be handled; let it finish before the widgets go. No new paint
    // starts from here on.
    paint_cycle_.Close();
}

// ---------------------------------------------------------------------------
// Start and close

void TNerovan1::FormCreate() {
    expression_file_name_ = kUntitledExpression;
    picture_file_name_ = kUntitledPicture;
    ForeColor = clBlack;
    BackColor = clWhite;

    // The program's entries; the settings file's defaults win over the
    // component's own initial values.
    Settings = settings_->ReadProgramSettings();
    ApplyPainterSwitches(Settings, paint_cycle_.Component(), paint_cycle_.ComponentMutex());
    Hintbar1->setChecked(Settings.AutoInsertButtons);
    TabControl1->setVisible(Settings.AutoInsertButtons);

    SetCaption();

    // The form-placement store: placement, expression, history and font.
    RestorePlacement();
    FormStorage1RestorePlacement();
    // After the restore: a hot key that cannot be registered is reported
    // once the paint of the restored expression, queued there, has ended.
    RegisterProgramHotKey();
}

void TNerovan1::RestorePlacement() {
    settings_notice_ = settings_->Refused();
    if (!settings_notice_.isEmpty())
        QMetaObject::invokeMethod(this, &TNerovan1::ShowPendingNotice, Qt::QueuedConnection);
    const PlacementState p = settings_->ReadPlacement();
    if (RestoreWindowPlacement(*this, p)) placement_known_ = true;
    history_.SetItems(p.History);
    SyncHistoryList();
    SetExpressionText(p.Expression);

    FontDialog1Font.Name = p.FontName.toStdString();
    FontDialog1Font.Height = p.FontHeight;
    FontDialog1Font.Style = static_cast<TFontStyles>(p.FontStyle);
    FontDialog1Font.Charset = static_cast<uint8_t>(p.FontCharset);
}

void TNerovan1::FormStorage1RestorePlacement() {
    paint_cycle_.ForgetLastPaintedText();
    {
        std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
        paint_cycle_.Component().Font = FontDialog1Font;
    }
    // The restored text is painted once the event loop runs, as at the end
    // of a paint.
    QMetaObject::invokeMethod(&paint_cycle_, &TPaintCycle::ProcessDone, Qt::QueuedConnection);
}

void TNerovan1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // From now on the window has a placement worth keeping, also when it is
    // hidden at the time it closes.
    placement_known_ = true;
}

void TNerovan1::closeEvent(QCloseEvent* event) {
    const bool hidden = !isVisible();
    FormClose();
    LeaveTray();
    QMainWindow::closeEvent(event);
    // The toolkit ends the program when its last visible window closes. A
    // window closed from the tray is hidden, so the program ends here (when
    // its event loop runs, which it does but in tests).
    if (hidden && event->isAccepted() && QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void TNerovan1::FormClose() {
    UnregisterProgramHotKey();

    settings_->WriteProgramSettings(Settings);

    PlacementState p;
    if (placement_known_) {
        const QRect g = (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
                            ? normalGeometry()
                            : geometry();
        p.HasGeometry = g.isValid();
        p.Left = g.left();
        p.Top = g.top();
        p.Width = g.width();
        p.Height = g.height();
        p.Maximized = (windowState() & Qt::WindowMaximized) != 0;
    }
    p.Expression = ExpressionText();
    p.History = history_.Items();
    p.FontName = QString::fromStdString(FontDialog1Font.Name);
    p.FontHeight = FontDialog1Font.Height;
    p.FontStyle = FontDialog1Font.Style;
    p.FontCharset = FontDialog1Font.Charset;
    settings_->WritePlacement(p);

    // A settings file that cannot be written must not keep the program from
    // ending: say so and go on.
    QString error;
    if (!settings_->Save(&error))
        std::fprintf(stderr, "nerovan: %s\n", error.toLocal8Bit().constData());
}

void TNerovan1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // FormResize
    ScrollHomeAndCenter();
}

void TNerovan1::Exit1Click() { close(); }

void TNerovan1::SetCaption() {
    setWindowTitle(QStringLiteral("Nerovan - ") + expression_file_name_);
}

// ---------------------------------------------------------------------------
// The paint cycle

void TNerovan1::OnPaintStarted() { SetStatus("Painting...", kStatusBusyColor); }

void TNerovan1::OnPaintFinished(bool ok, const DisplayedPicture& kept) {
    if (ok)
        ShowPicture(kept);
    else
        ScrollHomeAndCenter();
    SetStatus(ok ? QString::fromLatin1(kStatusOk) : status_text_, kStatusColor);
}

void TNerovan1::OnProcessDone() {
    if (copy_pending_) {
        // The flag is cleared first: when the paint just started makes the
        // copy wait once more, it must stay set, or the copy asked for would
        // be lost.
        copy_pending_ = false;
        CopyAsPictureAndHide();
    }
    ShowPendingNotice();
}

void TNerovan1::SetStatus(const QString& text, const QColor& color) {
    QPalette pal = Label1->palette();
    pal.setColor(QPalette::WindowText, color);
    Label1->setPalette(pal);
    status_text_ = text;
    ShowStatusText();
}

void TNerovan1::ShowStatusText() {
    constexpr int kLeft = 5, kTop = 2;
    Label1->setGeometry(kLeft, kTop, std::max(0, Panel2->width() - 2 * kLeft),
                        Label1->fontMetrics().height());
    const QString shown =
        Label1->fontMetrics().elidedText(status_text_, Qt::ElideRight, Label1->width());
    Label1->setText(shown);
    Label1->setToolTip(shown == status_text_ ? QString() : status_text_);
}

void TNerovan1::ShowPicture(const DisplayedPicture& kept) {
    shown_ = kept;
    shown_is_metafile_ = !kept.Bitmap && (kept.Metafile || !kept.Emf.isEmpty());
    if (kept.Pixels)
        Image1->Show(kept.Pixels, kept.Sharp, kept.DisplayScale);
    else if (!kept.Frame.isNull())
        Image1->Show(kept.Frame);
    else
        Image1->Clear();
    ScrollHomeAndCenter();
}

QImage TNerovan1::ShownPicture() const { return Image1->Picture(); }

// ---------------------------------------------------------------------------
// The insert palette's check item

void TNerovan1::Hintbar1Click() {
    // The item checks and unchecks itself; the palette and the setting
    // follow its check.
    Settings.AutoInsertButtons = Hintbar1->isChecked();
    TabControl1->setVisible(Settings.AutoInsertButtons);
}

// ---------------------------------------------------------------------------
// Commands of the dialogs

// Repaints the unchanged text after a colour, font or parameter change.
void TNerovan1::RepaintUnchanged() {
    paint_cycle_.ForgetLastPaintedText();
    RequestPaint();
}

void TNerovan1::ToolButton2Click() {
    nerovan::ToolButton2Click(this, ForeColor, BackColor, [this] { RepaintUnchanged(); });
}

void TNerovan1::Foreground2Click() {
    ChooseColor(this, ForeColor, [this] { RepaintUnchanged(); });
}

void TNerovan1::BackGround2Click() {
    ChooseColor(this, BackColor, [this] { RepaintUnchanged(); });
}

void TNerovan1::ToolButton3Click() {
    nerovan::ToolButton3Click(this, FontDialog1Font, paint_cycle_.Component(),
                              paint_cycle_.ComponentMutex(), [this] { RepaintUnchanged(); });
}

void TNerovan1::Parameters1Click() {
    // The dialog edits Settings itself.
    ParametersSteps steps;
    steps.UnregisterHotKey = [this] { UnregisterProgramHotKey(); };
    steps.HotKeyNote = HotKeyNote();
    steps.ApplyPainterSwitches = [this](const ProgramSettings& chosen) {
        ApplyPainterSwitches(chosen, paint_cycle_.Component(), paint_cycle_.ComponentMutex());
    };
    steps.Repaint = [this] { RepaintUnchanged(); };
    steps.RegisterProgramHotKey = [this](const ProgramSettings&) { RegisterProgramHotKey(); };
    steps.ShowModal = [this](TFParams& dialog) { questions_->RunParametersDialog(dialog); };
    nerovan::Parameters1Click(this, Settings, steps);
}

void TNerovan1::ToolButton6Click() { ShowHelpContents(this); }

void TNerovan1::About1Click() { nerovan::About1Click(this); }

}  // namespace nerovan
