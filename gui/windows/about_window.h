// The about window and the company window.
#pragma once

#include <QDialog>

class TForm_AboutZQ70 : public QDialog {
    Q_OBJECT

public:
    explicit TForm_AboutZQ70(QWidget* parent = nullptr);
};

class TForm_DUVA : public QDialog {
    Q_OBJECT

public:
    explicit TForm_DUVA(QWidget* parent = nullptr);
};
