#!/usr/bin/python3
"""Prints the statements moldrin-report sent, one a line ending in ';', for an engine's own client to run.

postgresql: a server log with log_statement = all on stdin; the statements psqlODBC wrapped in its cursors
            (its own catalogue queries left out).
mariadb:    a general query log on stdin; the executed statements (Connector/ODBC's type list left out).
sqlite:     the statements SQLite stepped, with their bound values put in, one a line (bench/odbc.sh's
            preloaded sqlite3_step logs them).
"""
import re
import sys


def postgresql(text):
    cursor = re.compile(r'LOG:  statement: BEGIN;declare "[^"]+" cursor with hold for (.*?);*fetch \d+ in "')
    return [m.group(1).rstrip(";") for m in map(cursor.search, text.splitlines()) if m]


def mariadb(text):
    out = []
    for line in text.splitlines():
        m = re.search(r"\d+ Execute\t(.*)$", line)
        if m and "AS TYPE_NAME" not in m.group(1):
            out.append(m.group(1).rstrip(";"))
    return out


def sqlite(text):
    return [line.rstrip(";") for line in text.splitlines() if line.strip()]


for statement in {"postgresql": postgresql, "mariadb": mariadb, "sqlite": sqlite}[sys.argv[1]](sys.stdin.read()):
    print(statement + ";")
