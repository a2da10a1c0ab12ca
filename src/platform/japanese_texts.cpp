#include "platform/platform.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace platform {

void installJapaneseTexts() {
    // The program speaks only Japanese, so the system language does not choose Qt's texts.
    // Qt's catalogue has every caption its boxes and edit menus show; none is written here.
    static QTranslator qtTexts;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!qtTexts.load(QStringLiteral("qtbase_ja"), folder)) {
        logDetail(QStringLiteral("Qt's Japanese texts (qtbase_ja.qm) not found in %1: standard buttons stay in English")
                      .arg(folder));
        return;
    }
    QCoreApplication::installTranslator(&qtTexts);
}

}  // namespace platform
