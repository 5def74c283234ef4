// The insert rule: where a piece of notation from the palette goes into the
// text of the expression box, and where the caret ends.
#include <QtTest>

#include "insert_snippet.h"

using namespace nerovan;

class InsertSnippetTest : public QObject {
    Q_OBJECT

private slots:
    void SnippetRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("caret");
        QTest::newRow("begins with a blank") << "f(x)" << 4 << 0 << " = "
                                             << "f(x) = " << 7;
        QTest::newRow("after )") << "(a)" << 3 << 0 << "\\a"
                                 << "(a) \\a" << 6;
        QTest::newRow("after ]") << "[a]" << 3 << 0 << "x"
                                 << "[a] x" << 5;
        QTest::newRow("after }") << "{a}" << 3 << 0 << "x"
                                 << "{a} x" << 5;
        QTest::newRow("at the start") << "(a)" << 0 << 0 << "\\a"
                                      << "\\a(a)" << 2;
        QTest::newRow("one character") << ")" << 1 << 0 << "\\a"
                                       << ")\\a" << 3;
        QTest::newRow("no bracket") << "ab" << 2 << 0 << "\\a"
                                    << "ab\\a" << 4;
        QTest::newRow("inside") << "f(x)+y" << 4 << 0 << "\\b"
                                << "f(x) \\b+y" << 7;
        QTest::newRow("selection") << "a+b+c" << 2 << 1 << "x"
                                   << "a+x+c" << 3;
        QTest::newRow("selection after )") << "(a)bc" << 3 << 2 << "\\b"
                                           << "(a) \\b" << 6;
        QTest::newRow("empty box") << "" << 0 << 0 << "sum(a)"
                                   << "sum(a)" << 6;
        QTest::newRow("beyond the end") << "(a)" << 99 << 5 << "x"
                                        << "(a) x" << 5;
    }

    void SnippetRule() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        QFETCH(QString, snippet);
        QFETCH(QString, result);
        QFETCH(int, caret);
        const SnippetEdit e = InsertSnippet(text, selStart, selLength, snippet);
        QCOMPARE(e.Text, result);
        QCOMPARE(e.Caret, caret);
    }
};

QTEST_GUILESS_MAIN(InsertSnippetTest)
#include "test_insert_snippet.moc"
