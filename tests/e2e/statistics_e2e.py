# The statistics window under Wine on Xvfb, over day files the test writes beside the monitor:
# several connections over several days, one file damaged, others outside the span. Opened with
# "Statistic...": caption, labels, tooltips, the four-day span's rows and totals against sums worked
# out here from the bytes written, the uptime, a row unchecked by space and by its check box, day
# view with day steps, the day-view flag stored on closing and used at the next opening, and the
# flag stored when the main window's close request ends both windows.
import datetime
import os
import shutil
import struct
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ui_lab import UiLab, ui_test_args
from wine_lab import Checks

WM_USER = 0x0400
WM_LBUTTONDOWN, WM_LBUTTONUP = 0x0201, 0x0202
MK_LBUTTON = 1
LB_GETCOUNT, LB_GETITEMHEIGHT = 0x018B, 0x01A1
VK_SPACE = 0x20
STAT_TITLE = "Statistics"
LABELS = {1056: "From", 1055: "To", 1052: "&Refresh", 1058: "Total download:", 1059: "Total upload:",
          1060: "Windows uptime:", 1022: "&Day view", 2: "&Close"}
TOOLS = 10  # every control of the window with a tooltip


# ---- day files, laid out field by field ----
def field(text, width):
    raw = text.encode("latin-1")[:width - 1]
    return raw + b"\0" * (width - len(raw))


def day_file(groups, uptime_ms):
    """groups: [(adapter key, [(ip, bssid, ssid, rx bytes, tx bytes), ...]), ...]"""
    out = struct.pack("<I", len(groups))
    for key, entries in groups:
        out += field(key, 26) + struct.pack("<I", len(entries))
        for ip, bssid, ssid, rx, tx in entries:
            out += field(ip, 16) + field(bssid, 26) + field(ssid, 33) + struct.pack("<QQ", rx, tx)
    return out + struct.pack("<I", uptime_ms)


def day_name(date):
    return f"{date.year:04d}{date.month:02d}{date.day:02d}.bin"


# ---- expected texts, from their definitions ----
def size_text(kb):
    if kb > 99_999_999_999:
        return f"{kb >> 30} TB "
    if kb > 99_999_999:
        return f"{kb >> 20} GB "
    if kb > 99_999:
        return f"{kb >> 10} MB "
    return f"{kb} KB "


def uptime_text(ms):
    hours = ms // 3_600_000
    return f"{hours} hours and {(ms - hours * 3_600_000) // 60_000} minutes"


K1, K2, K3, K9 = "00-1A-2B-3C-4D-5E", "AA-BB-CC-DD-EE-01", "00-0C-29-00-00-03", "00-99-99-99-99-99"
WIFI = ("00-11-22-33-44-55",)


def prepare_days(app_dir, today):
    """Writes the day files; returns {date: (complete entries as (row key, rx, tx), uptime or None)}."""
    d = lambda n: today - datetime.timedelta(days=n)  # noqa: E731
    days = {
        d(0): ([(K1, [("10.0.0.5", "", "", 60_000_123, 7_000_000)]),
                (K2, [("192.168.1.20", WIFI[0], "Cafe & Bar", 3_000_000, 1_000_000)])], 3_600_000),
        d(1): ([(K1, [("10.0.0.5", "", "", 50_000_000, 5_000_000)]),
                (K2, [("192.168.1.20", WIFI[0], "CAFE & BAR", 2_000_000, 500_000)])], 86_400_000),
        d(2): ([(K3, [("10.0.3.3", "", "", 10_240_000, 1_024), ("10.0.3.4", "", "", 9_999_999, 9_999)])], 5),
        d(3): ([(K1, [("10.0.0.6", "", "", 1_500_000, 250_000)])], 40_000_000),
        d(4): ([(K9, [("10.9.9.9", "", "", 999_999_999, 999_999_999)])], 1_000),
        datetime.date(1999, 1, 1): ([(K9, [("10.9.9.8", "", "", 888_888_888, 1)])], 2_000),
    }
    written = {}
    for date, (groups, uptime) in days.items():
        raw = day_file(groups, uptime)
        entries = [((key, ip.lower(), bssid.lower(), ssid.lower()), rx, tx)
                   for key, es in groups for ip, bssid, ssid, rx, tx in es]
        if date == d(2):
            raw = raw[:-50]  # the second entry cut short: only the first counts, and no uptime
            entries, uptime = entries[:1], None
        with open(os.path.join(app_dir, day_name(date)), "wb") as f:
            f.write(raw)
        written[date] = (entries, uptime)
    return written


def expected(written, dates):
    """Rows in order of first appearance with their KB sums (each entry's bytes / 1024, truncated),
    and the summed uptime, over the given dates."""
    rows, uptime = {}, 0
    for date in sorted(dates):
        if date not in written:
            continue
        entries, up = written[date]
        for key, rx, tx in entries:
            down_kb, up_kb = rows.get(key, (0, 0))
            rows[key] = (down_kb + (rx >> 10), up_kb + (tx >> 10))
        uptime += up or 0
    return list(rows.items()), uptime


def totals(rows, skip=()):
    down = sum(r[1][0] for i, r in enumerate(rows) if i not in skip)
    up = sum(r[1][1] for i, r in enumerate(rows) if i not in skip)
    return [size_text(down), size_text(up)]


def main():
    args = ui_test_args()
    checks = Checks()
    with UiLab(args) as lab:
        d = lab.driver
        today = datetime.date.today()
        written = prepare_days(lab.app_dir, today)
        span = [today - datetime.timedelta(days=n) for n in range(4)]

        def shown():
            return [d("text", stats, c).get("text") for c in (1009, 1051, 1057)]

        def rows_in_list():
            return d("send", lst, LB_GETCOUNT, 0, 0, 2000)["result"]

        def click_list(x, y):
            d("post", lst, WM_LBUTTONDOWN, MK_LBUTTON, (y << 16) | x)
            d("post", lst, WM_LBUTTONUP, 0, (y << 16) | x)

        def step(down):
            spin = d("child", stats, 1054)["hwnd"]
            w, h = d("window", spin)["client"][2:]
            point = ((h * 3 // 4 if down else h // 4) << 16) | (w // 2)
            d("post", spin, WM_LBUTTONDOWN, MK_LBUTTON, point)
            d("post", spin, WM_LBUTTONUP, 0, point)
            time.sleep(0.5)

        lab.update_ini({"mintray": "NO"})
        monitor, main_hwnd = lab.start_main_window(checks)
        if not main_hwnd:
            return checks.finish()
        started = time.time()

        # ---- opening in range view: today and the three days before ----
        d("click", main_hwnd, 1013)
        stats = d("owned", main_hwnd, STAT_TITLE, 10000)["hwnd"]
        if not checks.true("\"Statistic...\" opens the statistics window owned by the main window", stats != 0):
            return checks.finish()
        checks.eq("the main window is disabled while it is open", d("window", main_hwnd)["enabled"], False)
        view = {c["id"]: c for c in d("controls", stats)["controls"]}
        checks.eq("every label", {cid: view.get(cid, {}).get("text") for cid in LABELS}, LABELS)
        checks.eq("range view: both pickers and \"To\" shown, the day steps hidden",
                  [view.get(c, {}).get("visible") for c in (1047, 1048, 1055, 1054)], [True, True, True, False])
        checks.eq("one tooltip control with a tool for every control that has a tip",
                  [t["tools"] for t in d("tooltips", stats)["tooltips"]], [TOOLS])
        rows, uptime = expected(written, span)
        lst = d("child", stats, 1049)["hwnd"]
        checks.eq("one row per connection of the four days (the damaged file's complete entry included)",
                  rows_in_list(), len(rows))
        checks.eq("totals of the four days, as summed from the bytes written", shown(),
                  totals(rows) + [uptime_text(uptime)])
        checks.eq("uptime of the four days; the damaged day adds none", shown()[2], "36 hours and 6 minutes")
        damaged = day_name(today - datetime.timedelta(days=2))
        checks.eq("the damaged day file is named", d("text", stats, 1075).get("text"),
                  f"Counted in part, damaged: {damaged}")
        rect = d("window", stats)["rect"]
        shot = lab.screenshot("statistics", rect)
        print("screenshot:", shot)

        # ---- unchecking rows: space on the selected row, a click on a check box ----
        click_list(120, 2)  # selects the first row, right of its check box: no toggle
        time.sleep(0.3)
        checks.eq("a click right of the check box changes no total", shown()[:2], totals(rows))
        d("key", stats, VK_SPACE)
        time.sleep(0.3)
        checks.eq("space unchecks the selected row: the totals drop by its sums at once", shown()[:2],
                  totals(rows, skip={0}))
        height = d("send", lst, LB_GETITEMHEIGHT, 0, 0, 2000)["result"]
        click_list(4, height + height // 2)
        time.sleep(0.3)
        checks.eq("a click on the second row's check box unchecks it too", shown()[:2], totals(rows, skip={0, 1}))
        print("screenshot:", lab.screenshot("statistics_unchecked", rect))
        pings = [d("ping", w, 5, 20, 2000) for w in (stats, main_hwnd)]
        checks.true("both windows answer at once while the statistics window is open (the poll waits elsewhere)",
                    all(p["failed"] == 0 and p["max"] < 1000 for p in pings), str(pings))
        d("click", stats, 1052)
        time.sleep(0.5)
        checks.eq("Refresh counts again with every row checked", shown()[:2], totals(rows))

        # ---- a day file another program holds is named, not counted as a quiet day ----
        yesterday = today - datetime.timedelta(days=1)
        held = d("hold", "Z:" + os.path.join(lab.app_dir, day_name(yesterday)).replace("/", "\\"))
        d("click", stats, 1052)
        time.sleep(0.5)
        held_rows, held_uptime = expected(written, [day for day in span if day != yesterday])
        checks.eq("a held day file is not counted and is named with the damaged one",
                  [held.get("held"), d("text", stats, 1075).get("text")] + shown(),
                  [True, f"Not counted, could not be read: {day_name(yesterday)}; Counted in part, damaged: {damaged}"]
                  + totals(held_rows) + [uptime_text(held_uptime)])
        d("release")
        d("click", stats, 1052)
        time.sleep(0.5)
        checks.eq("released, it counts again", shown(), totals(rows) + [uptime_text(uptime)])

        # ---- day view and day steps ----
        d("click", stats, 1022)
        time.sleep(0.5)
        checks.eq("day view: \"Day\", one picker and the day steps",
                  [d("text", stats, 1056)["text"]] + [d("state", stats, c)["visible"] for c in (1048, 1055, 1054)],
                  ["Day", False, False, True])

        def day_totals(date):
            r, u = expected(written, [date])
            return totals(r) + [uptime_text(u)]

        checks.eq("day view counts today only", shown(), day_totals(today))
        for what, down, date in (("down: yesterday", True, today - datetime.timedelta(days=1)),
                                 ("down again: the damaged day", True, today - datetime.timedelta(days=2)),
                                 ("up: yesterday again", False, today - datetime.timedelta(days=1)),
                                 ("up: today", False, today),
                                 ("up: tomorrow, which has no file", False, today + datetime.timedelta(days=1))):
            step(down)
            checks.eq(f"day step {what}", shown(), day_totals(date))

        # ---- closing stores the flag; the next opening starts in day view ----
        d("click", stats, 2)
        checks.true("Close ends the window", d("gone", stats, 5000)["gone"])
        checks.eq("day view stored as YES", (lab.read_ini() or {}).get("OPTIONS", {}).get("daystatistic"), "YES")
        d("click", main_hwnd, 1013)
        stats = d("owned", main_hwnd, STAT_TITLE, 10000)["hwnd"]
        checks.true("the window opens again", stats != 0)
        checks.eq("and starts in day view, counting today",
                  [d("state", stats, 1022).get("checked"), d("text", stats, 1056).get("text")] + shown(),
                  [True, "Day"] + day_totals(today))

        # ---- the main window's close request ends both; the flag is stored all the same ----
        d("click", stats, 1022)
        time.sleep(0.5)
        checks.eq("day view off again: the four days", shown(), totals(rows) + [uptime_text(uptime)])
        d("post", main_hwnd, WM_USER + 3, 0, 0)
        checks.true("the close request ends the statistics window and the main window",
                    d("gone", stats, 5000)["gone"] and d("gone", main_hwnd, 5000)["gone"])
        checks.eq("day view stored as NO", (lab.read_ini() or {}).get("OPTIONS", {}).get("daystatistic"), "NO")
        lab.wait_monitor_exit(monitor)
        print(f"window part took {time.time() - started:.1f} s")
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
