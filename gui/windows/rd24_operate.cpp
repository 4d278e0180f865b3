#include "gui/windows/rd24_operate.h"

TForm_RD24Operate::TForm_RD24Operate(const DeviceFamily& family, MailboxPump& mailbox, QWidget* parent)
    : OperatePanel(family, mailbox, parent) {}

void TForm_RD24Operate::SetDevice(int id, const Rd24Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
