#include "gui/windows/comport_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/serial/net/net_address.h"
#include "gui/windows/reachability_note.h"
#include "gui/windows/system_ports_box.h"

namespace {
QComboBox* makeCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    return combo;
}

void fill(QComboBox* combo, int (*names)(std::vector<std::string>&)) {
    std::vector<std::string> list;
    names(list);
    combo->clear();
    for (const std::string& name : list) combo->addItem(QString::fromStdString(name));
}
} // namespace

TForm_ComportSetup::TForm_ComportSetup(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form_ComportSetup"));
    setWindowTitle(QStringLiteral("ComPort Setup"));
    auto* form = new QFormLayout;
    combo_port_ = makeCombo(this, "ComboBox_Comport");
    label_port_path_ = new QLabel(this);
    label_port_path_->setObjectName(QStringLiteral("Label_ComportPath"));
    auto* port_row = new QHBoxLayout;
    port_row->addWidget(combo_port_);
    port_row->addWidget(label_port_path_, 1);
    form->addRow(QStringLiteral("Com Port"), port_row);
    combo_baud_ = makeCombo(this, "ComboBox_Buadrate");
    form->addRow(QStringLiteral("Baud Rate"), combo_baud_);
    combo_parity_ = makeCombo(this, "ComboBox_Parity");
    form->addRow(QStringLiteral("Parity Check"), combo_parity_);
    combo_databit_ = makeCombo(this, "ComboBox_Databit");
    form->addRow(QStringLiteral("Data  Bit"), combo_databit_);
    combo_stopbit_ = makeCombo(this, "ComboBox_Stopbit");
    form->addRow(QStringLiteral("Stop Bit"), combo_stopbit_);
    spin_fixrate_ = new QSpinBox(this);
    spin_fixrate_->setObjectName(QStringLiteral("CSpinEdit_FixRate"));
    spin_fixrate_->setRange(-30, 30);
    edit_fixed_rate_ = new QLineEdit(this);
    edit_fixed_rate_->setObjectName(QStringLiteral("Edit_FixedBuadrate"));
    edit_fixed_rate_->setEnabled(false);
    auto* fix_row = new QHBoxLayout;
    fix_row->addWidget(spin_fixrate_);
    fix_row->addWidget(new QLabel(QStringLiteral("%"), this));
    fix_row->addWidget(edit_fixed_rate_);
    form->addRow(QStringLiteral("Fix Rate"), fix_row);
    check_reconnect_ = new QCheckBox(QStringLiteral("Reconnect"), this);
    check_reconnect_->setObjectName(QStringLiteral("CheckBox_Reconnect"));
    form->addRow(QString(), check_reconnect_);
    system_ports_ = new SystemPortsBox([this] { return combo_port_->currentIndex(); }, [this] { ShowPortPath(); }, this);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("Botton_OK"));
    ok->setDefault(true);
    auto* defaults = new QPushButton(QStringLiteral("Default"), this);
    defaults->setObjectName(QStringLiteral("Button_Default"));
    auto* abort = new QPushButton(QStringLiteral("Abort"), this);
    abort->setObjectName(QStringLiteral("Button_Abort"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(defaults);
    buttons->addWidget(abort);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(system_ports_);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TForm_ComportSetup::Botton_OKClick);
    connect(abort, &QPushButton::clicked, this, &TForm_ComportSetup::Button_AbortClick);
    connect(defaults, &QPushButton::clicked, this, &TForm_ComportSetup::Button_DefaultClick);
    connect(combo_baud_, &QComboBox::currentIndexChanged, this, &TForm_ComportSetup::ShowProgrammedRate);
    connect(spin_fixrate_, &QSpinBox::valueChanged, this, &TForm_ComportSetup::ShowProgrammedRate);
    connect(combo_port_, &QComboBox::currentIndexChanged, this, &TForm_ComportSetup::ShowPortPath);
    connect(combo_port_, &QComboBox::currentIndexChanged, system_ports_, &SystemPortsBox::Refresh);
}

TForm_ComportSetup::~TForm_ComportSetup() = default;

void TForm_ComportSetup::SetMailbox(MailboxPump& mailbox) {
    reachability_ = std::make_unique<ReachabilityNote>(mailbox, label_port_path_);
}

void TForm_ComportSetup::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TForm_ComportSetup::FormShow() {
    confirmed_ = false;
    working_ = saved_;
    filling_ = true;
    fill(combo_port_, comport_port_names);
    fill(combo_baud_, comport_baudrate_names);
    fill(combo_parity_, comport_parity_names);
    fill(combo_stopbit_, comport_stopbit_names);
    fill(combo_databit_, comport_databit_names);
    filling_ = false;
    check_reconnect_->setChecked(reconnect_);
    ShowWorking();
}

void TForm_ComportSetup::ShowWorking() {
    filling_ = true;
    combo_port_->setCurrentIndex(working_.port);
    combo_baud_->setCurrentIndex(comport_baudrate_index(working_.baudrate));
    combo_parity_->setCurrentIndex(working_.parity);
    combo_databit_->setCurrentIndex(comport_databit_index(working_.databits));
    combo_stopbit_->setCurrentIndex(working_.stopbits);
    spin_fixrate_->setValue(working_.fixrate);
    filling_ = false;
    edit_fixed_rate_->setText(QString::number(comport_programmed_rate(working_.baudrate, working_.fixrate)));
    ShowPortPath();
}

void TForm_ComportSetup::ReadControls() {
    working_.port = combo_port_->currentIndex() & 0xFF;
    working_.baudrate = comport_baudrate_of_index(combo_baud_->currentIndex());
    working_.parity = static_cast<std::uint8_t>(combo_parity_->currentIndex());
    working_.databits = static_cast<std::uint8_t>(comport_databits_of_index(combo_databit_->currentIndex()));
    working_.stopbits = static_cast<std::uint8_t>(combo_stopbit_->currentIndex());
    working_.fixrate = spin_fixrate_->value();
}

void TForm_ComportSetup::ShowProgrammedRate() {
    if (filling_) return;
    ReadControls();
    edit_fixed_rate_->setText(QString::number(comport_programmed_rate(working_.baudrate, working_.fixrate)));
}

// Beside the port list: the device the selected port opens, and whether it is there.
void TForm_ComportSetup::ShowPortPath() {
    int port = combo_port_->currentIndex();
    if (reachability_) reachability_->Forget();
    if (port <= 0) {
        label_port_path_->clear();
        return;
    }
    const std::string device = comport_device_path(port);
    // A port on another machine: whether it answers, found without holding the dialog up.
    if (net_address_named(device)) {
        if (reachability_) reachability_->Check(device);
        else label_port_path_->setText(QString::fromStdString(device));
        return;
    }
    QString path = QString::fromStdString(device);
    label_port_path_->setText(path + (comport_device_present(port) ? QStringLiteral("  (present)")
                                                                   : QStringLiteral("  (missing)")));
}

void TForm_ComportSetup::Botton_OKClick() {
    confirmed_ = true;
    ReadControls();
    saved_ = working_;
    reconnect_ = check_reconnect_->isChecked();
    accept();
}

void TForm_ComportSetup::Button_AbortClick() {
    confirmed_ = false;
    reject();
}

void TForm_ComportSetup::Button_DefaultClick() {
    comport_default_setting(working_);
    ShowWorking();
}
