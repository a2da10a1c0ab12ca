-- The history of FL1901項目情報マスタ, for SQLite: one row for each write R205730 made, written in
-- the same transaction as the write. Run once on an existing database to start keeping it:
--   sqlite3 edi.sqlite < schema/history-sqlite.sql
-- 履歴No orders the history (clocks can tie or step back); AUTOINCREMENT never gives a number twice.
-- 操作 is 追加, 変更 or 削除. 項目No is the item's number; 変更前項目No the number before the write
-- (empty for an addition). 記録日時 is UTC. 記録元 names the program that wrote.
CREATE TABLE FL1901項目情報マスタ履歴 (
    履歴No INTEGER PRIMARY KEY AUTOINCREMENT,
    操作 VARCHAR(4) NOT NULL,
    項目No INTEGER NOT NULL,
    変更前項目No INTEGER,
    変更前データ項目名 VARCHAR(40),
    変更前属性 VARCHAR(1),
    変更前長さ INTEGER,
    変更前小数部長さ INTEGER,
    変更後データ項目名 VARCHAR(40),
    変更後属性 VARCHAR(1),
    変更後長さ INTEGER,
    変更後小数部長さ INTEGER,
    担当者コード VARCHAR(10),
    端末名 VARCHAR(64),
    記録元 VARCHAR(20) NOT NULL,
    記録日時 TIMESTAMP NOT NULL DEFAULT (strftime('%Y-%m-%d %H:%M:%f', 'now'))
);

CREATE INDEX FL1901項目情報マスタ履歴_項目No ON FL1901項目情報マスタ履歴 (項目No, 履歴No);
CREATE INDEX FL1901項目情報マスタ履歴_変更前項目No ON FL1901項目情報マスタ履歴 (変更前項目No);
