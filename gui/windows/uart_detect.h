// The window that finds devices on the port and the CAN bus and writes their settings.
#pragma once

#include <QDialog>

class TForm_UartDetect : public QDialog {
    Q_OBJECT

public:
    explicit TForm_UartDetect(QWidget* parent = nullptr);
};
