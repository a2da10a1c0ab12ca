#include "itemmaster/itemmaster.h"
#include "platform/first_paint.h"
#include "platform/heap.h"
#include "platform/platform.h"
#include "startup/startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QSessionManager>

int main(int argc, char* argv[]) {
    platform::prepareHeap();
    startReadingAhead(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath());
    QApplication app(argc, argv);
    platform::installJapaneseTexts();
    platform::exitAfterFirstPaintWhenAsked();
    platform::runStartup([] { Main(); });
    // The session ending asks the same exit question as every other close.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [](QSessionManager& manager) {
        if (workarea.mainForm && !workarea.mainForm->unload()) manager.cancel();
    });
    return app.exec();
}
