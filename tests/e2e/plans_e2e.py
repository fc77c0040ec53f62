# Data plans under Wine on Xvfb, with the real service in "debug" counting ping traffic in the
# namespace pair: a weekly plan on the namespace adapter with a small limit and a day file of
# yesterday; the plan field against the service's own figures; the projection, 80 % and 100 %
# alerts, each exactly once (counted through the window's alert count) and none again after a
# restart; a section with a bad value named on the status line and never rewritten; and the Data
# plans dialog: adding with each field's check, editing, removing, Cancel and OK.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ui_lab import UiLab, eventually, ok_expecting_message, ui_test_args
from wine_lab import IP_SERVICE, Checks, Client, day_file_bytes, day_file_name, mac_key

WM_APP, WM_COMMAND = 0x8000, 0x0111
ALERT_COUNT = WM_APP + 30
IDM_PLANS = 0x0020
CB_SETCURSEL, LB_SETCURSEL = 0x014E, 0x0186
CBN_SELCHANGE, LBN_SELCHANGE = 1, 1
PLAN_FIELD, STATUS = 1080, 1014
NAME, MATCH_KIND, MATCH_VALUE, PERIOD, START, END, LIMIT, UNIT, WARN = 1087, 1088, 1089, 1090, 1091, 1092, 1093, \
    1094, 1096
LIST, ADD, EDIT, REMOVE = 1082, 1083, 1084, 1085
PLANS_TITLE, EDIT_TITLE, MESSAGE_TITLE = "Data plans", "Data plan", "TraldenView"
LIMIT_BYTES = 2_000_000
YESTERDAY_BYTES = 200_000  # a tenth of the limit
BAD_SECTION = "[PLAN3]\r\nname=Broken\r\nmatch=all\r\nperiod=fortnight\r\nstart=2026-01-01\r\nlimit=5\r\n"
BAD_PROBLEM = 'The data plan PLAN3 ("Broken") is not used: period "fortnight" is not month, week, day or once'


def quantity(value):
    """A figure as the plan field shows it with the MB setting and two decimals: in MB, or in GB
    from 1024 MB on."""
    units = value / (1 << 20)
    return f"{units:.2f} MB" if units < 1024 else f"{units / 1024:.2f} GB"


def expected_field(used):
    # The week started yesterday: day 2 of 7, five days left after today.
    allowance = max(0, LIMIT_BYTES - used) // 5
    tail = "limit reached" if used >= LIMIT_BYTES else f"{quantity(allowance)} a day left"
    return f"Lab: {quantity(used)} of {quantity(LIMIT_BYTES)} ({used * 100 // LIMIT_BYTES}%), {tail}"


class Plans:
    def __init__(self, lab, checks, client, mac):
        self.lab, self.d, self.checks, self.client, self.mac = lab, lab.driver, checks, client, mac
        self.hwnd = 0

    def start(self, what):
        self.proc = self.lab.start_monitor()
        self.hwnd = self.lab.wait_main_window()
        self.checks.true(f"{what}: the main window opens", self.hwnd != 0)
        return self.hwnd

    def text(self, window, cid):
        return self.d("text", window, cid).get("text")

    def alerts(self):
        return self.d("send", self.hwnd, ALERT_COUNT, 0, 0, 5000).get("result")

    def alerted(self):
        return (self.lab.read_ini() or {}).get("PLAN1", {}).get("alerted")

    def used(self):
        """Yesterday's file and today's totals of the namespace adapter, once the counters are still."""
        self.lab.quiet_counters()
        snap = self.client.wait_for_snapshot(10) or {}
        today = sum(r["rxTotal"] + r["txTotal"] for g in snap.get("groups", []) for r in g if r["key"] == self.mac)
        return YESTERDAY_BYTES + today

    def check_field(self, what):
        used = self.used()
        want = expected_field(used)
        got = eventually(lambda: self.text(self.hwnd, PLAN_FIELD), lambda t: t == want, timeout=6)
        self.checks.eq(f"{what}: the plan field follows the service's figures ({used} bytes)", got, want)
        return used

    def traffic_to(self, share):
        """Pings until the plan has used about this share of its limit (each echo counts its request
        and its reply, 1442 bytes each)."""
        need = int(share * LIMIT_BYTES) - self.used()
        if need > 0:
            self.lab.burst(need // 2884 + 1)

    def expect_alerts(self, count, alerted, what):
        got = eventually(self.alerts, lambda n: n == count, timeout=20)
        self.checks.eq(f"{what}: alerts so far", got, count)
        time.sleep(3)  # the polls after it give no second balloon
        self.checks.eq(f"{what}: still {count} a few polls later", self.alerts(), count)
        self.checks.eq(f"{what}: remembered in the plan's section", self.alerted(), alerted)
        tips = self.d("tips", 1000)["tips"]
        print(f"  balloons on show: {[t['text'] for t in tips]}")

    # ---- the dialogs ----
    def open_plans(self):
        self.d("syscommand", self.hwnd, IDM_PLANS)
        window = self.d("owned", self.hwnd, PLANS_TITLE, 5000)["hwnd"]
        self.checks.true("the system menu's Data plans... opens the dialog owned by the window", window != 0)
        return window

    def items(self, window):
        return self.d("listbox", window, LIST).get("items", [])

    def select(self, window, cid, index, notify):
        self.d("sendchild", window, cid, LB_SETCURSEL if cid == LIST else CB_SETCURSEL, index, 0)
        self.d("post", window, WM_COMMAND, (notify << 16) | cid, self.d("child", window, cid)["hwnd"])
        time.sleep(0.3)

    def open_editor(self, plans, button):
        self.d("click", plans, button)
        editor = self.d("owned", plans, EDIT_TITLE, 5000)["hwnd"]
        self.checks.true(f"button {button} opens the plan editor owned by the list", editor != 0)
        return editor

    def ok_expecting(self, editor, cid, message, what):
        ok_expecting_message(self.d, self.checks, editor, cid, message, MESSAGE_TITLE, what)


def main():
    args = ui_test_args()
    checks = Checks()
    with UiLab(args) as lab:
        d = lab.driver
        client = Client(lab, args.client)
        mac = mac_key(lab.mac)
        yesterday = time.time() - 86400
        with open(os.path.join(lab.app_dir, day_file_name(yesterday)), "wb") as f:
            f.write(day_file_bytes([(mac, [(IP_SERVICE, "", "", YESTERDAY_BYTES // 2, YESTERDAY_BYTES // 2)])], 1000))
        week_start = time.strftime("%Y-%m-%d", time.localtime(yesterday))
        lab.update_ini({"quantity": 1, "quantitydec": 2, "mintray": "NO", "launch": "NO"})
        with open(lab.ini_path(), "a", newline="", encoding="latin-1") as f:
            f.write(f"[PLAN1]\r\nname=Lab\r\nmatch=adapter:{mac}\r\nperiod=week\r\nstart={week_start}\r\n"
                    f"limit={LIMIT_BYTES}\r\n" + BAD_SECTION)

        service = lab.start_on_terminal(lab.service_exe, "debug")
        if not checks.true("the service answers", client.wait_for_snapshot() is not None):
            return checks.finish()
        lab.burst(10)  # the adapter's connection on show from the start
        p = Plans(lab, checks, client, mac)
        if not p.start("first start"):
            return checks.finish()
        hwnd = p.hwnd
        checks.eq("the status line names the plan that is not used, with its reason",
                  eventually(lambda: p.text(hwnd, STATUS), lambda t: t == BAD_PROBLEM), BAD_PROBLEM)
        checks.eq("the plan field's label", p.text(hwnd, 1081), "Data plan")
        p.check_field("at start, nothing alerted")
        checks.eq("no alert while used and projection are below the limit", p.alerts(), 0)
        rect = d("window", hwnd)["rect"]

        # ---- the projection (x 7 / 2), then 80 %, then 100 %: one balloon each ----
        p.traffic_to(0.40)
        p.expect_alerts(1, f"{week_start}:projected", "projected above the limit")
        p.traffic_to(0.85)
        used = p.check_field("past 80 %")
        print("screenshot:", lab.screenshot("plans_main_window", rect))
        p.expect_alerts(2, f"{week_start}:80,projected", "80 %")
        p.traffic_to(1.02)
        p.expect_alerts(3, f"{week_start}:80,100,projected", "100 %")
        used = p.check_field("past the limit")
        checks.true("the limit is reached", used >= LIMIT_BYTES, str(used))

        # ---- a restart tells nothing again ----
        checks.true("the close request ends the monitor", lab.close_monitor(hwnd))
        lab.wait_monitor_exit(p.proc)
        hwnd = p.start("after a restart")
        p.check_field("after a restart")
        time.sleep(4)
        checks.eq("after a restart: no balloon for what was alerted already", p.alerts(), 0)
        checks.eq("after a restart: the alerts stay remembered", p.alerted(), f"{week_start}:80,100,projected")

        # ---- the dialog: add with each field's check ----
        with open(lab.ini_path(), "rb") as f:
            before = f.read()
        plans = p.open_plans()
        if not plans:
            return checks.finish()
        checks.eq("the list: the plan and the section that is not used", p.items(plans),
                  [f"Lab: 1.91 MB every week, adapter:{mac}",
                   'PLAN3 (Broken): not used, period "fortnight" is not month, week, day or once'])
        editor = p.open_editor(plans, ADD)
        checks.eq("a new plan counts the adapter on show",
                  (d("combo", editor, MATCH_KIND)["selected"], p.text(editor, MATCH_VALUE)), (1, mac))
        d("settext", editor, NAME, "")
        p.ok_expecting(editor, NAME, "Please enter a name for the plan.", "no name")
        d("settext", editor, NAME, "Trip")
        p.select(editor, PERIOD, 3, CBN_SELCHANGE)
        checks.true("the last day is enabled for a plan that runs once",
                    d("state", editor, END)["enabled"] and d("state", editor, 1097)["enabled"])
        d("settext", editor, START, "2026-02-30")
        p.ok_expecting(editor, START, "Please enter the first day as YYYY-MM-DD, a date that exists.", "no such date")
        d("settext", editor, START, "2026-03-10")
        d("settext", editor, END, "2026-03-09")
        p.ok_expecting(editor, END, "The last day must not be before the first day.", "end before start")
        d("settext", editor, END, "2026-03-20")
        d("settext", editor, LIMIT, "1,5")
        p.ok_expecting(editor, LIMIT,
                       "Please enter the limit as a number above 0 with at most two decimals, e.g. 50 or 1.5.",
                       "a limit with a comma")
        d("settext", editor, LIMIT, "1.5")
        p.select(editor, UNIT, 1, CBN_SELCHANGE)
        d("settext", editor, WARN, "90")
        erect = d("window", editor)["rect"]
        print("screenshot:", lab.screenshot("plans_editor", erect))
        d("click", editor, 1)
        checks.true("OK takes the plan", d("gone", editor, 5000)["gone"])
        checks.eq("the new plan in the first free section's place", p.items(plans)[1],
                  f"Trip: 1.50 GB once, adapter:{mac}")

        # ---- edit it, then OK writes its section ----
        p.select(plans, LIST, 1, LBN_SELCHANGE)
        editor = p.open_editor(plans, EDIT)
        checks.eq("the editor opens with the plan's fields",
                  [p.text(editor, c) for c in (NAME, START, END, LIMIT, WARN)],
                  ["Trip", "2026-03-10", "2026-03-20", "1.5", "90"])
        d("settext", editor, LIMIT, "2")
        d("click", editor, 1)
        d("gone", editor, 5000)
        checks.eq("the list shows the change", p.items(plans)[1], f"Trip: 2.00 GB once, adapter:{mac}")
        prect = d("window", plans)["rect"]
        print("screenshot:", lab.screenshot("plans_dialog", prect))
        d("click", plans, 1)
        checks.true("OK closes the dialog", d("gone", plans, 5000)["gone"])
        # The window writes once the dialog has gone: the last key tells the section is complete.
        ini = eventually(lambda: lab.read_ini() or {}, lambda i: "warn" in i.get("PLAN2", {}), timeout=5)
        time.sleep(0.5)
        checks.eq("OK writes the new plan's section", ini.get("PLAN2"),
                  {"name": "Trip", "match": f"adapter:{mac}", "period": "once", "start": "2026-03-10",
                   "end": "2026-03-20", "limit": str(2 << 30), "count": "both", "warn": "90"})
        checks.eq("and leaves the other plan and its alerts", ini.get("PLAN1", {}).get("alerted"),
                  f"{week_start}:80,100,projected")
        with open(lab.ini_path(), "rb") as f:
            checks.true("the section that is not used stays byte for byte", BAD_SECTION.encode() in f.read())

        # ---- remove: Cancel writes nothing, OK removes the section ----
        with open(lab.ini_path(), "rb") as f:
            before = f.read()
        plans = p.open_plans()
        p.select(plans, LIST, 1, LBN_SELCHANGE)
        d("click", plans, REMOVE)
        checks.eq("Remove takes the plan out of the list", len(p.items(plans)), 2)
        d("click", plans, 2)
        d("gone", plans, 5000)
        with open(lab.ini_path(), "rb") as f:
            checks.true("Cancel writes nothing", f.read() == before)
        plans = p.open_plans()
        p.select(plans, LIST, 1, LBN_SELCHANGE)
        d("click", plans, REMOVE)
        d("click", plans, 1)
        d("gone", plans, 5000)
        ini = eventually(lambda: lab.read_ini() or {}, lambda i: "PLAN2" not in i, timeout=5)
        checks.eq("OK removes the plan's section", ("PLAN2" in ini, "PLAN1" in ini, "PLAN3" in ini), (False, True, True))
        checks.eq("the plan field still shows the plan", p.text(hwnd, PLAN_FIELD)[:5], "Lab: ")

        checks.true("the close request ends the monitor", lab.close_monitor(hwnd))
        checks.eq("Ctrl+C ends the service", lab.ctrl_c(service), 0)
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
