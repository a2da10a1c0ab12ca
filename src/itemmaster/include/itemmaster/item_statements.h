// Every statement text that names FL1901項目情報マスタ.
#pragma once

#include <QString>

QString itemListSql();                              // the list, joined with the attribute names
QString rowToWriteSql(const QString& itemNumber);   // the row a save writes
QString deleteItemSql(const QString& itemNumber);   // the confirmed delete
QString searchItemSql(const QString& itemNumber);   // the search by number
QString duplicateItemSql(const QString& itemNumber);  // the new number's duplicate test

// The history, FL1901項目情報マスタ履歴.
QString historyProbeSql();                          // no row; fails where there is no table
QString historyWriterSql();                         // PostgreSQL: marks the transaction as this program's
QString historyInsertSql(const QString& values);    // one row; values checked or quoted
QString historyOfItemSql(const QString& itemNumber);  // an item's rows, newest first

// The item number as it goes into a statement, unquoted. Text that is not a
// whole number (an empty field among them) is refused here, so the statement
// fails as an invalid one would, and nothing typed can change its meaning.
QString sqlItemNumber(const QString& text);
