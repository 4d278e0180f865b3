// The controls of one channel of an operate panel: four group boxes (DI, DO, AD, DA)
// lying on top of each other, of which at most the one of the channel's kind shows,
// and the status lamps the panels colour.
#pragma once

#include <QWidget>

#include "core/panels/poll_engine.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// Green for on, success and online; red for failure and offline; the window colour
// for off and unknown. A lamp is a disabled edit.
QColor lampColour(Lamp lamp);
void setLamp(QLineEdit* edit, Lamp lamp);
QLineEdit* makeLamp(QWidget* parent, const QString& name);

struct ChannelControls {
    QWidget* cell = nullptr;
    QGroupBox* group_di = nullptr;
    QLineEdit* edit_di = nullptr;
    QGroupBox* group_do = nullptr;
    QLineEdit* edit_do = nullptr;
    QPushButton* button_do = nullptr;
    QGroupBox* group_ad = nullptr;
    QLineEdit* edit_ad = nullptr;
    QComboBox* combo_ad_type = nullptr;
    QLineEdit* edit_ad_value = nullptr;
    QLabel* label_ad_unit = nullptr;
    QGroupBox* group_da = nullptr;
    QSpinBox* spin_da = nullptr;
    QPushButton* button_da = nullptr;
    QLineEdit* edit_dac = nullptr;
    QLineEdit* edit_da_value = nullptr;
    QComboBox* combo_da_type = nullptr;
    QLabel* label_da_unit = nullptr;

    // Shows the group of that kind only; kChannelNone hides all four.
    void ShowGroup(ChannelKind kind);
};

// Builds channel `number` (1-based, as the control names count) inside a cell of
// `parent`, with the AD and DA type lists filled in.
ChannelControls buildChannelControls(QWidget* parent, int number);
