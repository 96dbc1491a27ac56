#!/usr/bin/python3
"""Copies every table of an SQLite results database (as moldrin-demo-data writes it) into PostgreSQL or MariaDB.

Text columns stay text (PostgreSQL TEXT, MariaDB VARCHAR(255)), a text column that holds only ISO date-times
becomes a TIMESTAMP (DATETIME), numbers become DOUBLE PRECISION (DOUBLE). Rows keep their order.

Usage: copy-to-server.py DB postgresql PSQL_ARGS...   (e.g. -h DIR -p PORT -U spc -d spcdata)
       copy-to-server.py DB mariadb MARIADB_ARGS...   (e.g. --socket=DIR/mysqld.sock -u spc -pspc spcdata)
Options by environment: PARTITION_BY_MONTH=1 (PostgreSQL) makes each table a table partitioned by month of its
start time, one partition per month the data cover.
"""
import os
import sqlite3
import subprocess
import sys
import tempfile

ISO = "[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]*"


def columns(db, table):
    out = []
    for _, name, kind, *_ in db.execute(f'PRAGMA table_info("{table}")'):
        if kind.upper() == "TEXT":
            filled, stamps = db.execute(
                f'SELECT COUNT("{name}"), SUM("{name}" GLOB ?) FROM "{table}"', (ISO,)).fetchone()
            kind = "time" if filled and filled == stamps else "text"
        else:
            kind = "number"
        out.append((name, kind))
    return out


def months(db, table, time_column):
    first, last = db.execute(f'SELECT MIN("{time_column}"), MAX("{time_column}") FROM "{table}"').fetchone()
    y, m = int(first[:4]), int(first[5:7])
    while (y, m) <= (int(last[:4]), int(last[5:7])):
        yield y, m
        y, m = (y + 1, 1) if m == 12 else (y, m + 1)


def postgresql(db, table, cols, args):
    types = {"text": "TEXT", "time": "TIMESTAMP", "number": "DOUBLE PRECISION"}
    defs = ", ".join(f'"{n}" {types[k]}' for n, k in cols)
    ddl = [f'DROP TABLE IF EXISTS "{table}"']
    time_column = next((n for n, k in cols if k == "time"), None)
    if os.environ.get("PARTITION_BY_MONTH") == "1" and time_column:
        ddl.append(f'CREATE TABLE "{table}" ({defs}) PARTITION BY RANGE ("{time_column}")')
        for y, m in months(db, table, time_column):
            ny, nm = (y + 1, 1) if m == 12 else (y, m + 1)
            ddl.append(f'CREATE TABLE "{table}_{y}{m:02d}" PARTITION OF "{table}" '
                       f"FOR VALUES FROM ('{y}-{m:02d}-01') TO ('{ny}-{nm:02d}-01')")
    else:
        ddl.append(f'CREATE TABLE "{table}" ({defs})')
    subprocess.run(["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", *args, "-c", "; ".join(ddl)], check=True)
    copy = subprocess.Popen(["psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", *args, "-c",
                             f'COPY "{table}" FROM STDIN WITH (FORMAT csv)'], stdin=subprocess.PIPE, text=True)
    # Texts quoted, numbers not, NULL an unquoted empty field: an empty text stays an empty text.
    def field(v):
        if v is None:
            return ""
        return '"' + v.replace('"', '""') + '"' if isinstance(v, str) else repr(v)

    for row in db.execute(f'SELECT * FROM "{table}" ORDER BY rowid'):
        copy.stdin.write(",".join(field(v) for v in row) + "\n")
    copy.stdin.close()
    if copy.wait() != 0:
        sys.exit(f"copying {table} into PostgreSQL failed")
    subprocess.run(["psql", "-X", "-q", *args, "-c", f'VACUUM ANALYZE "{table}"'], check=True)


def mariadb(db, table, cols, args):
    types = {"text": "VARCHAR(255)", "time": "DATETIME", "number": "DOUBLE"}
    defs = ", ".join(f"`{n}` {types[k]}" for n, k in cols)

    def field(v):
        if v is None:
            return "\\N"
        return str(v).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")

    with tempfile.NamedTemporaryFile("w", suffix=".tsv") as f:
        for row in db.execute(f'SELECT * FROM "{table}" ORDER BY rowid'):
            f.write("\t".join(field(v) for v in row) + "\n")
        f.flush()
        sql = (f"DROP TABLE IF EXISTS `{table}`; CREATE TABLE `{table}` ({defs}) CHARACTER SET utf8mb4; "
               f"LOAD DATA LOCAL INFILE '{f.name}' INTO TABLE `{table}`; ANALYZE TABLE `{table}`;")
        subprocess.run(["mariadb", "--no-defaults", "--local-infile=1", *args, "-e", sql], check=True,
                       stdout=subprocess.DEVNULL)


def main():
    path, engine, args = sys.argv[1], sys.argv[2], sys.argv[3:]
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    tables = [r[0] for r in db.execute("SELECT name FROM sqlite_master WHERE type = 'table'")]
    for table in tables:
        {"postgresql": postgresql, "mariadb": mariadb}[engine](db, table, columns(db, table), args)


main()
