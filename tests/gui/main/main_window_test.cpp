// The main window, its settings dialog and message dialog, offscreen, over a pseudo-terminal.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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
