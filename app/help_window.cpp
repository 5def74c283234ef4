// The help window: the contents are taken from the headings of the help
// document itself (sections and subsections), so the table never drifts from
// the text.
#include "help_window.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace nerovan {

const char* const kHelpFileName = "NerovanHelp.html";

namespace {

constexpr int kBlockRole = Qt::UserRole;
constexpr int kAnchorRole = Qt::UserRole + 1;

}  // namespace

QStringList HelpFileCandidates() {
    const QString exe = QCoreApplication::applicationDirPath();
    const QString name = QString::fromLatin1(kHelpFileName);
    QStringList list{QDir(exe).filePath(name), QDir(exe).filePath("help/" + name)};
#ifdef NEROVAN_INSTALLED_HELP_DIR
    // The installed tree: the help's folder relative to the programs' folder,
    // so the program finds it under any prefix it was installed to.
    list << QDir::cleanPath(exe + "/" + QStringLiteral(NEROVAN_INSTALLED_HELP_DIR) + "/" + name);
#endif
#ifdef NEROVAN_HELP_DIR
    list << QDir(QStringLiteral(NEROVAN_HELP_DIR)).filePath(name);
#endif
    list.removeDuplicates();
    return list;
}

QString FindHelpFile() {
    for (const QString& candidate : HelpFileCandidates())
        if (QFileInfo(candidate).isFile()) return candidate;
    return QString();
}

THelpWindow::THelpWindow(const QString& path, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(path) {
    setObjectName("HelpWindow");
    setWindowTitle("Nerovan Help");

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->setSpacing(6);

    auto* findRow = new QHBoxLayout;
    auto* findLabel = new QLabel("&Find:", this);
    find_ = new QLineEdit(this);
    find_->setObjectName("HelpFind");
    find_->setClearButtonEnabled(true);
    findLabel->setBuddy(find_);
    auto* findButton = new QPushButton("Find &next", this);
    findButton->setObjectName("HelpFindNext");
    findRow->addWidget(findLabel);
    findRow->addWidget(find_, 1);
    findRow->addWidget(findButton);
    column->addLayout(findRow);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    contents_ = new QTreeWidget(splitter_);
    contents_->setObjectName("HelpContents");
    contents_->setHeaderHidden(true);
    contents_->setColumnCount(1);
    contents_->setRootIsDecorated(true);
    browser_ = new QTextBrowser(splitter_);
    browser_->setObjectName("HelpText");
    browser_->setOpenExternalLinks(true);
    splitter_->addWidget(contents_);
    splitter_->addWidget(browser_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({270, 600});
    column->addWidget(splitter_, 1);

    connect(find_, &QLineEdit::returnPressed, this, &THelpWindow::FindNext);
    connect(findButton, &QPushButton::clicked, this, &THelpWindow::FindNext);
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { GoTo(item); });
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { GoTo(item); });

    resize(900, 620);

    const QFileInfo info(path);
    if (info.isFile() && info.isReadable()) {
        // Loaded as a source, so the pictures next to it are found by their
        // relative names.
        browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()),
                            QTextDocument::HtmlResource);
        loaded_ = !browser_->document()->isEmpty();
    }
    if (loaded_) {
        const QString title = browser_->document()->metaInformation(QTextDocument::DocumentTitle);
        if (!title.isEmpty()) setWindowTitle(title);
        BuildContents();
    }
}

void THelpWindow::BuildContents() {
    contents_->clear();
    QTreeWidgetItem* section = nullptr;
    const QTextDocument* doc = browser_->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level != 2 && level != 3) continue;
        const QString title = b.text().simplified();
        if (title.isEmpty()) continue;
        QString anchor;
        for (auto it = b.begin(); !it.atEnd() && anchor.isEmpty(); ++it) {
            const QStringList names = it.fragment().charFormat().anchorNames();
            if (!names.isEmpty()) anchor = names.first();
        }
        QTreeWidgetItem* item =
            (level == 3 && section) ? new QTreeWidgetItem(section) : new QTreeWidgetItem(contents_);
        if (level == 2) section = item;
        item->setText(0, title);
        item->setData(0, kBlockRole, b.blockNumber());
        item->setData(0, kAnchorRole, anchor);
    }
    contents_->expandAll();
}

QStringList THelpWindow::ContentsTitles() const {
    QStringList titles;
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) titles << (*it)->text(0);
    return titles;
}

bool THelpWindow::ShowTopic(const QString& title) {
    for (QTreeWidgetItemIterator it(contents_); *it; ++it) {
        if ((*it)->text(0) == title) {
            contents_->setCurrentItem(*it);
            GoTo(*it);
            return true;
        }
    }
    return false;
}

void THelpWindow::ShowContents() {
    if (contents_->topLevelItemCount() > 0) contents_->setCurrentItem(contents_->topLevelItem(0));
    browser_->verticalScrollBar()->setValue(0);
    contents_->setFocus();
}

void THelpWindow::GoTo(QTreeWidgetItem* item) {
    if (!item) return;
    const QString anchor = item->data(0, kAnchorRole).toString();
    if (!anchor.isEmpty()) {
        browser_->scrollToAnchor(anchor);
        return;
    }
    const QTextBlock block =
        browser_->document()->findBlockByNumber(item->data(0, kBlockRole).toInt());
    if (!block.isValid()) return;
    const QRectF r = browser_->document()->documentLayout()->blockBoundingRect(block);
    browser_->verticalScrollBar()->setValue(static_cast<int>(r.top()));
}

void THelpWindow::FindNext() {
    const QString text = find_->text();
    if (text.isEmpty()) return;
    if (browser_->find(text)) return;
    // From the top again.
    QTextCursor top(browser_->document());
    browser_->setTextCursor(top);
    browser_->find(text);
}

THelpWindow* ShowHelpContents(QWidget* parent) {
    static QPointer<THelpWindow> open;
    if (open) {
        open->ShowContents();
        open->showNormal();
        open->raise();
        open->activateWindow();
        return open;
    }
    const QString path = FindHelpFile();
    THelpWindow* window = path.isEmpty() ? nullptr : new THelpWindow(path, parent);
    if (!window || !window->Loaded()) {
        delete window;
        QMessageBox::warning(
            parent, "Nerovan",
            QStringLiteral("The help file %1 could not be found or read. "
                           "Looked for it at:\n%2")
                .arg(QString::fromLatin1(kHelpFileName), HelpFileCandidates().join('\n')));
        return nullptr;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    open = window;
    window->ShowContents();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace nerovan
