// The receive settings controls and the "General ASCII" tab on the main window,
// offscreen, over a pseudo-terminal whose far end the test drives.
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QRegularExpression>
#include <QTime>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

#include "gui/main/application.h"
#include "gui/pages/general_ascii_page.h"
#include "gui/main/main_window.h"
#include "gui/main/message_list_model.h"
#include "core/terminal/receive_pipeline.h"
#include "gui/windows/comport_setup_dialog.h"
#include "support/pty_pair.h"
#include "support/scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"
#include "support/window_lookup.h"

namespace {

const QString kSendPrefix = QStringLiteral("---* Send General ASCII COMMAND *---   ");
const QString kFilePrefix = QStringLiteral("---* File Operate *---   ");

} // namespace

class PipelineWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<WindowHarness> h_;
    std::unique_ptr<TempDir> dir_;

    TForm_ZQ70_Main* main() { return h_->windows->main(); }

    QStringList lines() { return messageLines(*main()); }

    QLineEdit* edit(int n) { return child<QLineEdit>(main(), QStringLiteral("Edit_Command%1").arg(n)); }
    QPushButton* button(const QString& name) { return child<QPushButton>(main(), name); }
    void click(const QString& name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void trigger(const char* action) { child<QAction>(main(), QString::fromLatin1(action))->trigger(); }
    // Clicks item `index` of a radio group (click(): two synthetic mouse clicks in a
    // row on different buttons would be taken for a double click).
    void choose(const char* group, int index) {
        child<QRadioButton>(main(), QStringLiteral("%1_%2").arg(QLatin1String(group)).arg(index))->click();
    }
    QCheckBox* box(const char* name) { return child<QCheckBox>(main(), QString::fromLatin1(name)); }
    QSpinBox* spin(const char* name) { return child<QSpinBox>(main(), QString::fromLatin1(name)); }
    QTimer* change_line_timer() { return child<QTimer>(main(), QStringLiteral("Timer_ChangeLineWait")); }
    QString lastLength() { return child<QLabel>(main(), QStringLiteral("Label_ReceiveLength"))->text(); }
    QString current_command() { return child<QLabel>(main(), QStringLiteral("Label_CurrentCommandNo"))->text(); }

    void openPort() {
        h_->dialogs.modal_handlers.push_back([](QDialog& dialog) {
            child<QComboBox>(&dialog, QStringLiteral("ComboBox_Comport"))->setCurrentIndex(1);
            QTest::mouseClick(child<QPushButton>(&dialog, QStringLiteral("Botton_OK")), Qt::LeftButton);
        });
        trigger("ComportConfigure");
        QCOMPARE(lines().last(), QStringLiteral("---* Start Receive *---   "));
        h_->far.drain();
    }

    QString localPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

private slots:
    void init() {
        h_ = std::make_unique<WindowHarness>();
        dir_ = std::make_unique<TempDir>();
    }

    void cleanup() {
        h_.reset();
        dir_.reset();
    }

    void startsWithTheDefaults() {
        QVERIFY(child<QRadioButton>(main(), QStringLiteral("RadioGroup_ReceiveMessageMode_1"))->isChecked());
        QVERIFY(child<QRadioButton>(main(), QStringLiteral("RadioGroup_LineControlMode_0"))->isChecked());
        QCOMPARE(child<QRadioButton>(main(), QStringLiteral("RadioGroup_LineControlMode_3"))->text(),
                 QStringLiteral("<CR><LF>"));
        auto* other = child<QLineEdit>(main(), QStringLiteral("Edit_LineControlOther"));
        QVERIFY(other->text().isEmpty());
        QVERIFY(!other->isEnabled());
        QCOMPARE(other->maxLength(), 8);
        QVERIFY(!box("CheckBox_ChangeLine")->isChecked());
        QCOMPARE(spin("CSpinEdit_ReceiveWaitTime")->value(), 200);
        QVERIFY(!spin("CSpinEdit_ReceiveWaitTime")->isEnabled());
        QVERIFY(!change_line_timer()->isActive());
        QVERIFY(!box("CheckBox_QLPFilter")->isChecked());
        QCOMPARE(lastLength(), QStringLiteral("0"));

        ReceivePipeline& p = main()->pipeline();
        QCOMPARE(p.receive_mode(), int(kReceiveModeAscii));
        QCOMPARE(p.terminator(), std::vector<std::uint8_t>{0x00});
        QCOMPARE(p.change_line_wait(), 200);
        QVERIFY(!p.qlp_filter());

        QCOMPARE(current_command(), QStringLiteral("0"));
        for (int n = 1; n <= 20; ++n) {
            QVERIFY(edit(n)->text().isEmpty());
            QCOMPARE(edit(n)->maxLength(), 1023);
            QCOMPARE(button(QStringLiteral("Button_Command%1").arg(n))->text(), QStringLiteral("Command %1").arg(n));
        }
        QCOMPARE(child<QLineEdit>(main(), QStringLiteral("Edit_ASCIIOther"))->maxLength(), 2);
        QVERIFY(child<QRadioButton>(main(), QStringLiteral("RadioGroup_SendReply_0"))->isChecked());
        QCOMPARE(spin("CSpinEdit_ReplyCommand")->value(), 1);
        QVERIFY(!spin("CSpinEdit_ReplyCommand")->isEnabled());
        QCOMPARE(main()->pages()->currentWidget()->objectName(), QStringLiteral("TabSheet_GeneralASCII"));
        QCOMPARE(main()->general_ascii_page()->project_location().directory,
                 QFile::encodeName(DefaultFileFolder()).toStdString());
    }

    void changeLineTimerRunsOnlyWhileEnabledWithAWait() {
        box("CheckBox_ChangeLine")->click();
        QVERIFY(spin("CSpinEdit_ReceiveWaitTime")->isEnabled());
        QVERIFY(change_line_timer()->isActive());
        QCOMPARE(change_line_timer()->interval(), 200);
        spin("CSpinEdit_ReceiveWaitTime")->setValue(0);
        QVERIFY(!change_line_timer()->isActive());
        spin("CSpinEdit_ReceiveWaitTime")->setValue(40);
        QVERIFY(change_line_timer()->isActive());
        QCOMPARE(change_line_timer()->interval(), 40);
        QCOMPARE(main()->pipeline().change_line_wait(), 40);
        QTRY_VERIFY(main()->pipeline().wait_elapsed());
        box("CheckBox_ChangeLine")->click();
        QVERIFY(!change_line_timer()->isActive());
        QVERIFY(!spin("CSpinEdit_ReceiveWaitTime")->isEnabled());
    }

    void lineControlOtherFollowsTheField() {
        auto* other = child<QLineEdit>(main(), QStringLiteral("Edit_LineControlOther"));
        choose("RadioGroup_LineControlMode", 4);
        QVERIFY(other->isEnabled());
        QTest::keyClicks(other, QStringLiteral("0D,0A"));
        QCOMPARE(main()->pipeline().terminator(), (std::vector<std::uint8_t>{0x0D, 0x0A}));
        choose("RadioGroup_LineControlMode", 2);
        QVERIFY(!other->isEnabled());
        QCOMPARE(main()->pipeline().terminator(), std::vector<std::uint8_t>{0x0A});
    }

    // "0D 0A" is read with its blank; "ZZ" guesses no byte: the field shows red and
    // the terminator in use stays.
    void unreadableOtherFieldShowsRedAndKeepsTheTerminator() {
        auto* other = child<QLineEdit>(main(), QStringLiteral("Edit_LineControlOther"));
        choose("RadioGroup_LineControlMode", 4);
        other->clear();
        QTest::keyClicks(other, QStringLiteral("0D 0A"));
        QCOMPARE(main()->pipeline().terminator(), (std::vector<std::uint8_t>{0x0D, 0x0A}));
        const QColor normal = other->palette().color(QPalette::Text);
        other->selectAll();
        QTest::keyClicks(other, QStringLiteral("ZZ"));
        QCOMPARE(main()->pipeline().terminator(), (std::vector<std::uint8_t>{0x0D, 0x0A}));
        QCOMPARE(other->palette().color(QPalette::Text), QColor(255, 0, 0));
        QVERIFY(!other->toolTip().isEmpty());
        other->setText(QStringLiteral("3B"));
        QCOMPARE(main()->pipeline().terminator(), std::vector<std::uint8_t>{0x3B});
        QCOMPARE(other->palette().color(QPalette::Text), normal);
        other->clear();
    }

    // "Time" stamps a line with the read of its first byte, not with when it is drawn:
    // a line without a terminator is drawn a second after it came.
    void aStampedLineCarriesItsArrivalTime() {
        openPort();
        box("CheckBox_TimeStamp")->click();
        const int before = lines().size();
        const QTime sent = QTime::currentTime();
        QVERIFY(h_->far.write("AB"));
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), before + 1, 5000);
        const QTime drawn = QTime::currentTime();
        const QString line = lines().last();
        QCOMPARE(line.mid(12), QStringLiteral(" AB"));
        const QTime stamp = QTime::fromString(line.left(12), QStringLiteral("hh:mm:ss.zzz"));
        QVERIFY2(sent.msecsTo(stamp) >= -1 && sent.msecsTo(stamp) < 500, qPrintable(line));
        QVERIFY2(stamp.msecsTo(drawn) >= 900, qPrintable(line));
        click(QStringLiteral("Button_AddMessageMark"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} -+\\* MARK Line")).match(lines().last()).hasMatch());
    }

    void receivedLinesAreCutShownAndMeasured() {
        openPort();
        choose("RadioGroup_LineControlMode", 3);
        int before = lines().size();
        QVERIFY(h_->far.write("AB\r\nCD"));
        QTRY_COMPARE(lines().size(), before + 1);
        QCOMPARE(lines().last(), QStringLiteral("AB<CR><LF>"));
        QTRY_COMPARE(lastLength(), QStringLiteral("4"));

        // "Enabled" off: the partial line waits for its terminator.
        QTest::qWait(300);
        QCOMPARE(lines().size(), before + 1);

        spin("CSpinEdit_ReceiveWaitTime")->setValue(30);
        box("CheckBox_ChangeLine")->click();
        QTRY_COMPARE(lines().size(), before + 2);
        QCOMPARE(lines().last(), QStringLiteral("CD"));
        QTRY_COMPARE(lastLength(), QStringLiteral("2"));

        choose("RadioGroup_ReceiveMessageMode", 2);
        QVERIFY(h_->far.write("12\r\n"));
        QTRY_COMPARE(lines().last(), QStringLiteral("31,32,0D,0A"));
        choose("RadioGroup_ReceiveMessageMode", 0);
        QVERIFY(h_->far.write("A\xE9" "B\r\n"));
        QTRY_COMPARE(lines().last(), QStringLiteral("AB"));

        click(QStringLiteral("Button_StopReceive"));
        QCOMPARE(lastLength(), QStringLiteral("0"));
        QCOMPARE(main()->pipeline().accumulated(), 0);
    }

    void zeroWaitNeverFlushes() {
        openPort();
        box("CheckBox_ChangeLine")->click();
        spin("CSpinEdit_ReceiveWaitTime")->setValue(0);
        int before = lines().size();
        QVERIFY(h_->far.write("partial"));
        QTest::qWait(300);
        QCOMPARE(lines().size(), before);
        spin("CSpinEdit_ReceiveWaitTime")->setValue(30);
        QTRY_COMPARE(lines().size(), before + 1);
        QCOMPARE(lines().last(), QStringLiteral("partial"));
    }

    void qlpFilterCheckBoxDecodesFrames() {
        openPort();
        box("CheckBox_QLPFilter")->click();
        QVERIFY(main()->pipeline().qlp_filter());
        QVERIFY(h_->far.write(std::string_view("% 1,5,48,2,100\0", 15)));
        QTRY_COMPARE(lines().last(), QStringLiteral("ZUM Frame = % 1,5,48,2,100"));
        QVERIFY(h_->far.write(std::string_view("plain\0", 6)));
        QTRY_COMPARE(lines().last(), QStringLiteral("plain<NUL>"));
    }

    void clickingACommandEditMakesItCurrent() {
        QTest::mouseClick(edit(5), Qt::LeftButton);
        QCOMPARE(current_command(), QStringLiteral("5"));
        QCOMPARE(main()->general_ascii_page()->current_command(), 5);
        main()->SetCurrentCommand(1);
        QCOMPARE(current_command(), QStringLiteral("1"));
    }

    void addAsciiCodeButtonsAppendToTheCurrentCommand() {
        // Nothing clicked yet: the text goes to the hidden slot and nothing visible changes.
        click(QStringLiteral("Button_ASCIICR"));
        for (int n = 1; n <= 20; ++n) QVERIFY(edit(n)->text().isEmpty());
        QCOMPARE(main()->general_ascii_page()->commands().CommandText(0), std::string("<CR>"));

        QTest::mouseClick(edit(7), Qt::LeftButton);
        QTest::keyClicks(edit(7), QStringLiteral("go"));
        click(QStringLiteral("Button_ASCIINUL"));
        click(QStringLiteral("Button_ASCIILF"));
        click(QStringLiteral("Button_ASCIICR"));
        auto* other = child<QLineEdit>(main(), QStringLiteral("Edit_ASCIIOther"));
        for (const char* field : {"4", "41", "G1", "80", ""}) {
            other->setText(QString::fromLatin1(field));
            click(QStringLiteral("Button_ASCIIOther"));
        }
        QCOMPARE(edit(7)->text(), QStringLiteral("go<NUL><LF><CR><EOT>A<SOH><0x80>"));
        QCOMPARE(main()->general_ascii_page()->commands().CommandText(7),
                 std::string("go<NUL><LF><CR><EOT>A<SOH><0x80>"));
    }

    void commandButtonsSendTheirLine() {
        openPort();
        edit(2)->setText(QStringLiteral("A<CR>"));
        int before = lines().size();
        click(QStringLiteral("Button_Command2"));
        QCOMPARE(h_->far.read_quiet(), (std::vector<std::uint8_t>{0x41, 0x0D}));
        QCOMPARE(lines().mid(before), QStringList{kSendPrefix + "A<CR>"});
        click(QStringLiteral("Button_Command3"));
        QCOMPARE(lines().size(), before + 1);
        edit(3)->setText(QStringLiteral("<0x80>"));
        click(QStringLiteral("Button_Command3"));
        QCOMPARE(lines().last(), kSendPrefix + "String Error!");
        QVERIFY(h_->far.read_quiet().empty());
    }

    void commandWithoutPortSaysNoneComSetup() {
        edit(1)->setText(QStringLiteral("x"));
        click(QStringLiteral("Button_Command1"));
        QCOMPARE(lines().last(), kSendPrefix + "None Com Setup.");
    }

    void replyCommandAnswersEveryReceivedLine() {
        openPort();
        choose("RadioGroup_SendReply", 2);
        QVERIFY(spin("CSpinEdit_ReplyCommand")->isEnabled());
        spin("CSpinEdit_ReplyCommand")->setValue(3);
        edit(3)->setText(QStringLiteral("R<LF>"));
        QVERIFY(h_->far.write(std::string_view("x\0y\0", 4)));
        QCOMPARE(h_->far.read_exactly(4), (std::vector<std::uint8_t>{'R', '\n', 'R', '\n'}));
        QTRY_COMPARE(lines().filter(QStringLiteral("<NUL>")).size(), 2);
        QCOMPARE(lines().filter(kSendPrefix + "R<LF>").size(), 2);

        choose("RadioGroup_SendReply", 1);
        QVERIFY(!spin("CSpinEdit_ReplyCommand")->isEnabled());
        QVERIFY(h_->far.write(std::string_view("echo\0", 5)));
        QCOMPARE(h_->far.read_exactly(5), (std::vector<std::uint8_t>{'e', 'c', 'h', 'o', 0}));
    }

    void projectSaveAsDefualtAndLoad() {
        const QString start = DefaultFileFolder(); // the dialog moves it to the chosen folder
        edit(1)->setText(QStringLiteral("A<CR><LF>"));
        edit(20)->setText(QStringLiteral("last"));
        QString chosen = localPath(dir_->file("proj.txt"));
        h_->dialogs.file_answers.push_back(chosen);
        trigger("GeneralASCIIAs");
        QString saved = localPath(dir_->file("proj.zqa"));
        QCOMPARE(lines().last(), kFilePrefix + "Save General ASSIC File to " + saved);
        QCOMPARE(h_->dialogs.fileFilters.last(),
                 QStringLiteral("QLP General ASSCII Files|*.zqa|Text Files|*.txt|All Files|*.*"));
        QCOMPARE(h_->dialogs.fileFolders.last(), start);
        QVERIFY(QFile::exists(saved));
        QVERIFY(!QFile::exists(chosen));

        trigger("GeneralASCIIDefualt");
        for (int n = 1; n <= 20; ++n) QVERIFY(edit(n)->text().isEmpty());

        main()->pages()->setCurrentIndex(main()->pages()->count() - 1);
        h_->dialogs.file_answers.push_back(chosen); // setup.txt style: proj.zqa is read
        trigger("GeneralASCIILoad");
        QCOMPARE(h_->dialogs.fileFilters.last(),
                 QStringLiteral("QLP General ASCII Files|*.zqa|Text Files|*.txt|All Files|*.*"));
        QCOMPARE(h_->dialogs.fileFolders.last(), localPath(dir_->path() + "/"));
        QCOMPARE(h_->dialogs.fileNames.last(), QStringLiteral("proj"));
        QCOMPARE(lines().last(), kFilePrefix + "Load General ASSIC File from " + saved);
        QCOMPARE(edit(1)->text(), QStringLiteral("A<CR><LF>"));
        QCOMPARE(edit(20)->text(), QStringLiteral("last"));
        QCOMPARE(main()->pages()->currentWidget()->objectName(), QStringLiteral("TabSheet_GeneralASCII"));

        // With a name, "Save" writes without asking.
        edit(2)->setText(QStringLiteral("second"));
        int asked = h_->dialogs.fileFilters.size();
        trigger("GeneralASCIISave");
        QCOMPARE(h_->dialogs.fileFilters.size(), asked);
        QCOMPARE(lines().last(), kFilePrefix + "Save General ASSIC File to " + saved);
    }

    void projectLoadOfAFileThatIsNoProjectShowsFault_data() {
        QTest::addColumn<QByteArray>("contents"); // "pipe": a named pipe, "none": no file
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray("none") << QStringLiteral("No such file or directory");
        QTest::newRow("empty") << QByteArray() << QString::fromLatin1(kProjectNoSection);
        QTest::newRow("binary") << QByteArray("\x7F" "ELF\x02\x01\x00\xFF", 8)
                                << QString::fromLatin1(kProjectNoSection);
        QTest::newRow("named pipe") << QByteArray("pipe") << QStringLiteral("Not a regular file");
    }

    void projectLoadOfAFileThatIsNoProjectShowsFault() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, reason);
        const std::string path = dir_->file("other.zqa");
        if (contents == "pipe") {
            QCOMPARE(::mkfifo(path.c_str(), 0600), 0);
        } else if (contents != "none") {
            QFile file(localPath(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(contents);
        }
        edit(4)->setText(QStringLiteral("kept"));
        int before = lines().size();
        h_->dialogs.file_answers.push_back(localPath(path));
        trigger("GeneralASCIILoad");
        QCOMPARE(h_->dialogs.messages,
                 QStringList{QStringLiteral("Load General ASSIC File Fault! %1 (%2)").arg(localPath(path), reason)});
        QCOMPARE(edit(4)->text(), QStringLiteral("kept"));
        QCOMPARE(lines().size(), before);
    }

    void projectSaveWithoutNameAsksAndEmptyNameSavesNothing() {
        trigger("GeneralASCIISave"); // no name yet: acts as "Save As", here cancelled
        QCOMPARE(h_->dialogs.fileFilters.size(), 1);
        QVERIFY(h_->dialogs.messages.isEmpty());
        h_->dialogs.file_answers.push_back(localPath(dir_->file(".zqa")));
        trigger("GeneralASCIIAs");
        QCOMPARE(h_->dialogs.messages, QStringList{"File Name is Empty! There is no file had been saved."});
        QVERIFY(!QFile::exists(localPath(dir_->file(".zqa"))));
    }

    void projectSaveRefusesACommandItCannotKeep() {
        edit(7)->setText(QStringLiteral("SET[1]"));
        h_->dialogs.file_answers.push_back(localPath(dir_->file("proj.zqa")));
        trigger("GeneralASCIIAs");
        QCOMPARE(h_->dialogs.messages.size(), 1);
        QVERIFY2(h_->dialogs.messages[0].contains(QStringLiteral("Command 7")), qPrintable(h_->dialogs.messages[0]));
        QVERIFY(!QFile::exists(localPath(dir_->file("proj.zqa"))));
    }

    void projectSaveFailureShowsFault() {
        h_->dialogs.file_answers.push_back(localPath(dir_->file("no/such/proj.zqa")));
        trigger("GeneralASCIIAs");
        QCOMPARE(h_->dialogs.messages, QStringList{"Save General ASSIC File Fault!"});
    }
};

QTEST_MAIN(PipelineWindowTest)
#include "pipeline_window_test.moc"
