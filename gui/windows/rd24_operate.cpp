#include "gui/windows/rd24_operate.h"

TForm_RD24Operate::TForm_RD24Operate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_RD24Operate"));
    setWindowTitle(QStringLiteral("RD24 Operate"));
}
