// The EDI.ini readers: where the file lies, what each key turns into, and how bad files end.
#include "platform/cp932.h"
#include "scripted_toolkit.h"
#include "settings/settings.h"
#include "test_site.h"

#include <QRandomGenerator>
#include <QTest>

using platform::ProgramEnded;

namespace {
const QString iniError = QStringLiteral("INIﾌｧｲﾙ読込エラー");
}

class TestSettings : public QObject {
    Q_OBJECT

    std::unique_ptr<platform::ScriptedToolkitScope> scope;
    std::unique_ptr<TestSite> site;
    platform::ScriptedToolkit& tk() { return scope->tk; }

    // Runs a reader; true when it ended the program.
    template <typename F>
    bool ends(F reader) {
        try {
            reader();
        } catch (const ProgramEnded&) {
            return true;
        }
        return false;
    }

private slots:
    void init() {
        resetProgramState();
        scope = std::make_unique<platform::ScriptedToolkitScope>();
        site = std::make_unique<TestSite>();
        tk().programFolderPath = site->programFolder();
    }
    void cleanup() {
        QVERIFY2(tk().unexpectedBoxes.isEmpty(), "a question appeared that the test did not answer");
        scope.reset();
        site.reset();
    }

    void settingsFolderIsTwoLevelsUp_data() {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("found");
        QTest::newRow("deep") << "/srv/edi/app/bin" << "/srv/edi" << true;
        QTest::newRow("two levels") << "/app/bin" << "" << true;
        QTest::newRow("one level") << "/app" << "" << false;
        QTest::newRow("root") << "/" << "" << false;
        QTest::newRow("relative single") << "bin" << "" << false;
    }
    void settingsFolderIsTwoLevelsUp() {
        QFETCH(QString, programFolder);
        QFETCH(QString, expected);
        QFETCH(bool, found);
        const auto folder = settingsFolderFor(programFolder);
        QCOMPARE(folder.has_value(), found);
        if (found) QCOMPARE(*folder, expected);
    }

    void shallowProgramFolderFailsBeforeReading() {
        site->writeIni(standardIni());
        tk().programFolderPath = QStringLiteral("/app");
        QVERIFY(ends([] { readEnvironment(); }));
        QCOMPARE(tk().boxTexts(), QStringList{iniError});
        QCOMPARE(tk().boxes[0].style, 0);
        QCOMPARE(tk().boxes[0].caption, QStringLiteral("R205730"));
        QCOMPARE(tk().lastExitCode, 1);
        QVERIFY(workarea.dbUserId.trimmed().isEmpty());

        QVERIFY(ends([] { readSettings(); }));
        QVERIFY(workarea.FormBackColor.isEmpty());
    }

    void environmentKeysAndFixedFifty() {
        const QString longUser = QString(60, QLatin1Char('u'));
        site->writeIni(standardIni(QStringLiteral("  EDI DEMO  "), {{"動作環境/USERID", longUser}}));
        readEnvironment();
        QCOMPARE(workarea.dbUserId.text(), QString(50, QLatin1Char('u')));
        QCOMPARE(workarea.dbPassword.text().size(), 50);
        QCOMPARE(workarea.dbPassword.trimmed(), QStringLiteral("edi-pass"));
        // The file reader drops blanks around values; inner blanks stay.
        QCOMPARE(workarea.dataSource.trimmed(), QStringLiteral("EDI DEMO"));
        QCOMPARE(workarea.machineSetting.trimmed(), QStringLiteral("WS01"));
        QVERIFY(tk().boxes.isEmpty());
    }

    void missingFileGivesBlankEnvironment() {
        readEnvironment();
        QVERIFY(workarea.dataSource.trimmed().isEmpty());
        QVERIFY(workarea.dbUserId.trimmed().isEmpty());
        QCOMPARE(workarea.dataSource.text(), QString(50, QLatin1Char(' ')));
        QVERIFY(tk().boxes.isEmpty());
    }

    void overlongValuesArriveCutToTheBuffer() {
        const QString kanji = QString(40, QChar(0x6F22));  // 80 bytes in code page 932
        site->writeIni(standardIni(QStringLiteral("EDI"),
                                   {{"動作環境/MACHINENAME", QString(100, QLatin1Char('m'))},
                                    {"動作環境/USERID", kanji},
                                    {"PATH/EDIINFIL", QString(300, QLatin1Char('p'))},
                                    {"PATH/EDIOUTFIL", QString(200, QChar(0x3042))}}));
        readEnvironment();
        // 63 bytes, then fixed 50 keeps 50 characters.
        QCOMPARE(workarea.machineSetting.text(), QString(50, QLatin1Char('m')));
        // 63 bytes cut inside the 32nd kanji: the dangling half is dropped.
        QCOMPARE(workarea.dbUserId.trimmed(), QString(31, QChar(0x6F22)));
        readSettings();
        QCOMPARE(workarea.ediInFile, QString(255, QLatin1Char('p')));
        QCOMPARE(workarea.ediOutFile, QString(127, QChar(0x3042)));
    }

    void readsCp932AndUtf8Files() {
        const QByteArray utf8 = standardIni(QStringLiteral("データ源"), {{"デバッグ/MODE", "1"}});
        site->writeIni(platform::toCp932(QString::fromUtf8(utf8)));
        readEnvironment();
        readSettings();
        QCOMPARE(workarea.dataSource.trimmed(), QStringLiteral("データ源"));
        QCOMPARE(workarea.debugMode, True);
        QCOMPARE(workarea.TextFontName, QStringLiteral("ＭＳ ゴシック"));

        resetProgramState();
        site->writeIni("\xEF\xBB\xBF" + utf8);  // with a byte-order mark
        readEnvironment();
        readSettings();
        QCOMPARE(workarea.dataSource.trimmed(), QStringLiteral("データ源"));
        QCOMPARE(workarea.debugMode, True);
        QCOMPARE(workarea.settingsFolder, site->root());
    }

    void sectionAndKeyNamesIgnoreAsciiCase() {
        site->writeIni("[setting0]\nformbackcolor=&H00FF00\n[動作環境]\ndbstring=LOWER\n");
        readEnvironment();
        QCOMPARE(workarea.dataSource.trimmed(), QStringLiteral("LOWER"));
        QVERIFY(ends([] { readSettings(); }));  // LabelBackColor is missing
        QCOMPARE(workarea.FormBackColor, QStringLiteral("&H00FF00"));
    }

    void numberConversion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("value");
        QTest::newRow("decimal colour") << "12632256" << true << 12632256.0;
        QTest::newRow("hex colour") << "&HC0C0C0" << true << 12632256.0;
        QTest::newRow("hex lower case") << "&hff" << true << 255.0;
        QTest::newRow("hex eight digits") << "&HFFFFFFFF" << true << -1.0;
        QTest::newRow("system colour") << "&H80000005" << true << -2147483643.0;
        QTest::newRow("octal") << "&O17" << true << 15.0;
        QTest::newRow("blanks sign fraction exponent") << " \t-1.5e3 " << true << -1500.0;
        QTest::newRow("plus and bare fraction") << "+.5" << true << 0.5;
        QTest::newRow("trailing point") << "7." << true << 7.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blanks only") << "   " << false << 0.0;
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("thousands separator") << "1,000" << false << 0.0;
        QTest::newRow("currency") << "$5" << false << 0.0;
        QTest::newRow("hex without digits") << "&H" << false << 0.0;
        QTest::newRow("hex bad digit") << "&HG1" << false << 0.0;
        QTest::newRow("hex too long") << "&H123456789" << false << 0.0;
        QTest::newRow("octal bad digit") << "&O8" << false << 0.0;
        QTest::newRow("c style hex") << "0x10" << false << 0.0;
        QTest::newRow("dangling exponent") << "1e" << false << 0.0;
        QTest::newRow("double sign") << "--1" << false << 0.0;
        QTest::newRow("infinity") << "inf" << false << 0.0;
        QTest::newRow("huge exponent") << "1e999" << false << 0.0;
        QTest::newRow("inner blank") << "1 2" << false << 0.0;
    }
    void numberConversion() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(double, value);
        const auto n = toNumber(text);
        QCOMPARE(n.has_value(), accepted);
        if (accepted) QCOMPARE(*n, value);
    }

    void int16Conversion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("value");
        QTest::newRow("1.5 up to even") << "1.5" << true << 2;
        QTest::newRow("2.5 down to even") << "2.5" << true << 2;
        QTest::newRow("-2.5 to even") << "-2.5" << true << -2;
        QTest::newRow("2.51") << "2.51" << true << 3;
        QTest::newRow("top") << "32767" << true << 32767;
        QTest::newRow("bottom") << "-32768" << true << -32768;
        QTest::newRow("hex") << "&H7FFF" << true << 32767;
        QTest::newRow("rounds past top") << "32767.5" << false << 0;
        QTest::newRow("40000") << "40000" << false << 0;
        QTest::newRow("below bottom") << "-32769" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
    }
    void int16Conversion() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, value);
        const auto n = toInt16(text);
        QCOMPARE(n.has_value(), accepted);
        if (accepted) QCOMPARE(int(*n), value);
    }

    void settingsKeysAndConversions() {
        site->writeIni(standardIni(QStringLiteral("EDI"), {{"Setting0/TextBackColor", "&HC0C0C0"},
                                                          {"Setting0/TextFocusColor", "12632256"},
                                                          {"R202490/MINIMAIZE", "1.5"}}));
        readSettings();
        QCOMPARE(workarea.TextBackColor, 12632256.0);
        QCOMPARE(workarea.TextFocusColor, workarea.TextBackColor);
        QCOMPARE(workarea.minimizeSetting, Int16(2));
        QCOMPARE(workarea.FormBackColor, QStringLiteral("&H00C0C0C0"));  // stays text
        QCOMPARE(workarea.TitleFontBold, QStringLiteral("True"));
        QCOMPARE(workarea.TitleBackColor, double(0xFFFF00));
        QCOMPARE(workarea.commPackagePath, QStringLiteral("/opt/trv500"));
        QCOMPARE(workarea.oldFile, QStringLiteral("/srv/edi/old"));
        QCOMPARE(workarea.debugMode, False);
        QCOMPARE(workarea.settingsFolder, site->root());
    }

    void minimizeOutOfRangeFails() {
        site->writeIni(standardIni(QStringLiteral("EDI"), {{"R202490/MINIMAIZE", "40000"}}));
        QVERIFY(ends([] { readSettings(); }));
        QCOMPARE(tk().boxTexts(), QStringList{iniError});
        QCOMPARE(workarea.TitleForeColor, 0.0);  // read before the failure
        QVERIFY(workarea.commPackagePath.isEmpty());  // never reached
    }

    void debugModeOnlyForExactlyOne_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("expected");
        QTest::newRow("1") << "1" << int(True);
        QTest::newRow("01") << "01" << int(False);
        QTest::newRow("yes") << "yes" << int(False);
        QTest::newRow("true") << "true" << int(False);
        QTest::newRow("missing") << QString() << int(False);
    }
    void debugModeOnlyForExactlyOne() {
        QFETCH(QString, mode);
        QFETCH(int, expected);
        site->writeIni(standardIni(QStringLiteral("EDI"), {{"デバッグ/MODE", mode}}));
        readSettings();
        QCOMPARE(int(workarea.debugMode), expected);
    }

    void firstFailingKeyStopsTheReader() {
        // LabelBackColor is the second key read; the keys after it are never read.
        site->writeIni(standardIni(QStringLiteral("EDI"), {{"Setting0/LabelBackColor", QString()}}));
        QVERIFY(ends([] { readSettings(); }));
        QCOMPARE(tk().boxTexts(), QStringList{iniError});
        QCOMPARE(workarea.FormBackColor, QStringLiteral("&H00C0C0C0"));
        QVERIFY(workarea.LabelFontBold.isEmpty());
        QCOMPARE(workarea.LabelForeColor, 0.0);
    }

    void cutAtNulRules() {
        QCOMPARE(cutAtNul(QStringLiteral("abc") + QChar(0) + QStringLiteral("def")), QStringLiteral("abc"));
        QCOMPARE(cutAtNul(QChar(0) + QStringLiteral("abc")), QString());
        QCOMPARE(cutAtNul(QStringLiteral("abc")), QString());  // no NUL at all
    }

    void profileStringFillsTheBuffer() {
        site->writeIni("[S]\nK=value\n");
        const QString buffer = readProfileString("S", "K", 64, site->iniPath());
        QCOMPARE(buffer.size(), 64);
        QCOMPARE(buffer.left(6), QStringLiteral("value") + QChar(0));
        QCOMPARE(readProfileString("S", "missing", 64, site->iniPath()).at(0), QChar(0));
        QCOMPARE(readProfileString("S", "K", 64, site->root() + "/none.ini").at(0), QChar(0));
    }

    // Files that a hand or another program damaged: never a crash, either a start or the message.
    void damagedFilesNeverCrash_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray garbage(4096, '\0');
        QRandomGenerator rng(20261208);
        for (char& c : garbage) c = char(rng.bounded(256));
        QTest::newRow("random bytes") << garbage;
        QTest::newRow("truncated mid key") << standardIni().left(180);
        QTest::newRow("only nuls") << QByteArray(300, '\0');
        QTest::newRow("invalid cp932 and controls") << QByteArray("[Setting0]\nFormBackColor=\x81\x7f\x85\x01\x1b\nLabelBackColor=\xff\xfe\n");
        QTest::newRow("one huge line") << QByteArray("[Setting0]\nFormBackColor=") + QByteArray(1 << 20, 'x');
        QTest::newRow("unterminated section") << QByteArray("[動作環境\nDBSTRING=X\n");
    }
    void damagedFilesNeverCrash() {
        QFETCH(QByteArray, bytes);
        site->writeIni(bytes);
        QVERIFY(!ends([] { readEnvironment(); }));
        QVERIFY(ends([] { readSettings(); }));
        QCOMPARE(tk().boxTexts(), QStringList{iniError});
    }
};

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
