// The "QLP ASCII" and "QLP Data" tabs: commands and data frames composed field by
// field, each number in a spin edit and, for most, a hex field kept in step with it.
// The rules and the sends live in qlp_compose.
#pragma once

#include <QWidget>
#include <array>

#include "core/terminal/qlp_compose.h"
#include "core/util/line_sink.h"

class QGroupBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// A spin edit and its hex field.
struct SpinHexPair {
    QSpinBox* spin = nullptr;
    QLineEdit* hex = nullptr;
    int digits = 2;

    // Keeps the two in step; each side writes the other only when a text changes.
    void ConnectPair(QObject* context) const;
    // Sets the value and makes the field show it, an empty field included.
    void Set(int value) const;
    void SetEnabled(bool on) const;
};

class QlpAsciiPage : public QWidget {
    Q_OBJECT

public:
    // Sends on `port`, which outlives the page.
    QlpAsciiPage(Port& port, LineSink add_line, QWidget* parent);

    void ResetQlpAsciiTab();

private:
    struct Group {
        QSpinBox* id = nullptr;
        SpinHexPair function;
        SpinHexPair code1;
        SpinHexPair code2;
        std::array<SpinHexPair, kQlpAsciiValues> values;
        QSpinBox* value_amount = nullptr;
        QPushButton* send = nullptr;
    };

    QGroupBox* BuildGroup(int n);
    void InitConnections();
    void CSpinEdit_QLPASCIIValueAmountChange(int n);
    void Button_QLPASCIISendClick(int n);

    Port& port_;
    LineSink add_line_;
    std::array<Group, kQlpAsciiGroups> groups_;
};

class QlpDataPage : public QWidget {
    Q_OBJECT

public:
    // Sends on `port`, which outlives the page.
    QlpDataPage(Port& port, LineSink add_line, QWidget* parent);

    void ResetQlpDataTab();

private:
    void InitConnections();
    void CSpinEdit_QLPDataDataAmountChange();
    void Button_QLPDataSendClick();

    Port& port_;
    LineSink add_line_;
    QSpinBox* CSpinEdit_QLPDataID = nullptr;
    SpinHexPair function_;
    QSpinBox* CSpinEdit_QLPDataDataAmount = nullptr;
    std::array<SpinHexPair, kQlpDataBytes> data_;
    QPushButton* Button_QLPDataSend = nullptr;
};
