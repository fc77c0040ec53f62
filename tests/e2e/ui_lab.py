# The network lab of wine_lab with a display: an Xvfb screen and a window manager for the programs
# under test, the monitor and the service started from one directory, a driver program that works
# their windows from outside, the monitor's INI file and screenshots.
import argparse
import glob
import json
import os
import shutil
import signal
import subprocess
import threading
import time

from wine_lab import IP_SERVICE, WINE64, Lab, skip

MAIN_CLASS, MAIN_TITLE = "#32770", "TraldenView"
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
WM_USER = 0x0400


def ui_test_args():
    """The arguments of the window tests: the two programs, the client, the driver, the build's prefix,
    helper scripts, scratch and the folder that keeps screenshots."""
    ap = argparse.ArgumentParser()
    for name in ("--exe", "--monitor", "--client", "--driver", "--prefix", "--scripts", "--scratch",
                 "--artifacts"):
        ap.add_argument(name, required=True)
    return ap.parse_args()


def wine_desktop_origin(display):
    """Where the client area of the Wine desktop window starts on the X screen of `display`."""
    out = subprocess.run(["xwininfo", "-display", display, "-name", "Default - Wine desktop"], capture_output=True,
                         text=True, timeout=30).stdout
    x = y = 0
    for line in out.splitlines():
        if "Absolute upper-left X" in line:
            x = int(line.split(":")[1])
        if "Absolute upper-left Y" in line:
            y = int(line.split(":")[1])
    return x, y


class Driver:
    """The driver program kept running: one command line in, one JSON line out."""

    def __init__(self, lab, exe):
        self.proc = subprocess.Popen(["ip", "netns", "exec", lab.ns_service, WINE64, exe], env=lab.env, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     bufsize=1)

    def __call__(self, *words, timeout=60):
        line = " ".join('"%s"' % w if " " in str(w) else str(w) for w in words)
        # A hung driver must not hang the test: it is killed, and the read below ends.
        watchdog = threading.Timer(timeout, self.proc.kill)
        watchdog.start()
        try:
            self.proc.stdin.write(line + "\n")
            self.proc.stdin.flush()
            answer = self.proc.stdout.readline()
        finally:
            watchdog.cancel()
        if not answer:
            raise RuntimeError(f"the driver gave no answer to: {line}")
        return json.loads(answer)

    def close(self):
        if self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class UiLab(Lab):
    """wine_lab's namespace pair and private prefix, plus Xvfb and openbox, with Wine's server started
    on that display. The service and the monitor lie in one directory of the scratch (the monitor reads
    the day files beside its own executable, the service writes them beside its own)."""

    def __init__(self, args, desktop=None, dpi=None):
        """desktop: "WxH" runs every program in one Wine desktop window of that size with a task bar
        and a notification area; dpi: the resolution the programs see."""
        super().__init__(args.prefix, args.scripts, args.scratch)
        self.args = args
        self.desktop, self.dpi = desktop, dpi
        self.artifacts = os.path.abspath(args.artifacts)
        self.x_procs = []
        self.driver = None
        self.monitor_procs = []

    # ---- the display ----
    def before_wine(self):
        for tool in ("Xvfb", "openbox", "import", "xdotool"):
            if shutil.which(tool) is None:
                skip(f"{tool} is not installed (scripts/install-deps.sh)")
        # Xvfb picks a free display and writes its number to the pipe. It stays outside the namespaces:
        # clients inside reach it through the socket file, which namespaces do not separate.
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten",
                                 "tcp"], pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        self.x_procs.append(xvfb)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()
        if not number:
            skip("Xvfb did not start")
        self.display = ":" + number
        self.env["DISPLAY"] = self.display
        wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              start_new_session=True)
        self.x_procs.append(wm)
        time.sleep(0.5)
        # The pointer starts in the middle of the screen, where it would raise a control's tooltip.
        subprocess.run(["xdotool", "mousemove", "1023", "767"], env=self.env, timeout=10,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.makedirs(self.artifacts, exist_ok=True)
        print(f"display {self.display}; screenshots in {self.artifacts}")

    def configure_prefix(self):
        if self.desktop:
            self.reg_add(r"HKCU\Software\Wine\Explorer", "Desktop", "Default")
            self.reg_add(r"HKCU\Software\Wine\Explorer\Desktops", "Default", self.desktop)
        if self.dpi:
            self.set_dpi(self.dpi)

    def reg_add(self, key, name, data, kind="REG_SZ"):
        # Without pipes: the first program of the prefix starts Wine's helper processes, which would
        # inherit them and keep them open.
        subprocess.run(["ip", "netns", "exec", self.ns_service, WINE64, "reg", "add", key, "/v", name, "/t", kind,
                        "/d", str(data), "/f"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120, check=True)

    def set_dpi(self, dpi):
        """The resolution programs started from now on see (a running program keeps its own)."""
        self.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", dpi, "REG_DWORD")

    def desktop_origin(self):
        """Where the Wine desktop's screen (0, 0) lies on the X screen; (0, 0) without a desktop window."""
        return wine_desktop_origin(self.display) if self.desktop else (0, 0)

    def setup(self):
        super().setup()
        self.app_dir = os.path.join(self.scratch, "app")
        os.makedirs(self.app_dir, exist_ok=True)
        self.service_exe = os.path.join(self.app_dir, "TraldenMeter.exe")
        self.monitor_exe = os.path.join(self.app_dir, "TraldenView.exe")
        shutil.copy(self.args.exe, self.service_exe)
        shutil.copy(self.args.monitor, self.monitor_exe)
        # The copied prefix may hold a monitor INI file from a run by hand in the build's prefix.
        for ini in glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming",
                                          "TraldenView.ini")):
            os.remove(ini)
        self.driver = Driver(self, self.args.driver)
        return self

    def teardown(self):
        if self.driver:
            self.driver.close()
            self.driver = None
        super().teardown()  # ends every Wine process of the prefix
        for p in self.monitor_procs:
            p.wait()
        self.monitor_procs = []
        for p in reversed(self.x_procs):
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.x_procs = []

    def screenshot(self, name, rect=None):
        """The screen, or the part of it given as [left, top, right, bottom], as ARTIFACTS/name.png."""
        path = os.path.join(self.artifacts, name + ".png")
        cmd = ["import", "-display", self.display, "-window", "root"]
        if rect:
            left, top, right, bottom = (max(0, v) for v in rect)
            cmd += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
        subprocess.run(cmd + [path], check=True, timeout=30, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def pixels(self, rect):
        """The screen's pixels in [left, top, right, bottom]: {(x, y): (r, g, b)} in those coordinates."""
        left, top, right, bottom = (max(0, v) for v in rect)
        width, height = right - left, bottom - top
        raw = subprocess.run(["import", "-display", self.display, "-window", "root", "-crop",
                              f"{width}x{height}+{left}+{top}", "+repage", "-depth", "8", "rgb:-"],
                             check=True, timeout=30, capture_output=True).stdout
        return {(left + i % width, top + i // width): tuple(raw[3 * i:3 * i + 3]) for i in range(width * height)}

    # ---- the programs ----
    def start_monitor(self, *args):
        """Starts TraldenView.exe (with arguments, e.g. an installer word) without waiting for it."""
        p = subprocess.Popen(["ip", "netns", "exec", self.ns_service, WINE64, self.monitor_exe, *args], env=self.env,
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.monitor_procs.append(p)
        return p

    def start_main_window(self, checks, what="the main window opens"):
        """Starts the monitor and waits for its window: (process, window), the window 0 when it did not come."""
        proc = self.start_monitor()
        hwnd = self.wait_main_window()
        checks.true(what, hwnd != 0)
        return proc, hwnd

    def wait_main_window(self, timeout_ms=15000):
        """The main window once it is visible, or 0."""
        return self.driver("wait", MAIN_CLASS, MAIN_TITLE, timeout_ms)["hwnd"]

    def close_monitor(self, hwnd, timeout_ms=10000):
        """Ends the monitor with its close request (as "uninstallme" does) and waits for the window to go."""
        self.driver("post", hwnd, WM_USER + 3, 0, 0)
        return self.driver("gone", hwnd, timeout_ms)["gone"]

    def wait_monitor_exit(self, proc, timeout=15):
        try:
            return proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def prefix_pids(self, exe):
        """Linux process ids of the running programs of this prefix whose image is `exe`."""
        pids = []
        for d in glob.glob("/proc/[0-9]*"):
            try:
                with open(d + "/cmdline", "rb") as f:
                    cmd = f.read().split(b"\0")
                with open(d + "/environ", "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            if any(c.endswith(exe.encode()) for c in cmd[:2]) and \
                    ("WINEPREFIX=" + self.prefix).encode() in env:
                pids.append(int(d[6:]))
        return pids

    def monitor_pids(self):
        """Linux process ids of the running TraldenView.exe processes of this prefix."""
        return self.prefix_pids("TraldenView.exe")

    def signal_service(self, sig):
        """Sends a signal to the running TraldenMeter.exe of this prefix (SIGSTOP pauses it whole)."""
        for pid in self.prefix_pids("TraldenMeter.exe")[:1]:
            os.kill(pid, sig)
            return True
        return False

    def steady_traffic(self, target, interval=0.02, size=1000):
        """Echo requests from the peer to TARGET until the returned process is stopped."""
        return subprocess.Popen(["ip", "netns", "exec", self.ns_peer, "ping", "-q", "-i", str(interval), "-s",
                                 str(size), target], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def burst(self, count, size=1400, target=IP_SERVICE):
        """COUNT echo requests as fast as the replies come back."""
        subprocess.run(["ip", "netns", "exec", self.ns_peer, "ping", "-q", "-c", str(count), "-i", "0.001", "-s",
                        str(size), target], check=True, timeout=120, stdout=subprocess.DEVNULL)

    # ---- settings ----
    def ini_path(self):
        """The monitor's INI file in the Wine user's application-data folder."""
        users = glob.glob(os.path.join(self.prefix, "drive_c", "users", "*", "AppData", "Roaming"))
        users = [u for u in users if "/users/Public/" not in u]
        if not users:
            raise RuntimeError("no application-data folder in the prefix")
        return os.path.join(users[0], "TraldenView.ini")

    def update_ini(self, options, section="OPTIONS"):
        """Sets these keys of a section ("OPTIONS") in the monitor's INI file, keeping every other key
        and section."""
        sections = self.read_ini() or {}
        sections.setdefault(section, {}).update({k: str(v) for k, v in options.items()})
        text = "".join(f"[{name}]\r\n" + "".join(f"{k}={v}\r\n" for k, v in keys.items())
                       for name, keys in sections.items())
        with open(self.ini_path(), "w", newline="", encoding="latin-1") as f:
            f.write(text)

    def read_ini(self):
        """The monitor's INI file as {section: {key: value}} (keys lower-cased), or None without a file."""
        path = self.ini_path()
        if not os.path.exists(path):
            return None
        out, section = {}, None
        with open(path, encoding="latin-1") as f:
            for line in f:
                line = line.strip()
                if line.startswith("[") and line.endswith("]"):
                    section = out.setdefault(line[1:-1].upper(), {})
                elif "=" in line and section is not None:
                    k, v = line.split("=", 1)
                    section[k.strip().lower()] = v.strip()
        return out

    def run_value(self):
        """The data of the Run value "TraldenView", or None."""
        r = self.wine("reg", "query", RUN_KEY, "/v", "TraldenView")
        for line in r.stdout.splitlines():
            parts = line.split(None, 2)
            if len(parts) == 3 and parts[0] == "TraldenView":
                return parts[2].strip()
        return None

    def delete_run_value(self):
        self.wine("reg", "delete", RUN_KEY, "/v", "TraldenView", "/f")


def ok_expecting_message(d, checks, dialog, cid, message, title, what):
    """OK with a wrong field: a message box of that title owned by the dialog, with the message; once
    it is closed the dialog stays open and the field has the focus with its text selected."""
    d("click", dialog, 1)
    box = d("owned", dialog, title, 5000)["hwnd"]
    if not checks.true(f"{what}: a message box owned by the dialog", box != 0):
        return
    texts = [c["text"] for c in d("controls", box).get("controls", []) if c["class"] == "Static" and c["text"]]
    checks.eq(f"{what}: the message", texts, [message])
    d("click", box, 1)
    checks.true(f"{what}: the message box closes", d("gone", box, 5000)["gone"])
    checks.true(f"{what}: the dialog stays open", d("window", dialog).get("visible") is True)
    length = len(d("text", dialog, cid).get("text") or "")
    focus = eventually(lambda: d("focus", dialog), lambda f: f["id"] == cid, timeout=2)
    checks.eq(f"{what}: the field has the focus with its text selected", focus, {"id": cid, "selection": [0, length]})


def stop_process(proc):
    if proc and proc.poll() is None:
        proc.send_signal(signal.SIGKILL)
        proc.wait()


def eventually(probe, condition, timeout=6.0, interval=0.25):
    """Probes until the condition holds or the time is up; the last probe either way."""
    deadline = time.time() + timeout
    while True:
        value = probe()
        if condition(value) or time.time() > deadline:
            return value
        time.sleep(interval)
