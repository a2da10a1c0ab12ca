-- Optional: records in FL1901項目情報マスタ履歴 the writes of the suite's other programs, which do not
-- know the history. R205730 writes its own history rows and marks its transactions with the
-- setting r205730.writer (set_config(..., true), as SET LOCAL does), so the trigger skips them and
-- every write has exactly one row. An update that changes nothing is no write. The operator is the
-- database role, the workstation the client's application name or address.
-- Run as the role that owns the tables, after schema/history-postgresql.sql:
--   psql -d edi -f schema/history-trigger-postgresql.sql
-- SECURITY DEFINER: other programs' roles need no privilege on the history.
CREATE OR REPLACE FUNCTION FL1901項目情報マスタ履歴_記録() RETURNS trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, public AS $$
BEGIN
    IF coalesce(current_setting('r205730.writer', true), '') = 'R205730' THEN
        RETURN NULL;
    END IF;
    IF TG_OP = 'UPDATE' AND OLD IS NOT DISTINCT FROM NEW THEN
        RETURN NULL;
    END IF;
    IF TG_OP = 'INSERT' THEN
        INSERT INTO FL1901項目情報マスタ履歴 (操作, 項目No, 変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ,
                                             担当者コード, 端末名, 記録元)
        VALUES ('追加', NEW.項目No, NEW.データ項目名, NEW.属性, NEW.長さ, NEW.小数部長さ,
                left(session_user, 10), left(coalesce(nullif(current_setting('application_name'), ''),
                                                      host(inet_client_addr()), 'local'), 64), '他のプログラム');
    ELSIF TG_OP = 'UPDATE' THEN
        INSERT INTO FL1901項目情報マスタ履歴 (操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ,
                                             変更前小数部長さ, 変更後データ項目名, 変更後属性, 変更後長さ, 変更後小数部長さ,
                                             担当者コード, 端末名, 記録元)
        VALUES ('変更', NEW.項目No, OLD.項目No, OLD.データ項目名, OLD.属性, OLD.長さ, OLD.小数部長さ,
                NEW.データ項目名, NEW.属性, NEW.長さ, NEW.小数部長さ,
                left(session_user, 10), left(coalesce(nullif(current_setting('application_name'), ''),
                                                      host(inet_client_addr()), 'local'), 64), '他のプログラム');
    ELSE
        INSERT INTO FL1901項目情報マスタ履歴 (操作, 項目No, 変更前項目No, 変更前データ項目名, 変更前属性, 変更前長さ,
                                             変更前小数部長さ, 担当者コード, 端末名, 記録元)
        VALUES ('削除', OLD.項目No, OLD.項目No, OLD.データ項目名, OLD.属性, OLD.長さ, OLD.小数部長さ,
                left(session_user, 10), left(coalesce(nullif(current_setting('application_name'), ''),
                                                      host(inet_client_addr()), 'local'), 64), '他のプログラム');
    END IF;
    RETURN NULL;
END
$$;

DROP TRIGGER IF EXISTS FL1901項目情報マスタ_履歴 ON FL1901項目情報マスタ;
CREATE TRIGGER FL1901項目情報マスタ_履歴 AFTER INSERT OR UPDATE OR DELETE ON FL1901項目情報マスタ
    FOR EACH ROW EXECUTE FUNCTION FL1901項目情報マスタ履歴_記録();
