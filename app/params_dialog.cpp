// The parameters dialog and the command that runs it.
#include "params_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "component.h"

namespace nerovan {

const char* const kParamsEmfExplanation =
    "EMF format allows to scale your picture without loss of quality. Copying as \r\n"
    "EMF is especially useful if you'd like to export formulas to the documents of \r\n"
    "Microsoft Word. The expression will be saved in description of the file .";

const char* const kParamsBmpExplanation =
    "This  useful  with  working  in  MS Frontpage  or graphical editors.  Use  large \r\n"
    "fonts and subsequent scaling down in editors,  if you want to print the picture \r\n"
    "from  other  programs  after  exporting  (if  you  don't  want  to  print  in screen \r\n"
    "resolution, certainly).";

namespace {

const QColor kNavy(0, 0, 128);

void MakeNavy(QLabel* label) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, kNavy);
    label->setPalette(p);
}

bool IsAsciiLetter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

}  // namespace

char HotKeyLetterFromEdit(const QString& text) {
    if (text.isEmpty()) return 'F';
    const char16_t c = text.at(0).unicode();
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c) : 'F';
}

TFParams::TFParams(QWidget* parent) : QDialog(parent) {
    setObjectName("FParams");
    setWindowTitle("Parameters");
    // A fixed dialog border: no resizing, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 7);
    column->setSpacing(7);
    column->setSizeConstraint(QLayout::SetFixedSize);

    // RadioGroup1: the picture kind of "Copy as picture".
    RadioGroup1 = new QGroupBox("Copy as picture", this);
    RadioGroup1->setObjectName("RadioGroup1");
    auto* items = new QVBoxLayout(RadioGroup1);
    items->setSpacing(2);
    RadioItem0 = new QRadioButton("In EMF (Enhanced Metafile Format)", RadioGroup1);
    RadioItem0->setObjectName("RadioGroup1Item0");
    RadioItem1 = new QRadioButton("In BMP (Bitmap)", RadioGroup1);
    RadioItem1->setObjectName("RadioGroup1Item1");
    items->addWidget(RadioItem0);
    items->addWidget(RadioItem1);
    radio_items_ = new QButtonGroup(this);
    radio_items_->addButton(RadioItem0, 0);
    radio_items_->addButton(RadioItem1, 1);
    column->addWidget(RadioGroup1);

    // Label1 and Label4 share one place; the chosen item decides which one
    // shows. The place keeps the height of the taller, so the dialog does
    // not jump when the choice changes.
    auto* explanation = new QWidget(this);
    explanation->setObjectName("Explanation");
    auto* stack = new QGridLayout(explanation);
    stack->setContentsMargins(1, 0, 0, 0);
    Label1 = new QLabel(QString::fromLatin1(kParamsEmfExplanation), explanation);
    Label1->setObjectName("Label1");
    Label4 = new QLabel(QString::fromLatin1(kParamsBmpExplanation), explanation);
    Label4->setObjectName("Label4");
    for (QLabel* l : {Label1, Label4}) {
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        MakeNavy(l);
        stack->addWidget(l, 0, 0);
    }
    explanation->setMinimumSize(
        std::max(Label1->sizeHint().width(), Label4->sizeHint().width()) + 1,
        std::max(Label1->sizeHint().height(), Label4->sizeHint().height()));
    column->addWidget(explanation);

    // GroupBox2: the hot key.
    GroupBox2 = new QGroupBox("Hot Key", this);
    GroupBox2->setObjectName("GroupBox2");
    auto* keyRow = new QHBoxLayout(GroupBox2);
    keyRow->setSpacing(6);
    Label3 = new QLabel("Hot key is used for a call the Nerovan.", GroupBox2);
    Label3->setObjectName("Label3");
    MakeNavy(Label3);
    CheckBox2 = new QCheckBox("Shift + ", GroupBox2);
    CheckBox2->setObjectName("CheckBox2");
    CheckBox1 = new QCheckBox("Ctrl + ", GroupBox2);
    CheckBox1->setObjectName("CheckBox1");
    CheckBox3 = new QCheckBox("Alt + ", GroupBox2);
    CheckBox3->setObjectName("CheckBox3");
    Edit2 = new QLineEdit("F", GroupBox2);
    Edit2->setObjectName("Edit2");
    Edit2->setFixedWidth(33);
    Edit2->setAlignment(Qt::AlignCenter);
    // Only a typed letter reaches the field: no pasting (menu, middle button,
    // drop) and no input method composing other characters.
    Edit2->setContextMenuPolicy(Qt::NoContextMenu);
    Edit2->setAcceptDrops(false);
    Edit2->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit2->installEventFilter(this);
    keyRow->addWidget(Label3);
    keyRow->addStretch(1);
    keyRow->addWidget(CheckBox2);
    keyRow->addWidget(CheckBox1);
    keyRow->addWidget(CheckBox3);
    keyRow->addWidget(Edit2);
    column->addWidget(GroupBox2);
    HotKeyNote = new QLabel(this);
    HotKeyNote->setObjectName("HotKeyNote");
    HotKeyNote->setWordWrap(true);
    HotKeyNote->setTextFormat(Qt::PlainText);
    MakeNavy(HotKeyNote);
    PasteCommandEdit = new QLineEdit(this);
    PasteCommandEdit->setObjectName("PasteCommandEdit");
    PasteCommandEdit->setReadOnly(true);
    HotKeyNote->setVisible(false);
    PasteCommandEdit->setVisible(false);
    column->addWidget(HotKeyNote);
    column->addWidget(PasteCommandEdit);

    // pmul and CBlur, with the OK button beside CBlur.
    auto* bottom = new QGridLayout;
    bottom->setHorizontalSpacing(8);
    bottom->setVerticalSpacing(4);
    pmul = new QCheckBox("Paint the point of multiplication", this);
    pmul->setObjectName("pmul");
    CBlur = new QCheckBox("Blur bitmap", this);
    CBlur->setObjectName("CBlur");
    CTransparent = new QCheckBox("Transparent background (PNG, SVG, PDF)", this);
    CTransparent->setObjectName("CTransparent");
    CTransparent->setToolTip(
        "Copies and saved pictures leave the background out where the picture kind can.\n"
        "A blurred bitmap is smoothed against its background and keeps it.");
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), "OK", this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setMinimumSize(105, 33);
    BitBtn1->setDefault(true);
    bottom->addWidget(pmul, 0, 0);
    bottom->addWidget(CBlur, 1, 0);
    bottom->addWidget(CTransparent, 2, 0);
    bottom->setColumnStretch(1, 1);
    bottom->addWidget(BitBtn1, 0, 2, 3, 1, Qt::AlignRight | Qt::AlignBottom);
    column->addLayout(bottom);

    // Initial states: item 1 with its explanation, Shift and Ctrl checked.
    RadioItem1->setChecked(true);
    Label1->setVisible(false);
    Label4->setVisible(true);
    CheckBox2->setChecked(true);
    CheckBox1->setChecked(true);
    CheckBox3->setChecked(false);
    pmul->setChecked(false);
    CBlur->setChecked(false);
    CTransparent->setChecked(false);
    // The two exclude each other: while bitmaps are blurred, pictures keep
    // their background.
    connect(CBlur, &QCheckBox::toggled, CTransparent, &QWidget::setDisabled);

    connect(radio_items_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) RadioGroup1Click();
    });
    connect(CheckBox1, &QCheckBox::toggled, this, &TFParams::CheckBox1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TFParams::CheckBox2Click);
    connect(CheckBox3, &QCheckBox::toggled, this, &TFParams::CheckBox3Click);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFParams::LoadValues(const ProgramSettings& values) {
    Edit2->setText(QString(QChar::fromLatin1(values.HotKeyLetter)));
    CheckBox1->setChecked(values.HotKeyCtrl);
    CheckBox2->setChecked(values.HotKeyShift);
    CheckBox3->setChecked(values.HotKeyAlt);
    // A settings file without any modifier would leave all three boxes
    // unchecked and disabled by the rule, with no way to choose one again:
    // there the boxes stay enabled.
    if (!values.HotKeyCtrl && !values.HotKeyShift && !values.HotKeyAlt)
        for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3}) b->setEnabled(true);
    SetItemIndex(values.EMFPaint ? 0 : 1);
    pmul->setChecked(values.MulPoint);
    CBlur->setChecked(values.BlurBitmap);
    CTransparent->setChecked(values.Transparent);
    hot_key_shift_ = values.HotKeyShift;
    hot_key_ctrl_ = values.HotKeyCtrl;
    hot_key_alt_ = values.HotKeyAlt;
}

int TFParams::ItemIndex() const { return radio_items_->checkedId(); }

void TFParams::SetItemIndex(int index) {
    QAbstractButton* item = radio_items_->button(index);
    if (!item) return;
    if (item->isChecked())
        RadioGroup1Click();  // the explanation matches the item in any case
    else
        item->setChecked(true);
}

QString TFParams::Edit2Text() const { return Edit2->text(); }
bool TFParams::PaintMulPoint() const { return pmul->isChecked(); }
bool TFParams::BlurBitmap() const { return CBlur->isChecked(); }
bool TFParams::Transparent() const { return CTransparent->isChecked(); }

void TFParams::RadioGroup1Click() {
    if (ItemIndex() == 1) {
        Label1->setVisible(false);
        Label4->setVisible(true);
    } else if (ItemIndex() == 0) {
        Label1->setVisible(true);
        Label4->setVisible(false);
    }
}

void TFParams::ModifierRule(QCheckBox* x, QCheckBox* first, QCheckBox* second) {
    if (x->isChecked()) {
        first->setEnabled(true);
        second->setEnabled(true);
        return;
    }
    if (!second->isChecked()) first->setEnabled(false);
    if (!first->isChecked()) second->setEnabled(false);
}

void TFParams::CheckBox1Click() { ModifierRule(CheckBox1, CheckBox3, CheckBox2); }
void TFParams::CheckBox2Click() { ModifierRule(CheckBox2, CheckBox3, CheckBox1); }
void TFParams::CheckBox3Click() { ModifierRule(CheckBox3, CheckBox1, CheckBox2); }

bool TFParams::Edit2KeyPress(QChar key) {
    if (IsAsciiLetter(key)) Edit2->setText(QString(key.toUpper()));
    return true;
}

bool TFParams::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Edit2) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* k = static_cast<QKeyEvent*>(event);
            switch (k->key()) {
                // Keys that type no character keep their usual meaning: moving the
                // focus, the dialog's Enter and Escape, moving the caret, and Delete.
                case Qt::Key_Tab:
                case Qt::Key_Backtab:
                case Qt::Key_Return:
                case Qt::Key_Enter:
                case Qt::Key_Escape:
                case Qt::Key_Left:
                case Qt::Key_Right:
                case Qt::Key_Home:
                case Qt::Key_End: return false;
                case Qt::Key_Delete:
                    // Shift+Delete would cut; plain Delete only removes.
                    return (k->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
                default: break;
            }
            // A letter typed with Ctrl or Alt is a command, not the letter; it is
            // swallowed like every other character.
            const QString text = k->text();
            if (text.size() == 1 &&
                !(k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
                return Edit2KeyPress(text.at(0));
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            // The middle button pastes the X selection.
            return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
        default: return false;
    }
}

void TFParams::FormClose() {
    hot_key_shift_ = CheckBox2->isChecked();
    hot_key_ctrl_ = CheckBox1->isChecked();
    hot_key_alt_ = CheckBox3->isChecked();
}

void TFParams::done(int result) {
    closed_ = true;
    FormClose();
    QDialog::done(result);
}

void TFParams::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the desktop (the screen of the parent, if any).
    if (placed_) return;
    placed_ = true;
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (screen) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

// ---------------------------------------------------------------------------

void TFParams::ShowDesktopHotKey(const DesktopHotKeyNote& note) {
    HotKeyNote->setText(note.Text);
    HotKeyNote->setVisible(!note.Text.isEmpty());
    PasteCommandEdit->setText(note.Command);
    PasteCommandEdit->setVisible(!note.Command.isEmpty());
    // The dialog fits its contents again (it may have a fixed size).
    adjustSize();
}

void ApplyPainterSwitches(const ProgramSettings& values, TNerovan& component,
                          std::mutex& componentMutex) {
    std::lock_guard<std::mutex> lock(componentMutex);
    component.EMFPaint = values.EMFPaint;
    component.MulPoint = values.MulPoint;
    component.BlurBitmap = values.BlurBitmap;
}

void Parameters1Click(QWidget* parent, ProgramSettings& values, const ParametersSteps& steps) {
    // 1. The hot key is off while the dialog is open.
    if (steps.UnregisterHotKey) steps.UnregisterHotKey();

    // 2. The dialog with the current values.
    TFParams dialog(parent);
    dialog.LoadValues(values);
    dialog.ShowDesktopHotKey(steps.HotKeyNote);

    // 3. Modal; FormClose takes the modifiers whichever way it closes.
    if (steps.ShowModal)
        steps.ShowModal(dialog);
    else
        dialog.exec();
    // A dialog the runner left open closes here, through FormClose too.
    if (!dialog.Closed()) dialog.done(QDialog::Accepted);
    values.HotKeyShift = dialog.HotKeyShift();
    values.HotKeyCtrl = dialog.HotKeyCtrl();
    values.HotKeyAlt = dialog.HotKeyAlt();

    // 4. The painter switches and the picture kind.
    values.MulPoint = dialog.PaintMulPoint();
    values.BlurBitmap = dialog.BlurBitmap();
    values.Transparent = dialog.Transparent();
    const QString letterText = dialog.Edit2Text();
    values.EMFPaint = dialog.ItemIndex() == 0;
    if (steps.ApplyPainterSwitches) steps.ApplyPainterSwitches(values);

    // 5. The unchanged text is painted again with the new switches.
    if (steps.Repaint) steps.Repaint();

    // 6. The letter; anything but A to Z gives F.
    values.HotKeyLetter = HotKeyLetterFromEdit(letterText);

    // 7, 8. Registered again, with the tray caption naming the combination.
    if (steps.RegisterProgramHotKey) steps.RegisterProgramHotKey(values);
}

}  // namespace nerovan
