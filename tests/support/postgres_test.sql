-- What the tests' own SQL needs on a PostgreSQL site beside the program's tables, in a schema of
-- its own that the test databases put on their search path after public and before pg_catalog:
-- the names of the embedded database's functions, so one test text serves every backend, and a
-- server clock that a test can pin, as it pins the program's.
CREATE SCHEMA jf_test;

-- The pinned time, one row; no row: the real clock. The backend's sysdate reads
-- statement_timestamp(), which this schema's function shadows.
CREATE TABLE jf_test.clock (t timestamp);
CREATE FUNCTION jf_test.statement_timestamp() RETURNS timestamptz LANGUAGE sql STABLE AS
  $$ SELECT coalesce((SELECT t FROM jf_test.clock LIMIT 1)::timestamptz,
                     pg_catalog.statement_timestamp()) $$;

-- julianday('2026-12-07 06:30'), julianday('2026-06-15', '+3 days'): an instant, as DATE
-- columns take it; datetime(d) the text SQLite shows for it; hex(t) the bytes of a text as the
-- database stores it.
CREATE FUNCTION jf_test.julianday(text) RETURNS timestamp LANGUAGE sql STABLE AS
  $$ SELECT $1::timestamp $$;
CREATE FUNCTION jf_test.julianday(text, text) RETURNS timestamp LANGUAGE sql STABLE AS
  $$ SELECT $1::timestamp + $2::interval $$;
CREATE FUNCTION jf_test.datetime(timestamp) RETURNS text LANGUAGE sql IMMUTABLE AS
  $$ SELECT to_char($1, 'YYYY-MM-DD HH24:MI:SS') $$;
CREATE FUNCTION jf_test.hex(text) RETURNS text LANGUAGE sql IMMUTABLE AS
  $$ SELECT upper(encode(convert_to($1, 'UTF8'), 'hex')) $$;
CREATE FUNCTION jf_test.ifnull(anyelement, anyelement) RETURNS anyelement LANGUAGE sql
  IMMUTABLE AS $$ SELECT coalesce($1, $2) $$;

-- The columns of a table in their order, typed as SQLite's affinities name them: INTEGER for a
-- whole number, REAL for one with fractions and for an instant, TEXT. Names come lower case,
-- as PostgreSQL keeps unquoted names.
CREATE FUNCTION jf_test.pragma_table_info(text) RETURNS TABLE (cid int, name text, type text)
  LANGUAGE sql STABLE AS $$
  SELECT a.attnum::int - 1, a.attname::text,
         CASE WHEN t.typname = 'numeric' AND information_schema._pg_numeric_scale(a.atttypid,
                   a.atttypmod) = 0 THEN 'INTEGER'
              WHEN t.typname IN ('numeric', 'timestamp', 'float8') THEN 'REAL'
              ELSE 'TEXT' END
    FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid
   WHERE a.attrelid = $1::regclass AND a.attnum > 0 AND NOT a.attisdropped
   ORDER BY a.attnum $$;

-- A trigger function that fails every write it guards: a table that refuses its updates.
CREATE FUNCTION jf_test.refuse() RETURNS trigger LANGUAGE plpgsql AS
  $$ BEGIN RAISE EXCEPTION 'refused'; END $$;
