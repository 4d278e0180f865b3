#include "gui/windows/rd24_operate.h"

TForm_RD24Operate::TForm_RD24Operate(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : OperatePanel(family, mailbox, link, parent) {}

void TForm_RD24Operate::SetDevice(int id, const Rd24Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
