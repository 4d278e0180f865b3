#include "gui/windows/pt57_operate.h"

TForm_PT57Operate::TForm_PT57Operate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_PT57Operate"));
    setWindowTitle(QStringLiteral("PT57 Operate"));
}
