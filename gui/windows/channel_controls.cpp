#include "gui/windows/channel_controls.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/protocol/rd24_device_def.h"

namespace {

QString nameOf(const char* prefix, int number, const char* suffix) {
    return QStringLiteral("%1%2%3").arg(QLatin1String(prefix)).arg(number).arg(QLatin1String(suffix));
}

QStringList itemsOf(const std::string& list) {
    QStringList items = QString::fromLatin1(list.data(), static_cast<qsizetype>(list.size())).split(QStringLiteral("\r\n"));
    if (!items.isEmpty() && items.last().isEmpty()) items.removeLast();
    return items;
}

QGroupBox* makeGroup(QWidget* parent, int number, const char* kind) {
    auto* group = new QGroupBox(QStringLiteral("CH%1 %2").arg(number).arg(QLatin1String(kind)), parent);
    group->setObjectName(nameOf("GroupBox_CH", number, kind));
    return group;
}

QLineEdit* makeReading(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(QStringLiteral("0"), parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QComboBox* makeTypeCombo(QWidget* parent, const QString& name, const std::string& list) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(itemsOf(list));
    return combo;
}

QPushButton* makeSet(QWidget* parent, const QString& name) {
    auto* button = new QPushButton(QStringLiteral("Set"), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

QColor lampColour(Lamp lamp) {
    switch (lamp) {
    case Lamp::kGreen: return QColor(0, 128, 0);
    case Lamp::kRed: return QColor(255, 0, 0);
    case Lamp::kWindow: break;
    }
    return QApplication::palette().color(QPalette::Window);
}

void setLamp(QLineEdit* edit, Lamp lamp) {
    QPalette palette = edit->palette();
    const QColor colour = lampColour(lamp);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, colour);
    edit->setPalette(palette);
}

QLineEdit* makeLamp(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEnabled(false);
    edit->setMaximumWidth(60);
    setLamp(edit, Lamp::kWindow);
    return edit;
}

void ChannelControls::ShowGroup(ChannelKind kind) {
    group_di->setVisible(kind == kChannelDI);
    group_do->setVisible(kind == kChannelDO);
    group_ad->setVisible(kind == kChannelAD);
    group_da->setVisible(kind == kChannelDA);
}

ChannelControls buildChannelControls(QWidget* parent, int n) {
    ChannelControls c;
    c.cell = new QWidget(parent);
    c.cell->setObjectName(nameOf("Panel_CH", n, ""));
    auto* stack = new QGridLayout(c.cell);
    stack->setContentsMargins(0, 0, 0, 0);

    c.group_di = makeGroup(c.cell, n, "DI");
    c.edit_di = makeLamp(c.group_di, nameOf("Edit_CH", n, "DI"));
    auto* di = new QHBoxLayout(c.group_di);
    di->addWidget(c.edit_di);
    di->addStretch(1);

    c.group_do = makeGroup(c.cell, n, "DO");
    c.edit_do = makeLamp(c.group_do, nameOf("Edit_CH", n, "DO"));
    c.button_do = makeSet(c.group_do, nameOf("Button_CH", n, "DO"));
    auto* dout = new QHBoxLayout(c.group_do);
    dout->addWidget(c.edit_do);
    dout->addWidget(c.button_do);
    dout->addStretch(1);

    c.group_ad = makeGroup(c.cell, n, "AD");
    c.edit_ad = makeReading(c.group_ad, nameOf("Edit_CH", n, "AD"));
    c.combo_ad_type = makeTypeCombo(c.group_ad, nameOf("ComboBox_CH", n, "ADType"), rd24AdTypeList());
    c.edit_ad_value = makeReading(c.group_ad, nameOf("Edit_CH", n, "ADValue"));
    c.label_ad_unit = new QLabel(c.group_ad);
    c.label_ad_unit->setObjectName(nameOf("Label_CH", n, "ADUnit"));
    auto* ad = new QGridLayout(c.group_ad);
    ad->addWidget(c.edit_ad, 0, 0);
    ad->addWidget(c.combo_ad_type, 0, 1, 1, 2);
    ad->addWidget(c.edit_ad_value, 1, 0, 1, 2);
    ad->addWidget(c.label_ad_unit, 1, 2);

    c.group_da = makeGroup(c.cell, n, "DA");
    c.spin_da = new QSpinBox(c.group_da);
    c.spin_da->setObjectName(nameOf("CSpinEdit_CH", n, "DA"));
    c.spin_da->setRange(0, PollEngine::kSetCodeMax);
    c.button_da = makeSet(c.group_da, nameOf("Button_CH", n, "DA"));
    c.edit_dac = makeLamp(c.group_da, nameOf("Edit_CH", n, "DAC"));
    c.edit_dac->setText(QStringLiteral("0"));
    c.edit_dac->setAlignment(Qt::AlignRight);
    c.edit_da_value = makeReading(c.group_da, nameOf("Edit_CH", n, "DAValue"));
    c.combo_da_type = makeTypeCombo(c.group_da, nameOf("ComboBox_CH", n, "DAType"), rd24DaTypeList());
    c.label_da_unit = new QLabel(c.group_da);
    c.label_da_unit->setObjectName(nameOf("Label_CH", n, "DAUnit"));
    auto* da = new QGridLayout(c.group_da);
    da->addWidget(c.spin_da, 0, 0);
    da->addWidget(c.button_da, 0, 1);
    da->addWidget(c.edit_dac, 0, 2);
    da->addWidget(c.edit_da_value, 1, 0, 1, 2);
    da->addWidget(c.combo_da_type, 1, 2);
    da->addWidget(c.label_da_unit, 1, 3);

    int width = 0;
    int height = 0;
    for (QGroupBox* group : {c.group_di, c.group_do, c.group_ad, c.group_da}) {
        stack->addWidget(group, 0, 0);
        width = std::max(width, group->sizeHint().width());
        height = std::max(height, group->sizeHint().height());
    }
    // The cell keeps its place whichever group shows, or none.
    c.cell->setMinimumSize(width, height);
    c.ShowGroup(kChannelNone);
    return c;
}
