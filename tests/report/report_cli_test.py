#!/usr/bin/env python3
"""traldenreport against prepared day files: golden outputs of every form, the figures read back
with Python's csv and json modules and the Prometheus text parser, bad input, damaged files, the
atomic output file, and the SVG of the daily bars read with an XML parser and rendered with
rsvg-convert (the PNG stays in the scratch folder). Runs the native program, or the Windows one
under Wine with --wine."""
import argparse
import csv
import datetime
import io
import json
import os
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

from prometheus_client.parser import text_string_to_metric_families

# The prepared days. 2026-02-01 is cut inside its second entry, 2026-02-02 has no file; the span
# 2026-01-30 .. 2026-02-03 crosses a month end. Letter case differs between days of one connection.
KEY1 = b"00-1A-2B-3C-4D-5E"
KEY2 = b"AA-BB-CC-DD-EE-FF"
DAYS = {
    "20260130": ([(KEY1, [(b"192.168.1.10", b"", b"", 1048576 + 1023, 2048),
                          (b"192.168.1.11", b"", b"", 5000, 1023)]),
                  (KEY2, [(b"10.0.0.7", b"00-11-22-33-44-55", b'Cafe "net", \\ok', 3 * 1048576, 512)])],
                 3600000, None),
    "20260131": ([(KEY1, [(b"192.168.1.10", b"", b"", 1023, 1025)]),
                  (KEY2.lower(), [(b"10.0.0.7", b"00-11-22-33-44-55", b'CAFE "NET", \\OK', 1048576, 0)])],
                 86400000, None),
    "20260201": ([(KEY1, [(b"192.168.1.10", b"", b"", 10240, 10240),
                          (b"192.168.1.12", b"", b"", 99999, 99999)])],
                 500, 45),  # cut 45 bytes into the second entry
    "20260203": ([(KEY2, [(b"10.0.0.8", b"00-11-22-33-44-66", b"line\nbreak\xff", 2047, 4096)])],
                 3660000, None),
}
TODAY = ([(KEY1, [(b"192.168.1.10", b"", b"", 777, 888)])], 1234, None)

# Slot files beside three of the days, as (key, ip, bssid, ssid, [(slot, rx, tx)]): 2026-01-30 places
# all but 192.168.1.11 (5000 / 1023 not placed), 2026-01-31 all but 23 bytes received on
# 192.168.1.10; 2026-02-01 places its whole first entry; 2026-02-03 has none (2047 / 4096 not placed).
SLOTS = {
    "20260130": [(KEY1, b"192.168.1.10", b"", b"", [(156, 1048576, 1024), (157, 1023, 1024)]),
                 (KEY2, b"10.0.0.7", b"00-11-22-33-44-55", b'Cafe "net", \\ok', [(0, 3 * 1048576, 512)])],
    "20260131": [(KEY1, b"192.168.1.10", b"", b"", [(287, 1000, 1025)]),
                 (KEY2.lower(), b"10.0.0.7", b"00-11-22-33-44-55", b'CAFE "NET", \\OK', [(12, 524288, 0), (23, 524288, 0)])],
    "20260201": [(KEY1, b"192.168.1.10", b"", b"", [(100, 10240, 10240)])],
}
# By hour, worked out from the slots: 00:00 and 13:00 (slots 156 and 157) of 30 Jan, 01:00 (slots
# 12 and 23) and 23:00 of 31 Jan, 08:00 (slot 100) of 1 Feb.
EXPECTED_HOURS = [
    ("2026-01-30T00:00", "10.0.0.7", 3145728, 512),
    ("2026-01-30T13:00", "192.168.1.10", 1049599, 2048),
    ("2026-01-31T01:00", "10.0.0.7", 1048576, 0),
    ("2026-01-31T23:00", "192.168.1.10", 1000, 1025),
    ("2026-02-01T08:00", "192.168.1.10", 10240, 10240),
]
EXPECTED_NOT_PLACED = [
    ("2026-01-30", "192.168.1.11", 5000, 1023),
    ("2026-01-31", "192.168.1.10", 23, 0),
    ("2026-02-03", "10.0.0.8", 2047, 4096),
]

# The span's rows worked out by hand: exact bytes, and kilobytes truncated per entry.
#   192.168.1.10: rx 1049599 + 1023 + 10240 = 1060862 B, 1024 + 0 + 10 = 1034 KB;
#                 tx 2048 + 1025 + 10240 = 13313 B, 2 + 1 + 10 = 13 KB
#   192.168.1.11: rx 5000 B = 4 KB, tx 1023 B = 0 KB
#   10.0.0.7:     rx 3145728 + 1048576 = 4194304 B = 4096 KB, tx 512 B = 0 KB
#   10.0.0.8:     rx 2047 B = 1 KB, tx 4096 B = 4 KB
# Running time 3600000 + 86400000 + 3660000 ms (the damaged day adds none) = 26 hours 1 minute.
EXPECTED = [
    ("00-1A-2B-3C-4D-5E", "192.168.1.10", "", "", 1060862, 13313, 1034, 13),
    ("00-1A-2B-3C-4D-5E", "192.168.1.11", "", "", 5000, 1023, 4, 0),
    ("AA-BB-CC-DD-EE-FF", "10.0.0.7", "00-11-22-33-44-55", 'Cafe "net", \\ok', 4194304, 512, 4096, 0),
    ("AA-BB-CC-DD-EE-FF", "10.0.0.8", "00-11-22-33-44-66", "line\nbreak\u00ff", 2047, 4096, 1, 4),
]
EXPECTED_UPTIME_MS = 93660000
SPAN = ["--from", "2026-01-30", "--to", "2026-02-03"]

# Data plans over the same days as of 2026-02-03 (a Tuesday), a bad section among them.
PLANS_INI = (
    b"[OPTIONS]\r\nquantity=1\r\n"
    b"[PLAN1]\r\nname=Home\r\nmatch=adapter:00-1a-2b-3c-4d-5e\r\nperiod=month\r\nstart=2025-12-31\r\nlimit=10485760\r\n"
    b"[PLAN2]\r\nname=Cafe\r\nmatch=ssid:CAFE \"NET\", \\OK\r\nperiod=week\r\nstart=2026-01-30\r\nlimit=1048576\r\ncount=rx\r\n"
    b"[PLAN3]\r\nname=Trip\r\nmatch=all\r\nperiod=once\r\nstart=2026-01-30\r\nend=2026-02-01\r\nlimit=1073741824\r\n"
    b"[PLAN4]\r\nname=Broken\r\nmatch=all\r\nperiod=fortnight\r\nstart=2026-02-30\r\nlimit=5\r\n"
    b"[PLAN6]\r\nname=Office day\r\nmatch=ip:10.0.0.8\r\nperiod=day\r\nstart=2026-01-01\r\nlimit=100000\r\n")
# Worked out by hand, as (name, first, last, used, limit, projected, allowance, days left, active):
#   Home: billing day 31 falls on 28 February, so the period is 31 Jan .. 27 Feb (28 days, 4 elapsed,
#     24 left); its adapter on 31 Jan 1023 + 1025 and on 1 Feb (cut inside its second entry) 10240 +
#     10240 = 22528; 22528 x 28 / 4 = 157696; (10485760 - 22528) / 24 = 435968.
#   Cafe: weeks from Friday, 30 Jan .. 5 Feb (5 elapsed, 2 left); received on the network in either
#     letter case 3145728 + 1048576 = 4194304; x 7 / 5 = 5872025 (truncated); over the limit: 0 a day.
#   Trip: 30 Jan .. 1 Feb, over: everything of those days, 4203910 + 1050624 + 20480 = 5275014.
#   Office day: 3 Feb alone, 10.0.0.8 with 2047 + 4096 = 6143; 100000 - 6143 = 93857 for the day.
EXPECTED_PLANS = [
    ("Home", "2026-01-31", "2026-02-27", 22528, 10485760, 157696, 435968, 24, True),
    ("Cafe", "2026-01-30", "2026-02-05", 4194304, 1048576, 5872025, 0, 2, True),
    ("Trip", "2026-01-30", "2026-02-01", 5275014, 1073741824, 5275014, 0, 0, False),
    ("Office day", "2026-02-03", "2026-02-03", 6143, 100000, 6143, 93857, 0, True),
]


def field(text, width):
    return text[:width].ljust(width, b"\0")


def day_file(groups, uptime, cut_into_second_entry):
    out = struct.pack("<I", len(groups))
    for key, entries in groups:
        out += field(key, 26) + struct.pack("<I", len(entries))
        for ip, bssid, ssid, rx, tx in entries:
            out += field(ip, 16) + field(bssid, 26) + field(ssid, 33) + struct.pack("<QQ", rx, tx)
    out += struct.pack("<I", uptime)
    if cut_into_second_entry is not None:
        out = out[:4 + 30 + 91 + cut_into_second_entry]
    return out


def slot_file(connections):
    out = b"TMSL" + struct.pack("<HHI", 1, 5, len(connections))
    for key, ip, bssid, ssid, slots in connections:
        out += field(key, 26) + field(ip, 16) + field(bssid, 26) + field(ssid, 33) + struct.pack("<H", len(slots))
        for slot, rx, tx in slots:
            out += struct.pack("<HQQ", slot, rx, tx)
    return out


class Runner:
    def __init__(self, program, wine):
        self.program, self.wine = program, wine

    def path(self, p):
        return "Z:" + p.replace("/", "\\") if self.wine else p

    def run(self, *args):
        cmd = ([self.wine] if self.wine else []) + [self.program] + list(args)
        return subprocess.run(cmd, capture_output=True, timeout=120)


failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def outcome():
    """The exit status of a test script: 1 when a check failed."""
    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print("all checks passed")
    return 0


def rows_of_csv(text):
    rows = list(csv.reader(io.StringIO(text, newline="")))
    return rows[0], rows[1:]


SVG = "{http://www.w3.org/2000/svg}"


def day_sums(daily, ip=None):
    """{(date, "rx" | "tx"): bytes} of the report's own daily figures, over one IP or all."""
    sums = {}
    for day in daily["days"]:
        conns = [c for c in day["connections"] if ip is None or c["ip"] == ip]
        sums[(day["date"], "rx")] = sum(c["downloaded_bytes"] for c in conns)
        sums[(day["date"], "tx")] = sum(c["uploaded_bytes"] for c in conns)
    return sums


def svg_bars(path):
    """The picture parsed as XML: {(data-day, data-direction): data-bytes} and every <title> text."""
    root = ElementTree.parse(path).getroot()
    bars = {(e.get("data-day"), e.get("data-direction")): int(e.get("data-bytes"))
            for e in root.iter(SVG + "rect") if e.get("data-day")}
    return root, bars, [t.text for t in root.iter(SVG + "title")]


def check_svg(r, scratch, folder, daily):
    path = os.path.join(scratch, "report-days.svg")
    res = r.run(*(SPAN + folder + ["--csv", "--svg", r.path(path)]))
    check(res.returncode == 0 and b"20260201.bin" in res.stderr, f"--svg: exit {res.returncode} {res.stderr!r}")
    root, bars, titles = svg_bars(path)
    check(root.tag == SVG + "svg", f"--svg: the root element is {root.tag}")
    check(bars == day_sums(daily), f"--svg: data-bytes of every day and direction, as the daily report sums: {bars}")
    check(not any(day == "2026-02-02" for day, _ in bars), "--svg: the day without a file is a gap")
    check(any("20260201" not in t and "2026-02-01" in t and "damaged" in t for t in titles),
          f"--svg: the damaged day is marked: {titles}")
    # 1048576 + 1023 + 5000 + 3 x 1048576 = 4200327 bytes, 4.0057 MB
    check("2026-01-30 downloaded 4200327 bytes (4.01 MB)" in titles, f"--svg: a bar's title: {titles}")

    # One connection: by its IP, and by an SSID whose quotes and backslash the XML escapes.
    res = r.run(*(SPAN + folder + ["--svg", r.path(path), "--connection", "ip:192.168.1.10", "--csv"]))
    _, rows = rows_of_csv(res.stdout.decode("utf-8"))
    check(res.returncode == 0 and [row[1] for row in rows] == ["192.168.1.10"], f"--connection: {res.stdout!r}")
    check(svg_bars(path)[1] == day_sums(daily, "192.168.1.10"), "--connection: the bars of that connection only")
    res = r.run(*(SPAN + folder + ["--svg", r.path(path), "--connection", 'ssid:cafe "NET", \\ok']))
    root, bars, titles = svg_bars(path)
    check(res.returncode == 0 and bars[("2026-01-31", "rx")] == 1048576 and bars[("2026-02-03", "rx")] == 0,
          f"--connection by SSID, any case: {bars}")
    check(any('ssid:cafe "NET", \\ok' in t for t in titles), f"--connection: the heading names it: {titles}")

    # Rendered by Debian's librsvg; the PNG is kept beside the picture.
    if shutil.which("rsvg-convert") is None:
        print("SKIP: rsvg-convert is not installed (scripts/install-deps.sh): the SVG was not rendered")
        return
    res = r.run(*(SPAN + folder + ["--svg", r.path(path)]))
    png = os.path.join(scratch, "report-days.png")
    done = subprocess.run(["rsvg-convert", "-o", png, path], capture_output=True, timeout=60)
    check(done.returncode == 0 and os.path.getsize(png) > 1000, f"rsvg-convert: {done.stderr!r}")
    print("rendered:", png)


def group_rows(doc, key):
    """(start or date, ip, downloaded, uploaded) of the JSON's rows or not_placed, in their order."""
    return [(g[key], c["ip"], c["downloaded_bytes"], c["uploaded_bytes"])
            for g in doc["rows" if key == "start" else "not_placed"] for c in g["connections"]]


def check_groups(r, scratch, folder, outputs):
    """--by and --top read back: every byte of the span is in one hour or one day's unplaced bytes."""
    hours = json.loads(outputs["report-hour.json"])
    check(hours["by"] == "hour" and group_rows(hours, "start") == EXPECTED_HOURS, f"json hours {group_rows(hours, 'start')}")
    check(group_rows(hours, "date") == EXPECTED_NOT_PLACED, f"json not placed {group_rows(hours, 'date')}")
    header, rows = rows_of_csv(outputs["report-hour.csv"].decode("utf-8"))
    check(header[0] == "start" and [(row[0], row[2], int(row[5]), int(row[6])) for row in rows] ==
          EXPECTED_HOURS + EXPECTED_NOT_PLACED, f"csv hours {rows}")
    for by in ["hour", "5min"]:
        res = r.run(*(SPAN + folder + ["--json", "--by", by]))
        doc = json.loads(res.stdout)
        per_ip = {}
        for _, ip, rx, tx in group_rows(doc, "start") + group_rows(doc, "date"):
            per_ip[ip] = (per_ip.get(ip, (0, 0))[0] + rx, per_ip.get(ip, (0, 0))[1] + tx)
        check(per_ip == {e[1]: (e[4], e[5]) for e in EXPECTED}, f"--by {by}: rows and unplaced bytes add up: {per_ip}")
    slots = [g["start"] for g in doc["rows"]]
    check(slots[:2] == ["2026-01-30T00:00", "2026-01-30T13:00"] and "2026-01-30T13:05" in slots, f"--by 5min {slots}")
    # Days grouped by --by are the days of --daily; months cross the month end.
    res = r.run(*(SPAN + folder + ["--json", "--by", "day"]))
    by_day = json.loads(res.stdout)
    daily = json.loads(outputs["report-daily.json"])
    check([(g["start"], [(c["ip"], c["downloaded_bytes"]) for c in g["connections"]]) for g in by_day["rows"]] ==
          [(d["date"], [(c["ip"], c["downloaded_bytes"]) for c in d["connections"]]) for d in daily["days"]] and
          by_day["not_placed"] == [], "--by day: the days of --daily")
    months = json.loads(outputs["report-month.json"])
    check([g["start"] for g in months["rows"]] == ["2026-01", "2026-02"], f"--by month {months['rows']}")
    # --top: the busiest days, most first (30 Jan: 4203910 + 3583 bytes, 31 Jan: 1049599 + 1025).
    res = r.run(*(SPAN + folder + ["--json", "--top", "2"]))
    check([g["start"] for g in json.loads(res.stdout)["rows"]] == ["2026-01-30", "2026-01-31"], "--top 2")
    res = r.run(*(SPAN + folder + ["--json", "--top", "1", "--by", "hour"]))
    check([g["start"] for g in json.loads(res.stdout)["rows"]] == ["2026-01-30T00:00"], "--top 1 --by hour")

    # The hours drawn: a column per hour of the span, the day without a file a gap.
    path = os.path.join(scratch, "report-hours.svg")
    res = r.run(*(SPAN + folder + ["--by", "hour", "--svg", r.path(path)]))
    root = ElementTree.parse(path).getroot()
    bars = {(e.get("data-start"), e.get("data-direction")): int(e.get("data-bytes"))
            for e in root.iter(SVG + "rect") if e.get("data-start")}
    titles = [t.text for t in root.iter(SVG + "title")]
    check(res.returncode == 0 and len(bars) == 4 * 24 * 2, f"--svg --by hour: {len(bars)} bars")
    check(all(bars[(start, "rx")] == rx and bars[(start, "tx")] == tx for start, _, rx, tx in EXPECTED_HOURS) and
          sum(bars.values()) == sum(rx + tx for _, _, rx, tx in EXPECTED_HOURS), "--svg --by hour: the hours' bytes")
    check(not any(start.startswith("2026-02-02") for start, _ in bars), "--svg --by hour: the day without a file")
    # 5000 + 1023 + 23 + 2047 + 4096 bytes are in no slot.
    check(any("12189 bytes not placed in time" in t for t in titles), f"--svg --by hour: its heading {titles[:1]}")
    if shutil.which("rsvg-convert") is not None:
        done = subprocess.run(["rsvg-convert", "-o", os.path.join(scratch, "report-hours.png"), path],
                              capture_output=True, timeout=60)
        check(done.returncode == 0, f"rsvg-convert of the hours: {done.stderr!r}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", required=True)
    ap.add_argument("--wine")
    ap.add_argument("--golden", required=True)
    ap.add_argument("--scratch", required=True)
    ap.add_argument("--update", action="store_true", help="rewrite the golden files (review them!)")
    a = ap.parse_args()

    shutil.rmtree(a.scratch, ignore_errors=True)
    days = os.path.join(a.scratch, "days")
    os.makedirs(days)
    for name, (groups, uptime, cut) in DAYS.items():
        with open(os.path.join(days, name + ".bin"), "wb") as f:
            f.write(day_file(groups, uptime, cut))
    for name, connections in SLOTS.items():
        with open(os.path.join(days, name + ".slots"), "wb") as f:
            f.write(slot_file(connections))
    today = datetime.date.today().strftime("%Y%m%d")
    with open(os.path.join(days, today + ".bin"), "wb") as f:
        f.write(day_file(*TODAY))

    r = Runner(a.program, a.wine)
    folder = ["--folder", r.path(days)]

    # Golden outputs. The table is for the console: under Windows its texts are in the ANSI code
    # page (Wine's default here: 1252), natively UTF-8.
    goldens = {
        "table.txt": [], "table-daily.txt": ["--daily"], "report.csv": ["--csv"],
        "report-daily.csv": ["--csv", "--daily"], "report.json": ["--json"],
        "report-daily.json": ["--json", "--daily"], "report.prom": ["--prometheus"],
        "table-hour.txt": ["--by", "hour"], "report-hour.csv": ["--csv", "--by", "hour"],
        "report-hour.json": ["--json", "--by", "hour"], "report-month.json": ["--json", "--by", "month"],
        "table-top.txt": ["--top", "2"],
    }
    outputs = {}
    for name, extra in goldens.items():
        res = r.run(*(SPAN + folder + extra))
        check(res.returncode == 0, f"{name}: exit {res.returncode} {res.stderr!r}")
        check(b"20260201.bin" in res.stderr and b"damaged" in res.stderr, f"{name}: damaged file named: {res.stderr!r}")
        check(b"20260202" not in res.stderr, f"{name}: a missing day is not an error")
        out = res.stdout
        if name.startswith("table") and a.wine:
            out = out.decode("cp1252").encode("utf-8")
        outputs[name] = out
        golden = os.path.join(a.golden, name)
        if a.update:
            with open(golden, "wb") as f:
                f.write(out)
        else:
            with open(golden, "rb") as f:
                want = f.read()
            check(out == want, f"{name}: differs from the golden file:\n{out.decode('utf-8', 'replace')}")

    # Read back with the standard readers and compared with the figures worked out by hand.
    header, rows = rows_of_csv(outputs["report.csv"].decode("utf-8"))
    check(header == ["adapter", "ip", "bssid", "ssid", "downloaded_bytes", "uploaded_bytes", "downloaded_kb",
                     "uploaded_kb"], f"csv header {header}")
    got = [tuple(row[:4]) + tuple(int(v) for v in row[4:]) for row in rows]
    check(got == EXPECTED, f"csv rows {got}")
    header, rows = rows_of_csv(outputs["report-daily.csv"].decode("utf-8"))
    check(header[0] == "date" and len(rows) == 7, f"daily csv {header} {len(rows)}")
    check(sum(int(row[5]) for row in rows) == sum(e[4] for e in EXPECTED), "daily csv bytes add up")

    doc = json.loads(outputs["report.json"])
    check((doc["from"], doc["to"], doc["uptime_ms"]) == ("2026-01-30", "2026-02-03", EXPECTED_UPTIME_MS),
          "json span and uptime")
    got = [(c["adapter"], c["ip"], c["bssid"], c["ssid"], c["downloaded_bytes"], c["uploaded_bytes"],
            c["downloaded_kb"], c["uploaded_kb"]) for c in doc["connections"]]
    check(got == EXPECTED, f"json rows {got}")
    check(doc["totals"]["downloaded_bytes"] == sum(e[4] for e in EXPECTED), "json totals")
    check(doc["damaged_files"] == ["20260201.bin"], "json damaged files")
    daily = json.loads(outputs["report-daily.json"])
    check([d["date"] for d in daily["days"]] == ["2026-01-30", "2026-01-31", "2026-02-01", "2026-02-03"],
          "json days with a file")
    check(sum(d["uptime_ms"] for d in daily["days"]) == EXPECTED_UPTIME_MS, "json days' running time")

    samples = {}
    for family in text_string_to_metric_families(outputs["report.prom"].decode("utf-8")):
        for s in family.samples:
            samples[(s.name, tuple(sorted(s.labels.items())))] = s.value
    for key, ip, bssid, ssid, rx, tx, _, _ in EXPECTED:
        labels = tuple(sorted({"period": "span", "adapter": key, "ip": ip, "bssid": bssid, "ssid": ssid}.items()))
        check(samples.get(("traldenmeter_downloaded_bytes", labels)) == rx, f"prometheus rx of {ip}")
        check(samples.get(("traldenmeter_uploaded_bytes", labels)) == tx, f"prometheus tx of {ip}")
    today_labels = tuple(sorted({"period": "today", "adapter": "00-1A-2B-3C-4D-5E", "ip": "192.168.1.10",
                                 "bssid": "", "ssid": ""}.items()))
    check(samples.get(("traldenmeter_downloaded_bytes", today_labels)) == 777, "prometheus today's rx")
    check(samples.get(("traldenmeter_uptime_seconds", (("period", "span"),))) == EXPECTED_UPTIME_MS / 1000,
          "prometheus running time")
    check(samples.get(("traldenmeter_damaged_day_files", ())) == 1, "prometheus damaged files")
    check(samples.get(("traldenmeter_unreadable_day_files", ())) == 0, "prometheus unreadable files")

    check_svg(r, a.scratch, folder, json.loads(outputs["report-daily.json"]))
    check_groups(r, a.scratch, folder, outputs)
    # Data plans: golden outputs, the figures read back, the bad section named on standard error.
    plans_ini = os.path.join(a.scratch, "plans.ini")
    with open(plans_ini, "wb") as f:
        f.write(PLANS_INI)
    plan_outputs = {}
    for name, extra in {"plans.txt": [], "plans.csv": ["--csv"], "plans.json": ["--json"],
                        "plans.prom": ["--prometheus"]}.items():
        res = r.run("--plans", r.path(plans_ini), "--to", "2026-02-03", *(folder + extra))
        check(res.returncode == 0, f"{name}: exit {res.returncode} {res.stderr!r}")
        check(b'the data plan PLAN4 ("Broken") is not used: period "fortnight" is not month, week, day or once; '
              b'start "2026-02-30" is not a date that exists (YYYY-MM-DD)' in res.stderr,
              f"{name}: the bad plan named with its reasons: {res.stderr!r}")
        check(b"20260201.bin is damaged" in res.stderr, f"{name}: the damaged day of the periods named: {res.stderr!r}")
        plan_outputs[name] = res.stdout
        golden = os.path.join(a.golden, name)
        if a.update:
            with open(golden, "wb") as f:
                f.write(res.stdout)
        else:
            with open(golden, "rb") as f:
                want = f.read()
            check(res.stdout == want, f"{name}: differs from the golden file:\n{res.stdout.decode('utf-8', 'replace')}")
    got = [(p["name"], p["period_start"], p["period_end"], p["used_bytes"], p["limit_bytes"], p["projected_bytes"],
            p["allowance_bytes"], p["days_left"], p["active"]) for p in json.loads(plan_outputs["plans.json"])["plans"]]
    check(got == EXPECTED_PLANS, f"json plans {got}")
    _, rows = rows_of_csv(plan_outputs["plans.csv"].decode("utf-8"))
    check([(r[0], int(r[3])) for r in rows] == [(p[0], p[3]) for p in EXPECTED_PLANS], f"csv plans {rows}")
    samples = {}
    for family in text_string_to_metric_families(plan_outputs["plans.prom"].decode("utf-8")):
        for s in family.samples:
            samples[(s.name, s.labels.get("plan"))] = s.value
    for p in EXPECTED_PLANS:
        check((samples.get(("traldenmeter_plan_used_bytes", p[0])), samples.get(("traldenmeter_plan_limit_bytes", p[0])),
               samples.get(("traldenmeter_plan_projected_bytes", p[0]))) == (p[3], p[4], p[5]), f"prometheus {p[0]}")
    for args, status, mentions in [
        (["--plans", r.path(os.path.join(a.scratch, "no-such.ini"))], 1, b"cannot read the plans file"),
        (["--plans", r.path(plans_ini), "--from", "2026-02-01"], 2, b"--plans"),
    ]:
        res = r.run(*(args + folder))
        check(res.returncode == status and mentions in res.stderr and res.stdout == b"",
              f"{args}: exit {res.returncode}, stderr {res.stderr!r}")

    # --strict: the same figures, but a span with a damaged file ends with status 3.
    res = r.run(*(SPAN + folder + ["--csv", "--strict"]))
    check(res.returncode == 3 and res.stdout == outputs["report.csv"], f"--strict, damaged day: exit {res.returncode}")
    res = r.run(*(["--from", "2026-01-30", "--to", "2026-01-31", "--strict"] + folder))
    check(res.returncode == 0, f"--strict, whole days: exit {res.returncode} {res.stderr!r}")

    # --output replaces the file in one step and leaves no temporary behind.
    outdir = os.path.join(a.scratch, "out")
    os.makedirs(outdir)
    target = os.path.join(outdir, "traldenmeter.prom")
    with open(target, "w") as f:
        f.write("old\n")
    res = r.run(*(SPAN + folder + ["--prometheus", "--output", r.path(target)]))
    check(res.returncode == 0 and res.stdout == b"", f"--output: exit {res.returncode}, stdout {res.stdout!r}")
    with open(target, "rb") as f:
        check(f.read() == outputs["report.prom"], "--output holds the same text")
    check(os.listdir(outdir) == ["traldenmeter.prom"], f"--output leaves only its file: {os.listdir(outdir)}")
    # A link planted at the target's name is replaced, never written through.
    victim = os.path.join(a.scratch, "victim")
    with open(victim, "w") as f:
        f.write("keep\n")
    os.remove(target)
    os.symlink(victim, target)
    res = r.run(*(SPAN + folder + ["--prometheus", "--output", r.path(target)]))
    with open(victim) as f:
        check(res.returncode == 0 and f.read() == "keep\n" and not os.path.islink(target),
              f"--output over a link: exit {res.returncode}, link kept: {os.path.islink(target)}")
    res = r.run(*(SPAN + folder + ["--csv", "--output", r.path(os.path.join(outdir, "no", "such", "x.csv"))]))
    check(res.returncode == 1 and b"cannot write" in res.stderr, f"--output to a missing folder: {res.stderr!r}")

    # Bad input: a clear message and a non-zero status.
    for args, status, mentions in [
        (["--bogus"], 2, b"--bogus"),
        (["--from", "2026-02-30"], 2, b"2026-02-30"),
        (["--from", "2026-02-03", "--to", "2026-01-30"], 2, b"before it begins"),
        (["--month", "2026-13"], 2, b"2026-13"),
        (["--by", "week"], 2, b"week"),
        (["--top", "0"], 2, b"--top"),
        (["--folder", r.path(os.path.join(a.scratch, "no-such-folder"))], 1, b"cannot read the folder"),
        (["--folder", r.path(os.path.join(days, today + ".bin"))], 1, b"cannot read the folder"),
    ]:
        res = r.run(*(args if args[0] == "--folder" else args + folder))
        check(res.returncode == status and mentions in res.stderr and res.stdout == b"",
              f"{args}: exit {res.returncode}, stderr {res.stderr!r}")

    # The default span is today; --month of a month without files is empty, not an error.
    res = r.run("--csv", *folder)
    _, rows = rows_of_csv(res.stdout.decode("utf-8"))
    check(res.returncode == 0 and [row[4] for row in rows] == ["777"], f"today: {res.stdout!r}")
    res = r.run("--month", "2025-06", "--json", *folder)
    check(res.returncode == 0 and json.loads(res.stdout)["connections"] == [], "an empty month")
    return outcome()


if __name__ == "__main__":
    sys.exit(main())
