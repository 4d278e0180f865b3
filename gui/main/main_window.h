// The main window: message list, menu, port flows, receive start and stop.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "core/terminal/console_session.h"
#include "core/util/ordered_line_queue.h"

class QDialog;
class QGroupBox;
class QLabel;
class QAbstractItemView;
class QPushButton;
class QTabWidget;
class QTimer;
class QVBoxLayout;
class MessageListModel;
class TForm_ComportSetup;
class TForm_Message;
class GeneralAsciiPage;
class ReceivePipeline;
class ReceiveSettingsPanel;

// The other windows the main window opens; all are created once at start-up.
struct MainWindowPeers {
    TForm_Message* message = nullptr;
    TForm_ComportSetup* comport_setup = nullptr;
    QDialog* rd24_operate = nullptr;
    QDialog* about = nullptr;
    QDialog* company = nullptr;
    QDialog* uart_detect = nullptr;
    QDialog* link_monitor = nullptr;
    QDialog* pt57_operate = nullptr;
};

class TForm_ZQ70_Main : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm_ZQ70_Main(QWidget* parent = nullptr);
    ~TForm_ZQ70_Main() override;

    void setPeers(const MainWindowPeers& peers) { peers_ = peers; }

    // Appends one line to the message list; callable from any thread, keeps call order.
    void AddMessageLine(const std::string& text);
    void AddMessageLine(const QString& text);
    void ClearMessageList();
    // Replaces the list with loaded lines; the counter shows 0 and counts later lines only.
    void LoadMessageLines(const std::vector<std::string>& lines);
    void ConfigureComport();

    ConsoleSession& session() { return *session_; }
    // What the receive thread runs: line cutting, display, reply and recorder hooks.
    ReceivePipeline& pipeline() { return *pipeline_; }
    GeneralAsciiPage* generalAsciiPage() const { return general_ascii_; }
    // Makes command line n current, as clicking Edit_CommandN does.
    void SetCurrentCommand(int n);
    const MessageListModel& messageModel() const { return *model_; }
    QTabWidget* pages() const { return pages_; }
    // Where the receive display settings sit, below the message list.
    QVBoxLayout* receiveSettingsArea() const { return receive_area_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void buildControls();
    void addPage(QWidget* page, const char* name, const char* caption);
    void initActionsConnections();
    void wireReceivePipeline();
    void FormShow();
    void DrainMessages();
    void ScheduleDrain();
    void ShowLineCount(bool now);
    void ApplyControls(const ReceiveControls& controls);

    void ComportCloseClick();
    void QLPDetectClick();
    void RD24DeviceClick();
    void PT57DeviceClick();
    void OpenDevicePanel(QDialog* panel);
    void ShowModal(QDialog* window);

    // Declared before the session: the receive thread, stopped with the session,
    // feeds the queue until then.
    OrderedLineQueue queue_;
    // Outlives the session, whose receive thread runs it.
    std::unique_ptr<ReceivePipeline> pipeline_;
    std::unique_ptr<ConsoleSession> session_;
    MainWindowPeers peers_;
    bool shown_once_ = false;
    long long line_count_ = 0;

    MessageListModel* model_ = nullptr;
    QAbstractItemView* memo_message_ = nullptr;
    QLabel* label_total_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QVBoxLayout* receive_area_ = nullptr;
    QGroupBox* group_uart_operate_ = nullptr;
    QPushButton* button_start_receive_ = nullptr;
    QPushButton* button_stop_receive_ = nullptr;
    QTimer* drain_timer_ = nullptr;
    QElapsedTimer last_drain_;
    QTimer* count_timer_ = nullptr;
    QElapsedTimer count_shown_;
    GeneralAsciiPage* general_ascii_ = nullptr;
    ReceiveSettingsPanel* receive_settings_ = nullptr;
};
