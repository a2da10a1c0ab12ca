// The workstation profile and the classic error report.
#include "scripted_toolkit.h"
#include "startup/profile.h"
#include "core/workarea.h"
#include "test_site.h"

#include <QTest>

class TestProfile : public QObject {
    Q_OBJECT
    std::unique_ptr<platform::ScriptedToolkitScope> scope;
    platform::ScriptedToolkit& tk() { return scope->tk; }

private slots:
    void init() {
        resetProgramState();
        scope = std::make_unique<platform::ScriptedToolkitScope>();
    }
    void cleanup() { scope.reset(); }

    void thisPlatformIsUnknown() {
        tk().facts.platformId = 0;
        tk().facts.majorVersion = 6;
        tk().facts.minorVersion = 1;
        tk().facts.buildNumber = 119;
        tk().facts.servicePack = QStringLiteral("#1 SMP Debian") + QChar(0) + QStringLiteral("junk");
        tk().facts.domain.reset();
        const cProfile p;
        QCOMPARE(p.OS(), QStringLiteral("Unknown OS"));
        QCOMPARE(p.Ver(), QStringLiteral("6.1"));
        QCOMPARE(p.Build(), QStringLiteral("119"));
        QCOMPARE(p.CSDVer(), QStringLiteral("#1 SMP Debian"));
        QCOMPARE(p.Domain(), QString());
    }

    void classicPlatformIds() {
        tk().facts.platformId = 1;
        QCOMPARE(cProfile().OS(), QStringLiteral("Windows9x"));
        tk().facts.platformId = 2;
        QCOMPARE(cProfile().OS(), QStringLiteral("WindowsNT"));
    }

    void hostFactsComeFromTheSystem() {
        const platform::SystemFacts f = platform::hostSystemFacts();
        QVERIFY(f.computerName.has_value());
        QVERIFY(f.userName.has_value());
        QVERIFY(f.majorVersion > 0);
        QVERIFY(!f.servicePack.isEmpty());
        QCOMPARE(f.platformId, 0);
    }

    void failedQueriesEmptyTheirFields() {
        tk().facts.computerName.reset();
        tk().facts.userName.reset();
        fillProfile();
        QCOMPARE(workarea.machineName, QString());
        QCOMPARE(workarea.logonUser, QString());
        QCOMPARE(workarea.osName, QStringLiteral("Unknown OS"));
        QVERIFY(tk().boxes.isEmpty());
    }

    void fillProfileCopiesFourFields() {
        tk().facts.computerName = QStringLiteral("ws-042");
        tk().facts.userName = QStringLiteral("tanaka");
        tk().facts.majorVersion = 5;
        tk().facts.minorVersion = 10;
        fillProfile();
        QCOMPARE(workarea.machineName, QStringLiteral("ws-042"));
        QCOMPARE(workarea.logonUser, QStringLiteral("tanaka"));
        QCOMPARE(workarea.osVersion, QStringLiteral("5.10"));
    }

    void reportErrorWithEmptyTitle() {
        const cProfile p;
        QString title;
        tk().answer(platform::vbOK);
        const short pressed = p.reportError({13, QStringLiteral("Type mismatch"), QStringLiteral("R205730")}, title);
        QCOMPARE(pressed, short(platform::vbOK));
        QCOMPARE(title, QStringLiteral("System Error Reported By R205730"));
        QCOMPARE(tk().boxes.size(), 1);
        QCOMPARE(tk().boxes[0].text, QStringLiteral("Error Code 13\r\nType mismatch"));
        QCOMPARE(tk().boxes[0].caption, title);
        QCOMPARE(tk().boxes[0].style, platform::vbCritical | platform::vbOKOnly);
    }

    void reportErrorKeepsAGivenTitle() {
        const cProfile p;
        QString title = QStringLiteral("項目情報");
        p.reportError({5, QStringLiteral("Invalid call"), QStringLiteral("src")}, title);
        QCOMPARE(title, QStringLiteral("項目情報"));
        QCOMPARE(tk().boxes[0].caption, QStringLiteral("項目情報"));
    }
};

QTEST_MAIN(TestProfile)
#include "test_profile.moc"
