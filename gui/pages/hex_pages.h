// The "Gerneral HEX" and "QLP HEX" tabs: six hex texts each, sent as they are or
// wrapped in a ZIK frame with an ID. What is sent and logged lives in hex_send.
#pragma once

#include <QWidget>
#include <array>

#include "core/util/line_sink.h"

class Port;
class QLineEdit;
class QPushButton;
class QSpinBox;

inline constexpr int kHexGroups = 6;

class GeneralHexPage : public QWidget {
    Q_OBJECT

public:
    // Sends on `port`, which outlives the page.
    GeneralHexPage(Port& port, LineSink add_line, QWidget* parent);

private:
    void InitConnections();
    void Button_GeneralHEXSendClick(int n);

    Port& port_;
    LineSink add_line_;
    std::array<QLineEdit*, kHexGroups> Edit_GeneralHEX{};
    std::array<QPushButton*, kHexGroups> Button_GeneralHEXSend{};
};

class QlpHexPage : public QWidget {
    Q_OBJECT

public:
    // Sends on `port`, which outlives the page.
    QlpHexPage(Port& port, LineSink add_line, QWidget* parent);

    void ResetQlpHexTab();

private:
    void InitConnections();
    void Button_QLPHEXSendClick(int n);

    Port& port_;
    LineSink add_line_;
    std::array<QSpinBox*, kHexGroups> CSpinEdit_QLPHEXID{};
    std::array<QLineEdit*, kHexGroups> Edit_QLPHEX{};
    std::array<QPushButton*, kHexGroups> Button_QLPHEXSend{};
};
