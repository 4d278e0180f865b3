// A small notice window: up to six lines of text and up to six buttons.
#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QPushButton;

class TForm_Message : public QDialog {
    Q_OBJECT

public:
    explicit TForm_Message(QWidget* parent = nullptr);

    // Splits the text into lines (a backslash-n sequence ends a line) and shows one button.
    void SetNotice(const QString& text, const QString& button_caption);
    // 1..6 for the button that closed the window, 0 since it was last shown.
    int ClickedButton() const { return clicked_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ButtonClick(int number);

    std::array<QString, 6> lines_;
    std::array<QString, 6> captions_;
    int button_count_ = 0;
    int clicked_ = 0;
    std::array<QLabel*, 6> labels_{};
    std::array<QPushButton*, 6> buttons_{};
};
