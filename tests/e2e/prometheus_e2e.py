# The service's Prometheus textfile with the real programs: TraldenMeter.exe under Wine counts the
# namespace pair's traffic and keeps its file (prometheusfile= in its INI) in a folder that a node
# exporter's textfile collector reads; a second exporter serves what traldenreport wrote for another
# machine's month; Prometheus scrapes both every second with the rules of docs/prometheus loaded (the
# stale alert's ten minutes cut to seconds in a copy) and is asked through its HTTP API: the bytes
# of the day file at that save, hostile network names, the rules, every PromQL line of the README,
# and the stale alert once the service has stopped. Every server listens on 127.0.0.1 on a port
# picked here and is stopped by the test.
import argparse
import calendar
import json
import os
import re
import socket
import struct
import subprocess
import sys
import time
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_lab import IP_SERVICE, Checks, Client, Lab, copy_service, day_file_name, decode_day_file, mac_key

MACHINE_A, MACHINE_B = "laptop-17:9182", "laptop-42:9182"  # the instance labels of the two exporters
STALE_SECONDS = 10  # the stale alert's threshold in the test's copy of the rules
OTHER_KEY = "02-00-00-00-00-0C"  # an adapter of the day's file that this machine does not have
PROGRAMS = ("prometheus", "prometheus-node-exporter", "promtool")


def parse_args():
    ap = argparse.ArgumentParser()
    for name in ("--exe", "--client", "--prefix", "--scripts", "--scratch", "--report", "--source"):
        ap.add_argument(name, required=True)
    return ap.parse_args()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def field(raw, width):
    assert len(raw) < width
    return raw + b"\0" * (width - len(raw))


def day_file(groups, uptime):
    """Like wine_lab.day_file_bytes, with the texts as bytes in the machine's code page."""
    out = struct.pack("<I", len(groups))
    for key, entries in groups:
        out += field(key.encode(), 26) + struct.pack("<I", len(entries))
        for ip, bssid, ssid, rx, tx in entries:
            out += field(ip.encode(), 16) + field(bssid.encode(), 26) + field(ssid, 33) + struct.pack("<QQ", rx, tx)
    return out + struct.pack("<I", uptime)


def wait_for(condition, timeout, step=0.25):
    """The condition's first true value, or None once `timeout` seconds have passed."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value or time.time() > deadline:
            return value
        time.sleep(step)


def readme_queries(readme):
    """The indented lines under the README's heading "PromQL for the usual questions"."""
    text = open(readme, encoding="utf-8").read()
    section = re.search(r"^### PromQL for the usual questions\n(.*?)(?=^#)", text, re.S | re.M)
    return [line.strip() for line in section.group(1).splitlines() if line.startswith("    ")] if section else []


class Servers:
    """The exporters and Prometheus, on the host, each stopped at the end whatever happened."""

    def __init__(self, logs):
        self.logs, self.procs = logs, []

    def start(self, name, *cmd):
        log = open(os.path.join(self.logs, name + ".log"), "w")
        proc = subprocess.Popen(list(cmd), stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
        self.procs.append((name, proc, log))
        return proc

    def stop(self):
        for name, proc, log in reversed(self.procs):
            proc.terminate()
            try:
                proc.wait(15)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(15)
            log.close()
        self.procs = []

    def log(self, name):
        return open(os.path.join(self.logs, name + ".log")).read()


class Prometheus:
    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}"

    def get(self, path, **params):
        url = self.base + path + ("?" + urllib.parse.urlencode(params) if params else "")
        try:
            with urllib.request.urlopen(url, timeout=5) as r:
                return json.loads(r.read())
        except (OSError, ValueError):
            return None

    def query(self, promql):
        """The result list of an instant query, or None when the query failed."""
        answer = self.get("/api/v1/query", query=promql)
        return answer["data"]["result"] if answer and answer.get("status") == "success" else None

    def value(self, promql):
        result = self.query(promql)
        return float(result[0]["value"][1]) if result and len(result) == 1 else None

    def firing(self, alert, instance):
        answer = self.get("/api/v1/alerts")
        alerts = answer["data"]["alerts"] if answer else []
        return [a for a in alerts if a["labels"].get("alertname") == alert and
                a["labels"].get("instance") == instance and a["state"] == "firing"]


def rfc3339_seconds(text):
    m = re.match(r"(\d+-\d+-\d+T\d+:\d+:\d+)(\.\d+)?Z$", text)
    return calendar.timegm(time.strptime(m.group(1), "%Y-%m-%dT%H:%M:%S")) + float(m.group(2) or 0) if m else 0


def ready(url):
    try:
        with urllib.request.urlopen(url, timeout=2) as r:
            return r.status == 200
    except OSError:
        return False


def main():
    args = parse_args()
    checks = Checks()
    missing = [p for p in PROGRAMS if subprocess.run(["sh", "-c", "command -v " + p], capture_output=True).returncode]
    if missing:
        print("missing programs (scripts/install-deps.sh installs them): " + ", ".join(missing))
        return 1
    rules_source = os.path.join(args.source, "docs", "prometheus", "traldenmeter-rules.yml")
    queries = readme_queries(os.path.join(args.source, "README.md"))
    checks.true("the README gives PromQL for the usual questions", len(queries) >= 3, str(queries))

    with Lab(args.prefix, args.scripts, args.scratch) as lab:
        client = Client(lab, args.client)
        svc, exe = copy_service(lab, args.exe)
        key = mac_key(lab.mac)
        textfile_a = os.path.join(lab.scratch, "textfile-a")
        textfile_b = os.path.join(lab.scratch, "textfile-b")
        days_b = os.path.join(lab.scratch, "days-b")
        for d in (textfile_a, textfile_b, days_b):
            os.makedirs(d)
        target = os.path.join(textfile_a, "traldenmeter.prom")
        with open(os.path.join(svc, "TraldenMeter.ini"), "w") as f:
            f.write(f"[OPTIONS]\r\nprometheusfile={lab.windows_path(target)}\r\n")
        # Someone who can write the folder put a link where the file goes: the service must replace
        # the link, never write through it.
        victim = os.path.join(lab.scratch, "victim.txt")
        with open(victim, "w") as f:
            f.write("not for the service\n")
        os.symlink(victim, target)

        # Today's file already holds an adapter this machine does not have, with names that try to
        # break the text format; the service loads it and publishes it with what it counts.
        today = day_file_name()
        hostile = [("10.9.0.1", "00-11-22-33-44-55", b"Office", 5000, 600),
                   ("10.9.0.2", "", b'Cafe "net", \\ok', 700, 80),
                   ("10.9.0.3", "", b"two\nlines", 90, 10),
                   ("10.9.0.4", "", b'x"} 1\nevil_metric 1', 12, 2),
                   ("10.9.0.5", "", b"Caf\xe9", 11, 1)]
        with open(os.path.join(svc, today), "wb") as f:
            f.write(day_file([(OTHER_KEY, hostile)], 1000))

        # The other machine: the report's month over two of its days, written as a scheduled task would.
        lt = time.localtime()
        first = "%04u%02u01.bin" % (lt.tm_year, lt.tm_mon)
        for name, rx in {first: 3_000_000, today: 400_000}.items():
            with open(os.path.join(days_b, name), "wb") as f:
                f.write(day_file([("AA-BB-CC-DD-EE-FF", [("10.1.0.7", "", b"Office", rx, rx // 10)])], 60000))
        month_b = 3_000_000 + (400_000 if first != today else 0)
        r = lab.wine(args.report, "--month", "--prometheus", "--folder", lab.windows_path(days_b), "--output",
                     lab.windows_path(os.path.join(textfile_b, "traldenmeter.prom")), timeout=120)
        checks.eq("the report writes the other machine's month", r.returncode, 0)

        rules = os.path.join(lab.scratch, "rules.yml")
        text = open(rules_source).read()
        checks.true("the stale alert's threshold is ten minutes", " > 600)" in text)
        with open(rules, "w") as f:
            f.write(text.replace(" > 600)", f" > {STALE_SECONDS})"))
        port_a, port_b, port_p = free_port(), free_port(), free_port()
        config = os.path.join(lab.scratch, "prometheus.yml")
        with open(config, "w") as f:
            f.write(f"""global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files: ["{rules}"]
scrape_configs:
  - job_name: node
    static_configs:
      - targets: ["127.0.0.1:{port_a}"]
        labels: {{instance: "{MACHINE_A}"}}
      - targets: ["127.0.0.1:{port_b}"]
        labels: {{instance: "{MACHINE_B}"}}
""")
        servers = Servers(lab.scratch)
        try:
            for name, port, folder in (("exporter-a", port_a, textfile_a), ("exporter-b", port_b, textfile_b)):
                servers.start(name, "prometheus-node-exporter", f"--web.listen-address=127.0.0.1:{port}",
                              "--collector.disable-defaults", "--collector.textfile",
                              f"--collector.textfile.directory={folder}")
            servers.start("prometheus", "prometheus", f"--config.file={config}",
                          f"--storage.tsdb.path={os.path.join(lab.scratch, 'tsdb')}",
                          f"--web.listen-address=127.0.0.1:{port_p}", "--log.level=warn")
            prom = Prometheus(port_p)
            up = wait_for(lambda: all(ready(u) for u in (f"http://127.0.0.1:{port_a}/metrics",
                                                        f"http://127.0.0.1:{port_b}/metrics",
                                                        prom.base + "/-/ready")), 60)
            if not checks.true("both exporters and Prometheus answer", up, servers.log("prometheus")):
                return checks.finish()

            # ---- the service counts and publishes at its save ----
            k0 = lab.quiet_counters()
            service = lab.start_on_terminal(exe, "debug")
            checks.true("the service answers", client.wait_for_snapshot() is not None)
            lab.traffic(150, 1200)
            k1 = lab.quiet_counters()
            rx, tx = k1[0] - k0[0], k1[1] - k0[1]
            snap = client.snapshot()[1]
            own = [(r["rxTotal"], r["txTotal"]) for g in snap["groups"] for r in g if r["key"] == key] if snap else []
            checks.eq("the service's own answer is the kernel's count", own, [(rx, tx)])

            def published():
                return os.path.isfile(target) and not os.path.islink(target) and \
                    f'ip="{IP_SERVICE}"' in open(target, encoding="utf-8").read()
            # The first save comes 41 timed passes after the start.
            checks.true("the service's save replaces the textfile", wait_for(published, 90))
            checks.eq("the link put there is replaced, and what it pointed to is left alone",
                      (os.path.islink(target), open(victim).read()), (False, "not for the service\n"))
            checks.eq("no temporary is left beside it", sorted(os.listdir(textfile_a)), ["traldenmeter.prom"])
            groups, _ = decode_day_file(open(os.path.join(svc, today), "rb").read())
            saved = [(ip, r, t) for k, entries in groups if k == key for ip, _, _, r, t in entries]
            checks.eq("the day file at that save holds the kernel's count", saved, [(IP_SERVICE, rx, tx)])
            content = open(target, "rb").read()
            checks.true("the textfile is UTF-8 and ends with a line feed",
                        content.endswith(b"\n") and content.decode("utf-8") is not None)
            lint = subprocess.run(["promtool", "check", "metrics"], input=content, capture_output=True, timeout=60)
            checks.eq("promtool check metrics: no error, no lint",
                      (lint.returncode, lint.stdout.decode().strip(), lint.stderr.decode().strip()), (0, "", ""))
            line = re.search(rb'^traldenmeter_downloaded_bytes\{period="today",adapter="' + key.encode() +
                             rb'",ip="' + IP_SERVICE.encode() + rb'",bssid="",ssid=""\} (\d+)$', content, re.M)
            checks.eq("the file's line for this connection holds the day file's bytes", line and int(line.group(1)), rx)

            where = f'{{period="today",ip="{IP_SERVICE}",instance="{MACHINE_A}"}}'
            got = wait_for(lambda: prom.value("traldenmeter_downloaded_bytes" + where) == rx, 30)
            checks.true("Prometheus has the bytes received at that save, exactly", got,
                        str(prom.query("traldenmeter_downloaded_bytes" + where)))
            checks.eq("and the bytes sent", prom.value("traldenmeter_uploaded_bytes" + where), tx)
            names = prom.query(f'traldenmeter_downloaded_bytes{{adapter="{OTHER_KEY}"}}') or []
            checks.eq("every hostile network name arrives as it was, each in its own series",
                      sorted(s["metric"]["ssid"] for s in names),
                      sorted(["Office", 'Cafe "net", \\ok', "two\nlines", 'x"} 1\nevil_metric 1', "Caf\u00e9"]))

            # ---- the rules and the README's queries ----
            def rules_loaded():
                answer = prom.get("/api/v1/rules")
                found = {r["name"]: r["health"] for g in (answer["data"]["groups"] if answer else []) for r in g["rules"]}
                return found if len(found) == 5 and all(h == "ok" for h in found.values()) else None
            loaded = wait_for(rules_loaded, 20)
            checks.true("the five rules are loaded and evaluated without error", loaded, str(loaded))
            for q in queries:
                result = wait_for(lambda: prom.query(q), 15)
                checks.true("the README's PromQL returns data: " + q, result, str(result))
            checks.eq("the other machine's month as the report counted it",
                      prom.value(f'sum(traldenmeter_downloaded_bytes{{period="span",instance="{MACHINE_B}"}})'),
                      month_b)

            # ---- a stopped service: its file stays, and the alert fires ----
            checks.eq("Ctrl+C ends the service with 0", lab.ctrl_c(service), 0)
            saved_at = float(re.search(rb"^traldenmeter_last_save_timestamp_seconds (\S+)$", open(target, "rb").read(),
                                       re.M).group(1))
            checks.true("the stop's save is published",
                        wait_for(lambda: prom.value("traldenmeter_last_save_timestamp_seconds") == saved_at, 30))
            checks.true("right after that save no stale alert",
                        wait_for(lambda: not prom.firing("TraldenMeterNotSaving", MACHINE_A), 5, 0.1))
            fired = wait_for(lambda: prom.firing("TraldenMeterNotSaving", MACHINE_A), STALE_SECONDS + 30)
            checks.true("the stale alert fires for the stopped service's machine", fired)
            checks.true("no sooner than its threshold after the last save",
                        fired and rfc3339_seconds(fired[0]["activeAt"]) >= saved_at + STALE_SECONDS,
                        fired and f'{fired[0]["activeAt"]} against the save at {saved_at}')
        finally:
            servers.stop()

    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
