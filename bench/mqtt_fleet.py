#!/usr/bin/python3
"""Stations through one broker at full scale: a private Mosquitto on loopback, N stations
(`tessaly-cli monitor --json --mqtt`, each over its own tessaly-sim with R receivers) and
`tessaly-cli board --mqtt --serve`, read by a WebSocket client. Prints a Markdown table.

Latency: every value change a station prints (--json) is stamped as its line arrives; the line
is written at the refresh that also hands the snapshot to the publisher. The same values in the
board's WebSocket frame are stamped again; the difference is refresh-to-frame. The receiver's
object in that frame says how old the values were at that refresh (age_ms: since the poll answer
that brought them), so poll answer → frame is refresh-to-frame plus age_ms. Its p99 is held to
the budget: one refresh interval + 50 ms.

CPU: the publisher's own thread ("tessaly-mqtt") in each station, from /proc, over the window."""

import argparse
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "remote"))
from browser_board import free_port, wait_for  # noqa: E402

try:
    import websocket  # Debian's python3-websocket
except ImportError:
    websocket = None

REFRESH_MS = 100  # tessaly-cli monitor's refresh
TICKS = os.sysconf("SC_CLK_TCK")


def stat_ticks(path):
    with open(path) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def cpu_ticks(pid):
    """(publisher thread, whole process) CPU ticks of one station."""
    thread = 0
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(task + "/comm") as f:
                if f.read().strip() == "tessaly-mqtt":
                    thread += stat_ticks(task + "/stat")
        except OSError:
            pass
    return thread, stat_ticks("/proc/%d/stat" % pid)


def values(station, r, a, b, af):
    return (station, r, a, b, af)


class Fleet:
    def __init__(self, cli, sim, stations, receivers):
        self.dir = tempfile.mkdtemp(prefix="bench_mqtt_fleet.")
        self.processes = []
        self.lines = {}   # station -> [(time read, line)]
        self.frames = []  # [(time received, frame)]
        broker = free_port()
        self.mqtt = "mqtt://127.0.0.1:%d" % broker
        conf = os.path.join(self.dir, "mosquitto.conf")
        with open(conf, "w") as f:
            f.write("listener %d 127.0.0.1\nallow_anonymous true\npersistence false\n"
                    "log_dest none\nuser %s\n" % (broker, os.environ.get("USER") or "root"))
        self.start([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", conf], self.dir)
        self.stations = {}
        for i in range(1, stations + 1):
            name, folder, port = "S%d" % i, os.path.join(self.dir, "S%d" % i), free_port()
            os.makedirs(folder)
            with open(os.path.join(folder, "Tessaly.ini"), "w") as f:
                f.write("[comm]\nportno=%d\n" % port)
            with open(os.path.join(folder, "env.ini"), "w", newline="\r\n") as f:
                f.write("[receiver]\ncnt=%d\n" % receivers)
                for n in range(1, receivers + 1):
                    f.write("[recv%d]\nip=127.0.0.%d\nname=%s-%02d\nfreq=%d.%03d\n"
                            % (n, n, name, n, 606 + n // 8, (n % 8) * 125))
            self.start([sim, "--count", str(receivers), "--port", str(port), "--seed", str(i)],
                       folder)
            station = self.start([cli, "monitor", "env.ini", "--json", "--seconds", "3600",
                                  "--mqtt", self.mqtt, "--station", name], folder,
                                 stdout=subprocess.PIPE)
            self.stations[name] = station
            self.lines[name] = []
            threading.Thread(target=self.read_station, args=(name, station), daemon=True).start()
        self.port = free_port()
        self.start([cli, "board", "--mqtt", self.mqtt, "--serve", "127.0.0.1:%d" % self.port],
                   self.dir)

    def start(self, command, cwd, stdout=subprocess.DEVNULL):
        env = dict(os.environ, XDG_STATE_HOME=cwd, QT_QPA_PLATFORM="offscreen")
        process = subprocess.Popen(command, cwd=cwd, env=env, stdout=stdout,
                                   stderr=subprocess.DEVNULL, text=True)
        self.processes.append(process)
        return process

    def read_station(self, name, process):
        # Only stamp and keep the line here: parsing it now would hold the interpreter's lock
        # while another reader's line or frame waits to be stamped.
        lines = self.lines[name]
        for line in process.stdout:
            lines.append((time.monotonic(), line))

    def read_board(self):
        def connect():
            try:
                return websocket.create_connection(
                    "ws://127.0.0.1:%d/api/v1/stream" % self.port, timeout=1)
            except OSError:
                return None
        ws = wait_for("the board's stream", connect, 20)
        ws.settimeout(None)
        while True:
            try:
                frame = ws.recv()
            except Exception:
                return
            if not frame:  # the board went away
                return
            self.frames.append((time.monotonic(), frame))

    def first_seen(self):
        """When each station printed each value change, and when it first reached a frame."""
        printed = {}
        for name, lines in self.lines.items():
            for at, line in list(lines):
                o = json.loads(line)
                if "rfA" in o and o.get("state") == "connected" and o["rfA"] is not None:
                    printed.setdefault(values(name, o["receiver"], o["rfA"], o["rfB"], o["af"]),
                                       at)
        framed = {}
        for at, frame in list(self.frames):
            for o in json.loads(frame).get("receivers", []):
                if o.get("rf_a_dbm") is not None:
                    framed.setdefault(values(o.get("station"), o["receiver"], o["rf_a_dbm"],
                                             o["rf_b_dbm"], o["af_db"]), (at, o.get("age_ms") or 0))
        return printed, framed

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def percentile(sorted_values, p):
    return sorted_values[min(len(sorted_values) - 1, int(p / 100 * len(sorted_values)))]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--stations", type=int, default=8)
    parser.add_argument("--receivers", type=int, default=60)
    parser.add_argument("--warmup", type=float, default=10)
    parser.add_argument("--seconds", type=float, default=30)
    args = parser.parse_args()
    title = "## MQTT: %d stations × %d receivers through one broker\n" % (args.stations,
                                                                          args.receivers)
    if websocket is None:
        print(title + "\nSkipped: python3-websocket is not installed.\n")
        return 0
    fleet = Fleet(os.path.abspath(args.cli), os.path.abspath(args.sim), args.stations,
                  args.receivers)
    try:
        threading.Thread(target=fleet.read_board, daemon=True).start()
        time.sleep(args.warmup)
        start = time.monotonic()
        before = {name: cpu_ticks(p.pid) for name, p in fleet.stations.items()}
        time.sleep(args.seconds)
        window = time.monotonic() - start
        after = {name: cpu_ticks(p.pid) for name, p in fleet.stations.items()}
        time.sleep(1)  # the last changes reach the board
        printed, framed = fleet.first_seen()
        printed = {k: t for k, t in printed.items() if start <= t <= start + window}
        seen = [(framed[k][0] - t, framed[k][1]) for k, t in printed.items()
                if k in framed and framed[k][0] >= t]
        latencies = sorted(after * 1000 for after, _ in seen)
        answered = sorted(after * 1000 + age for after, age in seen)
        frames = len(fleet.frames)
    finally:
        fleet.close()
    load = open("/proc/loadavg").read().split()[:3]
    if not latencies:
        print(title + "\n**No value change reached the board.**\n")
        return 1
    threads = sorted(100.0 * (after[s][0] - before[s][0]) / TICKS / window for s in before)
    whole = sorted(100.0 * (after[s][1] - before[s][1]) / TICKS / window for s in before)
    p99 = percentile(latencies, 99)
    answer_p99 = percentile(answered, 99)
    budget = REFRESH_MS + 50
    rows = [
        ("value changes printed by the stations in the window", len(printed), "", "", ""),
        ("of them seen in a board frame", len(latencies), len(printed), "", ""),
        ("board frames received", frames, "", "", ""),
        ("refresh → board frame, p50 (ms)", "%.1f" % percentile(latencies, 50), "", "", ""),
        ("refresh → board frame, p99 (ms)", "%.1f" % p99, "", "", ""),
        ("refresh → board frame, worst (ms)", "%.1f" % latencies[-1], "", "", ""),
        ("poll answer → board frame, p50 (ms)", "%.1f" % percentile(answered, 50), "", "", ""),
        ("poll answer → board frame, p99 (ms)", "%.1f" % answer_p99, budget,
         "%.2f" % (answer_p99 / budget), "≤ refresh + 50 ms"),
        ("poll answer → board frame, worst (ms)", "%.1f" % answered[-1], "", "", ""),
        ("publisher thread CPU per station, median (% of one core)",
         "%.2f" % threads[len(threads) // 2], "", "", ""),
        ("publisher thread CPU per station, worst (% of one core)", "%.2f" % threads[-1], 5,
         "%.2f" % (threads[-1] / 5), "≤ 5 %"),
        ("whole station process CPU, median (% of one core)", "%.1f" % whole[len(whole) // 2],
         "", "", ""),
    ]
    print(title)
    print("| figure | value | limit | ratio | budget | met |")
    print("| --- | --- | --- | --- | --- | --- |")
    for figure, value, limit, ratio, budget in rows:
        met = ""
        if budget:
            met = "yes" if float(ratio) <= 1 else "no"
        print("| %s | %s | %s | %s | %s | %s |" % (figure, value, limit, ratio, budget, met))
    print("\n- refresh %d ms; window %.0f s after %.0f s warm-up; the broker, the simulators, the "
          "stations and the board all on this machine; load average after: %s\n"
          % (REFRESH_MS, window, args.warmup, " ".join(load)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
