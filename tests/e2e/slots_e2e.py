# The service's five-minute slots end to end, in "debug" with a clock of its own (libfaketime) in the
# namespace pair: echo traffic on both sides of a slot boundary lands in its own slot, exactly the
# kernel's counts taken in the quiet gap between; every connection's slots add up to its day total
# after a clean stop, and a restart goes on with the day's slots; keepdays pruning at the start takes
# the old slot files with their days and no other name.
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_lab import (IP_SERVICE, Checks, Client, Lab, copy_service, day_file_bytes, day_file_name, decode_slot_file,
                      mac_key, not_placed, service_test_args, skip, slot_file_bytes, slot_file_name)

FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
DAY = 86400
SLOT = 300


def local_seconds(t):
    lt = time.localtime(t)
    return lt.tm_hour * 3600 + lt.tm_min * 60 + lt.tm_sec


def main():
    args = service_test_args()
    if not os.path.exists(FAKETIME):
        skip("libfaketime is not installed")
    checks = Checks()
    with Lab(args.prefix, args.scripts, args.scratch) as lab:
        client = Client(lab, args.client)
        svc, exe = copy_service(lab, args.exe)
        key = mac_key(lab.mac)
        start = time.time()

        # ---- keepdays 3 at the start: the day five days ago goes with its slot file ----
        for days in (5, 2):
            t = start - days * DAY
            with open(os.path.join(svc, day_file_name(t)), "wb") as f:
                f.write(day_file_bytes([(key, [("10.9.9.9", "", "", 4242, 42)])], 1000))
            with open(os.path.join(svc, slot_file_name(t)), "wb") as f:
                f.write(slot_file_bytes([(key, "10.9.9.9", "", "", [(100, 4242, 42)])]))
        strays = ["notes.slots", "20260230.slots", "20090313.slots.unreadable", "20090313.slots.tmp.keep"]
        for name in strays + ["20200101.slots.tmp"]:  # the last one a slot file's interrupted save
            open(os.path.join(svc, name), "wb").close()
        folder = slot_file_name(start - 6 * DAY)  # a folder with a slot file's name
        os.makedirs(os.path.join(svc, folder))
        with open(os.path.join(svc, "TraldenMeter.ini"), "w") as f:
            f.write("[OPTIONS]\r\nkeepdays=3\r\n")

        # Only the service's wall clock is moved, by the offset in this file (read at every call);
        # its tick count and every other program keep the real time.
        offset_file = os.path.join(lab.scratch, "faketime.rc")
        offset = [0]

        def set_offset(seconds):
            offset[0] = seconds
            with open(offset_file, "w") as f:
                f.write("%+d\n" % seconds)

        env = {"LD_PRELOAD": FAKETIME, "FAKETIME_TIMESTAMP_FILE": offset_file, "FAKETIME_NO_CACHE": "1",
               "DONT_FAKE_MONOTONIC": "1", "NO_FAKE_STAT": "1"}
        set_offset(0)
        k0 = lab.quiet_counters()
        pid = lab.start_on_terminal(exe, "debug", env=env)
        if not checks.true("debug with a clock of its own answers", client.wait_for_snapshot() is not None):
            return checks.finish()
        left = sorted(n for n in os.listdir(svc) if n not in ("TraldenMeter.exe", "TraldenMeter.ini"))
        checks.eq("pruning takes the slot file with its day and leaves every other name", left,
                  sorted([day_file_name(start - 2 * DAY), slot_file_name(start - 2 * DAY), folder] + strays))

        def counted(want, timeout=20):
            """Waits until the service's snapshot shows the connection's totals `want` (rx, tx)."""
            deadline = time.time() + timeout
            got = None
            while time.time() < deadline:
                snap = client.snapshot()[1] or {}
                got = [(r["rxTotal"], r["txTotal"]) for g in snap.get("groups", []) for r in g]
                if got == [want]:
                    return True
                time.sleep(0.3)
            print(f"counted {got}, waiting for {want}")
            return False

        # ---- across a slot boundary ----
        # The service's clock is put ten seconds into a slot of today: the first traffic is counted
        # well within it. Then it is put three seconds before the next slot, and the boundary passes
        # while nothing moves; the second traffic is counted well within that next slot.
        now = time.time()
        slot = local_seconds(now) // SLOT + 1
        if slot + 2 >= DAY // SLOT:
            slot = 10  # late at night the slots after this one are too few: the same day's morning
        set_offset(slot * SLOT + 10 - local_seconds(now))
        lab.traffic(60, 900)
        k1 = lab.quiet_counters()
        first = (k1[0] - k0[0], k1[1] - k0[1])
        checks.true("the traffic before the boundary is counted", counted(first))
        now = time.time()
        set_offset(offset[0] + (slot + 1) * SLOT - 3 - local_seconds(now + offset[0]))
        while local_seconds(time.time() + offset[0]) < (slot + 1) * SLOT + 1:
            time.sleep(0.2)
        lab.traffic(40, 1100)
        k2 = lab.quiet_counters()
        second = (k2[0] - k1[0], k2[1] - k1[1])
        checks.true("the traffic after the boundary is counted", counted((k2[0] - k0[0], k2[1] - k0[1])))
        checks.eq("Ctrl+C ends debug with 0", lab.ctrl_c(pid), 0)

        today_day = os.path.join(svc, day_file_name(start))
        today_slots = os.path.join(svc, slot_file_name(start))
        connection = (key, IP_SERVICE, "", "")
        with open(today_day, "rb") as f:
            day_data = f.read()
        with open(today_slots, "rb") as f:
            slot_data = f.read()
        checks.eq("each side of the boundary in its own slot, as the kernel counted it", decode_slot_file(slot_data),
                  [connection + ([(slot, *first), (slot + 1, *second)],)])
        checks.eq("after a clean stop the slots add up to the day's totals", not_placed(day_data, slot_data),
                  {connection: (0, 0)})

        # ---- a restart goes on with the day's slots ----
        k3 = lab.quiet_counters()
        pid = lab.start_on_terminal(exe, "debug", env=env)
        checks.true("the restart answers with the day's totals", counted((k2[0] - k0[0], k2[1] - k0[1])))
        lab.traffic(30, 700)
        k4 = lab.quiet_counters()
        checks.true("and counts on", counted((k2[0] - k0[0] + k4[0] - k3[0], k2[1] - k0[1] + k4[1] - k3[1])))
        checks.eq("Ctrl+C ends the restart with 0", lab.ctrl_c(pid), 0)
        with open(today_day, "rb") as f:
            day_data = f.read()
        with open(today_slots, "rb") as f:
            slot_data = f.read()
        checks.eq("the restart's traffic joins the same slot",
                  decode_slot_file(slot_data),
                  [connection + ([(slot, *first), (slot + 1, second[0] + k4[0] - k3[0], second[1] + k4[1] - k3[1])],)])
        checks.eq("and the slots still add up to the day's totals", not_placed(day_data, slot_data),
                  {connection: (0, 0)})
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
