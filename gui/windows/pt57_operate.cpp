#include "gui/windows/pt57_operate.h"

TForm_PT57Operate::TForm_PT57Operate(MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : OperatePanel(pt57PanelFamily(), mailbox, link, parent) {
    setObjectName(QStringLiteral("Form_PT57Operate"));
    setWindowTitle(QStringLiteral("PT57 Operate"));
}

void TForm_PT57Operate::SetDevice(int id, const Pt57Device& device) {
    SetDeviceRecord(id, device.model, device.channels);
}
