#include "gui/windows/pt57_operate.h"

TForm_PT57Operate::TForm_PT57Operate(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : OperatePanel(family, mailbox, link, parent) {}

void TForm_PT57Operate::SetDevice(int id, const Pt57Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
