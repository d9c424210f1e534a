"""The scripts bench/compare-isql runs through both fbscript and isql.

Each workload writes its script and answers how many statements it holds; its
tables say what the content check reads afterwards. Every script ends with a
COMMIT, so both tools commit once at the end.
"""

import random


class Workload:
    def __init__(self, name, description, tables, writer):
        self.name = name
        self.description = description
        self.tables = tables  # {table: [columns]} for the content check
        self._writer = writer

    def generate(self, path, scale):
        with open(path, "w", encoding="cp1252", newline="\n") as f:
            return self._writer(f, scale)


def _quote(text):
    return "'" + text.replace("'", "''") + "'"


def _words(rng, n):
    vocab = ["alpha", "beta", "gamma", "delta", "o'brien", "caf\u00e9", "a;b", "x--y", "stock", "price",
             "ZELMORINA", "balance", "year", "product", "quorvel"]
    return " ".join(rng.choice(vocab) for _ in range(n))


def _inserts(f, scale):
    rng = random.Random(7)
    count = max(1, int(100_000 * scale))
    f.write("CREATE TABLE T_INS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60), NOTE VARCHAR(200),\n"
            "  AMOUNT NUMERIC(12,2));\n")
    for i in range(1, count + 1):
        note = _words(rng, rng.randint(2, 12))
        f.write(f"INSERT INTO T_INS (ID, NAME, NOTE, AMOUNT) VALUES ({i}, {_quote('name ' + str(i))}, "
                f"{_quote(note)}, {rng.randint(0, 10_000_000) / 100:.2f});\n")
    f.write("COMMIT;\n")
    return count + 2


def _mixed(f, scale):
    rng = random.Random(11)
    statements = 0

    def put(text):
        nonlocal statements
        f.write(text + "\n")
        statements += 1

    accounts = max(10, int(2_000 * scale))
    operations = max(10, int(20_000 * scale))
    put("CREATE TABLE ACCOUNTS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(60), BALANCE NUMERIC(15,2));")
    put("CREATE TABLE LEDGER (ID INTEGER NOT NULL PRIMARY KEY, ACCOUNT_ID INTEGER, AMOUNT NUMERIC(15,2),\n"
        "  MEMO VARCHAR(100));")
    put("CREATE GENERATOR G_LEDGER;")
    put("CREATE INDEX IX_LEDGER_ACCOUNT ON LEDGER (ACCOUNT_ID);")
    f.write("SET TERM ^ ;\n")
    put("CREATE PROCEDURE ADD_ENTRY (ACC INTEGER, AMT NUMERIC(15,2), MEMO VARCHAR(100))\n"
        "AS\n"
        "BEGIN\n"
        "  INSERT INTO LEDGER (ID, ACCOUNT_ID, AMOUNT, MEMO) VALUES (GEN_ID(G_LEDGER, 1), :ACC, :AMT, :MEMO);\n"
        "  UPDATE ACCOUNTS SET BALANCE = BALANCE + :AMT WHERE ID = :ACC;\n"
        "END^")
    put("CREATE PROCEDURE CLOSE_ACCOUNT (ACC INTEGER)\n"
        "AS\n"
        "DECLARE VARIABLE TOTAL NUMERIC(15,2);\n"
        "BEGIN\n"
        "  SELECT COALESCE(SUM(AMOUNT), 0) FROM LEDGER WHERE ACCOUNT_ID = :ACC INTO :TOTAL;\n"
        "  UPDATE ACCOUNTS SET BALANCE = :TOTAL, NAME = NAME || ' (closed)' WHERE ID = :ACC;\n"
        "END^")
    put("CREATE TRIGGER LEDGER_MEMO FOR LEDGER BEFORE INSERT\n"
        "AS\n"
        "BEGIN\n"
        "  IF (NEW.MEMO IS NULL) THEN NEW.MEMO = 'none';\n"
        "END^")
    f.write("SET TERM ; ^\n")
    for i in range(1, accounts + 1):
        put(f"INSERT INTO ACCOUNTS (ID, NAME, BALANCE) VALUES ({i}, {_quote('account ' + str(i))}, 0);")
    for n in range(operations):
        acc = rng.randint(1, accounts)
        amount = rng.randint(-50_000, 100_000) / 100
        choice = n % 4
        if choice == 0:
            put(f"EXECUTE PROCEDURE ADD_ENTRY {acc}, {amount:.2f}, {_quote(_words(rng, 3))};")
        elif choice == 1:
            put(f"UPDATE ACCOUNTS SET BALANCE = BALANCE + {amount:.2f} WHERE ID = {acc};")
        elif choice == 2:
            put(f"INSERT INTO LEDGER (ID, ACCOUNT_ID, AMOUNT, MEMO)\n"
                f"  VALUES (GEN_ID(G_LEDGER, 1), {acc}, {amount:.2f}, NULL);")
        else:
            put(f"UPDATE LEDGER SET MEMO = {_quote(_words(rng, 2))} WHERE ID = {rng.randint(1, n + 1)};")
        if n % 5_000 == 4_999:
            k = n // 5_000
            put(f"CREATE TABLE EXTRA_{k} (ID INTEGER, NOTE VARCHAR(40));")
            put(f"INSERT INTO EXTRA_{k} SELECT ID, NAME FROM ACCOUNTS WHERE ID <= 100;")
            put(f"EXECUTE PROCEDURE CLOSE_ACCOUNT {k + 1};")
    put("COMMIT;")
    return statements


def _parse(f, scale):
    rng = random.Random(13)
    target = int(10_000_000 * scale)
    written = 0
    statements = 0
    f.write("CREATE TABLE T_TEXT (ID INTEGER NOT NULL PRIMARY KEY, TITLE VARCHAR(100), BODY VARCHAR(4000));\n")
    statements += 1
    i = 0
    while written < target:
        i += 1
        body = _words(rng, rng.randint(150, 420))[:3990]
        text = (f"/* entry {i}: a comment with a ; and a 'quote'\n"
                f"   running over two lines */\n"
                f"INSERT INTO T_TEXT (ID, TITLE, BODY) -- columns; then values\n"
                f"  VALUES ({i},\n"
                f"          {_quote('title ' + str(i) + '; part')},\n"
                f"          {_quote(body)});\n")
        f.write(text)
        written += len(text)
        statements += 1
    f.write("COMMIT;\n")
    return statements + 1


WORKLOADS = [
    Workload("inserts", "CREATE TABLE, then 100,000 single-row INSERTs with strings and numbers, one a line.",
             {"T_INS": ["ID", "NAME", "NOTE", "AMOUNT"]}, _inserts),
    Workload("mixed", "DDL (tables, a generator, an index), two procedures and a trigger under SET TERM, "
             "2,000 INSERTs, then 20,000 operations: EXECUTE PROCEDURE, UPDATE, INSERT, UPDATE in turn, "
             "with a CREATE TABLE, an INSERT ... SELECT and a procedure call every 5,000.",
             {"ACCOUNTS": ["ID", "NAME", "BALANCE"], "LEDGER": ["ID", "ACCOUNT_ID", "AMOUNT", "MEMO"]}, _mixed),
    Workload("parse10mb", "10 MB of INSERTs of about 2 KB each, spread over several lines, with comments "
             "and strings holding \";\" and \"--\".",
             {"T_TEXT": ["ID", "TITLE", "BODY"]}, _parse),
]


def checksum_script(workload):
    """isql script printing, per table, the row count and a checksum of all rows."""
    lines = ["SET LIST ON;"]
    for table, columns in workload.tables.items():
        joined = " || '|' || ".join(f"COALESCE(CAST({c} AS VARCHAR(4000)), '<null>')" for c in columns)
        lines.append(f"SELECT '{table}' AS TABLE_NAME, COUNT(*) AS ROWS_, "
                     f"SUM(MOD(HASH({joined}), 1000000007)) AS CHECKSUM FROM {table};")
    return "\n".join(lines) + "\n"
