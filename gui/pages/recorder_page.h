// The "Recorder" tab: the recorder monitor with its settings and saves, and the
// "Auto Test" group. The recorder takes lines on the receive thread; everything it
// changes on screen is queued and shown here on the window thread, in order.
#pragma once

#include <QWidget>
#include <mutex>
#include <string>
#include <vector>

#include "core/terminal/auto_test.h"
#include "core/terminal/recorder.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class TForm_ZQ70_Main;

class RecorderPage : public QWidget, private RecorderView {
    Q_OBJECT

public:
    // Installs the recorder as the receive pipeline's recorder hook.
    RecorderPage(TForm_ZQ70_Main* main, QWidget* parent, RecorderClock clock = current_time);

    Recorder& recorder() { return recorder_; }
    AutoTest& autoTest() { return auto_test_; }

    void RecorderShowState();
    void RecorderSave();
    void AutoTestSend();
    void AutoTestReset();
    // Shows what the recorder and the auto-test queued, oldest first.
    void DrainEvents();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Event {
        enum Kind { kAppend, kClear, kCounters, kNotice } kind;
        std::string text;
        int count = 0;
        AutoTestCounters counters;
    };

    void buildControls();
    void initConnections();
    void Push(Event event);
    void ShowCounters(const AutoTestCounters& counters);

    // RecorderView, called from either thread with the recorder's lock held.
    void MonitorAppend(const std::string& line, int count) override;
    void MonitorClear() override;
    void MessageLine(const std::string& text) override;
    void Notice(const std::string& text) override;

    void Button_StartRecorderClick();
    void Edit_RecorderKeywordChange(const QString& text);
    void CheckBox_RecorderAutosaveClick(bool on);
    void Button_AutoTestStartClick();

    TForm_ZQ70_Main* main_;
    AutoTest auto_test_;
    Recorder recorder_;

    std::mutex events_mutex_;
    std::vector<Event> events_;
    bool draining_ = false;

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
