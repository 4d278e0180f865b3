// The HEX and QLP tabs in the main window, offscreen, with the bytes checked at the far end.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QTabWidget>
#include <cstring>

#include "support/window_harness.h"

Q_DECLARE_METATYPE(Bytes)

namespace {
QString repeated41(int characters) {
    return QString(QStringLiteral("41")).repeated(characters / 2 + 1).left(characters);
}
QString hexList41(int bytes) {
    QStringList pairs;
    for (int i = 0; i < bytes; ++i) pairs << QStringLiteral("41");
    return pairs.join(QLatin1Char(','));
}
Bytes textFrame(const char* text) {
    Bytes bytes(text, text + std::strlen(text));
    bytes.push_back(0x00);
    return bytes;
}
} // namespace

class SenderPagesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowHarness> h;

private slots:
    void init() { h = std::make_unique<WindowHarness>(); }
    void cleanup() { h.reset(); }

    void generalHexSends_data() {
        QTest::addColumn<int>("group");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("wire");
        QTest::addColumn<QString>("line");
        const QString sent = QStringLiteral("---* Send General HEX Data *---   ");
        const QString empty = QStringLiteral("General HEX Send Error! Send Empty String");
        QTest::newRow("commas") << 1 << "01,02,FF" << Bytes{1, 2, 0xFF} << sent + "01,02,FF";
        QTest::newRow("pairs") << 2 << "0102FF" << Bytes{1, 2, 0xFF} << sent + "01,02,FF";
        QTest::newRow("halfPairs") << 3 << "1,2,3" << Bytes{} << empty;
        QTest::newRow("blank") << 4 << "01 02" << Bytes{1, 0} << sent + "01,00";
        // A character that is no hex digit, separator or blank sends nothing and is named.
        const QString refused = QStringLiteral("---* Not sent: Data %1, character %2 is not a hex digit, \",\" or a blank *---");
        QTest::newRow("nonHex") << 5 << "0G" << Bytes{} << refused.arg(5).arg("2 (\"G\")");
        QTest::newRow("letterAmongPairs") << 4 << "41 4g zz" << Bytes{} << refused.arg(4).arg("5 (\"g\")");
        QTest::newRow("beyondLatin1") << 3 << QStringLiteral("41\u2603") << Bytes{} << refused.arg(3).arg("3 (U+2603)");
        QTest::newRow("extraCommas") << 6 << ",,41,,42," << Bytes{0x41, 0x42} << sent + "41,42";
        QTest::newRow("oneCharacter") << 1 << "A" << Bytes{} << empty;
        QTest::newRow("1023") << 2 << repeated41(1023) << Bytes(511, 0x41) << sent + hexList41(511);
        QTest::newRow("1024") << 3 << repeated41(1024) << Bytes{} << empty;
    }

    void generalHexSends() {
        QFETCH(int, group);
        QFETCH(QString, text);
        QFETCH(Bytes, wire);
        QFETCH(QString, line);
        h->openPort();
        h->setText(QStringLiteral("Edit_GeneralHEX%1").arg(group), text);
        h->click(QStringLiteral("Button_GeneralHEXSend%1").arg(group));
        QCOMPARE(h->lastLine(), line);
        QCOMPARE(h->far.read_quiet(), wire);
    }

    // Enter in a field sends it, as its Send button does.
    void enterSends_data() {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Bytes>("wire");
        QTest::newRow("command") << "Edit_Command7" << "AT<CR>" << Bytes{'A', 'T', '\r'};
        QTest::newRow("generalHex") << "Edit_GeneralHEX2" << "41,42" << Bytes{0x41, 0x42};
        QTest::newRow("qlpHex") << "Edit_QLPHEX1" << "41" << textFrame("@ 1,A");
        QTest::newRow("qlpData") << "Edit_QLPDataData0" << "12" << Bytes{};
        QTest::newRow("qlpAsciiSpin") << "CSpinEdit_QLPASCIIID2" << "7" << textFrame("% 7,0,0,0,0");
    }

    void enterSends() {
        QFETCH(QString, edit);
        QFETCH(QString, text);
        QFETCH(Bytes, wire);
        h->openPort();
        QWidget* field = h->control(edit);
        if (auto* spin = qobject_cast<QSpinBox*>(field))
            spin->setValue(text.toInt());
        else
            h->setText(edit, text);
        QTest::keyClick(field, Qt::Key_Return);
        const Bytes sent = h->far.read_quiet();
        if (wire.empty())
            QVERIFY(!sent.empty());
        else
            QCOMPARE(sent, wire);
    }

    // Typed text 8-bit text cannot hold is refused, named, and nothing is sent.
    void commandBeyondLatin1IsRefused() {
        h->openPort();
        h->setText("Edit_Command2", QStringLiteral("h\u00E9llo \u2603"));
        h->click("Button_Command2");
        QCOMPARE(h->lastLine(),
                 QStringLiteral("---* Not sent: Command 2, character 7 (U+2603) is not 8-bit text (Latin-1) *---"));
        QVERIFY(h->far.read_quiet().empty());
        // Nor is it saved in a project, which would load it back as "?".
        const QString project = QDir::temp().filePath(QStringLiteral("benchlink-refused.zqa"));
        QFile::remove(project);
        h->dialogs.file_answers.push_back(project);
        child<QAction>(h->main(), "GeneralASCIIAs")->trigger();
        QCOMPARE(h->dialogs.messages,
                 QStringList{QStringLiteral("Not saved: Command 2, character 7 (U+2603) is not 8-bit text (Latin-1)")});
        QVERIFY(!QFile::exists(project));
        // Nor sent by the auto-test, which does not start.
        h->setText("Edit_AutoTestCommand", QStringLiteral("\u2603"));
        h->click("Button_AutoTestStart");
        QCOMPARE(h->lastLine(),
                 QStringLiteral("---* Not sent: Auto Test, character 1 (U+2603) is not 8-bit text (Latin-1) *---"));
        QCOMPARE(h->text("Button_AutoTestStart"), QStringLiteral("Start"));
        h->setText("Edit_Command2", QStringLiteral("h\u00E9llo"));
        h->click("Button_Command2");
        QCOMPARE(h->far.read_quiet(), (Bytes{'h', 0xE9, 'l', 'l', 'o'}));
    }

    void qlpHexFieldIsCheckedToo() {
        h->openPort();
        h->setText("Edit_QLPHEX2", "4x");
        h->click("Button_QLPHEXSend2");
        QVERIFY(h->lastLine().startsWith(QStringLiteral("---* Not sent: QLP HEX 2, character 2 (\"x\")")));
        QVERIFY(h->far.read_quiet().empty());
    }

    void generalHexGroups() {
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(h->control<QGroupBox>(QStringLiteral("GroupBox_GeneralHEXData%1").arg(n))->title(),
                     QStringLiteral("Data %1").arg(n));
            QCOMPARE(h->text(QStringLiteral("Edit_GeneralHEX%1").arg(n)), QString());
            QCOMPARE(h->text(QStringLiteral("Button_GeneralHEXSend%1").arg(n)), QStringLiteral("Send"));
        }
        QCOMPARE(h->main()->pages()->tabText(1), QStringLiteral("Gerneral HEX"));
    }

    void generalHexWithoutPort() {
        h->setText("Edit_GeneralHEX1", "41");
        h->click("Button_GeneralHEXSend1");
        QCOMPARE(h->lastLine(), QStringLiteral("General HEX Send Error! None Com Setup."));
    }

    void qlpHexStartsWithIdOne() {
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(h->value(QStringLiteral("CSpinEdit_QLPHEXID%1").arg(n)), 1);
            QCOMPARE(h->control<QSpinBox>(QStringLiteral("CSpinEdit_QLPHEXID%1").arg(n))->maximum(), 256);
            QCOMPARE(h->text(QStringLiteral("Edit_QLPHEX%1").arg(n)), QString());
            QCOMPARE(h->control<QGroupBox>(QStringLiteral("GroupBox_QLPHEX%1").arg(n))->title(), QStringLiteral("Data 1"));
        }
    }

    void qlpHexSendsZikFrames() {
        h->openPort();
        h->setValue("CSpinEdit_QLPHEXID4", 3);
        h->setText("Edit_QLPHEX4", "01,00,DB,7F");
        h->click("Button_QLPHEXSend4");
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZIK Frame = @ 3,01,00,DB,7F"));
        QCOMPARE(h->far.read_quiet(), (Bytes{0x40, 0x20, 0x33, 0x2C, 0x01, 0xDB, 0xDC, 0xDB, 0xDD, 0x7F, 0x00}));

        h->setValue("CSpinEdit_QLPHEXID6", 256);
        h->setText("Edit_QLPHEX6", "41");
        h->click("Button_QLPHEXSend6");
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZIK Frame = @ 256,41"));
        QCOMPARE(h->far.read_quiet(), textFrame("@ 256,A"));
    }

    void qlpHexEmptySendsAndLogsNothing() {
        h->openPort();
        const int before = h->lines().size();
        h->click("Button_QLPHEXSend1");
        QCOMPARE(h->lines().size(), before);
        QVERIFY(h->far.read_quiet().empty());
    }

    void qlpAsciiDefaults() {
        for (int n = 1; n <= 5; ++n) {
            const QString s = QString::number(n);
            QCOMPARE(h->control<QGroupBox>("GroupBox_QLPCommand" + s)->title(), "Command " + s);
            QCOMPARE(h->value("CSpinEdit_QLPASCIIID" + s), 1);
            QCOMPARE(h->value("CSpinEdit_QLPASCIIValueAmount" + s), 1);
            for (const char* field : {"Function", "Code1", "Code2", "Value1", "Value2", "Value3"}) {
                QCOMPARE(h->value(QStringLiteral("CSpinEdit_QLPASCII%1%2").arg(field, s)), 0);
                QCOMPARE(h->text(QStringLiteral("Edit_QLPASCII%1%2").arg(field, s)), QStringLiteral("0"));
            }
            QVERIFY(h->enabled("CSpinEdit_QLPASCIIValue1" + s));
            QVERIFY(!h->enabled("CSpinEdit_QLPASCIIValue2" + s));
            QVERIFY(!h->enabled("Edit_QLPASCIIValue3" + s));
        }
        QCOMPARE(h->control<QSpinBox>("CSpinEdit_QLPASCIIValue13")->maximum(), 65535);
        QCOMPARE(h->control<QLineEdit>("Edit_QLPASCIIValue13")->maxLength(), 4);
        QCOMPARE(h->control<QLineEdit>("Edit_QLPASCIICode24")->maxLength(), 2);
    }

    void qlpAsciiExampleFrame() {
        h->openPort();
        h->setValue("CSpinEdit_QLPASCIIFunction3", 6);
        h->setText("Edit_QLPASCIICode13", "11");
        h->setValue("CSpinEdit_QLPASCIICode23", 2);
        h->setText("Edit_QLPASCIIValue13", "1");
        h->click("Button_QLPASCIISend3");
        QCOMPARE(h->far.read_quiet(),
                 (Bytes{0x25, 0x20, 0x31, 0x2C, 0x36, 0x2C, 0x31, 0x37, 0x2C, 0x32, 0x2C, 0x31, 0x00}));
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZUM Frame = % 1,6,17,2,1"));
        QCOMPARE(h->text("Edit_QLPASCIIFunction3"), QStringLiteral("6"));
    }

    void qlpAsciiOutOfRangeValuesTravelAsZero() {
        h->openPort();
        h->setValue("CSpinEdit_QLPASCIIID2", 256);
        h->setValue("CSpinEdit_QLPASCIIValueAmount2", 2);
        h->setText("Edit_QLPASCIIValue12", "9C40");
        h->setValue("CSpinEdit_QLPASCIIValue22", 32767);
        QCOMPARE(h->value("CSpinEdit_QLPASCIIValue12"), 40000);
        h->click("Button_QLPASCIISend2");
        QCOMPARE(h->far.read_quiet(), textFrame("% 0,0,0,0,0,32767"));
    }

    void qlpAsciiFieldsStayInStep() {
        h->setText("Edit_QLPASCIIFunction1", "0A");
        QCOMPARE(h->value("CSpinEdit_QLPASCIIFunction1"), 10);
        QCOMPARE(h->text("Edit_QLPASCIIFunction1"), QStringLiteral("A"));
        h->setText("Edit_QLPASCIIFunction1", "1G");
        QCOMPARE(h->value("CSpinEdit_QLPASCIIFunction1"), 16);
        h->setText("Edit_QLPASCIIFunction1", "");
        QCOMPARE(h->value("CSpinEdit_QLPASCIIFunction1"), 0);
        QCOMPARE(h->text("Edit_QLPASCIIFunction1"), QString());
        h->setValue("CSpinEdit_QLPASCIIValue11", 4660);
        QCOMPARE(h->text("Edit_QLPASCIIValue11"), QStringLiteral("1234"));
        h->setText("Edit_QLPASCIICode25", "ff");
        QCOMPARE(h->value("CSpinEdit_QLPASCIICode25"), 255);
        QCOMPARE(h->text("Edit_QLPASCIICode25"), QStringLiteral("FF"));
    }

    void qlpAsciiValueAmount() {
        h->setValue("CSpinEdit_QLPASCIIValueAmount4", 3);
        QVERIFY(h->enabled("CSpinEdit_QLPASCIIValue34"));
        QVERIFY(h->enabled("Edit_QLPASCIIValue24"));
        h->setValue("CSpinEdit_QLPASCIIValue14", 5);
        h->setValue("CSpinEdit_QLPASCIIValue24", 6);
        h->setText("Edit_QLPASCIIValue34", "");
        h->setValue("CSpinEdit_QLPASCIIValueAmount4", 1);
        QCOMPARE(h->value("CSpinEdit_QLPASCIIValue14"), 5);
        QCOMPARE(h->value("CSpinEdit_QLPASCIIValue24"), 0);
        QCOMPARE(h->text("Edit_QLPASCIIValue24"), QStringLiteral("0"));
        QCOMPARE(h->text("Edit_QLPASCIIValue34"), QStringLiteral("0"));
        QVERIFY(!h->enabled("Edit_QLPASCIIValue24"));
        QVERIFY(!h->enabled("CSpinEdit_QLPASCIIValue34"));
    }

    void qlpAsciiTwoValues() {
        h->openPort();
        h->setValue("CSpinEdit_QLPASCIIValueAmount1", 2);
        h->setValue("CSpinEdit_QLPASCIIValue11", 7);
        h->setValue("CSpinEdit_QLPASCIIValue21", 8);
        h->click("Button_QLPASCIISend1");
        QCOMPARE(h->far.read_quiet(), textFrame("% 1,0,0,0,7,8"));
    }

    void qlpAsciiWithoutPort() {
        h->click("Button_QLPASCIISend5");
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZUM Frame = None Com Setup."));
    }

    void qlpDataDefaults() {
        QCOMPARE(h->value("CSpinEdit_QLPDataID"), 1);
        QCOMPARE(h->value("CSpinEdit_QLPDataDataAmount"), 4);
        QCOMPARE(h->text("Edit_QLPDataFunction"), QStringLiteral("0"));
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(h->enabled(QStringLiteral("CSpinEdit_QLPDataData%1").arg(i)), i < 4);
            QCOMPARE(h->enabled(QStringLiteral("Edit_QLPDataData%1").arg(i)), i < 4);
            QCOMPARE(h->text(QStringLiteral("Edit_QLPDataData%1").arg(i)), QStringLiteral("0"));
        }
    }

    void qlpDataWorkedExample() {
        h->openPort();
        h->setText("Edit_QLPDataFunction", "10");
        h->setValue("CSpinEdit_QLPDataDataAmount", 2);
        h->setText("Edit_QLPDataData0", "12");
        h->setValue("CSpinEdit_QLPDataData1", 0x34);
        QCOMPARE(h->value("CSpinEdit_QLPDataFunction"), 16);
        h->click("Button_QLPDataSend");
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZEB Frame = 1,10,12,34"));
        QCOMPARE(h->far.read_quiet(),
                 (Bytes{0x24, 0xA8, 0xAC, 0x01, 0x10, 0x02, 0x12, 0x34, 0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC,
                        0xA8, 0xAC, 0xA8, 0xAC, 0xA8, 0xAC, 0x1D, 0x8D, 0xA8, 0xAC, 0xA8, 0xAC, 0x00}));
    }

    void qlpDataAmountZeroesTheRest() {
        h->setValue("CSpinEdit_QLPDataDataAmount", 8);
        for (int i = 0; i < 8; ++i) h->setValue(QStringLiteral("CSpinEdit_QLPDataData%1").arg(i), i + 1);
        h->setValue("CSpinEdit_QLPDataDataAmount", 3);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(h->enabled(QStringLiteral("Edit_QLPDataData%1").arg(i)), i < 3);
            QCOMPARE(h->value(QStringLiteral("CSpinEdit_QLPDataData%1").arg(i)), i < 3 ? i + 1 : 0);
        }
        h->click("Button_QLPDataSend");
        QCOMPARE(h->lastLine(), QStringLiteral("Send ZEB Frame = None Com Setup."));
    }
};

QTEST_MAIN(SenderPagesTest)
#include "sender_pages_test.moc"
