// The help: the HTML document "NerovanHelp.html" shipped with the program,
// shown in a help window with its table of contents beside the text and a
// find field. The commands "Help", "&Contents" and F1 open it at its contents;
// one help window serves the whole program and is raised when it is open.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QSplitter;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace nerovan {

extern const char* const kHelpFileName;  // "NerovanHelp.html"

// The places the help file is looked for, in order: the executable's folder,
// its help/ folder, the installed documentation folder relative to the
// executable's (../share/doc/nerovan/ under the usual layout), and the folder
// the build names in NEROVAN_HELP_DIR (the source tree's help/).
QStringList HelpFileCandidates();
// The first candidate that exists, or an empty string.
QString FindHelpFile();

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the help document at path; check Loaded() for a document that
    // could not be read.
    explicit THelpWindow(const QString& path, QWidget* parent = nullptr);

    bool Loaded() const { return loaded_; }
    QString Path() const { return path_; }
    // The titles of the contents, in document order (sections and their
    // subsections).
    QStringList ContentsTitles() const;
    // Scrolls the text to the entry of the contents with that title; false
    // when there is none.
    bool ShowTopic(const QString& title);
    // The contents: the whole table, with the first entry selected and the
    // text at the top.
    void ShowContents();
    QTextBrowser* Browser() const { return browser_; }

public slots:
    // Finds the next place of the find field's text (from the top again when
    // there is no further one).
    void FindNext();

private:
    void BuildContents();
    void GoTo(QTreeWidgetItem* item);

    QString path_;
    bool loaded_ = false;
    QLineEdit* find_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QTextBrowser* browser_ = nullptr;
};

// ToolButton6Click: opens the help window at its contents, or raises the open
// one. When the help file cannot be found or read, says so in a message box
// naming the places looked at and returns null.
THelpWindow* ShowHelpContents(QWidget* parent);

}  // namespace nerovan
