// The PT57 operate panel: the RD24 panel's work for an eight-channel PT57, whose DA
// set codes last only until the next display of the channel.
#pragma once

#include "core/protocol/pt57_device_def.h"
#include "gui/windows/operate_panel.h"

class TForm_PT57Operate : public OperatePanel {
    Q_OBJECT

public:
    // The registry's PT57 family; caption and object name as OperatePanel gives them.
    TForm_PT57Operate(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent = nullptr);

    // The device ID and a copy of the record; the DA set codes stay the panel's.
    void SetDevice(int id, const Pt57Device& device);
};
