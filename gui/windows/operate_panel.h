// The operate panel of a device family: the window over a poll engine of the
// family. The engine decides; this class builds the controls, shows what the
// engine tells it, and runs each step's exchange on a worker thread, so a silent
// device never freezes the window. The step's result comes back through the
// mailbox and is applied on the window thread, in order. A family whose panel has
// a class of its own (TForm_RD24Operate, TForm_PT57Operate) derives from it.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "core/panels/poll_engine.h"
#include "core/panels/step_worker.h"
#include "core/util/mailbox.h"
#include "gui/windows/channel_controls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class MailboxPump;
class TForm_Trend;
class ZumLink;

class OperatePanel : public QDialog, public PanelView, public PanelPort {
    Q_OBJECT

public:
    // Named after the family: caption "RD24 Operate", object name "Form_RD24Operate".
    // The exchanges run on `link`; it and the mailbox outlive the panel.
    OperatePanel(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent);
    ~OperatePanel() override;

    // The device ID and a record of model None, as the main window opens the panel;
    // the DA set codes stay the panel's.
    void SetDefaultDevice(int id);

    // Any thread: true from the end of the showing until it closes.
    bool IsShowing() const { return engine_.showing(); }
    // The link monitor the "Link Monitor" button shows.
    void SetLinkMonitor(QDialog* monitor) { link_monitor_ = monitor; }

    const PollEngine& engine() const { return engine_; }
    TForm_Trend* trend() const { return trend_; }

protected:
    void SetDeviceRecord(int id, std::int32_t model, std::span<const Rd24Channel> channels);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void InitConnections();

    // Handlers; the per-channel ones take the 0-based channel.
    void FormShow();
    void FormClose();
    void Timer_DetectTimeTimer();
    void Timer_SystemTimer();
    void ComboBox_TypeChange(const QString& text);
    void CSpinEdit_IDChange(int value);
    void CSpinEdit_DetectTimeChange(int value);
    void CheckBox_ForceDisplayClick();
    void ComboBox_CHADTypeChange(int channel, const QString& text);
    void ComboBox_CHDATypeChange(int channel, const QString& text);
    void CSpinEdit_CHDAChange(int channel);
    void Button_CHDAClick(int channel);
    void Button_CHDOClick(int channel);
    void Button_LinkMonitorClick();
    void Button_TrendClick();
    void Button_ExitClick();

    void ApplyResults(std::span<Letter> batch);

    // PanelView.
    void SetDetectTimer(bool running, int interval_ms) override;
    void SetSystemTimer(bool running) override;
    void ShowSettings(int detect_time_ms, bool force_display) override;
    void ShowDetectStatus(const std::string& text) override;
    void ShowDetectLamp(Lamp lamp) override;
    void ShowOnline(Lamp lamp) override;
    void ShowDetectCounter(int steps) override;
    void ShowModel(int model) override;
    void ShowId(int id) override;
    void ShowGroup(int channel, ChannelKind kind) override;
    void ShowDi(int channel, bool on) override;
    void ShowDo(int channel, bool on) override;
    void ShowAdType(int channel, int type, const std::string& unit) override;
    void ShowAdReading(int channel, const std::string& raw, const std::string& value) override;
    void ShowDaType(int channel, int type, const std::string& unit) override;
    void ShowDaSetCode(int channel, int code) override;
    void ShowDaReadBack(int channel, const std::string& raw, const std::string& value) override;
    void ShowDaReadBackLamp(int channel, Lamp lamp) override;

    // PanelPort.
    void Purge() override;
    void Flush() override;

    const DeviceFamily& family_;
    MailboxPump& mailbox_;
    ZumLink& link_;
    PollEngine engine_;
    MailboxReceiver results_box_;
    QDialog* link_monitor_ = nullptr;
    TForm_Trend* trend_ = nullptr;

    std::array<ChannelControls, kPanelChannelMax> channels_{};
    QComboBox* ComboBox_Type = nullptr;
    QSpinBox* CSpinEdit_ID = nullptr;
    QLineEdit* Edit_Online = nullptr;
    QSpinBox* CSpinEdit_DetectTime = nullptr;
    QLabel* LabelLabel_DetectCounter = nullptr;
    QLineEdit* Edit_DetectStatus = nullptr;
    QLabel* Label_DetectStatus = nullptr;
    QCheckBox* CheckBox_ForceDisplay = nullptr;
    QPushButton* Button_LinkMonitor = nullptr;
    QPushButton* Button_Trend = nullptr;
    QPushButton* Button_Exit = nullptr;
    QTimer* Timer_DetectTime = nullptr;
    QTimer* Timer_System = nullptr;

    // Declared last, so it is joined first: its job reaches the members above.
    std::unique_ptr<StepWorker> worker_;
};
