// The PT57 operate panel.
#pragma once

#include <QDialog>

class TForm_PT57Operate : public QDialog {
    Q_OBJECT

public:
    explicit TForm_PT57Operate(QWidget* parent = nullptr);
};
