#include "db/db.h"

#include "platform/platform.h"

QString lookupClassName(const QString& classification, const QString& code) {
    try {
        workarea.sqlText = QStringLiteral(R"(SELECT 区分名称 FROM 区分マスタ WHERE 区分= '%1' AND 区分ｺｰﾄﾞ= '%2')")
                               .arg(quoteSql(classification), quoteSql(code));
        // A code with an apostrophe has always been reported as not found; it stays so.
        if (classification.contains(QLatin1Char('\'')) || code.contains(QLatin1Char('\''))) {
            platform::logDetail(QStringLiteral("class name lookup: a code with an apostrophe has no name: ") + code);
            return QString();
        }
        // Built in sqlText, where it stays also when an apostrophe ends the lookup before it runs.
        const std::unique_ptr<db::ResultSet> rs = openReadOnly(workarea.sqlText);
        QString name;
        if (!rs->atEnd()) {
            const QVariant value = rs->columnValue(QStringLiteral("区分名称"));
            if (!value.isNull()) name = value.toString();
        }
        rs->closeResultSet();
        return name;
    } catch (const db::Error& e) {
        // A name that could not be read is no name that is missing: the caller tells why.
        if (e.fromSurroundings()) throw;
        return QString();  // already in the log
    } catch (const std::exception& e) {
        platform::logDetail(QStringLiteral("class name lookup: ") + QString::fromUtf8(e.what()));
        return QString();
    }
}
