// The list to a CSV file for a spreadsheet: the list's titles, then every row in list order, as
// RFC 4180 has it, in code page 932 (what a spreadsheet on a Japanese desktop opens directly) or
// in UTF-8 with a byte-order mark; CRLF either way.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/cp932.h"
#include "platform/platform.h"

#include <QRegularExpression>
#include <QSaveFile>

using namespace platform;

namespace {

enum class Encoding { Cp932 = 0, Utf8 = 1 };

bool isWholeNumber(const QString& text) {
    static const QRegularExpression whole(QStringLiteral("^-?[0-9]+$"));
    return whole.match(text).hasMatch();
}

// One field. A number column's number stays bare; any text is quoted where it holds a comma, a
// quote or a line end. A text that a spreadsheet would run as a formula (it begins with =, +, -
// or @) is written with an apostrophe in front, so that it opens as the text it is.
QString csvField(const QString& text, bool numberColumn) {
    if (numberColumn && (text.isEmpty() || isWholeNumber(text))) return text;
    QString field = text;
    if (!field.isEmpty() && QStringLiteral("=+-@").contains(field.front())) field.prepend(QLatin1Char('\''));
    static const QRegularExpression needsQuotes(QStringLiteral("[\",\\r\\n]"));
    if (!needsQuotes.match(field).hasMatch()) return field;
    field.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

QStringList csvLines() {
    const FlexGrid* grid = itemScreen()->GRID;
    QStringList lines;
    QStringList titles;
    for (const ItemColumn& col : itemColumns) titles.append(csvField(trimSpaces(QString::fromUtf8(col.title)), false));
    lines.append(titles.join(QLatin1Char(',')));
    for (int r = 1; r <= screenState().listRowCount; ++r) {
        QStringList cells;
        for (const ItemColumn& col : itemColumns)
            cells.append(csvField(grid->textMatrix(r, col.gridColumn()),
                                  col.list == ListColumn::ItemNumber || col.isLength));
        lines.append(cells.join(QLatin1Char(',')));
    }
    return lines;
}

// The file's bytes; in code page 932 nothing when a row holds characters it lacks (their count in
// `unfit`, the title row never among them): a name is never written as "?".
std::optional<QByteArray> encode(const QStringList& lines, Encoding encoding, int& unfit) {
    QByteArray bytes;
    unfit = 0;
    if (encoding == Encoding::Utf8) {
        bytes = QByteArrayLiteral("\xEF\xBB\xBF");
        for (const QString& line : lines) bytes += line.toUtf8() + QByteArrayLiteral("\r\n");
        return bytes;
    }
    for (const QString& line : lines) {
        if (const std::optional<QByteArray> encoded = toCp932Whole(line)) bytes += *encoded + QByteArrayLiteral("\r\n");
        else ++unfit;
    }
    if (unfit > 0) return std::nullopt;
    return bytes;
}

}  // namespace

void exportItemList() {
    if (!reloadItemListIfLost()) return;
    const QStringList kinds{QStringLiteral("CSV シフトJIS (CP932) (*.csv)"), QStringLiteral("CSV UTF-8 (*.csv)")};
    const std::optional<FileChoice> choice =
        toolkit().askFileToWrite(QStringLiteral("一覧の書き出し"), QStringLiteral("項目情報マスタ一覧.csv"), kinds);
    if (!choice || choice->path.isEmpty()) return;
    const BusyPointer busy;
    const Encoding encoding = choice->kind == 1 ? Encoding::Utf8 : Encoding::Cp932;
    int unfit = 0;
    const std::optional<QByteArray> bytes = encode(csvLines(), encoding, unfit);
    if (!bytes) {
        msgBox(QStringLiteral("シフトJIS (CP932) で表せない文字を含む項目が %1 件あるため、書き出しませんでした。"
                              "UTF-8 で書き出せば、そのまま書き出せます")
                   .arg(unfit),
               vbOKOnly | vbExclamation);
        return;
    }
    // Written beside the file under another name, then renamed over it: a failure leaves no half file.
    QSaveFile file(choice->path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        logDetail(QStringLiteral("export to %1: %2").arg(choice->path, file.errorString()));
        file.cancelWriting();
        msgBox(QStringLiteral("ファイルに書き出せませんでした（%1）。書き込める場所と空きを確かめてください").arg(file.errorString()),
               vbOKOnly | vbExclamation);
        return;
    }
    showNote(QStringLiteral("一覧を書き出しました（%1 件）").arg(screenState().listRowCount));
}
