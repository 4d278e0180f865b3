#include "gui/windows/uart_detect.h"

TForm_UartDetect::TForm_UartDetect(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_UartDetect"));
    setWindowTitle(QStringLiteral("Device Detect"));
}
