# The two chart windows under Wine on Xvfb. The Daily traffic window over day files the test writes
# (two connections, a damaged day, a day without a file): opened with "Chart..." from the
# Statistics window, the span's figures, the arrow keys and the pointer over a bar showing that
# day's exact bytes in the tooltip and the status line, Enter and a double click opening a day's
# hours from its slot file (the bytes in no slot named on the status line), the toggle to its
# five-minute slots and Backspace back to the days, and the window following the check marks and a
# change of the span. Then the Speed graph window from the main window's system menu, with the real
# service counting ping traffic: a line in the download colour that rises, the current figures, the
# last hour with the slot under way rising and the last 24 hours drawn from yesterday's slot file,
# one window for a second command, Esc to close it. Screenshots of both in ui-artifacts.
import datetime
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ui_lab import MAIN_CLASS, UiLab, eventually, ui_test_args
from wine_lab import IP_SERVICE, Checks, Client, day_file_bytes, mac_key, slot_file_bytes

WM_KEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_SYSCOMMAND, WM_COMMAND = 0x0100, 0x0201, 0x0202, 0x0112, 0x0111
VK_BACK, VK_RETURN, VK_ESCAPE, VK_HOME, VK_LEFT, VK_RIGHT, VK_DOWN = 0x08, 0x0D, 0x1B, 0x24, 0x25, 0x27, 0x28
CB_SETCURSEL, CBN_SELCHANGE = 0x014E, 1
IDC_CHART_SLOTS, IDC_SPEED_RANGE = 1105, 1106
SC_MAXIMIZE, SC_RESTORE = 0xF030, 0xF120
LB_GETITEMHEIGHT = 0x01A1
IDM_SPEEDGRAPH, ID_TRAY_SPEEDGRAPH = 0x0030, 32776
DOWNLOAD = (38, 110, 190)  # the charts' download colour

K1, K2 = "00-1A-2B-3C-4D-5E", "AA-BB-CC-DD-EE-01"


def prepare_days(app_dir, today):
    """Day files of the four days the Statistics window opens with, and of the month before for
    the picture: {date: (bytes of each complete entry as (row, rx, tx), damaged)}. Row 0 is K1's
    connection, row 1 the wireless one: the oldest day lists them in that order."""
    written = {}
    for n in range(35, -1, -1):
        date = today - datetime.timedelta(days=n)
        if n in (4, 9, 17):  # no file: gaps, outside the four days the window opens with
            continue
        rx1, tx1 = 3_000_000 + 917 * n * n + 100_003 * (n % 7), 200_000 + 3_001 * n
        rx2, tx2 = 1_500_000 + 40_009 * (n % 5), 90_000 + 77 * n
        raw = day_file_bytes([(K1, [("10.0.0.5", "", "", rx1, tx1)]),
                              (K2, [("192.168.1.20", "00-11-22-33-44-55", "Cafe", rx2, tx2)])], 3_600_000)
        entries = [(0, rx1, tx1), (1, rx2, tx2)]
        damaged = n == 2
        if damaged:  # cut inside the second connection: the first counts
            raw, entries = raw[:-30], entries[:1]
        with open(os.path.join(app_dir, f"{date:%Y%m%d}.bin"), "wb") as f:
            f.write(raw)
        written[date] = (entries, damaged)
    return written


# Yesterday's slots: K1's connection at 13:00, 13:05 and 23:55, the wireless one in none (all its
# bytes not placed in time); and the service's own connection busy all day, in the slot file only,
# for the speed graph's last 24 hours (the day file keeps the Statistics window's two rows).
K1_SLOTS = [(156, 1_000_000, 50_000), (157, 1_048_576, 0), (287, 4096, 0)]


def service_slot_rate(slot):
    return 1000 + 37 * (slot % 24)  # bytes a second, in a saw-tooth of two hours


def prepare_slots(app_dir, today, service_key):
    yesterday = today - datetime.timedelta(days=1)
    raw = slot_file_bytes([(K1, "10.0.0.5", "", "", K1_SLOTS),
                           (service_key, IP_SERVICE, "", "", [(s, 300 * service_slot_rate(s), 0) for s in range(288)])])
    with open(os.path.join(app_dir, f"{yesterday:%Y%m%d}.slots"), "wb") as f:
        f.write(raw)


def hours_lines(written, date):
    """The status line of a day's hours over both rows: its slots' bytes and the rest not placed."""
    entries = written[date][0]
    placed_rx, placed_tx = sum(s[1] for s in K1_SLOTS), sum(s[2] for s in K1_SLOTS)
    rest_rx, rest_tx = sum(e[1] for e in entries) - placed_rx, sum(e[2] for e in entries) - placed_tx
    return [f"{date} by the hour", f"Downloaded: {placed_rx} bytes ({mb(placed_rx)})",
            f"Uploaded: {placed_tx} bytes ({mb(placed_tx)})",
            f"Not placed in time: downloaded {rest_rx} bytes ({mb(rest_rx)}), uploaded {rest_tx} bytes ({mb(rest_tx)})"]


def mb(byte_count):
    return f"{(byte_count >> 10) / 1024:.2f} MB"  # the default unit: whole KB / 1024, two decimals


def day_lines(written, date, rows=(0, 1)):
    if date not in written:
        return [date.isoformat(), "No day file"]
    entries, damaged = written[date]
    rx = sum(e[1] for e in entries if e[0] in rows)
    tx = sum(e[2] for e in entries if e[0] in rows)
    lines = [date.isoformat(), f"Downloaded: {rx} bytes ({mb(rx)})", f"Uploaded: {tx} bytes ({mb(tx)})"]
    return lines + (["Damaged file: counted as far as it could be read"] if damaged else [])


def span_lines(written, first, last, rows=(0, 1)):
    dates = [first + datetime.timedelta(days=i) for i in range((last - first).days + 1)]
    rx = sum(e[1] for d in dates if d in written for e in written[d][0] if e[0] in rows)
    tx = sum(e[2] for d in dates if d in written for e in written[d][0] if e[0] in rows)
    lines = [f"{first} to {last}", f"Downloaded: {rx} bytes ({mb(rx)})", f"Uploaded: {tx} bytes ({mb(tx)})"]
    missing = sum(1 for d in dates if d not in written)
    return lines + ([f"{missing} day{'s' if missing > 1 else ''} without a file"] if missing else [])


def coloured(pixels, colour, below=0):
    """The points of a colour, leaving out the rows above `below` (the legend's line)."""
    return [p for p, c in pixels.items() if c == colour and p[1] >= below]


def columns(points):
    """Runs of neighbouring x that hold the colour: [(first x, last x), ...] left to right."""
    xs = sorted({x for x, _ in points})
    runs = []
    for x in xs:
        if runs and x == runs[-1][1] + 1:
            runs[-1][1] = x
        else:
            runs.append([x, x])
    return runs


def daily_chart(checks, lab, main_hwnd, written, today):
    d = lab.driver
    span = (today - datetime.timedelta(days=3), today)
    d("click", main_hwnd, 1013)
    stats = d("owned", main_hwnd, "Statistics", 10000)["hwnd"]
    if not checks.true("the Statistics window opens", stats != 0):
        return
    checks.eq("its \"Chart...\" button", d("text", stats, 1100).get("text"), "Chart...")
    d("click", stats, 1100)
    chart = d("owned", stats, "Daily traffic", 10000)["hwnd"]
    if not checks.true("\"Chart...\" opens the Daily traffic window, owned by the Statistics window", chart != 0):
        return
    status = lambda: d("text", chart, 1102).get("text")  # noqa: E731
    checks.eq("the status line: the four days' totals over both connections", status(),
              "   ".join(span_lines(written, *span)))
    canvas = d("child", chart, 1101)["hwnd"]

    # ---- the keys: from the newest day back ----
    def key(vk):
        d("post", canvas, WM_KEYDOWN, vk, 0)
        time.sleep(0.3)

    for presses, date in ((1, today), (2, today - datetime.timedelta(days=2)), (1, span[0])):
        for _ in range(presses):
            key(VK_LEFT)
        checks.eq(f"Left to {date}: its exact figures on the status line", status(),
                  "   ".join(day_lines(written, date)))
    want = "\n".join(day_lines(written, span[0]))
    tips = d("tips", 3000, span[0].isoformat())["tips"]  # the driver takes one line
    checks.true("and in the tooltip at its bars", any(t["text"] == want for t in tips), str(tips))
    key(VK_RIGHT)
    checks.eq("Right: the next day, the damaged one", status(), "   ".join(day_lines(written, span[0] + datetime.timedelta(days=1))))

    # ---- the pointer over a bar: the downloaded bars in the plot, left to right, one per day ----
    rect = d("window", canvas)["rect"]
    pixels = lab.pixels(rect)
    bars = columns(coloured(pixels, DOWNLOAD, rect[1] + 30))
    checks.eq("one downloaded bar per day of the four (the damaged one counted as far as it goes)", len(bars), 4)
    if len(bars) == 4:
        x = (bars[2][0] + bars[2][1]) // 2
        y = max(py for px, py in coloured(pixels, DOWNLOAD, rect[1] + 30) if px == x) - 2
        d("mouse", x, y, "move")
        yesterday = today - datetime.timedelta(days=1)
        want = "\n".join(day_lines(written, yesterday))
        tips = d("tips", 4000, yesterday.isoformat())["tips"]
        checks.true("the pointer over yesterday's bar: its exact bytes in the tooltip",
                    any(t["text"] == want for t in tips), str(tips))
        checks.eq("and on the status line", status(), want.replace("\n", "   "))
        print("screenshot:", lab.screenshot("daily_chart_tip", d("window", chart)["rect"]))
        d("mouse", 1023, 767, "move")
        day_hours(checks, lab, chart, canvas, status, written, yesterday, (x, y))

    # ---- following the Statistics window: a check mark, then day view ----
    lst = d("child", stats, 1049)["hwnd"]
    height = d("send", lst, LB_GETITEMHEIGHT, 0, 0, 2000)["result"]
    d("post", lst, WM_LBUTTONDOWN, 1, ((height // 2) << 16) | 4)  # the first row's check box
    d("post", lst, WM_LBUTTONUP, 0, ((height // 2) << 16) | 4)
    want = "   ".join(day_lines(written, today - datetime.timedelta(days=1), rows=(1,)))
    checks.eq("unchecking the first row leaves the second connection's bytes", eventually(status, lambda t: t == want), want)

    d("post", chart, WM_SYSCOMMAND, SC_MAXIMIZE, 0)
    grown = eventually(lambda: d("window", canvas)["rect"], lambda r: r[2] - r[0] > rect[2] - rect[0] + 100)
    checks.true("the window can be made larger, and its chart with it", grown[2] - grown[0] > rect[2] - rect[0] + 100,
                f"{rect} -> {grown}")
    d("post", chart, WM_SYSCOMMAND, SC_RESTORE, 0)
    time.sleep(0.5)

    # ---- a wider span: the first day's month one down with the keyboard, then Refresh ----
    picker = d("child", stats, 1047)["hwnd"]
    middle = (d("window", picker)["client"][3] // 2) << 16
    d("post", picker, WM_LBUTTONDOWN, 1, middle | 8)  # on the month of the short date (the chart covers it)
    d("post", picker, WM_LBUTTONUP, 0, middle | 8)
    time.sleep(0.3)
    d("input", stats, VK_DOWN)
    picked = re.fullmatch(r"(\d+)/(\d+)/(\d{4})", d("text", stats, 1047).get("text", "").replace(" ", ""))
    if checks.true("the first day moved a month back (month/day/year)", picked is not None and
                   datetime.date(int(picked[3]), int(picked[1]), int(picked[2])) < span[0], str(picked)):
        first = datetime.date(int(picked[3]), int(picked[1]), int(picked[2]))
        d("click", stats, 1052)
        want = "   ".join(day_lines(written, today - datetime.timedelta(days=1)))
        checks.eq("Refresh: the picked day stays picked in the new span, every row checked again",
                  eventually(status, lambda t: t == want), want)
        print("screenshot:", lab.screenshot("daily_chart", d("window", chart)["rect"]))
        key(VK_HOME)
        checks.eq("Home: the new span's first day", status(), "   ".join(day_lines(written, first)))

    d("click", stats, 1022)  # day view: today alone
    want = "   ".join(span_lines(written, today, today))
    checks.eq("day view in the Statistics window: the chart shows today", eventually(status, lambda t: t == want), want)
    d("click", stats, 2)
    checks.true("closing the Statistics window closes the chart", d("gone", chart, 5000)["gone"])


def day_hours(checks, lab, chart, canvas, status, written, yesterday, bar):
    """Yesterday is picked: Enter opens its hours, the slots' toggle and Backspace, a double click."""
    d = lab.driver
    slots_box = d("child", chart, IDC_CHART_SLOTS)["hwnd"]
    checks.true("the days show no slots' toggle", not d("window", slots_box)["visible"])
    d("input", chart, VK_RETURN)  # through the dialog's own keyboard handling, as a user's key
    want = "   ".join(hours_lines(written, yesterday))
    checks.eq("Enter opens the day's hours: its slots' bytes and those not placed in time", eventually(
        status, lambda t: t == want), want)
    checks.true("with the toggle to the five-minute slots", d("window", slots_box)["visible"])
    # Keys at the pace of a key held down (about 20 a second), not all in one burst.
    d("post", canvas, WM_KEYDOWN, VK_HOME, 0)
    for _ in range(13):
        time.sleep(0.05)
        d("post", canvas, WM_KEYDOWN, VK_RIGHT, 0)
    rx, tx = K1_SLOTS[0][1] + K1_SLOTS[1][1], K1_SLOTS[0][2] + K1_SLOTS[1][2]
    want = f"{yesterday} 13:00 to 14:00   Downloaded: {rx} bytes ({mb(rx)})   Uploaded: {tx} bytes ({mb(tx)})"
    checks.eq("Home and 13 x Right: the hour from 13:00, its slots summed", eventually(status, lambda t: t == want),
              want)
    tips = d("tips", 3000, f"{yesterday} 13:00")["tips"]
    checks.true("and its tooltip", any(t["text"] == want.replace("   ", "\n") for t in tips), str(tips))
    print("screenshot:", lab.screenshot("daily_chart_hours", d("window", chart)["rect"]))
    d("click", chart, IDC_CHART_SLOTS)
    rx, tx = K1_SLOTS[0][1], K1_SLOTS[0][2]
    want = f"{yesterday} 13:00 to 13:05   Downloaded: {rx} bytes ({mb(rx)})   Uploaded: {tx} bytes ({mb(tx)})"
    checks.eq("the toggle: five-minute slots, the hour's first one picked", eventually(status, lambda t: t == want),
              want)
    rect = d("window", canvas)["rect"]
    bars = columns(coloured(lab.pixels(rect), DOWNLOAD, rect[1] + 30))
    checks.eq("three slots with downloaded bytes: 13:00, 13:05 (side by side) and 23:55", len(bars), 2)
    print("screenshot:", lab.screenshot("daily_chart_slots", d("window", chart)["rect"]))
    d("input", chart, VK_BACK)
    want = "   ".join(day_lines(written, yesterday))
    checks.eq("Backspace: back to the days, yesterday still picked", eventually(status, lambda t: t == want), want)
    checks.true("without the slots' toggle", not d("window", slots_box)["visible"])
    d("mouse", bar[0], bar[1], "double")
    want = "   ".join(hours_lines(written, yesterday)).replace(" by the hour", " by five minutes")
    checks.eq("a double click on the day's bar opens its hours again, as five-minute slots",
              eventually(status, lambda t: t == want), want)
    d("input", chart, VK_BACK)
    d("mouse", 1023, 767, "move")
    eventually(status, lambda t: t.startswith(str(yesterday) + "   "))


def above_zero(lab, rect):
    """The download line's points above its zero line (its lowest row) in the canvas."""
    points = coloured(lab.pixels(rect), DOWNLOAD, rect[1] + 30)
    zero = max((y for _, y in points), default=0)
    return [p for p in points if p[1] < zero - 3]


def speed_range(lab, graph, index):
    d = lab.driver
    combo = d("child", graph, IDC_SPEED_RANGE)["hwnd"]
    d("send", combo, CB_SETCURSEL, index, 0, 2000)
    d("post", graph, WM_COMMAND, (CBN_SELCHANGE << 16) | IDC_SPEED_RANGE, combo)
    time.sleep(0.5)


def speed_graph(checks, lab, main_hwnd, args):
    d = lab.driver
    client = Client(lab, args.client)
    service = lab.start_on_terminal(lab.service_exe, "debug")
    if not checks.true("the service answers", client.wait_for_snapshot() is not None):
        return
    eventually(lambda: d("text", main_hwnd, 1007).get("text"), lambda ip: ip == IP_SERVICE, timeout=10)
    d("syscommand", main_hwnd, IDM_SPEEDGRAPH)
    graph = d("wait", MAIN_CLASS, "Speed graph", 10000)["hwnd"]
    if not checks.true("the system menu's \"Speed graph...\" opens the Speed graph window", graph != 0):
        return
    info = d("window", graph)
    checks.eq("a window of its own beside the main window, which stays enabled",
              (info["owner"], d("window", main_hwnd)["enabled"]), (0, True))
    time.sleep(2.5)  # a few samples without traffic
    pinger = lab.steady_traffic(IP_SERVICE)
    try:
        figures = eventually(lambda: d("text", graph, 1104).get("text", ""),
                             lambda t: re.fullmatch(r"198\.18\.0\.1: download [0-9]*[1-9][0-9.]* KB/s, upload .* KB/s", t)
                             is not None, timeout=10)
        checks.true("the current figures of the shown connection, downloading", re.fullmatch(
            r"198\.18\.0\.1: download \d+\.\d\d KB/s, upload \d+\.\d\d KB/s", figures or "") is not None, figures)
        time.sleep(3)
        canvas = d("child", graph, 1103)["hwnd"]
        rect = d("window", canvas)["rect"]
        line = coloured(lab.pixels(rect), DOWNLOAD, rect[1] + 30)
        rows = sorted({y for _, y in line})
        checks.true("the download line is drawn and rises from zero while ping runs",
                    len(rows) >= 3 and rows[-1] - rows[0] >= 10, f"rows {rows[:3]}..{rows[-3:]}")
        print("screenshot:", lab.screenshot("speed_graph", d("window", graph)["rect"]))
        checks.eq("the ranges to choose from", d("combo", graph, IDC_SPEED_RANGE).get("items"),
                  ["5 minutes", "1 hour", "24 hours"])

        # The last hour: slots as steps; the one under way holds what the service counted since its
        # last save, so it rises at the right edge while ping runs.
        speed_range(lab, graph, 1)
        checks.true("1 hour: the slot under way is above zero at the right edge", len(eventually(
            lambda: [p for p in above_zero(lab, rect) if p[0] >= rect[2] - 40], lambda pts: len(pts) > 0,
            timeout=10)) > 0)
        # The last 24 hours: yesterday's slots of the service's connection from its slot file, all of
        # the day that lies in them (from now back to yesterday's same time), above zero.
        speed_range(lab, graph, 2)
        now = datetime.datetime.now()
        yesterday_part = 1 - (now.hour * 3600 + now.minute * 60 + now.second) / 86400
        xs = sorted({x for x, _ in above_zero(lab, rect)})
        width = rect[2] - rect[0]
        checks.true("24 hours: the line is above zero over yesterday's part of the day, from the left",
                    len(xs) > 0 and xs[0] < rect[0] + width * 0.15 and
                    len(xs) >= width * 0.6 * min(yesterday_part, 0.9), f"{len(xs)} of {width} columns")
        print("screenshot:", lab.screenshot("speed_graph_24h", d("window", graph)["rect"]))
    finally:
        pinger.terminate()
        pinger.wait()
    d("command", main_hwnd, ID_TRAY_SPEEDGRAPH)
    time.sleep(0.5)
    checks.eq("the tray menu's command brings the same window forward", d("wait", MAIN_CLASS, "Speed graph", 1000)["hwnd"],
              graph)
    d("post", canvas, WM_KEYDOWN, VK_ESCAPE, 0)
    checks.true("Esc closes it", d("gone", graph, 5000)["gone"])
    checks.eq("Ctrl+C ends the service", lab.ctrl_c(service), 0)


def main():
    args = ui_test_args()
    checks = Checks()
    with UiLab(args) as lab:
        today = datetime.date.today()
        written = prepare_days(lab.app_dir, today)
        prepare_slots(lab.app_dir, today, mac_key(lab.mac))
        lab.update_ini({"mintray": "NO"})
        monitor, main_hwnd = lab.start_main_window(checks)
        if not main_hwnd:
            return checks.finish()
        started = time.time()
        daily_chart(checks, lab, main_hwnd, written, today)
        speed_graph(checks, lab, main_hwnd, args)
        checks.true("the close request ends the monitor", lab.close_monitor(main_hwnd))
        lab.wait_monitor_exit(monitor)
        print(f"window part took {time.time() - started:.1f} s")
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
