// The "Recorder" tab over a pseudo-terminal: lines taken by keyword, saves, and the
// auto-test against a far end that echoes what it receives.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTimer>
#include <atomic>
#include <thread>

#include "core/terminal/receive_pipeline.h"
#include "gui/main/mailbox_pump.h"
#include "gui/pages/recorder_page.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"

namespace {
QString readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
    return QString::fromLatin1(file.readAll());
}

// The far end as a loop-back device: every "#..." it receives comes back with CR LF.
class EchoDevice {
public:
    explicit EchoDevice(PtyPair& far) : far_(far), thread_([this] { run(); }) {}
    ~EchoDevice() {
        stop_ = true;
        thread_.join();
    }
    int commands() const { return commands_.load(); }

private:
    void run() {
        using namespace std::chrono_literals;
        while (!stop_) {
            Bytes in = far_.read_quiet(5ms, 50ms);
            std::string text(in.begin(), in.end());
            std::size_t start = text.find('#');
            while (start != std::string::npos) {
                std::size_t next = text.find('#', start + 1);
                far_.write(text.substr(start, next - start) + "\r\n");
                ++commands_;
                start = next;
            }
        }
    }

    PtyPair& far_;
    std::atomic<bool> stop_{false};
    std::atomic<int> commands_{0};
    std::thread thread_;
};
} // namespace

class RecorderPageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowHarness> h;
    std::unique_ptr<TempDir> dir;

    QString monitor() const { return h->control<QPlainTextEdit>("Memo_Recorder")->toPlainText(); }
    QString file(const char* name) const { return QString::fromStdString(dir->file(name)); }
    ReceivePipeline& pipeline() const { return h->main()->pipeline(); }

    void startRecording(int lineControl = kLineControlCrLf) {
        h->openPort();
        pipeline().SetLineControlMode(lineControl, "");
        h->click("Button_StartRecorder");
    }

    // Points the recorder's folder at the temporary folder through a manual save.
    void chooseFolder(const char* name) {
        h->dialogs.file_answers.push_back(file(name));
        h->click("Button_SaveCurrentRecord");
    }

private slots:
    void init() {
        h = std::make_unique<WindowHarness>();
        dir = std::make_unique<TempDir>();
    }
    void cleanup() {
        h.reset();
        dir.reset();
    }

    void startsWithTheDefaults() {
        QCOMPARE(h->text("Button_StartRecorder"), QStringLiteral("Start Recorder"));
        QCOMPARE(h->text("Edit_RecorderKeyword"), QStringLiteral("#"));
        QCOMPARE(pipeline().recorder_keyword(), std::string("#"));
        QCOMPARE(h->text("Edit_RecorderAutoSaveFileName"), QStringLiteral("recorder"));
        QCOMPARE(h->value("CSpinEdit_RecorderAutosaveFileNo"), 1);
        QCOMPARE(h->value("CSpinEdit_RecorderAmountLine"), 1000);
        QVERIFY(!h->enabled("Edit_RecorderAutoSaveFileName"));
        QVERIFY(!h->enabled("CSpinEdit_RecorderAutosaveFileNo"));
        QVERIFY(!h->enabled("CSpinEdit_RecorderAmountLine"));
        QVERIFY(!h->control<QCheckBox>("CheckBox_RecorderAddTime")->isChecked());
        QCOMPARE(h->value("CSpinEdit_AutoTestRate"), 500);
        QCOMPARE(h->control<QSpinBox>("CSpinEdit_AutoTestRate")->maximum(), 500);
        QCOMPARE(h->text("Button_AutoTestStart"), QStringLiteral("Start"));
        for (const char* label : {"Label_AutoTestSending", "Label_AutoTestReceive", "Label_AutoTestVerify",
                                  "Label_RecorderTotalLineAmount"})
            QCOMPARE(h->text(label), QStringLiteral("0"));
        QVERIFY(!h->control<QTimer>("Timer_AutoTest")->isActive());
        QCOMPARE(h->control<QLineEdit>("Edit_RecorderKeyword")->maxLength(), 2047);
    }

    void autoSaveEnablesItsControls() {
        h->control<QCheckBox>("CheckBox_RecorderAutosave")->click();
        QVERIFY(h->enabled("Edit_RecorderAutoSaveFileName"));
        QVERIFY(h->enabled("CSpinEdit_RecorderAmountLine"));
        h->click("Button_StartRecorder");
        QCOMPARE(h->text("Button_StartRecorder"), QStringLiteral("Stop Recorder"));
        h->click("Button_StartRecorder");
        QCOMPARE(h->text("Button_StartRecorder"), QStringLiteral("Start Recorder"));
    }

    void keywordLinesGoToTheMonitor() {
        startRecording();
        QVERIFY(h->far.write("#12\r\n12#\r\n"));
        QTRY_COMPARE(h->lastLine(), QStringLiteral("12#<CR><LF>"));
        QTRY_COMPARE(monitor(), QStringLiteral("#12<CR><LF>"));
        QCOMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("1"));
        QVERIFY(!h->lines().contains(QStringLiteral("#12<CR><LF>")));
    }

    void emptyKeywordTakesEveryLine() {
        startRecording();
        h->setText("Edit_RecorderKeyword", "");
        QCOMPARE(pipeline().recorder_keyword(), std::string());
        const int before = h->lines().size();
        QVERIFY(h->far.write("a\r\nb\r\n"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("2"));
        QCOMPARE(monitor(), QStringLiteral("a<CR><LF>\nb<CR><LF>"));
        QCOMPARE(h->lines().size(), before);
    }

    void modeNoneRemovesControlsAndKeyword() {
        startRecording(kLineControlLf);
        pipeline().SetReceiveMode(kReceiveModeNone);
        h->setText("Edit_RecorderKeyword", "AB");
        QVERIFY(h->far.write(Bytes{'A', 'B', 0x0D, '1', '2', 0x0A}));
        QTRY_COMPARE(monitor(), QStringLiteral("12"));
    }

    void recordingOffShowsLinesInTheList() {
        h->openPort();
        pipeline().SetLineControlMode(kLineControlCrLf, "");
        QVERIFY(h->far.write("#1\r\n"));
        QTRY_COMPARE(h->lastLine(), QStringLiteral("#1<CR><LF>"));
        QCOMPARE(monitor(), QString());
    }

    void timeStampComesFromTheClock() {
        // A second page, owned by the window, takes over the pipeline's recorder hook.
        TForm_ZQ70_Main* main = h->main();
        auto* page = new RecorderPage(main->port(), [main](const std::string& line) { main->AddMessageLine(line); },
                                      h->windows->mailbox(), main->pipeline(),
                                      [main](int n) { main->SetCurrentCommand(n); }, main,
                                      [] { return TimeOfDay{9, 5, 3}; });
        h->openPort();
        pipeline().SetLineControlMode(kLineControlCrLf, "");
        child<QPushButton>(page, "Button_StartRecorder")->click();
        child<QCheckBox>(page, "CheckBox_RecorderAddTime")->click();
        pipeline().SetReceiveMode(kReceiveModeNone);
        QVERIFY(h->far.write("#OK\r\n"));
        QTRY_COMPARE(child<QPlainTextEdit>(page, "Memo_Recorder")->toPlainText(), QStringLiteral("9,5,3,OK"));
    }

    void manualSaveWritesCsvAndClears() {
        const QString start = DefaultFileFolder(); // the dialog moves it to the chosen folder
        startRecording();
        QVERIFY(h->far.write("#1\r\n#2\r\n"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("2"));
        chooseFolder("picked.txt");
        QCOMPARE(h->dialogs.fileFilters.last(), QStringLiteral("CSV Files|*.csv"));
        QCOMPARE(h->dialogs.fileNames.last(), QStringLiteral("recorder"));
        QCOMPARE(h->dialogs.fileFolders.last(), start);
        QCOMPARE(readFile(file("picked.csv")), QStringLiteral("#1<CR><LF>\r\n#2<CR><LF>\r\n"));
        QCOMPARE(h->lastLine(), "---* File Operate *---   Save Recorder File " + file("picked.csv"));
        QCOMPARE(monitor(), QString());
        QCOMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("0"));
        QCOMPARE(h->text("Edit_RecorderAutoSaveFileName"), QStringLiteral("picked"));
        // The next dialog starts where the last save went.
        h->dialogs.file_answers.push_back(QString());
        h->click("Button_SaveCurrentRecord");
        QCOMPARE(h->dialogs.fileFolders.last(), QString::fromStdString(dir->path()) + "/");
        QCOMPARE(h->dialogs.fileNames.last(), QStringLiteral("picked"));
    }

    void autoSaveNumbersTheFiles() {
        startRecording();
        chooseFolder("first.csv");
        // A file of an earlier run under the first number is kept.
        QFile earlier(file("log_1.csv"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();
        h->control<QCheckBox>("CheckBox_RecorderAutosave")->click();
        h->setText("Edit_RecorderAutoSaveFileName", "log");
        h->setValue("CSpinEdit_RecorderAmountLine", 3);
        QVERIFY(h->far.write("#1\r\n#2\r\n#3\r\n"));
        QTRY_COMPARE(readFile(file("log_2.csv")), QStringLiteral("#1<CR><LF>\r\n#2<CR><LF>\r\n#3<CR><LF>\r\n"));
        QTRY_COMPARE(h->lastLine(), "---* File Operate *---   Save Recorder File " + file("log_2.csv"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("0"));
        QCOMPARE(monitor(), QString());
        QCOMPARE(readFile(file("log_1.csv")), QStringLiteral("earlier"));
        // "File No" shows the number the next file takes.
        QTRY_COMPARE(h->value("CSpinEdit_RecorderAutosaveFileNo"), 3);
        QVERIFY(h->far.write("#4\r\n#5\r\n#6\r\n"));
        QTRY_COMPARE(readFile(file("log_3.csv")), QStringLiteral("#4<CR><LF>\r\n#5<CR><LF>\r\n#6<CR><LF>\r\n"));
        QTRY_COMPARE(h->value("CSpinEdit_RecorderAutosaveFileNo"), 4);
        h->setValue("CSpinEdit_RecorderAutosaveFileNo", 7);
        QVERIFY(h->far.write("#7\r\n#8\r\n#9\r\n"));
        QTRY_COMPARE(readFile(file("log_7.csv")), QStringLiteral("#7<CR><LF>\r\n#8<CR><LF>\r\n#9<CR><LF>\r\n"));
        QVERIFY(!QFile::exists(file("log_4.csv")));
    }

    void emptyBaseNameWarnsOnceAndKeepsTheLines() {
        startRecording();
        h->control<QCheckBox>("CheckBox_RecorderAutosave")->click();
        h->setText("Edit_RecorderAutoSaveFileName", "");
        h->setValue("CSpinEdit_RecorderAmountLine", 2);
        QVERIFY(h->far.write("#1\r\n#2\r\n#3\r\n"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("3"));
        QVERIFY(h->far.write("#4\r\n"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("4"));
        h->main()->mailbox().DeliverNow();
        QCOMPARE(h->dialogs.messages,
                 QStringList{QStringLiteral("Recorder File Name is Empty! There is no file had been saved.")});
        QCOMPARE(monitor(), QStringLiteral("#1<CR><LF>\n#2<CR><LF>\n#3<CR><LF>\n#4<CR><LF>"));
    }

    void unwritableFileTellsWhyAndKeepsTheLines() {
        startRecording();
        chooseFolder("gone/x.csv"); // the folder does not exist
        QCOMPARE(h->dialogs.messages.size(), 1);
        QVERIFY(h->dialogs.messages[0].contains(file("gone/x.csv")));
        QVERIFY(h->dialogs.messages[0].contains(QStringLiteral("No such file or directory")));
        QVERIFY(h->far.write("#1\r\n"));
        QTRY_COMPARE(monitor(), QStringLiteral("#1<CR><LF>"));
        h->dialogs.file_answers.push_back(file("gone/x.csv"));
        h->click("Button_SaveCurrentRecord");
        QCOMPARE(monitor(), QStringLiteral("#1<CR><LF>"));
        QVERIFY(!h->lastLine().startsWith(QStringLiteral("---* File Operate")));
    }

    void clearMonitor() {
        startRecording();
        QVERIFY(h->far.write("#1\r\n"));
        QTRY_COMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("1"));
        h->click("Button_ClearRecordMonitor");
        QCOMPARE(monitor(), QString());
        QCOMPARE(h->text("Label_RecorderTotalLineAmount"), QStringLiteral("0"));
    }

    void autoTestCounts_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("all_faults");
        QTest::newRow("none") << int(kReceiveModeNone) << false;
        QTest::newRow("ascii") << int(kReceiveModeAscii) << true;
    }

    void autoTestCounts() {
        QFETCH(int, mode);
        QFETCH(bool, all_faults);
        startRecording();
        pipeline().SetReceiveMode(mode);
        h->setText("Edit_AutoTestCommand", "hello");
        h->setValue("CSpinEdit_AutoTestRate", 40);
        int echoed = 0;
        {
            EchoDevice echo(h->far);
            h->click("Button_AutoTestStart");
            QCOMPARE(h->text("Button_AutoTestStart"), QStringLiteral("Stop"));
            QVERIFY(h->control<QTimer>("Timer_AutoTest")->isActive());
            QCOMPARE(h->control<QTimer>("Timer_AutoTest")->interval(), 40);
            QTRY_VERIFY(h->text("Label_AutoTestReceive").toInt() >= 3);
            h->click("Button_AutoTestStart");
            QTest::qWait(150);
            echoed = echo.commands();
        }
        QCOMPARE(h->text("Button_AutoTestStart"), QStringLiteral("Start"));
        QVERIFY(!h->control<QTimer>("Timer_AutoTest")->isActive());
        const int sending = h->text("Label_AutoTestSending").toInt();
        const int receive = h->text("Label_AutoTestReceive").toInt();
        QCOMPARE(sending, echoed);
        QVERIFY(receive >= 3 && receive <= sending);
        QCOMPARE(h->text("Label_AutoTestVerify").toInt(), all_faults ? receive : 0);
        // The counters keep their values after a stop.
        QVERIFY(h->far.write("#x\r\n"));
        QTRY_VERIFY(monitor().endsWith(mode == kReceiveModeNone ? "x" : "#x<CR><LF>"));
        QCOMPARE(h->text("Label_AutoTestReceive").toInt(), receive);
    }

    void autoTestRateZeroSendsNothing() {
        h->openPort();
        h->setText("Edit_AutoTestCommand", "hello");
        h->setValue("CSpinEdit_AutoTestRate", 0);
        h->click("Button_AutoTestStart");
        QCOMPARE(h->text("Button_AutoTestStart"), QStringLiteral("Stop"));
        QVERIFY(!h->control<QTimer>("Timer_AutoTest")->isActive());
        QTest::qWait(100);
        QVERIFY(h->far.read_quiet().empty());
        QCOMPARE(h->text("Label_AutoTestSending"), QStringLiteral("0"));
    }

    void autoTestMalformedCommandErrsEveryTick() {
        h->openPort();
        h->setText("Edit_AutoTestCommand", "AB<C");
        h->setValue("CSpinEdit_AutoTestRate", 10);
        h->click("Button_AutoTestStart");
        QTRY_VERIFY(h->lines().count(QStringLiteral("---* Send General ASCII COMMAND *---   String Error!")) >= 3);
        h->click("Button_AutoTestStart");
        QCOMPARE(h->text("Label_AutoTestSending"), QStringLiteral("0"));
        QVERIFY(h->far.read_quiet().empty());
    }

    void autoTestWithoutPortReportsEveryTick() {
        h->setText("Edit_AutoTestCommand", "x");
        h->setValue("CSpinEdit_AutoTestRate", 10);
        h->click("Button_AutoTestStart");
        QTRY_VERIFY(h->lines().count(QStringLiteral("---* Send General ASCII COMMAND *---   None Com Setup.")) >= 2);
        h->click("Button_AutoTestStart");
    }

    void autoTestRestartResetsTheCounters() {
        h->openPort();
        h->setText("Edit_AutoTestCommand", "x");
        h->setValue("CSpinEdit_AutoTestRate", 10);
        h->click("Button_AutoTestStart");
        QTRY_VERIFY(h->text("Label_AutoTestSending").toInt() >= 2);
        h->click("Button_AutoTestStart");
        h->setValue("CSpinEdit_AutoTestRate", 0);
        h->click("Button_AutoTestStart");
        QCOMPARE(h->text("Label_AutoTestSending"), QStringLiteral("0"));
        h->click("Button_AutoTestStart");
    }

    void clickingTheCommandMakesLineOneCurrent() {
        QTest::mouseClick(h->control<QLineEdit>("Edit_AutoTestCommand"), Qt::LeftButton);
        QCOMPARE(h->text("Label_CurrentCommandNo"), QStringLiteral("1"));
    }
};

QTEST_MAIN(RecorderPageTest)
#include "recorder_page_test.moc"
