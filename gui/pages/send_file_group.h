// The "Send File" group of the "General ASCII" tab: reads a file of up to 4096
// bytes, shows it and sends it in one write. The buffer's rules live in send_file.
#pragma once

#include <QGroupBox>

#include "core/terminal/send_file.h"
#include "core/util/line_sink.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

class SendFileGroup : public QGroupBox {
    Q_OBJECT

public:
    // Sends on `port`, which outlives the group.
    SendFileGroup(Port& port, LineSink add_line, QWidget* parent);

    const SendFileBuffer& buffer() const { return buffer_; }

private:
    void InitConnections();
    void ShowBuffer();
    void Button_ReadFileClick();
    void Button_SendFileClick();

    Port& port_;
    LineSink add_line_;
    SendFileBuffer buffer_;
    QPushButton* Button_ReadFile = nullptr;
    QPlainTextEdit* Memo_SendFile = nullptr;
    QLabel* Label_SendFileLength = nullptr;
    QPushButton* Button_SendFile = nullptr;
};
