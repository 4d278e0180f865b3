#include "gui/windows/rd24_operate.h"

TForm_RD24Operate::TForm_RD24Operate(MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : OperatePanel(rd24PanelFamily(), mailbox, link, parent) {
    setObjectName(QStringLiteral("Form_RD24Operate"));
    setWindowTitle(QStringLiteral("RD24 Operate"));
}

void TForm_RD24Operate::SetDevice(int id, const Rd24Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
