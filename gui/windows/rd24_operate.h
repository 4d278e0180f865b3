// The RD24 operate panel.
#pragma once

#include <QDialog>

class TForm_RD24Operate : public QDialog {
    Q_OBJECT

public:
    explicit TForm_RD24Operate(QWidget* parent = nullptr);
};
