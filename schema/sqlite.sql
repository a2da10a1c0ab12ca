-- Tables of the EDI database used by R205730, for SQLite (3.31 or later).
-- Identifiers are unquoted, as the program's statements write them.

-- 区分ｺｰﾄﾞ (half-width) mirrors 区分コード (full-width): the program's statements use both forms,
-- and SQLite only folds ASCII case in identifiers.
CREATE TABLE 区分マスタ (
    区分 VARCHAR(20) NOT NULL,
    区分コード VARCHAR(10) NOT NULL,
    区分名称 VARCHAR(40),
    区分ｺｰﾄﾞ VARCHAR(10) GENERATED ALWAYS AS (区分コード) VIRTUAL,
    PRIMARY KEY (区分, 区分コード)
);

CREATE TABLE FL1901項目情報マスタ (
    項目No INTEGER NOT NULL PRIMARY KEY,
    データ項目名 VARCHAR(40),
    属性 VARCHAR(1),
    長さ INTEGER,
    小数部長さ INTEGER
);

-- IME起動モード and 権限レベル hold numbers as text, as the suite's other programs write them.
CREATE TABLE FL0003担当者マスタ (
    担当者コード VARCHAR(10) NOT NULL PRIMARY KEY,
    担当者氏名 VARCHAR(40),
    IME起動モード VARCHAR(10),
    権限レベル VARCHAR(10),
    パスワード VARCHAR(20)
);
