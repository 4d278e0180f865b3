// The about and company windows, offscreen: what they show at every showing and
// how they close.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "gui/windows/about_window.h"
#include "support/window_lookup.h"

class InfoWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void aboutShowsTheProductRecordEveryTime() {
        const ProductInfo product{"Benchlink", "HV-ZQ70", "V5.0.7"};
        TForm_AboutZQ70 about(product);
        QCOMPARE(about.windowTitle(), QStringLiteral("About ZQ70"));
        QVERIFY(about.isModal());
        const char* edits[] = {"Edit1", "Edit2", "Edit3"};
        const QString expected[] = {"Benchlink", "HV-ZQ70", "V5.0.7"};
        for (int showing = 0; showing < 2; ++showing) {
            for (const char* name : edits) child<QLineEdit>(&about, name)->setText(QStringLiteral("typed"));
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            for (int i = 0; i < 3; ++i) QCOMPARE(child<QLineEdit>(&about, edits[i])->text(), expected[i]);
            const QString memo = child<QPlainTextEdit>(&about, "Memo1")->toPlainText();
            QVERIFY2(memo.contains(QStringLiteral("V5.0.7")) && memo.contains(QString::fromLatin1(qVersion())),
                     qPrintable(memo));
            QTest::mouseClick(child<QPushButton>(&about, "Button_Exit"), Qt::LeftButton);
            QVERIFY(!about.isVisible());
        }
    }

    void companyShowsSevenFactsAndClosesWithOk() {
        TForm_DUVA company;
        QCOMPARE(company.windowTitle(), QStringLiteral("DUVA"));
        company.show();
        QVERIFY(QTest::qWaitForWindowExposed(&company));
        for (int i = 1; i <= 7; ++i) {
            const QString text = child<QLabel>(&company, QStringLiteral("StaticText%1").arg(i))->text();
            QVERIFY2(!text.trimmed().isEmpty(), qPrintable(QStringLiteral("StaticText%1 is empty").arg(i)));
        }
        QCOMPARE(company.palette().color(QPalette::Window), QColor(Qt::white));
        QTest::mouseClick(child<QPushButton>(&company, "Ok"), Qt::LeftButton);
        QVERIFY(!company.isVisible());
    }
};

QTEST_MAIN(InfoWindowsTest)
#include "info_windows_test.moc"
