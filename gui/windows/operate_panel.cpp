#include "gui/windows/operate_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "core/protocol/zum_exchange.h"
#include "gui/main/mailbox_pump.h"
#include "gui/windows/trend_window.h"

namespace {

// Once a second, the steps run in that second.
constexpr int kSystemIntervalMs = 1000;
// Below this a coarse timer's slack would noticeably slow the poll.
constexpr int kPreciseBelowMs = 20;

QString fromStd(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList itemsOf(const std::string& list) {
    QStringList items = fromStd(list).split(QStringLiteral("\r\n"));
    if (!items.isEmpty() && items.last().isEmpty()) items.removeLast();
    return items;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

OperatePanel::OperatePanel(const DeviceFamily& family, MailboxPump& mailbox, ZumLink& link, QWidget* parent)
    : QDialog(parent), family_(family), mailbox_(mailbox), link_(link), engine_(family, *this, *this) {
    const QString name = QString::fromLatin1(family.name);
    setObjectName(QStringLiteral("Form_") + name + QStringLiteral("Operate"));
    setWindowTitle(name + QStringLiteral(" Operate"));
    worker_ = std::make_unique<StepWorker>([this] { link_.Flush(); });
    results_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) { ApplyResults(batch); });
    trend_ = new TForm_Trend(name + QStringLiteral(" Trend"), this);
    engine_.SetReadingSink([this](const PanelReading& reading) { trend_->AddReading(reading); });
    BuildControls();
    InitConnections();
}

OperatePanel::~OperatePanel() {
    // An exchange still running ends within its budget; its result is not applied.
    worker_.reset();
}

void OperatePanel::SetDeviceRecord(int id, std::int32_t model, std::span<const Rd24Channel> channels) {
    engine_.SetDevice(id, model, channels);
}

void OperatePanel::SetDefaultDevice(int id) {
    const std::array<Rd24Channel, kPanelChannelMax> blank{};
    SetDeviceRecord(id, 0, std::span(blank).first(static_cast<std::size_t>(family_.channel_count)));
}

void OperatePanel::BuildControls() {
    auto* channel_grid = new QGridLayout;
    const int count = family_.channel_count;
    const int columns = (count + 1) / 2;
    for (int n = 0; n < count; ++n) {
        channels_[static_cast<std::size_t>(n)] = buildChannelControls(this, n + 1);
        channel_grid->addWidget(channels_[static_cast<std::size_t>(n)].cell, n / columns, n % columns);
    }

    auto* info = new QGroupBox(QStringLiteral("Device Info"), this);
    info->setObjectName(QStringLiteral("GroupBox_DeviceInfo"));
    ComboBox_Type = new QComboBox(info);
    ComboBox_Type->setObjectName(QStringLiteral("ComboBox_Type"));
    ComboBox_Type->setEditable(true);
    ComboBox_Type->setInsertPolicy(QComboBox::NoInsert);
    auto* info_layout = new QHBoxLayout(info);
    info_layout->addWidget(new QLabel(QStringLiteral("Type"), info));
    info_layout->addWidget(ComboBox_Type, 1);

    auto* status = new QGroupBox(QStringLiteral("Status"), this);
    status->setObjectName(QStringLiteral("GroupBox_Status"));
    CSpinEdit_ID = new QSpinBox(status);
    CSpinEdit_ID->setObjectName(QStringLiteral("CSpinEdit_ID"));
    CSpinEdit_ID->setRange(0, 255);
    Edit_Online = makeLamp(status, QStringLiteral("Edit_Online"));
    auto* status_layout = new QGridLayout(status);
    status_layout->addWidget(new QLabel(QStringLiteral("ID"), status), 0, 0);
    status_layout->addWidget(CSpinEdit_ID, 0, 1);
    status_layout->addWidget(new QLabel(QStringLiteral("Online"), status), 1, 0);
    status_layout->addWidget(Edit_Online, 1, 1);

    auto* operate = new QGroupBox(QStringLiteral("Operate"), this);
    operate->setObjectName(QStringLiteral("GroupBox_Operate"));
    CSpinEdit_DetectTime = new QSpinBox(operate);
    CSpinEdit_DetectTime->setObjectName(QStringLiteral("CSpinEdit_DetectTime"));
    CSpinEdit_DetectTime->setRange(PollEngine::kDetectTimeMin, PollEngine::kDetectTimeMax);
    CSpinEdit_DetectTime->setValue(PollEngine::kDetectTimeDefault);
    LabelLabel_DetectCounter = new QLabel(QStringLiteral("0"), operate);
    LabelLabel_DetectCounter->setObjectName(QStringLiteral("LabelLabel_DetectCounter"));
    Edit_DetectStatus = makeLamp(operate, QStringLiteral("Edit_DetectStatus"));
    Label_DetectStatus = new QLabel(operate);
    Label_DetectStatus->setObjectName(QStringLiteral("Label_DetectStatus"));
    Label_DetectStatus->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Function Code Reply Error!")));
    CheckBox_ForceDisplay = new QCheckBox(QStringLiteral("Force Display"), operate);
    CheckBox_ForceDisplay->setObjectName(QStringLiteral("CheckBox_ForceDisplay"));
    Button_LinkMonitor = makeButton(operate, "Button_LinkMonitor", "Link Monitor");
    Button_Trend = makeButton(operate, "Button_Trend", "Trend");
    auto* operate_layout = new QGridLayout(operate);
    operate_layout->addWidget(new QLabel(QStringLiteral("Detect Time"), operate), 0, 0);
    operate_layout->addWidget(CSpinEdit_DetectTime, 0, 1);
    operate_layout->addWidget(new QLabel(QStringLiteral("ms"), operate), 0, 2);
    operate_layout->addWidget(new QLabel(QStringLiteral("Counter"), operate), 1, 0);
    operate_layout->addWidget(LabelLabel_DetectCounter, 1, 1);
    operate_layout->addWidget(Edit_DetectStatus, 2, 0);
    operate_layout->addWidget(Label_DetectStatus, 2, 1, 1, 2);
    operate_layout->addWidget(CheckBox_ForceDisplay, 3, 0, 1, 3);
    operate_layout->addWidget(Button_LinkMonitor, 4, 0, 1, 3);
    operate_layout->addWidget(Button_Trend, 5, 0, 1, 3);

    Button_Exit = makeButton(this, "Button_Exit", "Exit");

    auto* side = new QVBoxLayout;
    side->addWidget(info);
    side->addWidget(status);
    side->addWidget(operate);
    side->addStretch(1);
    side->addWidget(Button_Exit);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(channel_grid, 1);
    layout->addLayout(side);

    Timer_DetectTime = new QTimer(this);
    Timer_DetectTime->setObjectName(QStringLiteral("Timer_DetectTime"));
    Timer_System = new QTimer(this);
    Timer_System->setObjectName(QStringLiteral("Timer_System"));
    Timer_System->setInterval(kSystemIntervalMs);
}

void OperatePanel::InitConnections() {
    connect(Timer_DetectTime, &QTimer::timeout, this, &OperatePanel::Timer_DetectTimeTimer);
    connect(Timer_System, &QTimer::timeout, this, &OperatePanel::Timer_SystemTimer);
    // The user's picks and typing only; the window's own selections change nothing.
    connect(ComboBox_Type, &QComboBox::textActivated, this, &OperatePanel::ComboBox_TypeChange);
    connect(ComboBox_Type->lineEdit(), &QLineEdit::textEdited, this, &OperatePanel::ComboBox_TypeChange);
    connect(CSpinEdit_ID, &QSpinBox::valueChanged, this, &OperatePanel::CSpinEdit_IDChange);
    connect(CSpinEdit_DetectTime, &QSpinBox::valueChanged, this, &OperatePanel::CSpinEdit_DetectTimeChange);
    connect(CheckBox_ForceDisplay, &QCheckBox::clicked, this, &OperatePanel::CheckBox_ForceDisplayClick);
    connect(Button_LinkMonitor, &QPushButton::clicked, this, &OperatePanel::Button_LinkMonitorClick);
    connect(Button_Trend, &QPushButton::clicked, this, &OperatePanel::Button_TrendClick);
    connect(Button_Exit, &QPushButton::clicked, this, &OperatePanel::Button_ExitClick);
    for (int n = 0; n < family_.channel_count; ++n) {
        const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
        auto adType = [this, n](const QString& text) { ComboBox_CHADTypeChange(n, text); };
        auto daType = [this, n](const QString& text) { ComboBox_CHDATypeChange(n, text); };
        connect(c.combo_ad_type, &QComboBox::textActivated, this, adType);
        connect(c.combo_ad_type->lineEdit(), &QLineEdit::textEdited, this, adType);
        connect(c.combo_da_type, &QComboBox::textActivated, this, daType);
        connect(c.combo_da_type->lineEdit(), &QLineEdit::textEdited, this, daType);
        connect(c.spin_da, &QSpinBox::valueChanged, this, [this, n] { CSpinEdit_CHDAChange(n); });
        connect(c.button_da, &QPushButton::clicked, this, [this, n] { Button_CHDAClick(n); });
        connect(c.button_do, &QPushButton::clicked, this, [this, n] { Button_CHDOClick(n); });
    }
}

void OperatePanel::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void OperatePanel::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void OperatePanel::FormShow() {
    {
        const QSignalBlocker blocker(ComboBox_Type);
        ComboBox_Type->clear();
        ComboBox_Type->addItems(itemsOf(family_.model_list()));
    }
    trend_->Restart();
    engine_.Show();
}

void OperatePanel::FormClose() { engine_.Close(); }

// One step per tick, and only one in flight: a tick that comes while the step's
// exchange still runs does nothing, as if the window had been blocked in it.
void OperatePanel::Timer_DetectTimeTimer() {
    // A step whose exchange has ended is applied now rather than with the mailbox's
    // next batch, so short detect times are not held to the drawing cadence.
    if (engine_.step_in_flight()) mailbox_.DeliverNow();
    if (engine_.step_in_flight() || worker_->busy()) return;
    const std::optional<PollStep> step = engine_.BeginStep();
    if (!step) return;
    const std::uint64_t ticket = engine_.ticket();
    const int box = results_box_.box();
    worker_->Submit([this, step = *step, ticket, box] {
        StepOutcome outcome = RunPanelStep(link_, family_.operations, step);
        outcome.finished = std::chrono::steady_clock::now();
        mailbox_.Post(box, PackOutcome(outcome), static_cast<std::int64_t>(ticket));
    });
}

void OperatePanel::ApplyResults(std::span<Letter> batch) {
    for (const Letter& letter : batch) {
        StepOutcome outcome;
        if (UnpackOutcome(letter.text, outcome)) engine_.FinishStep(static_cast<std::uint64_t>(letter.number), outcome);
    }
}

void OperatePanel::Timer_SystemTimer() { engine_.SystemTick(); }

void OperatePanel::ComboBox_TypeChange(const QString& text) { engine_.ChangeModel(text.toStdString()); }

void OperatePanel::CSpinEdit_IDChange(int value) { engine_.ChangeId(value); }

void OperatePanel::CSpinEdit_DetectTimeChange(int value) { engine_.ChangeDetectTime(value); }

void OperatePanel::CheckBox_ForceDisplayClick() { engine_.SetForceDisplay(CheckBox_ForceDisplay->isChecked()); }

void OperatePanel::ComboBox_CHADTypeChange(int n, const QString& text) { engine_.ChangeAdType(n, text.toStdString()); }

void OperatePanel::ComboBox_CHDATypeChange(int n, const QString& text) { engine_.ChangeDaType(n, text.toStdString()); }

void OperatePanel::CSpinEdit_CHDAChange(int n) { engine_.DaCodeEdited(n); }

void OperatePanel::Button_CHDAClick(int n) {
    engine_.PressDaSet(n, channels_[static_cast<std::size_t>(n)].spin_da->value());
}

void OperatePanel::Button_CHDOClick(int n) { engine_.PressDoToggle(n); }

// The monitor is given this panel as its parent while the panel shows it: a modal
// panel leaves only its own windows usable.
void OperatePanel::Button_LinkMonitorClick() {
    if (!link_monitor_) return;
    if (link_monitor_->parentWidget() != this) link_monitor_->setParent(this, link_monitor_->windowFlags());
    if (!link_monitor_->isVisible()) {
        const QWidget* over = parentWidget() ? parentWidget()->window() : this;
        QRect frame = link_monitor_->frameGeometry();
        frame.moveCenter(over->frameGeometry().center());
        link_monitor_->move(frame.topLeft());
    }
    link_monitor_->show();
    link_monitor_->raise();
    link_monitor_->activateWindow();
}

void OperatePanel::Button_TrendClick() {
    trend_->show();
    trend_->raise();
    trend_->activateWindow();
}

void OperatePanel::Button_ExitClick() { close(); }

void OperatePanel::SetDetectTimer(bool running, int interval_ms) {
    if (!running) {
        Timer_DetectTime->stop();
        return;
    }
    Timer_DetectTime->setTimerType(interval_ms < kPreciseBelowMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    Timer_DetectTime->start(interval_ms);
}

void OperatePanel::SetSystemTimer(bool running) {
    if (running)
        Timer_System->start();
    else
        Timer_System->stop();
}

void OperatePanel::ShowSettings(int detect_time_ms, bool force_display) {
    const QSignalBlocker spin(CSpinEdit_DetectTime);
    const QSignalBlocker box(CheckBox_ForceDisplay);
    CSpinEdit_DetectTime->setValue(detect_time_ms);
    CheckBox_ForceDisplay->setChecked(force_display);
}

void OperatePanel::ShowDetectStatus(const std::string& text) { Label_DetectStatus->setText(fromStd(text)); }

void OperatePanel::ShowDetectLamp(Lamp lamp) { setLamp(Edit_DetectStatus, lamp); }

void OperatePanel::ShowOnline(Lamp lamp) { setLamp(Edit_Online, lamp); }

void OperatePanel::ShowDetectCounter(int steps) { LabelLabel_DetectCounter->setText(QString::number(steps)); }

void OperatePanel::ShowModel(int model) {
    const QSignalBlocker blocker(ComboBox_Type);
    ComboBox_Type->setCurrentIndex(model >= 0 && model < ComboBox_Type->count() ? model : 0);
}

void OperatePanel::ShowId(int id) {
    const QSignalBlocker blocker(CSpinEdit_ID);
    CSpinEdit_ID->setValue(id);
}

void OperatePanel::ShowGroup(int n, ChannelKind kind) { channels_[static_cast<std::size_t>(n)].ShowGroup(kind); }

void OperatePanel::ShowDi(int n, bool on) {
    setLamp(channels_[static_cast<std::size_t>(n)].edit_di, on ? Lamp::kGreen : Lamp::kWindow);
}

void OperatePanel::ShowDo(int n, bool on) {
    setLamp(channels_[static_cast<std::size_t>(n)].edit_do, on ? Lamp::kGreen : Lamp::kWindow);
}

void OperatePanel::ShowAdType(int n, int type, const std::string& unit) {
    const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
    const QSignalBlocker blocker(c.combo_ad_type);
    c.combo_ad_type->setCurrentIndex(type);
    c.label_ad_unit->setText(fromStd(unit));
}

void OperatePanel::ShowAdReading(int n, const std::string& raw, const std::string& value) {
    const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
    c.edit_ad->setText(fromStd(raw));
    c.edit_ad_value->setText(fromStd(value));
}

void OperatePanel::ShowDaType(int n, int type, const std::string& unit) {
    const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
    const QSignalBlocker blocker(c.combo_da_type);
    c.combo_da_type->setCurrentIndex(type);
    c.label_da_unit->setText(fromStd(unit));
}

void OperatePanel::ShowDaSetCode(int n, int code) {
    const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
    const QSignalBlocker blocker(c.spin_da);
    c.spin_da->setValue(code);
}

void OperatePanel::ShowDaReadBack(int n, const std::string& raw, const std::string& value) {
    const ChannelControls& c = channels_[static_cast<std::size_t>(n)];
    c.edit_dac->setText(fromStd(raw));
    c.edit_da_value->setText(fromStd(value));
}

void OperatePanel::ShowDaReadBackLamp(int n, Lamp lamp) { setLamp(channels_[static_cast<std::size_t>(n)].edit_dac, lamp); }

void OperatePanel::Purge() { link_.port().Purge(PortQueue::kBoth); }

void OperatePanel::Flush() { worker_->Flush(); }
