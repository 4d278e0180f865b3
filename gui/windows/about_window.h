// The about window and the company window, both shown from the "Info" menu.
#pragma once

#include <QDialog>

#include "core/terminal/product_info.h"

class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QRectF;

// Draws the program's icon (the one installed with the desktop entry) into `frame`,
// stretched to it.
void DrawBenchlinkLogo(QPainter& painter, const QRectF& frame);

class TForm_AboutZQ70 : public QDialog {
    Q_OBJECT

public:
    explicit TForm_AboutZQ70(ProductInfo product = benchlink_product(), QWidget* parent = nullptr);

protected:
    // Puts the product record back into the three edits, whatever was typed there.
    void showEvent(QShowEvent* event) override;

private:
    ProductInfo product_;
    QLineEdit* edit_product_ = nullptr;
    QLineEdit* edit_type_number_ = nullptr;
    QLineEdit* edit_version_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
};

class TForm_DUVA : public QDialog {
    Q_OBJECT

public:
    explicit TForm_DUVA(ProductInfo product = benchlink_product(), QWidget* parent = nullptr);

    // The seven facts shown, in order.
    static QStringList Facts(const ProductInfo& product);

protected:
    void showEvent(QShowEvent* event) override;

private:
    ProductInfo product_;
    QList<class QLabel*> facts_;
};
