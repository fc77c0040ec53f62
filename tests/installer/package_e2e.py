#!/usr/bin/env python3
"""The installer package end to end under Wine: its tables read with msiinfo; a silent install into
a fresh copy of the build's Wine prefix (the service registered as "installme" registers it, running,
saving its day file, found by traldenreport through its registration, an event source of the
Application log, keeping the Prometheus textfile that PROMETHEUSFILE named); an upgrade with a newer
package, asked for REMOVEHISTORY=1 too, that keeps the history and the textfile's setting; removals
without REMOVEHISTORY and with REMOVEHISTORY=0 that keep it; a removal with REMOVEHISTORY=1 that
takes the day files, their slot files and the INI, and nothing else of the folder."""
import argparse
import datetime
import json
import os
import shutil
import struct
import subprocess
import sys
import time

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
SERVICE = "QTraldenMeterService"
INSTALLED = r"C:\Program Files\TraldenMeter"
EVENT_SOURCE = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\QTraldenMeterService"
TEXTFILE = r"C:\ProgramData\exporter\textfile\traldenmeter.prom"

failures = []


def check(condition, what, detail=""):
    print(("ok   " if condition else "FAIL ") + what + ("" if condition else f": {detail}"))
    if not condition:
        failures.append(what)
    return condition


def msi_table(msi, table):
    """Rows of one table as lists of column texts (msiinfo's export: names, types, key, rows)."""
    out = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, text=True, check=True).stdout
    return [line.split("\t") for line in out.splitlines()[3:]]


def version_strings(exe):
    """The string values of a program's version resource, found by their UTF-16 names."""
    data = open(exe, "rb").read()
    values = {}
    for key in ("ProductName", "ProductVersion", "FileVersion", "FileDescription"):
        name = key.encode("utf-16-le") + b"\0\0"
        at = data.find(name)
        if at < 0:
            continue
        at += len(name)
        while data[at:at + 2] == b"\0\0":
            at += 2
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        values[key] = data[at:end].decode("utf-16-le")
    return values


def day_file(entries, uptime_ms):
    out = struct.pack("<I", 1) + b"02-00-00-00-00-01".ljust(26, b"\0") + struct.pack("<I", len(entries))
    for ip, rx, tx in entries:
        out += ip.ljust(16, b"\0") + b"\0" * 26 + b"\0" * 33 + struct.pack("<QQ", rx, tx)
    return out + struct.pack("<I", uptime_ms)


def slot_file(slots):
    """One connection of the day file above (10.1.2.3) with these (slot, rx, tx)."""
    out = b"TMSL" + struct.pack("<HHI", 1, 5, 1) + b"02-00-00-00-00-01".ljust(26, b"\0") + b"10.1.2.3".ljust(16, b"\0")
    out += b"\0" * 59 + struct.pack("<H", len(slots))
    return out + b"".join(struct.pack("<HQQ", *s) for s in slots)


def uptime_of(path):
    return struct.unpack("<I", open(path, "rb").read()[-4:])[0]


class Prefix:
    def __init__(self, build_prefix, scripts, scratch, client):
        self.path = os.path.join(scratch, "wineprefix")
        self.client = client
        self.env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        subprocess.run([os.path.join(scripts, "wine-prefix.sh"), build_prefix], check=True, timeout=300,
                       stdout=subprocess.DEVNULL)
        subprocess.run(["cp", "-a", build_prefix, self.path], check=True, timeout=120)
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Wine's helper processes (and the services they start) keep the descriptors they were
        # started with: they are started here with none of ours, and programs write into files.
        subprocess.run([WINE64, "cmd.exe", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        self.out = os.path.join(scratch, "wine-output.txt")
        self.folder = os.path.join(self.path, "drive_c", "Program Files", "TraldenMeter")

    def wine(self, *args, timeout=120, cwd=None, errors=None, debug="-all"):
        errors = errors or self.out + ".err"
        with open(self.out, "w") as out, open(errors, "w") as err:
            r = subprocess.run([WINE64] + list(args), env=dict(self.env, WINEDEBUG=debug), stdout=out, stderr=err,
                               timeout=timeout, stdin=subprocess.DEVNULL, cwd=cwd)
        r.stdout = open(self.out).read()
        r.stderr = open(errors).read()
        return r

    def msiexec(self, *args):
        self.runs = getattr(self, "runs", 0) + 1
        log = os.path.join(os.path.dirname(self.path), f"msiexec-{self.runs}.log")
        # The installer's log and Wine's warnings of its work stay in the scratch folder when a check fails.
        return self.wine("msiexec", *args, "/qn", "/l*v", "Z:" + log.replace("/", "\\"), timeout=180,
                         errors=log + ".wine", debug="warn+msi").returncode

    def service(self, op, *args):
        r = self.wine(self.client, op, *args)
        try:
            return r.returncode, json.loads(r.stdout)
        except json.JSONDecodeError:
            return r.returncode, {}

    def stop_service_process(self, seconds=20):
        """Stops the service and waits until its process has ended. Wine's installer sends the stop
        but does not wait for the service to stop (Windows' does), so its removal of the running
        executable would race the service's final save."""
        self.service("svc-control", "1")
        self.wait_state(1, seconds)
        deadline = time.time() + seconds
        while time.time() < deadline:
            running = subprocess.run(["pgrep", "-f", r"TraldenMeter\\TraldenMeter\.exe"], capture_output=True)
            if running.returncode != 0:
                return
            time.sleep(0.2)

    def wait_state(self, state, seconds=20):
        deadline = time.time() + seconds
        while time.time() < deadline:
            rc, status = self.service("svc-status")
            if rc == 0 and status.get("state") == state:
                return True
            time.sleep(0.3)
        return False

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([WINESERVER, "-w"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=30)


def check_tables(msi, version, with_view):
    tables = subprocess.run(["msiinfo", "tables", msi], capture_output=True, text=True, check=True).stdout.split()
    for t in ("ServiceInstall", "ServiceControl", "Upgrade", "CustomAction", "File", "Shortcut"):
        check(t in tables, f"table {t} present")
    suminfo = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True, check=True).stdout
    check("x64;1033" in suminfo, "package for x64", suminfo)
    props = {row[0]: row[1] for row in msi_table(msi, "Property")}
    check(props.get("ProductVersion") == version, "ProductVersion", props.get("ProductVersion"))
    check(props.get("ALLUSERS") == "1", "installed for all users")
    check("REMOVEHISTORY" in props.get("SecureCustomProperties", ""), "REMOVEHISTORY reaches the removal")
    check("PROMETHEUSFILE" in props.get("SecureCustomProperties", "").split(";"), "PROMETHEUSFILE reaches the install")
    # ServiceInstall: name, display name, type, start, error control, group, dependencies, account,
    # password, arguments, component, description.
    rows = msi_table(msi, "ServiceInstall")
    check(len(rows) == 1 and rows[0][1:10] == [SERVICE, SERVICE, "16", "2", "1", "", "", "", ""] and
          rows[0][12] == "Network data counter service", "ServiceInstall as installme registers", rows)
    rows = msi_table(msi, "ServiceControl")
    # 1 start at install, 2 + 32 stop at install and removal, 128 delete at removal; wait.
    check(len(rows) == 1 and rows[0][1:5] == [SERVICE, "163", "", "1"], "ServiceControl events", rows)
    files = sorted(row[2] for row in msi_table(msi, "File"))
    want = sorted(["TraldenMeter.exe", "traldenreport.exe"] + (["TraldenView.exe"] if with_view else []))
    check(files == want, "the programs in the package", files)
    dirs = {row[0]: row for row in msi_table(msi, "Directory")}
    check(dirs.get("INSTALLDIR", [None, None])[1:] == ["ProgramFiles64Folder", "TraldenMeter"],
          "one folder under Program Files", dirs.get("INSTALLDIR"))
    if with_view:
        rows = msi_table(msi, "Shortcut")
        check(len(rows) == 1 and rows[0][1] == "ProgramMenuFolder" and rows[0][4] == "[#TraldenViewExe]",
              "Start-menu shortcut of the monitor", rows)
    seq = {row[0]: row for row in msi_table(msi, "InstallExecuteSequence")}
    check(int(seq["InstallInitialize"][2]) < int(seq["RemoveExistingProducts"][2]) < int(seq["InstallFiles"][2]),
          "an older version is removed before this one is installed", seq.get("RemoveExistingProducts"))
    check(int(seq["InstallFiles"][2]) < int(seq["WriteIniValues"][2]) < int(seq["StartServices"][2]),
          "the textfile's setting is in the INI before the service starts", seq.get("WriteIniValues"))
    check("RemoveIniValues" in seq, "INI values of removed components are removed", seq.keys())
    # The setting's component: in INSTALLDIR, 64-bit (256) and permanent (16), only with the property.
    components = {row[0]: row for row in msi_table(msi, "Component")}
    check(components.get("PrometheusSetting", [None] * 6)[2:6] == ["INSTALLDIR", "272", "PROMETHEUSFILE", ""],
          "the setting's component: permanent, installed only when PROMETHEUSFILE is given",
          components.get("PrometheusSetting"))
    check(["Complete", "PrometheusSetting"] in msi_table(msi, "FeatureComponents"), "the setting's component installed")
    # Action 0: the line is added, or replaced when the key is there.
    check(msi_table(msi, "IniFile") == [["PrometheusFile", "TraldenMeter.ini", "INSTALLDIR", "OPTIONS", "prometheusfile",
                                         "[PROMETHEUSFILE]", "0", "PrometheusSetting"]],
          "PROMETHEUSFILE written as [OPTIONS] prometheusfile= of the service INI", msi_table(msi, "IniFile"))
    check(seq["RemoveHistory"][1] == 'REMOVE="ALL" AND REMOVEHISTORY="1" AND NOT UPGRADINGPRODUCTCODE',
          "history removed only for REMOVEHISTORY=1 on a removal, never on an upgrade", seq.get("RemoveHistory"))
    actions = {row[0]: row for row in msi_table(msi, "CustomAction")}
    action = actions.get("RemoveHistory", ["", "0", "", ""])
    # 2: a program stored in the package; 0x400 | 0x200: in the script's commit phase, after the
    # point of no return; 0x800: with the system's rights; 0x40: its exit code ignored.
    check(action[1:4] == ["3650", "HistoryRemover", 'removehistory "[INSTALLDIR]"'],
          "history removed by the stored service program once the removal is committed", action)
    streams = subprocess.run(["msiinfo", "streams", msi], capture_output=True, text=True, check=True).stdout.split()
    check("Binary.HistoryRemover" in streams, "the service program stored for it", streams)
    registry = sorted((row[2], row[3], row[4]) for row in msi_table(msi, "Registry"))
    key = EVENT_SOURCE.split("\\", 1)[1]
    check(registry == [(key, "-", ""), (key, "EventMessageFile", "#%[#TraldenMeterExe]"), (key, "TypesSupported", "#7")],
          "the service registered as an event source, removed with it", registry)


def main():
    ap = argparse.ArgumentParser()
    for name in ("--msi", "--version", "--make-package", "--service", "--report", "--client", "--prefix",
                 "--scripts", "--scratch"):
        ap.add_argument(name, required=True)
    ap.add_argument("--view")
    a = ap.parse_args()
    shutil.rmtree(a.scratch, ignore_errors=True)
    os.makedirs(a.scratch)

    check_tables(a.msi, a.version, bool(a.view))

    # The newer package: the next patch version, its programs unstripped so that the installed
    # files tell which package they came from.
    parts = [int(x) for x in a.version.split(".")] + [0, 0]
    newer_version = f"{parts[0]}.{parts[1]}.{parts[2] + 1}"
    newer = os.path.join(a.scratch, f"TraldenMeter-{newer_version}-x64.msi")
    subprocess.run([a.make_package, newer_version, newer, a.service, a.report] + ([a.view] if a.view else []),
                   check=True, env=dict(os.environ, STRIP="none"), timeout=120)
    check_tables(newer, newer_version, bool(a.view))

    msi_path = "Z:" + os.path.abspath(a.msi).replace("/", "\\")
    newer_path = "Z:" + newer.replace("/", "\\")
    wine = Prefix(a.prefix, a.scripts, a.scratch, a.client)
    try:
        # History from before: an old day, today's file so far, and the service's settings.
        os.makedirs(wine.folder)
        today = datetime.date.today().strftime("%Y%m%d")
        old_day = os.path.join(wine.folder, "20200115.bin")
        today_file = os.path.join(wine.folder, today + ".bin")
        ini = os.path.join(wine.folder, "TraldenMeter.ini")
        with open(old_day, "wb") as f:
            f.write(day_file([(b"10.1.2.3", 5 * 1048576, 4096)], 3600000))
        with open(os.path.join(wine.folder, "20200115.slots"), "wb") as f:
            f.write(slot_file([(100, 5 * 1048576, 4096)]))
        with open(today_file, "wb") as f:
            f.write(day_file([(b"10.1.2.4", 1000, 2000)], 1000))
        with open(ini, "wb") as f:
            f.write(b"[OPTIONS]\r\nkeepdays=0\r\n")
        textfile = os.path.join(wine.path, "drive_c", *TEXTFILE[3:].split("\\"))
        os.makedirs(os.path.dirname(textfile))

        check(wine.msiexec("/i", msi_path, "PROMETHEUSFILE=" + TEXTFILE) == 0, "silent install")
        settings = open(ini, "rb").read()
        check(settings == b"[OPTIONS]\r\nkeepdays=0\r\nprometheusfile=" + TEXTFILE.encode() + b"\r\n",
              "PROMETHEUSFILE is written into the service INI beside its other settings", settings)
        # As "installme" registers it: the path quoted (it holds a blank) and 15 s of pre-shutdown
        # time. The package's tables cannot say either; the service mends both as it starts.
        registration = {"type": 16, "start": 2, "errorControl": 1, "path": '"' + INSTALLED + r'\TraldenMeter.exe"',
                        "group": "", "tag": 0, "dependencies": "", "account": "LocalSystem",
                        "displayName": SERVICE, "description": "Network data counter service",
                        "preshutdownMs": 15000}
        check(wine.wait_state(4), "service running after the install")
        source = wine.wine("reg", "query", EVENT_SOURCE, "/v", "EventMessageFile")
        check(source.returncode == 0 and (INSTALLED + r"\TraldenMeter.exe").lower() in source.stdout.lower(),
              "the package makes the service an event source", source.stdout)
        rc, config = wine.service("svc-config")
        check(rc == 0 and config == registration, "service registered as installme registers it", config)
        installed = sorted(n for n in os.listdir(wine.folder) if n.endswith(".exe"))
        check(installed == sorted(["TraldenMeter.exe", "traldenreport.exe"] + (["TraldenView.exe"] if a.view else [])),
              "programs installed in one folder", installed)
        for exe in installed:
            v = version_strings(os.path.join(wine.folder, exe))
            check(v.get("ProductVersion") == a.version and v.get("FileVersion") == a.version and
                  v.get("ProductName") == "TraldenMeter", f"version resource of {exe}", v)

        # Counting: stopped, the service saves today's file with its running time added.
        wine.service("svc-control", "1")
        check(wine.wait_state(1), "service stops")
        check(uptime_of(today_file) > 1000, "the service saved today's file with its running time",
              uptime_of(today_file))
        published = open(textfile).read() if os.path.isfile(textfile) else ""
        check('ip="10.1.2.4",bssid="",ssid=""} 1000\n' in published and "traldenmeter_last_save_timestamp_seconds" in published,
              "the service keeps the textfile PROMETHEUSFILE named", published)
        rc, _ = wine.service("svc-start")
        check(wine.wait_state(4), "service running again")

        # traldenreport finds the day files through the service's registration, from anywhere.
        r = wine.wine(INSTALLED + r"\traldenreport.exe", "--month", "2020-01", "--json", cwd=a.scratch)
        doc = json.loads(r.stdout) if r.returncode == 0 else {}
        rows = [(c["ip"], c["downloaded_bytes"]) for c in doc.get("connections", [])]
        check(rows == [("10.1.2.3", 5 * 1048576)], "traldenreport reads the installed service's folder",
              r.stdout + r.stderr)

        # Upgrade: the older version's service stops (and saves), the newer one's runs; the older
        # version's removal is no removal of the product, whatever REMOVEHISTORY says.
        # A user's files beside the day files, which no removal of the history may take.
        keep = ["notes.bin", "20260230.bin", "backup.BIN", "notes.slots", "20260230.slots"]
        for name in keep:
            with open(os.path.join(wine.folder, name), "wb") as f:
                f.write(b"mine")
        before = os.path.getmtime(today_file)
        check(wine.msiexec("/i", newer_path, "REMOVEHISTORY=1") == 0, "silent upgrade")
        check(wine.wait_state(4), "service running after the upgrade")
        rc, config = wine.service("svc-config")
        check(rc == 0 and config == registration, "the same registration after the upgrade", config)
        size = os.path.getsize(os.path.join(wine.folder, "TraldenMeter.exe"))
        check(size == os.path.getsize(a.service), "the service's executable is the newer package's", size)
        check(os.path.exists(old_day) and os.path.getmtime(today_file) > before,
              "day files kept, today's saved by the older service as it stopped")
        check(open(ini, "rb").read() == settings, "the service's INI kept, the textfile's setting with it",
              open(ini, "rb").read())

        # Removal: the service goes, the programs go, the history stays.
        before = os.path.getmtime(today_file)
        wine.stop_service_process()
        check(wine.msiexec("/x", newer_path) == 0, "silent removal")
        rc, _ = wine.service("svc-config")
        check(rc == 2, "service deleted")
        history = sorted(["20200115.bin", "20200115.slots", today + ".bin", "TraldenMeter.ini"] + keep)

        def history_left():
            """The folder's names; today's slot file is there only if the host's own adapters carried
            traffic while the service ran, and is left out."""
            names = os.listdir(wine.folder) if os.path.isdir(wine.folder) else []
            return sorted(n for n in names if n != today + ".slots")
        left = history_left()
        check(left == history, "programs removed, day files, slot files and INI kept", left)
        check(os.path.getmtime(today_file) > before, "the service saved today's file as it was stopped")
        check(wine.wine("reg", "query", EVENT_SOURCE).returncode != 0, "the event source goes with the service")

        # REMOVEHISTORY=0 keeps the history; REMOVEHISTORY=1 takes the day and slot files and the INI, and
        # only those.
        for value, left_after in (("0", history), ("1", sorted(keep))):
            check(wine.msiexec("/i", msi_path) == 0, f"install again before REMOVEHISTORY={value}")
            check(wine.wait_state(4), "service running after installing again")
            wine.stop_service_process()
            check(wine.msiexec("/x", msi_path, "REMOVEHISTORY=" + value) == 0, f"removal with REMOVEHISTORY={value}")
            left = history_left() if value == "0" else sorted(os.listdir(wine.folder) if os.path.isdir(wine.folder) else [])
            check(left == left_after, f"left by the removal with REMOVEHISTORY={value}", left)
            rc, _ = wine.service("svc-config")
            check(rc == 2, "service deleted")
    finally:
        wine.close()
    if failures:
        print(f"{len(failures)} expectation(s) failed: " + "; ".join(failures))
        return 1
    shutil.rmtree(a.scratch, ignore_errors=True)
    print("all expectations met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
