// Module R206840: the operator master and the credential checks of both dialogs.
#include "operator/dialogs.h"
#include "operator/operator.h"

#include "db/db.h"
#include "platform/cp932.h"
#include "platform/platform.h"
#include "settings/settings.h"

#include <cmath>
#include <memory>

FoundOperator foundOperator;

namespace {

const QString noCodeMessage = QStringLiteral("ｵﾍﾟﾚｰﾀｺｰﾄﾞが入力されていません");
const QString noSuchCodeMessage = QStringLiteral("該当コードがありません");
const QString badPasswordMessage = QStringLiteral("パスワードが不正です");
const QString noNewPasswordMessage = QStringLiteral("新パスワードが入力されていません");
// A row whose columns cannot be used: null, not a number, or beyond 16 bits.
const QString badRowMessage = QStringLiteral("担当者マスタの内容が不正です");

QString trimmed(const QString& text) { return platform::trimSpaces(text); }

bool isEmptyField(const InputField* field) { return trimmed(field->text()).isEmpty(); }

CheckResult tell(const QString& message) {
    platform::msgBox(message);
    return CheckResult::Stop;
}

// The sign-on dialog reads its numbers as far as they go; the change dialog wants the whole text.
enum class Numbers { Leading, Whole };

struct OperatorRow {
    QString storedName;
    QString name;
    Int16 imeMode = 0;
    Int16 level = 0;
    QString password;
};

// The row of the result set, or nothing when a column cannot be used (already logged).
std::optional<OperatorRow> readRow(const db::ResultSet& rs, const QString& code, Numbers numbers) {
    QString problem;
    auto text = [&](const QString& column) -> QString {
        const QVariant value = rs.columnValue(column);
        if (value.isNull() && problem.isEmpty()) problem = column + QStringLiteral(" is null");
        return value.toString();
    };
    auto number = [&](const QString& column) -> Int16 {
        const QVariant value = rs.columnValue(column);
        if (value.isNull()) {
            if (problem.isEmpty()) problem = column + QStringLiteral(" is null");
            return 0;
        }
        const QString digits = value.toString();
        const auto converted =
            numbers == Numbers::Leading ? leadingNumberToInt16(digits) : wholeNumberToInt16(digits);
        if (!converted && problem.isEmpty())
            problem = QStringLiteral("%1 \"%2\" is not a 16-bit number").arg(column, digits);
        return converted.value_or(0);
    };
    OperatorRow row;
    row.storedName = text(QStringLiteral("担当者氏名"));
    row.name = trimmed(row.storedName);
    row.imeMode = number(QStringLiteral("IME起動モード"));
    row.level = number(QStringLiteral("権限レベル"));
    row.password = trimmed(text(QStringLiteral("パスワード")));
    if (problem.isEmpty()) return row;
    platform::logDetail(QStringLiteral("operator master, operator \"%1\": %2").arg(code, problem));
    return std::nullopt;
}

// The code check of either dialog. The change dialog puts the focus back into its
// code after a failure and shows the name trimmed.
template <typename Dialog>
CheckResult checkCode(Dialog& dialog, Numbers numbers, bool focusOnFailure, bool trimName) {
    auto fail = [&](const QString& message) {
        tell(message);
        if (focusOnFailure) dialog.OPCD->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    };
    if (isEmptyField(dialog.OPCD)) return fail(noCodeMessage);
    const QString code = trimmed(dialog.OPCD->text());
    const std::unique_ptr<db::ResultSet> rs = openReadOnly(operatorReadSql(code));
    if (rs->atEnd()) {
        rs->closeResultSet();
        return fail(noSuchCodeMessage);
    }
    const std::optional<OperatorRow> row = readRow(*rs, code, numbers);
    rs->closeResultSet();
    // Nothing is taken over from a row that cannot be used.
    if (!row) return fail(badRowMessage);
    dialog.lbl_OPNM->setCaption(trimName ? row->name : row->storedName);
    foundOperator.code = code;
    foundOperator.name = row->name;
    foundOperator.imeMode = row->imeMode;
    foundOperator.level = row->level;
    foundOperator.password = row->password;
    return CheckResult::Passed;
}

std::optional<Int16> roundedToInt16(double value) {
    // Halves go to the even neighbour: the default rounding mode of nearbyint.
    const double whole = std::nearbyint(value);
    if (!std::isfinite(whole) || whole < -32768.0 || whole > 32767.0) return std::nullopt;
    return static_cast<Int16>(whole);
}

bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

}  // namespace

std::optional<Int16> leadingNumberToInt16(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    QString number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) number += text[i++];
    bool anyDigit = false;
    while (i < n && isAsciiDigit(text[i])) number += text[i++], anyDigit = true;
    if (i < n && text[i] == QLatin1Char('.')) {
        number += text[i++];
        while (i < n && isAsciiDigit(text[i])) number += text[i++], anyDigit = true;
    }
    if (!anyDigit) return Int16(0);
    // An exponent counts only with digits after it.
    if (i < n && QStringLiteral("eEdD").contains(text[i])) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) exponent += text[j++];
        if (j < n && isAsciiDigit(text[j])) {
            while (j < n && isAsciiDigit(text[j])) exponent += text[j++];
            number += exponent;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok) return std::nullopt;  // too large for a double
    return roundedToInt16(value);
}

std::optional<Int16> wholeNumberToInt16(const QString& text) { return toInt16(trimmed(text)); }

QString operatorReadSql(const QString& code) {
    return QStringLiteral(R"(SELECT * FROM FL0003担当者マスタ WHERE 担当者コード = '%1' )").arg(quoteSql(code));
}

QString passwordUpdateSql(const QString& newPassword, const QString& code) {
    return QStringLiteral(
               R"(UPDATE FL0003担当者マスタ SET FL0003担当者マスタ.パスワード = '%1' WHERE FL0003担当者マスタ.担当者コード = '%2')")
        .arg(quoteSql(newPassword), quoteSql(code));
}

CheckResult checkSignOnField(Int16 position) {
    const W2068401& d = signOnDialog();
    if (position == d.tabPosition(d.OPCD)) return checkSignOnCode();
    if (position == d.tabPosition(d.PSWD)) return checkSignOnPassword();
    return CheckResult::Passed;
}

CheckResult checkChangeField(Int16 position) {
    const W2068402& d = changeDialog();
    if (position == d.tabPosition(d.OPCD)) return checkChangeCode();
    if (position == d.tabPosition(d.PSWD)) return checkOldPassword();
    if (position == d.tabPosition(d.NPSWD)) return checkNewPassword();
    if (position == d.tabPosition(d.KAKUNIN)) return checkConfirmation();
    return CheckResult::Passed;
}

CheckResult checkSignOnCode() { return checkCode(signOnDialog(), Numbers::Leading, false, false); }

CheckResult checkChangeCode() { return checkCode(changeDialog(), Numbers::Whole, true, true); }

CheckResult checkSignOnPassword() {
    W2068401& d = signOnDialog();
    // The operator is read again: a password changed meanwhile is honoured.
    if (checkSignOnCode() == CheckResult::Stop) {
        d.OPCD->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    }
    if (isEmptyField(d.PSWD) || trimmed(d.PSWD->text()) != trimmed(foundOperator.password))
        return tell(badPasswordMessage);
    return CheckResult::Passed;
}

CheckResult checkOldPassword() {
    W2068402& d = changeDialog();
    if (isEmptyField(d.OPCD)) {
        tell(noCodeMessage);
        d.OPCD->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    }
    if (trimmed(foundOperator.password) != trimmed(d.PSWD->text())) {
        tell(badPasswordMessage);
        d.PSWD->setFocus(Qt::OtherFocusReason);
        return CheckResult::Stop;
    }
    return CheckResult::Passed;
}

CheckResult checkNewPassword() {
    W2068402& d = changeDialog();
    if (!isEmptyField(d.NPSWD)) return CheckResult::Passed;
    tell(noNewPasswordMessage);
    d.NPSWD->setFocus(Qt::OtherFocusReason);
    return CheckResult::Stop;
}

CheckResult checkConfirmation() {
    W2068402& d = changeDialog();
    if (trimmed(d.KAKUNIN->text()) == trimmed(d.NPSWD->text())) return CheckResult::Passed;
    tell(badPasswordMessage);
    d.NPSWD->clear();
    d.KAKUNIN->clear();
    d.KAKUNIN->setFocus(Qt::OtherFocusReason);
    return CheckResult::Stop;
}
