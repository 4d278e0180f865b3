// The main window: message list, menu, port flows, receive start and stop.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/terminal/console_session.h"
#include "core/util/mailbox.h"

class QDialog;
class QGroupBox;
class QLabel;
class QAbstractItemView;
class QAction;
class QPushButton;
class QTabWidget;
class QTimer;
class MailboxPump;
class CountingPort;
class PortReconnect;
class StatusLine;
class MessageFiles;
class MessageListModel;
class TForm_ComportSetup;
class TForm_Message;
class OperatePanel;
struct DeviceFamily;
class FindBar;
class GeneralAsciiPage;
class ReceivePipeline;
class ReceiveSettingsPanel;
class ZumLink;

// The other windows the main window opens; all are created once at start-up.
struct MainWindowPeers {
    TForm_Message* message = nullptr;
    TForm_ComportSetup* comport_setup = nullptr;
    std::vector<OperatePanel*> operate_panels; // one per device family
    QDialog* about = nullptr;
    QDialog* company = nullptr;
    QDialog* uart_detect = nullptr;
    QDialog* link_monitor = nullptr;
};

class TForm_ZQ70_Main : public QMainWindow {
    Q_OBJECT

public:
    // Everything other threads hand to the window goes through `mailbox`; the window
    // talks to the line through `link` and its port. Both outlive the window.
    TForm_ZQ70_Main(MailboxPump& mailbox, ZumLink& link, QWidget* parent = nullptr);
    ~TForm_ZQ70_Main() override;

    // Also lets the receive path know when a device panel shows.
    void SetPeers(const MainWindowPeers& peers);
    // The port's byte counts the status line shows (the program's port wraps its line
    // in it); without one the counts stay 0.
    void SetByteCounter(CountingPort* counter);
    // Whether a port whose device vanished is brought back by itself (on by default).
    void SetReconnect(bool on);
    bool reconnect() const { return reconnect_on_; }

    // Appends one line to the message list; callable from any thread, keeps call order.
    // With time stamps on, the line is stamped with the time of this call.
    void AddMessageLine(const std::string& text);
    void AddMessageLine(const QString& text);
    void ClearMessageList();
    // Replaces the list with loaded lines; the counter shows 0 and counts later lines only.
    void LoadMessageLines(const std::vector<std::string>& lines);
    void ConfigureComport();
    // Configures the port as "Configure" confirmed with `setting` would; with a
    // `path`, that device instead of the setting's COM number.
    void ConfigureWith(const ComportSetting& setting, const std::string& path = {});
    // Told when something kept between runs changed (a configure) and when the
    // window closes, so it is saved.
    void SetSettingsChanged(std::function<void()> changed) { settings_changed_ = std::move(changed); }
    ReceiveSettingsPanel* receive_settings() const { return receive_settings_; }
    MessageFiles* message_files() const { return message_files_; }
    // The status line and title after a change of the port's state.
    void ShowPortStatus();
    // Opens the confirmed setting (or `path`); a network port's open, which may wait
    // seconds for the server, runs on a thread of its own while the window goes on drawing.
    void OpenConfirmed(const ComportSetting& setting, const std::string& path = {});

    ConsoleSession& session() { return *session_; }
    const ComportSetting& session_setting() const { return session_->setting(); }
    // The port the window's senders and session use.
    Port& port() { return port_; }
    // What the receive thread runs: line cutting, display, reply and recorder hooks.
    ReceivePipeline& pipeline() { return *pipeline_; }
    GeneralAsciiPage* general_ascii_page() const { return general_ascii_; }
    // Makes command line n current, as clicking Edit_CommandN does.
    void SetCurrentCommand(int n);
    const MessageListModel& message_model() const { return *model_; }
    MessageListModel& message_model() { return *model_; }
    MailboxPump& mailbox() { return mailbox_; }
    QTabWidget* pages() const { return pages_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void BuildControls();
    void BuildPages();
    void AddPage(QWidget* page, const char* name, const char* caption);
    void InitActionsConnections();
    void WireReceivePipeline();
    void FormShow();
    void ShowLines(std::span<Letter> batch);
    // Appends a line as it is (the receive pipeline's lines come stamped).
    void PostMessageLine(const std::string& text);
    void ShowLineCount(bool now);
    QAction* action(const char* name) const;
    void ApplyControls(const ReceiveControls& controls);
    void ShowByteCounts();
    // Watches for a lost port's device while the session says it is lost.
    void FollowLostPort();

    void ComportCloseClick();
    void QLPDetectClick();
    // The family's "... Device" entry: its panel with a device of model None.
    void DeviceClick(const DeviceFamily& family);
    // True when the port is open; otherwise says so and the panel stays closed.
    bool PortOpenForPanel();
    void ShowModal(QDialog* window);

    MailboxPump& mailbox_;
    ZumLink& link_;
    Port& port_;
    // Outlives the session, whose receive thread runs it.
    std::unique_ptr<ReceivePipeline> pipeline_;
    std::unique_ptr<ConsoleSession> session_;
    // Removed before the session goes: nothing is delivered to a window being destroyed.
    MailboxReceiver lines_box_;
    MailboxReceiver fault_box_;
    MailboxReceiver counts_box_;
    // A letter to show the counts is on its way: bytes that come meanwhile ride with it.
    std::atomic<bool> counts_posted_{false};
    MainWindowPeers peers_;
    bool shown_once_ = false;
    long long line_count_ = 0;
    // The thread the window was made on: asked on every line from the receive thread,
    // and cheaper to compare than QThread::currentThread().
    const std::thread::id gui_thread_ = std::this_thread::get_id();

    MessageListModel* model_ = nullptr;
    QAbstractItemView* memo_message_ = nullptr;
    FindBar* find_bar_ = nullptr;
    QLabel* label_total_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QGroupBox* group_uart_operate_ = nullptr;
    QPushButton* button_start_receive_ = nullptr;
    QPushButton* button_stop_receive_ = nullptr;
    QTimer* count_timer_ = nullptr;
    QElapsedTimer count_shown_;
    GeneralAsciiPage* general_ascii_ = nullptr;
    ReceiveSettingsPanel* receive_settings_ = nullptr;
    StatusLine* status_line_ = nullptr;
    MessageFiles* message_files_ = nullptr;
    CountingPort* counter_ = nullptr;
    PortReconnect* reconnect_ = nullptr;
    bool reconnect_on_ = true;
    std::function<void()> settings_changed_;
};
