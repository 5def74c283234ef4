// The file commands of the main window: formula files and pictures with a
// formula (Open), formula files (Save Expression, Save Expression As), the
// demo, and the picture files (Save
// Picture, Save Picture As) in the format of the chosen filter.
#include "main_window.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "atomic_file.h"
#include "code_pages.h"
#include "demo_formulas.h"
#include "formula_carrier.h"
#include "formula_file.h"
#include "main_window_parts.h"
#include "picture_export.h"

namespace nerovan {

// ---------------------------------------------------------------------------
// Formula files and demo

void TNerovan1::Open1Click() {
    const QString name = questions_->AskOpenFile();
    if (!name.isEmpty()) OpenFile(name);
}

namespace {

// The first local file among the dropped things, or empty.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return QString();
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return QString();
}

}  // namespace

void TNerovan1::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TNerovan1::dropEvent(QDropEvent* event) {
    const QString name = DroppedFile(event->mimeData());
    if (name.isEmpty()) return;
    event->acceptProposedAction();
    // The drop ends once this returns; an error box is shown after it.
    QMetaObject::invokeMethod(
        this, [this, name] { OpenFile(name); }, Qt::QueuedConnection);
}

bool TNerovan1::DropOnBox(QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (DroppedFile(drag->mimeData()).isEmpty()) return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            if (DroppedFile(drop->mimeData()).isEmpty()) return false;
            dropEvent(drop);
            return true;
        }
        default: return false;
    }
}

void TNerovan1::OpenFile(const QString& name) {
    const std::string path = QFile::encodeName(name).toStdString();
    std::string line;
    bool picture = false;
    try {
        // A picture the program made gives back its formula; any other file
        // is a formula file.
        // (A file larger than any picture of the program goes straight to
        // the formula file's reader, which refuses it without reading it.)
        constexpr qint64 kLargestPictureFile = qint64(256) << 20;
        const std::string bytes =
            QFileInfo(name).size() <= kLargestPictureFile ? ReadFileBytes(path) : std::string();
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        picture = LooksLikePicture(data, bytes.size());
        if (picture) {
            const std::optional<std::string> formula = ReadFormula(data, bytes.size());
            if (!formula) {
                questions_->ShowError(QString("\"%1\" holds no formula").arg(name));
                return;
            }
            SetExpressionText(QString::fromStdString(*formula));
            RequestPaint();
            return;  // the formula file Save writes stays the one it was
        }
        line = ReadExpressionFile(path);
    } catch (const std::exception& e) {
        // The name is taken only with a file that could be read, so the
        // caption and Save keep naming the same file; a formula too long
        // is refused whole rather than cut, and the box keeps its text.
        questions_->ShowError(ErrorText(e));
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
    WriteExpressionFileAs(name);
}

void TNerovan1::SaveExpressionAs1Click() {
    save_dialog1_file_name_ = expression_file_name_;
    const QString name = questions_->AskSaveFile(save_dialog1_file_name_);
    if (name.isEmpty()) return;
    save_dialog1_file_name_ = name;
    WriteExpressionFileAs(name);
}

void TNerovan1::WriteExpressionFileAs(const QString& name) {
    const QString previous = expression_file_name_;
    expression_file_name_ = name;
    if (!WriteExpressionFile()) expression_file_name_ = previous;
}

bool TNerovan1::WriteExpressionFile() {
    std::string bytes, bad;
    if (!Utf8ToCp1251(ExpressionText().toStdString(), bytes, bad)) {
        questions_->ShowError(QStringLiteral("Cannot save \"%1\": the expression holds %2, "
                                             "which Windows-1251 cannot hold")
                                  .arg(expression_file_name_, QString::fromStdString(bad)));
        return false;
    }
    if (bytes.find_first_of("\r\n") != std::string::npos) {
        // A formula file is one line: the text after a line break would be
        // lost when the file is opened again.
        questions_->ShowError(QStringLiteral("Cannot save \"%1\": the expression holds a line "
                                             "break, which a formula file cannot hold")
                                  .arg(expression_file_name_));
        return false;
    }
    try {
        nerovan::WriteExpressionFile(QFile::encodeName(expression_file_name_).toStdString(), bytes);
    } catch (const std::exception& e) {
        questions_->ShowError(ErrorText(e));
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
// Picture files

bool TNerovan1::AskPictureFile() {
    int index = save_picture_filter_index_;
    const QString name = questions_->AskSavePictureFile(picture_file_name_, index, ShownPicture());
    if (name.isEmpty()) return false;
    save_picture_filter_index_ = index;
    picture_file_name_ = name;
    return true;
}

void TNerovan1::SavePictureAs1Click() {
    if (AskPictureFile()) SavePictureToFile(save_picture_filter_index_, SaveCommand::SavePictureAs);
}

void TNerovan1::SavePicture1Click() {
    // Until a name was chosen, Save Picture asks like Save Picture As; after
    // that it writes in the last chosen format without asking.
    if (picture_file_name_ == kUntitledPicture && !AskPictureFile()) return;
    SavePictureToFile(save_picture_filter_index_, SaveCommand::SavePicture);
}

void TNerovan1::SavePictureToFile(int filterIndex, SaveCommand command) {
    const std::string path = QFile::encodeName(picture_file_name_).toStdString();
    QString error;
    bool repaint = false, painted_bitmap = false;
    PictureOptions options;
    options.Transparent = Settings.PicturesTransparent();
    {
        // The mutex keeps the paint thread out from the mode switch to the
        // switch back, so its Paint never overlaps the one made here. The
        // paint thread never waits for this thread while it holds the mutex.
        std::lock_guard<std::mutex> lock(paint_cycle_.ComponentMutex());
        TNerovan& component = paint_cycle_.Component();
        try {
            ScopedPictureMode mode(component, filterIndex, options);
            // The target the display does not use is painted now.
            if (mode.Switched()) component.Paint();
            // JPEG and GIF take the picture Image1 shows, which must be a
            // bitmap; nothing shown at all is an empty picture.
            const Bitmap none;
            const Bitmap* displayed = shown_.Bitmap        ? shown_.Bitmap.get()
                                      : shown_is_metafile_ ? nullptr
                                                           : &none;
            WritePictureForFilter(filterIndex, path, component, displayed, options);
            repaint = mode.Switched();
            painted_bitmap = repaint && !component.EMFPaint;
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
        if (painted_bitmap || command == SaveCommand::SavePicture)
            paint_cycle_.ForgetLastPaintedText();
        RequestPaint();
    }
}

}  // namespace nerovan
