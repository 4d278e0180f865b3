#include "gui/windows/uart_detect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QStringList>
#include <QTableWidget>
#include <QTextCursor>
#include <QVBoxLayout>
#include <vector>

#include "core/protocol/canbus_def.h"
#include "core/serial/port_values.h"
#include "gui/main/dialog_seam.h"
#include "gui/main/mailbox_pump.h"
#include "gui/windows/comport_setup_dialog.h"

namespace {

constexpr int kRangeStartDefault = 1;
constexpr int kRangeEndDefault = 5;
constexpr int kSettingIdDefault = 1;
constexpr int kMasterIdDefault = 1;

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QSpinBox* makeSpin(QWidget* parent, const char* name, int max, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(0, max);
    spin->setValue(value);
    return spin;
}

QGroupBox* makeGroup(QWidget* parent, const char* name, const char* title) {
    auto* group = new QGroupBox(QString::fromLatin1(title), parent);
    group->setObjectName(QString::fromLatin1(name));
    return group;
}

// The four captioned value labels of a "Selected ..." group: ID, baud, CAN rate, master ID.
std::array<QLabel*, 4> makeDeviceLabels(QGroupBox* group, const char* prefix) {
    static constexpr std::array<const char*, 4> kCaptions{"ID", "Comport Baudrate", "CAN Bus Baudrate", "Master ID"};
    static constexpr std::array<const char*, 4> kSuffixes{"ID", "UartBaudrate", "CanbusBaudrate", "MasterID"};
    auto* layout = new QGridLayout(group);
    std::array<QLabel*, 4> labels{};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        layout->addWidget(new QLabel(QString::fromLatin1(kCaptions[i]), group), static_cast<int>(i), 0);
        labels[i] = new QLabel(group);
        labels[i]->setObjectName(QString::fromLatin1(prefix) + QString::fromLatin1(kSuffixes[i]));
        layout->addWidget(labels[i], static_cast<int>(i), 1);
    }
    return labels;
}

void showDeviceLabels(const std::array<QLabel*, 4>& labels, const DetectedDevice& device) {
    const std::array<std::string, 4> texts = detectDeviceLabels(device);
    for (std::size_t i = 0; i < labels.size(); ++i) labels[i]->setText(latin1(texts[i]));
}

} // namespace

TForm_UartDetect::TForm_UartDetect(MailboxPump& mailbox, Port& port, TForm_ComportSetup* setup, QWidget* parent)
    : QDialog(parent),
      mailbox_(mailbox),
      port_(port),
      setup_(setup),
      lines_box_(mailbox.AddReceiver([this](std::span<Letter> batch) { ShowLines(batch); })),
      rows_box_(mailbox.AddReceiver([this](std::span<Letter> batch) { ShowRows(batch); })),
      progress_box_(mailbox.AddReceiver([this](std::span<Letter> batch) {
          ProgressBar_Detect->setValue(static_cast<int>(batch.back().number));
      })),
      done_box_(mailbox.AddReceiver([this](std::span<Letter>) { WorkDone(); })),
      engine_(port, DetectEvents{
          [this](const std::string& line) { mailbox_.Post(lines_box_.box(), line); },
          [this](int id) { mailbox_.Post(rows_box_.box(), {}, id); },
          [this](int done) { mailbox_.Post(progress_box_.box(), {}, done); },
      }),
      worker_(engine_.stop_flag()) {
    FormCreate();
}

TForm_UartDetect::~TForm_UartDetect() { worker_.Stop(); }

void TForm_UartDetect::FormCreate() {
    setObjectName(QStringLiteral("Form_UartDetect"));
    setWindowTitle(QStringLiteral("Device Detect"));
    BuildControls();
    InitConnections();
}

void TForm_UartDetect::BuildControls() {
    auto* comport_group = makeGroup(this, "GroupBox_ComportDevice", "Comport Device");
    Button_UartAutoDetect = makeButton(comport_group, "Button_UartAutoDetect", "Comport Device Auto Detect");
    CheckBox_AutoBaudrate = new QCheckBox(QStringLiteral("Auto Baudrate"), comport_group);
    CheckBox_AutoBaudrate->setObjectName(QStringLiteral("CheckBox_AutoBaudrate"));

    auto* setting_group = makeGroup(comport_group, "GroupBox_ComportSetting", "Comport Setting");
    auto* setting_layout = new QGridLayout(setting_group);
    const auto settingRow = [&](int row, const char* caption, const char* name) {
        setting_layout->addWidget(new QLabel(QString::fromLatin1(caption), setting_group), row, 0);
        auto* value = new QLabel(setting_group);
        value->setObjectName(QString::fromLatin1(name));
        setting_layout->addWidget(value, row, 1);
        return value;
    };
    Label_ComportName = settingRow(0, "Comport", "Label_ComportName");
    Label_ComportBaudrate = settingRow(1, "Baudrate", "Label_ComportBaudrate");
    Label_ComportParity = settingRow(2, "Parity", "Label_ComportParity");
    Label_ComportDataBits = settingRow(3, "Data Bits", "Label_ComportDataBits");
    Label_ComportStopBits = settingRow(4, "Stop Bits", "Label_ComportStopBits");
    Button_ComportConfigure = makeButton(comport_group, "Button_ComportConfigure", "Comport Configure");
    auto* comport_device_group = makeGroup(comport_group, "GroupBox_SelectedComportDevice", "Selected Comport Device");
    comport_device_labels_ = makeDeviceLabels(comport_device_group, "Label_ComportDevice");

    auto* comport_layout = new QVBoxLayout(comport_group);
    comport_layout->addWidget(Button_UartAutoDetect);
    comport_layout->addWidget(CheckBox_AutoBaudrate);
    comport_layout->addWidget(setting_group);
    comport_layout->addWidget(Button_ComportConfigure);
    comport_layout->addWidget(comport_device_group);

    auto* grid_group = makeGroup(this, "GroupBox_CanbusDeviceList", "CAN Bus Device List");
    StringGrid_CanbusDevice = new QTableWidget(kDetectGridIds, kDetectGridColumns, grid_group);
    StringGrid_CanbusDevice->setObjectName(QStringLiteral("StringGrid_CanbusDevice"));
    QStringList headers;
    for (const std::string& text : detectGridHeader()) headers << latin1(text);
    StringGrid_CanbusDevice->setHorizontalHeaderLabels(headers);
    StringGrid_CanbusDevice->verticalHeader()->hide();
    StringGrid_CanbusDevice->verticalHeader()->setDefaultSectionSize(StringGrid_CanbusDevice->fontMetrics().height() + 6);
    StringGrid_CanbusDevice->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    StringGrid_CanbusDevice->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid_CanbusDevice->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int row = 0; row < kDetectGridIds; ++row)
        for (int column = 0; column < kDetectGridColumns; ++column)
            StringGrid_CanbusDevice->setItem(row, column, new QTableWidgetItem);
    StringGrid_CanbusDevice->setMinimumWidth(720);
    auto* grid_layout = new QVBoxLayout(grid_group);
    grid_layout->addWidget(StringGrid_CanbusDevice);

    auto* canbus_group = makeGroup(this, "GroupBox_CanbusAutoDetectSetting", "Canbus Device Auto Detect Setting");
    Button_CanbusAutoDetect = makeButton(canbus_group, "Button_CanbusAutoDetect", "Canbus Device Auto Detect");
    auto* range_group = makeGroup(canbus_group, "GroupBox_DetectRangeSetup", "Detect Range Setup");
    CSpinEdit_DetectRangeSetupStart =
        makeSpin(range_group, "CSpinEdit_DetectRangeSetupStart", kDetectGridIds - 1, kRangeStartDefault);
    CSpinEdit_DetectRangeSetupEnd = makeSpin(range_group, "CSpinEdit_DetectRangeSetupEnd", kDetectGridIds - 1, kRangeEndDefault);
    Button_DetectRangeSetupEnable = makeButton(range_group, "Button_DetectRangeSetupEnable", "Enable");
    Button_DetectRangeSetupDisable = makeButton(range_group, "Button_DetectRangeSetupDisable", "Disable");
    auto* range_layout = new QGridLayout(range_group);
    range_layout->addWidget(CSpinEdit_DetectRangeSetupStart, 0, 0);
    range_layout->addWidget(new QLabel(QStringLiteral("~"), range_group), 0, 1);
    range_layout->addWidget(CSpinEdit_DetectRangeSetupEnd, 0, 2);
    range_layout->addWidget(Button_DetectRangeSetupEnable, 1, 0);
    range_layout->addWidget(Button_DetectRangeSetupDisable, 1, 2);
    auto* canbus_layout = new QVBoxLayout(canbus_group);
    canbus_layout->addWidget(Button_CanbusAutoDetect);
    canbus_layout->addWidget(range_group);

    auto* device_group = makeGroup(this, "GroupBox_DeviceSetting", "Device Setting");
    CSpinEdit_DeviceSettingID = makeSpin(device_group, "CSpinEdit_DeviceSettingID", kQlpLastDeviceId, kSettingIdDefault);
    ComboBox_DeviceSettingUartBuadrate = new QComboBox(device_group);
    ComboBox_DeviceSettingUartBuadrate->setObjectName(QStringLiteral("ComboBox_DeviceSettingUartBuadrate"));
    ComboBox_DeviceSettingCanbusBuadrate = new QComboBox(device_group);
    ComboBox_DeviceSettingCanbusBuadrate->setObjectName(QStringLiteral("ComboBox_DeviceSettingCanbusBuadrate"));
    CSpinEdit_DeviceSettingMasterID = makeSpin(device_group, "CSpinEdit_DeviceSettingMasterID", kQlpMasterIdMax, kMasterIdDefault);
    Button_DetectID = makeButton(device_group, "Button_DetectID", "Detect Setting Device");
    Button_DeviceSettingSaveSetting = makeButton(device_group, "Button_DeviceSettingSaveSetting", "Save Setting");
    auto* device_layout = new QGridLayout(device_group);
    device_layout->addWidget(new QLabel(QStringLiteral("ID"), device_group), 0, 0);
    device_layout->addWidget(CSpinEdit_DeviceSettingID, 0, 1);
    device_layout->addWidget(new QLabel(QStringLiteral("Comport Baudrate"), device_group), 1, 0);
    device_layout->addWidget(ComboBox_DeviceSettingUartBuadrate, 1, 1);
    device_layout->addWidget(new QLabel(QStringLiteral("CAN Bus Baudrate"), device_group), 2, 0);
    device_layout->addWidget(ComboBox_DeviceSettingCanbusBuadrate, 2, 1);
    device_layout->addWidget(new QLabel(QStringLiteral("Master ID"), device_group), 3, 0);
    device_layout->addWidget(CSpinEdit_DeviceSettingMasterID, 3, 1);
    device_layout->addWidget(Button_DetectID, 4, 0, 1, 2);
    device_layout->addWidget(Button_DeviceSettingSaveSetting, 5, 0, 1, 2);

    auto* selected_group = makeGroup(this, "GroupBox_SelectedDevice", "Selected Device");
    selected_device_labels_ = makeDeviceLabels(selected_group, "Label_SelectedDevice");

    Memo_Message = new QPlainTextEdit(this);
    Memo_Message->setObjectName(QStringLiteral("Memo_Message"));
    Memo_Message->setReadOnly(true);
    Memo_Message->setLineWrapMode(QPlainTextEdit::NoWrap);
    ProgressBar_Detect = new QProgressBar(this);
    ProgressBar_Detect->setObjectName(QStringLiteral("ProgressBar_Detect"));
    ProgressBar_Detect->setRange(0, 1);
    ProgressBar_Detect->setValue(0);
    ProgressBar_Detect->setFormat(QStringLiteral("%v / %m"));
    Button_DetectStop = makeButton(this, "Button_DetectStop", "Stop");
    Button_MessageClear = makeButton(this, "Button_MessageClear", "Clear Message");
    Button_Exit = makeButton(this, "Button_Exit", "Exit");

    auto* left = new QVBoxLayout;
    left->addWidget(comport_group);
    left->addWidget(canbus_group);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(device_group);
    right->addWidget(selected_group);
    right->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(grid_group, 1);
    top->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ProgressBar_Detect, 1);
    bottom->addWidget(Button_DetectStop);
    bottom->addWidget(Button_MessageClear);
    bottom->addWidget(Button_Exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 3);
    layout->addWidget(Memo_Message, 1);
    layout->addLayout(bottom);
}

void TForm_UartDetect::InitConnections() {
    connect(Button_UartAutoDetect, &QPushButton::clicked, this, &TForm_UartDetect::Button_UartAutoDetectClick);
    connect(CheckBox_AutoBaudrate, &QCheckBox::toggled, this, [this](bool on) { engine_.SetAutoBaudrate(on); });
    connect(Button_ComportConfigure, &QPushButton::clicked, this, &TForm_UartDetect::Button_ComportConfigureClick);
    connect(StringGrid_CanbusDevice, &QTableWidget::cellClicked, this,
            [this](int row, int column) { StringGrid_CanbusDeviceSelectCell(column, row + 1); });
    connect(Button_CanbusAutoDetect, &QPushButton::clicked, this, &TForm_UartDetect::Button_CanbusAutoDetectClick);
    connect(CSpinEdit_DetectRangeSetupStart, &QSpinBox::valueChanged, this,
            &TForm_UartDetect::CSpinEdit_DetectRangeSetupStartChange);
    connect(CSpinEdit_DetectRangeSetupEnd, &QSpinBox::valueChanged, this,
            &TForm_UartDetect::CSpinEdit_DetectRangeSetupEndChange);
    connect(Button_DetectRangeSetupEnable, &QPushButton::clicked, this,
            &TForm_UartDetect::Button_DetectRangeSetupEnableClick);
    connect(Button_DetectRangeSetupDisable, &QPushButton::clicked, this,
            &TForm_UartDetect::Button_DetectRangeSetupDisableClick);
    connect(Button_DetectID, &QPushButton::clicked, this, &TForm_UartDetect::Button_DetectIDClick);
    connect(Button_DeviceSettingSaveSetting, &QPushButton::clicked, this,
            &TForm_UartDetect::Button_DeviceSettingSaveSettingClick);
    connect(Button_DetectStop, &QPushButton::clicked, this, &TForm_UartDetect::Button_DetectStopClick);
    connect(Button_MessageClear, &QPushButton::clicked, this, &TForm_UartDetect::Button_MessageClearClick);
    connect(Button_Exit, &QPushButton::clicked, this, &TForm_UartDetect::Button_ExitClick);
}

void TForm_UartDetect::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm_UartDetect::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) StopWork();
}

void TForm_UartDetect::done(int result) {
    StopWork();
    QDialog::done(result);
}

void TForm_UartDetect::FormShow() {
    StopWork();
    mailbox_.DeliverNow(); // lines of an earlier showing go before the clear
    ClearMemo();
    ComboBox_DeviceSettingUartBuadrate->clear();
    std::vector<std::string> baud_names;
    comport_baudrate_names(baud_names);
    for (const std::string& name : baud_names) ComboBox_DeviceSettingUartBuadrate->addItem(latin1(name));
    ComboBox_DeviceSettingCanbusBuadrate->clear();
    std::array<std::string, kCanRateCount> can_names;
    canRateNames(can_names);
    for (const std::string& name : can_names) ComboBox_DeviceSettingCanbusBuadrate->addItem(latin1(name));
    // Works on the port the main window left open (receiving is paused meanwhile).
    engine_.SetPort(port_.Setting());
    engine_.SetAutoBaudrate(CheckBox_AutoBaudrate->isChecked());
    engine_.Reset();
    ProgressBar_Detect->setRange(0, 1);
    ProgressBar_Detect->setValue(0);
    RefreshAll();
    Button_UartAutoDetectClick();
}

void TForm_UartDetect::StartWork(std::function<void()> job) {
    if (busy_) return;
    busy_ = true;
    RefreshButtons();
    worker_.Start(std::move(job), [this] { mailbox_.Post(done_box_.box(), {}); });
}

void TForm_UartDetect::StopWork() {
    if (!busy_) return;
    worker_.Stop();
    mailbox_.DeliverNow(); // the lines of the work and its end, before anything else
    WorkDone();
}

void TForm_UartDetect::WorkDone() {
    if (!busy_) return;
    worker_.Join();
    busy_ = false;
    if (ProgressBar_Detect->maximum() == 0) ProgressBar_Detect->setRange(0, 1);
    RefreshAll();
}

void TForm_UartDetect::ShowLines(std::span<Letter> batch) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(batch.size()) + 1);
    // Appended as text after a line break, not as new paragraphs: an empty first
    // line would otherwise vanish into the empty document.
    if (memo_lines_ > 0) lines << QString();
    for (const Letter& letter : batch) lines << latin1(letter.text);
    memo_lines_ += static_cast<long long>(batch.size());
    Memo_Message->moveCursor(QTextCursor::End);
    Memo_Message->insertPlainText(lines.join(QLatin1Char('\n')));
}

void TForm_UartDetect::ShowRows(std::span<Letter> batch) {
    for (const Letter& letter : batch) {
        if (letter.number == kDetectAllRows) {
            RefreshGrid();
            return;
        }
        RefreshRow(static_cast<int>(letter.number));
    }
}

void TForm_UartDetect::Button_ComportConfigureClick() {
    if (busy_ || setup_ == nullptr) return;
    engine_.AddLine("");
    setup_->SetSetting(engine_.port());
    dialogs().ShowModal(*setup_);
    if (setup_->Confirmed())
        engine_.ConfigureComport(setup_->GetSetting());
    else
        engine_.AddLine(kDetectAbortLine);
    RefreshAll();
}

void TForm_UartDetect::Button_UartAutoDetectClick() {
    ProgressBar_Detect->setRange(0, 0); // no count to show: busy
    StartWork([this] { engine_.UartAutoDetect(); });
}

void TForm_UartDetect::StringGrid_CanbusDeviceSelectCell(int column, int row) {
    if (row < 1 || row > kDetectGridIds) return;
    const int id = row - 1;
    if (column == kDetectMarkColumn) {
        if (busy_) return; // a scan reads the marks as it goes
        engine_.ToggleDetect(id);
        return;
    }
    engine_.Select(id);
    RefreshSettingGroup();
}

void TForm_UartDetect::Button_CanbusAutoDetectClick() {
    ProgressBar_Detect->setRange(0, std::max(engine_.MarkedCount(), 1));
    ProgressBar_Detect->setValue(0);
    StartWork([this] { engine_.CanbusAutoDetect(); });
}

void TForm_UartDetect::CSpinEdit_DetectRangeSetupStartChange(int value) {
    if (CSpinEdit_DetectRangeSetupEnd->value() < value) CSpinEdit_DetectRangeSetupEnd->setValue(value);
}

void TForm_UartDetect::CSpinEdit_DetectRangeSetupEndChange(int value) {
    if (CSpinEdit_DetectRangeSetupStart->value() > value) CSpinEdit_DetectRangeSetupStart->setValue(value);
}

void TForm_UartDetect::Button_DetectRangeSetupEnableClick() {
    engine_.SetDetectRange(CSpinEdit_DetectRangeSetupStart->value(), CSpinEdit_DetectRangeSetupEnd->value(), true);
}

void TForm_UartDetect::Button_DetectRangeSetupDisableClick() {
    engine_.SetDetectRange(CSpinEdit_DetectRangeSetupStart->value(), CSpinEdit_DetectRangeSetupEnd->value(), false);
}

void TForm_UartDetect::Button_DetectIDClick() {
    const int id = CSpinEdit_DeviceSettingID->value();
    ProgressBar_Detect->setRange(0, 0);
    StartWork([this, id] { engine_.DetectSettingDevice(id); });
}

void TForm_UartDetect::Button_DeviceSettingSaveSettingClick() {
    DetectedDevice setting;
    setting.id = CSpinEdit_DeviceSettingID->value();
    setting.baudIndex = ComboBox_DeviceSettingUartBuadrate->currentIndex();
    setting.canRateIndex = ComboBox_DeviceSettingCanbusBuadrate->currentIndex();
    setting.masterId = CSpinEdit_DeviceSettingMasterID->value();
    setting.deviceNumber = engine_.Selected().deviceNumber;
    ProgressBar_Detect->setRange(0, 0);
    StartWork([this, setting] { engine_.SaveSetting(setting); });
}

void TForm_UartDetect::Button_DetectStopClick() {
    // The worker ends after the exchange in flight; its end comes as a letter.
    engine_.RequestStop();
}

void TForm_UartDetect::Button_MessageClearClick() {
    mailbox_.DeliverNow(); // lines posted before the click go with the clear
    ClearMemo();
}

void TForm_UartDetect::ClearMemo() {
    Memo_Message->clear();
    memo_lines_ = 0;
}

void TForm_UartDetect::Button_ExitClick() { done(QDialog::Rejected); }

void TForm_UartDetect::RefreshAll() {
    RefreshPortGroup();
    RefreshGrid();
    RefreshSettingGroup();
    RefreshButtons();
}

void TForm_UartDetect::RefreshRow(int id) {
    if (id < 0 || id >= kDetectGridIds) return;
    const DetectGridRow cells = detectGridRow(engine_.CanDevice(id));
    for (int column = 0; column < kDetectGridColumns; ++column)
        StringGrid_CanbusDevice->item(id, column)->setText(latin1(cells[static_cast<std::size_t>(column)]));
}

void TForm_UartDetect::RefreshGrid() {
    for (int id = 0; id < kDetectGridIds; ++id) RefreshRow(id);
}

void TForm_UartDetect::RefreshPortGroup() {
    const ComportSetting setting = engine_.port();
    const bool configured = engine_.PortConfigured();
    Label_ComportName->setText(latin1(engine_.PortName()));
    for (QLabel* label : {Label_ComportBaudrate, Label_ComportParity, Label_ComportDataBits, Label_ComportStopBits})
        label->setVisible(configured);
    Label_ComportBaudrate->setText(latin1(comport_baudrate_name(comport_baudrate_index(setting.baudrate))));
    Label_ComportParity->setText(latin1(comport_parity_name(setting.parity)));
    Label_ComportDataBits->setText(latin1(comport_databit_name(comport_databit_index(setting.databits))));
    Label_ComportStopBits->setText(latin1(comport_stopbit_name(setting.stopbits)));
    showDeviceLabels(comport_device_labels_, engine_.ComportDevice());
}

void TForm_UartDetect::RefreshSettingGroup() {
    const DetectedDevice selected = engine_.Selected();
    const bool found = selected.found == 1;
    if (found) {
        CSpinEdit_DeviceSettingID->setValue(selected.id);
        ComboBox_DeviceSettingUartBuadrate->setCurrentIndex(selected.baudIndex);
        ComboBox_DeviceSettingCanbusBuadrate->setCurrentIndex(selected.canRateIndex);
        CSpinEdit_DeviceSettingMasterID->setValue(selected.masterId);
    }
    ComboBox_DeviceSettingUartBuadrate->setEnabled(found);
    ComboBox_DeviceSettingCanbusBuadrate->setEnabled(found);
    CSpinEdit_DeviceSettingMasterID->setEnabled(found);
    showDeviceLabels(selected_device_labels_, selected);
    RefreshButtons();
}

void TForm_UartDetect::RefreshButtons() {
    const bool configured = engine_.PortConfigured();
    const bool idle = !busy_;
    Button_UartAutoDetect->setEnabled(configured && idle);
    CheckBox_AutoBaudrate->setEnabled(configured);
    Button_CanbusAutoDetect->setEnabled(configured && idle);
    CSpinEdit_DeviceSettingID->setEnabled(configured);
    Button_DetectID->setEnabled(configured && idle);
    Button_DeviceSettingSaveSetting->setEnabled(engine_.Selected().found == 1 && idle);
    Button_ComportConfigure->setEnabled(idle);
    Button_DetectRangeSetupEnable->setEnabled(idle);
    Button_DetectRangeSetupDisable->setEnabled(idle);
    Button_DetectStop->setEnabled(busy_);
}
