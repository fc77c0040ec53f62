# The live speed read-outs under Wine on Xvfb, in a Wine desktop with a task bar and its notification
# area, with the real service in "debug" counting ping traffic in the namespace pair: "Speed in icon"
# and "Speed strip" on and off through the system menu, the tray menu and the strip's own menu, each
# remembered in the INI file across a restart; the icon's pixels with and without traffic and its
# tooltip's speeds; the strip's text against the main window's speed fields, its place by default,
# after a drag, after a restart and on a monitor that is gone, its menu's sum and opacity, a double
# click bringing the main window back, and no focus taken; the strip's size at 96, 120, 144 and 192
# DPI. Screenshots in ui-artifacts.
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ui_lab import UiLab, eventually, ui_test_args
from wine_lab import IP_SERVICE, Checks

IDM_SPEEDICON, IDM_SPEEDSTRIP = 0x0040, 0x0050
ID_STRIP_OPACITY_80 = 32792
SC_MINIMIZE = 0xF020
DOWNLOAD_SPEED, UPLOAD_SPEED, SPEED_UNIT = 1011, 1012, 1039
STRIP_CLASS = "TraldenSpeedStrip"
WS_EX_TOPMOST, WS_EX_TOOLWINDOW, WS_EX_NOACTIVATE, WS_EX_LAYERED = 0x8, 0x80, 0x08000000, 0x80000
DESKTOP = (1000, 700)
TILE = (45, 45, 48)  # the speed icon's background
DOWNLOAD, UPLOAD = (38, 110, 190), (230, 126, 34)  # the charts' colours, the bars' and the arrows'
# The tray menu in the XP look: rows of 22 pixels, separators of 3, in a frame of 3.
TRAY_ROWS = ["TraldenView", "Data plans", "Speed graph", "Speed in icon", "Speed strip", "-", "Homepage", "About",
             "-", "Exit"]
STRIP_ROWS = TRAY_ROWS + ["-", "Sum of all connections", "Opacity"]


def row_centre(menu, rows, name):
    left, top, right, _ = menu["rect"]
    heights = [3 if r == "-" else 22 for r in rows]
    i = rows.index(name)
    return (left + right) // 2, top + 3 + sum(heights[:i]) + heights[i] // 2


class Readouts:
    def __init__(self, lab, checks):
        self.lab, self.d, self.checks = lab, lab.driver, checks
        self.main = 0

    # ---- the programs ----
    def start(self, what):
        self.proc = self.lab.start_monitor()
        self.main = self.lab.wait_main_window()
        self.checks.true(f"{what}: the main window opens", self.main != 0)
        return self.main

    def close(self, what):
        self.checks.true(f"{what}: the close request ends the monitor", self.lab.close_monitor(self.main))
        self.lab.wait_monitor_exit(self.proc)

    def options(self):
        return (self.lab.read_ini() or {}).get("OPTIONS", {})

    def option_is(self, key, value, what):
        got = eventually(lambda: self.options().get(key), lambda v: v == value, timeout=5)
        self.checks.eq(f"{what}: {key}={value} in the INI file", got, value)

    # ---- the notification area ----
    def icon_shown(self, timeout_ms=3000):
        return self.d("taskbar", timeout_ms)["shown"]

    def icon_pixels(self):
        """The colours around the notification area's one icon, as the X screen shows them."""
        bar = self.d("taskbar", 3000)
        x, y = bar["icon"]
        ox, oy = self.lab.desktop_origin()
        return set(self.lab.pixels([ox + x - 12, oy + y - 12, ox + x + 12, oy + y + 12]).values())

    def tray_menu(self):
        bar = self.d("taskbar", 3000)
        for _ in range(3):  # the icon may take a moment to take clicks after the bar appears
            self.d("mouse", *bar["icon"], "right")
            menu = self.d("popupmenu", 2000)
            if menu["open"]:
                return menu
        self.checks.true("the icon's right click opens the tray menu", False)
        return None

    def choose(self, menu, rows, name):
        x, y = row_centre(menu, rows, name)
        self.pointer("mousemove", *self.on_x(x, y), "sleep", "0.3", "click", "1")

    # ---- the pointer through the X server, as a user's: Wine's own input injection reaches the
    # window in front, not always the one under the pointer ----
    def on_x(self, x, y):
        ox, oy = self.lab.desktop_origin()
        return x + ox, y + oy

    def pointer(self, *words):
        subprocess.run(["xdotool", *(str(w) for w in words)], env=self.lab.env, timeout=30, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def drag(self, start, end):
        middle = ((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        self.pointer("mousemove", *self.on_x(*start), "sleep", "0.3", "mousedown", "1", "sleep", "0.2",
                     "mousemove", *self.on_x(*middle), "sleep", "0.2", "mousemove", *self.on_x(*end), "sleep", "0.3",
                     "mouseup", "1")

    # ---- the strip ----
    def strip(self, timeout_ms=5000):
        return self.d("wait", STRIP_CLASS, "-", timeout_ms)["hwnd"]

    def strip_rect(self, strip):
        return self.d("window", strip)["rect"]

    def strip_centre(self, strip):
        left, top, right, bottom = self.strip_rect(strip)
        return (left + right) // 2, (top + bottom) // 2

    def strip_menu(self, strip):
        self.pointer("mousemove", *self.on_x(*self.strip_centre(strip)), "sleep", "0.2", "click", "3")
        return self.d("popupmenu", 3000)

    def expected_strip_text(self):
        """What the strip must say for the main window's speed fields: (fields before, text, fields after)."""
        def fields():
            return tuple(self.d("text", self.main, cid).get("text") for cid in (DOWNLOAD_SPEED, UPLOAD_SPEED, SPEED_UNIT))
        return fields

    def strip_follows(self, strip, what, nonzero=True):
        """The strip's text equals the main window's speed fields read just before and after it."""
        fields = self.expected_strip_text()
        last = None
        deadline = time.time() + 12
        while time.time() < deadline:
            before = fields()
            text = self.d("text", strip, 0).get("text")
            after = fields()
            down, up, unit = before
            want = f"Download {down} {unit}, upload {up} {unit}"
            last = (text, want)
            if before == after and text == want and (not nonzero or float(down or 0) > 0):
                break
            time.sleep(0.3)
        self.checks.eq(f"{what}: the strip's text follows the main window's speed fields", last[0], last[1])


def icon_part(r, checks):
    lab, d = r.lab, r.d
    checks.true("the read-outs are off at first: no icon while the window is on show", not r.icon_shown(1000))
    d("syscommand", r.main, IDM_SPEEDICON)
    r.option_is("speedicon", "YES", "\"Speed in icon\" from the system menu")
    checks.true("the speed icon stays in the notification area while the window is on show", r.icon_shown())
    pixels = eventually(r.icon_pixels, lambda p: TILE in p)
    checks.true("the icon is the drawn one: its dark tile, no download bar without traffic",
                TILE in pixels and DOWNLOAD not in pixels, str(sorted(pixels)[:8]))
    pinger = lab.steady_traffic(IP_SERVICE)
    try:
        pixels = eventually(r.icon_pixels, lambda p: DOWNLOAD in p and UPLOAD in p, timeout=10)
        checks.true("with ping traffic the icon's pixels change: both bars rise", DOWNLOAD in pixels and UPLOAD in pixels)
        x, y = d("taskbar", 3000)["icon"]
        ox, oy = lab.desktop_origin()
        print("screenshot:", lab.screenshot("speed_icon", [ox + x - 60, oy + y - 14, ox + x + 14, oy + y + 14]))
        for dx in (0, 1, 0):  # the shell's tooltip comes when the pointer rests on the icon
            r.pointer("mousemove", *r.on_x(x + dx, y))
            time.sleep(0.3)
        tips = d("tips", 6000, "Download")["tips"]
        tip = next((t["text"] for t in tips if "Download" in t["text"]), "")
        checks.true("the icon's tooltip keeps its title and adds both speeds in the user's unit",
                    tip.startswith("TraldenView") and " KB/s, upload " in tip, str(tips))
        d("mouse", 500, 300, "move")
    finally:
        pinger.terminate()
        pinger.wait()


def strip_part(r, checks):
    lab, d = r.lab, r.d
    foreground = d("foreground")["hwnd"]
    menu = r.tray_menu()
    if menu:
        r.choose(menu, TRAY_ROWS, "Speed strip")
    strip = r.strip()
    if not checks.true("\"Speed strip\" on the tray menu opens the strip", strip != 0):
        return 0
    r.option_is("speedstrip", "YES", "the strip from the tray menu")
    info = d("window", strip)
    want = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE
    checks.eq("the strip stays on top, is a tool window and is never activated", info["exStyle"] & want, want)
    checks.true("it is owned by a window that is never shown (no task bar button)",
                info["owner"] != 0 and d("window", info["owner"]).get("visible") is False, str(info))
    left, top, right, bottom = info["rect"]
    bar = d("taskbar", 3000)["rect"]
    checks.true("without a stored place it opens in the bottom right corner of the screen, above the task bar",
                DESKTOP[0] - 40 < right <= DESKTOP[0] and bar[1] - 40 < bottom <= bar[1], f"{info['rect']} {bar}")

    pinger = lab.steady_traffic(IP_SERVICE)
    try:
        r.strip_follows(strip, "with ping traffic")
        checks.eq("its updates take no focus", d("foreground")["hwnd"], foreground)
        # Dragged from its middle to the top of the screen, where no window lies.
        cx, cy = (left + right) // 2, (top + bottom) // 2
        r.drag((cx, cy), (400, 100))
        moved = eventually(lambda: r.strip_rect(strip), lambda rect: rect[0] != left)
        checks.eq("a drag moves the strip with the pointer", (moved[0] - left, moved[1] - top), (400 - cx, 100 - cy))
        layout = eventually(lambda: (lab.read_ini() or {}).get("LAYOUT", {}).get("strip"), lambda v: v is not None)
        checks.eq("and stores its place", layout,
                  f"{moved[0]},{moved[1]},{moved[2] - moved[0]},{moved[3] - moved[1]}")
        checks.true("a click and a drag take no focus either", d("foreground")["hwnd"] != strip)
        r.strip_follows(strip, "after the drag")
        print("screenshot:", lab.screenshot("speed_strip_96", [v + o for v, o in zip(moved, lab.desktop_origin() * 2)]))
        ox, oy = lab.desktop_origin()
        print("screenshot:", lab.screenshot("speed_readouts", [ox, oy, ox + DESKTOP[0], oy + DESKTOP[1]]))

        # ---- its menu: the tray menu with "Speed strip" checked, the sum and the opacity ----
        menu = r.strip_menu(strip)
        if checks.true("a right click on the strip opens its menu", menu["open"]):
            height = menu["rect"][3] - menu["rect"][1]
            checks.eq("the menu holds the tray menu's items, a separator, the sum and the opacity", height,
                      3 + 3 + sum(3 if row == "-" else 22 for row in STRIP_ROWS))
            mx, my = row_centre(menu, STRIP_ROWS, "Opacity")
            r.pointer("mousemove", *r.on_x(mx, my), "sleep", "0.8", "mousemove", *r.on_x(mx + 1, my), "sleep", "0.5")
            print("screenshot:", lab.screenshot("speed_strip_menu", [menu["rect"][0] + ox - 10, menu["rect"][1] + oy - 10,
                                                                       menu["rect"][2] + ox + 140, menu["rect"][3] + oy + 10]))
            r.choose(menu, STRIP_ROWS, "Sum of all connections")
            r.option_is("stripsum", "YES", "\"Sum of all connections\" from the strip's menu")
            r.strip_follows(strip, "the sum of the one connection")
        d("command", strip, ID_STRIP_OPACITY_80)
        r.option_is("stripopacity", "80", "the opacity's 80%")
        checks.true("the strip is see-through then", (d("window", strip)["exStyle"] & WS_EX_LAYERED) != 0)
    finally:
        pinger.terminate()
        pinger.wait()

    # ---- a double click brings the main window back ----
    d("syscommand", r.main, SC_MINIMIZE)
    eventually(lambda: d("window", r.main)["iconic"], lambda v: v is True)
    r.pointer("mousemove", *r.on_x(*r.strip_centre(strip)), "sleep", "0.2", "click", "--repeat", "2", "--delay", "80",
              "1")
    back = eventually(lambda: d("window", r.main), lambda w: w["visible"] and not w["iconic"])
    checks.true("a double click on the strip brings the main window back", back["visible"] and not back["iconic"])
    return strip


def after_restart(r, checks, place):
    lab, d = r.lab, r.d
    r.start("restarted")
    strip = r.strip()
    checks.true("after a restart the strip is open again", strip != 0)
    if strip:
        checks.eq("at the place it was dragged to", r.strip_rect(strip), place)
    checks.true("and the speed icon is there beside the window on show", r.icon_shown())
    checks.true("the icon drawn again", TILE in eventually(r.icon_pixels, lambda p: TILE in p))

    menu = r.tray_menu()
    if menu:
        r.choose(menu, TRAY_ROWS, "Speed in icon")
    r.option_is("speedicon", "NO", "\"Speed in icon\" off from the tray menu")
    checks.true("the icon goes with the window on show, as before", eventually(lambda: not r.icon_shown(0), bool))

    d("syscommand", r.main, IDM_SPEEDSTRIP)
    checks.true("\"Speed strip\" off from the system menu closes the strip", d("gone", strip, 5000)["gone"])
    r.option_is("speedstrip", "NO", "the strip closed from the system menu")
    d("syscommand", r.main, IDM_SPEEDSTRIP)
    strip = r.strip()
    checks.true("and on again opens it where it was", strip != 0 and r.strip_rect(strip) == place)
    menu = r.strip_menu(strip)
    if checks.true("its own menu opens", menu["open"]):
        r.choose(menu, STRIP_ROWS, "Speed strip")
        checks.true("\"Speed strip\" on the strip's menu closes it", d("gone", strip, 5000)["gone"])
        r.option_is("speedstrip", "NO", "the strip closed from its own menu")
    r.close("after the items went off")


def dpi_part(r, checks):
    """The strip at each resolution, stored far right on a monitor that is no longer there."""
    lab, d = r.lab, r.d
    sizes = {}
    pinger = lab.steady_traffic(IP_SERVICE)
    try:
        for dpi in (96, 120, 144, 192):
            lab.set_dpi(dpi)
            lab.update_ini({"speedstrip": "YES", "speedicon": "YES", "stripopacity": "100"})
            lab.update_ini({"strip": "2500,300,200,20"}, section="LAYOUT")
            r.start(f"at {dpi} DPI")
            # Out of the strip's way: in a Wine desktop the strip is drawn below every other window.
            d("syscommand", r.main, SC_MINIMIZE)
            strip = r.strip()
            if not checks.true(f"at {dpi} DPI the strip opens", strip != 0):
                continue
            r.strip_follows(strip, f"at {dpi} DPI")
            rect = r.strip_rect(strip)
            sizes[dpi] = (rect[2] - rect[0], rect[3] - rect[1])
            checks.true(f"at {dpi} DPI a place on a monitor that is gone comes back onto the screen, at its right edge",
                        rect[2] == DESKTOP[0] and 0 <= rect[1] and rect[3] <= DESKTOP[1], str(rect))
            ox, oy = lab.desktop_origin()
            shot = [rect[0] + ox, rect[1] + oy, rect[2] + ox, rect[3] + oy]
            pixels = lab.pixels(shot)
            dark = [p for p, c in pixels.items() if max(c) < 80]
            inner = (shot[0] + 2, shot[1] + 1, shot[2] - 2, shot[3] - 1)
            checks.true(f"at {dpi} DPI both arrows and the figures are drawn inside the strip's frame",
                        DOWNLOAD in pixels.values() and UPLOAD in pixels.values() and dark and
                        all(inner[0] <= x < inner[2] and inner[1] <= y < inner[3] for x, y in dark))
            if dpi in (120, 192):
                print("screenshot:", lab.screenshot(f"speed_strip_{dpi}", shot))
            r.close(f"at {dpi} DPI")
    finally:
        pinger.terminate()
        pinger.wait()
        lab.set_dpi(96)
    if len(sizes) == 4:
        base_w, base_h = sizes[96]
        for dpi, (w, h) in sizes.items():
            checks.true(f"at {dpi} DPI the strip is {dpi}/96 as large as at 96 (within a tenth)",
                        abs(w - base_w * dpi / 96) <= base_w * dpi / 960 and
                        abs(h - base_h * dpi / 96) <= max(2, base_h * dpi / 960), f"{sizes}")


def main():
    args = ui_test_args()
    checks = Checks()
    with UiLab(args, desktop=f"{DESKTOP[0]}x{DESKTOP[1]}") as lab:
        lab.update_ini({"mintray": "NO"})
        service = lab.start_on_terminal(lab.service_exe, "debug")
        r = Readouts(lab, checks)
        started = time.time()
        if r.start("first start"):
            eventually(lambda: lab.driver("text", r.main, 1007).get("text"), lambda ip: ip == IP_SERVICE, timeout=20)
            icon_part(r, checks)
            strip = strip_part(r, checks)
            place = r.strip_rect(strip) if strip else None
            r.close("first run")
            options = r.options()
            checks.eq("the INI file keeps the read-outs", {k: options.get(k) for k in
                                                           ("speedicon", "speedstrip", "stripsum", "stripopacity")},
                      {"speedicon": "YES", "speedstrip": "YES", "stripsum": "YES", "stripopacity": "80"})
            if place:
                after_restart(r, checks, place)
            dpi_part(r, checks)
        checks.eq("Ctrl+C ends the service", lab.ctrl_c(service), 0)
        print(f"took {time.time() - started:.1f} s")
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
