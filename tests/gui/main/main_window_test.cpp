// The main window, its settings dialog and message dialog, offscreen, over a pseudo-terminal.
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "core/serial/system_ports.h"
#include "core/terminal/program_settings.h"
#include "gui/main/application.h"
#include "gui/main/dialog_seam.h"
#include "gui/main/kept_settings.h"
#include "gui/main/main_window.h"
#include "gui/main/message_dialog.h"
#include "gui/main/message_list_model.h"
#include "gui/windows/comport_setup_dialog.h"
#include "support/pty_pair.h"
#include "support/scripted_dialogs.h"
#include "support/ser2net_process.h"
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

// Answers the settings dialog: the port with "Reconnect" as given, then "Ok".
std::function<void(QDialog&)> confirmReconnect(int port, bool reconnect) {
    return [port, reconnect](QDialog& dialog) {
        child<QComboBox>(&dialog, "ComboBox_Comport")->setCurrentIndex(port);
        child<QCheckBox>(&dialog, "CheckBox_Reconnect")->setChecked(reconnect);
        QTest::mouseClick(child<QPushButton>(&dialog, "Botton_OK"), Qt::LeftButton);
    };
}

QString count(const char* what, qulonglong n) {
    return QString::fromLatin1(what) + QLocale().toString(n);
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
    QString status(const char* label) { return child<QLabel>(main(), label)->text(); }

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

    // The status line says where the port leads, its line, its state and the bytes
    // that crossed it both ways, whoever sent them; a double-click starts the counts anew.
    void statusLineFollowsThePortAndCountsBothWays() {
        QCOMPARE(status("Label_StatusPort"), QStringLiteral("None"));
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Closed"));
        h_->dialogs.modal_handlers.push_back([](QDialog& dialog) {
            child<QComboBox>(&dialog, "ComboBox_Comport")->setCurrentIndex(1);
            child<QComboBox>(&dialog, "ComboBox_Parity")->setCurrentIndex(2);
            child<QSpinBox>(&dialog, "CSpinEdit_FixRate")->setValue(3);
            QTest::mouseClick(child<QPushButton>(&dialog, "Botton_OK"), Qt::LeftButton);
        });
        trigger("ComportConfigure");
        QCOMPARE(status("Label_StatusPort"), QStringLiteral("COM1 ") + QString::fromStdString(h_->far.slave_path()));
        QCOMPARE(status("Label_StatusSettings"), QStringLiteral("118656 8E1"));
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Receiving"));
        QCOMPARE(main()->windowTitle(), QStringLiteral("ZQ70 Main - COM1"));

        const std::string burst = std::string(1500, 'x') + "\r\n";
        QVERIFY(h_->far.write(burst));
        QTRY_COMPARE(status("Label_StatusRx"), count("RX ", burst.size()));
        child<QLineEdit>(main(), "Edit_Command1")->setText(QStringLiteral("AB<CR>"));
        click(main(), "Button_Command1");
        QCOMPARE(h_->far.read_exactly(3).size(), std::size_t{3});
        QTRY_COMPARE(status("Label_StatusTx"), count("TX ", 3));

        QTest::mouseDClick(child<QLabel>(main(), "Label_StatusTx"), Qt::LeftButton);
        QCOMPARE(status("Label_StatusRx"), QStringLiteral("RX 0"));
        QCOMPARE(status("Label_StatusTx"), QStringLiteral("TX 0"));

        click(main(), "Button_StopReceive");
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Open"));
        trigger("ComportClose");
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Closed"));
        QCOMPARE(main()->windowTitle(), QStringLiteral("ZQ70 Main"));

        QVERIFY(h_->ports.link(2, h_->ports.ports_folder() + "/no-such-device"));
        h_->dialogs.modal_handlers.push_back(confirmPort(2));
        trigger("ComportConfigure");
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Fault"));
        QVERIFY(child<QLabel>(main(), "Label_StatusState")->toolTip().startsWith(QStringLiteral("Invalid Handle Value!")));
        QCOMPARE(main()->windowTitle(), QStringLiteral("ZQ70 Main"));
    }

    // COM3's device goes (the far end closes) and a new one comes under the same link:
    // the program reopens it by itself and receives again.
    void aLostPortComesBackByItself() {
        auto gone = std::make_unique<PtyPair>();
        QVERIFY(h_->ports.link(3, *gone));
        h_->dialogs.modal_handlers.push_back(confirmPort(3));
        trigger("ComportConfigure");
        gone->close_far_end();
        QTRY_COMPARE(status("Label_StatusState"), QStringLiteral("Lost"));
        QVERIFY(!child<QLabel>(main(), "Label_StatusState")->toolTip().isEmpty());

        PtyPair back;
        QVERIFY(h_->ports.link(3, back));
        QTRY_VERIFY(lines().contains(QStringLiteral("COM3 Reconnected.")));
        QCOMPARE(lines().last(), QStringLiteral("---* Start Receive *---   "));
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Receiving"));
        QVERIFY(back.write(std::string_view("again\0", 6)));
        QTRY_COMPARE(lines().last(), QStringLiteral("again<NUL>"));
    }

    // COM3 is a port on another machine: its server goes, and comes back where it was.
    // The program reconnects by itself.
    void aLostNetworkPortComesBackByItself() {
        if (!Ser2Net::installed()) QSKIP("ser2net is not installed: run scripts/install-deps.sh");
        PtyPair line;
        auto server = std::make_unique<Ser2Net>(line.slave_path());
        QVERIFY2(server->ok(), server->log().c_str());
        const int port = server->port();
        QVERIFY(h_->ports.address(3, server->address()));
        h_->dialogs.modal_handlers.push_back(confirmPort(3));
        trigger("ComportConfigure");
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Receiving"));
        server.reset();
        QTRY_COMPARE(status("Label_StatusState"), QStringLiteral("Lost"));
        QTest::qWait(1200); // tries while nobody listens
        QVERIFY(!lines().contains(QStringLiteral("COM3 Reconnected.")));

        server = std::make_unique<Ser2Net>(line.slave_path(), Ser2Net::Kind::kRfc2217, port);
        QVERIFY2(server->ok(), server->log().c_str());
        QTRY_VERIFY_WITH_TIMEOUT(lines().contains(QStringLiteral("COM3 Reconnected.")), 10000);
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Receiving"));
        // The server purges the line as the port opens: a byte may go with it, so the
        // far end says it again until it is read.
        const auto heard = [&] { return line.write(std::string_view("back\0", 5)) && lines().last() == "back<NUL>"; };
        QTRY_VERIFY(heard());
    }

    // With "Reconnect" off the port stays lost; "Start Receive" never claims to receive
    // from a device that is gone, and reopens it once it is back.
    void startReceiveOnALostPortReopensOrSaysWhy() {
        auto gone = std::make_unique<PtyPair>();
        QVERIFY(h_->ports.link(3, *gone));
        h_->dialogs.modal_handlers.push_back(confirmReconnect(3, false));
        trigger("ComportConfigure");
        gone->close_far_end();
        QTRY_COMPARE(status("Label_StatusState"), QStringLiteral("Lost"));
        gone.reset();

        click(main(), "Button_StartReceive");
        QVERIFY2(lines().last().startsWith(QStringLiteral("COM3 Lost! ")), qPrintable(lines().last()));
        QVERIFY(enabled("Button_StartReceive"));
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Lost"));

        PtyPair back;
        QVERIFY(h_->ports.link(3, back));
        QTest::qWait(100);
        QVERIFY(!lines().contains(QStringLiteral("COM3 Reconnected.")));
        click(main(), "Button_StartReceive");
        QCOMPARE(lines().mid(lines().size() - 2),
                 QStringList({"COM3 Reconnected.", "---* Start Receive *---   "}));
        QVERIFY(enabled("Button_StopReceive"));
    }

    // A damaged benchlink.conf: the defaults, one line that says so, and the file
    // written whole at the next save.
    void aDamagedSettingsFileStartsWithTheDefaults() {
        const std::string path = program_settings_path();
        QVERIFY(write_program_settings(path, ProgramSettings{}));
        {
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("port=3\nbaudrate=fast\n");
        }
        KeptSettings kept(path);
        kept.Restore(*main());
        QCOMPARE(lines().size(), 1);
        QVERIFY2(lines().last().contains(QStringLiteral("defaults")), qPrintable(lines().last()));
        QCOMPARE(main()->session().setting().port, 0);
        kept.Save(*main());
        ProgramSettings reread;
        std::string reason;
        QCOMPARE(read_program_settings(path, reread, reason), SettingsRead::kLoaded);
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

    // What the user set comes back at the next start: the receive settings, the port's
    // setting (not opened), "Reconnect".
    void settingsComeBackAtTheNextStart() {
        const std::string path = program_settings_path();
        QTest::mouseClick(child<QRadioButton>(main(), "RadioGroup_ReceiveMessageMode_2"), Qt::LeftButton);
        QTest::mouseClick(child<QRadioButton>(main(), "RadioGroup_LineControlMode_4"), Qt::LeftButton);
        child<QLineEdit>(main(), "Edit_LineControlOther")->setText(QStringLiteral("0D 0A"));
        child<QSpinBox>(main(), "CSpinEdit_ReceiveWaitTime")->setValue(350);
        child<QCheckBox>(main(), "CheckBox_ChangeLine")->setChecked(true);
        child<QCheckBox>(main(), "CheckBox_QLPFilter")->setChecked(true);
        h_->dialogs.modal_handlers.push_back(confirmReconnect(1, false));
        trigger("ComportConfigure");
        QTemporaryDir files;
        h_->dialogs.file_answers.push_back(files.filePath(QStringLiteral("pump.bin")));
        click(main(), "Button_ReadFile");
        KeptSettings(path).Save(*main());

        SetLastFileFolder(QString()); // as in a new process
        h_->windows = std::make_unique<BenchlinkWindows>();
        main()->show();
        KeptSettings(path).Restore(*main());
        h_->dialogs.file_answers.push_back(QString());
        click(main(), "Button_ReadFile");
        QCOMPARE(h_->dialogs.fileFolders.last(), files.path() + QLatin1Char('/'));
        QVERIFY(child<QRadioButton>(main(), "RadioGroup_ReceiveMessageMode_2")->isChecked());
        QVERIFY(child<QRadioButton>(main(), "RadioGroup_LineControlMode_4")->isChecked());
        QCOMPARE(child<QLineEdit>(main(), "Edit_LineControlOther")->text(), QStringLiteral("0D 0A"));
        QVERIFY(child<QLineEdit>(main(), "Edit_LineControlOther")->isEnabled());
        QCOMPARE(child<QSpinBox>(main(), "CSpinEdit_ReceiveWaitTime")->value(), 350);
        QVERIFY(child<QSpinBox>(main(), "CSpinEdit_ReceiveWaitTime")->isEnabled());
        QVERIFY(child<QCheckBox>(main(), "CheckBox_QLPFilter")->isChecked());
        QCOMPARE(main()->session().setting().port, 1);
        QCOMPARE(main()->session().port_open(), 0);
        QVERIFY(!main()->reconnect());
        QCOMPARE(status("Label_StatusState"), QStringLiteral("Closed"));
        QVERIFY(lines().isEmpty());
    }

    // "Use for this port" links the device picked from the machine's list to the COM
    // number, and the path beside the port list follows.
    void settingsDialogLinksAMachineDeviceToThePort() {
        if (comport_system_ports().empty()) QSKIP("this machine has no serial device to list");
        TForm_ComportSetup* setup = h_->windows->comport_setup();
        setup->SetSetting(ComportSetting{});
        setup->show();
        auto* list = child<QListWidget>(setup, "ListWidget_SystemPorts");
        QVERIFY(list->count() > 0);
        QVERIFY(!child<QPushButton>(setup, "Button_AssignPort")->isEnabled());
        child<QComboBox>(setup, "ComboBox_Comport")->setCurrentIndex(7);
        list->setCurrentRow(list->count() - 1);
        const QString device = list->currentItem()->data(Qt::UserRole).toString();
        click(setup, "Button_AssignPort");
        QCOMPARE(QString::fromStdString(comport_device_target(7)), device);
        QCOMPARE(child<QLabel>(setup, "Label_ComportPath")->text(),
                 QString::fromStdString(h_->ports.ports_folder() + "/com7") + QStringLiteral("  (present)"));
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

    // A port on another machine: its address at once, whether it answers when found.
    void settingsDialogChecksANetworkAddress() {
        const std::string address = "rfc2217://127.0.0.1:1"; // a port nobody serves
        QVERIFY(h_->ports.address(9, address));
        TForm_ComportSetup* setup = h_->windows->comport_setup();
        setup->SetSetting(ComportSetting{});
        setup->show();
        child<QComboBox>(setup, "ComboBox_Comport")->setCurrentIndex(9);
        auto* label = child<QLabel>(setup, "Label_ComportPath");
        QVERIFY(label->text().startsWith(QString::fromStdString(address)));
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QString::fromStdString(address + "  (Connection refused)"), 5000);
        setup->close();
    }

    // A server that takes the connection (into the system's listen queue) and never
    // answers: the window goes on drawing, closed to input, until the fault after 3 s.
    void silentNetworkServerNeverHoldsTheWindow() {
        const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        QCOMPARE(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        QCOMPARE(listen(listener, 1), 0);
        QCOMPARE(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len), 0);
        QVERIFY(h_->ports.address(1, "rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port))));
        int ticks = 0;
        bool closed_to_input = false;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            ++ticks;
            closed_to_input = closed_to_input || !h_->main()->isEnabled();
        });
        tick.start(100);
        h_->openPort();
        tick.stop();
        close(listener);
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QVERIFY(closed_to_input);
        QVERIFY(h_->main()->isEnabled());
        QCOMPARE(h_->lines().value(0),
                 QStringLiteral("COM1 Configure Fault! Time Out! (the server did not answer the Telnet negotiation within 3 s)"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
