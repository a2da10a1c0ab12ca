// The database opened and the item list read while the toolkit starts: the two take about as
// long, and a workstation has more than one core.
#include "startup/startup.h"

#include "db/db.h"
#include "itemmaster/itemmaster.h"
#include "settings/settings.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>

void startReadingAhead(const QString& programFolder) {
    // The toolkit sets the locale from the environment as it starts, and the driver manager hands
    // text to the SQLite driver in the locale's code set, which has to be UTF-8. So the thread
    // runs only where the environment's own locale is UTF-8: setting it again then changes nothing.
    std::setlocale(LC_ALL, "");
    const char* codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0) return;
    const auto login = peekDatabaseLogin(programFolder);
    if (!login) return;
    db::openAhead(login->dataSource.trimmed(), login->userId.trimmed(), login->password.trimmed(), readItemListAhead);
}
