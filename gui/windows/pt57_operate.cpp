#include "gui/windows/pt57_operate.h"

TForm_PT57Operate::TForm_PT57Operate(const DeviceFamily& family, MailboxPump& mailbox, QWidget* parent)
    : OperatePanel(family, mailbox, parent) {}

void TForm_PT57Operate::SetDevice(int id, const Pt57Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
