#include "gui/windows/about_window.h"

TForm_AboutZQ70::TForm_AboutZQ70(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_AboutZQ70"));
    setWindowTitle(QStringLiteral("About ZQ70"));
}

TForm_DUVA::TForm_DUVA(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_DUVA"));
    setWindowTitle(QStringLiteral("DUVA"));
}
