# TraldenMeter.exe "debug" in a private namespace: pruning at start, exact counting of the veth's
# traffic, answers through the real named objects, bad neighbours, Ctrl+C with the final save,
# continuity across a restart, a second instance that ends at once, and the pair made IPv6-only.
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_lab import (IP6_SERVICE, IP_SERVICE, Checks, Client, Lab, copy_service, day_file_bytes, day_file_name,
                      decode_day_file, mac_key, not_placed, saves_during, service_test_args, slot_file_name)

DAY = 86400


def only_record(checks, what, snap):
    groups = snap["groups"] if snap else []
    if not checks.eq(what + ": one adapter with one connection", [len(g) for g in groups], [1]):
        return None
    return groups[0][0]


def expect_totals(checks, what, snap, rx, tx):
    r = only_record(checks, what, snap)
    if r:
        checks.eq(what + ": received bytes as the kernel counted them", r["rxTotal"], rx)
        checks.eq(what + ": sent bytes as the kernel counted them", r["txTotal"], tx)
    return r


def main():
    args = service_test_args()
    checks = Checks()

    with Lab(args.prefix, args.scripts, args.scratch) as lab:
        client = Client(lab, args.client)
        svc, exe = copy_service(lab, args.exe)
        key = mac_key(lab.mac)

        # ---- keepdays pruning at start ----
        now = time.time()
        old = [day_file_name(now - n * DAY) for n in (3, 2, 1)]
        stray = ["19991231.bin", "abc.bin", "20100101.tmp", "keep.tmp"]
        for name in old + stray:
            with open(os.path.join(svc, name), "wb") as f:
                f.write(b"\1\0\0\0")
        with open(os.path.join(svc, "TraldenMeter.ini"), "w") as f:
            f.write("[OPTIONS]\r\nkeepdays=2\r\n")

        # A program holds the block's names open before the service starts: the service must count
        # and answer all the same.
        squatter = lab.popen(args.client, "squat", "8000")
        squatter.stdout.readline()  # "holding"
        k0 = lab.quiet_counters()
        first = lab.start_on_terminal(exe, "debug")
        snap = client.wait_for_snapshot()
        checks.true("debug answers through the named objects, though another program held them first",
                    snap is not None and squatter.poll() is None)
        checks.eq("nothing counted before any traffic", snap and snap["groups"], [])
        left = sorted(n for n in os.listdir(svc) if n != "TraldenMeter.exe" and n != "TraldenMeter.ini")
        checks.eq("keepdays=2 keeps two earlier days and names above the cutoff; temporaries go",
                  left, sorted([old[1], old[2], "abc.bin", "keep.tmp"]))

        # ---- a second instance ends at once ----
        t = time.time()
        r = lab.wine(exe, "debug", timeout=30)
        checks.eq("a second instance exits with 0", r.returncode, 0)
        checks.true("a second instance exits at once", time.time() - t < 5, f"{time.time() - t:.1f} s")

        # ---- exact counting ----
        lab.traffic(120, 1200)
        k1 = lab.quiet_counters()
        rec = expect_totals(checks, "after traffic", client.snapshot()[1], k1[0] - k0[0], k1[1] - k0[1])
        if rec:
            checks.eq("the adapter key is the veth's MAC text", rec["key"], key)
            checks.eq("the connection's address", rec["ip"], IP_SERVICE)
            checks.eq("groupSize, zero and link", (rec["groupSize"], rec["zero"], rec["link"]), (1, 0, 0))
            checks.true("the description is filled in", rec["description"] != "")

        # ---- bad neighbours ----
        squatter.wait(30)
        holder = lab.popen(args.client, "hold-mutex", "4000")
        holder.stdout.readline()  # "holding"
        lab.traffic(20, 500)
        rc, stale = client.snapshot()
        holder.wait(30)
        expect_totals(checks, "while a neighbour holds the mutex the previous snapshot stays", stale,
                      k1[0] - k0[0], k1[1] - k0[1])
        k2 = lab.quiet_counters()
        expect_totals(checks, "after the mutex is free again", client.snapshot()[1], k2[0] - k0[0], k2[1] - k0[1])

        lab.wine(args.client, "hold-mutex", "200", "abandon")
        expect_totals(checks, "an abandoned mutex counts as acquired", client.snapshot()[1],
                      k2[0] - k0[0], k2[1] - k0[1])

        lab.wine(args.client, "scribble")
        expect_totals(checks, "garbage in the section is overwritten by the next answer", client.snapshot()[1],
                      k2[0] - k0[0], k2[1] - k0[1])

        # Saves follow the clock (every 41 timed passes), not the requests: a flood is answered but
        # forces no save of its own.
        today = os.path.join(svc, day_file_name())
        flooder = lab.popen(args.client, "flood", "3000")
        saves = saves_during(today, flooder)
        flood = json.loads(flooder.stdout.read().strip().splitlines()[-1])
        checks.true("a neighbour floods requests", flooder.returncode == 0 and flood["requests"] > 100, str(flood))
        checks.true("the flood forces no save: at most the clock's one", saves <= 1, f"{saves} saves")
        lab.traffic(30, 800)
        k3 = lab.quiet_counters()
        expect_totals(checks, "still counting after the flood", client.snapshot()[1], k3[0] - k0[0], k3[1] - k0[1])

        # ---- Ctrl+C saves before the process ends ----
        code = lab.ctrl_c(first)
        checks.eq("Ctrl+C ends debug with 0", code, 0)
        expected = day_file_bytes([(key, [(IP_SERVICE, "", "", k3[0] - k0[0], k3[1] - k0[1])])], 0)
        with open(today, "rb") as f:
            saved = f.read()
        checks.eq("the day file's bytes (running time aside)", saved[:-4], expected[:-4])
        groups, uptime1 = decode_day_file(saved)
        checks.true("the running time is saved", uptime1 is not None and 1000 <= uptime1 <= (time.time() - now + 5) * 1000,
                    str(uptime1))

        # ---- continuity across a restart ----
        k4 = lab.quiet_counters()
        second = lab.start_on_terminal(exe, "debug")
        expect_totals(checks, "after a restart the day's totals are reloaded", client.wait_for_snapshot(),
                      k3[0] - k0[0], k3[1] - k0[1])
        lab.traffic(50, 1000)
        k5 = lab.quiet_counters()
        rx, tx = k3[0] - k0[0] + k5[0] - k4[0], k3[1] - k0[1] + k5[1] - k4[1]
        expect_totals(checks, "after the restart counting goes on from the saved totals", client.snapshot()[1], rx, tx)
        checks.eq("Ctrl+C ends the second run with 0", lab.ctrl_c(second), 0)
        with open(today, "rb") as f:
            groups, uptime2 = decode_day_file(f.read())
        checks.eq("the day file holds the day's whole traffic", groups, [(key, [(IP_SERVICE, "", "", rx, tx)])])
        with open(today, "rb") as f, open(os.path.join(svc, slot_file_name()), "rb") as g:
            checks.eq("two clean stops: the slots add up to the day's totals, the restart's with them",
                      not_placed(f.read(), g.read()), {(key, IP_SERVICE, "", ""): (0, 0)})
        checks.true("the running time grows across the restart", uptime2 is not None and uptime2 > uptime1,
                    f"{uptime1} then {uptime2}")

        # ---- an IPv6-only network: counted under an empty IP text, exactly ----
        lab.make_ipv6_only()
        svc6 = os.path.join(lab.scratch, "svc6")
        os.makedirs(svc6)
        exe6 = os.path.join(svc6, "TraldenMeter.exe")
        with open(args.exe, "rb") as src, open(exe6, "wb") as dst:
            dst.write(src.read())
        k6 = lab.quiet_counters()
        third = lab.start_on_terminal(exe6, "debug")
        client.wait_for_snapshot()
        lab.traffic(80, 900, target=IP6_SERVICE)
        k7 = lab.quiet_counters()
        rec = expect_totals(checks, "IPv6 only", client.snapshot()[1], k7[0] - k6[0], k7[1] - k6[1])
        if rec:
            checks.eq("IPv6 only: the connection's IP text is empty", (rec["key"], rec["ip"]), (key, ""))
        checks.eq("Ctrl+C ends the IPv6-only run with 0", lab.ctrl_c(third), 0)
        with open(os.path.join(svc6, day_file_name()), "rb") as f:
            groups, _ = decode_day_file(f.read())
        checks.eq("IPv6 only: the day file holds the traffic under an empty IP",
                  groups, [(key, [("", "", "", k7[0] - k6[0], k7[1] - k6[1])])])

    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
