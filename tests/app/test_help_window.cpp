// The help document and its window: every example typesets and every
// picture is there, the notation is covered, and the window's contents lead
// to the topics.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>

#include "help_window.h"
#include "typeset_check.h"

using namespace nerovan;

namespace {

QString HelpPath() { return QFINDTESTDATA("../../help/NerovanHelp.html"); }

QString ReadHelp() {
    QFile f(HelpPath());
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

QString UnescapeHtml(QString s) {
    s.replace("&lt;", "<").replace("&gt;", ">").replace("&nbsp;", " ").replace("&quot;", "\"");
    return s.replace("&amp;", "&");
}

}  // namespace

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void HelpExamplesTypesetAndPicturesExist() {
        const QString html = ReadHelp();
        QVERIFY2(!html.isEmpty(), "help/NerovanHelp.html not found");
        QRegularExpression example("<code class=\"ex\">(.*?)</code>");
        int count = 0;
        for (auto it = example.globalMatch(html); it.hasNext();) {
            const QString text = UnescapeHtml(it.next().captured(1));
            QString error;
            QVERIFY2(Typesets(text, &error), qPrintable(text + ": " + error));
            ++count;
        }
        QVERIFY(count > 50);
        const QDir helpDir = QFileInfo(HelpPath()).dir();
        QRegularExpression image("<img src=\"([^\"]+)\"");
        for (auto it = image.globalMatch(html); it.hasNext();) {
            const QString src = it.next().captured(1);
            QVERIFY2(QFileInfo(helpDir.filePath(src)).isFile(), qPrintable(src));
        }
    }

    // An installed window finds the help installed with it, under any prefix.
    void HelpIsLookedForInTheInstalledTree() {
        const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                  "/../share/doc/nerovan/NerovanHelp.html");
        QVERIFY2(HelpFileCandidates().contains(installed),
                 qPrintable(HelpFileCandidates().join('\n')));
    }

    void HelpCoversTheNotation() {
        const QString html = UnescapeHtml(ReadHelp());
        QStringList code;
        QRegularExpression element("<code[^>]*>(.*?)</code>");
        for (auto it = element.globalMatch(html); it.hasNext();) code << it.next().captured(1);
        const QString all = code.join('\n');
        // Every relation sign, keyword, special sign and accent is shown.
        for (const char* sign :
             {"<=", ">=", "<>", "<=>", "<->", ">>",  "==",  "=>", "=<",  "=~", "~~",
              "~A", "~E", "~U", "~UU", "~c",  "~c=", "~cc", "~d", "~d=", "~e", "~ee"})
            QVERIFY2(code.contains(sign), sign);
        for (const char* keyword :
             {"sum(", "mul(", "int(", "int2(", "int3(", "int0(", "int20(", "int30(", "lim(", "inf(",
              "sqrt(", "root(", "mat22", "det22", "sys(", "sys[", "small(", "bold(", "abli("})
            QVERIFY2(all.contains(keyword), keyword);
        for (const char* name :
             {"\\ww", "\\vv", "\\dd", "\\xx", "\\pm", "\\oo",    "\\omc",    "\\YY", "\\BB", "\\bb",
              "\\ff", "\\HH", "\\TT", "\\RR", "\\PP", "\\ox",    "\\oxx",    "\\OO", "\\LL", "\\.x",
              "\\:x", "\\-x", "\\~n", "\\^x", "\\0a", "\\alpha", "\\omline", "\\psi"})
            QVERIFY2(all.contains(name), name);
    }

    void HelpWindowShowsContents() {
        THelpWindow help(HelpPath());
        QVERIFY(help.Loaded());
        const QStringList titles = help.ContentsTitles();
        for (const char* t : {"The notation", "Greek letters", "Accents", "The insert palette",
                              "The hot key and the tray", "Files", "Settings"})
            QVERIFY2(titles.contains(t), t);
        help.show();
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QVERIFY(help.ShowTopic("Keys"));
        QTRY_VERIFY(help.Browser()->verticalScrollBar()->value() > 0);
        help.ShowContents();
        QCOMPARE(help.Browser()->verticalScrollBar()->value(), 0);
        QVERIFY(!help.ShowTopic("No such topic"));

        THelpWindow missing(QDir::temp().filePath("no-such-help.html"));
        QVERIFY(!missing.Loaded());
    }
};

QTEST_MAIN(HelpWindowTest)
#include "test_help_window.moc"
