#include "gui/pages/general_ascii_page.h"

#include <QAction>
#include <QButtonGroup>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/util/send_check.h"
#include "gui/main/dialog_seam.h"

namespace {
constexpr int kAsciiOtherMax = 2;

QString fromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string toPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Command texts are 8-bit: one character per byte.
std::string toText(const QString& text) {
    return text.toLatin1().toStdString();
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}
} // namespace

GeneralAsciiPage::GeneralAsciiPage(Port& port, LineSink add_line, const ProjectActions& actions, ProductInfo product,
                                   QWidget* parent)
    : QWidget(parent), add_line_(add_line), product_(std::move(product)), commands_(port, std::move(add_line)) {
    BuildControls();
    InitConnections(actions);
    ApplyDefaults();
}

void GeneralAsciiPage::BuildControls() {
    auto* columns = new QHBoxLayout(this);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* list = new QWidget(scroll);
    auto* grid = new QGridLayout(list);
    grid->setVerticalSpacing(2);
    for (int n = 1; n <= kCommandCount; ++n) {
        Button_Command[n] = makeButton(list, QStringLiteral("Button_Command%1").arg(n), QStringLiteral("Command %1").arg(n));
        Edit_Command[n] = new QLineEdit(list);
        Edit_Command[n]->setObjectName(QStringLiteral("Edit_Command%1").arg(n));
        Edit_Command[n]->setMaxLength(static_cast<int>(kCommandTextMax));
        Edit_Command[n]->installEventFilter(this);
        grid->addWidget(Button_Command[n], n - 1, 0);
        grid->addWidget(Edit_Command[n], n - 1, 1);
    }
    grid->setColumnStretch(1, 1);
    scroll->setWidget(list);
    columns->addWidget(scroll, 3);

    auto* side = new QVBoxLayout;
    auto* current_row = new QHBoxLayout;
    current_row->addWidget(new QLabel(QStringLiteral("Current Command"), this));
    Label_CurrentCommandNo = new QLabel(QStringLiteral("0"), this);
    Label_CurrentCommandNo->setObjectName(QStringLiteral("Label_CurrentCommandNo"));
    current_row->addWidget(Label_CurrentCommandNo);
    current_row->addStretch();
    side->addLayout(current_row);

    auto* add_code = new QGroupBox(QStringLiteral("Add ASCII Code"), this);
    add_code->setObjectName(QStringLiteral("GroupBox_AddASCIICode"));
    auto* add_layout = new QGridLayout(add_code);
    Button_ASCIINUL = makeButton(add_code, QStringLiteral("Button_ASCIINUL"), QStringLiteral("<NUL> 0x0"));
    Button_ASCIILF = makeButton(add_code, QStringLiteral("Button_ASCIILF"), QStringLiteral("<LF> 0x0A"));
    Button_ASCIICR = makeButton(add_code, QStringLiteral("Button_ASCIICR"), QStringLiteral("<CR> 0x0D"));
    Button_ASCIIOther = makeButton(add_code, QStringLiteral("Button_ASCIIOther"), QStringLiteral("Add Other"));
    Edit_ASCIIOther = new QLineEdit(add_code);
    Edit_ASCIIOther->setObjectName(QStringLiteral("Edit_ASCIIOther"));
    Edit_ASCIIOther->setMaxLength(kAsciiOtherMax);
    add_layout->addWidget(Button_ASCIINUL, 0, 0);
    add_layout->addWidget(Button_ASCIILF, 0, 1);
    add_layout->addWidget(Button_ASCIICR, 0, 2);
    add_layout->addWidget(Button_ASCIIOther, 1, 0);
    add_layout->addWidget(new QLabel(QStringLiteral("0x"), add_code), 1, 1, Qt::AlignRight);
    add_layout->addWidget(Edit_ASCIIOther, 1, 2);
    side->addWidget(add_code);

    auto* reply = new QGroupBox(QStringLiteral("Reply Setting"), this);
    reply->setObjectName(QStringLiteral("GroupBox_ReplySetting"));
    auto* reply_layout = new QVBoxLayout(reply);
    RadioGroup_SendReply = new QGroupBox(QStringLiteral("Reply Method"), reply);
    RadioGroup_SendReply->setObjectName(QStringLiteral("RadioGroup_SendReply"));
    auto* method_layout = new QVBoxLayout(RadioGroup_SendReply);
    send_reply_buttons_ = new QButtonGroup(RadioGroup_SendReply);
    const char* methods[] = {"None", "Reply Receive", "Reply Command"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(methods[i]), RadioGroup_SendReply);
        radio->setObjectName(QStringLiteral("RadioGroup_SendReply_%1").arg(i));
        send_reply_buttons_->addButton(radio, i);
        method_layout->addWidget(radio);
    }
    reply_layout->addWidget(RadioGroup_SendReply);
    auto* number_row = new QHBoxLayout;
    number_row->addWidget(new QLabel(QStringLiteral("Reply Command"), reply));
    CSpinEdit_ReplyCommand = new QSpinBox(reply);
    CSpinEdit_ReplyCommand->setObjectName(QStringLiteral("CSpinEdit_ReplyCommand"));
    CSpinEdit_ReplyCommand->setRange(1, kCommandCount);
    number_row->addWidget(CSpinEdit_ReplyCommand);
    number_row->addStretch();
    reply_layout->addLayout(number_row);
    side->addWidget(reply);

    send_file_area_ = new QVBoxLayout;
    side->addLayout(send_file_area_);
    side->addStretch();
    columns->addLayout(side, 2);
}

void GeneralAsciiPage::InitConnections(const ProjectActions& actions) {
    for (int n = 1; n <= kCommandCount; ++n) {
        connect(Button_Command[n], &QPushButton::clicked, this, [this, n] { Button_CommandClick(n); });
        connect(Edit_Command[n], &QLineEdit::textChanged, this,
                [this, n](const QString& text) { Edit_CommandChange(n, text); });
        // Enter in a command line sends it, as its button does.
        connect(Edit_Command[n], &QLineEdit::returnPressed, this, [this, n] { Button_CommandClick(n); });
    }
    connect(Button_ASCIINUL, &QPushButton::clicked, this, &GeneralAsciiPage::Button_ASCIINULClick);
    connect(Button_ASCIILF, &QPushButton::clicked, this, &GeneralAsciiPage::Button_ASCIILFClick);
    connect(Button_ASCIICR, &QPushButton::clicked, this, &GeneralAsciiPage::Button_ASCIICRClick);
    connect(Button_ASCIIOther, &QPushButton::clicked, this, &GeneralAsciiPage::Button_ASCIIOtherClick);
    connect(send_reply_buttons_, &QButtonGroup::idClicked, this, &GeneralAsciiPage::RadioGroup_SendReplyClick);
    connect(CSpinEdit_ReplyCommand, &QSpinBox::valueChanged, this, &GeneralAsciiPage::CSpinEdit_ReplyCommandChange);

    if (actions.defualt)
        connect(actions.defualt, &QAction::triggered, this, &GeneralAsciiPage::GeneralASCIIDefualtClick);
    if (actions.load) connect(actions.load, &QAction::triggered, this, &GeneralAsciiPage::GeneralASCIILoadClick);
    if (actions.save) connect(actions.save, &QAction::triggered, this, &GeneralAsciiPage::GeneralASCIISaveClick);
    if (actions.save_as) connect(actions.save_as, &QAction::triggered, this, &GeneralAsciiPage::GeneralASCIIAsClick);
}

void GeneralAsciiPage::ApplyDefaults() {
    ResetCommands();
    SetCurrentCommand(0);
    CSpinEdit_ReplyCommand->setValue(1);
    CSpinEdit_ReplyCommandChange(1);
    send_reply_buttons_->button(kReplyNone)->setChecked(true);
    RadioGroup_SendReplyClick(kReplyNone);
    project_.directory = toPath(DefaultFileFolder());
    project_.name.clear();
}

bool GeneralAsciiPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int n = 1; n <= kCommandCount; ++n)
            if (watched == Edit_Command[n]) Edit_CommandClick(n);
    }
    return QWidget::eventFilter(watched, event);
}

void GeneralAsciiPage::ShowThisPage() {
    // A tab page sits in the tab widget's stack: the tab widget is a few parents up.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            tabs->setCurrentWidget(this);
            return;
        }
    }
}

void GeneralAsciiPage::SetCurrentCommand(int n) {
    if (n < 0 || n > kCommandCount) return;
    current_command_ = n;
    Label_CurrentCommandNo->setText(QString::number(n));
}

void GeneralAsciiPage::SendCommand(int n) {
    commands_.SendCommand(n);
}

void GeneralAsciiPage::AppendCommandText(int n, const std::string& text) {
    if (n >= 1 && n <= kCommandCount && !commands_.CommandRefusal(n).empty()) {
        // The line holds characters 8-bit text cannot: shown again from the table it
        // would lose them (and its refusal) to "?". The tag goes into the field instead.
        if (commands_.CommandText(n).size() + text.size() <= kCommandTextMax)
            Edit_Command[n]->setText(Edit_Command[n]->text() + QString::fromLatin1(text));
        return;
    }
    if (commands_.AppendCommandText(n, text)) ShowCommand(n);
}

void GeneralAsciiPage::ShowCommand(int n) {
    if (n < 1 || n > kCommandCount) return;
    Edit_Command[n]->setText(QString::fromLatin1(commands_.CommandText(n)));
}

void GeneralAsciiPage::ShowAllCommands() {
    for (int n = 1; n <= kCommandCount; ++n) ShowCommand(n);
}

void GeneralAsciiPage::ResetCommands() {
    for (int n = 1; n <= kCommandCount; ++n) {
        commands_.SetCommandText(n, {});
        ShowCommand(n);
    }
}

void GeneralAsciiPage::ClearAllCommands() {
    commands_.ClearAll();
    ShowAllCommands();
}

void GeneralAsciiPage::LoadCommandProjectFile(const std::string& path) {
    CommandLines lines;
    std::string reason;
    if (!LoadCommandProject(path, lines, &reason)) {
        // The commands stay as they were; the message says which file failed and why.
        dialogs().message(this, QString::fromLatin1(kProjectLoadFault) + QStringLiteral(" %1 (%2)").arg(
                                    QFile::decodeName(QByteArray::fromStdString(path)),
                                    QFile::decodeName(QByteArray::fromStdString(reason))));
        return;
    }
    add_line_(std::string(kFileOperatePrefix) + "Load General ASSIC File from " + path);
    ClearAllCommands();
    ShowThisPage();
    for (int n = 1; n <= kCommandCount; ++n) commands_.SetCommandText(n, lines[static_cast<std::size_t>(n - 1)]);
    ShowAllCommands();
}

void GeneralAsciiPage::SaveCommandProjectFile(const std::string& path) {
    const CommandLines commands = commands_.Commands();
    // A line with a character 8-bit text cannot hold would load back as "?".
    for (int n = 1; n <= kCommandCount; ++n) {
        if (std::string reason = commands_.CommandRefusal(n); !reason.empty()) {
            dialogs().message(this, QString::fromLatin1("Not saved: Command " + std::to_string(n) + ", " + reason));
            return;
        }
    }
    // A command the file could not give back is never dropped silently: say which.
    if (int unsavable = command_project_unsavable(commands); unsavable != 0) {
        dialogs().message(this, QString::fromLatin1(command_project_refusal(commands, unsavable)));
        return;
    }
    if (SaveCommandProject(path, commands, product_.type_number + " " + product_.version))
        add_line_(std::string(kFileOperatePrefix) + "Save General ASSIC File to " + path);
    else
        dialogs().message(this, QString::fromLatin1(kProjectSaveFault));
}

void GeneralAsciiPage::Button_CommandClick(int n) {
    SendCommand(n);
}

void GeneralAsciiPage::Edit_CommandChange(int n, const QString& text) {
    commands_.SetCommandText(n, toText(text));
    commands_.SetCommandRefusal(n, eight_bit_refusal(text.toStdU32String()));
}

void GeneralAsciiPage::Edit_CommandClick(int n) {
    SetCurrentCommand(n);
}

void GeneralAsciiPage::Button_ASCIINULClick() {
    AppendCommandText(current_command_, "<NUL>");
}

void GeneralAsciiPage::Button_ASCIILFClick() {
    AppendCommandText(current_command_, "<LF>");
}

void GeneralAsciiPage::Button_ASCIICRClick() {
    AppendCommandText(current_command_, "<CR>");
}

void GeneralAsciiPage::Button_ASCIIOtherClick() {
    std::string text = add_other_text(toText(Edit_ASCIIOther->text()));
    if (!text.empty()) AppendCommandText(current_command_, text);
}

void GeneralAsciiPage::RadioGroup_SendReplyClick(int index) {
    commands_.SetReplyMethod(index);
    CSpinEdit_ReplyCommand->setEnabled(index == kReplyCommand);
}

void GeneralAsciiPage::CSpinEdit_ReplyCommandChange(int value) {
    commands_.SetReplyCommand(value);
}

void GeneralAsciiPage::GeneralASCIIDefualtClick() {
    ClearAllCommands();
}

void GeneralAsciiPage::GeneralASCIILoadClick() {
    QString chosen = dialogs().OpenFileName(this, fromPath(project_.directory), fromPath(project_.name),
                                            QString::fromLatin1(kProjectLoadFilter));
    if (chosen.isEmpty()) return;
    project_.Choose(toPath(chosen));
    if (project_.name.empty()) return;
    LoadCommandProjectFile(project_.path());
    ShowAllCommands();
}

bool GeneralAsciiPage::OpenProject(const std::string& path) {
    if (!QFileInfo::exists(fromPath(path))) return false;
    project_.Choose(path);
    LoadCommandProjectFile(project_.path());
    ShowAllCommands();
    return true;
}

void GeneralAsciiPage::GeneralASCIISaveClick() {
    if (project_.name.empty()) {
        GeneralASCIIAsClick();
        return;
    }
    SaveCommandProjectFile(project_.path());
}

void GeneralAsciiPage::GeneralASCIIAsClick() {
    QString chosen = dialogs().SaveFileName(this, fromPath(project_.directory), fromPath(project_.name),
                                            QString::fromLatin1(kProjectSaveFilter));
    if (chosen.isEmpty()) return;
    project_.Choose(toPath(chosen));
    if (project_.name.empty()) {
        dialogs().message(this, QString::fromLatin1(kProjectNameEmpty));
        return;
    }
    SaveCommandProjectFile(project_.path());
}
