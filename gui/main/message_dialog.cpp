#include "gui/main/message_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/terminal/message_text.h"

TForm_Message::TForm_Message(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_Message"));
    setWindowTitle(QStringLiteral("Message"));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < 6; ++i) {
        labels_[i] = new QLabel(this);
        labels_[i]->setObjectName(QStringLiteral("Label_Message%1").arg(i + 1));
        layout->addWidget(labels_[i]);
    }
    auto* row = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        buttons_[i] = new QPushButton(this);
        buttons_[i]->setObjectName(QStringLiteral("Button_%1").arg(i + 1));
        buttons_[i]->hide();
        row->addWidget(buttons_[i]);
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] { ButtonClick(i + 1); });
    }
    layout->addLayout(row);
}

void TForm_Message::SetNotice(const QString& text, const QString& button_caption) {
    auto split = split_message_lines(text.toLatin1().toStdString());
    for (int i = 0; i < 6; ++i) lines_[i] = QString::fromLatin1(split[i].data(), qsizetype(split[i].size()));
    button_count_ = 1;
    captions_[0] = button_caption;
}

void TForm_Message::showEvent(QShowEvent* event) {
    for (int i = 0; i < 6; ++i) labels_[i]->setText(lines_[i]);
    for (QPushButton* b : buttons_) b->hide();
    for (int i = 0; i < button_count_; ++i) {
        buttons_[i]->setText(captions_[i]);
        buttons_[i]->show();
    }
    clicked_ = 0;
    QDialog::showEvent(event);
}

void TForm_Message::ButtonClick(int number) {
    clicked_ = number;
    close();
}
