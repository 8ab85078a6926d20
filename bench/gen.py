#!/usr/bin/env python3
"""Generates a business database of a given size for the scale benchmark.

Every open order gets positions with materials and activities, assemblies with variables,
part types whose formulas use the assembly's dimensions, its variables and references to
earlier part types, board (partly key-table), edge and layer materials, part-type
activities, CNC rows, and time records of several employees with wage changes. Master data
holds a few thousand materials and a hundred activities, so that whatever is read per order
from the master tables shows in the figures.

Rows are inserted set-wise (INSERT ... SELECT over a number table) and chosen by a hash of
(seed, order, position, ...): the same arguments give the same database.

    bench/gen.py --orders 1000 --seed 7 --db /var/lib/firebird/3.0/data/sollist/perf/o1000.fdb

--charset WIN1252 or NONE makes the same database with that character set instead of UTF8 (the
texts are sent as Windows-1252, as the business system's clients send them).
"""
import argparse
import os
import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Reporting activities with cost centre, kind, fixed time, per unit, per piece, unit.
ACTIVITIES = [
    ("ZUSCHN", "ZUS", "P", 10, 8, 0.5, "M2"), ("KANTEN", "KAN", "P", 5, 2, 0, "M1"),
    ("CNC", "CNC", "P", 15, 0, 2, "STK"), ("OBERFL", "OBF", "P", 20, 12, 0, "M2"),
    ("MONT", "MON", "P", 0, 0, 6, "STK"), ("MONTBAU", "MON", "P", 0, 0, 60, "STK"),
    ("PLANUNG", "BUE", "O", 30, 0, 15, "STK"), ("REGIE", "MON", "R", 0, 0, 60, "STK"),
]
COST_CENTRES = ["ZUS", "KAN", "CNC", "OBF", "MON", "BUE"]
EXTRA_ACTIVITIES = 112          # T001.. reporting under the eight above
FILLER_MATERIALS = 3000         # M0001.., each with two activities
EMPLOYEES = 30
UNITS = ["M2", "M1", "STK", "M3"]

# Part types of an assembly: name, quantity, length, width, thickness formula, board.
PART_TYPES = [
    ("Seitenwand", "2", "H", "T", "19", "PLATTE-KT"),
    ("Boden", "2", "B-2*D1", "T-B1*0", "D1", "PLATTE-KT"),
    ("Fachboden", "FB", "L2-2", "B2-20", "19", "SPAN19"),
    ("Rueckwand", "1", "B-10", "H-10", "8", "HDF8"),
    ("Front", "TR", "H-4", "(B-4)/TR", "19", "MDF19"),
    ("Sockel", "1", "B", "SK", "19", "SPAN25"),
]
CNC_FORMULAS = ["INT(LX/32)", "2*MX", "4", "LX/100+BX/100"]


def h(seed, *terms, mod):
    """SQL expression of a repeatable hash of column terms, in 0 .. mod-1."""
    primes = [7919, 104729, 1299709, 15485863, 32452843]
    expr = " + ".join(f"({t})*{p}" for t, p in zip(terms, primes))
    return f"MOD({expr} + {seed * 179424673}, {mod})"


def master_data(seed):
    sql = ["INSERT INTO INIFILE (SECTION, NAME, WERT) VALUES ('FIRMENSTAMM', 'VERTZUSCHL', '10');",
           "INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('1', 8.1);",
           "INSERT INTO TABMW (MWKENNZ, MWWERT) VALUES ('2', 2.6);",
           "INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('KM', 'KM', 1.2);",
           "INSERT INTO TABZL (ZLKENNZ, ZLEINHEIT, ZLWERT) VALUES ('PSC', 'PSC', 80);",
           "INSERT INTO TABGK (TABNR, TABWERTE) VALUES (1, '300;350;400;450;500;560;600');"]
    for k in COST_CENTRES:
        sql.append(f"INSERT INTO KOSTENST (KONUMM, KONAME, KOLK, KOLNK, KOPGK, KOPGKGRENZ) "
                   f"VALUES ('{k}', '{k}', 80, 1, 12, 0);")
    for nr, ko, art, fix, eh, st, unit in ACTIVITIES:
        sql.append(f"INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, "
                   f"TATART, TAMONT, TAKONUMM, TAEINHKZ) VALUES ('{nr}', '{nr}', '{nr}', {fix}, "
                   f"{eh}, {st}, '{art}', {1 if nr == 'MONTBAU' else 0}, '{ko}', '{unit}');")
    for t in range(1, EXTRA_ACTIVITIES + 1):
        rm = ACTIVITIES[t % 5]
        sql.append(f"INSERT INTO TAETIGKE (TANUMM, TANAME, TARMTAT, TAFIXZT, TAVAREH, TAVARST, "
                   f"TATART, TAMONT, TAKONUMM, TAEINHKZ) VALUES ('T{t:03}', 'Taetigkeit {t}', "
                   f"'{rm[0]}', {t % 3 * 5}, {t % 4}, {t % 7 / 2}, 'P', 0, '{rm[1]}', "
                   f"'{UNITS[t % 4]}');")
    named = [("SPAN19", "M2", "LACK"), ("SPAN25", "M2", None), ("MDF19", "M2", "LACK"),
             ("HDF8", "M2", None), ("LACK", "M2", None), ("KANTE-ABS", "M1", None),
             ("KANTE-EI", "M1", "OEL"), ("OEL", "M1", None), ("TOPFBAND", "STK", None),
             ("PLATTE-KT", "KM2", None)]
    for nr, unit, forts in named:
        f = f"'{forts}'" if forts else "NULL"
        sql.append(f"INSERT INTO MATERIAL (MANUMM, MANAME, MAARBEH, MAFORTS) "
                   f"VALUES ('{nr}', '{nr}', '{unit}', {f});")
    for nr, tats in [("SPAN19", ["ZUSCHN"]), ("SPAN25", ["ZUSCHN"]), ("MDF19", ["ZUSCHN"]),
                     ("HDF8", ["ZUSCHN"]), ("LACK", ["OBERFL"]), ("KANTE-ABS", ["KANTEN"]),
                     ("KANTE-EI", ["KANTEN"]), ("OEL", ["OBERFL"]), ("TOPFBAND", ["MONT"])]:
        for t in tats:
            sql.append(f"INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) "
                       f"VALUES ('{nr}', '{t}', 1);")
    sql.append("INSERT INTO KEYTAB (KYMANUMM, KYLFNR, KYDICKEVON, KYDICKEBIS, KYTABMAT, MENGE) "
               "VALUES ('PLATTE-KT', 1, NULL, 19, 'SPAN19', 1.08);")
    sql.append("INSERT INTO KEYTAB (KYMANUMM, KYLFNR, KYDICKEVON, KYDICKEBIS, KYTABMAT, MENGE) "
               "VALUES ('PLATTE-KT', 2, 19.01, 30, 'SPAN25', 1.08);")
    # Filler materials: a quarter continue with the next one, two activities each.
    sql.append(f"INSERT INTO MATERIAL (MANUMM, MANAME, MAARBEH, MAFORTS) "
               f"SELECT 'M' || LPAD(N, 4, '0'), 'Material ' || N, "
               f"CASE MOD(N, 3) WHEN 0 THEN 'M2' WHEN 1 THEN 'M1' ELSE 'STK' END, "
               f"CASE WHEN MOD(N, 4) = 0 AND N < {FILLER_MATERIALS} "
               f"THEN 'M' || LPAD(N + 1, 4, '0') END FROM SEQ WHERE N <= {FILLER_MATERIALS};")
    for k in range(2):
        sql.append(f"INSERT INTO MATTATIG (MATMANUMM, MATTAT, MATERSCHW) "
                   f"SELECT 'M' || LPAD(N, 4, '0'), "
                   f"'T' || LPAD(1 + {h(seed, 'N', k, mod=EXTRA_ACTIVITIES // 2)} * 2 + {k}, 3, '0'), "
                   f"1 + MOD(N, 5) / 10.0 FROM SEQ WHERE N <= {FILLER_MATERIALS};")
    sql.append(f"INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) SELECT 'MA' || N, "
               f"CURRENT_DATE - 3000, 1.0 FROM SEQ WHERE N <= {EMPLOYEES};")
    sql.append(f"INSERT INTO MILOHN (MILONUMM, MILODATUM, MILOABWFAT) SELECT 'MA' || N, "
               f"CURRENT_DATE - 100 - N, 1 + N / 100.0 FROM SEQ WHERE N <= {EMPLOYEES};")
    return sql


def order_data(seed, orders, positions, assemblies):
    o = "'A' || LPAD(o.N, 7, '0')"
    orders_pos = (f"FROM SEQ o JOIN SEQ p ON p.N <= {positions} WHERE o.N <= {orders}")
    per_assembly = (f"FROM SEQ o JOIN SEQ p ON p.N <= {positions} JOIN SEQ b ON b.N <= {assemblies} "
                    f"WHERE o.N <= {orders}")
    per_type = per_assembly + f" JOIN SEQ t ON t.N <= {len(PART_TYPES)}"
    per_type = per_type.replace(f" WHERE o.N <= {orders}", "") + f" WHERE o.N <= {orders}"

    def case(column, values):
        return f"CASE {column} " + " ".join(f"WHEN {i + 1} THEN '{v}'" for i, v in enumerate(values)) + " END"

    sql = [
        f"INSERT INTO AUFTRAG (AOFNUMM, ANUMM, ABEZEICH, ASKOGEWINN, ASPROV, ASMONTZULG) "
        f"SELECT {o}, 'K' || o.N, 'Auftrag ' || o.N, MOD(o.N, 20), MOD(o.N, 5), "
        f"CASE MOD(o.N, 2) WHEN 0 THEN 'KM' ELSE 'PSC' END FROM SEQ o WHERE o.N <= {orders};",
        # Every eighth position is an alternative (ApTyp 1) and left out of the run.
        f"INSERT INTO POSITIONEN (APOFNUMM, APNUMM, APBEZEICH, APMENGE, APMWST, APTYP) "
        f"SELECT {o}, p.N, 'Position ' || p.N, 1 + {h(seed, 'o.N', 'p.N', mod=4)}, "
        f"1 + MOD(p.N, 2), CASE WHEN MOD(o.N + p.N, 8) = 0 THEN 1 ELSE 0 END {orders_pos};",
        f"INSERT INTO POS_MAT (APMAOFNUMM, APMAAPNUMM, APMALFNR, APMAMANUMM, APMASOLLME, APMAMGMULT) "
        f"SELECT {o}, p.N, k.N, 'M' || LPAD(1 + {h(seed, 'o.N', 'p.N', 'k.N', mod=FILLER_MATERIALS)}, 4, '0'), "
        f"1 + MOD(o.N + k.N, 3), MOD(k.N, 2) "
        f"FROM SEQ o JOIN SEQ p ON p.N <= {positions} JOIN SEQ k ON k.N <= 2 WHERE o.N <= {orders};",
        f"INSERT INTO POS_TAT (PTOFNUMM, PTAPNUMM, PTLFD, PTTANUMM, PTSOLLME, PTMGMULT, PTERSCHW, PTBEZEICH) "
        f"SELECT {o}, p.N, k.N, CASE k.N WHEN 1 THEN 'MONT' ELSE "
        f"'T' || LPAD(1 + {h(seed, 'o.N', 'p.N', mod=EXTRA_ACTIVITIES)}, 3, '0') END, "
        f"1 + MOD(o.N, 4), MOD(p.N, 2), 1 + MOD(o.N + p.N, 3) / 2.0, 'Arbeit ' || k.N "
        f"FROM SEQ o JOIN SEQ p ON p.N <= {positions} JOIN SEQ k ON k.N <= 2 WHERE o.N <= {orders};",
        f"INSERT INTO POS_BGR (APBGOFNUMM, APBGAPNUMM, APBGLFNR, APBGNAME, APBGME, APBGBREITE, "
        f"APBGHOEHE, APBGTIEFE, APBGERSCHW) "
        f"SELECT {o}, p.N, b.N, 'Korpus ' || b.N, 1 + MOD(o.N + b.N, 2), "
        f"300 + 50 * {h(seed, 'o.N', 'p.N', 'b.N', mod=12)}, 700 + 20 * {h(seed, 'p.N', 'o.N', 'b.N', mod=70)}, "
        f"320 + 10 * MOD(o.N + p.N, 30), 1 {per_assembly};",
        f"INSERT INTO POSBGRVA (PBVOFNUMM, PBVAPNUMM, PBVBGLFNR, PBVNUM, PBVWRT) "
        f"SELECT {o}, p.N, b.N, {case('v.N', ['FB', 'TR', 'SK'])}, "
        f"CASE v.N WHEN 1 THEN 1 + MOD(o.N, 4) WHEN 2 THEN 1 + MOD(o.N + p.N, 2) ELSE 80 + MOD(b.N, 3) * 20 END "
        + per_assembly.replace("WHERE", "JOIN SEQ v ON v.N <= 3 WHERE") + ";",
        f"INSERT INTO POS_TYP (APTYOFNUMM, APTYAPNUMM, APTYBGLF, APTYLFD, APTTYNR, APTYME, APTYLAENGE, "
        f"APTYBREITE, APTYDICKF, APTYEC1, APTYEC2, APTYDICALC, APTYERSCH, APTYNAME, APTYTEXT) "
        f"SELECT {o}, p.N, b.N, t.N, t.N, {case('t.N', [pt[1] for pt in PART_TYPES])}, "
        f"{case('t.N', [pt[2] for pt in PART_TYPES])}, {case('t.N', [pt[3] for pt in PART_TYPES])}, "
        f"{case('t.N', [pt[4] for pt in PART_TYPES])}, CASE WHEN t.N = 5 THEN 'B' ELSE '' END, "
        f"CASE WHEN t.N = 5 THEN 'L' ELSE '' END, 1, 1, {case('t.N', [pt[0] for pt in PART_TYPES])}, "
        f"CASE WHEN t.N = 1 THEN 'Lochreihe 32 mm' END {per_type};",
        # Base board of each part type, edges along the length of most, a layer on the front.
        f"INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM, PTMLAGE, PTMMENGE, PTMDICKE) "
        f"SELECT {o}, p.N, b.N, t.N, {case('t.N', [pt[5] for pt in PART_TYPES])}, 'GR', 1, "
        f"CASE t.N WHEN 4 THEN 8 WHEN 6 THEN 25 ELSE 19 END {per_type};",
        f"INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM, PTMLAGE, PTMMENGE, PTMDICKE) "
        f"SELECT {o}, p.N, b.N, t.N, CASE WHEN MOD(o.N, 3) = 0 THEN 'KANTE-EI' ELSE 'KANTE-ABS' END, "
        f"{case('e.N', ['KV', 'KH', 'KL', 'KR'])}, 1, 2 "
        + per_type.replace("WHERE", "JOIN SEQ e ON e.N <= 4 WHERE") + " AND t.N IN (2, 3, 5) "
        f"AND (e.N <= 2 OR t.N = 5);",
        f"INSERT INTO POSTYMAT (PTMOFNUMM, PTMAPNUMM, PTMBGLFNR, PTMTYLFNR, PTMMANUMM, PTMLAGE, PTMMENGE, PTMDICKE) "
        f"SELECT {o}, p.N, b.N, t.N, CASE WHEN t.N = 5 THEN 'LACK' ELSE "
        f"'M' || LPAD(1 + {h(seed, 'o.N', 'p.N', 'b.N', mod=FILLER_MATERIALS)}, 4, '0') END, 'OV', 1, 0.5 "
        f"{per_type} AND t.N IN (5, 6);",
        f"INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, PTTTANUMM, PTTERSCHW) "
        f"SELECT {o}, p.N, b.N, t.N, 1, CASE WHEN t.N IN (2, 3, 5) THEN 'KV' ELSE 'GR' END, "
        f"CASE WHEN t.N IN (2, 3, 5) THEN 'KANTEN' ELSE 'ZUSCHN' END, 1 {per_type};",
        f"INSERT INTO POSTYTAT (PTTOFNUMM, PTTAPNUMM, PTTBGLFNR, PTTTYLFNR, PTTLFNR, PTTLAGE, PTTTANUMM, PTTERSCHW) "
        f"SELECT {o}, p.N, b.N, t.N, 2, 'KA', "
        f"'T' || LPAD(1 + {h(seed, 'o.N', 'p.N', 'b.N', 't.N', mod=EXTRA_ACTIVITIES)}, 3, '0'), 1.5 "
        f"{per_type} AND t.N IN (1, 5);",
        f"INSERT INTO ATCNC (ACOFNUMM, ACAPNUMM, ACBGLF, ACTYLFD, ACLFNR, ACNUMM, ACVW0) "
        f"SELECT {o}, p.N, b.N, t.N, 1, 'CNC', {case('1 + MOD(t.N, 4)', CNC_FORMULAS)} "
        f"{per_type} AND t.N IN (1, 4, 5);",
        f"INSERT INTO ZEITERFA (ZEMINUMM, ZEAUFZDAT, ZEANFANG, ZEENDE, ZEPAUSEN, ZEOFNUMM, ZETARMTAT) "
        f"SELECT 'MA' || (1 + {h(seed, 'o.N', 'k.N', mod=EMPLOYEES)}), CURRENT_DATE - 200 + MOD(o.N + 13 * k.N, 190), "
        f"7, 11 + MOD(k.N, 5), CASE WHEN MOD(k.N, 3) = 0 THEN 0.5 ELSE 0 END, {o}, "
        f"{case('1 + MOD(o.N + k.N, 8)', [a[0] for a in ACTIVITIES])} "
        f"FROM SEQ o JOIN SEQ k ON k.N <= 12 WHERE o.N <= {orders};",
    ]
    return sql


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--orders", type=int, required=True)
    ap.add_argument("--seed", type=int, default=7)
    ap.add_argument("--positions", type=int, default=6)
    ap.add_argument("--assemblies", type=int, default=2, help="per position")
    ap.add_argument("--db", required=True, help="database file to create (replaced)")
    ap.add_argument("--charset", choices=["UTF8", "WIN1252", "NONE"], default="UTF8",
                    help="the database's character set and that of every text column")
    args = ap.parse_args()

    db = pathlib.Path(args.db)
    db.parent.mkdir(parents=True, exist_ok=True)
    if db.exists():
        db.unlink()
    env = dict(os.environ, ISC_USER="TARVEX")
    subprocess.run(["isql-fb", "-q"], input=f"create database '{db}' user 'TARVEX' "
                   f"default character set {args.charset};", text=True, check=True, env=env)
    # Loading with forced writes takes minutes of fsyncs; the benchmark runs keep the
    # server's default (on) so that the run's commits cost what they cost in production.
    subprocess.run(["gfix", "-user", "TARVEX", "-write", "async", str(db)], check=True, env=env)
    schema = (ROOT / "sql/schema.sql").read_text(encoding="utf-8")
    schema = schema.replace("CHARACTER SET UTF8", f"CHARACTER SET {args.charset}")
    subprocess.run(["isql-fb", "-q", "-bail", str(db)], input=schema, text=True, check=True, env=env)
    rows = max(args.orders, FILLER_MATERIALS, 100)
    sql = ["CREATE TABLE SEQ (N INTEGER NOT NULL PRIMARY KEY);", "COMMIT;",
           "SET TERM ^ ;",
           f"EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN WHILE (i <= {rows}) DO "
           f"BEGIN INSERT INTO SEQ VALUES (:i); i = i + 1; END END^",
           "SET TERM ; ^", "COMMIT;"]
    sql += master_data(args.seed)
    sql += order_data(args.seed, args.orders, args.positions, args.assemblies)
    sql += ["COMMIT;", "DROP TABLE SEQ;", "COMMIT;"]
    # From a file: isql drops bytes above 127 that it reads from standard input.
    with tempfile.NamedTemporaryFile("w", encoding="cp1252", suffix=".sql") as script:
        script.write("\n".join(sql) + "\n")
        script.flush()
        subprocess.run(["isql-fb", "-q", "-bail", "-ch", "WIN1252", "-i", script.name, str(db)],
                       check=True, env=env)
    subprocess.run(["gfix", "-user", "TARVEX", "-write", "sync", str(db)], check=True, env=env)
    if os.geteuid() == 0 and str(db).startswith("/var/lib/firebird/"):
        subprocess.run(["chown", "firebird:firebird", str(db)], check=True)
    print(f"{db}: {args.orders} orders (seed {args.seed})", file=sys.stderr)


if __name__ == "__main__":
    main()
