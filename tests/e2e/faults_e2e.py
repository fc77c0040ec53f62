# Fault campaign against the real TraldenMeter.exe under Wine, in a private namespace pair with
# traffic flowing all the time: SIGKILL at random moments while saves happen, a full disk and a
# read-only folder, damaged day files at start, squatted guard and block names, a request flood, a
# clock that jumps years ahead and back (libfaketime), and the service control manager's view of a
# service installed in a folder with a blank in its name, restarted beside names other programs hold.
#
#   faults_e2e.py --exe ... --client ... --prefix ... --scripts ... --scratch ...
#                 [--kills N] [--longest-run S] [--flood-seconds S]
#                 [--only kills,disk,damaged,squat,flood,clock,scm] [--own-pair] [--seed N]
import argparse
import json
import os
import random
import signal
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_lab import (IP_SERVICE, Checks, Client, Lab, day_file_bytes, day_file_name, decode_day_file, mac_key,
                      not_placed, run, saves_during, slot_file_name)

SERVICE_RUNNING, SERVICE_STOPPED = 4, 1
SCENARIOS = ("kills", "disk", "damaged", "squat", "flood", "clock", "scm")
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


def parse_args():
    ap = argparse.ArgumentParser()
    for name in ("--exe", "--client", "--prefix", "--scripts", "--scratch"):
        ap.add_argument(name, required=True)
    ap.add_argument("--kills", type=int, default=5)
    ap.add_argument("--longest-run", type=float, default=8.0, help="seconds a run lasts at most before its kill")
    ap.add_argument("--flood-seconds", type=float, default=12.0, help="how long the request flood lasts")
    ap.add_argument("--only", default=",".join(SCENARIOS))
    ap.add_argument("--own-pair", action="store_true", help="namespaces tmF1/tmF2 with their own lock")
    ap.add_argument("--seed", type=int, default=None)
    return ap.parse_args()


class FaultLab(Lab):
    """The second pair, for runs long enough to keep the shared one from other tests."""
    ns_service, ns_peer = "tmF1", "tmF2"
    if_service, if_peer = "tmF1v0", "tmF2v0"
    lock_path = "/tmp/tmF-netns.lock"


class Poller:
    """rate_client polling the service every few ms; every answer kept with the time it came."""

    def __init__(self, lab, client, period_ms=100):
        self.proc = lab.popen(client, "poll", str(period_ms))
        self.lines = []  # (time, total received bytes or None when unreachable)
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            now = time.time()
            try:
                data = json.loads(line)
            except ValueError:
                continue
            total = None
            if "groups" in data:
                total = sum(r["rxTotal"] for g in data["groups"] for r in g)
            with self.lock:
                self.lines.append((now, total))

    def answers_since(self, t):
        with self.lock:
            return [(w, v) for w, v in self.lines if w >= t and v is not None]

    def last_answer(self):
        with self.lock:
            ok = [(w, v) for w, v in self.lines if v is not None]
        return ok[-1] if ok else None

    def last_answer_before(self, t):
        with self.lock:
            ok = [(w, v) for w, v in self.lines if v is not None and w <= t]
        return ok[-1] if ok else None

    def wait_answer_since(self, t, timeout=25):
        deadline = time.time() + timeout
        while time.time() < deadline:
            got = self.answers_since(t)
            if got:
                return got[0]
            time.sleep(0.05)
        return None

    def wait_counted_since(self, t, timeout=10):
        """Waits for an answer after `t` with traffic counted: a day without any is not saved, so a
        stop that should leave a day file waits for this first."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if any(v for _, v in self.answers_since(t)):
                return True
            time.sleep(0.1)
        return False

    def wait_unreachable_since(self, t, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with self.lock:
                if any(w >= t and v is None for w, v in self.lines):
                    return True
            time.sleep(0.05)
        return False

    def stop(self):
        self.proc.kill()
        self.proc.wait()


class Traffic:
    """Echo requests from the peer to the service side for as long as it runs (about 50 a second)."""

    def __init__(self, lab):
        self.proc = subprocess.Popen(["ip", "netns", "exec", lab.ns_peer, "ping", "-q", "-i", "0.02", "-s", "1000",
                                      IP_SERVICE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def service_copy(lab, exe, name):
    """The service executable in a folder of its own; its day files go there."""
    folder = os.path.join(lab.scratch, name)
    os.makedirs(folder)
    path = os.path.join(folder, "TraldenMeter.exe")
    with open(exe, "rb") as src, open(path, "wb") as dst:
        dst.write(src.read())
    return folder, path


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except FileNotFoundError:
        return None


def whole(data):
    """The file's entries [(key, [(ip, bssid, ssid, rx, tx)])] when it parses to its exact length
    (every group, every entry and the running time), else None. Texts may be any bytes."""
    import struct
    if data is None or len(data) < 8:
        return None
    (count,) = struct.unpack_from("<I", data, 0)
    pos, groups = 4, []
    for _ in range(count):
        if len(data) - pos < 30:
            return None
        (n,) = struct.unpack_from("<I", data, pos + 26)
        key = data[pos:pos + 26].split(b"\0", 1)[0].decode("latin-1")
        pos += 30
        if len(data) - pos < 91 * n:
            return None
        entries = []
        for _ in range(n):
            e = data[pos:pos + 91]
            rx, tx = struct.unpack_from("<QQ", e, 75)
            entries.append(tuple(f.split(b"\0", 1)[0].decode("latin-1") for f in (e[0:16], e[16:42], e[42:75]))
                           + (rx, tx))
            pos += 91
        groups.append((key, entries))
    return groups if len(data) - pos == 4 else None


def received(groups):
    return sum(e[3] for _, entries in groups for e in entries)


def temporaries(folder):
    return sorted(n for n in os.listdir(folder) if n.lower().endswith(".tmp"))


def start_debug(lab, exe, poller, checks, what):
    """Starts "debug" on a terminal and waits for its first answer; the pid, or None."""
    for _ in range(3):
        t = time.time()
        pid = lab.start_on_terminal(exe, "debug")
        if poller.wait_answer_since(t, timeout=25):
            return pid
        kill(lab, pid)  # it ended at once (the last one's objects not yet released) or hangs
    checks.true(what + ": debug answers after its start", False, "no answer")
    return None


def kill(lab, pid):
    try:
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
    except (ProcessLookupError, ChildProcessError):
        pass
    for p, fd in [c for c in lab.children if c[0] == pid]:
        os.close(fd)
    lab.children = [c for c in lab.children if c[0] != pid]


# ---- kills at random moments, and a moment after a Ctrl+C ----
def kills(lab, args, checks, rng):
    svc, exe = service_copy(lab, args.exe, "kills")
    today = os.path.join(svc, day_file_name())
    today_slots = os.path.join(svc, slot_file_name())
    traffic, poller = Traffic(lab), Poller(lab, args.client)
    k0, t0 = lab.counters(), time.time()
    survived, largest_loss, largest_passes, saves_seen = 0, 0, 0, set()
    unplaced_kills, unplaced_before = 0, (0, 0)
    run_start = time.time()
    pid = start_debug(lab, exe, poller, checks, "first start")
    for i in range(args.kills if pid else 0):
        time.sleep(rng.uniform(0.2, args.longest_run))
        before = whole(read(today)) if os.path.exists(today) else []
        last = poller.last_answer()
        kill_time = time.time()
        if i % 2 == 1:
            # Every second kill falls a moment after a Ctrl+C, into the stop's saves of the day
            # file and the slot file, or just before or after them.
            os.write(next(fd for p, fd in lab.children if p == pid), b"\x03")
            time.sleep(rng.uniform(0, 0.15))
        kill(lab, pid)
        data = read(today)
        groups = whole(data) if data is not None else []
        what = f"kill {i + 1}"
        if not checks.true(what + ": the day file parses to its exact length", groups is not None,
                           f"{len(data)} bytes" if data else "no file"):
            break
        checks.true(what + ": no total below the last save before the kill",
                    before is None or received(groups) >= received(before),
                    f"{received(before or [])} then {received(groups)}")
        if data is not None:
            # The slot file is written after the day file: whenever the kill came, it is whole and
            # no connection's slots add up to more than its day total.
            try:
                unplaced = not_placed(data, read(today_slots))
            except ValueError as e:
                unplaced = {"damaged slot file": str(e)}
            whole_and_within = all(isinstance(v, tuple) and min(v) >= 0 for v in unplaced.values())
            checks.true(what + ": the slot file is whole and its slots stay within the day's totals",
                        whole_and_within, str(unplaced))
            # Bytes stay unplaced for the rest of the day: a kill between the two writes adds to them.
            now_unplaced = tuple(sum(v[i] for v in unplaced.values()) for i in (0, 1)) if whole_and_within else (0, 0)
            if now_unplaced > unplaced_before:
                unplaced_kills += 1
                print(f"{what} fell between the two writes: {now_unplaced[0] - unplaced_before[0]} bytes received "
                      f"and {now_unplaced[1] - unplaced_before[1]} sent are not placed in time")
                unplaced_before = now_unplaced
        if data is not None:
            save_time = os.path.getmtime(today)
            saves_seen.add(save_time)
            counted_before_save = poller.last_answer_before(save_time)
            since_save = last[1] - (counted_before_save[1] if counted_before_save else 0)
            loss = max(0, last[1] - received(groups))
            checks.true(what + ": the loss is at most the traffic since that save", loss <= since_save,
                        f"lost {loss}, {since_save} since the save")
            # Passes counted since the save (or since this run's start, if it has not saved yet):
            # every answered request is one, and with ten requests a second no timed pass is due.
            passes = len([a for a in poller.answers_since(max(save_time, run_start)) if a[0] <= kill_time])
            largest_loss = max(largest_loss, loss)
            if loss > 0:
                largest_passes = max(largest_passes, passes)
        poller.wait_unreachable_since(kill_time)
        run_start = time.time()
        pid = start_debug(lab, exe, poller, checks, what)
        if pid is None:
            break
        first = poller.answers_since(kill_time)[0][1]
        checks.true(what + ": the restart continues from the file", first >= received(groups),
                    f"{first} after {received(groups)} saved")
        checks.eq(what + ": no temporaries once running again", temporaries(svc), [])
        survived += 1
    if pid:
        poller.wait_counted_since(run_start)
        lab.ctrl_c(pid)
    traffic.stop()
    poller.stop()
    elapsed, k1 = time.time() - t0, lab.counters()
    per_second = (k1[0] - k0[0]) / elapsed
    checks.true("the day file is whole at the end", whole(read(today)) is not None)
    print(f"FIGURES kills={args.kills} survived={survived} saves_between_kills={len(saves_seen)} "
          f"largest_loss_bytes={largest_loss} ({largest_loss / per_second:.1f} s of the traffic) "
          f"largest_loss_passes={largest_passes} kills_between_the_two_writes={unplaced_kills}")


# ---- full disk and read-only folder ----
def disk(lab, args, checks, folder):
    """`folder` is a small filesystem of its own, mounted before the lab's server started. Saves come
    every 41 timed passes, so the save moments here are the stops: each run is ended with Ctrl+C."""
    exe = os.path.join(folder, "TraldenMeter.exe")
    with open(args.exe, "rb") as src, open(exe, "wb") as dst:
        dst.write(src.read())
    today = os.path.join(folder, day_file_name())
    traffic, poller = Traffic(lab), Poller(lab, args.client)
    pid = start_debug(lab, exe, poller, checks, "small disk")
    try:
        if pid:
            poller.wait_counted_since(0)
            checks.eq("Ctrl+C ends the first run on the small disk with 0", lab.ctrl_c(pid), 0)
            pid = None
            checks.true("a first save on the small disk", whole(read(today)) is not None)
        for fault in ("full disk", "read-only folder") if whole(read(today)) is not None else ():
            pid = start_debug(lab, exe, poller, checks, fault)
            if not pid:
                break
            if fault == "full disk":
                run(["dd", "if=/dev/zero", "of=" + os.path.join(folder, "filler"), "bs=4096"], check=False)
            else:
                run(["chattr", "+i", folder])  # nothing can be created, renamed or deleted in it, by anyone
            good = read(today)
            counted_then = poller.last_answer()[1]
            time.sleep(3)
            checks.true(fault + ": the service keeps answering", bool(poller.answers_since(time.time() - 1)))
            checks.true(fault + ": and keeps counting", poller.last_answer()[1] > counted_then)
            checks.eq(fault + ": the stop says that the day could not be saved", lab.ctrl_c(pid), 1)
            pid = None
            checks.true(fault + ": the good day file stays in place", read(today) == good and whole(good) is not None)
            checks.eq(fault + ": no temporaries", temporaries(folder), [])
            if fault == "full disk":
                os.remove(os.path.join(folder, "filler"))
            else:
                run(["chattr", "-i", folder])
            pid = start_debug(lab, exe, poller, checks, fault + " gone")
            if not pid:
                break
            time.sleep(1.5)
            counted = poller.last_answer()[1]
            checks.eq(fault + ": once it is gone, the stop saves", lab.ctrl_c(pid), 0)
            pid = None
            groups = whole(read(today))
            checks.true(fault + ": from the good file on, with everything counted since",
                        groups is not None and received(groups) >= max(counted, received(whole(good))),
                        f"saved {received(groups) if groups else None}, counted {counted}")
        checks.eq("no temporaries at the end", temporaries(folder), [])
    finally:
        if pid:
            kill(lab, pid)
        traffic.stop()
        poller.stop()


# ---- damaged day files before a start ----
def damaged(lab, args, checks, rng):
    svc, exe = service_copy(lab, args.exe, "damaged")
    today = os.path.join(svc, day_file_name())
    key = mac_key(lab.mac)
    good = day_file_bytes([(key, [("10.9.9.9", "", "", 5555, 66), (IP_SERVICE, "", "", 7777, 88)])], 60000)
    cases = [(f"cut to {n} bytes", good[:n]) for n in (0, 3, 120, len(good) - 1)]
    cases.append(("random bytes", bytes(rng.randrange(256) for _ in range(300))))
    traffic, poller = Traffic(lab), Poller(lab, args.client)
    for what, content in cases:
        with open(today, "wb") as f:
            f.write(content)
        pid = start_debug(lab, exe, poller, checks, what)
        if not pid:
            continue
        t = time.time()
        time.sleep(1.5)
        checks.true(what + ": counts", poller.last_answer()[1] > poller.answers_since(t)[0][1] - 1 and
                    poller.last_answer()[1] > 0)
        checks.eq(what + ": Ctrl+C ends it with 0", lab.ctrl_c(pid), 0)
        checks.true(what + ": a whole day file replaces the damaged one", whole(read(today)) is not None)
    traffic.stop()
    poller.stop()


# ---- the guard name held by another program ----
def squat(lab, args, checks):
    svc, exe = service_copy(lab, args.exe, "squat")
    today = os.path.join(svc, day_file_name())
    poller = Poller(lab, args.client)
    squatter = lab.popen(args.client, "squat-guard", "20000", "foreign")
    line = squatter.stdout.readline().strip()
    if checks.eq("a program of another owner holds the guard's name", line, "holding"):
        traffic = Traffic(lab)
        pid = start_debug(lab, exe, poller, checks, "squatted guard")
        if pid:
            t = time.time()
            time.sleep(2)
            checks.true("debug counts although the guard's name is squatted",
                        poller.last_answer()[1] > poller.answers_since(t)[0][1])
            checks.eq("Ctrl+C still ends it with 0", lab.ctrl_c(pid), 0)
            checks.true("and it saved", whole(read(today)) is not None)
        traffic.stop()
    squatter.kill()
    squatter.wait()
    # Under Wine every program runs as one account: a guard held by our own account is another
    # instance of ours, and the start ends at once.
    holder = lab.popen(args.client, "squat-guard", "20000")
    holder.stdout.readline()
    t = time.time()
    r = lab.wine(exe, "debug", timeout=30)
    checks.eq("a guard held by this account: debug ends at once with 0", (r.returncode, time.time() - t < 5),
              (0, True))
    holder.kill()
    holder.wait()

    # Another account's program made the block's objects first: the service neither answers through
    # them nor writes into them, counts all the same, and answers once they are gone.
    blocker = lab.popen(args.client, "squat", "4000", "foreign")
    if checks.eq("a program of another owner holds the block's names", blocker.stdout.readline().strip(),
                 "holding"):
        traffic = Traffic(lab)
        pid = lab.start_on_terminal(exe, "debug")
        time.sleep(2)
        rc, _ = Client(lab, args.client).call("snapshot", "1000")
        checks.eq("no answer through the squatter's objects (3: none within 1 s)", rc, 3)
        blocker.wait(30)
        t = time.time()
        first = poller.wait_answer_since(t, timeout=10)
        checks.true("once they are gone the service answers, and it counted meanwhile",
                    first is not None and first[1] > 50000, str(first))
        checks.eq("Ctrl+C ends it with 0", lab.ctrl_c(pid), 0)
        groups = whole(read(today))
        checks.true("the day file holds what was counted", groups is not None and first is not None and
                    received(groups) >= first[1], f"{groups} against {first}")
        traffic.stop()
    poller.stop()


def terminal_output(lab, pid):
    """What a program started on a terminal has written to it so far."""
    import select
    fd = next(f for p, f in lab.children if p == pid)
    out = b""
    while select.select([fd], [], [], 0.3)[0]:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
    return out.decode("utf-8", "replace")


# ---- a program floods requests: answered, but the saves follow the clock ----
def flood(lab, args, checks):
    svc, exe = service_copy(lab, args.exe, "flood")
    today = os.path.join(svc, day_file_name())
    traffic, poller = Traffic(lab), Poller(lab, args.client, 200)
    pid = start_debug(lab, exe, poller, checks, "flood")
    if pid:
        t = time.time()
        flooder = lab.popen(args.client, "flood", str(int(args.flood_seconds * 1000)))
        saves = saves_during(today, flooder)
        requests = json.loads(flooder.stdout.read().strip().splitlines()[-1])["requests"]
        answered = len([a for a in poller.answers_since(t) if a[0] <= time.time()])
        # A timed save every 41 passes of about a second: the flood's seconds / 41, and one more
        # where the flood straddles a save moment.
        most = int(args.flood_seconds / 41) + 1
        checks.true(f"{args.flood_seconds:.0f} s of request flood: at most {most} saves", saves <= most,
                    f"{saves} saves for {requests} requests")
        checks.true("other clients are answered during the flood", answered > 0)
        print(f"FIGURES flood_seconds={args.flood_seconds:.0f} requests_set={requests} saves={saves} "
              f"poll_answers={answered}")
        checks.eq("Ctrl+C after the flood ends debug with 0", lab.ctrl_c(pid), 0)
    traffic.stop()
    poller.stop()


# ---- the clock jumps years ahead and comes back ----
def clock(lab, args, checks):
    if not os.path.exists(FAKETIME):
        print("skipped clock: libfaketime is not installed")
        return
    client = Client(lab, args.client)
    svc, exe = service_copy(lab, args.exe, "clock")
    key = mac_key(lab.mac)
    jump_days = 1830
    earlier = [day_file_name(time.time() - n * 86400) for n in (2, 1)]
    for name in earlier:
        with open(os.path.join(svc, name), "wb") as f:
            f.write(day_file_bytes([(key, [("10.9.9.9", "", "", 4242, 42)])], 1000))
    with open(os.path.join(svc, "TraldenMeter.ini"), "w") as f:
        f.write("[OPTIONS]\r\nkeepdays=3\r\n")
    offset = os.path.join(lab.scratch, "faketime.rc")

    def set_offset(text):
        with open(offset, "w") as f:
            f.write(text + "\n")

    def totals():
        snap = client.snapshot()[1]
        return [(r["ip"], r["rxTotal"], r["txTotal"]) for g in (snap or {"groups": []})["groups"] for r in g]

    def wait_totals(want, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            got = totals()
            if got == want:
                return got
            time.sleep(0.3)
        return totals()

    set_offset("+0")
    # Only the service's own clock jumps; its tick count and every other program keep the real time.
    # Wine writes what a program reports to the event log on its debug channel "eventlog".
    env = {"LD_PRELOAD": FAKETIME, "FAKETIME_TIMESTAMP_FILE": offset, "FAKETIME_NO_CACHE": "1",
           "DONT_FAKE_MONOTONIC": "1", "NO_FAKE_STAT": "1", "WINEDEBUG": "-all,warn+eventlog"}
    k0 = lab.quiet_counters()
    pid = lab.start_on_terminal(exe, "debug", env=env)
    if not checks.true("debug with a clock of its own answers", client.wait_for_snapshot() is not None):
        return
    lab.traffic(50, 800)
    k1 = lab.quiet_counters()
    before = (IP_SERVICE, k1[0] - k0[0], k1[1] - k0[1])
    checks.eq("counted before the jump", wait_totals([before]), [before])
    set_offset(f"+{jump_days}d")
    checks.eq("after the jump the day starts empty", wait_totals([]), [])
    lab.traffic(30, 700)
    k2 = lab.quiet_counters()
    ahead = (IP_SERVICE, k2[0] - k1[0], k2[1] - k1[1])
    checks.eq("counted on the day the clock jumped to", wait_totals([ahead]), [ahead])
    checks.eq("no day file was pruned by the jump", [os.path.exists(os.path.join(svc, n)) for n in earlier],
              [True, True])
    set_offset("+0")
    checks.eq("back on the right day, its totals are there again", wait_totals([before]), [before])
    lab.traffic(20, 600)
    k3 = lab.quiet_counters()
    day = (IP_SERVICE, k1[0] - k0[0] + k3[0] - k2[0], k1[1] - k0[1] + k3[1] - k2[1])
    checks.eq("counting goes on from them", wait_totals([day]), [day])
    log = terminal_output(lab, pid)
    checks.eq("two jumps within the hour make one entry in the Application log", log.count("The local date moved"), 1)
    checks.eq("Ctrl+C ends it with 0", lab.ctrl_c(pid), 0)
    with open(os.path.join(svc, day_file_name()), "rb") as f:
        checks.eq("today's file holds the day's traffic, none of the jump's", decode_day_file(f.read())[0],
                  [(key, [(IP_SERVICE, "", "", day[1], day[2])])])
    future = os.path.join(svc, day_file_name(time.time() + jump_days * 86400))
    with open(future, "rb") as f:
        checks.eq("the day the clock jumped to has its own file", decode_day_file(f.read())[0],
                  [(key, [(IP_SERVICE, "", "", ahead[1], ahead[2])])])
    checks.eq("and still no day file was pruned", [os.path.exists(os.path.join(svc, n)) for n in earlier],
              [True, True])


# ---- under the service control manager, from a folder with a blank in its name ----
def scm(lab, args, checks):
    svc, exe = service_copy(lab, args.exe, "program files")
    today = os.path.join(svc, day_file_name())
    client = Client(lab, args.client)
    lab.wine(exe, "installme")
    rc, config = client.call("svc-config")
    checks.eq("a path with a blank is registered quoted", config and config["path"],
              '"' + lab.windows_path(exe) + '"')
    checks.eq("the system is asked for this long between its pre-shutdown notice and the shutdown",
              config and config["preshutdownMs"], 15000)
    if not checks.true("the service starts from there", client.wait_for_state(SERVICE_RUNNING)):
        return
    rc, st = client.call("svc-status")
    # Wine offers pre-shutdown notices: stop 1, pause/continue 2, shutdown 4, pre-shutdown 0x100.
    # And the power notices (0x40), to save before a sleep and read the adapters again after it.
    checks.eq("the service asks for the shutdown, pre-shutdown and power notices", st and st["controlsAccepted"],
              0x147)
    # Only the system sends these notices: a program asking for them is refused, as it should be.
    for control in (5, 15):
        rc, answer = client.call("svc-control", str(control))
        checks.eq(f"control {control} cannot be sent by a program", answer, {"error": 87})
    client.wait_for_snapshot()
    lab.traffic(60, 900)
    lab.quiet_counters()
    counted = client.snapshot()[1]
    total = sum(r["rxTotal"] for g in counted["groups"] for r in g) if counted else None
    client.call("svc-control", "1")
    checks.true("STOPPED after the stop", client.wait_for_state(SERVICE_STOPPED))
    groups = whole(read(today))
    checks.true("the final save holds what was counted", groups is not None and received(groups) == total,
                f"{groups} against {total}")

    # Its guard and block objects held by programs across a restart do not make the restarted service
    # believe that another instance counts: the service control manager says this process is it.
    client.call("svc-start")
    client.wait_for_snapshot()
    holders = [lab.popen(args.client, op, "60000") for op in ("squat", "squat-guard")]
    checks.eq("programs hold its guard and block objects", [p.stdout.readline().strip() for p in holders],
              ["holding"] * 2)
    client.call("svc-control", "1")
    checks.true("STOPPED while they hold them", client.wait_for_state(SERVICE_STOPPED))
    client.call("svc-start")
    checks.true("the service restarted beside them runs and answers",
                client.wait_for_state(SERVICE_RUNNING) and client.wait_for_snapshot() is not None)
    for p in holders:
        p.kill()
        p.wait()
    lab.wine(exe, "uninstallme")


def main():
    args = parse_args()
    rng = random.Random(args.seed)
    only = set(args.only.split(","))
    checks = Checks()
    lab_class = FaultLab if args.own_pair else Lab
    # The small filesystem is mounted before the lab starts its Wine server: every program started
    # inside the namespace gets a copy of the mounts as they are then.
    small_disk = os.path.abspath(args.scratch) + "-disk"
    if "disk" in only:
        os.makedirs(small_disk, exist_ok=True)
        run(["mount", "-t", "tmpfs", "-o", f"size={os.path.getsize(args.exe) + 64 * 1024}", "tmpfs", small_disk])
    try:
        with lab_class(args.prefix, args.scripts, args.scratch) as lab:
            for scenario in SCENARIOS:  # the service control manager's comes last: it installs
                if scenario not in only:
                    continue
                print(f"---- {scenario}")
                if scenario == "kills":
                    kills(lab, args, checks, rng)
                elif scenario == "disk":
                    disk(lab, args, checks, small_disk)
                elif scenario == "damaged":
                    damaged(lab, args, checks, rng)
                elif scenario == "squat":
                    squat(lab, args, checks)
                elif scenario == "flood":
                    flood(lab, args, checks)
                elif scenario == "clock":
                    clock(lab, args, checks)
                else:
                    scm(lab, args, checks)
    finally:
        if "disk" in only:
            subprocess.run(["chattr", "-i", small_disk], stderr=subprocess.DEVNULL)
            subprocess.run(["umount", "-l", small_disk], stderr=subprocess.DEVNULL)
            os.rmdir(small_disk)
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
