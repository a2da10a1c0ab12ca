#include "db/db.h"

#include "platform/platform.h"

void openDatabase() {
    workarea.connectString = QStringLiteral("DSN=") + workarea.dataSource.trimmed() + QStringLiteral(";UID=") +
                             workarea.dbUserId.trimmed() + QStringLiteral(";PWD=") + workarea.dbPassword.trimmed() +
                             QStringLiteral(";");
    if (workarea.dataSource.trimmed().isEmpty())
        platform::fatal(QStringLiteral("接続エラー"), QStringLiteral("connect: no data source name in EDI.ini"));
}

void closeDatabase() {}
