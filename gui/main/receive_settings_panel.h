// The receive display settings below the message list: receive mode, line control,
// change-line wait and its timer, QLP filter and the "Last Length" label. The controls
// only hand their values to the receive pipeline.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>

#include "core/util/mailbox.h"

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimer;
class MailboxPump;
class ReceivePipeline;
struct ProgramSettings;

class ReceiveSettingsPanel : public QWidget {
    Q_OBJECT

public:
    // Puts the start-up defaults on the controls and into the pipeline.
    ReceiveSettingsPanel(ReceivePipeline& pipeline, MailboxPump& mailbox, QWidget* parent = nullptr);

    // Any thread: the length of the last line shown; the label follows on the GUI thread.
    void PostLastLength(std::int32_t length);
    // GUI thread: receiving stopped, the label shows "0".
    void ResetLastLength();

    QTimer* change_line_timer() const { return Timer_ChangeLineWait; }

    // The controls' values into the settings kept between runs, and back (as if the
    // user had set each control).
    void Store(ProgramSettings& settings) const;
    void Restore(const ProgramSettings& settings);

private:
    void BuildControls();
    void InitConnections();
    void ApplyDefaults();
    void UpdateTimer();
    // Text that is not hex pairs shows red, with the reason as its tip.
    void ShowOtherValidity();

    void RadioGroup_ReceiveMessageModeClick(int index);
    void RadioGroup_LineControlModeClick(int index);
    void Edit_LineControlOtherChange(const QString& text);
    void CheckBox_ChangeLineClick();
    void CSpinEdit_ReceiveWaitTimeChange(int value);
    void Timer_ChangeLineWaitTimer();
    void CheckBox_QLPFilterClick();

    ReceivePipeline& pipeline_;
    std::atomic<std::int32_t> posted_length_{0};
    MailboxPump& mailbox_;
    MailboxReceiver length_box_;

    QGroupBox* RadioGroup_ReceiveMessageMode = nullptr;
    QButtonGroup* receive_mode_buttons_ = nullptr;
    QGroupBox* RadioGroup_LineControlMode = nullptr;
    QButtonGroup* line_control_buttons_ = nullptr;
    QLineEdit* Edit_LineControlOther = nullptr;
    QCheckBox* CheckBox_ChangeLine = nullptr;
    QSpinBox* CSpinEdit_ReceiveWaitTime = nullptr;
    QTimer* Timer_ChangeLineWait = nullptr;
    QCheckBox* CheckBox_QLPFilter = nullptr;
    QCheckBox* CheckBox_TimeStamp = nullptr;
    QLabel* Label_ReceiveLength = nullptr;
};
