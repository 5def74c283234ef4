// The main window: its controls, the menu and the tool bar, the paint cycle
// (RequestPaint, PaintWorker on a short-lived thread, OnProcessDone), the
// history of the expression box, the formula-file commands and the demo, the
// start and close steps with the settings file, the hot key and the tray,
// the clipboard and the picture files.
#include "main_window.h"

#include "about_box.h"
#include "colors_dialog.h"
#include "help_window.h"
#include "insert_palette.h"
#include "params_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>

#include "atomic_file.h"
#include "clipboard_formats.h"
#include "code_pages.h"
#include "demo_formulas.h"
#include "expression_box.h"
#include "formula_file.h"
#include "metrics.h"
#include "picture_export.h"
#include "picture_image.h"
#include "raster_canvas.h"
#include "settings_file.h"
#include "toolbar_icons.h"
#include "window_placement.h"

namespace nerovan {

const char* const TNerovan1::kUntitledExpression = "Untitled.fla";
const char* const TNerovan1::kUntitledPicture = "Untitled.bmp";

namespace {

const QColor kStatusBusyColor(128, 0, 0);  // maroon
const QColor kStatusColor(0, 0, 0);
const char* const kStatusOk = "OK";
// How often the notification area is looked for while the window waits in it.
constexpr int kTrayWatchMs = 1000;

// The scrolled surface of ScrollBox1. The scroll area keeps it at least as
// large as its viewport and as large as the picture, and it keeps Image1 at
// the place the centring rule gives for its own size: when the viewport is
// wider than the picture the surface is exactly as wide as the viewport,
// otherwise the picture sits at 0 on a surface as wide as itself.
class TPictureArea : public QWidget {
public:
    explicit TPictureArea(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetImage(QWidget* image) { image_ = image; }
    QSize sizeHint() const override { return image_ ? image_->size() : QSize(0, 0); }
    QSize minimumSizeHint() const override { return sizeHint(); }
    void PlaceImage() {
        if (image_) image_->move(TNerovan1::CenteredOrigin(size(), image_->size()));
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        PlaceImage();
    }

private:
    QWidget* image_ = nullptr;
};

QString FromLocalPath(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

// The message of an error from painting or writing a picture: the
// typesetter's messages quote the expression in Windows-1251, the file
// errors name the file in the local encoding.
QString ErrorText(const std::exception& e) {
    if (dynamic_cast<const Exception*>(&e)) return QString::fromStdString(Cp1251ToUtf8(e.what()));
    if (dynamic_cast<const EFileError*>(&e)) return FromLocalPath(e.what());
    return QString::fromUtf8(e.what());
}

// The largest side of the frame that stands for a pasted metafile: its
// header comes from another program and may claim any size.
constexpr int kMaxPastedSide = 4096;

// What Image1 shows for a metafile pasted from the clipboard: the typesetter
// draws only its own pictures, so another program's records cannot be
// replayed. The picture keeps the metafile's size, white inside a grey
// dotted frame, until the next paint replaces it.
QImage PastedMetafileImage(int width, int height) {
    width = std::clamp(width, 8, kMaxPastedSide);
    height = std::clamp(height, 8, kMaxPastedSide);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    painter.drawRect(0, 0, width - 1, height - 1);
    return image;
}

// Clipboard contents holding EMF bytes under the two EMF targets.
QMimeData* EmfMimeData(const QByteArray& emf) {
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kEmfMimeOffice), emf);
    data->setData(QString::fromLatin1(kEmfMime), emf);
    return data;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

TNerovan1::TNerovan1(const QString& settingsPath, QWidget* parent)
    : QMainWindow(parent), settings_(std::make_unique<SettingsFile>(settingsPath)) {
    setObjectName("Nerovan1");
    paint_cycle_.Source = [this] { return PaintOrder{ExpressionText(), ForeColor, BackColor}; };
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

void TNerovan1::BuildWindow() {
    setWindowIcon(ProgramIcon());
    resize(kInitialWidth, kInitialHeight);

    auto* central = new QWidget(this);
    central->setObjectName("ClientArea");
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    // CoolBar1: band 1 the tool bar, band 2 the expression box.
    CoolBar1 = new QWidget(central);
    CoolBar1->setObjectName("CoolBar1");
    auto* bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(2, 1, 2, 3);
    bands->setSpacing(2);
    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName("ToolBar1");
    bands->addWidget(ToolBar1);
    auto* band2 = new QHBoxLayout;
    band2->setContentsMargins(4, 0, 2, 0);
    band2->setSpacing(6);
    ExpressionLabel = new QLabel("Expression:", CoolBar1);
    ExpressionLabel->setObjectName("ExpressionLabel");
    ComboBox1 = new TExpressionBox(CoolBar1);
    ComboBox1->setObjectName("ComboBox1");
    ExpressionLabel->setBuddy(ComboBox1);
    band2->addWidget(ExpressionLabel);
    band2->addWidget(ComboBox1, 1);
    bands->addLayout(band2);
    column->addWidget(CoolBar1);

    auto* rule = new QFrame(central);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    column->addWidget(rule);

    // ScrollBox1 with Image1 on its scrolled surface.
    ScrollBox1 = new QScrollArea(central);
    ScrollBox1->setObjectName("ScrollBox1");
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setWidgetResizable(true);
    auto* area = new TPictureArea;
    PictureArea = area;
    PictureArea->setObjectName("ScrollBox1Surface");
    Image1 = new TPictureImage(PictureArea);
    Image1->setObjectName("Image1");
    Image1->Clear();
    area->SetImage(Image1);
    ScrollBox1->setWidget(PictureArea);
    // A click on the picture or around it leaves the keyboard in the
    // expression box: what the user types next goes into the formula.
    for (QWidget* w : {static_cast<QWidget*>(ScrollBox1), ScrollBox1->viewport(), PictureArea,
                       static_cast<QWidget*>(Image1)})
        w->setFocusPolicy(Qt::NoFocus);
    column->addWidget(ScrollBox1, 1);

    // TabControl1: the insert palette above the status line; its buttons
    // insert their text into the expression box.
    TabControl1 = new TInsertPalette(ComboBox1, central);
    column->addWidget(TabControl1);

    // Panel2 with the bold status label Label1 at (5, 2), as wide as the
    // panel leaves it: a longer message is shown cut short with an ellipsis,
    // whole in its tool tip.
    Panel2 = new QFrame(central);
    Panel2->setObjectName("Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setFixedHeight(18);
    Label1 = new QLabel(kStatusOk, Panel2);
    Label1->setObjectName("Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setAutoFillBackground(false);
    Panel2->installEventFilter(this);
    column->addWidget(Panel2);
    SetStatus(kStatusOk, kStatusColor);

    setCentralWidget(central);

    // The expression box's events: every edit asks for a paint; the keys and
    // the opening of the list follow the history rules.
    connect(ComboBox1, &QComboBox::editTextChanged, this, &TNerovan1::ComboBox1Change);
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this,
            [this] { history_selected_ = false; });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (programmatic_change_ == 0) history_selected_ = index >= 0;
    });
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        if (programmatic_change_ == 0) history_selected_ = index >= 0;
    });
    connect(ComboBox1, &TExpressionBox::DropDown, this, &TNerovan1::ComboBox1DropDown);
    ComboBox1->installEventFilter(this);
    ComboBox1->setFocus();
}

void TNerovan1::BuildMenu() {
    auto action = [this](QMenu* menu, const char* name, const QString& text,
                         const QList<QKeySequence>& keys, void (TNerovan1::*slot)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        a->setShortcuts(keys);
        connect(a, &QAction::triggered, this, slot);
        menu->addAction(a);
        return a;
    };

    File1 = menuBar()->addMenu("&File");
    File1->setObjectName("File1");
    Open1 = action(File1, "Open1", "&Open", {QKeySequence(Qt::CTRL | Qt::Key_O)},
                   &TNerovan1::Open1Click);
    SaveExpression1 = action(File1, "SaveExpression1", "&Save Expression",
                             {QKeySequence(Qt::CTRL | Qt::Key_S)}, &TNerovan1::SaveExpression1Click);
    SaveExpressionAs1 = action(File1, "SaveExpressionAs1", "Save Expression &As...", {},
                               &TNerovan1::SaveExpressionAs1Click);
    SavePicture1 = action(File1, "SavePicture1", "Save Picture", {QKeySequence(Qt::CTRL | Qt::Key_P)},
                          &TNerovan1::SavePicture1Click);
    SavePictureAs1 = action(File1, "SavePictureAs1", "Save Picture As...", {},
                            &TNerovan1::SavePictureAs1Click);
    SavePictureAs1->setIcon(ToolBarIcon(ToolImage::Save));
    File1->addSeparator();
    // Enter and Ctrl+Enter: the main key and the one of the number pad.
    CopyAsPictureAndHide1 = action(File1, "CopyAsPictureAndHide1", "Copy as picture and Hide      ",
                                   {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)},
                                   &TNerovan1::CopyAsPictureAndHide);
    CopyAsPictureAndHide1->setIcon(ToolBarIcon(ToolImage::Clipboard));
    Hide1 = action(File1, "Hide1", "&Hide                ",
                   {QKeySequence(Qt::CTRL | Qt::Key_Enter), QKeySequence(Qt::CTRL | Qt::Key_Return)},
                   &TNerovan1::HideToTray);
    File1->addSeparator();
    Exit1 = action(File1, "Exit1", "&Exit", {}, &TNerovan1::Exit1Click);

    Options1 = menuBar()->addMenu("&Options");
    Options1->setObjectName("Options1");
    Font1 = action(Options1, "Font1", "&Font", {QKeySequence(Qt::CTRL | Qt::Key_F)},
                   &TNerovan1::ToolButton3Click);
    Font1->setIcon(ToolBarIcon(ToolImage::Font));
    Colors1 = Options1->addMenu("&Colors");
    Colors1->setObjectName("Colors1");
    Colors1->setIcon(ToolBarIcon(ToolImage::Colors));
    Foreground2 = action(Colors1, "Foreground2", "Foreground", {QKeySequence(Qt::CTRL | Qt::Key_C)},
                         &TNerovan1::Foreground2Click);
    BackGround2 = action(Colors1, "BackGround2", "BackGround",
                         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
                         &TNerovan1::BackGround2Click);
    Options1->addSeparator();
    Parameters1 = action(Options1, "Parameters1", "Parameters", {}, &TNerovan1::Parameters1Click);
    Parameters1->setIcon(ToolBarIcon(ToolImage::Parameters));
    Options1->addSeparator();
    Hintbar1 = action(Options1, "Hintbar1", "AutoInsert Buttons", {}, &TNerovan1::Hintbar1Click);
    Hintbar1->setCheckable(true);
    Hintbar1->setChecked(true);

    Help1 = menuBar()->addMenu("&Help");
    Help1->setObjectName("Help1");
    Contents1 = action(Help1, "Contents1", "&Contents", {QKeySequence(Qt::Key_F1)},
                       &TNerovan1::ToolButton6Click);
    Contents1->setIcon(ToolBarIcon(ToolImage::Help));
    Demo1 = action(Help1, "Demo1", "&Demo", {QKeySequence(Qt::CTRL | Qt::Key_F1)},
                   &TNerovan1::Demo1Click);
    Help1->addSeparator();
    About1 = action(Help1, "About1", "&About", {}, &TNerovan1::About1Click);
}

void TNerovan1::BuildToolBar() {
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(kToolImageSize, kToolImageSize));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setStyleSheet("QToolBar { border: none; }");

    // Caption, hint ("" for none), image, command, object name.
    auto button = [this](const QString& caption, const QString& hint, ToolImage image,
                         void (TNerovan1::*slot)(), const char* name) {
        auto* a = new QAction(ToolBarIcon(image), caption, this);
        // The caption is shown as written, blanks included.
        a->setIconText(caption);
        a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        ToolBar1->addAction(a);
        QWidget* w = ToolBar1->widgetForAction(a);
        w->setObjectName(name);
        w->setMinimumSize(61, 52);
        // A button without a hint shows no tool tip (Qt would show the caption).
        if (hint.isEmpty()) w->installEventFilter(this);
        w->setProperty("nerovanNoHint", hint.isEmpty());
        return a;
    };
    auto separator = [this] {
        QAction* s = ToolBar1->addSeparator();
        ToolBar1->widgetForAction(s)->setFixedWidth(8);
    };
    button("Save", "Save Picture As ... ", ToolImage::Save, &TNerovan1::SavePictureAs1Click,
           "ToolButton1");
    separator();
    button("Colors", "", ToolImage::Colors, &TNerovan1::ToolButton2Click, "ToolButton2");
    button("      Font     ", "Select Font - Ctrl+F", ToolImage::Font, &TNerovan1::ToolButton3Click,
           "ToolButton3");
    button("Parameters", "", ToolImage::Parameters, &TNerovan1::Parameters1Click, "ToolButton4");
    separator();
    button("Clipboard", "Copy as picture and Hide - Enter", ToolImage::Clipboard,
           &TNerovan1::CopyAsPictureAndHide, "ToolButton5");
    separator();
    button("Help", "Help - F1", ToolImage::Help, &TNerovan1::ToolButton6Click, "ToolButton6");
    // The window does not get narrower than its tool bar, whose captions
    // would otherwise be cut short.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());
}

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
    // nothing, or the window would flash up for the first half of it.
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) RestoreFromTray();
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
    const ProgramSettings s = settings_->ReadProgramSettings();
    HotKeyShift = s.HotKeyShift;
    HotKeyCtrl = s.HotKeyCtrl;
    HotKeyAlt = s.HotKeyAlt;
    HotKeyLetter = s.HotKeyLetter;
    {
        std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
        TNerovan& component = paint_cycle_.Component();
        component.EMFPaint = s.EMFPaint;
        component.MulPoint = s.MulPoint;
        component.BlurBitmap = s.BlurBitmap;
    }
    Hintbar1->setChecked(s.AutoInsertButtons);
    TabControl1->setVisible(s.AutoInsertButtons);

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

    ProgramSettings s;
    s.HotKeyShift = HotKeyShift;
    s.HotKeyCtrl = HotKeyCtrl;
    s.HotKeyAlt = HotKeyAlt;
    s.HotKeyLetter = HotKeyLetter;
    {
        std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
        const TNerovan& component = paint_cycle_.Component();
        s.EMFPaint = component.EMFPaint;
        s.MulPoint = component.MulPoint;
        s.BlurBitmap = component.BlurBitmap;
    }
    s.AutoInsertButtons = Hintbar1->isChecked();
    settings_->WriteProgramSettings(s);

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

QString TNerovan1::SettingsPath() const { return settings_->Path(); }

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
        Image1->Show(kept.Pixels);
    else if (!kept.Frame.isNull())
        Image1->Show(kept.Frame);
    else
        Image1->Clear();
    ScrollHomeAndCenter();
}

QImage TNerovan1::ShownPicture() const { return Image1->Picture(); }

QPoint TNerovan1::CenteredOrigin(const QSize& area, const QSize& picture) {
    const int left = area.width() > picture.width() ? area.width() / 2 - picture.width() / 2 : 0;
    const int top = area.height() > picture.height() ? area.height() / 2 - picture.height() / 2 : 0;
    return QPoint(left, top);
}

void TNerovan1::ScrollHomeAndCenter() {
    if (!ScrollBox1) return;
    // Let the scroll area size its surface to the picture now, not later.
    PictureArea->updateGeometry();
    QEvent layout(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(ScrollBox1, &layout);
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    static_cast<TPictureArea*>(PictureArea)->PlaceImage();
}

// ---------------------------------------------------------------------------
// The expression box and the history

QString TNerovan1::ExpressionText() const { return ComboBox1->currentText(); }

void TNerovan1::SetExpressionText(const QString& text) {
    ++programmatic_change_;
    ComboBox1->setEditText(text);
    --programmatic_change_;
    history_selected_ = false;
}

void TNerovan1::ComboBox1Change() {
    if (programmatic_change_ == 0) RequestPaint();
}

int TNerovan1::ItemIndex() const { return history_selected_ ? ComboBox1->currentIndex() : -1; }

bool TNerovan1::HistoryContains(const QString& text, const QStringList& list) {
    return History::HistoryContains(text, list);
}

void TNerovan1::AddToHistory() {
    if (history_.Add(ExpressionText())) SyncHistoryList();
}

void TNerovan1::PushToHistory() {
    history_.Push(ExpressionText());
    SyncHistoryList();
}

void TNerovan1::SyncHistoryList() {
    QLineEdit* edit = ComboBox1->lineEdit();
    const QString text = edit->text();
    const int cursor = edit->cursorPosition();
    const int selStart = edit->selectionStart();
    const int selLength = edit->selectedText().size();
    ++programmatic_change_;
    // Changing the items can make the box select an entry and show its text;
    // the text the user sees stays what it was.
    while (ComboBox1->count() > 0) ComboBox1->removeItem(ComboBox1->count() - 1);
    ComboBox1->addItems(history_.Items());
    if (edit->text() != text) {
        edit->setText(text);
        if (selStart >= 0)
            edit->setSelection(selStart, selLength);
        else
            edit->setCursorPosition(cursor);
    }
    --programmatic_change_;
    history_selected_ = false;
}

void TNerovan1::ComboBox1DropDown() { AddToHistory(); }

bool TNerovan1::ComboBox1KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return false;
    if (key == Qt::Key_Down && ItemIndex() < 0) {
        // Store the text, select the newest entry; the key then steps on
        // through the list as usual.
        AddToHistory();
        if (ComboBox1->count() > 0) {
            ComboBox1->setCurrentIndex(0);
            // Selecting shows the entry's text (a change that asks for a paint).
            if (ComboBox1->currentText() != ComboBox1->itemText(0))
                ComboBox1->setEditText(ComboBox1->itemText(0));
            history_selected_ = true;
        }
        return false;
    }
    if (key == Qt::Key_Up && ItemIndex() < 0) return true;
    // Enter acts when it is released; its press would make the box pick a
    // matching entry and move the caret.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        enter_pressed_in_box_ = true;
        return true;
    }
    return false;
}

bool TNerovan1::ComboBox1KeyUp(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !autoRepeat &&
        !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier))) {
        // Only the release of a press the box saw: Enter that closes a
        // dialog (the save dialog, an error box) is released after the focus
        // came back here, and must not copy the picture and hide the window.
        if (!enter_pressed_in_box_) return true;
        enter_pressed_in_box_ = false;
        CopyAsPictureAndHide();
        return true;
    }
    return false;
}

bool TNerovan1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBox1) {
        switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // Enter in the box is the box's own key, acted on when released:
            // the menu shortcut must not fire as well for the same press.
            auto* k = static_cast<QKeyEvent*>(event);
            const bool plain =
                !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
            if (plain && (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)) {
                event->accept();
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            auto* k = static_cast<QKeyEvent*>(event);
            if (ComboBox1KeyDown(k->key(), k->modifiers())) return true;
            break;
        }
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(event);
            if (ComboBox1KeyUp(k->key(), k->modifiers(), k->isAutoRepeat())) return true;
            break;
        }
        case QEvent::FocusOut: enter_pressed_in_box_ = false; break;
        default: break;
        }
        return false;
    }
    if (watched == Panel2 && event->type() == QEvent::Resize) ShowStatusText();
    if (event->type() == QEvent::ToolTip && watched->property("nerovanNoHint").toBool()) return true;
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Formula files and demo

void TNerovan1::Open1Click() {
    const QString name = questions_->AskOpenFile();
    if (name.isEmpty()) return;
    std::string line;
    try {
        line = ReadExpressionFile(QFile::encodeName(name).toStdString());
    } catch (const std::exception& e) {
        // The name is taken only with a file that could be read, so the
        // caption and Save keep naming the same file; a formula too long
        // is refused whole rather than cut, and the box keeps its text.
        questions_->ShowError(FromLocalPath(e.what()));
        return;
    }
    expression_file_name_ = name;
    // The previous text is not put into the history.
    SetExpressionText(QString::fromStdString(Cp1251ToUtf8(line)));
    RequestPaint();
    SetCaption();
}

void TNerovan1::SaveExpression1Click() {
    QString name = expression_file_name_;
    if (name == kUntitledExpression) {
        name = questions_->AskSaveFile(save_dialog1_file_name_);
        if (name.isEmpty()) return;
        save_dialog1_file_name_ = name;
    }
    const QString previous = expression_file_name_;
    expression_file_name_ = name;
    if (!WriteExpressionFile()) expression_file_name_ = previous;
}

void TNerovan1::SaveExpressionAs1Click() {
    save_dialog1_file_name_ = expression_file_name_;
    const QString name = questions_->AskSaveFile(save_dialog1_file_name_);
    if (name.isEmpty()) return;
    save_dialog1_file_name_ = name;
    const QString previous = expression_file_name_;
    expression_file_name_ = name;
    if (!WriteExpressionFile()) expression_file_name_ = previous;
}

bool TNerovan1::WriteExpressionFile() {
    std::string bytes, bad;
    if (!Utf8ToCp1251(ExpressionText().toStdString(), bytes, bad)) {
        questions_->ShowError(QStringLiteral("Cannot save \"%1\": the expression holds %2, which "
                                    "Windows-1251 cannot hold")
                         .arg(expression_file_name_, QString::fromStdString(bad)));
        return false;
    }
    if (bytes.find_first_of("\r\n") != std::string::npos) {
        // A formula file is one line: the text after a line break would be
        // lost when the file is opened again.
        questions_->ShowError(QStringLiteral("Cannot save \"%1\": the expression holds a line break, "
                                    "which a formula file cannot hold")
                         .arg(expression_file_name_));
        return false;
    }
    try {
        nerovan::WriteExpressionFile(QFile::encodeName(expression_file_name_).toStdString(), bytes);
    } catch (const std::exception& e) {
        questions_->ShowError(FromLocalPath(e.what()));
        return false;
    }
    SetCaption();
    return true;
}

void TNerovan1::Demo1Click() {
    const int n = demo_.NextDemoNumber();
    AddToHistory();
    SetExpressionText(QString::fromStdString(Cp1251ToUtf8(DemoFormulas[n - 1])));
    RequestPaint();
}

// ---------------------------------------------------------------------------
// The insert palette's check item

void TNerovan1::Hintbar1Click() {
    // The item checks and unchecks itself; the palette follows its check.
    TabControl1->setVisible(Hintbar1->isChecked());
}

// ---------------------------------------------------------------------------
// The hot key and the tray

void TNerovan1::RegisterProgramHotKey() {
    const QString text = HotKeyText(HotKeyCtrl, HotKeyShift, HotKeyAlt, HotKeyLetter);
    PaintRes1->setText(PaintRes1Caption(text));
    // A combination another program holds, or a window system without
    // global hot keys, leaves the hot key without effect; the status line
    // says so once, and the tray item still does the same work.
    if (hot_key_->Register(HotKeyModifiers(HotKeyCtrl, HotKeyShift, HotKeyAlt), HotKeyLetter)) {
        pending_notice_.clear();
        return;
    }
    pending_notice_ = QStringLiteral("The hot key %1 could not be registered").arg(text);
    QMetaObject::invokeMethod(this, &TNerovan1::ShowPendingNotice, Qt::QueuedConnection);
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

void TNerovan1::UnregisterProgramHotKey() { hot_key_->Unregister(); }

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
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || paint_cycle_.Closing()) return;
    // The minimise button leads to the tray. The window is hidden once the
    // state change is done with; without a notification area it stays
    // minimised as usual.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized() && isVisible() && !paint_cycle_.Closing() && questions_->TrayAvailable()) HideToTray();
    });
}

void TNerovan1::ShowPastedMetafile(const QByteArray& emf, int width, int height) {
    DisplayedPicture kept;
    kept.Emf = emf;
    kept.Frame = PastedMetafileImage(width, height);
    ShowPicture(kept);
}

void TNerovan1::OnhotKey() {
    copy_pending_ = false;
    const ClipboardFormula clip = ReadClipboardFormula(QGuiApplication::clipboard()->mimeData());
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
    }
    RestoreFromTray();
}

// ---------------------------------------------------------------------------
// The clipboard

QMimeData* TNerovan1::DisplayedPictureMimeData() const {
    if (shown_.Bitmap) return BitmapMimeData(*shown_.Bitmap);
    if (shown_.Metafile) return MetafileMimeData(*shown_.Metafile);
    if (!shown_.Emf.isEmpty()) return EmfMimeData(shown_.Emf);
    throw std::runtime_error("There is no picture to copy");
}

void TNerovan1::CopyAsPictureAndHide() {
    // A copy asked for while a paint runs is made when it has ended.
    if (PaintBusy()) {
        copy_pending_ = true;
        return;
    }
    std::unique_ptr<QMimeData> data;
    try {
        bool metafile;
        {
            std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
            metafile = paint_cycle_.Component().EMFPaint;
            if (metafile) {
                const Metafile& mf = paint_cycle_.Component().Metafile();
                if (mf.Width <= 0 || mf.Height <= 0)
                    throw std::runtime_error("There is no picture to copy");
                data.reset(MetafileMimeData(mf));
            }
        }
        if (!metafile) data.reset(DisplayedPictureMimeData());
    } catch (const std::exception& e) {
        // Nothing went to the clipboard: the window stays, so the user sees
        // why instead of pasting an old picture.
        questions_->ShowError(ErrorText(e));
        return;
    }
    QGuiApplication::clipboard()->setMimeData(data.release());
    HideToTray();
}

// ---------------------------------------------------------------------------
// Picture files

void TNerovan1::SavePictureAs1Click() {
    int index = save_picture_filter_index_;
    const QString name = questions_->AskSavePictureFile(picture_file_name_, index, ShownPicture());
    if (name.isEmpty()) return;
    save_picture_filter_index_ = index;
    picture_file_name_ = name;
    SavePictureToFile(save_picture_filter_index_, SaveCommand::SavePictureAs);
}

void TNerovan1::SavePicture1Click() {
    // Until a name was chosen, Save Picture asks like Save Picture As; after
    // that it writes in the last chosen format without asking.
    if (picture_file_name_ == kUntitledPicture) {
        int index = save_picture_filter_index_;
        const QString name = questions_->AskSavePictureFile(picture_file_name_, index, ShownPicture());
        if (name.isEmpty()) return;
        save_picture_filter_index_ = index;
        picture_file_name_ = name;
    }
    SavePictureToFile(save_picture_filter_index_, SaveCommand::SavePicture);
}

void TNerovan1::SavePictureToFile(int filterIndex, SaveCommand command) {
    const std::string path = QFile::encodeName(picture_file_name_).toStdString();
    QString error;
    bool repaint = false;
    {
        // The mutex keeps the paint thread out from the mode switch to the
        // switch back, so its Paint never overlaps the one made here. The
        // paint thread never waits for this thread while it holds the mutex.
        std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
        TNerovan& component = paint_cycle_.Component();
        try {
            ScopedPictureMode mode(component, filterIndex);
            // The target the display does not use is painted now.
            if (mode.Switched()) component.Paint();
            // JPEG and GIF take the picture Image1 shows, which must be a
            // bitmap; nothing shown at all is an empty picture.
            const Bitmap none;
            const Bitmap* displayed = shown_.Bitmap ? shown_.Bitmap.get()
                                      : shown_is_metafile_ ? nullptr
                                                           : &none;
            WritePictureForFilter(filterIndex, path, component, displayed);
            repaint = mode.Switched();
        } catch (const std::exception& e) {
            error = ErrorText(e);
        }
    }
    // The box runs its own event loop: never with the mutex held.
    if (!error.isEmpty()) {
        questions_->ShowError(error);
        return;
    }
    if (repaint) {
        // The display goes back to the kind it showed. Save Picture As of a
        // metafile finds the text unchanged and paints nothing: the display
        // showed the bitmap all along.
        if (filterIndex == kFilterBitmap || command == SaveCommand::SavePicture)
            paint_cycle_.ForgetLastPaintedText();
        RequestPaint();
    }
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

void TNerovan1::Foreground2Click() { ChooseColor(this, ForeColor, [this] { RepaintUnchanged(); }); }

void TNerovan1::BackGround2Click() { ChooseColor(this, BackColor, [this] { RepaintUnchanged(); }); }

void TNerovan1::ToolButton3Click() {
    nerovan::ToolButton3Click(this, FontDialog1Font, paint_cycle_.Component(), paint_cycle_.ComponentMutex(),
                              [this] { RepaintUnchanged(); });
}

void TNerovan1::Parameters1Click() {
    ProgramSettings values;
    values.HotKeyCtrl = HotKeyCtrl;
    values.HotKeyShift = HotKeyShift;
    values.HotKeyAlt = HotKeyAlt;
    values.HotKeyLetter = HotKeyLetter;
    ParametersSteps steps;
    steps.UnregisterHotKey = [this] { UnregisterProgramHotKey(); };
    steps.RegisterProgramHotKey = [this](const ProgramSettings& chosen) {
        HotKeyCtrl = chosen.HotKeyCtrl;
        HotKeyShift = chosen.HotKeyShift;
        HotKeyAlt = chosen.HotKeyAlt;
        HotKeyLetter = chosen.HotKeyLetter;
        RegisterProgramHotKey();
    };
    steps.Repaint = [this] { RepaintUnchanged(); };
    nerovan::Parameters1Click(this, values, paint_cycle_.Component(), paint_cycle_.ComponentMutex(), steps);
}

void TNerovan1::ToolButton6Click() { ShowHelpContents(this); }

void TNerovan1::About1Click() { nerovan::About1Click(this); }

}  // namespace nerovan
