# A private network namespace pair with its own Wine prefix and server, for end-to-end tests of the
# counting service. Traffic flows only between the two namespaces over a veth pair.
import argparse
import fcntl
import json
import os
import pty
import shutil
import signal
import struct
import subprocess
import sys
import time

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
SKIP = 77

NS_SERVICE, NS_PEER = "tmC1", "tmC2"
IF_SERVICE, IF_PEER = "tmC1v0", "tmC2v0"
IP_SERVICE, IP_PEER = "198.18.0.1", "198.18.0.2"
# Unique local addresses of the pair once it is made IPv6-only.
IP6_SERVICE, IP6_PEER = "fd00:18::1", "fd00:18::2"
# The namespaces are system-wide: runs from other build directories wait for this lock.
LOCK_PATH = "/tmp/tmC-netns.lock"


def service_test_args():
    """The arguments both service tests take: the executables, the build's prefix, helper scripts, scratch."""
    ap = argparse.ArgumentParser()
    for name in ("--exe", "--client", "--prefix", "--scripts", "--scratch"):
        ap.add_argument(name, required=True)
    return ap.parse_args()


def copy_service(lab, exe):
    """Copies the service executable into its own directory of the scratch; its day files go there."""
    svc = os.path.join(lab.scratch, "svc")
    os.makedirs(svc)
    path = os.path.join(svc, "TraldenMeter.exe")
    shutil.copy(exe, path)
    return svc, path


def skip(reason):
    print("skipped: " + reason)
    sys.exit(SKIP)


class Checks:
    """Collects failed expectations so that one run reports all of them."""

    def __init__(self):
        self.failures = []

    def eq(self, what, actual, expected):
        ok = actual == expected
        print(("ok   " if ok else "FAIL ") + what + ("" if ok else f": got {actual!r}, expected {expected!r}"))
        if not ok:
            self.failures.append(what)
        return ok

    def true(self, what, condition, detail=""):
        print(("ok   " if condition else "FAIL ") + what + ("" if condition else f": {detail}"))
        if not condition:
            self.failures.append(what)
        return condition

    def finish(self):
        if self.failures:
            print(f"{len(self.failures)} expectation(s) failed: " + "; ".join(self.failures))
            return 1
        print("all expectations met")
        return 0


def run(cmd, check=True, timeout=60, **kw):
    return subprocess.run(cmd, check=check, timeout=timeout, text=True, capture_output=True, **kw)


class Lab:
    # The namespace pair and its lock; a long run takes a pair of its own so that it keeps nobody's
    # tests waiting.
    ns_service, ns_peer = NS_SERVICE, NS_PEER
    if_service, if_peer = IF_SERVICE, IF_PEER
    lock_path = LOCK_PATH

    def __init__(self, build_prefix, scripts_dir, scratch):
        self.build_prefix = build_prefix
        self.scripts_dir = scripts_dir
        self.scratch = os.path.abspath(scratch)
        self.prefix = os.path.join(self.scratch, "wineprefix")
        self.children = []  # (pid, fd) of programs started on a pseudo-terminal
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")

    # ---- set-up and tear-down ----
    def __enter__(self):
        if os.geteuid() != 0:
            skip("network namespaces need root")
        self.lock = open(self.lock_path, "w")
        deadline = time.time() + 900
        while True:
            try:
                fcntl.flock(self.lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                break
            except BlockingIOError:
                if time.time() > deadline:
                    raise RuntimeError("another run keeps the namespaces " + self.ns_service + "/" + self.ns_peer)
                time.sleep(1)
        try:
            return self.setup()
        except BaseException:
            self.teardown()
            self.lock.close()
            raise

    def setup(self):
        if os.geteuid() != 0:
            skip("network namespaces need root")
        if shutil.which("ip") is None or run(["ip", "netns", "list"], check=False).returncode != 0:
            skip("'ip netns' is not available")
        self.teardown()  # leftovers of an interrupted run
        if run(["ip", "netns", "add", self.ns_service], check=False).returncode != 0:
            skip("cannot create network namespaces here")
        run(["ip", "netns", "add", self.ns_peer])
        for ns in (self.ns_service, self.ns_peer):
            # No IPv6: neither neighbour discovery nor router solicitations move the counters.
            run(["ip", "netns", "exec", ns, "sysctl", "-qw", "net.ipv6.conf.all.disable_ipv6=1",
                 "net.ipv6.conf.default.disable_ipv6=1"])
        run(["ip", "link", "add", self.if_service, "netns", self.ns_service, "type", "veth", "peer", "name", self.if_peer,
             "netns", self.ns_peer])
        run(["ip", "-n", self.ns_service, "addr", "add", IP_SERVICE + "/24", "dev", self.if_service])
        run(["ip", "-n", self.ns_peer, "addr", "add", IP_PEER + "/24", "dev", self.if_peer])
        for ns, dev in ((self.ns_service, self.if_service), (self.ns_peer, self.if_peer)):
            run(["ip", "-n", ns, "link", "set", dev, "up"])
            run(["ip", "-n", ns, "link", "set", "lo", "up"])
        self.mac = self.ns_cat(self.ns_service, f"/sys/class/net/{self.if_service}/address").strip()
        peer_mac = self.ns_cat(self.ns_peer, f"/sys/class/net/{self.if_peer}/address").strip()
        # Fixed neighbours: no address resolution of its own moves the counters.
        run(["ip", "-n", self.ns_service, "neigh", "replace", IP_PEER, "lladdr", peer_mac, "dev", self.if_service,
             "nud", "permanent"])
        run(["ip", "-n", self.ns_peer, "neigh", "replace", IP_SERVICE, "lladdr", self.mac, "dev", self.if_peer,
             "nud", "permanent"])

        self.before_wine()
        # Wine lists the interfaces of the namespace its server and device host start in: a copy of
        # the build's prefix gets a server of its own inside the service's namespace.
        run([os.path.join(self.scripts_dir, "wine-prefix.sh"), self.build_prefix], timeout=300)
        os.makedirs(self.scratch, exist_ok=True)
        run(["cp", "-a", self.build_prefix, self.prefix], timeout=120)
        # The server stays in the background: it must not hold any pipe of ours open.
        subprocess.run(["ip", "netns", "exec", self.ns_service, WINESERVER, "-p"], env=self.env, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)
        self.configure_prefix()
        subprocess.run(["ip", "netns", "exec", self.ns_service, WINE64, "cmd.exe", "/c", "exit"], env=self.env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120)
        return self

    def before_wine(self):
        """Runs once the namespaces exist and before Wine's server starts: labs that add a display start it here."""

    def configure_prefix(self):
        """Runs once the prefix's server is up, before any program of the prefix has run: settings a
        program reads at its start (the desktop, the resolution) go in here."""

    def __exit__(self, *exc):
        self.teardown()
        self.lock.close()
        return False

    def teardown(self):
        for pid, fd in self.children:
            try:
                os.kill(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
            except (ProcessLookupError, ChildProcessError):
                pass
            os.close(fd)
        self.children = []
        if os.path.isdir(self.prefix):
            subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([WINESERVER, "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=30)
        for ns in (self.ns_service, self.ns_peer):
            subprocess.run(["ip", "netns", "del", ns], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.scratch, ignore_errors=True)

    # ---- the namespace ----
    def ns_cat(self, ns, path):
        return run(["ip", "netns", "exec", ns, "cat", path]).stdout

    def counters(self):
        """The kernel's (received, sent) byte counters of the service side's veth."""
        base = f"/sys/class/net/{self.if_service}/statistics/"
        out = run(["ip", "netns", "exec", self.ns_service, "sh", "-c", f"cat {base}rx_bytes {base}tx_bytes"]).stdout
        rx, tx = out.split()
        return int(rx), int(tx)

    def quiet_counters(self):
        """The counters once they have stopped moving."""
        last = self.counters()
        for _ in range(40):
            time.sleep(0.3)
            now = self.counters()
            if now == last:
                return now
            last = now
        raise RuntimeError("the veth's counters do not settle")

    def traffic(self, count=100, size=1000, target=IP_SERVICE):
        """Echo requests from the peer to the service side (and their replies), IPv6 ones to an IPv6 target."""
        family = ["-6"] if ":" in target else []
        run(["ip", "netns", "exec", self.ns_peer, "ping", *family, "-q", "-c", str(count), "-i", "0.01", "-s",
             str(size), target])

    def make_ipv6_only(self):
        """Takes the pair's IPv4 addresses away and gives both sides IPv6 ones instead, with fixed
        neighbours and no address of their own making (no link-local address, no router
        solicitations, no duplicate address detection): only the echo traffic moves the counters."""
        for ns, dev, ip in ((self.ns_service, self.if_service, IP6_SERVICE), (self.ns_peer, self.if_peer, IP6_PEER)):
            run(["ip", "-n", ns, "addr", "flush", "dev", dev])
            run(["ip", "netns", "exec", ns, "sysctl", "-qw", f"net.ipv6.conf.{dev}.addr_gen_mode=1",
                 f"net.ipv6.conf.{dev}.accept_ra=0", f"net.ipv6.conf.{dev}.router_solicitations=0",
                 f"net.ipv6.conf.{dev}.dad_transmits=0", f"net.ipv6.conf.{dev}.mldv1_unsolicited_report_interval=10",
                 f"net.ipv6.conf.{dev}.mldv2_unsolicited_report_interval=10", f"net.ipv6.conf.{dev}.disable_ipv6=0"])
            run(["ip", "-n", ns, "addr", "add", ip + "/64", "dev", dev, "nodad"])
        peer_mac = self.ns_cat(self.ns_peer, f"/sys/class/net/{self.if_peer}/address").strip()
        run(["ip", "-n", self.ns_service, "-6", "neigh", "replace", IP6_PEER, "lladdr", peer_mac, "dev",
             self.if_service, "nud", "permanent"])
        run(["ip", "-n", self.ns_peer, "-6", "neigh", "replace", IP6_SERVICE, "lladdr", self.mac, "dev",
             self.if_peer, "nud", "permanent"])
        # Joining the addresses' multicast groups sends a few listener reports (10 ms apart now);
        # they are over long before the counters are read.
        time.sleep(1)

    def move_service_address(self, new_ip):
        """Gives the service side's veth another address, with a fixed neighbour entry for it."""
        run(["ip", "-n", self.ns_service, "addr", "flush", "dev", self.if_service])
        run(["ip", "-n", self.ns_service, "addr", "add", new_ip + "/24", "dev", self.if_service])
        peer_mac = self.ns_cat(self.ns_peer, f"/sys/class/net/{self.if_peer}/address").strip()
        run(["ip", "-n", self.ns_service, "neigh", "replace", IP_PEER, "lladdr", peer_mac, "dev", self.if_service,
             "nud", "permanent"])
        run(["ip", "-n", self.ns_peer, "neigh", "replace", new_ip, "lladdr", self.mac, "dev", self.if_peer,
             "nud", "permanent"])

    # ---- Wine ----
    def wine(self, *args, timeout=60):
        return subprocess.run(["ip", "netns", "exec", self.ns_service, WINE64, *args], env=self.env, text=True,
                              stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)

    def popen(self, *args):
        """Starts a Windows program in the background with its output on a pipe."""
        return subprocess.Popen(["ip", "netns", "exec", self.ns_service, WINE64, *args], env=self.env, text=True,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE)

    def windows_path(self, unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def unix_path(self, windows_path):
        drive, rest = windows_path[0].lower(), windows_path[2:].replace("\\", "/")
        if drive == "z":
            return rest
        return os.path.join(self.prefix, "drive_" + drive) + rest

    def start_on_terminal(self, *args, env=None):
        """Starts a Windows program on a pseudo-terminal, as if typed into a terminal; `env` adds to
        the lab's environment."""
        pid, fd = pty.fork()
        if pid == 0:
            os.execvpe("ip", ["ip", "netns", "exec", self.ns_service, WINE64, *args], dict(self.env, **(env or {})))
        self.children.append((pid, fd))
        return pid

    def ctrl_c(self, pid, timeout=15):
        """Types Ctrl+C on the program's terminal; its exit status, or None if it did not end."""
        fd = next(f for p, f in self.children if p == pid)
        os.write(fd, b"\x03")
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                done, status = os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                return None
            if done:
                self.children = [(p, f) for p, f in self.children if p != pid]
                os.close(fd)
                return os.waitstatus_to_exitcode(status)
            time.sleep(0.1)
        return None


class Client:
    """The test client: requests snapshots through the named objects and talks to the SCM."""

    def __init__(self, lab, exe):
        self.lab, self.exe = lab, exe

    def call(self, *args, timeout=60):
        r = self.lab.wine(self.exe, *args, timeout=timeout)
        text = r.stdout.strip().splitlines()
        data = json.loads(text[-1]) if text and text[-1].startswith("{") else None
        return r.returncode, data

    def snapshot(self):
        return self.call("snapshot")

    def wait_for_snapshot(self, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            rc, data = self.snapshot()
            if rc == 0:
                return data
            time.sleep(0.3)
        return None

    def status(self):
        rc, data = self.call("svc-status")
        return data["state"] if rc == 0 else None

    def wait_for_state(self, state, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if self.status() == state:
                return True
            time.sleep(0.2)
        return False


def saves_during(path, proc, poll_s=0.002):
    """Counts the replacements of a file (each save renames a new file over it) while `proc` runs."""
    def version():
        try:
            st = os.stat(path)
            return (st.st_ino, st.st_mtime_ns)
        except FileNotFoundError:
            return None
    last, saves = version(), 0
    while proc.poll() is None:
        now = version()
        if now is not None and now != last:
            saves += 1
        last = now
        time.sleep(poll_s)
    return saves


# ---- day files, decoded and encoded by hand ----
def day_file_name(t=None):
    lt = time.localtime(t)
    return "%04u%02u%02u.bin" % (lt.tm_year, lt.tm_mon, lt.tm_mday)


def field(text, width):
    raw = text.encode("ascii")
    assert len(raw) < width
    return raw + b"\0" * (width - len(raw))


def day_file_bytes(groups, uptime):
    """groups: [(adapterKey, [(ip, bssid, ssid, rx, tx), ...]), ...]"""
    out = struct.pack("<I", len(groups))
    for key, entries in groups:
        out += field(key, 26) + struct.pack("<I", len(entries))
        for ip, bssid, ssid, rx, tx in entries:
            out += field(ip, 16) + field(bssid, 26) + field(ssid, 33) + struct.pack("<QQ", rx, tx)
    return out + struct.pack("<I", uptime)


def decode_day_file(data):
    """(groups as in day_file_bytes, uptime or None); raises on a cut file."""
    def text(b):  # the code page's bytes one character each, ASCII as it is
        return b.split(b"\0", 1)[0].decode("latin-1")
    pos = 4
    (count,) = struct.unpack_from("<I", data, 0)
    groups = []
    for _ in range(count):
        key = text(data[pos:pos + 26])
        (n,) = struct.unpack_from("<I", data, pos + 26)
        pos += 30
        entries = []
        for _ in range(n):
            e = data[pos:pos + 91]
            if len(e) < 91:
                raise ValueError("entry cut short")
            rx, tx = struct.unpack_from("<QQ", e, 75)
            entries.append((text(e[0:16]), text(e[16:42]), text(e[42:75]), rx, tx))
            pos += 91
        groups.append((key, entries))
    uptime = struct.unpack_from("<I", data, pos)[0] if len(data) - pos == 4 else None
    return groups, uptime


def mac_key(mac):
    return mac.upper().replace(":", "-")


# ---- slot files, decoded and encoded by hand ----
SLOT_FILE_MARK = b"TMSL"


def slot_file_name(t=None):
    lt = time.localtime(t)
    return "%04u%02u%02u.slots" % (lt.tm_year, lt.tm_mon, lt.tm_mday)


def slot_file_bytes(connections):
    """connections: [(adapterKey, ip, bssid, ssid, [(slot, rx, tx), ...]), ...]"""
    out = SLOT_FILE_MARK + struct.pack("<HHI", 1, 5, len(connections))
    for key, ip, bssid, ssid, slots in connections:
        out += field(key, 26) + field(ip, 16) + field(bssid, 26) + field(ssid, 33) + struct.pack("<H", len(slots))
        for slot, rx, tx in slots:
            out += struct.pack("<HQQ", slot, rx, tx)
    return out


def decode_slot_file(data):
    """The connections as in slot_file_bytes; raises ValueError unless the file is whole: its mark,
    version 1 of 5-minute slots, every connection and slot promised in order, nothing after them."""
    def text(b):
        return b.split(b"\0", 1)[0].decode("ascii")
    if len(data) < 12 or data[:4] != SLOT_FILE_MARK or struct.unpack_from("<HH", data, 4) != (1, 5):
        raise ValueError("not a slot file of version 1")
    (count,) = struct.unpack_from("<I", data, 8)
    pos, connections = 12, []
    for _ in range(count):
        if len(data) - pos < 103:
            raise ValueError("connection cut short")
        head = data[pos:pos + 103]
        (n,) = struct.unpack_from("<H", head, 101)
        pos += 103
        if len(data) - pos < 18 * n:
            raise ValueError("slots cut short")
        slots = [struct.unpack_from("<HQQ", data, pos + 18 * i) for i in range(n)]
        pos += 18 * n
        if any(s[0] >= 288 for s in slots) or [s[0] for s in slots] != sorted({s[0] for s in slots}):
            raise ValueError("slots out of the day or out of order")
        connections.append((text(head[0:26]), text(head[26:42]), text(head[42:68]), text(head[68:101]), slots))
    if pos != len(data):
        raise ValueError("bytes after the last connection")
    return connections


def not_placed(day_data, slot_data):
    """Per connection (adapterKey, ip, bssid, ssid) of the day file: its day totals less its slot
    sums, received and sent, as a reader reports them (no slot file: the whole totals). A slot-file
    connection with no day entry shows as negative."""
    diff = {}
    for key, entries in decode_day_file(day_data)[0]:
        for ip, bssid, ssid, rx, tx in entries:
            old = diff.get((key, ip, bssid, ssid), (0, 0))
            diff[(key, ip, bssid, ssid)] = (old[0] + rx, old[1] + tx)
    for key, ip, bssid, ssid, slots in decode_slot_file(slot_data) if slot_data is not None else []:
        old = diff.get((key, ip, bssid, ssid), (0, 0))
        diff[(key, ip, bssid, ssid)] = (old[0] - sum(s[1] for s in slots), old[1] - sum(s[2] for s in slots))
    return diff
