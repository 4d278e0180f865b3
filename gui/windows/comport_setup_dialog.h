// The modal dialog in which the user picks the serial port and its line settings.
// It edits a copy; the caller applies the setting after "Ok".
#pragma once

#include <QDialog>

#include <memory>

#include "core/serial/port_values.h"

class QCheckBox;
class QComboBox;
class SystemPortsBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class MailboxPump;
class ReachabilityNote;

class TForm_ComportSetup : public QDialog {
    Q_OBJECT

public:
    explicit TForm_ComportSetup(QWidget* parent = nullptr);
    ~TForm_ComportSetup() override;
    // Where the reachability of a port's network address comes back; without it the
    // address is shown unchecked.
    void SetMailbox(MailboxPump& mailbox);

    void SetSetting(const ComportSetting& setting) { saved_ = setting; }
    ComportSetting GetSetting() const { return saved_; }
    bool Confirmed() const { return confirmed_; }
    // "Reconnect": whether a port whose device vanished comes back by itself.
    void SetReconnect(bool on) { reconnect_ = on; }
    bool Reconnect() const { return reconnect_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void ShowWorking();
    void ReadControls();
    void ShowProgrammedRate();
    void ShowPortPath();
    void Botton_OKClick();
    void Button_AbortClick();
    void Button_DefaultClick();

    ComportSetting saved_;
    ComportSetting working_;
    bool confirmed_ = false;
    bool filling_ = false;
    bool reconnect_ = true;

    QComboBox* combo_port_ = nullptr;
    QComboBox* combo_baud_ = nullptr;
    QComboBox* combo_parity_ = nullptr;
    QComboBox* combo_databit_ = nullptr;
    QComboBox* combo_stopbit_ = nullptr;
    QSpinBox* spin_fixrate_ = nullptr;
    QLineEdit* edit_fixed_rate_ = nullptr;
    QLabel* label_port_path_ = nullptr;
    QCheckBox* check_reconnect_ = nullptr;
    SystemPortsBox* system_ports_ = nullptr;
    std::unique_ptr<ReachabilityNote> reachability_;
};
