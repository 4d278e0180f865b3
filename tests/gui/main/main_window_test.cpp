// The main window, its settings dialog and message dialog, offscreen, over a pseudo-terminal.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <atomic>
#include <thread>

#include "gui/main/application.h"
#include "gui/main/main_window.h"
#include "gui/main/message_dialog.h"
#include "gui/main/message_list_model.h"
#include "gui/windows/comport_setup_dialog.h"
#include "support/pty_pair.h"
#include "support/scripted_dialogs.h"
#include "support/window_harness.h"
#include "support/window_lookup.h"

namespace {

// Answers the settings dialog: the given port, fix rate, then "Ok".
std::function<void(QDialog&)> confirmPort(int port, int fix = 0) {
    return [port, fix](QDialog& dialog) {
        child<QComboBox>(&dialog, "ComboBox_Comport")->setCurrentIndex(port);
        child<QSpinBox>(&dialog, "CSpinEdit_FixRate")->setValue(fix);
        QTest::mouseClick(child<QPushButton>(&dialog, "Botton_OK"), Qt::LeftButton);
    };
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowHarness> h_;

    TForm_ZQ70_Main* main() { return h_->windows->main(); }

    QStringList lines() { return messageLines(*main()); }

    QString total() { return child<QLabel>(main(), "Label_MessageTotalLineAmount")->text(); }
    void trigger(const char* action) { child<QAction>(main(), action)->trigger(); }
    void click(QWidget* window, const char* button) {
        QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
    }
    bool enabled(const char* name) { return child<QWidget>(main(), name)->isEnabled(); }

private slots:
    void init() {
        h_ = std::make_unique<WindowHarness>();
    }

    void cleanup() {
        h_.reset();
    }

    void startsEmptyWithNoPort() {
        QCOMPARE(main()->windowTitle(), QStringLiteral("ZQ70 Main"));
        QVERIFY(lines().isEmpty());
        QCOMPARE(total(), QStringLiteral("0"));
        QVERIFY(!enabled("Button_StartReceive"));
        QVERIFY(!enabled("Button_StopReceive"));
        QVERIFY(!enabled("GroupBox_UartOperate"));
        QCOMPARE(h_->windows->comport_setup()->windowTitle(), QStringLiteral("ComPort Setup"));
        QCOMPARE(h_->windows->message()->windowTitle(), QStringLiteral("Message"));
    }

    void markSpaceAndClear() {
        click(main(), "Button_AddMessageMark");
        click(main(), "Button_AddMessageSpaceLine");
        QCOMPARE(lines(), QStringList({"-------------------* MARK Line *-------------------------   ", ""}));
        QCOMPARE(total(), QStringLiteral("2"));
        click(main(), "Button_ClearMessageList");
        QVERIFY(lines().isEmpty());
        QCOMPARE(total(), QStringLiteral("0"));
        click(main(), "Button_AddMessageMark");
        QCOMPARE(total(), QStringLiteral("1"));
    }

    // Find lands on each line holding the text in turn, wrapping, and says where it is.
    void findLandsOnEachMatchInTurn() {
        for (const char* line : {"one alpha", "two", "three ALPHA", "four alpha"}) main()->AddMessageLine(std::string(line));
        auto* view = child<QAbstractItemView>(main(), "Memo_Message");
        QVERIFY(!child<QWidget>(main(), "Panel_Find")->isVisible());
        trigger("MessageFind");
        QVERIFY(child<QWidget>(main(), "Panel_Find")->isVisible());
        child<QLineEdit>(main(), "LineEdit_Find")->setText(QStringLiteral("alpha"));
        const auto next = [&](const char* button) {
            QTest::mouseClick(child<QPushButton>(main(), button), Qt::LeftButton);
            return QStringLiteral("%1 %2").arg(view->currentIndex().row()).arg(
                child<QLabel>(main(), "Label_FindCount")->text());
        };
        QCOMPARE(next("Button_FindNext"), QStringLiteral("0 1 of 3"));
        QCOMPARE(next("Button_FindNext"), QStringLiteral("2 2 of 3"));
        QCOMPARE(next("Button_FindNext"), QStringLiteral("3 3 of 3"));
        QCOMPARE(next("Button_FindNext"), QStringLiteral("0 1 of 3"));
        QCOMPARE(next("Button_FindPrevious"), QStringLiteral("3 3 of 3"));
        QVERIFY(view->selectionModel()->isRowSelected(3, QModelIndex()));
        child<QCheckBox>(main(), "CheckBox_FindCase")->setChecked(true);
        QCOMPARE(next("Button_FindPrevious"), QStringLiteral("0 1 of 2"));
        child<QLineEdit>(main(), "LineEdit_Find")->setText(QStringLiteral("zzz"));
        QCOMPARE(next("Button_FindNext"), QStringLiteral("0 Not found"));
        QTest::keyClick(child<QLineEdit>(main(), "LineEdit_Find"), Qt::Key_Escape);
        QVERIFY(!child<QWidget>(main(), "Panel_Find")->isVisible());
    }

    // Copy takes every selected line in order, as shown; the menu's "Clear" clears.
    void copyAndTheListMenu() {
        for (const char* line : {"first", "second", "third", "fourth"}) main()->AddMessageLine(std::string(line));
        auto* view = child<QAbstractItemView>(main(), "Memo_Message");
        const auto select = [&](int row, QItemSelectionModel::SelectionFlags how) {
            view->selectionModel()->select(view->model()->index(row, 0), how);
        };
        select(3, QItemSelectionModel::Select);
        select(0, QItemSelectionModel::Select);
        select(1, QItemSelectionModel::Select);
        view->setFocus();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\nsecond\nfourth"));
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\nsecond\nthird\nfourth"));
        QCOMPARE(view->contextMenuPolicy(), Qt::ActionsContextMenu);
        trigger("Action_ClearLines");
        QVERIFY(lines().isEmpty());
    }

    // F10 and Alt with a menu's letter open that menu from the keyboard.
    void menusOpenFromTheKeyboard() {
        main()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main()));
        for (const auto& [key, modifiers, menu] : {std::tuple{Qt::Key_F10, Qt::NoModifier, "File"},
                                                   std::tuple{Qt::Key_C, Qt::AltModifier, "Comport"},
                                                   std::tuple{Qt::Key_I, Qt::AltModifier, "Info"}}) {
            QTest::keyClick(main(), key, modifiers);
            QTRY_VERIFY(main()->menuBar()->activeAction() != nullptr);
            QCOMPARE(main()->menuBar()->activeAction()->iconText(), QString::fromLatin1(menu));
            QMenu* open = main()->menuBar()->activeAction()->menu();
            QTRY_VERIFY(open->isVisible());
            open->close();
            main()->menuBar()->setActiveAction(nullptr);
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        }
    }

    void aLargerWindowGivesItsRoomToTheList() {
        auto* list = child<QWidget>(main(), "Memo_Message");
        QTRY_VERIFY(list->width() > 0);
        const QSize before = list->size();
        main()->resize(main()->width() + 500, main()->height() + 200);
        QTRY_VERIFY(list->width() > before.width());
        QVERIFY2(list->width() - before.width() >= 450, qPrintable(QString::number(list->width() - before.width())));
        QVERIFY(list->height() - before.height() >= 150);
    }

    void aBoundedListStillCountsEveryLine() {
        main()->message_model().SetLimits(100, 256);
        for (int i = 0; i < 250; ++i) click(main(), "Button_AddMessageMark");
        QCOMPARE(total(), QStringLiteral("250"));
        QVERIFY(lines().size() <= 101);
        QVERIFY(lines().first().contains(QStringLiteral("earlier lines dropped")));
    }

    void configureReceiveStopCloseExit() {
        h_->dialogs.modal_handlers.push_back(confirmPort(1, 3));
        trigger("ComportConfigure");
        QCOMPARE(h_->dialogs.modalShown, QStringList{"Form_ComportSetup"});
        QCOMPARE(lines(), QStringList({"COM1 Configure Success.", "Buadrate = 118656", "Parity Check = None",
                                       "Stop Bits = 1", "Data Bits = 8", "", "---* Start Receive *---   "}));
        QVERIFY(!enabled("Button_StartReceive"));
        QVERIFY(enabled("Button_StopReceive"));
        QVERIFY(enabled("Button_UartClearReceive"));

        QVERIFY(h_->far.write(std::string_view("hello\r\n\0", 8)));
        QTRY_COMPARE(lines().size(), 8);
        QCOMPARE(lines().last(), QStringLiteral("hello<CR><LF><NUL>"));
        QTRY_COMPARE(total(), QStringLiteral("8")); // follows received lines within a quarter second

        click(main(), "Button_StopReceive");
        QCOMPARE(lines().last(), QStringLiteral("---* Stop Receive *---   "));
        QVERIFY(enabled("Button_StartReceive"));

        trigger("ComportClose");
        QCOMPARE(lines().mid(9), QStringList({"COM1 Close Success.", ""}));
        QVERIFY(!enabled("Button_StartReceive"));
        QVERIFY(!enabled("GroupBox_UartOperate"));
    }

    void exitWhileReceivingStopsAndCloses() {
        h_->dialogs.modal_handlers.push_back(confirmPort(1));
        trigger("ComportConfigure");
        int before = lines().size();
        click(main(), "Button_Exit");
        QVERIFY(!main()->isVisible());
        QCOMPARE(lines().mid(before),
                 QStringList({"---* Stop Receive *---   ", "COM1 Close Success.", ""}));
    }

    // The whole program goes while a device floods the line: the receive thread is
    // stopped before anything it reaches is destroyed.
    void programExitWhileReceivingAFlood() {
        h_->openPort();
        std::atomic<bool> stop{false};
        std::thread device([&] {
            const std::string burst = std::string(200, 'x') + "\r\n";
            while (!stop) h_->far.write(burst);
        });
        QTRY_VERIFY(total().toInt() > 0);
        QTest::qWait(100);
        click(main(), "Button_Exit");
        QCOMPARE(lines().mid(lines().size() - 2), QStringList({"COM1 Close Success.", ""}));
        h_->windows.reset();
        stop = true;
        device.join();
    }

    void abortedConfigureWritesAbort() {
        h_->dialogs.modal_handlers.push_back(
            [this](QDialog& dialog) { click(&dialog, "Button_Abort"); });
        trigger("ComportConfigure");
        QCOMPARE(lines(), QStringList({"Comport Configure Abort!", ""}));
        QVERIFY(!enabled("Button_StartReceive"));
    }

    void closeWithNoPortEverConfigured() {
        trigger("ComportClose");
        QCOMPARE(lines(), QStringList({"COM0 Close Fault! Invalid Handle Value!", ""}));
    }

    void devicePanelWithoutPortShowsNotice() {
        trigger("RD24Device");
        TForm_Message* notice = h_->windows->message();
        QVERIFY(notice->isVisible());
        QVERIFY(h_->dialogs.modalShown.isEmpty());
        QCOMPARE(child<QLabel>(notice, "Label_Message1")->text(), QStringLiteral("COM Port isn't Open!"));
        for (const char* empty : {"Label_Message2", "Label_Message6"})
            QVERIFY(child<QLabel>(notice, empty)->text().isEmpty());
        QCOMPARE(child<QPushButton>(notice, "Button_1")->text(), QStringLiteral("Ok"));
        QVERIFY(child<QPushButton>(notice, "Button_1")->isVisible());
        QVERIFY(!child<QPushButton>(notice, "Button_2")->isVisible());
        click(notice, "Button_1");
        QCOMPARE(notice->ClickedButton(), 1);
        QVERIFY(!notice->isVisible());
    }

    void devicePanelWithPortOpensModally() {
        h_->dialogs.modal_handlers.push_back(confirmPort(0));
        trigger("ComportConfigure");
        trigger("PT57Device");
        QCOMPARE(h_->dialogs.modalShown.last(), QStringLiteral("Form_PT57Operate"));
    }

    void unplugWhileReceivingWritesOneFaultLine() {
        h_->dialogs.modal_handlers.push_back(confirmPort(1));
        trigger("ComportConfigure");
        int before = lines().size();
        h_->far.close_far_end();
        QTRY_VERIFY(lines().size() >= before + 2);
        QTest::qWait(100);
        QCOMPARE(lines().mid(before),
                 QStringList({"COM1 Receive Fault! Input/output error", "---* Stop Receive *---   "}));
        QVERIFY(enabled("Button_StartReceive"));
        trigger("ComportClose");
        QCOMPARE(lines().last(), QString());
        QCOMPARE(lines().at(lines().size() - 2), QStringLiteral("COM1 Close Success."));
    }

    void detectPausesAndResumesReceiving() {
        h_->dialogs.modal_handlers.push_back(confirmPort(1));
        trigger("ComportConfigure");
        int before = lines().size();
        trigger("QLPDetect");
        QCOMPARE(h_->dialogs.modalShown.last(), QStringLiteral("Form_UartDetect"));
        QCOMPARE(lines().mid(before),
                 QStringList({"---* Stop Receive *---   ", "---* Stop Receive *---   ", "COM1 Configure Success.",
                              "Buadrate = 115200", "Parity Check = None", "Stop Bits = 1", "Data Bits = 8", "",
                              "---* Start Receive *---   "}));
        QVERIFY(enabled("Button_StopReceive"));
    }

    void settingsDialogProgrammedRate() {
        TForm_ComportSetup* setup = h_->windows->comport_setup();
        ComportSetting s;
        s.baudrate = 115200;
        s.fixrate = -3;
        setup->SetSetting(s);
        setup->show();
        auto* rate = child<QLineEdit>(setup, "Edit_FixedBuadrate");
        QCOMPARE(rate->text(), QString::number(115200 * 97 / 100));
        QVERIFY(!rate->isEnabled());
        child<QComboBox>(setup, "ComboBox_Buadrate")->setCurrentIndex(0);
        child<QSpinBox>(setup, "CSpinEdit_FixRate")->setValue(5);
        QCOMPARE(rate->text(), QString::number(9600 * 105 / 100));

        click(setup, "Button_Default");
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Comport")->currentText(), QStringLiteral("None"));
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Buadrate")->currentText(), QStringLiteral("115200"));
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Parity")->currentText(), QStringLiteral("None"));
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Databit")->currentText(), QStringLiteral("8"));
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Stopbit")->currentText(), QStringLiteral("1"));
        QCOMPARE(child<QSpinBox>(setup, "CSpinEdit_FixRate")->value(), 5);

        click(setup, "Button_Abort");
        QVERIFY(!setup->Confirmed());
        QCOMPARE(setup->GetSetting().fixrate, -3);
        setup->show();
        QCOMPARE(child<QComboBox>(setup, "ComboBox_Buadrate")->currentText(), QStringLiteral("115200"));
        QCOMPARE(child<QSpinBox>(setup, "CSpinEdit_FixRate")->value(), -3);
        setup->close();
    }

    void settingsDialogShowsWhereThePortLeads() {
        TForm_ComportSetup* setup = h_->windows->comport_setup();
        setup->SetSetting(ComportSetting{});
        setup->show();
        child<QComboBox>(setup, "ComboBox_Comport")->setCurrentIndex(1);
        QString path = child<QLabel>(setup, "Label_ComportPath")->text();
        QVERIFY2(path.startsWith(QString::fromStdString(h_->ports.ports_folder() + "/com1")), qPrintable(path));
        QVERIFY(path.endsWith(QStringLiteral("(present)")));
        setup->close();
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
