// The RD24 operate panel: polls one six-channel RD24, shows its channels by model,
// toggles its digital outputs and writes its analogue outputs.
#pragma once

#include "core/protocol/rd24_device_def.h"
#include "gui/windows/operate_panel.h"

class TForm_RD24Operate : public OperatePanel {
    Q_OBJECT

public:
    // The registry's RD24 family; caption and object name as OperatePanel gives them.
    TForm_RD24Operate(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent = nullptr);

    // The device ID and a copy of the record; the DA set codes stay the panel's.
    void SetDevice(int id, const Rd24Device& device);
};
