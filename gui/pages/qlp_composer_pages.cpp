#include "gui/pages/qlp_composer_pages.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/pages/enter_sends.h"


namespace {
// IDs up to 256 can be entered; only the low byte travels.
constexpr int kIdMax = 256;
constexpr int kByteMax = 255;
constexpr int kValueMax = 65535;

QSpinBox* makeSpin(QWidget* parent, const QString& name, int low, int high) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(low, high);
    return spin;
}

SpinHexPair makePair(QWidget* parent, const QString& name, int high, int digits) {
    SpinHexPair pair;
    pair.spin = makeSpin(parent, QStringLiteral("CSpinEdit_") + name, 0, high);
    pair.hex = new QLineEdit(QStringLiteral("0"), parent);
    pair.hex->setObjectName(QStringLiteral("Edit_") + name);
    pair.hex->setMaxLength(digits);
    pair.digits = digits;
    return pair;
}

// One column of a composer grid: caption, spin edit, and the hex field if there is one.
void addColumn(QGridLayout* grid, int column, const char* caption, QSpinBox* spin, QLineEdit* hex = nullptr) {
    grid->addWidget(new QLabel(QString::fromLatin1(caption)), 0, column);
    grid->addWidget(spin, 1, column);
    if (hex) grid->addWidget(hex, 2, column);
}

void addColumn(QGridLayout* grid, int column, const char* caption, const SpinHexPair& pair) {
    addColumn(grid, column, caption, pair.spin, pair.hex);
}
} // namespace

void SpinHexPair::ConnectPair(QObject* context) const {
    QSpinBox* s = spin;
    QLineEdit* h = hex;
    const int n = digits;
    QObject::connect(s, &QSpinBox::valueChanged, context, [h](int value) {
        if (std::optional<std::string> text = hex_field_rewrite(h->text().toLatin1().toStdString(), value))
            h->setText(QString::fromLatin1(*text));
    });
    QObject::connect(h, &QLineEdit::textChanged, context,
                     [s, n](const QString& text) { s->setValue(hex_field_value(text.toLatin1().toStdString(), n)); });
}

void SpinHexPair::Set(int value) const {
    spin->setValue(value);
    const QString shown = QString::fromLatin1(hex_field_text(spin->value()));
    if (hex->text() != shown) hex->setText(shown);
}

void SpinHexPair::SetEnabled(bool on) const {
    spin->setEnabled(on);
    hex->setEnabled(on);
}

QlpAsciiPage::QlpAsciiPage(Port& port, LineSink add_line, QWidget* parent)
    : QWidget(parent), port_(port), add_line_(std::move(add_line)) {
    auto* layout = new QVBoxLayout(this);
    for (int n = 1; n <= kQlpAsciiGroups; ++n) layout->addWidget(BuildGroup(n));
    layout->addStretch();
    InitConnections();
    ResetQlpAsciiTab();
}

QGroupBox* QlpAsciiPage::BuildGroup(int n) {
    Group& g = groups_[n - 1];
    const QString suffix = QString::number(n);
    auto* box = new QGroupBox(QStringLiteral("Command %1").arg(n), this);
    box->setObjectName(QStringLiteral("GroupBox_QLPCommand") + suffix);
    auto* grid = new QGridLayout(box);
    g.id = makeSpin(box, QStringLiteral("CSpinEdit_QLPASCIIID") + suffix, 0, kIdMax);
    g.function = makePair(box, QStringLiteral("QLPASCIIFunction") + suffix, kByteMax, 2);
    g.code1 = makePair(box, QStringLiteral("QLPASCIICode1") + suffix, kByteMax, 2);
    g.code2 = makePair(box, QStringLiteral("QLPASCIICode2") + suffix, kByteMax, 2);
    for (int k = 0; k < kQlpAsciiValues; ++k)
        g.values[k] = makePair(box, QStringLiteral("QLPASCIIValue%1").arg(k + 1) + suffix, kValueMax, 4);
    g.value_amount = makeSpin(box, QStringLiteral("CSpinEdit_QLPASCIIValueAmount") + suffix, 1, kQlpAsciiValues);
    g.send = new QPushButton(QStringLiteral("Send"), box);
    g.send->setObjectName(QStringLiteral("Button_QLPASCIISend") + suffix);

    addColumn(grid, 0, "ID", g.id);
    addColumn(grid, 1, "Function", g.function);
    addColumn(grid, 2, "Code1", g.code1);
    addColumn(grid, 3, "Code2", g.code2);
    addColumn(grid, 4, "Value1", g.values[0]);
    addColumn(grid, 5, "Value2", g.values[1]);
    addColumn(grid, 6, "Value3", g.values[2]);
    addColumn(grid, 7, "Value Amount", g.value_amount);
    grid->addWidget(g.send, 1, 8);
    return box;
}

void QlpAsciiPage::InitConnections() {
    for (int i = 0; i < kQlpAsciiGroups; ++i) {
        Group& g = groups_[i];
        const int n = i + 1;
        g.function.ConnectPair(this);
        g.code1.ConnectPair(this);
        g.code2.ConnectPair(this);
        for (const SpinHexPair& value : g.values) value.ConnectPair(this);
        connect(g.value_amount, &QSpinBox::valueChanged, this, [this, n] { CSpinEdit_QLPASCIIValueAmountChange(n); });
        connect(g.send, &QPushButton::clicked, this, [this, n] { Button_QLPASCIISendClick(n); });
        // Enter in any of the group's hex fields sends the group.
        for (const SpinHexPair* pair : {&g.function, &g.code1, &g.code2, &g.values[0], &g.values[1], &g.values[2]}) {
            connect(pair->hex, &QLineEdit::returnPressed, this, [this, n] { Button_QLPASCIISendClick(n); });
            new EnterSends(pair->spin, [this, n] { Button_QLPASCIISendClick(n); });
        }
        for (QSpinBox* spin : {g.id, g.value_amount}) new EnterSends(spin, [this, n] { Button_QLPASCIISendClick(n); });
    }
}

void QlpAsciiPage::ResetQlpAsciiTab() {
    for (int i = 0; i < kQlpAsciiGroups; ++i) {
        Group& g = groups_[i];
        g.id->setValue(1);
        g.function.Set(0);
        g.code1.Set(0);
        g.code2.Set(0);
        for (const SpinHexPair& value : g.values) value.Set(0);
        g.value_amount->setValue(1);
        CSpinEdit_QLPASCIIValueAmountChange(i + 1); // also when it was 1 already
    }
}

void QlpAsciiPage::CSpinEdit_QLPASCIIValueAmountChange(int n) {
    Group& g = groups_[n - 1];
    const auto rule = value_amount_rule(g.value_amount->value());
    for (int k = 0; k < kQlpAsciiValues; ++k) {
        g.values[k].SetEnabled(rule[k].enabled);
        if (rule[k].zero) g.values[k].Set(0);
    }
}

void QlpAsciiPage::Button_QLPASCIISendClick(int n) {
    const Group& g = groups_[n - 1];
    QlpAsciiFields fields;
    fields.id = g.id->value();
    fields.function = g.function.spin->value();
    fields.code1 = g.code1.spin->value();
    fields.code2 = g.code2.spin->value();
    for (int k = 0; k < kQlpAsciiValues; ++k) fields.values[k] = g.values[k].spin->value();
    fields.value_amount = g.value_amount->value();
    if (std::optional<std::string> line = SendQlpAsciiCommand(port_, qlp_ascii_command(fields))) add_line_(*line);
}

QlpDataPage::QlpDataPage(Port& port, LineSink add_line, QWidget* parent)
    : QWidget(parent), port_(port), add_line_(std::move(add_line)) {
    auto* layout = new QVBoxLayout(this);
    auto* head = new QGridLayout;
    CSpinEdit_QLPDataID = makeSpin(this, QStringLiteral("CSpinEdit_QLPDataID"), 0, kIdMax);
    function_ = makePair(this, QStringLiteral("QLPDataFunction"), kByteMax, 2);
    CSpinEdit_QLPDataDataAmount = makeSpin(this, QStringLiteral("CSpinEdit_QLPDataDataAmount"), 1, kQlpDataBytes);
    addColumn(head, 0, "ID", CSpinEdit_QLPDataID);
    addColumn(head, 1, "Function", function_);
    addColumn(head, 2, "Data Amount", CSpinEdit_QLPDataDataAmount);
    head->setColumnStretch(3, 1);
    layout->addLayout(head);

    auto* data = new QGridLayout;
    static const char* const kCaptions[kQlpDataBytes] = {"Data0", "Data1", "Data2", "Data3",
                                                         "Data4", "Data5", "Data6", "Data7"};
    for (int i = 0; i < kQlpDataBytes; ++i) {
        data_[i] = makePair(this, QStringLiteral("QLPDataData%1").arg(i), kByteMax, 2);
        addColumn(data, i, kCaptions[i], data_[i]);
    }
    layout->addLayout(data);

    auto* send_row = new QHBoxLayout;
    Button_QLPDataSend = new QPushButton(QStringLiteral("Send"), this);
    Button_QLPDataSend->setObjectName(QStringLiteral("Button_QLPDataSend"));
    send_row->addStretch();
    send_row->addWidget(Button_QLPDataSend);
    layout->addLayout(send_row);
    layout->addStretch();

    InitConnections();
    CSpinEdit_QLPDataDataAmount->setValue(4);
    ResetQlpDataTab();
    CSpinEdit_QLPDataDataAmountChange();
}

void QlpDataPage::InitConnections() {
    function_.ConnectPair(this);
    for (const SpinHexPair& pair : data_) pair.ConnectPair(this);
    connect(CSpinEdit_QLPDataDataAmount, &QSpinBox::valueChanged, this,
            &QlpDataPage::CSpinEdit_QLPDataDataAmountChange);
    connect(Button_QLPDataSend, &QPushButton::clicked, this, &QlpDataPage::Button_QLPDataSendClick);
    const auto send = [this] { Button_QLPDataSendClick(); };
    for (const SpinHexPair* pair : {&function_, &data_[0], &data_[1], &data_[2], &data_[3], &data_[4], &data_[5],
                                    &data_[6], &data_[7]}) {
        connect(pair->hex, &QLineEdit::returnPressed, this, send);
        new EnterSends(pair->spin, send);
    }
    for (QSpinBox* spin : {CSpinEdit_QLPDataID, CSpinEdit_QLPDataDataAmount}) new EnterSends(spin, send);
}

void QlpDataPage::ResetQlpDataTab() {
    CSpinEdit_QLPDataID->setValue(1);
    function_.Set(0);
    for (const SpinHexPair& pair : data_) pair.Set(0);
}

void QlpDataPage::CSpinEdit_QLPDataDataAmountChange() {
    const auto rule = data_amount_rule(CSpinEdit_QLPDataDataAmount->value());
    for (int i = 0; i < kQlpDataBytes; ++i) {
        data_[i].SetEnabled(rule[i].enabled);
        if (rule[i].zero) data_[i].Set(0);
    }
}

void QlpDataPage::Button_QLPDataSendClick() {
    QlpDataFields fields;
    fields.id = CSpinEdit_QLPDataID->value();
    fields.function = function_.spin->value();
    fields.data_amount = CSpinEdit_QLPDataDataAmount->value();
    for (int i = 0; i < kQlpDataBytes; ++i) fields.data[i] = data_[i].spin->value();
    if (std::optional<std::string> line = SendQlpDataFrame(port_, qlp_data_frame(fields))) add_line_(*line);
}
