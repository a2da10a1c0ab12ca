// The list on paper, or in a PDF file, through the system's print dialog: A4 portrait, each page
// with its title, the operator, when it was printed, "n / N" and the column titles, then the rows
// in list order, in the fonts of the appearance settings.
#include "item_columns.h"
#include "itemmaster/itemmaster.h"

#include "platform/cp932.h"
#include "platform/platform.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>

#include <algorithm>

using namespace platform;

namespace {

const QString heading = QStringLiteral("項目情報マスタ一覧");

// A font of the appearance settings; what the settings cannot give falls back to the screen's.
QFont settingsFont(const QString& name, const QString& size, const QString& bold, const QFont& fallback) {
    QFont font = fallback;
    if (!name.trimmed().isEmpty()) font.setFamilies({name.trimmed()});
    bool ok = false;
    const double points = size.trimmed().toDouble(&ok);
    font.setPointSizeF(ok && points > 0 && points < 100 ? points : 10);
    font.setBold(bold.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0);
    return font;
}

struct PageLayout {
    QRectF area;              // the printable area, in device pixels
    double rowHeight = 0;     // one list row
    double headerHeight = 0;  // the heading lines and the column titles
    double padding = 0;       // between a cell's text and its neighbours
    int rowsPerPage = 1;
    std::vector<double> columnLefts;
    std::vector<double> columnWidths;
};

PageLayout layOut(QPrinter& printer, const QFont& rowFont, const QFont& titleFont, const QFont& headingFont) {
    PageLayout p;
    p.area = QRectF(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    const double rowLine = QFontMetricsF(rowFont, &printer).height();
    const double titleLine = QFontMetricsF(titleFont, &printer).height();
    const double headingLine = QFontMetricsF(headingFont, &printer).height();
    p.rowHeight = rowLine * 1.25;
    p.padding = QFontMetricsF(rowFont, &printer).averageCharWidth();
    p.headerHeight = headingLine * 1.4 + titleLine * 1.5;
    p.rowsPerPage = std::max(1, int((p.area.height() - p.headerHeight) / p.rowHeight));
    // The columns share the width as they share it on the screen.
    double designWidth = 0;
    for (const ItemColumn& col : itemColumns) designWidth += col.width;
    double left = 0;
    for (const ItemColumn& col : itemColumns) {
        const double width = p.area.width() * col.width / designWidth;
        p.columnLefts.push_back(left);
        p.columnWidths.push_back(width);
        left += width;
    }
    return p;
}

Qt::Alignment alignmentOf(const ItemColumn& col) {
    return (col.alignment == FlexGrid::RightCenter ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace

void printListOn(QPrinter& printer) {
    const FlexGrid* grid = itemScreen()->GRID;
    const WorkArea& w = workarea;
    const QFont screenFont = itemScreen()->font();
    const QFont rowFont = settingsFont(w.TextFontName, w.TextFontSize, w.TextFontBold, screenFont);
    const QFont titleFont = settingsFont(w.TitleFontName, w.TitleFontSize, w.TitleFontBold, screenFont);
    QFont headingFont = titleFont;
    headingFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    headingFont.setBold(true);

    QPainter painter;
    if (!painter.begin(&printer)) throw std::runtime_error("the printer cannot be written to");
    const PageLayout page = layOut(printer, rowFont, titleFont, headingFont);
    const int rows = screenState().listRowCount;
    const int pages = std::max(1, (rows + page.rowsPerPage - 1) / page.rowsPerPage);
    const QString printed = toolkit().now().toString(QStringLiteral("yyyy/MM/dd HH:mm"));
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) printer.newPage();
        double y = 0;
        painter.setFont(headingFont);
        const double headingLine = QFontMetricsF(headingFont, &printer).height();
        const QRectF headingRow(0, y, page.area.width(), headingLine);
        painter.drawText(headingRow, Qt::AlignLeft | Qt::AlignVCenter, heading);
        painter.setFont(titleFont);
        painter.drawText(headingRow, Qt::AlignRight | Qt::AlignVCenter,
                         QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞ %1   %2   %3 / %4").arg(workarea.operatorCode, printed).arg(p).arg(pages));
        y += headingLine * 1.4;
        const double titleLine = QFontMetricsF(titleFont, &printer).height() * 1.5;
        for (size_t c = 0; c < std::size(itemColumns); ++c) {
            const QRectF cell(page.columnLefts[c], y, page.columnWidths[c], titleLine);
            painter.drawText(cell.adjusted(page.padding, 0, -page.padding, 0), Qt::AlignCenter,
                             platform::trimSpaces(QString::fromUtf8(itemColumns[c].title)));
        }
        painter.drawLine(QPointF(0, y + titleLine), QPointF(page.area.width(), y + titleLine));
        y += titleLine;
        painter.setFont(rowFont);
        const int first = (p - 1) * page.rowsPerPage + 1;
        const int last = std::min(rows, p * page.rowsPerPage);
        for (int r = first; r <= last; ++r) {
            for (size_t c = 0; c < std::size(itemColumns); ++c) {
                const QRectF cell(page.columnLefts[c], y, page.columnWidths[c], page.rowHeight);
                painter.drawText(cell.adjusted(page.padding, 0, -page.padding, 0), alignmentOf(itemColumns[c]),
                                 grid->textMatrix(r, itemColumns[c].gridColumn()));
            }
            y += page.rowHeight;
        }
    }
    painter.end();
}

void printItemList() {
    if (!reloadItemListIfLost()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
    printer.setDocName(heading);
    if (!toolkit().askPrinter(printer)) return;
    const BusyPointer busy;
    try {
        printListOn(printer);
    } catch (const std::exception& e) {
        logDetail(QStringLiteral("print: ") + QString::fromUtf8(e.what()));
        msgBox(QStringLiteral("印刷できませんでした。プリンタの設定を確かめてください"), vbOKOnly | vbExclamation);
        return;
    }
    showNote(QStringLiteral("一覧を印刷しました（%1 件）").arg(screenState().listRowCount));
}
