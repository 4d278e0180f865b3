#include "gui/pages/recorder_page.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include "gui/main/dialog_seam.h"
#include "core/files/file_choice.h"
#include "gui/main/mailbox_pump.h"
#include "core/terminal/receive_pipeline.h"
#include "core/util/send_check.h"

namespace {
constexpr int kAutoTestRateMax = 500;
constexpr int kAutoTestRateDefault = 500;

template <typename T>
T* named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::string latin1(const QString& text) {
    return text.toLatin1().toStdString();
}
} // namespace

RecorderPage::RecorderPage(Port& port, LineSink add_line, MailboxPump& mailbox, ReceivePipeline& pipeline,
                           std::function<void(int)> set_current_command, QWidget* parent, RecorderClock clock)
    : QWidget(parent),
      add_line_(std::move(add_line)),
      mailbox_(mailbox),
      pipeline_(pipeline),
      set_current_command_(std::move(set_current_command)),
      // The letter only says the counters changed: they are read when it is shown.
      auto_test_(port, [this](const AutoTestCounters&) { mailbox_.Queue(counters_box_.box()); }),
      recorder_(*this, auto_test_, std::move(clock)) {
    BuildControls();
    InitConnections();
    InitMailbox();

    recorder_.Clear();
    recorder_.SetDirectory(QFile::encodeName(DefaultFileFolder()).toStdString());
    RecorderShowState();
    CSpinEdit_AutoTestRate->setValue(kAutoTestRateDefault);
    AutoTestReset();

    pipeline_.SetRecorderKeyword(recorder_.state().keyword);
    pipeline_.SetRecorderHook([this](const std::uint8_t* line, std::int32_t length) {
        return recorder_.TakeLine(line, length, pipeline_.receive_mode());
    });
}

void RecorderPage::BuildControls() {
    auto* layout = new QVBoxLayout(this);

    auto* settings = new QGridLayout;
    Button_StartRecorder = named(new QPushButton(this), "Button_StartRecorder");
    Edit_RecorderKeyword = named(new QLineEdit(this), "Edit_RecorderKeyword");
    Edit_RecorderKeyword->setMaxLength(static_cast<int>(kRecorderKeywordMax));
    CheckBox_RecorderAddTime = named(new QCheckBox(QStringLiteral("Add Time"), this), "CheckBox_RecorderAddTime");
    CheckBox_RecorderAutosave = named(new QCheckBox(QStringLiteral("Auto Save"), this), "CheckBox_RecorderAutosave");
    Edit_RecorderAutoSaveFileName = named(new QLineEdit(this), "Edit_RecorderAutoSaveFileName");
    CSpinEdit_RecorderAutosaveFileNo = named(new QSpinBox(this), "CSpinEdit_RecorderAutosaveFileNo");
    CSpinEdit_RecorderAutosaveFileNo->setRange(kRecorderNumberMin, kRecorderNumberMax);
    CSpinEdit_RecorderAmountLine = named(new QSpinBox(this), "CSpinEdit_RecorderAmountLine");
    CSpinEdit_RecorderAmountLine->setRange(kRecorderNumberMin, kRecorderNumberMax);
    settings->addWidget(Button_StartRecorder, 0, 0);
    settings->addWidget(new QLabel(QStringLiteral("Keyword"), this), 0, 1);
    settings->addWidget(Edit_RecorderKeyword, 0, 2);
    settings->addWidget(CheckBox_RecorderAddTime, 0, 3);
    settings->addWidget(CheckBox_RecorderAutosave, 1, 0);
    settings->addWidget(new QLabel(QStringLiteral("File Name"), this), 1, 1);
    settings->addWidget(Edit_RecorderAutoSaveFileName, 1, 2);
    settings->addWidget(new QLabel(QStringLiteral("File No"), this), 1, 3);
    settings->addWidget(CSpinEdit_RecorderAutosaveFileNo, 1, 4);
    settings->addWidget(new QLabel(QStringLiteral("Auto Save Amount"), this), 2, 3);
    settings->addWidget(CSpinEdit_RecorderAmountLine, 2, 4);
    settings->setColumnStretch(2, 1);
    layout->addLayout(settings);

    Memo_Recorder = named(new QPlainTextEdit(this), "Memo_Recorder");
    Memo_Recorder->setReadOnly(true);
    Memo_Recorder->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo_Recorder, 1);

    auto* monitor_row = new QHBoxLayout;
    monitor_row->addWidget(new QLabel(QStringLiteral("Total Line"), this));
    Label_RecorderTotalLineAmount = named(new QLabel(QStringLiteral("0"), this), "Label_RecorderTotalLineAmount");
    monitor_row->addWidget(Label_RecorderTotalLineAmount);
    monitor_row->addStretch();
    Button_ClearRecordMonitor =
        named(new QPushButton(QStringLiteral("Clear Monitor"), this), "Button_ClearRecordMonitor");
    Button_SaveCurrentRecord =
        named(new QPushButton(QStringLiteral("Save Current Recorder"), this), "Button_SaveCurrentRecord");
    monitor_row->addWidget(Button_ClearRecordMonitor);
    monitor_row->addWidget(Button_SaveCurrentRecord);
    layout->addLayout(monitor_row);

    auto* group = named(new QGroupBox(QStringLiteral("Auto Test"), this), "GroupBox_AutoTest");
    auto* test = new QGridLayout(group);
    Edit_AutoTestCommand = named(new QLineEdit(group), "Edit_AutoTestCommand");
    CSpinEdit_AutoTestRate = named(new QSpinBox(group), "CSpinEdit_AutoTestRate");
    CSpinEdit_AutoTestRate->setRange(0, kAutoTestRateMax);
    Button_AutoTestStart = named(new QPushButton(QStringLiteral("Start"), group), "Button_AutoTestStart");
    Label_AutoTestSending = named(new QLabel(QStringLiteral("0"), group), "Label_AutoTestSending");
    Label_AutoTestReceive = named(new QLabel(QStringLiteral("0"), group), "Label_AutoTestReceive");
    Label_AutoTestVerify = named(new QLabel(QStringLiteral("0"), group), "Label_AutoTestVerify");
    test->addWidget(Edit_AutoTestCommand, 0, 0, 1, 4);
    test->addWidget(CSpinEdit_AutoTestRate, 0, 4);
    test->addWidget(new QLabel(QStringLiteral("ms"), group), 0, 5);
    test->addWidget(Button_AutoTestStart, 0, 6);
    test->addWidget(new QLabel(QStringLiteral("Sending"), group), 1, 0);
    test->addWidget(Label_AutoTestSending, 1, 1);
    test->addWidget(new QLabel(QStringLiteral("Receive"), group), 1, 2);
    test->addWidget(Label_AutoTestReceive, 1, 3);
    test->addWidget(new QLabel(QStringLiteral("Verify Fault"), group), 1, 4);
    test->addWidget(Label_AutoTestVerify, 1, 5);
    test->setColumnStretch(0, 1);
    layout->addWidget(group);

    Timer_AutoTest = named(new QTimer(this), "Timer_AutoTest");
}

void RecorderPage::InitConnections() {
    connect(Button_StartRecorder, &QPushButton::clicked, this, &RecorderPage::Button_StartRecorderClick);
    connect(Edit_RecorderKeyword, &QLineEdit::textChanged, this, &RecorderPage::Edit_RecorderKeywordChange);
    connect(CheckBox_RecorderAddTime, &QCheckBox::toggled, this, [this](bool on) { recorder_.SetAddTime(on); });
    connect(CheckBox_RecorderAutosave, &QCheckBox::toggled, this, &RecorderPage::CheckBox_RecorderAutosaveClick);
    connect(Edit_RecorderAutoSaveFileName, &QLineEdit::textChanged, this,
            [this](const QString& text) { recorder_.SetBaseName(QFile::encodeName(text).toStdString()); });
    connect(CSpinEdit_RecorderAutosaveFileNo, &QSpinBox::valueChanged, this,
            [this](int value) { recorder_.SetFileNumber(value); });
    connect(CSpinEdit_RecorderAmountLine, &QSpinBox::valueChanged, this,
            [this](int value) { recorder_.SetLineAmount(value); });
    connect(Button_ClearRecordMonitor, &QPushButton::clicked, this, [this] {
        recorder_.Clear();
        DrainEvents();
    });
    connect(Button_SaveCurrentRecord, &QPushButton::clicked, this, &RecorderPage::RecorderSave);

    connect(Edit_AutoTestCommand, &QLineEdit::textChanged, this,
            [this](const QString& text) { auto_test_.SetCommand(latin1(text)); });
    Edit_AutoTestCommand->installEventFilter(this);
    connect(Button_AutoTestStart, &QPushButton::clicked, this, &RecorderPage::Button_AutoTestStartClick);
    connect(Timer_AutoTest, &QTimer::timeout, this, &RecorderPage::AutoTestSend);
}

bool RecorderPage::eventFilter(QObject* watched, QEvent* event) {
    // Clicking the auto-test command makes command line 1 current, as clicking it does.
    if (watched == Edit_AutoTestCommand && event->type() == QEvent::MouseButtonPress) set_current_command_(1);
    return QWidget::eventFilter(watched, event);
}

void RecorderPage::RecorderShowState() {
    const RecorderState state = recorder_.state();
    // The controls take the stored values; their change handlers would only write them back.
    const QSignalBlocker b1(Edit_RecorderKeyword), b2(CheckBox_RecorderAddTime), b3(CheckBox_RecorderAutosave),
        b4(Edit_RecorderAutoSaveFileName), b5(CSpinEdit_RecorderAutosaveFileNo), b6(CSpinEdit_RecorderAmountLine);
    Button_StartRecorder->setText(state.recording ? QStringLiteral("Stop Recorder") : QStringLiteral("Start Recorder"));
    Edit_RecorderKeyword->setText(QString::fromLatin1(state.keyword));
    CheckBox_RecorderAddTime->setChecked(state.add_time);
    CheckBox_RecorderAutosave->setChecked(state.auto_save);
    Edit_RecorderAutoSaveFileName->setText(QFile::decodeName(QByteArray::fromStdString(state.base_name)));
    CSpinEdit_RecorderAutosaveFileNo->setValue(state.file_number);
    CSpinEdit_RecorderAmountLine->setValue(state.line_amount);
    Edit_RecorderAutoSaveFileName->setEnabled(state.auto_save);
    CSpinEdit_RecorderAutosaveFileNo->setEnabled(state.auto_save);
    CSpinEdit_RecorderAmountLine->setEnabled(state.auto_save);
}

void RecorderPage::ShowFileNumber() {
    // A numbered save may skip numbers whose files exist: "File No" shows the next one.
    const QSignalBlocker block(CSpinEdit_RecorderAutosaveFileNo);
    CSpinEdit_RecorderAutosaveFileNo->setValue(recorder_.state().file_number);
}

void RecorderPage::Button_StartRecorderClick() {
    recorder_.SetRecording(!recorder_.state().recording);
    RecorderShowState();
}

void RecorderPage::Edit_RecorderKeywordChange(const QString& text) {
    const std::string keyword = latin1(text);
    recorder_.SetKeyword(keyword);
    pipeline_.SetRecorderKeyword(keyword);
}

void RecorderPage::CheckBox_RecorderAutosaveClick(bool on) {
    recorder_.SetAutoSave(on);
    RecorderShowState();
}

void RecorderPage::RecorderSave() {
    const RecorderState state = recorder_.state();
    if (state.auto_save) {
        recorder_.SaveAuto();
        ShowFileNumber();
    } else {
        const QString path = dialogs().SaveFileName(this, QFile::decodeName(QByteArray::fromStdString(state.directory)),
                                                    QFile::decodeName(QByteArray::fromStdString(state.base_name)),
                                                    QStringLiteral("CSV Files|*.csv"));
        if (path.isEmpty()) return;
        const ChosenFile chosen = split_chosen_file(QFile::encodeName(path).toStdString());
        recorder_.SaveChosen(chosen.directory, chosen.name);
        // The chosen name is the auto-save base name from now on.
        const QSignalBlocker block(Edit_RecorderAutoSaveFileName);
        Edit_RecorderAutoSaveFileName->setText(QFile::decodeName(QByteArray::fromStdString(chosen.name)));
    }
    DrainEvents();
}

void RecorderPage::Button_AutoTestStartClick() {
    if (auto_test_.running()) {
        Timer_AutoTest->stop();
        auto_test_.SetRunning(false);
        Button_AutoTestStart->setText(QStringLiteral("Start"));
        return;
    }
    if (std::string reason = eight_bit_refusal(Edit_AutoTestCommand->text().toStdU32String()); !reason.empty()) {
        add_line_(send_refusal_line("Auto Test", reason));
        return;
    }
    AutoTestReset();
    Button_AutoTestStart->setText(QStringLiteral("Stop"));
    auto_test_.SetRunning(true);
    // A period of 0 leaves the test switched on without a single tick.
    const int period = CSpinEdit_AutoTestRate->value();
    if (period > 0) Timer_AutoTest->start(period);
}

void RecorderPage::AutoTestSend() {
    // A command 8-bit text cannot hold would go out with "?": the test stops instead.
    if (std::string reason = eight_bit_refusal(Edit_AutoTestCommand->text().toStdU32String()); !reason.empty()) {
        add_line_(send_refusal_line("Auto Test", reason));
        if (auto_test_.running()) Button_AutoTestStartClick();
        return;
    }
    if (std::optional<std::string> line = auto_test_.Send()) add_line_(*line);
    DrainEvents();
}

void RecorderPage::AutoTestReset() {
    auto_test_.Reset();
    DrainEvents();
}

void RecorderPage::MonitorAppend(const std::string& line, int count) {
    mailbox_.Queue(append_box_.box(), line, count);
}

void RecorderPage::MonitorClear() {
    mailbox_.Queue(clear_box_.box());
}

void RecorderPage::MessageLine(const std::string& text) {
    mailbox_.Queue(line_box_.box(), text);
}

void RecorderPage::Notice(const std::string& text) {
    mailbox_.Queue(notice_box_.box(), text);
}

void RecorderPage::AutoSaveDue() {
    mailbox_.Queue(save_box_.box());
}

void RecorderPage::InitMailbox() {
    append_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) {
        QStringList lines;
        for (const Letter& letter : batch) lines << QString::fromLatin1(letter.text);
        Memo_Recorder->appendPlainText(lines.join(QLatin1Char('\n')));
        Label_RecorderTotalLineAmount->setText(QString::number(batch.back().number));
    });
    clear_box_ = mailbox_.AddReceiver([this](std::span<Letter>) {
        Memo_Recorder->clear();
        Label_RecorderTotalLineAmount->setText(QStringLiteral("0"));
    });
    counters_box_ = mailbox_.AddReceiver([this](std::span<Letter>) { ShowCounters(auto_test_.counters()); });
    notice_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) {
        for (const Letter& letter : batch) dialogs().message(this, QString::fromLatin1(letter.text));
    });
    line_box_ = mailbox_.AddReceiver([this](std::span<Letter> batch) {
        for (const Letter& letter : batch) add_line_(letter.text);
    });
    save_box_ = mailbox_.AddReceiver([this](std::span<Letter>) {
        recorder_.WriteDueAutoSave();
        ShowFileNumber();
    });
}

void RecorderPage::DrainEvents() {
    mailbox_.DeliverNow();
}

void RecorderPage::ShowCounters(const AutoTestCounters& counters) {
    Label_AutoTestSending->setText(QString::number(counters.sending));
    Label_AutoTestReceive->setText(QString::number(counters.receive));
    Label_AutoTestVerify->setText(QString::number(counters.verify_fault));
}
