// The display part of the classification name lookup: the name beside the field that holds the code.
#include "screen/screen.h"

#include "db/db.h"
#include "platform/platform.h"

#include <QLabel>
#include <QLineEdit>

void showClassName(const QString& classification, QLineEdit* codeField, QLabel* nameLabel, CheckResult& status) {
    if (!codeField || !nameLabel) {
        platform::logDetail(QStringLiteral("class name display: no code field or name label"));
        if (nameLabel) nameLabel->setText(QString());
        return;
    }
    const QString name = lookupClassName(classification, codeField->text());
    if (!name.isEmpty()) {
        nameLabel->setText(name);
        return;
    }
    nameLabel->setText(QString());
    status = CheckResult::Stop;
    platform::msgBox(QStringLiteral("該当データがありませんでした"), platform::vbOKOnly);
}
