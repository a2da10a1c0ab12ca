// What the screen offers beyond its design: the find by name, the list exported to CSV and
// printed. None of it may touch the entry or act on a designed key.
#include "item_screen.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace platform;

namespace {

void insertItems(TestDatabase& d, const QList<std::pair<int, QString>>& items) {
    QStringList rows;
    for (const auto& [number, name] : items) {
        QString quoted = name;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        rows << QStringLiteral("(%1, '%2', 'X', 8, 0)").arg(number).arg(quoted);
    }
    d.run(QStringLiteral("INSERT INTO FL1901項目情報マスタ (項目No, データ項目名, 属性, 長さ, 小数部長さ) VALUES ") +
          rows.join(QStringLiteral(", ")));
}

// Runs a program and hands back its standard output; the test fails when it fails.
QByteArray run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return p.readAllStandardOutput();
}

// The list as the grid shows it, title row first.
QList<QStringList> listCells(const F_R205730* f) {
    QList<QStringList> rows;
    for (int r = 0; r <= screenState().listRowCount; ++r) {
        QStringList cells;
        for (int c = 1; c <= 6; ++c) cells << f->GRID->textMatrix(r, c).trimmed();
        rows << cells;
    }
    return rows;
}

}  // namespace

class TestItemListTools : public QObject {
    Q_OBJECT

private slots:
    // Typing marks the first name at or after the current row that holds the text as an operator
    // reads it; Down and Up go round the matches; the current row and the open entry stay as they
    // are; Enter opens the marked item as a click would; Esc gives the keyboard back.
    void theFindMarksWithoutTouchingTheEntry() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        insertItems(s.database(), {{901, QStringLiteral("発注者コード甲")}, {902, QStringLiteral("ｺｰﾄﾞ甲区分")},
                                   {903, QStringLiteral("商品ＣＯＤＥ")}, {904, QStringLiteral("コード甲名")}});
        loadItemList();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("入力中"));
        const int current = f->GRID->row();

        s.press(Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(s.focused(), f->findField);
        s.type(QStringLiteral("こーど甲"));
        QCOMPARE(f->GRID->markedRow(), s.listRowOf(QStringLiteral("901")));
        QCOMPARE(f->findCount->text(), QStringLiteral("1/3"));
        s.press(Qt::Key_Down);
        QCOMPARE(f->GRID->markedRow(), s.listRowOf(QStringLiteral("902")));
        s.press(Qt::Key_Down);
        s.press(Qt::Key_Down);
        QCOMPARE(f->findCount->text(), QStringLiteral("1/3"));  // round to the first
        s.press(Qt::Key_Up);
        QCOMPARE(f->GRID->markedRow(), s.listRowOf(QStringLiteral("904")));
        s.type(QStringLiteral("名"));
        QCOMPARE(f->findCount->text(), QStringLiteral("1/1"));
        f->findField->clear();
        s.type(QStringLiteral("code"));
        QCOMPARE(f->GRID->markedRow(), s.listRowOf(QStringLiteral("903")));
        // Nothing of the entry moved, and the screen's keys did nothing (Esc asked nothing).
        QCOMPARE(f->GRID->row(), current);
        QCOMPARE(workarea.screenMode, QStringLiteral("BODY"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("入力中"));
        QVERIFY(s.tk().boxes.isEmpty());

        s.press(Qt::Key_Escape);
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QCOMPARE(f->GRID->markedRow(), 0);
        QVERIFY(s.tk().boxes.isEmpty());

        // Enter opens the marked item as a click on its row does, then the name is ready to type.
        s.press(Qt::Key_F, Qt::ControlModifier);
        f->findField->clear();
        s.type(QStringLiteral("ｺｰﾄﾞ甲区"));
        s.press(Qt::Key_Return);
        QCOMPARE(f->GRID->row(), s.listRowOf(QStringLiteral("902")));
        QCOMPARE(f->Koumoku->text(), QStringLiteral("902"));
        QCOMPARE(f->Koumoku_NM->text(), QStringLiteral("ｺｰﾄﾞ甲区分"));
        QCOMPARE(s.focused(), f->Koumoku_NM);
        QVERIFY(!f->Koumoku->isEnabled());
        QVERIFY(s.tk().boxes.isEmpty());
    }

    // While the list has the keyboard its current row is plainly marked; after a save or a
    // delete a note says what was done, and the next key takes it away.
    void theListShowsItsRowAndANoteTellsWhatWasDone() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        auto background = [f](int row) {
            return f->GRID->model()->data(f->GRID->model()->index(row - 1, 2), Qt::BackgroundRole).value<QColor>();
        };
        const QColor focusColour(0xFF, 0xFF, 0x80);  // the sample settings' TextFocusColor, &H80FFFF
        f->GRID->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        const int row = f->GRID->row();
        QVERIFY(row >= 1);
        QCOMPARE(background(row), focusColour);
        s.press(Qt::Key_Up);
        QCOMPARE(background(f->GRID->row()), focusColour);
        QVERIFY(!background(row).isValid());
        ShownScreen::focus(f->Kensaku);
        QVERIFY(!background(f->GRID->row()).isValid());

        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        f->Koumoku_NM->setText(QStringLiteral("更新した名前"));
        s.tk().answer(vbYes);
        s.press(Qt::Key_Escape);
        QCOMPARE(f->noteLabel->text(), QStringLiteral("項目 50 を更新しました"));
        s.type(QStringLiteral("5"));
        QCOMPARE(f->noteLabel->text(), QString());

        f->Kensaku->clear();
        s.type(QStringLiteral("50"));
        s.press(Qt::Key_Return);
        s.tk().answer(vbOK);
        s.press(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(f->noteLabel->text(), QStringLiteral("項目 50 を削除しました"));
        QVERIFY(s.tk().unexpectedBoxes.isEmpty());
    }

    // The CSV reads back, with a reader that is not ours, as the list's cells: the titles, every
    // row in list order, numbers bare, texts that a spreadsheet would run as formulas behind an
    // apostrophe. Code page 932 refuses names it cannot hold; UTF-8 holds them.
    void theExportReadsBackAsTheList() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        F_R205730* f = s.f();
        insertItems(s.database(), {{901, QStringLiteral("=SUM(A1)")}, {902, QStringLiteral("引用\"符,と改行")},
                                   {903, QStringLiteral("-1")}, {904, QStringLiteral("@項目")}});
        loadItemList();
        QTemporaryDir folder;
        const QString sjis = folder.filePath(QStringLiteral("一覧.csv"));
        const QString utf8 = folder.filePath(QStringLiteral("一覧-utf8.csv"));
        s.tk().fileChoices = {{sjis, 0}, {utf8, 1}};
        s.press(Qt::Key_E, Qt::ControlModifier);
        QVERIFY(s.tk().boxes.isEmpty());
        QTest::mouseClick(f->exportButton, Qt::LeftButton);
        QVERIFY(s.tk().boxes.isEmpty());

        QList<QStringList> expected = listCells(f);
        for (qsizetype r = 1; r < expected.size(); ++r)
            for (int c : {1, 2, 3})
                if (!expected[r][c].isEmpty() && QStringLiteral("=+-@").contains(expected[r][c].front()))
                    expected[r][c].prepend(QLatin1Char('\''));
        const QString reader = QStringLiteral(
            "import csv, json, sys\n"
            "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f: rows = list(csv.reader(f))\n"
            "raw = open(sys.argv[1], 'rb').read()\n"
            "print(json.dumps({'rows': rows, 'crlf': raw.count(b'\\r\\n') == raw.count(b'\\n')}))\n");
        for (const auto& [file, encoding] : {std::pair{sjis, QStringLiteral("cp932")}, std::pair{utf8, QStringLiteral("utf-8-sig")}}) {
            const QJsonObject read = QJsonDocument::fromJson(run(QStringLiteral("python3"), {QStringLiteral("-c"), reader, file, encoding})).object();
            QList<QStringList> rows;
            for (const QJsonValue& row : read.value(QStringLiteral("rows")).toArray()) {
                QStringList cells;
                for (const QJsonValue& cell : row.toArray()) cells << cell.toString();
                rows << cells;
            }
            QCOMPARE(rows, expected);
            QVERIFY(read.value(QStringLiteral("crlf")).toBool());
        }
        QFile bom(utf8);
        bom.open(QIODevice::ReadOnly);
        QCOMPARE(bom.read(3), QByteArray("\xEF\xBB\xBF"));

        // A name code page 932 lacks: refused there, never written as "?"; UTF-8 takes it.
        insertItems(s.database(), {{905, QStringLiteral("한글")}});
        loadItemList();
        const QString refused = folder.filePath(QStringLiteral("refused.csv"));
        s.tk().fileChoices = {{refused, 0}};
        s.press(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(s.tk().boxes.size(), 1);
        QVERIFY(s.tk().boxes.first().text.contains(QStringLiteral(" 1 件")));
        QVERIFY(s.tk().boxes.first().text.contains(QStringLiteral("UTF-8")));
        QVERIFY(!QFile::exists(refused));

        // A folder that cannot be written to: told, and nothing left behind.
        s.tk().boxes.clear();
        const QString nowhere = folder.filePath(QStringLiteral("no-such-folder/一覧.csv"));
        s.tk().fileChoices = {{nowhere, 1}};
        s.press(Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(s.tk().boxes.size(), 1);
        QVERIFY(s.tk().boxes.first().text.startsWith(QStringLiteral("ファイルに書き出せませんでした")));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 2);
        QCOMPARE(workarea.screenMode, QStringLiteral("HEAD"));
    }

    // A thousand items printed to PDF: A4 pages, every item's row once and in order.
    void aThousandItemsPrintEveryRowOnceInOrder() {
        ItemScreen s;
        REQUIRE_TEST_DATABASE(s.database());
        s.database().run(QStringLiteral("DELETE FROM FL1901項目情報マスタ"));
        QList<std::pair<int, QString>> items;
        for (int i = 1; i <= 1000; ++i) items.append({i, QStringLiteral("印刷項目%1").arg(i)});
        for (qsizetype at = 0; at < items.size(); at += 250) insertItems(s.database(), items.mid(at, 250));
        loadItemList();
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("一覧.pdf"));
        s.tk().printerSetups = {[pdf](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        }};
        workarea.operatorCode = QStringLiteral("0042");
        s.press(Qt::Key_P, Qt::ControlModifier);
        QVERIFY(s.tk().boxes.isEmpty());
        QVERIFY(QFile::exists(pdf));

        const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
        const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        QVERIFY2(pages.hasMatch(), qPrintable(info));
        const int pageCount = pages.captured(1).toInt();
        QVERIFY2(info.contains(QStringLiteral("595.276 x 841.89")) || info.contains(QStringLiteral("595 x 842")), qPrintable(info));
        const QString text = QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
        // Each page carries its heading, the operator, the time and "n / N".
        QCOMPARE(text.count(QStringLiteral("項目情報マスタ一覧")), pageCount);
        QCOMPARE(text.count(QStringLiteral("0042")), pageCount);
        QCOMPARE(text.count(QStringLiteral("2026/12/08 09:30")), pageCount);
        for (int p = 1; p <= pageCount; ++p) QVERIFY(text.contains(QStringLiteral("%1 / %2").arg(p).arg(pageCount)));
        QCOMPARE(text.count(QStringLiteral("小数部長さ")), pageCount);
        static const QRegularExpression row(QStringLiteral("^\\s*(\\d+)\\s*印刷項目(\\d+)\\s"), QRegularExpression::MultilineOption);
        QList<int> seen;
        for (auto it = row.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            QCOMPARE(m.captured(1), m.captured(2));
            seen << m.captured(1).toInt();
        }
        QList<int> all;
        for (int i = 1; i <= 1000; ++i) all << i;
        QCOMPARE(seen, all);
        QVERIFY(pageCount > 1);
    }
};

QTEST_MAIN(TestItemListTools)
#include "test_item_list_tools.moc"
