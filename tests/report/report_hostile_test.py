#!/usr/bin/env python3
"""traldenreport under hostile input: one row per kind of fault, each run in every form and every
output handed to the program that would consume it (Python's json and csv, promtool check metrics,
xmllint --noout for the SVG), and every text meant for a person (the table, standard error) checked
for characters that would act on a terminal. Then the runs of many machines: several --folder, and
--plans with --alert. Runs the native program, or the Windows one under Wine with --wine."""
import argparse
import json
import os
import random
import shutil
import stat
import subprocess
import sys

from report_cli_test import Runner, check, day_file, outcome, rows_of_csv

KEY = b"00-1A-2B-3C-4D-5E"
MAX = 2**64 - 1
SPAN = ["--from", "2026-01-30", "--to", "2026-02-03"]


def one_day(entries, uptime=1000):
    """A day file of one adapter; entries are (ip, ssid, rx, tx)."""
    return day_file([(KEY, [(ip, b"", ssid, rx, tx) for ip, ssid, rx, tx in entries])], uptime, None)


def plans_ini(sections):
    """INI text of [PLANn] sections; each is (name, period, limit), all counting every connection."""
    text = ""
    for n, (name, period, limit) in enumerate(sections, 1):
        text += (f"[PLAN{n}]\r\nname={name}\r\nmatch=all\r\nperiod={period}\r\nstart=2026-01-30\r\n"
                 f"end=2026-02-03\r\nlimit={limit}\r\n")
    return text


def acting_characters(text):
    """The characters of a text for a person that would act on a terminal instead of showing."""
    bidi = {0x061C, 0x200E, 0x200F, 0x2028, 0x2029} | set(range(0x202A, 0x202F)) | set(range(0x2066, 0x206A))
    return [hex(ord(c)) for c in text.replace("\r\n", "\n")
            if (ord(c) < 0x20 and c != "\n") or 0x7F <= ord(c) <= 0x9F or ord(c) in bidi]


class Consumers:
    def __init__(self, r, scratch):
        self.r, self.scratch = r, scratch
        self.promtool, self.xmllint = shutil.which("promtool"), shutil.which("xmllint")
        for tool, package in [(self.promtool, "prometheus"), (self.xmllint, "libxml2-utils")]:
            if tool is None:
                print(f"SKIP: {package} is not installed (scripts/install-deps.sh): its consumer is not run")

    def person(self, data):
        """Standard error and the table, as the console shows them: UTF-8 natively, cp1252 under Wine."""
        return data.decode("cp1252" if self.r.wine else "utf-8", "replace")

    def forms(self, row, args, plans=False):
        """Runs the report as table, JSON (with the SVG unless plans), CSV and Prometheus text, hands each
        output to its consumer; {form: (completed run, parsed output)}."""
        svg = os.path.join(self.scratch, row + ".svg")
        runs = {}
        for form, extra in [("table", []), ("json", ["--json"] + ([] if plans else ["--svg", self.r.path(svg)])),
                            ("csv", ["--csv"]), ("prom", ["--prometheus"])]:
            res = self.r.run(*(args + extra))
            parsed = None
            check(not acting_characters(self.person(res.stderr)),
                  f"{row}, {form}: standard error shows no control characters: {res.stderr[:300]!r}")
            if res.stdout:
                if form == "table":
                    check(not acting_characters(self.person(res.stdout)),
                          f"{row}: the table shows no control characters: {acting_characters(self.person(res.stdout))}")
                elif form == "json":
                    parsed = json.loads(res.stdout.decode("utf-8"))
                elif form == "csv":
                    parsed = rows_of_csv(res.stdout.decode("utf-8"))
                elif self.promtool:
                    lint = subprocess.run([self.promtool, "check", "metrics"], input=res.stdout, capture_output=True)
                    check(lint.returncode == 0 and not lint.stdout.strip() and not lint.stderr.strip(),
                          f"{row}: promtool check metrics: {lint.stdout!r} {lint.stderr!r}")
                if form == "json" and not plans and self.xmllint:
                    done = subprocess.run([self.xmllint, "--noout", svg], capture_output=True)
                    check(done.returncode == 0 and not done.stderr, f"{row}: xmllint --noout: {done.stderr!r}")
            runs[form] = (res, parsed)
        return runs


class Folder:
    """A folder of day files made for one row."""

    def __init__(self, scratch, name):
        self.path = os.path.join(scratch, name)
        os.makedirs(self.path)

    def put(self, date, data):
        with open(os.path.join(self.path, date + ".bin"), "wb") as f:
            f.write(data)
        return self


def hostile_rows(r, scratch, c):
    """One row per fault: its inputs, the statuses, and what each consumer must read."""
    def arg(folder):
        return ["--folder", r.path(folder.path)]

    # Sums past 2^64 - 1 stop there in every form and are named; --strict ends with status 3.
    f = Folder(scratch, "sums").put("20260130", one_day([(b"10.0.0.1", b"Home", 2**63, 1)]))
    f.put("20260131", one_day([(b"10.0.0.1", b"Home", 2**63, 2)]))
    runs = c.forms("sums", SPAN + arg(f))
    doc = runs["json"][1]
    check(doc["connections"][0]["downloaded_bytes"] == MAX and doc["totals"]["downloaded_bytes"] == MAX,
          f"sums: JSON stays at 2^64 - 1: {doc['connections']}")
    check(runs["csv"][1][1][0][4] == str(MAX), f"sums: CSV stays at 2^64 - 1: {runs['csv'][1]}")
    check(b"the connection 00-1A-2B-3C-4D-5E 10.0.0.1 \"Home\" from 2026-01-30 to 2026-02-03" in runs["csv"][0].stderr
          and b"18446744073709551615" in runs["csv"][0].stderr, f"sums: named: {runs['csv'][0].stderr!r}")
    check(r.run(*(SPAN + arg(f) + ["--strict"])).returncode == 3, "sums: status 3 with --strict")
    path = os.path.join(scratch, "sums.ini")
    with open(path, "w", newline="") as out:
        out.write(plans_ini([("All", "once", 5)]))
    runs = c.forms("sums-plans", ["--plans", r.path(path), "--to", "2026-02-03"] + arg(f), plans=True)
    check(runs["json"][1]["plans"][0]["used_bytes"] == MAX and b"the data plan PLAN1 (\"All\") from 2026-01-30 to "
          b"2026-02-03 pass" in runs["json"][0].stderr, f"sums: a plan's sum: {runs['json'][0].stderr!r}")
    res = r.run("--plans", r.path(path), "--to", "2026-02-03", "--strict", *arg(f))
    check(res.returncode == 3, f"sums: a plan's sum, status 3 with --strict: {res.returncode}")

    # One network stored as Latin-1 on one machine and as UTF-8 on another gives one series (natively,
    # where both read as the same UTF-8; under Wine the code page tells them apart).
    f = Folder(scratch, "spellings").put("20260130", one_day([(b"10.0.0.1", b"Caf\xe9", 100, 1),
                                                            (b"10.0.0.1", b"Caf\xc3\xa9", 20, 2)]))
    runs = c.forms("spellings", SPAN + arg(f))
    series = [line for line in runs["prom"][0].stdout.decode().splitlines()
              if line.startswith("traldenmeter_downloaded_bytes{period=\"span\"")]
    check(len(series) == (2 if r.wine else 1), f"spellings: one series per label set: {series}")

    # Random bytes: a damaged file of thousands of entries with any bytes in their texts.
    noise = random.Random(25).randbytes(1 << 20)
    f = Folder(scratch, "noise").put("20260131", noise)
    runs = c.forms("noise", SPAN + arg(f))
    check(runs["json"][1]["damaged_files"] == ["20260131.bin"] and len(runs["json"][1]["connections"]) > 1000,
          f"noise: named damaged, entries counted: {len(runs['json'][1]['connections'])}")

    # Numbers are decimal digits only.
    f = Folder(scratch, "numbers")
    for days, status, first in [("0x10", 2, None), ("-1", 2, None), ("010", 0, "2026-01-25"), ("09", 0, "2026-01-26")]:
        res = r.run("--days", days, "--to", "2026-02-03", "--json", *arg(f))
        check(res.returncode == status and (first is None or json.loads(res.stdout)["from"] == first),
              f"--days {days}: exit {res.returncode} {res.stdout[:60]!r} {res.stderr!r}")

    # Only regular files are day files: a folder and a pipe of a day file's name are named, never
    # taken for a missing day, and the pipe does not hang the run.
    f = Folder(scratch, "kinds").put("20260130", one_day([(b"10.0.0.1", b"", 1024, 0)]))
    os.mkdir(os.path.join(f.path, "20260131.bin"))
    os.mkfifo(os.path.join(f.path, "20260201.bin"))
    runs = c.forms("kinds", SPAN + arg(f))
    check(runs["json"][1]["unreadable_files"] == ["20260131.bin", "20260201.bin"],
          f"kinds: the folder and the pipe are unreadable: {runs['json'][1]['unreadable_files']}")
    check(r.run(*(SPAN + arg(f) + ["--strict"])).returncode == 3, "kinds: status 3 with --strict")

    # Control characters in texts for a person: escape sequences, C1 controls, direction overrides.
    f = Folder(scratch, "controls").put("20260130", one_day([
        (b"10.0.0.1", b"\x1b]0;owned\x07\x1b[2J", 1024, 0), (b"10.0.0.2", b"c1\x9b31m\x85", 1024, 0),
        (b"10.0.0.3", "\u202eevil\u2066".encode(), 1024, 0), (b"10.0.0.4", b"tab\there", 1024, 0)]))
    runs = c.forms("controls", SPAN + arg(f))
    check(b"\x1b" not in runs["table"][0].stdout and b"?]0;owned??[2J" in runs["table"][0].stdout,
          f"controls: the table: {runs['table'][0].stdout!r}")
    check(runs["json"][1]["connections"][0]["ssid"] == "\x1b]0;owned\x07\x1b[2J", "controls: JSON keeps the text exactly")

    # Spreadsheet formulas: guarded in CSV by default, exact with --csv-raw, exact in JSON.
    formulas = ["=1+1", "+1", "-1", "@SUM(A1)", "\tx", "\rx", "a=b"]
    f = Folder(scratch, "formulas").put("20260130", one_day(
        [(f"10.0.0.{i}".encode(), text.encode(), 1024, 0) for i, text in enumerate(formulas, 1)]))
    runs = c.forms("formulas", SPAN + arg(f))
    guarded = [row[3] for row in runs["csv"][1][1]]
    check(guarded == ["'" + t for t in formulas[:-1]] + ["a=b"], f"formulas: guarded cells {guarded}")
    raw = rows_of_csv(r.run(*(SPAN + arg(f) + ["--csv-raw"])).stdout.decode("utf-8"))[1]
    check([row[3] for row in raw] == formulas, f"formulas: --csv-raw gives the exact texts: {raw}")
    check([c["ssid"] for c in runs["json"][1]["connections"]] == formulas, "formulas: JSON gives the exact texts")

    # Files that are not day files: zeros, a day with bytes after its running time.
    day = one_day([(b"10.0.0.1", b"", 2048, 0)])
    f = Folder(scratch, "shapes").put("20260130", bytes(4096)).put("20260131", day + b"\0\0\0").put("20260201", day)
    runs = c.forms("shapes", SPAN + arg(f))
    doc = runs["json"][1]
    check(doc["damaged_files"] == ["20260130.bin", "20260131.bin"] and doc["uptime_ms"] == 1000,
          f"shapes: zeros and trailing bytes are damaged: {doc['damaged_files']} {doc['uptime_ms']}")
    check(b"it has 3 more bytes after the running time" in runs["json"][0].stderr, f"shapes: {runs['json'][0].stderr!r}")
    check(r.run(*(SPAN + arg(f) + ["--strict"])).returncode == 3, "shapes: status 3 with --strict")

    # Plans files saved as UTF-16 or UTF-8 with a mark, two plans of one name, escapes in names.
    f = Folder(scratch, "plans").put("20260130", day)
    plans = plans_ini([("Phone", "once", 100), ("Phone", "once", 5000), ("=Caf\u00e9", "once", 5000),
                       ("Home\x1b]0;owned\x07", "fortnight", 5)])
    for name, data in [("utf16.ini", b"\xff\xfe" + plans.encode("utf-16-le")),
                       ("utf8.ini", b"\xef\xbb\xbf" + plans.encode("utf-8"))]:
        path = os.path.join(scratch, name)
        with open(path, "wb") as out:
            out.write(data)
        runs = c.forms(name, ["--plans", r.path(path), "--to", "2026-02-03"] + arg(f), plans=True)
        got = [(p["name"], p["used_bytes"]) for p in runs["json"][1]["plans"]]
        check(got == [("Phone", 2048), ("Phone", 2048), ("=Caf\u00e9", 2048)], f"{name}: plans read: {got}")
        names = [row[0] for row in runs["csv"][1][1]]
        check(names == ["Phone", "Phone", "'=Caf\u00e9"], f"{name}: a plan's name guarded in CSV: {names}")
        check(b"the data plan PLAN4 (\"Home?]0;owned?\") is not used" in runs["table"][0].stderr,
              f"{name}: the bad plan named, escapes as ?: {runs['table'][0].stderr!r}")
    for name, data in [("binary.ini", random.Random(7).randbytes(4096)),
                       ("utf16be.ini", b"\xfe\xff" + plans.encode("utf-16-be")),
                       ("nomark.ini", plans.encode("utf-16-le"))]:
        path = os.path.join(scratch, name)
        with open(path, "wb") as out:
            out.write(data)
        res = r.run("--plans", r.path(path), *arg(f))
        check(res.returncode == 1 and b"is not a plans file" in res.stderr and not res.stdout,
              f"{name}: refused: exit {res.returncode} {res.stderr!r}")


def output_targets(r, scratch):
    """--output and --svg write regular files only, and keep a replaced file's owner and permissions."""
    out = os.path.join(scratch, "targets")
    os.makedirs(os.path.join(out, "folder.csv"))
    os.mkfifo(os.path.join(out, "pipe.csv"))
    targets = ["folder.csv", "pipe.csv"]
    if not r.wine and os.path.exists("/dev/null"):
        targets.append("/dev/null")
    for name in targets:
        path = os.path.join(out, name)
        before = os.lstat(path)
        for option in ["--output", "--svg"]:
            res = r.run("--csv", option, r.path(path), "--folder", r.path(out))
            after = os.lstat(path)
            # Windows has no pipes in folders: under Wine one is refused all the same, in other words.
            said = b"left as it is" in res.stderr or (r.wine and name == "pipe.csv")
            check(res.returncode == 1 and said and stat.S_IFMT(after.st_mode) == stat.S_IFMT(before.st_mode),
                  f"{option} {name}: exit {res.returncode} {res.stderr!r}")
    if r.wine:
        return
    kept = os.path.join(out, "kept.csv")
    with open(kept, "w") as f:
        f.write("old\n")
    os.chmod(kept, 0o600)
    owner = 65534 if os.geteuid() == 0 else os.geteuid()
    if os.geteuid() == 0:
        os.chown(kept, owner, owner)
    res = r.run("--csv", "--output", kept, "--folder", out)
    info = os.stat(kept)
    check(res.returncode == 0 and stat.S_IMODE(info.st_mode) == 0o600 and info.st_uid == owner,
          f"--output keeps 0600 and the owner: exit {res.returncode}, {oct(info.st_mode)}, uid {info.st_uid}")


def many_machines(r, scratch, c):
    """Several --folder summed per connection; --plans --alert with statuses 4 and 5."""
    a = Folder(scratch, "machine-a").put("20260130", one_day([(b"10.0.0.1", b"Home", 1000, 10)]))
    b = Folder(scratch, "machine-b").put("20260130", one_day([(b"10.0.0.1", b"HOME", 2000, 20)]))
    b.put("20260131", one_day([(b"10.0.0.1", b"", 3000, 0)])[:-1])
    folders = ["--folder", r.path(a.path), "--folder", r.path(b.path)]
    runs = c.forms("machines", SPAN + folders)
    doc = runs["json"][1]
    sep = "\\" if r.wine else "/"
    check(doc["folders"] == [r.path(a.path), r.path(b.path)], f"machines: folders {doc.get('folders')}")
    check([(x["ssid"], x["downloaded_bytes"]) for x in doc["connections"]] == [("Home", 3000), ("", 3000)],
          f"machines: summed per connection: {doc['connections']}")
    check(doc["damaged_files"] == [r.path(b.path) + sep + "20260131.bin"], f"machines: named with the folder {doc}")
    check(r.path(b.path).encode() in runs["table"][0].stderr, f"machines: {runs['table'][0].stderr!r}")

    # The 30 January's 1010 bytes (received and sent) as of the 31st: a plan of that day alone has
    # ended; a week from Friday 30 January has used them in its first two days and projects
    # 1010 x 7 / 2 = 3535 bytes.
    path = os.path.join(scratch, "alert.ini")
    for sections, status in [([("Day", "once", 1000)], 0), ([("Week", "week", 1010)], 4),
                             ([("Week", "week", 3535)], 0), ([("Week", "week", 3534)], 5),
                             ([("Week", "week", 3534), ("Other", "week", 1000)], 4)]:
        with open(path, "w", newline="") as f:
            f.write(plans_ini(sections).replace("end=2026-02-03", "end=2026-01-30"))
        res = r.run("--plans", r.path(path), "--to", "2026-01-31", "--alert", "--folder", r.path(a.path))
        check(res.returncode == status, f"--alert {sections}: exit {res.returncode}, wanted {status} {res.stderr!r}")
        res = r.run("--plans", r.path(path), "--to", "2026-01-31", "--folder", r.path(a.path))
        check(res.returncode == 0, f"without --alert {sections}: exit {res.returncode}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", required=True)
    ap.add_argument("--wine")
    ap.add_argument("--scratch", required=True)
    a = ap.parse_args()
    shutil.rmtree(a.scratch, ignore_errors=True)
    os.makedirs(a.scratch)
    r = Runner(a.program, a.wine)
    c = Consumers(r, a.scratch)
    hostile_rows(r, a.scratch, c)
    output_targets(r, a.scratch)
    many_machines(r, a.scratch, c)
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
