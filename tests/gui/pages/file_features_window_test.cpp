// The "File" menu's Load and Save of the message list, and the "Send File" group.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "gui/windows/link_monitor.h"
#include "support/temp_dir.h"
#include "support/window_harness.h"

namespace {
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

class FileFeaturesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowHarness> h;
    std::unique_ptr<TempDir> dir;

    QString file(const char* name) const { return QString::fromStdString(dir->file(name)); }
    void trigger(const char* action) { h->control<QAction>(action)->trigger(); }
    QString memo() const { return h->control<QPlainTextEdit>("Memo_SendFile")->toPlainText(); }

    void readSendFile(const QString& path) {
        h->dialogs.file_answers.push_back(path);
        h->click("Button_ReadFile");
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

    // The program's own folder is not writable once installed: the message list, the
    // project, the recorder and the link monitor start in the user's folders.
    void fileDialogsStartInTheUsersFolder_data() {
        QTest::addColumn<bool>("documents");
        QTest::newRow("home") << false;
        QTest::newRow("documents") << true;
    }
    void fileDialogsStartInTheUsersFolder() {
        QFETCH(bool, documents);
        TempDir home;
        if (documents) QVERIFY(QDir().mkdir(QString::fromStdString(home.file("Documents"))));
        const QByteArray old_home = qgetenv("HOME");
        h.reset();
        qputenv("HOME", QByteArray::fromStdString(home.path()));
        h = std::make_unique<WindowHarness>();
        qputenv("HOME", old_home);
        trigger("MessageSave");
        trigger("GeneralASCIIAs");
        h->click("Button_SaveCurrentRecord");
        child<QPushButton>(h->windows->link_monitor(), "Button_Save")->click();
        const QString expected = QString::fromStdString(documents ? home.file("Documents/") : home.path() + "/");
        QCOMPARE(h->dialogs.fileFolders, QStringList(4, expected));
    }

    void saveWritesTxtWhateverTheExtension() {
        const QString start = DefaultFileFolder(); // the dialog moves it to the chosen folder
        h->click("Button_AddMessageMark");
        h->click("Button_AddMessageSpaceLine");
        h->dialogs.file_answers.push_back(file("report.log"));
        trigger("MessageSave");
        QCOMPARE(h->dialogs.fileFilters.last(), QStringLiteral("Text Files|*.txt|All files|*.*"));
        QCOMPARE(h->dialogs.fileNames.last(), QStringLiteral("meaasge"));
        QCOMPARE(h->dialogs.fileFolders.last(), start);
        QCOMPARE(readFile(file("report.txt")),
                 QByteArray("-------------------* MARK Line *-------------------------   \r\n\r\n"));
        QVERIFY(!QFile::exists(file("report.log")));
        QCOMPARE(h->lines().size(), 2); // saving adds no line
        // The next dialog starts in the chosen folder with the chosen name.
        h->dialogs.file_answers.push_back(QString());
        trigger("MessageLoad");
        QCOMPARE(h->dialogs.fileFolders.last(), QString::fromStdString(dir->path()) + "/");
        QCOMPARE(h->dialogs.fileNames.last(), QStringLiteral("report"));
        QCOMPARE(h->dialogs.fileFilters.last(), QStringLiteral("Text Files|*.txt|All Files|*.*"));
    }

    void saveWritesEveryLine() {
        for (int i = 0; i < 5000; ++i) h->main()->AddMessageLine(QStringLiteral("line %1").arg(i));
        h->dialogs.file_answers.push_back(file("all.txt"));
        trigger("MessageSave");
        const QList<QByteArray> lines = readFile(file("all.txt")).split('\n');
        QCOMPARE(lines.size(), 5001);
        QCOMPARE(lines[4999], QByteArray("line 4999\r"));
    }

    void loadReplacesTheListAndCountsFromZero_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("crlf") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("cr") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("lf") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("mixed") << QByteArray("a\r\n\nb\rc") << QStringList{"a", "", "b", "c"};
    }

    void loadReplacesTheListAndCountsFromZero() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        writeFile(file("in.txt"), bytes);
        h->click("Button_AddMessageMark");
        h->dialogs.file_answers.push_back(file("in.bin")); // read as in.txt
        trigger("MessageLoad");
        QCOMPARE(h->lines(), lines);
        QCOMPARE(h->text("Label_MessageTotalLineAmount"), QStringLiteral("0"));
        h->click("Button_AddMessageMark");
        QCOMPARE(h->text("Label_MessageTotalLineAmount"), QStringLiteral("1"));
    }

    void emptyNameIsRefused() {
        h->click("Button_AddMessageMark");
        h->dialogs.file_answers.push_back(file(".txt"));
        trigger("MessageSave");
        h->dialogs.file_answers.push_back(file(".txt"));
        trigger("MessageLoad");
        QCOMPARE(h->dialogs.messages,
                 QStringList(2, QStringLiteral("File Name is Empty! There is no file had been saved.")));
        QCOMPARE(h->lines().size(), 1);
        QVERIFY(!QFile::exists(file(".txt")));
    }

    void failuresTellTheFileAndReason() {
        h->click("Button_AddMessageMark");
        h->dialogs.file_answers.push_back(file("no/where.txt"));
        trigger("MessageSave");
        h->dialogs.file_answers.push_back(file("missing.txt"));
        trigger("MessageLoad");
        QCOMPARE(h->dialogs.messages.size(), 2);
        QVERIFY(h->dialogs.messages[0].contains(file("no/where.txt")));
        QVERIFY(h->dialogs.messages[0].contains(QStringLiteral("No such file or directory")));
        QVERIFY(h->dialogs.messages[1].contains(file("missing.txt")));
        QCOMPARE(h->lines().size(), 1); // the list stays as it was
    }

    void cancelDoesNothing() {
        trigger("MessageSave");
        trigger("MessageLoad");
        readSendFile(QString());
        QVERIFY(h->dialogs.messages.isEmpty());
        QVERIFY(h->lines().isEmpty());
    }

    void sendFileGroupSitsOnTheGeneralAsciiTab() {
        QWidget* group = h->control<QGroupBox>("GroupBox_SendFile");
        QVERIFY(h->control("TabSheet_GeneralASCII")->isAncestorOf(group));
        QCOMPARE(h->text("Label_SendFileLength"), QStringLiteral("0"));
    }

    void sendFileSendsEveryByte() {
        writeFile(file("f.bin"), QByteArray("AB\0C", 4));
        readSendFile(file("f.bin"));
        QCOMPARE(h->dialogs.fileFilters.last(), QStringLiteral("Binary Files|*.bin|All Files|*.*"));
        QCOMPARE(h->text("Label_SendFileLength"), QStringLiteral("4"));
        QCOMPARE(memo(), QStringLiteral("AB"));
        h->openPort();
        h->click("Button_SendFile");
        QCOMPARE(h->lastLine(), QStringLiteral("---* Send General ASCII COMMAND *---   AB"));
        QCOMPARE(h->far.read_quiet(), (Bytes{0x41, 0x42, 0x00, 0x43}));
        // The next dialog starts in the file's folder with its name.
        readSendFile(QString());
        QCOMPARE(h->dialogs.fileFolders.last(), QString::fromStdString(dir->path()) + "/");
        QCOMPARE(h->dialogs.fileNames.last(), QStringLiteral("f"));
    }

    void sendFileShowsLineBreaks() {
        writeFile(file("t.txt"), "one\r\ntwo\rthree\n");
        readSendFile(file("t.txt"));
        QCOMPARE(memo(), QStringLiteral("one\ntwo\nthree\n"));
    }

    void emptySendFile() {
        writeFile(file("e.bin"), "");
        readSendFile(file("e.bin"));
        QCOMPARE(h->text("Label_SendFileLength"), QStringLiteral("0"));
        h->click("Button_SendFile");
        QCOMPARE(h->lastLine(), QStringLiteral("---* Send General ASCII COMMAND *---   Send Data is Empty!"));
    }

    void missingSendFileKeepsTheEarlierText() {
        writeFile(file("f.bin"), "hello");
        readSendFile(file("f.bin"));
        readSendFile(file("gone.bin"));
        QCOMPARE(h->text("Label_SendFileLength"), QStringLiteral("-1"));
        QCOMPARE(memo(), QStringLiteral("hello"));
        h->click("Button_SendFile");
        QCOMPARE(h->lastLine(), QStringLiteral("---* Send General ASCII COMMAND *---   Send Data is Empty!"));
    }

    void largeSendFileIsRefused() {
        writeFile(file("f.bin"), "old");
        readSendFile(file("f.bin"));
        writeFile(file("big.bin"), QByteArray(4097, 'x'));
        readSendFile(file("big.bin"));
        QCOMPARE(h->lastLine(),
                 QStringLiteral("---* Send General ASCII COMMAND *---   File is larger than 4096 bytes!"));
        QCOMPARE(h->text("Label_SendFileLength"), QStringLiteral("3"));
        QCOMPARE(memo(), QStringLiteral("old"));
    }

    void sendFileWithEmptyName() {
        readSendFile(file(".bin"));
        QCOMPARE(h->lastLine(), QStringLiteral("---* Send General ASCII COMMAND *---   Filename is Empty!"));
    }
};

QTEST_MAIN(FileFeaturesTest)
#include "file_features_window_test.moc"
