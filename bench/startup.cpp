#include "startup.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <cstdio>
#include <ctime>

namespace {

qint64 monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The site's "export NAME=VALUE" lines (ODBCSYSINI, ODBCINI).
void addSiteEnvironment(const QString& site, QProcessEnvironment& env) {
    QFile file(site + QStringLiteral("/env"));
    if (!file.open(QIODevice::ReadOnly)) return;
    static const QRegularExpression line(QStringLiteral("^export ([A-Z_]+)=(.*)$"));
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(raw));
        if (m.hasMatch()) env.insert(m.captured(1), m.captured(2));
    }
}

}  // namespace

QString paintPlatform() {
    return qEnvironmentVariableIsEmpty("DISPLAY") ? QStringLiteral("offscreen")
                                                  : QStringLiteral("X server %1").arg(qEnvironmentVariable("DISPLAY"));
}

FirstPaint startAndPaint(const QString& site) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // This process paints offscreen; the started ones paint where an operator would see them.
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    else env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("R205730_EXIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    if (site.isEmpty()) {
        process.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/bench_bare_window"));
    } else {
        addSiteEnvironment(site, env);
        process.setProgram(site + QStringLiteral("/app/bin/R205730"));
        process.setArguments({QStringLiteral("BENCH")});  // the operator code
    }
    process.setProcessEnvironment(env);
    const qint64 launched = monotonicNs();
    process.start();
    FirstPaint result;
    if (!process.waitForFinished(120000)) {
        std::fprintf(stderr, "start-up: %s did not end\n", qPrintable(process.program()));
        process.kill();
        process.waitForFinished();
        return result;
    }
    static const QRegularExpression line(
        QStringLiteral("first-paint monotonic_ns=(\\d+) peak_kib=(-?\\d+) heap_bytes=(\\d+)"));
    const QRegularExpressionMatch m = line.match(QString::fromUtf8(process.readAllStandardOutput()));
    if (!m.hasMatch()) {
        std::fprintf(stderr, "start-up: %s did not tell its first paint\n", qPrintable(process.program()));
        return result;
    }
    result.ms = (m.captured(1).toLongLong() - launched) / 1e6;
    result.peakKiB = m.captured(2).toLong();
    result.heapBytes = m.captured(3).toLongLong();
    return result;
}
