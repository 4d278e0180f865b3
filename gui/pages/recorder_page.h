// The "Recorder" tab: the recorder monitor with its settings and saves, and the
// "Auto Test" group. The recorder takes lines on the receive thread; everything it
// changes on screen goes through the mailbox and is shown on the window thread, in order;
// so does an automatic save that falls due, which the window thread then writes.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "core/terminal/auto_test.h"
#include "core/util/line_sink.h"
#include "core/terminal/recorder.h"
#include "core/util/mailbox.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class MailboxPump;
class ReceivePipeline;

class RecorderPage : public QWidget, private RecorderView {
    Q_OBJECT

public:
    // Installs the recorder as the receive pipeline's recorder hook. Clicking the
    // auto-test command calls set_current_command(1), as clicking command line 1 does.
    // The auto-test sends on `port`; it, the mailbox and the pipeline outlive the page.
    RecorderPage(Port& port, LineSink add_line, MailboxPump& mailbox, ReceivePipeline& pipeline,
                 std::function<void(int)> set_current_command, QWidget* parent, RecorderClock clock = current_time);

    Recorder& recorder() { return recorder_; }
    AutoTest& auto_test() { return auto_test_; }

    void RecorderShowState();
    void RecorderSave();
    void AutoTestSend();
    void AutoTestReset();
    // Shows what the recorder and the auto-test posted, oldest first.
    void DrainEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void InitConnections();
    void InitMailbox();
    void ShowCounters(const AutoTestCounters& counters);
    void ShowFileNumber();

    // RecorderView, called from either thread with the recorder's lock held: each only
    // posts, so nothing is shown (and no message box runs) while the lock is held.
    void MonitorAppend(const std::string& line, int count) override;
    void MonitorClear() override;
    void MessageLine(const std::string& text) override;
    void Notice(const std::string& text) override;
    void AutoSaveDue() override;

    void Button_StartRecorderClick();
    void Edit_RecorderKeywordChange(const QString& text);
    void CheckBox_RecorderAutosaveClick(bool on);
    void Button_AutoTestStartClick();

    LineSink add_line_;
    MailboxPump& mailbox_;
    ReceivePipeline& pipeline_;
    std::function<void(int)> set_current_command_;
    AutoTest auto_test_;
    Recorder recorder_;

    MailboxReceiver append_box_;
    MailboxReceiver clear_box_;
    MailboxReceiver counters_box_;
    MailboxReceiver notice_box_;
    MailboxReceiver line_box_;
    MailboxReceiver save_box_;

    QPushButton* Button_StartRecorder = nullptr;
    QLineEdit* Edit_RecorderKeyword = nullptr;
    QCheckBox* CheckBox_RecorderAddTime = nullptr;
    QCheckBox* CheckBox_RecorderAutosave = nullptr;
    QLineEdit* Edit_RecorderAutoSaveFileName = nullptr;
    QSpinBox* CSpinEdit_RecorderAutosaveFileNo = nullptr;
    QSpinBox* CSpinEdit_RecorderAmountLine = nullptr;
    QPushButton* Button_ClearRecordMonitor = nullptr;
    QPushButton* Button_SaveCurrentRecord = nullptr;
    QPlainTextEdit* Memo_Recorder = nullptr;
    QLabel* Label_RecorderTotalLineAmount = nullptr;

    QLineEdit* Edit_AutoTestCommand = nullptr;
    QSpinBox* CSpinEdit_AutoTestRate = nullptr;
    QPushButton* Button_AutoTestStart = nullptr;
    QLabel* Label_AutoTestSending = nullptr;
    QLabel* Label_AutoTestReceive = nullptr;
    QLabel* Label_AutoTestVerify = nullptr;
    QTimer* Timer_AutoTest = nullptr;
};
