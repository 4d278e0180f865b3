// The RD24 and PT57 operate panels, offscreen, opened from the main window's menu:
// their controls, polling the simulator through the real receive path, the link
// monitor and the trend, and a silent device that must not hold the window.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QAbstractItemView>
#include <QTemporaryDir>

#include "gui/windows/link_monitor.h"
#include "gui/windows/pt57_operate.h"
#include "gui/windows/rd24_operate.h"
#include "gui/windows/trend_window.h"
#include <memory>

#include "support/ser2net_process.h"
#include "support/sim_process.h"
#include "support/window_harness.h"

namespace {

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);

QColor lampOf(QDialog* panel, const QString& name) {
    return child<QLineEdit>(panel, name)->palette().color(QPalette::Disabled, QPalette::Base);
}

QString textOf(QDialog* panel, const QString& name) {
    if (auto* label = panel->findChild<QLabel*>(name)) return label->text();
    return child<QLineEdit>(panel, name)->text();
}

// Picks the model with the arrow keys, as a user would (each step is a pick).
void selectModel(QDialog* panel, const QString& model) {
    auto* combo = child<QComboBox>(panel, "ComboBox_Type");
    const int target = combo->findText(model);
    QVERIFY(target > 0);
    while (combo->currentIndex() != target)
        QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

// The panel a "<family>Device" entry opens.
OperatePanel* panelOf(WindowHarness& h, const QString& action) {
    return h.windows->operate_panel(action.chopped(QLatin1String("Device").size()).toStdString());
}

} // namespace

class OperatePanelWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowHarness> h_;

private slots:
    void init() { h_ = std::make_unique<WindowHarness>(); }
    void cleanup() { h_.reset(); }

    void controlsCarryTheirNames_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("channels");
        QTest::newRow("RD24") << "RD24Device" << "RD24 Operate" << 6;
        QTest::newRow("PT57") << "PT57Device" << "PT57 Operate" << 8;
    }

    void controlsCarryTheirNames() {
        QFETCH(QString, action);
        QFETCH(QString, caption);
        QFETCH(int, channels);
        OperatePanel* panel = panelOf(*h_, action);
        QCOMPARE(panel->windowTitle(), caption);
        QCOMPARE(QString::fromLatin1(panel->metaObject()->className()),
                 action == QLatin1String("RD24Device") ? QStringLiteral("TForm_RD24Operate")
                                                       : QStringLiteral("TForm_PT57Operate"));
        for (int n = 1; n <= channels; ++n) {
            for (const char* name : {"GroupBox_CH%1DI", "Edit_CH%1DI", "GroupBox_CH%1DO", "Edit_CH%1DO",
                                     "GroupBox_CH%1AD", "Edit_CH%1AD", "Edit_CH%1ADValue", "Label_CH%1ADUnit",
                                     "GroupBox_CH%1DA", "Edit_CH%1DAC", "Edit_CH%1DAValue", "Label_CH%1DAUnit"})
                child<QWidget>(panel, QString::fromLatin1(name).arg(n));
            QCOMPARE(child<QPushButton>(panel, QStringLiteral("Button_CH%1DO").arg(n))->text(), QStringLiteral("Set"));
            QCOMPARE(child<QPushButton>(panel, QStringLiteral("Button_CH%1DA").arg(n))->text(), QStringLiteral("Set"));
            QCOMPARE(child<QSpinBox>(panel, QStringLiteral("CSpinEdit_CH%1DA").arg(n))->maximum(), 4095);
            QCOMPARE(child<QComboBox>(panel, QStringLiteral("ComboBox_CH%1ADType").arg(n))->count(), 7);
            QCOMPARE(child<QComboBox>(panel, QStringLiteral("ComboBox_CH%1DAType").arg(n))->count(), 3);
        }
        QVERIFY(!panel->findChild<QWidget*>(QStringLiteral("Edit_CH%1DI").arg(channels + 1)));
        QVERIFY(!child<QLineEdit>(panel, "Edit_Online")->isEnabled());
        QCOMPARE(child<QSpinBox>(panel, "CSpinEdit_DetectTime")->maximum(), 10000);
        QCOMPARE(child<QCheckBox>(panel, "CheckBox_ForceDisplay")->text(), QStringLiteral("Force Display"));
        for (const char* name : {"Button_LinkMonitor", "Button_Trend", "Button_Exit", "Timer_DetectTime"})
            child<QObject>(panel, name);
    }

    void pollsTheSimulator_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("model");
        QTest::addColumn<int>("do_channel"); // 0: the model has none
        QTest::addColumn<bool>("network");   // COM1 names the simulator's line served by ser2net
        QTest::newRow("RD24-M4") << "RD24Device" << "RD24-M4" << 0 << false;
        QTest::newRow("PT57-M1") << "PT57Device" << "PT57-M1" << 7 << false;
        QTest::newRow("RD24-M4 through ser2net") << "RD24Device" << "RD24-M4" << 0 << true;
    }

    // What a person does on the bench: pick the model, watch the readings, set a DA
    // code and a DO, open the link monitor and the trend, save the trend, exit.
    void pollsTheSimulator() {
        QFETCH(QString, action);
        QFETCH(QString, model);
        QFETCH(int, do_channel);
        QFETCH(bool, network);
        if (network && !Ser2Net::installed()) QSKIP("ser2net is not installed: run scripts/install-deps.sh");
        SimProcess sim = startSim({"--model", model.toStdString()});
        QVERIFY(sim.ok());
        std::unique_ptr<Ser2Net> server;
        if (network) {
            server = std::make_unique<Ser2Net>(sim.path);
            QVERIFY2(server->ok(), server->log().c_str());
            QVERIFY(h_->ports.address(1, server->address()));
        } else {
            QVERIFY(h_->ports.link(1, sim.path));
        }
        h_->openPort();
        OperatePanel* panel = panelOf(*h_, action);
        QTemporaryDir dir;
        h_->dialogs.file_answers.push_back(dir.filePath(QStringLiteral("trend.dat")));
        bool ran = false;
        h_->dialogs.modal_handlers.push_back([&](QDialog& shown) {
            QCOMPARE(&shown, static_cast<QDialog*>(panel));
            QVERIFY(panel->IsShowing()); // the receive path now catches reply frames
            selectModel(panel, model);
            QTRY_COMPARE(lampOf(panel, "Edit_Online"), kGreen);
            QTRY_VERIFY(textOf(panel, "Edit_CH1ADValue") != QLatin1String("0"));
            QCOMPARE(textOf(panel, "Label_CH1ADUnit"), QStringLiteral("V"));

            child<QSpinBox>(panel, "CSpinEdit_CH3DA")->setValue(1234);
            QTest::mouseClick(child<QPushButton>(panel, "Button_CH3DA"), Qt::LeftButton);
            QTRY_COMPARE(textOf(panel, "Edit_CH3DAC"), QStringLiteral("1234"));
            QCOMPARE(lampOf(panel, "Edit_CH3DAC"), kGreen);
            if (do_channel > 0) {
                QTest::mouseClick(child<QPushButton>(panel, QStringLiteral("Button_CH%1DO").arg(do_channel)), Qt::LeftButton);
                QTRY_COMPARE(lampOf(panel, QStringLiteral("Edit_CH%1DO").arg(do_channel)), kGreen);
            }

            QTest::mouseClick(child<QPushButton>(panel, "Button_LinkMonitor"), Qt::LeftButton);
            QDialog* monitor = h_->windows->link_monitor();
            QVERIFY(monitor->isVisible());
            QCOMPARE(monitor->parentWidget(), static_cast<QWidget*>(panel)); // usable beside a modal panel
            const auto monitorText = [monitor] {
                const QAbstractItemModel* rows = child<QAbstractItemView>(monitor, "Memo_Monitor")->model();
                QStringList lines;
                for (int row = 0; row < rows->rowCount(); ++row) lines << rows->index(row, 0).data().toString();
                return lines.join(QLatin1Char('\n'));
            };
            QTRY_VERIFY(monitorText().contains("Success.  Send % 1,"));

            QTest::mouseClick(child<QPushButton>(panel, "Button_Trend"), Qt::LeftButton);
            TForm_Trend* trend = panel->trend();
            QVERIFY(trend->isVisible());
            QTRY_VERIFY(trend->log().series().size() >= 2);
            QCOMPARE(trend->log().series().front().Label(), std::string("CH1 AD (V)"));
            QTest::mouseClick(child<QPushButton>(trend, "Button_SaveCSV"), Qt::LeftButton);
            QFile csv(dir.filePath(QStringLiteral("trend.csv")));
            QVERIFY(csv.open(QIODevice::ReadOnly));
            const QList<QByteArray> rows = csv.readAll().split('\n');
            QVERIFY(rows.front().startsWith("Time (ms),CH1 AD (V),CH2 AD (V),CH3 DA (V)"));
            QVERIFY(rows.size() > 3);

            QTest::mouseClick(child<QPushButton>(panel, "Button_Exit"), Qt::LeftButton);
            QVERIFY(!panel->isVisible());
            QVERIFY(!panel->IsShowing()); // back to the terminal path
            ran = true;
        });
        child<QAction>(h_->main(), action)->trigger();
        QVERIFY(ran);
    }

    // The simulator ends and its line goes with it: writes fail, and the device is
    // offline as after a time-out, with the reason beside the red lamp.
    void vanishedLineTakesTheDeviceOffline() {
        SimProcess sim = startSim({"--model", "RD24-M4"});
        QVERIFY(sim.ok());
        QVERIFY(h_->ports.link(1, sim.path));
        h_->openPort();
        OperatePanel* panel = h_->windows->operate_panel("RD24");
        bool ran = false;
        h_->dialogs.modal_handlers.push_back([&](QDialog&) {
            selectModel(panel, QStringLiteral("RD24-M4"));
            QTRY_COMPARE(lampOf(panel, "Edit_Online"), kGreen);
            QVERIFY(child<QWidget>(panel, "GroupBox_CH1AD")->isVisibleTo(panel));
            sim.child.reset();
            QTRY_COMPARE(textOf(panel, "Label_DetectStatus"), QStringLiteral("Write Fault!"));
            QCOMPARE(lampOf(panel, "Edit_DetectStatus"), kRed);
            QCOMPARE(lampOf(panel, "Edit_Online"), kRed);
            QVERIFY(!child<QWidget>(panel, "GroupBox_CH1AD")->isVisibleTo(panel));
            QTest::mouseClick(child<QPushButton>(panel, "Button_Exit"), Qt::LeftButton);
            ran = true;
        });
        child<QAction>(h_->main(), "RD24Device")->trigger();
        QVERIFY(ran);
    }

    // Nothing answers on COM1: every step times out, and the window stays usable.
    void silentDeviceNeverHoldsTheWindow() {
        h_->openPort();
        auto* panel = qobject_cast<TForm_PT57Operate*>(h_->windows->operate_panel("PT57"));
        QVERIFY(panel);
        h_->dialogs.modal_handlers.push_back([&](QDialog&) {
            selectModel(panel, QStringLiteral("PT57-M1"));
            QTRY_COMPARE(textOf(panel, "Label_DetectStatus"), QStringLiteral("Timeout!"));
            QCOMPARE(lampOf(panel, "Edit_DetectStatus"), kRed);
            QCOMPARE(lampOf(panel, "Edit_Online"), kRed);
            QVERIFY(!child<QWidget>(panel, "GroupBox_CH1AD")->isVisibleTo(panel));
            QTRY_VERIFY(panel->engine().step_in_flight());
            QElapsedTimer exit;
            exit.start();
            QTest::mouseClick(child<QPushButton>(panel, "Button_Exit"), Qt::LeftButton);
            QVERIFY(!panel->isVisible());
            QVERIFY(exit.elapsed() < 100);
        });
        child<QAction>(h_->main(), "PT57Device")->trigger();
        // Opened again at once, with the last step of the first opening still running.
        h_->dialogs.modal_handlers.push_back([&](QDialog&) {
            QCOMPARE(textOf(panel, "Label_DetectStatus"), QString());
            QCOMPARE(child<QComboBox>(panel, "ComboBox_Type")->currentText(), QStringLiteral("None"));
            QCOMPARE(child<QSpinBox>(panel, "CSpinEdit_ID")->value(), 1);
            QCOMPARE(lampOf(panel, "Edit_Online"), lampColour(Lamp::kWindow));
        });
        child<QAction>(h_->main(), "PT57Device")->trigger();

        // The program ends while the panel polls the silent device.
        panel->SetDevice(1, Pt57Device{});
        panel->show();
        selectModel(panel, QStringLiteral("PT57-M1"));
        QTRY_VERIFY(panel->engine().step_in_flight());
        QElapsedTimer end;
        end.start();
        h_.reset();
        QVERIFY(end.elapsed() < 1500); // at most the exchange in flight
    }
};

QTEST_MAIN(OperatePanelWindowTest)
#include "operate_panel_window_test.moc"
