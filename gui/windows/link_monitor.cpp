#include "gui/windows/link_monitor.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QAction>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QStringList>
#include <QVBoxLayout>

#include "gui/main/dialog_seam.h"
#include "gui/main/find_bar.h"
#include "gui/main/line_store_model.h"
#include "gui/main/mailbox_pump.h"
#include "gui/main/message_list_menu.h"
#include "gui/main/message_list_view.h"

namespace {
// Lines that belong to no exchange carry no device ID.
constexpr std::int64_t kUntagged = -1;
} // namespace

TForm_LinkMonitor::TForm_LinkMonitor(MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : QDialog(parent), mailbox_(mailbox), link_(link) {
    setObjectName(QStringLiteral("Form_LinkMonitor"));
    setWindowTitle(QStringLiteral("Link Monitor"));
    setModal(false);
    BuildControls();
    InitConnections();
    lines_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) { ShowPosted(batch); });
}

TForm_LinkMonitor::~TForm_LinkMonitor() { link_.RemoveLinkLog(this); }

void TForm_LinkMonitor::BuildControls() {
    model_ = new LineStoreModel(log_.lines(), this);
    Memo_Monitor = new MessageListView(this);
    Memo_Monitor->setObjectName(QStringLiteral("Memo_Monitor"));
    Memo_Monitor->setModel(model_);
    Memo_Monitor->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Memo_Monitor->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Memo_Monitor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Monitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Monitor->setMinimumSize(560, 360);
    find_bar_ = new FindBar(log_.lines(), Memo_Monitor, this);
    auto* find = new QAction(QStringLiteral("Find…"), this);
    find->setObjectName(QStringLiteral("Action_FindLines"));
    find->setShortcut(QKeySequence::Find);
    connect(find, &QAction::triggered, find_bar_, &FindBar::Open);
    addAction(find);
    AddLineListMenu(Memo_Monitor, log_.lines(), {find});
    auto* lines = new QVBoxLayout;
    lines->addWidget(Memo_Monitor, 1);
    lines->addWidget(find_bar_);

    auto* filter_group = new QGroupBox(QStringLiteral("ID Filter"), this);
    filter_group->setObjectName(QStringLiteral("GroupBox_IDFilter"));
    CheckBox_IDFilter = new QCheckBox(QStringLiteral("ID Filter Enabled"), filter_group);
    CheckBox_IDFilter->setObjectName(QStringLiteral("CheckBox_IDFilter"));
    auto* filter_label = new QLabel(QStringLiteral("Filter No"), filter_group);
    filter_label->setObjectName(QStringLiteral("Label_FilterNo"));
    CSpinEdit_IDFilter = new QSpinBox(filter_group);
    CSpinEdit_IDFilter->setObjectName(QStringLiteral("CSpinEdit_IDFilter"));
    CSpinEdit_IDFilter->setRange(LinkMonitorLog::kFilterMin, LinkMonitorLog::kFilterMax);
    CSpinEdit_IDFilter->setValue(LinkMonitorLog::kFilterDefault);
    CSpinEdit_IDFilter->setEnabled(false);
    auto* filter_number_row = new QHBoxLayout;
    filter_number_row->addWidget(filter_label);
    filter_number_row->addWidget(CSpinEdit_IDFilter);
    auto* filter_layout = new QVBoxLayout(filter_group);
    filter_layout->addWidget(CheckBox_IDFilter);
    filter_layout->addLayout(filter_number_row);

    auto* operate_group = new QGroupBox(QStringLiteral("Operate"), this);
    operate_group->setObjectName(QStringLiteral("GroupBox_Operate"));
    Button_Clear = new QPushButton(QStringLiteral("Clear"), operate_group);
    Button_Clear->setObjectName(QStringLiteral("Button_Clear"));
    Button_Save = new QPushButton(QStringLiteral("Save"), operate_group);
    Button_Save->setObjectName(QStringLiteral("Button_Save"));
    Button_Pause = new QPushButton(QStringLiteral("Pause"), operate_group);
    Button_Pause->setObjectName(QStringLiteral("Button_Pause"));
    auto* operate_layout = new QVBoxLayout(operate_group);
    operate_layout->addWidget(Button_Clear);
    operate_layout->addWidget(Button_Save);
    operate_layout->addWidget(Button_Pause);

    auto* line_label = new QLabel(QStringLiteral("Line"), this);
    line_label->setObjectName(QStringLiteral("Label_Line"));
    Label_LineCounter = new QLabel(QStringLiteral("0"), this);
    Label_LineCounter->setObjectName(QStringLiteral("Label_LineCounter"));
    auto* counter_row = new QHBoxLayout;
    counter_row->addWidget(line_label);
    counter_row->addWidget(Label_LineCounter, 1);

    auto* info_group = new QGroupBox(QStringLiteral("Info"), this);
    info_group->setObjectName(QStringLiteral("GroupBox_Info"));
    Label1 = new QLabel(QStringLiteral("Label1"), info_group);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* info_layout = new QVBoxLayout(info_group);
    info_layout->addWidget(Label1);

    Button_Exit = new QPushButton(QStringLiteral("Exit"), this);
    Button_Exit->setObjectName(QStringLiteral("Button_Exit"));
    Button_Exit->setAutoDefault(false);
    for (QPushButton* button : {Button_Clear, Button_Save, Button_Pause}) button->setAutoDefault(false);

    auto* side = new QVBoxLayout;
    side->addWidget(filter_group);
    side->addWidget(operate_group);
    side->addLayout(counter_row);
    side->addWidget(info_group);
    side->addStretch(1);
    side->addWidget(Button_Exit);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(lines, 1);
    layout->addLayout(side);
}

void TForm_LinkMonitor::InitConnections() {
    connect(Button_Clear, &QPushButton::clicked, this, &TForm_LinkMonitor::Button_ClearClick);
    connect(Button_Save, &QPushButton::clicked, this, &TForm_LinkMonitor::Button_SaveClick);
    connect(Button_Pause, &QPushButton::clicked, this, &TForm_LinkMonitor::Button_PauseClick);
    connect(Button_Exit, &QPushButton::clicked, this, &TForm_LinkMonitor::Button_ExitClick);
    connect(CheckBox_IDFilter, &QCheckBox::clicked, this, &TForm_LinkMonitor::CheckBox_IDFilterClick);
    connect(CSpinEdit_IDFilter, &QSpinBox::valueChanged, this, &TForm_LinkMonitor::CSpinEdit_IDFilterChange);
}

void TForm_LinkMonitor::AddIdLine(std::uint32_t id, const std::string& text) {
    if (open_.load()) mailbox_.Post(lines_box_.box(), text, id);
}

void TForm_LinkMonitor::AddLine(const std::string& text) {
    if (open_.load()) mailbox_.Post(lines_box_.box(), text, kUntagged);
}

void TForm_LinkMonitor::FlushPending() { mailbox_.DeliverNow(); }

void TForm_LinkMonitor::ShowPosted(std::span<Letter> batch) {
    if (!open_.load()) return;
    for (Letter& letter : batch) {
        if (letter.number == kUntagged)
            log_.AddLine(std::move(letter.text));
        else
            log_.AddIdLine(static_cast<std::uint32_t>(letter.number), std::move(letter.text));
    }
    const LinkMonitorLog::Changes changes = log_.TakeChanges();
    if (changes.appended == 0) return;
    // The view follows new lines while it shows its end; a found line stays in sight.
    const QScrollBar* bar = Memo_Monitor->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    model_->Follow(changes.dropped, changes.appended);
    if (following) Memo_Monitor->scrollToBottom();
    ShowCounter();
}

void TForm_LinkMonitor::ShowCounter() { Label_LineCounter->setText(QString::number(log_.counter())); }

void TForm_LinkMonitor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm_LinkMonitor::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TForm_LinkMonitor::FormShow() {
    // Lines posted while the monitor was closed are dropped as they arrive.
    FlushPending();
    log_.Reset();
    open_.store(true);
    model_->Reset();
    ShowCounter();
    Button_Pause->setText(QStringLiteral("Pause"));
    CheckBox_IDFilter->setChecked(false);
    CSpinEdit_IDFilter->setEnabled(false);
    CSpinEdit_IDFilter->setValue(LinkMonitorLog::kFilterDefault);
}

void TForm_LinkMonitor::FormClose() {
    open_.store(false);
    log_.ClearLines();
    model_->Reset();
}

void TForm_LinkMonitor::Button_ClearClick() {
    FlushPending(); // lines posted before the click go with the clear
    log_.Clear();
    model_->Reset();
    ShowCounter();
}

void TForm_LinkMonitor::Button_PauseClick() {
    // Lines posted before a change of pause or filter are decided by the old setting.
    FlushPending();
    const bool paused = log_.TogglePause();
    Button_Pause->setText(paused ? QStringLiteral("Continue") : QStringLiteral("Pause"));
}

void TForm_LinkMonitor::CheckBox_IDFilterClick() {
    FlushPending();
    const bool checked = CheckBox_IDFilter->isChecked();
    log_.SetFilterEnabled(checked);
    CSpinEdit_IDFilter->setEnabled(checked);
}

void TForm_LinkMonitor::CSpinEdit_IDFilterChange(int value) {
    FlushPending();
    log_.SetFilterNumber(value);
}

void TForm_LinkMonitor::Button_SaveClick() {
    const QString chosen = dialogs().SaveFileName(this, save_folder_, save_name_, QString());
    if (chosen.isEmpty()) return;
    FlushPending();
    const QFileInfo info(chosen);
    save_folder_ = info.absolutePath();
    save_name_ = info.fileName();
    const std::string path = link_monitor_save_path(chosen.toStdString());
    std::string reason;
    if (!link_monitor_save(log_, path, reason))
        dialogs().message(this, QString::fromStdString(path) + QStringLiteral(" : ") + QString::fromStdString(reason));
}

void TForm_LinkMonitor::Button_ExitClick() { close(); }
