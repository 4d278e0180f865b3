// The detect window, offscreen, against the simulator on COM1: its controls, the
// port device found at showing, marks and ranges, a scan with progress and Stop,
// Exit during work, Save Setting and Comport Configure.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QtTest>

#include <memory>

#include "core/serial/comport.h"
#include "gui/main/mailbox_pump.h"
#include "gui/windows/comport_setup_dialog.h"
#include "gui/windows/uart_detect.h"
#include "support/pty_pair.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"
#include "support/window_lookup.h"

class UartDetectWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ComPortFolder> ports_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    MailboxPump mailbox_;
    std::unique_ptr<TForm_ComportSetup> setup_;
    std::unique_ptr<TForm_UartDetect> window_;

    template <typename T = QWidget>
    T* control(const char* name) { return child<T>(window_.get(), QString::fromLatin1(name)); }
    void click(const char* name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    bool enabled(const char* name) { return control(name)->isEnabled(); }
    QTableWidget* grid() { return control<QTableWidget>("StringGrid_CanbusDevice"); }
    QString cell(int id, int column) { return grid()->item(id, column)->text(); }
    void clickCell(int id, int column) {
        grid()->scrollToItem(grid()->item(id, column));
        const QRect rect = grid()->visualItemRect(grid()->item(id, column));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList memo() { return control<QPlainTextEdit>("Memo_Message")->toPlainText().split(QLatin1Char('\n')); }
    QStringList labels(const char* prefix) {
        QStringList texts;
        for (const char* suffix : {"ID", "UartBaudrate", "CanbusBaudrate", "MasterID"})
            texts << control<QLabel>((QByteArray(prefix) + suffix).constData())->text();
        return texts;
    }
    // Shows the window on COM1 (opened as the main window leaves it) and waits
    // for the port device detection that the showing starts.
    void showAndSettle() {
        ComportSetting com1;
        com1.port = 1;
        QVERIFY(comport_configure(com1));
        window_->show();
        QTRY_VERIFY_WITH_TIMEOUT(!window_->busy(), 5000);
    }

private slots:
    void init() {
        ports_ = std::make_unique<ComPortFolder>();
        sim_ = std::make_unique<SimProcess>(startSim({"--com", "1", "--id", "1", "--bus", "3"}));
        QVERIFY(sim_->ok());
        dialogs_ = std::make_unique<ScriptedDialogs>();
        setup_ = std::make_unique<TForm_ComportSetup>();
        window_ = std::make_unique<TForm_UartDetect>(mailbox_, comport_port(), setup_.get());
    }

    void cleanup() {
        window_.reset();
        setup_.reset();
        dialogs_.reset();
        ComportSetting open;
        comport_get_setting(open);
        comport_close(open);
        sim_.reset();
        ports_.reset();
    }

    void controlsCarryTheirNamesAndCaptions() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Device Detect"));
        const QList<QPair<const char*, const char*>> buttons = {
            {"Button_UartAutoDetect", "Comport Device Auto Detect"}, {"Button_ComportConfigure", "Comport Configure"},
            {"Button_CanbusAutoDetect", "Canbus Device Auto Detect"}, {"Button_DetectRangeSetupEnable", "Enable"},
            {"Button_DetectRangeSetupDisable", "Disable"}, {"Button_DetectID", "Detect Setting Device"},
            {"Button_DeviceSettingSaveSetting", "Save Setting"}, {"Button_DetectStop", "Stop"},
            {"Button_MessageClear", "Clear Message"}, {"Button_Exit", "Exit"}};
        for (const auto& [name, caption] : buttons) QCOMPARE(control<QPushButton>(name)->text(), QString(caption));
        QCOMPARE(control<QCheckBox>("CheckBox_AutoBaudrate")->text(), QStringLiteral("Auto Baudrate"));
        QStringList groups;
        for (QGroupBox* group : window_->findChildren<QGroupBox*>()) groups << group->title();
        for (const char* title : {"Comport Device", "Comport Setting", "Selected Comport Device", "CAN Bus Device List",
                                  "Canbus Device Auto Detect Setting", "Detect Range Setup", "Device Setting",
                                  "Selected Device"})
            QVERIFY2(groups.contains(QString(title)), title);
        const QList<std::tuple<const char*, int, int>> spins = {{"CSpinEdit_DetectRangeSetupStart", 253, 1},
                                                                {"CSpinEdit_DetectRangeSetupEnd", 253, 5},
                                                                {"CSpinEdit_DeviceSettingID", 253, 1},
                                                                {"CSpinEdit_DeviceSettingMasterID", 254, 1}};
        for (const auto& [name, max, value] : spins) {
            QCOMPARE(control<QSpinBox>(name)->maximum(), max);
            QCOMPARE(control<QSpinBox>(name)->value(), value);
        }
        QCOMPARE(grid()->rowCount(), 254);
        QStringList headers;
        for (int c = 0; c < grid()->columnCount(); ++c) headers << grid()->horizontalHeaderItem(c)->text();
        QCOMPARE(headers, QStringList({"    ID", " Detect", " Comport Baudrate", " CAN Bus Baudrate", " Master ID",
                                       "  Type"}));
        control<QProgressBar>("ProgressBar_Detect");
    }

    void showingFindsTheDeviceOnThePort() {
        showAndSettle();
        QCOMPARE(memo(), QStringList({"", "Detect ID 1 Success."}));
        QCOMPARE(cell(1, 0), QStringLiteral("  1"));
        QCOMPARE(cell(1, 1), QStringLiteral("    V"));
        QCOMPARE(cell(1, 2), QStringLiteral("    115200"));
        QCOMPARE(cell(253, 0), QStringLiteral("  253"));
        QCOMPARE(labels("Label_ComportDevice"), QStringList({"1", "115200", "147K", "1"}));
        QCOMPARE(labels("Label_SelectedDevice"), QStringList({"1", "115200", "147K", "1"}));
        QCOMPARE(control<QLabel>("Label_ComportName")->text(), QStringLiteral("COM1"));
        QCOMPARE(control<QComboBox>("ComboBox_DeviceSettingUartBuadrate")->count(), 5);
        QCOMPARE(control<QComboBox>("ComboBox_DeviceSettingCanbusBuadrate")->currentText(), QStringLiteral("147K"));
        QVERIFY(enabled("Button_DeviceSettingSaveSetting"));
        QVERIFY(!enabled("Button_DetectStop"));
    }

    void showingWithoutAPort() {
        window_->show();
        QTRY_VERIFY(!window_->busy());
        QCOMPARE(memo(), QStringList({"", "Comport had't Initialed!, Please setup Comport."}));
        QVERIFY(!enabled("Button_UartAutoDetect"));
        QVERIFY(!enabled("Button_CanbusAutoDetect"));
        QVERIFY(!enabled("Button_DetectID"));
        QVERIFY(control<QLabel>("Label_ComportBaudrate")->isHidden());
    }

    void rangeSpinsMarksAndSelection() {
        showAndSettle();
        auto* start = control<QSpinBox>("CSpinEdit_DetectRangeSetupStart");
        auto* end = control<QSpinBox>("CSpinEdit_DetectRangeSetupEnd");
        start->setValue(10);
        QCOMPARE(end->value(), 10);
        end->setValue(3);
        QCOMPARE(start->value(), 3);
        start->setValue(2);
        click("Button_DetectRangeSetupEnable");
        QCOMPARE(cell(2, 1), QStringLiteral("    V"));
        QCOMPARE(cell(3, 1), QStringLiteral("    V"));
        clickCell(3, 1);
        QCOMPARE(cell(3, 1), QString());
        click("Button_DetectRangeSetupDisable");
        QCOMPARE(cell(2, 1), QString());
        clickCell(2, 4); // another column selects: nothing found there
        QCOMPARE(labels("Label_SelectedDevice"), QStringList({"", "", "", ""}));
        QVERIFY(!enabled("Button_DeviceSettingSaveSetting"));
        clickCell(1, 0);
        QCOMPARE(labels("Label_SelectedDevice"), QStringList({"1", "115200", "147K", "1"}));
        QCOMPARE(cell(1, 1), QStringLiteral("    V"));
    }

    void scanShowsProgressAndStopEndsIt() {
        showAndSettle();
        control<QSpinBox>("CSpinEdit_DetectRangeSetupEnd")->setValue(20);
        control<QSpinBox>("CSpinEdit_DetectRangeSetupStart")->setValue(2);
        click("Button_DetectRangeSetupEnable");
        click("Button_CanbusAutoDetect");
        QVERIFY(window_->busy());
        for (const char* name : {"Button_UartAutoDetect", "Button_CanbusAutoDetect", "Button_DetectID",
                                 "Button_DeviceSettingSaveSetting", "Button_ComportConfigure"})
            QVERIFY2(!enabled(name), name);
        QVERIFY(enabled("Button_DetectStop"));
        auto* progress = control<QProgressBar>("ProgressBar_Detect");
        QCOMPARE(progress->maximum(), 20); // the port device's ID 1 is marked too
        // ID 2 is silent (two attempts), ID 3 answers from the bus.
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 3, 5000);
        QCOMPARE(cell(3, 2), QStringLiteral("    115200"));
        click("Button_DetectStop");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->busy(), 1000);
        QCOMPARE(memo().last(), QStringLiteral("Detect Stopped."));
        QVERIFY(progress->value() < 20);
        QCOMPARE(cell(20, 1), QStringLiteral("    V"));
        QVERIFY(enabled("Button_CanbusAutoDetect"));
        QVERIFY(!enabled("Button_DetectStop"));
    }

    void exitDuringWorkStopsItFirst() {
        showAndSettle();
        control<QSpinBox>("CSpinEdit_DetectRangeSetupEnd")->setValue(200);
        click("Button_DetectRangeSetupEnable");
        click("Button_CanbusAutoDetect");
        QVERIFY(window_->busy());
        click("Button_Exit");
        QVERIFY(!window_->isVisible());
        QVERIFY(!window_->busy());
        QCOMPARE(memo().last(), QStringLiteral("Detect Stopped."));
    }

    void saveSettingGivesTheDeviceANewIdAndRate() {
        showAndSettle();
        control<QSpinBox>("CSpinEdit_DeviceSettingID")->setValue(2);
        control<QComboBox>("ComboBox_DeviceSettingUartBuadrate")->setCurrentIndex(3); // 57600
        control<QSpinBox>("CSpinEdit_DeviceSettingMasterID")->setValue(7);
        click("Button_DeviceSettingSaveSetting");
        QTRY_VERIFY_WITH_TIMEOUT(!window_->busy(), 5000);
        QCOMPARE(memo().last(), QStringLiteral("Save Setting Complete."));
        QCOMPARE(cell(1, 2), QString());
        QCOMPARE(cell(2, 2), QStringLiteral("    57600"));
        QCOMPARE(labels("Label_SelectedDevice"), QStringList({"2", "57600", "147K", "7"}));
        QCOMPARE(labels("Label_ComportDevice"), QStringList({"2", "57600", "147K", "7"}));
        QCOMPARE(control<QLabel>("Label_ComportBaudrate")->text(), QStringLiteral("57600"));
    }

    void comportConfigureAbortedThenNone() {
        showAndSettle();
        click("Button_MessageClear");
        click("Button_ComportConfigure");
        QCOMPARE(memo(), QStringList({"", "Comport Configure Abort!"}));
        dialogs_->modal_handlers.push_back([](QDialog& dialog) {
            child<QComboBox>(&dialog, "ComboBox_Comport")->setCurrentIndex(0);
            QTest::mouseClick(child<QPushButton>(&dialog, "Botton_OK"), Qt::LeftButton);
        });
        click("Button_ComportConfigure");
        QCOMPARE(memo().mid(2), QStringList({"", "None Configure Success"}));
        QCOMPARE(control<QLabel>("Label_ComportName")->text(), QStringLiteral("None"));
        QVERIFY(!enabled("Button_UartAutoDetect"));
        QCOMPARE(cell(1, 1), QString()); // every record reset
        QVERIFY(!comport_is_open());
    }
};

QTEST_MAIN(UartDetectWindowTest)
#include "uart_detect_window_test.moc"
