#!/usr/bin/env python3
"""The monitor's notification-area icon end to end under Wine on Xvfb: minimising to the tray, the
single-click balloon, the double click, the right-click menu in both looks, Exit, starting in the
tray, and a desktop without a notification area. Screenshots go to --artifacts.

Wine's own desktop with a task bar ("Default" desktop in a window) gives the notification area; the
null graphics driver gives a desktop without one. The classic menu look is the one a 256-colour
(palette) display gets, so that run uses an 8-bit Xvfb screen. Exits 77 when Xvfb is missing."""
import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ui_lab import wine_desktop_origin  # noqa: E402

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
SC_MINIMIZE, SC_RESTORE = 0xF020, 0xF120
STATE_TEXT = "No information available"  # no service in these runs
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"


class Lab:
    """A private prefix copy on its own Xvfb screen with openbox."""

    def __init__(self, args, name, depth=24, tray=True, start_in_tray=False):
        self.args, self.name = args, name
        self.dir = os.path.join(args.scratch, name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.prefix = os.path.join(self.dir, "prefix")
        subprocess.run(["cp", "-a", args.prefix, self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"1024x768x{depth}",
                                      "-nolisten", "tcp"], pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            display = f.readline().strip()
        self.env["DISPLAY"] = ":" + display
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if tray:  # every program in one Wine desktop window with a task bar
            self.reg("add", r"HKCU\Software\Wine\Explorer", "/v", "Desktop", "/d", "Default", "/f")
            self.reg("add", r"HKCU\Software\Wine\Explorer\Desktops", "/v", "Default", "/d", "1000x700", "/f")
        else:  # windows without any display: no notification area
            self.reg("add", r"HKCU\Software\Wine\Drivers", "/v", "Graphics", "/d", "null", "/f")
        if start_in_tray:
            self.reg("add", RUN_KEY, "/v", "TraldenView", "/d", "Z:" + args.monitor.replace("/", "\\"), "/f")
        self.monitor = None
        # The window driver, kept running: one command line in, one JSON line out.
        self.driver_proc = subprocess.Popen([WINE64, args.driver], env=self.env, text=True, bufsize=1,
                                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.DEVNULL)

    def reg(self, *words):
        subprocess.run([WINE64, "reg", *words], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def driver(self, *words):
        line = " ".join('"%s"' % w if " " in str(w) else str(w) for w in words)
        watchdog = threading.Timer(60, self.driver_proc.kill)  # a hung driver must not hang the test
        watchdog.start()
        try:
            self.driver_proc.stdin.write(line + "\n")
            self.driver_proc.stdin.flush()
            answer = self.driver_proc.stdout.readline()
        finally:
            watchdog.cancel()
        if not answer:
            raise RuntimeError(f"the driver gave no answer to: {line}")
        return json.loads(answer)

    def start_monitor(self):
        self.monitor = subprocess.Popen([WINE64, self.args.monitor], env=self.env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        main = self.driver("find", "#32770", "TraldenView", 15000)
        check(main["hwnd"] != 0, "the main window opens")
        return main["hwnd"]

    def wait(self, what, predicate, timeout=5.0):
        end = time.time() + timeout
        while True:
            value = predicate()
            if value or time.time() > end:
                check(value, what)
                return value
            time.sleep(0.1)

    def state(self, hwnd):
        return self.driver("window", hwnd)

    def screenshot(self, name, crop=None):
        path = os.path.join(self.args.artifacts, name)
        subprocess.run(["import", "-display", self.env["DISPLAY"], "-window", "root", path], check=True)
        if crop:
            subprocess.run(["/usr/bin/convert", path, "-crop", crop, "+repage", path], check=True)
        print("screenshot:", path)
        return path

    def ini_text(self):
        found = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming", "TraldenView*.ini"))
        found += glob.glob(os.path.join(os.path.dirname(self.args.monitor), "TraldenView*.ini"))
        return "".join(open(p, encoding="latin-1").read() for p in found)

    def close(self):
        if self.driver_proc.poll() is None:
            self.driver_proc.stdin.close()
            try:
                self.driver_proc.wait(10)
            except subprocess.TimeoutExpired:
                self.driver_proc.kill()
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for p in (self.monitor, self.wm, self.xvfb):
            if p and p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(self.prefix, ignore_errors=True)


FAILURES = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        FAILURES.append(what)


def window_origin(lab):
    """Where the Wine desktop's client area starts on the X screen, for crops."""
    return wine_desktop_origin(lab.env["DISPLAY"])


def open_menu(lab):
    bar = lab.driver("taskbar", 3000)
    check(bar["shown"], "the icon is in the notification area")
    menu = {"open": False}
    for _ in range(3):  # the icon may take a moment to take clicks after the bar appears
        lab.driver("mouse", *bar["icon"], "right")
        menu = lab.driver("popupmenu", 2000)
        if menu["open"]:
            break
    check(menu["open"], "the right click opens the menu")
    return bar, menu


# Item rectangles of the XP look: a 3-pixel menu frame, items max(22, menu height) high, separators 3.
def item_centre(menu, position, item_height=22, separator=3):
    heights = [item_height] * 5 + [separator, item_height, item_height, separator, item_height]
    left, top, right, _ = menu["rect"]
    y = top + 3 + sum(heights[:position]) + heights[position] // 2
    return (left + right) // 2, y


def tray_scenario(args):
    lab = Lab(args, "tray")
    try:
        main = lab.start_monitor()
        lab.wait("the window is on show at start", lambda: lab.state(main)["visible"])
        check(not lab.driver("taskbar", 500)["shown"], "no icon while the window is on show")

        lab.driver("syscommand", main, SC_MINIMIZE)
        lab.wait("minimising hides the window", lambda: not lab.state(main)["visible"])
        check(lab.driver("taskbar", 3000)["shown"], "minimising shows the icon")

        # The menu first: a balloon would stand in front of it for its 11 seconds.
        _, menu = open_menu(lab)
        left, top, right, bottom = menu["rect"]
        check(bottom - top == 3 + 8 * 22 + 2 * 3 + 3, f"the menu holds eight items and two separators: {menu['rect']}")
        hx, hy = item_centre(menu, 6)  # "&Homepage..." selected: the raised image
        for dx in (0, 1):  # twice: the menu follows a pointer that moves within it
            time.sleep(0.4)
            lab.driver("mouse", hx + dx, hy, "move")
        time.sleep(0.5)
        ox, oy = window_origin(lab)
        lab.screenshot("tray_menu_xp.png", f"{right - left + 40}x{bottom - top + 40}+{ox + left - 20}+{oy + top - 20}")
        lab.driver("mouse", *item_centre(menu, 0), "left")  # "TraldenView "
        lab.wait("the first menu item restores the window",
                 lambda: lab.state(main)["visible"] and not lab.state(main)["iconic"])

        lab.driver("syscommand", main, SC_MINIMIZE)
        lab.wait("minimised again", lambda: not lab.state(main)["visible"])
        icon = lab.driver("taskbar", 3000)["icon"]
        lab.driver("mouse", *icon, "left")
        tips = lab.driver("tips", 8000, STATE_TEXT)["tips"]
        check(any(t["text"] == STATE_TEXT for t in tips), f"a click shows the balloon with the state text: {tips}")
        lab.screenshot("tray_balloon.png", f"420x260+{ox + 580}+{oy + 440}")

        lab.driver("mouse", *icon, "double")
        lab.wait("a double click restores the window",
                 lambda: lab.state(main)["visible"] and not lab.state(main)["iconic"])
        lab.wait("the icon goes when the window is back", lambda: not lab.driver("taskbar", 0)["shown"])

        lab.driver("syscommand", main, SC_MINIMIZE)
        lab.wait("minimised once more", lambda: not lab.state(main)["visible"])
        _, menu = open_menu(lab)
        lab.driver("mouse", *item_centre(menu, 9), "left")  # "&Exit"
        lab.wait("the last item ends the program", lambda: lab.monitor.poll() is not None, timeout=10)
        check("main=" in lab.ini_text(), "the window position was saved")
    finally:
        lab.close()


def start_in_tray_scenario(args):
    lab = Lab(args, "start-in-tray", start_in_tray=True)
    try:
        main = lab.start_monitor()
        lab.wait("starting in the tray leaves only the icon", lambda: not lab.state(main)["visible"])
        check(lab.driver("taskbar", 3000)["shown"], "the icon is there")
    finally:
        lab.close()


def classic_scenario(args):
    lab = Lab(args, "classic", depth=8)
    try:
        main = lab.start_monitor()
        lab.driver("syscommand", main, SC_MINIMIZE)
        lab.wait("minimising hides the window (palette display)", lambda: not lab.state(main)["visible"])
        _, menu = open_menu(lab)
        ox, oy = window_origin(lab)
        left, top, right, bottom = menu["rect"]
        for dx in (0, 1):  # "&Homepage..." (classic rows: 19, separators 9)
            time.sleep(0.4)
            lab.driver("mouse", (left + right) // 2 + dx, top + 3 + 5 * 19 + 9 + 9, "move")
        time.sleep(0.5)
        lab.screenshot("tray_menu_classic.png",
                       f"{right - left + 40}x{bottom - top + 40}+{ox + left - 20}+{oy + top - 20}")
    finally:
        lab.close()


def no_tray_scenario(args):
    for start_in_tray in (False, True):
        lab = Lab(args, "no-tray", tray=False, start_in_tray=start_in_tray)
        try:
            main = lab.start_monitor()
            if start_in_tray:
                time.sleep(1.0)
                check(lab.state(main)["visible"], "without a notification area start-in-tray shows the window")
                continue
            lab.driver("syscommand", main, SC_MINIMIZE)
            lab.wait("without a notification area minimising minimises", lambda: lab.state(main)["iconic"])
            time.sleep(1.0)  # past the hide timer
            check(lab.state(main)["visible"], "the minimised window stays reachable")
            lab.driver("syscommand", main, SC_RESTORE)
            lab.wait("and comes back", lambda: not lab.state(main)["iconic"])
        finally:
            lab.close()


def main():
    ap = argparse.ArgumentParser()
    for name in ("--monitor", "--driver", "--prefix", "--scripts", "--scratch", "--artifacts"):
        ap.add_argument(name, required=True)
    ap.add_argument("--only", default="")
    args = ap.parse_args()
    for name in ("monitor", "driver", "prefix", "scripts", "scratch", "artifacts"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    for tool in ("Xvfb", "openbox", "import"):
        if shutil.which(tool) is None:
            print(f"skipped: {tool} is not installed")
            return 77
    subprocess.run([os.path.join(args.scripts, "wine-prefix.sh"), args.prefix], check=True)
    os.makedirs(args.artifacts, exist_ok=True)
    scenarios = [tray_scenario, start_in_tray_scenario, classic_scenario, no_tray_scenario]
    for scenario in scenarios:
        if args.only and args.only != scenario.__name__:
            continue
        print("--", scenario.__name__, flush=True)
        scenario(args)
    print("artifacts:", args.artifacts)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
