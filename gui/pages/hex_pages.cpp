#include "gui/pages/hex_pages.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/terminal/hex_send.h"
#include "core/util/send_check.h"
#include "gui/pages/enter_sends.h"

namespace {
// The ZIK address is decimal text; the devices answer to IDs up to 256.
constexpr int kQlpHexIdMax = 256;

QString numbered(const char* name, int n) {
    return QString::fromLatin1(name) + QString::number(n);
}

std::string latin1(const QLineEdit* edit) {
    return edit->text().toLatin1().toStdString();
}

// True when the field may be sent; otherwise one line says which character stops it.
bool hexFieldSendable(const QLineEdit* edit, const std::string& field, const LineSink& add_line) {
    const std::string reason = hex_field_refusal(edit->text().toStdU32String(), ',');
    if (reason.empty()) return true;
    add_line(send_refusal_line(field, reason));
    return false;
}
} // namespace

GeneralHexPage::GeneralHexPage(Port& port, LineSink add_line, QWidget* parent)
    : QWidget(parent), port_(port), add_line_(std::move(add_line)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < kHexGroups; ++i) {
        const int n = i + 1;
        auto* group = new QGroupBox(QStringLiteral("Data %1").arg(n), this);
        group->setObjectName(numbered("GroupBox_GeneralHEXData", n));
        auto* row = new QHBoxLayout(group);
        Edit_GeneralHEX[i] = new QLineEdit(group);
        Edit_GeneralHEX[i]->setObjectName(numbered("Edit_GeneralHEX", n));
        Button_GeneralHEXSend[i] = new QPushButton(QStringLiteral("Send"), group);
        Button_GeneralHEXSend[i]->setObjectName(numbered("Button_GeneralHEXSend", n));
        row->addWidget(Edit_GeneralHEX[i], 1);
        row->addWidget(Button_GeneralHEXSend[i]);
        layout->addWidget(group);
    }
    layout->addStretch();
    InitConnections();
}

void GeneralHexPage::InitConnections() {
    for (int i = 0; i < kHexGroups; ++i) {
        connect(Button_GeneralHEXSend[i], &QPushButton::clicked, this, [this, i] { Button_GeneralHEXSendClick(i + 1); });
        connect(Edit_GeneralHEX[i], &QLineEdit::returnPressed, this, [this, i] { Button_GeneralHEXSendClick(i + 1); });
    }
}

void GeneralHexPage::Button_GeneralHEXSendClick(int n) {
    if (!hexFieldSendable(Edit_GeneralHEX[n - 1], "Data " + std::to_string(n), add_line_)) return;
    std::vector<std::uint8_t> bytes = general_hex_bytes(latin1(Edit_GeneralHEX[n - 1]));
    add_line_(SendGeneralHexData(port_, bytes));
}

QlpHexPage::QlpHexPage(Port& port, LineSink add_line, QWidget* parent)
    : QWidget(parent), port_(port), add_line_(std::move(add_line)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < kHexGroups; ++i) {
        const int n = i + 1;
        auto* group = new QGroupBox(QStringLiteral("Data 1"), this); // all six are captioned so
        group->setObjectName(numbered("GroupBox_QLPHEX", n));
        auto* row = new QHBoxLayout(group);
        row->addWidget(new QLabel(QStringLiteral("ID"), group));
        CSpinEdit_QLPHEXID[i] = new QSpinBox(group);
        CSpinEdit_QLPHEXID[i]->setObjectName(numbered("CSpinEdit_QLPHEXID", n));
        CSpinEdit_QLPHEXID[i]->setRange(0, kQlpHexIdMax);
        Edit_QLPHEX[i] = new QLineEdit(group);
        Edit_QLPHEX[i]->setObjectName(numbered("Edit_QLPHEX", n));
        Button_QLPHEXSend[i] = new QPushButton(QStringLiteral("Send"), group);
        Button_QLPHEXSend[i]->setObjectName(numbered("Button_QLPHEXSend", n));
        row->addWidget(CSpinEdit_QLPHEXID[i]);
        row->addWidget(Edit_QLPHEX[i], 1);
        row->addWidget(Button_QLPHEXSend[i]);
        layout->addWidget(group);
    }
    layout->addStretch();
    InitConnections();
    ResetQlpHexTab();
}

void QlpHexPage::InitConnections() {
    for (int i = 0; i < kHexGroups; ++i) {
        connect(Button_QLPHEXSend[i], &QPushButton::clicked, this, [this, i] { Button_QLPHEXSendClick(i + 1); });
        connect(Edit_QLPHEX[i], &QLineEdit::returnPressed, this, [this, i] { Button_QLPHEXSendClick(i + 1); });
        new EnterSends(CSpinEdit_QLPHEXID[i], [this, i] { Button_QLPHEXSendClick(i + 1); });
    }
}

void QlpHexPage::ResetQlpHexTab() {
    for (int i = 0; i < kHexGroups; ++i) {
        CSpinEdit_QLPHEXID[i]->setValue(1);
        Edit_QLPHEX[i]->clear();
    }
}

void QlpHexPage::Button_QLPHEXSendClick(int n) {
    const int i = n - 1;
    if (!hexFieldSendable(Edit_QLPHEX[i], "QLP HEX " + std::to_string(n), add_line_)) return;
    ZikFrame frame = qlp_hex_frame(static_cast<std::uint32_t>(CSpinEdit_QLPHEXID[i]->value()), latin1(Edit_QLPHEX[i]));
    if (std::optional<std::string> line = SendQlpHexFrame(port_, frame)) add_line_(*line);
}
