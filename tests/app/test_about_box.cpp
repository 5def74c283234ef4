// The about box on the offscreen platform.
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "about_box.h"

using namespace nerovan;

class AboutBoxTest : public QObject {
    Q_OBJECT

private slots:
    void AboutBox() {
        TAboutBox box;
        QCOMPARE(box.windowTitle(), QString("About"));
        QCOMPARE(box.size(), QSize(405, 228));
        auto* name = box.findChild<QLabel*>("ProductName");
        QCOMPARE(name->text(), QString("Nerovan"));
        QVERIFY(name->font().bold());
        QCOMPARE(name->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        QCOMPARE(box.findChild<QLabel*>("Version")->text(), QString("Version 1.2"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QVERIFY(!box.findChild<QLabel*>("ProgramIcon")->pixmap().isNull());
        QTest::mouseClick(box.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "test_about_box.moc"
