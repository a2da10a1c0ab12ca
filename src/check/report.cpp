#include "check/health_check.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace check {

namespace {

QString statusWord(Status s) {
    switch (s) {
    case Status::Ok: return QStringLiteral("OK");
    case Status::Ng: return QStringLiteral("NG");
    case Status::Skipped: return QStringLiteral("SKIP");
    }
    return QString();
}

QString jsonStatus(Status s) {
    switch (s) {
    case Status::Ok: return QStringLiteral("ok");
    case Status::Ng: return QStringLiteral("ng");
    case Status::Skipped: return QStringLiteral("skipped");
    }
    return QString();
}

// Driver messages may carry line breaks; each check stays on its line.
QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
    return text;
}

}  // namespace

QString textReport(const Report& report) {
    QString out;
    int ng = 0, skipped = 0;
    for (const Result& r : report.results) {
        QString line = QStringLiteral("%1 %2: ").arg(statusWord(r.status).leftJustified(4), r.title);
        if (r.status == Status::Skipped) {
            line += QStringLiteral("確かめませんでした (") + r.detail + QStringLiteral(")");
            ++skipped;
        } else {
            line += r.detail;
        }
        if (r.status == Status::Ng) {
            line += QStringLiteral(" → 対処: ") + r.remedy;
            ++ng;
        }
        out += oneLine(line) + QLatin1Char('\n');
    }
    if (ng == 0 && skipped == 0)
        out += QStringLiteral("結果: すべて OK (%1 件)\n").arg(report.results.size());
    else
        out += QStringLiteral("結果: NG %1 件、確かめられなかったもの %2 件 (%3 件中)\n")
                   .arg(ng)
                   .arg(skipped)
                   .arg(report.results.size());
    return out;
}

QByteArray jsonReport(const Report& report) {
    QJsonArray checks;
    for (const Result& r : report.results) {
        QJsonObject o{{QStringLiteral("name"), r.name},
                      {QStringLiteral("title"), r.title},
                      {QStringLiteral("status"), jsonStatus(r.status)},
                      {QStringLiteral("detail"), r.detail},
                      {QStringLiteral("remedy"), r.remedy},
                      {QStringLiteral("ms"), r.ms}};
        if (r.rows >= 0) o.insert(QStringLiteral("rows"), r.rows);
        checks.append(o);
    }
    const QJsonObject root{{QStringLiteral("program"), QStringLiteral("r205730-check")},
                           {QStringLiteral("settings_file"), report.settingsFile},
                           {QStringLiteral("ok"), report.passed()},
                           {QStringLiteral("checks"), checks}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

}  // namespace check
