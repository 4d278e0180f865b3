#include "gui/pages/send_file_group.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/main/dialog_seam.h"
#include "core/files/file_choice.h"
#include "core/terminal/terminal_texts.h"

namespace {
QString fileText(const std::string& text) {
    return QFile::decodeName(QByteArray::fromStdString(text));
}
} // namespace

SendFileGroup::SendFileGroup(Port& port, LineSink add_line, QWidget* parent)
    : QGroupBox(QStringLiteral("Send File"), parent), port_(port), add_line_(std::move(add_line)) {
    setObjectName(QStringLiteral("GroupBox_SendFile"));
    auto* layout = new QVBoxLayout(this);
    Memo_SendFile = new QPlainTextEdit(this);
    Memo_SendFile->setObjectName(QStringLiteral("Memo_SendFile"));
    Memo_SendFile->setReadOnly(true);
    layout->addWidget(Memo_SendFile);
    auto* row = new QHBoxLayout;
    Button_ReadFile = new QPushButton(QStringLiteral("Read File"), this);
    Button_ReadFile->setObjectName(QStringLiteral("Button_ReadFile"));
    Label_SendFileLength = new QLabel(QStringLiteral("0"), this);
    Label_SendFileLength->setObjectName(QStringLiteral("Label_SendFileLength"));
    Button_SendFile = new QPushButton(QStringLiteral("Send"), this);
    Button_SendFile->setObjectName(QStringLiteral("Button_SendFile"));
    row->addWidget(Button_ReadFile);
    row->addWidget(new QLabel(QStringLiteral("Length"), this));
    row->addWidget(Label_SendFileLength);
    row->addStretch();
    row->addWidget(Button_SendFile);
    layout->addLayout(row);
    InitConnections();
}

void SendFileGroup::InitConnections() {
    connect(Button_ReadFile, &QPushButton::clicked, this, &SendFileGroup::Button_ReadFileClick);
    connect(Button_SendFile, &QPushButton::clicked, this, &SendFileGroup::Button_SendFileClick);
}

void SendFileGroup::Button_ReadFileClick() {
    const QString path = dialogs().OpenFileName(this, fileText(buffer_.directory), fileText(buffer_.name),
                                                QStringLiteral("Binary Files|*.bin|All Files|*.*"));
    if (path.isEmpty()) return;
    const ChosenFile chosen = split_chosen_file(QFile::encodeName(path).toStdString());
    buffer_.directory = chosen.directory;
    buffer_.name = chosen.name;
    buffer_.path = chosen.directory + chosen.file_name;
    if (chosen.name.empty()) {
        add_line_(std::string(kSendAsciiPrefix) + "Filename is Empty!");
        return;
    }
    const SendFileRead result = ReadSendFile(buffer_);
    if (std::string line = read_send_file_line(result); !line.empty()) {
        add_line_(line);
        return;
    }
    ShowBuffer();
}

void SendFileGroup::ShowBuffer() {
    // CR LF, a lone CR or a lone LF each break a line on screen.
    QString text = QString::fromLatin1(buffer_.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Memo_SendFile->setPlainText(text);
    Label_SendFileLength->setText(QString::number(buffer_.length));
}

void SendFileGroup::Button_SendFileClick() {
    add_line_(SendFileData(port_, buffer_));
}
