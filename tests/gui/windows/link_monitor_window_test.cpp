// The link monitor window, offscreen: its controls, show and close, filter, pause,
// clear, save, and lines arriving from another thread.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <thread>

#include "gui/main/mailbox_pump.h"
#include "gui/windows/link_monitor.h"
#include "core/serial/comport.h"
#include "support/scripted_dialogs.h"
#include "support/window_lookup.h"

class LinkMonitorWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedDialogs> dialogs_;
    MailboxPump mailbox_;
    ZumLink link_{comport_port()};
    std::unique_ptr<TForm_LinkMonitor> monitor_;

    QAbstractItemView* memo() { return child<QAbstractItemView>(monitor_.get(), "Memo_Monitor"); }
    QStringList memoLines() {
        QStringList lines;
        for (int row = 0; row < memo()->model()->rowCount(); ++row) lines << memo()->model()->index(row, 0).data().toString();
        return lines;
    }
    QString counter() { return child<QLabel>(monitor_.get(), "Label_LineCounter")->text(); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(monitor_.get(), name), Qt::LeftButton); }
    QCheckBox* filterBox() { return child<QCheckBox>(monitor_.get(), "CheckBox_IDFilter"); }
    QSpinBox* filterNumber() { return child<QSpinBox>(monitor_.get(), "CSpinEdit_IDFilter"); }

private slots:
    void init() {
        dialogs_ = std::make_unique<ScriptedDialogs>();
        monitor_ = std::make_unique<TForm_LinkMonitor>(mailbox_, link_);
        monitor_->show();
    }

    void cleanup() {
        monitor_.reset();
        dialogs_.reset();
    }

    void controlsCarryTheirNames() {
        QCOMPARE(monitor_->windowTitle(), QStringLiteral("Link Monitor"));
        QCOMPARE(monitor_->objectName(), QStringLiteral("Form_LinkMonitor"));
        QVERIFY(!monitor_->isModal());
        QCOMPARE(memo()->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Clear")->text(), QStringLiteral("Clear"));
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Save")->text(), QStringLiteral("Save"));
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Pause")->text(), QStringLiteral("Pause"));
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Exit")->text(), QStringLiteral("Exit"));
        QCOMPARE(filterBox()->text(), QStringLiteral("ID Filter Enabled"));
        QCOMPARE(filterNumber()->minimum(), 0);
        QCOMPARE(filterNumber()->maximum(), 256);
        QCOMPARE(child<QLabel>(monitor_.get(), "Label1")->text(), QStringLiteral("Label1"));
        QStringList groups;
        for (QGroupBox* group : monitor_->findChildren<QGroupBox*>()) groups << group->title();
        QVERIFY(groups.contains(QStringLiteral("ID Filter")));
        QVERIFY(groups.contains(QStringLiteral("Operate")));
        QVERIFY(groups.contains(QStringLiteral("Info")));
    }

    void showingStartsEmptyWithFilterOff() {
        QCOMPARE(counter(), QStringLiteral("0"));
        QVERIFY(!filterBox()->isChecked());
        QVERIFY(!filterNumber()->isEnabled());
        QCOMPARE(filterNumber()->value(), 1);
        QVERIFY(memoLines().isEmpty());
    }

    void idLineAppearsAtOnce() {
        monitor_->AddIdLine(5, "Success.  Send % 5,5,48,2");
        QCOMPARE(memoLines(), QStringList{QStringLiteral("Success.  Send % 5,5,48,2")});
        QCOMPARE(counter(), QStringLiteral("1"));
    }

    void linesFromTheReceiveThreadKeepTheirOrder() {
        std::thread receiver([this] {
            for (int i = 0; i < 500; ++i) monitor_->AddLine("r" + std::to_string(i));
        });
        receiver.join();
        monitor_->AddIdLine(1, "after");
        QStringList expected;
        for (int i = 0; i < 500; ++i) expected << QStringLiteral("r%1").arg(i);
        expected << QStringLiteral("after");
        QCOMPARE(memoLines(), expected);
        QCOMPARE(counter(), QStringLiteral("501"));
    }

    void untaggedLinesArriveWithTheNextBatch() {
        std::thread receiver([this] { monitor_->AddLine("ZUM Filter Unknow Receive Data 2 ,ab"); });
        receiver.join();
        QVERIFY(memoLines().isEmpty()); // waits for the window thread's next batch
        QTRY_COMPARE(memoLines(), QStringList{QStringLiteral("ZUM Filter Unknow Receive Data 2 ,ab")});
        QCOMPARE(counter(), QStringLiteral("1"));
    }

    void filterFiveShowsOnlyDeviceFive() {
        QTest::mouseClick(filterBox(), Qt::LeftButton);
        QVERIFY(filterBox()->isChecked());
        QVERIFY(filterNumber()->isEnabled());
        filterNumber()->setValue(5);
        monitor_->AddIdLine(5, "five");
        monitor_->AddIdLine(6, "six");
        monitor_->AddLine("untagged");
        monitor_->FlushPending();
        QCOMPARE(memoLines(), QStringList{QStringLiteral("five")});
        QCOMPARE(counter(), QStringLiteral("1"));
        QTest::mouseClick(filterBox(), Qt::LeftButton);
        QVERIFY(!filterNumber()->isEnabled());
        monitor_->AddIdLine(6, "six again");
        QCOMPARE(memoLines().size(), 2);
    }

    void filter256ShowsNothing() {
        QTest::mouseClick(filterBox(), Qt::LeftButton);
        filterNumber()->setValue(256);
        for (std::uint32_t id = 0; id < 256; ++id) monitor_->AddIdLine(id, "x");
        QVERIFY(memoLines().isEmpty());
        QCOMPARE(counter(), QStringLiteral("0"));
    }

    void pauseStopsTheListAndContinueResumes() {
        monitor_->AddIdLine(1, "one");
        click("Button_Pause");
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Pause")->text(), QStringLiteral("Continue"));
        monitor_->AddIdLine(1, "dropped");
        monitor_->AddLine("dropped too");
        monitor_->FlushPending();
        QCOMPARE(counter(), QStringLiteral("1"));
        click("Button_Pause");
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Pause")->text(), QStringLiteral("Pause"));
        monitor_->AddIdLine(1, "two");
        QCOMPARE(memoLines(), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
        QCOMPARE(counter(), QStringLiteral("2"));
    }

    void linesPostedBeforeAPauseStillShow() {
        std::thread receiver([this] { monitor_->AddLine("posted before the pause"); });
        receiver.join();
        click("Button_Pause");
        QCOMPARE(memoLines(), QStringList{QStringLiteral("posted before the pause")});
    }

    void clearEmptiesAndCountsAgain() {
        monitor_->AddIdLine(1, "a");
        monitor_->AddIdLine(1, "b");
        click("Button_Clear");
        QVERIFY(memoLines().isEmpty());
        QCOMPARE(counter(), QStringLiteral("0"));
        monitor_->AddIdLine(1, "c");
        QCOMPARE(memoLines(), QStringList{QStringLiteral("c")});
        QCOMPARE(counter(), QStringLiteral("1"));
    }

    void saveReplacesOnlyTheLastExtension() {
        QTemporaryDir dir;
        monitor_->AddIdLine(1, "a");
        monitor_->AddLine("b");
        dialogs_->file_answers.push_back(dir.filePath(QStringLiteral("trace.log.old")));
        click("Button_Save");
        QCOMPARE(dialogs_->fileFilters, QStringList{QString()});
        QFile file(dir.filePath(QStringLiteral("trace.log.txt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("a\r\nb\r\n"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("trace.log.old"))));
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void cancelledSaveWritesNothing() {
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path()); // where a save with an empty name would land
        monitor_->AddIdLine(1, "a");
        click("Button_Save"); // no answer scripted: the dialog is cancelled
        QDir::setCurrent(previous);
        QCOMPARE(dialogs_->fileFilters.size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(dialogs_->messages.isEmpty());
    }

    void failedSaveShowsTheFileAndKeepsTheList() {
        QTemporaryDir dir;
        monitor_->AddIdLine(1, "a");
        const QString chosen = dir.filePath(QStringLiteral("missing/run.1.log"));
        dialogs_->file_answers.push_back(chosen);
        click("Button_Save");
        QCOMPARE(dialogs_->messages.size(), 1);
        QVERIFY2(dialogs_->messages[0].contains(dir.filePath(QStringLiteral("missing/run.1.txt"))),
                 qPrintable(dialogs_->messages[0]));
        QVERIFY2(dialogs_->messages[0].contains(QStringLiteral("No such file or directory")),
                 qPrintable(dialogs_->messages[0]));
        QCOMPARE(memoLines(), QStringList{QStringLiteral("a")});
        QCOMPARE(counter(), QStringLiteral("1"));
    }

    void exitClearsAndShowingAgainStartsFresh() {
        monitor_->AddIdLine(1, "a");
        QTest::mouseClick(filterBox(), Qt::LeftButton);
        filterNumber()->setValue(7);
        click("Button_Pause");
        click("Button_Exit");
        QVERIFY(!monitor_->isVisible());
        QVERIFY(memoLines().isEmpty());
        monitor_->AddIdLine(1, "while closed");
        monitor_->AddLine("while closed too");
        monitor_->show();
        QVERIFY(memoLines().isEmpty());
        QCOMPARE(counter(), QStringLiteral("0"));
        QCOMPARE(child<QPushButton>(monitor_.get(), "Button_Pause")->text(), QStringLiteral("Pause"));
        QVERIFY(!filterBox()->isChecked());
        QVERIFY(!filterNumber()->isEnabled());
        QCOMPARE(filterNumber()->value(), 1);
        monitor_->AddIdLine(3, "fresh");
        QCOMPARE(memoLines(), QStringList{QStringLiteral("fresh")});
    }

    void frameLayerLinesReachTheWindow() {
        link_.SetLinkLog(monitor_.get());
        std::string message;
        QlpCommand request;
        request.id = 4;
        ComportSetting none;
        comport_configure(none); // no port: the send is refused
        QCOMPARE(link_.Send(request, message), kExchangeWriteFault);
        QCOMPARE(memoLines(), QStringList{QStringLiteral("None Com Setup.")});
        link_.RemoveLinkLog(monitor_.get());
    }
    // The monitor's lines have the message list's find and copy.
    void findAndCopyAsInTheMessageList() {
        for (const char* line : {"Success.  Send % 5,5,48,2", "Timeout!", "Success.  Send % 5,5,48,3"})
            monitor_->AddLine(line);
        child<QAction>(monitor_.get(), "Action_FindLines")->trigger();
        QVERIFY(child<QWidget>(monitor_.get(), "Panel_Find")->isVisible());
        child<QLineEdit>(monitor_.get(), "LineEdit_Find")->setText(QStringLiteral("success"));
        QTest::mouseClick(child<QPushButton>(monitor_.get(), "Button_FindPrevious"), Qt::LeftButton);
        QCOMPARE(memo()->currentIndex().row(), 2);
        QCOMPARE(child<QLabel>(monitor_.get(), "Label_FindCount")->text(), QStringLiteral("2 of 2"));
        memo()->selectionModel()->select(memo()->model()->index(1, 0), QItemSelectionModel::Select);
        memo()->setFocus();
        QTest::keyClick(memo(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Timeout!\nSuccess.  Send % 5,5,48,3"));
    }
};

QTEST_MAIN(LinkMonitorWindowTest)
#include "link_monitor_window_test.moc"
