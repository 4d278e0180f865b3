// The window that finds devices on the port and the CAN bus and writes their
// settings. The work runs on a worker thread (DetectEngine in the core); its lines
// and grid rows come back through the mailbox as they happen.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <span>

#include "core/detect/detect_engine.h"
#include "core/detect/detect_worker.h"
#include "core/util/mailbox.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;
class MailboxPump;
class TForm_ComportSetup;

class TForm_UartDetect : public QDialog {
    Q_OBJECT

public:
    // Lines from the worker come through `mailbox`; "Comport Configure" shows `setup`;
    // the work runs on `port`. All three outlive the window.
    TForm_UartDetect(MailboxPump& mailbox, Port& port, TForm_ComportSetup* setup, QWidget* parent = nullptr);
    ~TForm_UartDetect() override;

    // Every way the window goes (Exit, close box, Escape) ends the work first.
    void done(int result) override;

    bool busy() const { return busy_; }
    const DetectEngine& engine() const { return engine_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FormCreate();
    void BuildControls();
    void InitConnections();

    void FormShow();
    void Button_ComportConfigureClick();
    void Button_UartAutoDetectClick();
    // Row 0 is the header row; row r belongs to ID r - 1.
    void StringGrid_CanbusDeviceSelectCell(int column, int row);
    void Button_CanbusAutoDetectClick();
    void CSpinEdit_DetectRangeSetupStartChange(int value);
    void CSpinEdit_DetectRangeSetupEndChange(int value);
    void Button_DetectRangeSetupEnableClick();
    void Button_DetectRangeSetupDisableClick();
    void Button_DetectIDClick();
    void Button_DeviceSettingSaveSettingClick();
    void Button_DetectStopClick();
    void Button_MessageClearClick();
    void Button_ExitClick();

    void StartWork(std::function<void()> job);
    void StopWork();
    void WorkDone();
    void ShowLines(std::span<Letter> batch);
    void ClearMemo();
    void ShowRows(std::span<Letter> batch);

    void RefreshAll();
    void RefreshRow(int id);
    void RefreshGrid();
    void RefreshPortGroup();
    void RefreshSettingGroup();
    void RefreshButtons();

    MailboxPump& mailbox_;
    Port& port_;
    TForm_ComportSetup* setup_;
    MailboxReceiver lines_box_;
    MailboxReceiver rows_box_;
    MailboxReceiver progress_box_;
    MailboxReceiver done_box_;
    DetectEngine engine_;
    bool busy_ = false;
    long long memo_lines_ = 0;
    // Declared last: the thread is joined before anything it uses goes.
    DetectWorker worker_;

    QPushButton* Button_UartAutoDetect = nullptr;
    QCheckBox* CheckBox_AutoBaudrate = nullptr;
    QLabel* Label_ComportName = nullptr;
    QLabel* Label_ComportBaudrate = nullptr;
    QLabel* Label_ComportParity = nullptr;
    QLabel* Label_ComportDataBits = nullptr;
    QLabel* Label_ComportStopBits = nullptr;
    QPushButton* Button_ComportConfigure = nullptr;
    std::array<QLabel*, 4> comport_device_labels_{};
    QTableWidget* StringGrid_CanbusDevice = nullptr;
    QPushButton* Button_CanbusAutoDetect = nullptr;
    QSpinBox* CSpinEdit_DetectRangeSetupStart = nullptr;
    QSpinBox* CSpinEdit_DetectRangeSetupEnd = nullptr;
    QPushButton* Button_DetectRangeSetupEnable = nullptr;
    QPushButton* Button_DetectRangeSetupDisable = nullptr;
    QSpinBox* CSpinEdit_DeviceSettingID = nullptr;
    QComboBox* ComboBox_DeviceSettingUartBuadrate = nullptr;
    QComboBox* ComboBox_DeviceSettingCanbusBuadrate = nullptr;
    QSpinBox* CSpinEdit_DeviceSettingMasterID = nullptr;
    QPushButton* Button_DetectID = nullptr;
    QPushButton* Button_DeviceSettingSaveSetting = nullptr;
    std::array<QLabel*, 4> selected_device_labels_{};
    QPlainTextEdit* Memo_Message = nullptr;
    QProgressBar* ProgressBar_Detect = nullptr;
    QPushButton* Button_DetectStop = nullptr;
    QPushButton* Button_MessageClear = nullptr;
    QPushButton* Button_Exit = nullptr;
};
