#include "gui/main/receive_settings_panel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "core/terminal/program_settings.h"
#include "core/terminal/receive_pipeline.h"
#include "gui/main/mailbox_pump.h"

namespace {
// The "Other" terminator field holds up to four hex pairs.
constexpr int kLineControlOtherMax = 8;
constexpr int kDefaultChangeLineWait = 200;

// A titled group of radio buttons; the button group's ids are the item indexes.
QGroupBox* makeRadioGroup(QWidget* parent, const char* name, const char* caption,
                          std::initializer_list<const char*> items, QButtonGroup*& buttons) {
    auto* group = new QGroupBox(QString::fromLatin1(caption), parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* layout = new QVBoxLayout(group);
    buttons = new QButtonGroup(group);
    int index = 0;
    for (const char* item : items) {
        auto* radio = new QRadioButton(QString::fromLatin1(item), group);
        radio->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(name)).arg(index));
        buttons->addButton(radio, index++);
        layout->addWidget(radio);
    }
    return group;
}
} // namespace

ReceiveSettingsPanel::ReceiveSettingsPanel(ReceivePipeline& pipeline, MailboxPump& mailbox, QWidget* parent)
    : QWidget(parent), pipeline_(pipeline), mailbox_(mailbox) {
    setObjectName(QStringLiteral("Panel_ReceiveSettings"));
    BuildControls();
    InitConnections();
    ApplyDefaults();
    // The letter only says the length changed; the newest one is shown, so a letter
    // still on its way when receiving stopped shows the reset 0.
    length_box_ = mailbox_.AddReceiver(
        [this](std::span<Letter>) { Label_ReceiveLength->setText(QString::number(posted_length_.load())); });
}

void ReceiveSettingsPanel::BuildControls() {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    auto* receive = new QGroupBox(QStringLiteral("Receive"), this);
    receive->setObjectName(QStringLiteral("GroupBox_Receive"));
    auto* receive_layout = new QVBoxLayout(receive);
    RadioGroup_ReceiveMessageMode = makeRadioGroup(receive, "RadioGroup_ReceiveMessageMode", "Mode",
                                                   {"None", "ASCII", "Hex"}, receive_mode_buttons_);
    receive_layout->addWidget(RadioGroup_ReceiveMessageMode);
    CheckBox_TimeStamp = new QCheckBox(QStringLiteral("Time"), receive);
    CheckBox_TimeStamp->setObjectName(QStringLiteral("CheckBox_TimeStamp"));
    CheckBox_TimeStamp->setToolTip(QStringLiteral("Each line starts with the time its first byte was read"));
    receive_layout->addWidget(CheckBox_TimeStamp);
    CheckBox_QLPFilter = new QCheckBox(QStringLiteral("QLP Filter"), receive);
    CheckBox_QLPFilter->setObjectName(QStringLiteral("CheckBox_QLPFilter"));
    receive_layout->addWidget(CheckBox_QLPFilter);
    auto* length_row = new QHBoxLayout;
    length_row->addWidget(new QLabel(QStringLiteral("Last Length"), receive));
    Label_ReceiveLength = new QLabel(QStringLiteral("0"), receive);
    Label_ReceiveLength->setObjectName(QStringLiteral("Label_ReceiveLength"));
    Label_ReceiveLength->setFixedWidth(Label_ReceiveLength->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    length_row->addWidget(Label_ReceiveLength);
    length_row->addStretch();
    receive_layout->addLayout(length_row);
    row->addWidget(receive);

    auto* line_control = new QGroupBox(QStringLiteral("Line Control"), this);
    line_control->setObjectName(QStringLiteral("GroupBox_LineControl"));
    auto* line_layout = new QHBoxLayout(line_control);
    RadioGroup_LineControlMode =
        makeRadioGroup(line_control, "RadioGroup_LineControlMode", "Mode",
                       {"<NUL> 0x0", "<CR> 0x0D", "<LF> 0x0A", "<CR><LF>", "Other"}, line_control_buttons_);
    line_layout->addWidget(RadioGroup_LineControlMode);

    auto* right = new QVBoxLayout;
    auto* other_row = new QHBoxLayout;
    other_row->addWidget(new QLabel(QStringLiteral("0x"), line_control));
    Edit_LineControlOther = new QLineEdit(line_control);
    Edit_LineControlOther->setObjectName(QStringLiteral("Edit_LineControlOther"));
    Edit_LineControlOther->setMaxLength(kLineControlOtherMax);
    other_row->addWidget(Edit_LineControlOther);
    right->addLayout(other_row);

    auto* change_line = new QGroupBox(QStringLiteral("Change Line"), line_control);
    change_line->setObjectName(QStringLiteral("GroupBox_ChangeLine"));
    auto* change_layout = new QVBoxLayout(change_line);
    CheckBox_ChangeLine = new QCheckBox(QStringLiteral("Enabled"), change_line);
    CheckBox_ChangeLine->setObjectName(QStringLiteral("CheckBox_ChangeLine"));
    change_layout->addWidget(CheckBox_ChangeLine);
    change_layout->addWidget(new QLabel(QStringLiteral("Change Line Wait"), change_line));
    auto* wait_row = new QHBoxLayout;
    CSpinEdit_ReceiveWaitTime = new QSpinBox(change_line);
    CSpinEdit_ReceiveWaitTime->setObjectName(QStringLiteral("CSpinEdit_ReceiveWaitTime"));
    CSpinEdit_ReceiveWaitTime->setRange(0, kChangeLineWaitMax);
    wait_row->addWidget(CSpinEdit_ReceiveWaitTime);
    wait_row->addWidget(new QLabel(QStringLiteral("ms"), change_line));
    change_layout->addLayout(wait_row);
    right->addWidget(change_line);
    right->addStretch();
    line_layout->addLayout(right);
    row->addWidget(line_control);
    row->addStretch();

    Timer_ChangeLineWait = new QTimer(this);
    Timer_ChangeLineWait->setObjectName(QStringLiteral("Timer_ChangeLineWait"));
}

void ReceiveSettingsPanel::InitConnections() {
    connect(receive_mode_buttons_, &QButtonGroup::idClicked, this,
            &ReceiveSettingsPanel::RadioGroup_ReceiveMessageModeClick);
    connect(line_control_buttons_, &QButtonGroup::idClicked, this,
            &ReceiveSettingsPanel::RadioGroup_LineControlModeClick);
    connect(Edit_LineControlOther, &QLineEdit::textChanged, this, &ReceiveSettingsPanel::Edit_LineControlOtherChange);
    connect(CheckBox_ChangeLine, &QCheckBox::toggled, this, &ReceiveSettingsPanel::CheckBox_ChangeLineClick);
    connect(CSpinEdit_ReceiveWaitTime, &QSpinBox::valueChanged, this,
            &ReceiveSettingsPanel::CSpinEdit_ReceiveWaitTimeChange);
    connect(Timer_ChangeLineWait, &QTimer::timeout, this, &ReceiveSettingsPanel::Timer_ChangeLineWaitTimer);
    connect(CheckBox_QLPFilter, &QCheckBox::toggled, this, &ReceiveSettingsPanel::CheckBox_QLPFilterClick);
    connect(CheckBox_TimeStamp, &QCheckBox::toggled, this, [this](bool on) { pipeline_.SetTimeStamps(on); });
}

void ReceiveSettingsPanel::ApplyDefaults() {
    CheckBox_QLPFilter->setChecked(false);
    CheckBox_QLPFilterClick();
    CheckBox_TimeStamp->setChecked(false);
    pipeline_.SetTimeStamps(false);
    receive_mode_buttons_->button(kReceiveModeAscii)->setChecked(true);
    RadioGroup_ReceiveMessageModeClick(kReceiveModeAscii);
    CSpinEdit_ReceiveWaitTime->setValue(kDefaultChangeLineWait);
    CSpinEdit_ReceiveWaitTimeChange(kDefaultChangeLineWait);
    line_control_buttons_->button(kLineControlNul)->setChecked(true);
    RadioGroup_LineControlModeClick(kLineControlNul);
    Edit_LineControlOther->clear();
    CheckBox_ChangeLine->setChecked(false);
    CheckBox_ChangeLineClick();
}

void ReceiveSettingsPanel::Store(ProgramSettings& settings) const {
    settings.receive_mode = receive_mode_buttons_->checkedId();
    settings.qlp_filter = CheckBox_QLPFilter->isChecked();
    settings.line_control_mode = line_control_buttons_->checkedId();
    settings.line_control_other = Edit_LineControlOther->text().toLatin1().toStdString();
    settings.change_line_wait = CSpinEdit_ReceiveWaitTime->value();
    settings.change_line_enabled = CheckBox_ChangeLine->isChecked();
}

void ReceiveSettingsPanel::Restore(const ProgramSettings& settings) {
    CheckBox_QLPFilter->setChecked(settings.qlp_filter);
    CheckBox_QLPFilterClick();
    if (QAbstractButton* mode = receive_mode_buttons_->button(settings.receive_mode)) {
        mode->setChecked(true);
        RadioGroup_ReceiveMessageModeClick(settings.receive_mode);
    }
    CSpinEdit_ReceiveWaitTime->setValue(settings.change_line_wait);
    CSpinEdit_ReceiveWaitTimeChange(CSpinEdit_ReceiveWaitTime->value());
    Edit_LineControlOther->setText(QString::fromLatin1(settings.line_control_other));
    if (QAbstractButton* mode = line_control_buttons_->button(settings.line_control_mode)) {
        mode->setChecked(true);
        RadioGroup_LineControlModeClick(settings.line_control_mode);
    }
    CheckBox_ChangeLine->setChecked(settings.change_line_enabled);
    CheckBox_ChangeLineClick();
}

void ReceiveSettingsPanel::RadioGroup_ReceiveMessageModeClick(int index) {
    pipeline_.SetReceiveMode(index);
}

void ReceiveSettingsPanel::RadioGroup_LineControlModeClick(int index) {
    Edit_LineControlOther->setEnabled(index == kLineControlOther);
    pipeline_.SetLineControlMode(index, Edit_LineControlOther->text().toLatin1().toStdString());
    ShowOtherValidity();
}

void ReceiveSettingsPanel::Edit_LineControlOtherChange(const QString& text) {
    pipeline_.SetLineControlOther(text.toLatin1().toStdString());
    ShowOtherValidity();
}

void ReceiveSettingsPanel::ShowOtherValidity() {
    const bool valid = pipeline_.other_valid();
    QPalette palette = Edit_LineControlOther->palette();
    const QColor colour = valid ? QApplication::palette().color(QPalette::Text) : QColor(255, 0, 0);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Text, colour);
    Edit_LineControlOther->setPalette(palette);
    Edit_LineControlOther->setToolTip(valid ? QString()
                                            : QStringLiteral("Not hex pairs: the terminator in use stays"));
}

void ReceiveSettingsPanel::CheckBox_ChangeLineClick() {
    CSpinEdit_ReceiveWaitTime->setEnabled(CheckBox_ChangeLine->isChecked());
    UpdateTimer();
}

void ReceiveSettingsPanel::CSpinEdit_ReceiveWaitTimeChange(int value) {
    pipeline_.SetChangeLineWait(value);
    UpdateTimer();
}

void ReceiveSettingsPanel::UpdateTimer() {
    // A period of 0 stops the timer; otherwise it runs while "Enabled" is ticked and
    // each change starts its phase anew.
    int wait = CSpinEdit_ReceiveWaitTime->value();
    if (CheckBox_ChangeLine->isChecked() && wait > 0)
        Timer_ChangeLineWait->start(wait);
    else
        Timer_ChangeLineWait->stop();
}

void ReceiveSettingsPanel::Timer_ChangeLineWaitTimer() {
    pipeline_.MarkWaitElapsed();
}

void ReceiveSettingsPanel::CheckBox_QLPFilterClick() {
    pipeline_.SetQlpFilter(CheckBox_QLPFilter->isChecked());
}

void ReceiveSettingsPanel::PostLastLength(std::int32_t length) {
    // The label already shows (or is about to show) this length: nothing to wake the GUI for.
    if (posted_length_.exchange(length) == length) return;
    mailbox_.Queue(length_box_.box());
}

void ReceiveSettingsPanel::ResetLastLength() {
    // A showing still queued from the stopped thread then shows 0 as well.
    posted_length_.store(0);
    Label_ReceiveLength->setText(QStringLiteral("0"));
}
