# The Options dialog under Wine on Xvfb, with the real service in "debug" beside the monitor: labels,
# tooltips and values from the INI file, the checks of the number fields and their messages, the idle
# controls, Cancel, OK with new units shown at once from the last snapshot, the service's keepdays
# written only on OK and only when it changes what the service does, a read-only service INI file,
# a close request while the dialog (and one of its messages) is open, and the next start.
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import ui_lab
from ui_lab import UiLab, ui_test_args
from wine_lab import IP_SERVICE, Checks, Client, day_file_bytes, day_file_name, mac_key

OPTIONS_TITLE, MESSAGE_TITLE = "Options", "TraldenView"
WM_USER = 0x0400
CB_SETCURSEL = 0x014E
EM_GETLIMITTEXT = 0x00D5
ES_RIGHT, ES_NUMBER = 0x2, 0x2000
WS_GROUP, WS_TABSTOP = 0x20000, 0x10000
POSITIVE = "Please enter a positive integer."

LABELS = {1067: "Data presentation", 1063: "Quantity", 1065: "decimal", 1064: "Speed", 1066: "decimal",
          1069: "Refresh time", 1070: "sec.", 1068: "Connection prefered on top", 1030: "Active connection",
          1031: "Adapter configuration", 1022: "Hide idle connection", 1035: "Idle time", 1036: "min.",
          1062: "Keep history", 1061: "days", 1034: "Launch applicatin on start up",
          1057: "Use close button to minimize application", 1033: "Minimize to tray icon", 1: "OK", 2: "Cancel"}
ENTRIES = {1023: ["      KB", "      MB"], 1024: ["     B/s", "     KB/s", "     MB/s", "     Kb/s", "     Mb/s"],
           1027: ["      0", "      1", "      2", "      3"], 1028: ["      0", "      1", "      2", "      3"]}
TOOLS = 15  # every control with a tooltip, OK and Cancel included
IDLE_CONTROLS = (1035, 1029, 1036)
KEEP_CONTROLS = (1062, 1060, 1061)
# The monitor INI before the first start: every key away from its built-in default where it can be.
START_SETTINGS = {"quantity": 1, "quantitydec": 2, "speed": 1, "speeddec": 2, "prefer": 1, "hideidle": "YES",
                  "idletime": 30, "launch": "NO", "mintray": "NO", "refresh": 30, "minclose": "NO"}


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def eventually(probe, condition, timeout=5.0, interval=0.1):
    return ui_lab.eventually(probe, condition, timeout, interval)


class Session:
    """One running monitor and the driver's view of it."""

    def __init__(self, lab, checks):
        self.lab, self.d, self.checks = lab, lab.driver, checks
        self.proc = lab.start_monitor()
        self.hwnd = lab.wait_main_window()
        checks.true("the main window opens", self.hwnd != 0)

    def text(self, window, cid):
        return self.d("text", window, cid).get("text")

    def controls(self, window):
        return {c["id"]: c for c in self.d("controls", window).get("controls", [])}

    def open_options(self, what):
        self.d("click", self.hwnd, 1015)
        opt = self.d("owned", self.hwnd, OPTIONS_TITLE, 5000)["hwnd"]
        self.checks.true(f"{what}: Options opens owned by the main window", opt != 0)
        return opt

    def press_ok_expecting(self, opt, cid, message, what):
        ui_lab.ok_expecting_message(self.d, self.checks, opt, cid, message, MESSAGE_TITLE, what)

    def enabled(self, window, ids):
        view = self.controls(window)
        return [view.get(i, {}).get("enabled") for i in ids]

    def unit_labels(self):
        return [self.text(self.hwnd, c) for c in (1037, 1038, 1039, 1040)]


def main():
    args = ui_test_args()
    checks = Checks()
    with UiLab(args) as lab:
        d = lab.driver
        client = Client(lab, args.client)
        service_ini = os.path.join(lab.app_dir, "TraldenMeter.ini")
        old_day = os.path.join(lab.app_dir, day_file_name(time.time() - 400 * 86400))
        with open(old_day, "wb") as f:
            f.write(day_file_bytes([(mac_key(lab.mac), [(IP_SERVICE, "", "", 1000, 2000)])], 0))
        lab.update_ini(START_SETTINGS)

        service = lab.start_on_terminal(lab.service_exe, "debug")
        if not checks.true("the service answers", client.wait_for_snapshot() is not None):
            return checks.finish()
        checks.true("a day file 400 days old stays while no keepdays is set", os.path.exists(old_day))
        lab.burst(300)  # some 400 KB each way: figures with digits in KB and in MB

        # The pointer away from where the dialog opens, so that the kept screenshot has no tooltip on it.
        pointer(lab, 1, 1)
        s = Session(lab, checks)
        if not s.hwnd:
            return checks.finish()
        hwnd = s.hwnd
        eventually(lambda: s.text(hwnd, 1009), lambda t: t not in ("", None, "0.00"), timeout=35)

        # ---- opening: owner, labels, tooltips, values from the INI file, field set-up ----
        opt = s.open_options("first opening")
        if not opt:
            return checks.finish()
        checks.eq("the main window is disabled while Options runs", d("window", hwnd)["enabled"], False)
        checks.eq("the caption", s.text(opt, 0), OPTIONS_TITLE)
        view = s.controls(opt)
        checks.eq("every label", {cid: view.get(cid, {}).get("text") for cid in LABELS}, LABELS)
        tips = d("tooltips", opt)["tooltips"]
        checks.eq("one tooltip control with a tool for every control that has a tooltip",
                  [t["tools"] for t in tips], [TOOLS])
        combos = {cid: d("combo", opt, cid) for cid in ENTRIES}
        checks.eq("the drop-down entries with their leading blanks",
                  {cid: c["items"] for cid, c in combos.items()}, ENTRIES)
        checks.eq("units and decimals from the INI file",
                  [combos[c]["selected"] for c in (1023, 1027, 1024, 1028)], [1, 2, 1, 2])
        checks.eq("check boxes and radio buttons from the INI file",
                  [view[c].get("checked") for c in (1022, 1030, 1031, 1034, 1033, 1057)],
                  [True, False, True, False, False, False])
        checks.eq("idle time, refresh time and keep history (0 while the service INI has no keepdays)",
                  [s.text(opt, c) for c in (1029, 1041, 1060)], ["30", "30", "0"])
        checks.eq("the idle and keep history controls are enabled",
                  s.enabled(opt, IDLE_CONTROLS + KEEP_CONTROLS), [True] * 6)
        checks.eq("text limits of idle time, refresh time and keep history",
                  [_limit(d, opt, c) for c in (1029, 1041, 1060)], [4, 2, 4])
        styles = {c: d("state", opt, c)["style"] for c in (1029, 1041, 1060, 1030, 1022)}
        checks.eq("the number edits take digits only and are right-aligned",
                  [styles[c] & (ES_NUMBER | ES_RIGHT) for c in (1029, 1041, 1060)], [ES_NUMBER | ES_RIGHT] * 3)
        styles[1031] = d("state", opt, 1031)["style"]
        # Checking a radio button gives it the tab stop and takes it from the others of its group.
        checks.eq("the radio group starts at 1030 and ends before 1022; the checked one is the tab stop",
                  [styles[c] & (WS_GROUP | WS_TABSTOP) for c in (1030, 1031, 1022)],
                  [WS_GROUP, WS_TABSTOP, WS_GROUP | WS_TABSTOP])
        rect = d("window", opt)["rect"]
        print("screenshot:", lab.screenshot("options", rect))
        # The balloon of the Keep history field, shown when the pointer rests on it.
        keep = d("window", _child(d, opt, 1060))["rect"]
        pointer(lab, (keep[0] + keep[2]) // 2, (keep[1] + keep[3]) // 2)
        time.sleep(2)
        print("screenshot:", lab.screenshot("options_tooltip", [rect[0], rect[1] - 60, rect[2] + 120, rect[3]]))
        pointer(lab, 1, 1)

        d("command", hwnd, 1015)  # a command that reaches the disabled window all the same
        time.sleep(1)

        # ---- Cancel discards everything ----
        monitor_ini = read_bytes(lab.ini_path())
        _select(d, opt, 1023, 0)
        _select(d, opt, 1024, 0)
        d("settext", opt, 1041, "7")
        d("settext", opt, 1060, "5")
        d("click", opt, 2)
        checks.true("Cancel closes Options", d("gone", opt, 5000)["gone"])
        checks.eq("no second Options dialog was opened by the command", d("owned", hwnd, OPTIONS_TITLE, 1000)["hwnd"], 0)
        checks.true("the main window is enabled again", d("window", hwnd)["enabled"])
        checks.eq("Cancel writes no service INI file", read_bytes(service_ini), None)
        checks.eq("Cancel leaves the monitor INI file byte for byte", read_bytes(lab.ini_path()), monitor_ini)
        checks.eq("Cancel leaves the unit labels", s.unit_labels(), ["MB", "MB", "KB/s", "KB/s"])

        checks.eq("Ctrl+C ends the service", lab.ctrl_c(service), 0)
        service = lab.start_on_terminal(lab.service_exe, "debug")
        checks.true("the service answers again", client.wait_for_snapshot() is not None)
        checks.true("after opening and cancelling, the day file 400 days old stays when the service restarts",
                    os.path.exists(old_day))

        # ---- wrong entries, the idle controls ----
        opt = s.open_options("second opening")
        d("settext", opt, 1041, "")
        s.press_ok_expecting(opt, 1041, POSITIVE, "empty refresh time")
        d("settext", opt, 1041, "0")
        s.press_ok_expecting(opt, 1041, "Please enter an integer between 1 and 999.", "refresh time 0")
        d("click", opt, 1022)  # Hide idle with the refresh time still wrong: its message, enabling unchanged
        box = d("owned", opt, MESSAGE_TITLE, 5000)["hwnd"]
        checks.true("Hide idle with a wrong refresh time shows that field's message", box != 0)
        if box:
            d("click", box, 1)
            d("gone", box, 5000)
        checks.eq("and leaves the idle controls enabled", s.enabled(opt, IDLE_CONTROLS), [True] * 3)
        d("settext", opt, 1041, "30")
        d("click", opt, 1022)  # checked again
        d("settext", opt, 1029, "45")
        d("click", opt, 1022)
        checks.eq("unchecking Hide idle disables the idle controls",
                  eventually(lambda: s.enabled(opt, IDLE_CONTROLS), lambda e: e == [False] * 3, 2), [False] * 3)
        d("click", opt, 1022)
        checks.eq("checking it again enables them",
                  eventually(lambda: s.enabled(opt, IDLE_CONTROLS), lambda e: e == [True] * 3, 2), [True] * 3)
        checks.eq("the idle time kept its value", s.text(opt, 1029), "45")

        # ---- OK: new units from the last snapshot at once, keep history 0 accepted ----
        mb = s.text(hwnd, 1009)
        _select(d, opt, 1023, 0)
        _select(d, opt, 1027, 0)
        _select(d, opt, 1024, 0)
        d("settext", opt, 1060, "0")
        d("click", opt, 1)
        checks.true("OK closes Options", d("gone", opt, 5000)["gone"])
        labels = eventually(s.unit_labels, lambda u: u == ["KB", "KB", "B/s", "B/s"], timeout=1.5)
        checks.eq("the unit labels change at once (the next poll is 30 s away)", labels, ["KB", "KB", "B/s", "B/s"])
        kb = eventually(lambda: s.text(hwnd, 1009), lambda t: t != mb, timeout=1.5)
        checks.true("the downloaded figure is shown again in whole KB, as the MB figure said",
                    kb.isdigit() and abs(int(kb) / 1024 - float(mb)) <= 0.006, f"{mb} MB then {kb} KB")
        checks.eq("keep history 0 with no keepdays in the service INI writes nothing", read_bytes(service_ini), None)
        saved = (lab.read_ini() or {}).get("OPTIONS", {})
        want = dict(START_SETTINGS, quantity=0, quantitydec=0, speed=0, idletime=45)
        checks.eq("the monitor INI holds the saved keys",
                  {k: saved.get(k) for k in want}, {k: str(v) for k, v in want.items()})

        # ---- keepdays: -1 counts as keeping everything; a changed value is written ----
        with open(service_ini, "wb") as f:
            f.write(b"[OPTIONS]\r\nkeepdays=-1\r\n")
        opt = s.open_options("with keepdays -1")
        checks.eq("keepdays -1 shows as 0", s.text(opt, 1060), "0")
        d("click", opt, 1)
        d("gone", opt, 5000)
        checks.eq("OK with 0 leaves keepdays -1 as it was", read_bytes(service_ini), b"[OPTIONS]\r\nkeepdays=-1\r\n")
        opt = s.open_options("to change keepdays")
        d("settext", opt, 1060, "30")
        d("click", opt, 1)
        d("gone", opt, 5000)
        # The monitor writes the service INI once the dialog has gone, so the file is waited for.
        stored = eventually(lambda: (read_bytes(service_ini) or b"").replace(b"\r", b"").split(b"\n"),
                            lambda lines: b"keepdays=30" in lines)
        checks.true("OK with 30 writes keepdays=30", b"keepdays=30" in stored, str(stored))

        # ---- a read-only service INI file switches the Keep history field off ----
        before = read_bytes(service_ini)
        os.chmod(service_ini, 0o444)
        try:
            opt = s.open_options("read-only service INI")
            checks.eq("Keep history label, field and unit are disabled", s.enabled(opt, KEEP_CONTROLS), [False] * 3)
            checks.eq("the field shows 0", s.text(opt, 1060), "0")
            d("click", opt, 1)
            d("gone", opt, 5000)
            checks.eq("OK leaves the read-only file as it was", read_bytes(service_ini), before)
        finally:
            os.chmod(service_ini, 0o644)

        # ---- a close request while Options and one of its messages are open ----
        saved = (lab.read_ini() or {}).get("OPTIONS", {})
        opt = s.open_options("before the close request")
        d("settext", opt, 1041, "")
        d("settext", opt, 1060, "99")
        d("click", opt, 1)
        box = d("owned", opt, MESSAGE_TITLE, 5000)["hwnd"]
        checks.true("the message box is up", box != 0)
        checks.true("the close request ends the main window", lab.close_monitor(hwnd))
        checks.true("Options and its message box went with it",
                    d("gone", opt, 3000)["gone"] and (box == 0 or d("gone", box, 3000)["gone"]))
        checks.true("the process ends", lab.wait_monitor_exit(s.proc) is not None)
        checks.eq("the close request saved no options", (lab.read_ini() or {}).get("OPTIONS", {}), saved)
        checks.eq("nor keepdays", read_bytes(service_ini), before)

        # ---- the next start shows what was saved ----
        s = Session(lab, checks)
        if s.hwnd:
            checks.eq("the next start shows the saved units", s.unit_labels(), ["KB", "KB", "B/s", "B/s"])
            opt = s.open_options("next start")
            checks.eq("the dialog shows the saved values",
                      ([d("combo", opt, c)["selected"] for c in (1023, 1027, 1024, 1028)],
                       [s.text(opt, c) for c in (1029, 1041, 1060)]),
                      ([0, 0, 0, 2], ["45", "30", "30"]))
            d("click", opt, 2)
            d("gone", opt, 5000)
            lab.close_monitor(s.hwnd)
            lab.wait_monitor_exit(s.proc)
        lab.ctrl_c(service)
    return checks.finish()


def pointer(lab, x, y):
    subprocess.run(["xdotool", "mousemove", str(x), str(y)], env=lab.env, check=False, timeout=10,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _child(d, window, cid):
    return d("child", window, cid)["hwnd"]


def _select(d, window, cid, index):
    """Selects a drop-down entry; the exchange reads the selection."""
    d("sendchild", window, cid, CB_SETCURSEL, index, 0)


def _limit(d, window, cid):
    return d("sendchild", window, cid, EM_GETLIMITTEXT, 0, 0).get("result")


if __name__ == "__main__":
    sys.exit(main())
