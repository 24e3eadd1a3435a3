#!/usr/bin/python3
"""The combined board in a real browser: a private Mosquitto broker on loopback, two stations
(`tessaly-cli monitor --mqtt`) over one tessaly-sim, and `tessaly-cli board --mqtt --serve`,
driven by headless Chromium. Checks both stations' headers and their tiles, then SIGKILLs one
station: its will turns its header OFFLINE and all its tiles offline, the other stays live.

With --screenshot FILE it also writes the board after the kill into FILE.

Exit 77 (skipped) when Chromium, chromedriver or Selenium is missing."""

import argparse
import getpass
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "remote"))
from browser_board import (DESKTOP, SKIP, browser, free_port,  # noqa: E402
                           missing_browser_parts, tile_states, wait_for)

STATIONS = {"East": range(1, 5), "West": range(5, 11)}  # station -> simulated receivers
MOSQUITTO = shutil.which("mosquitto") or "/usr/sbin/mosquitto"


class Rig:
    """Broker, simulator, stations and the board, in a folder of their own."""

    def __init__(self, sim, cli):
        self.cli = cli
        self.dir = tempfile.mkdtemp(prefix="browser_mqtt_board.")
        self.processes = []
        broker_port, sim_port, self.port = free_port(), free_port(), free_port()
        self.mqtt = "mqtt://127.0.0.1:%d" % broker_port
        self.write("mosquitto.conf",
                   "listener %d 127.0.0.1\nallow_anonymous true\npersistence false\n"
                   "log_dest file %s\nuser %s\n"
                   % (broker_port, os.path.join(self.dir, "broker.log"), getpass.getuser()))
        self.write("Tessaly.ini", "[comm]\nportno=%d\n" % sim_port)
        for station, receivers in STATIONS.items():
            lines = ["[receiver]", "cnt=%d" % len(receivers)]
            for index, n in enumerate(receivers, 1):
                lines += ["[recv%d]" % index, "ip=127.0.0.%d" % n, "name=MIC %02d" % index,
                          "freq=%d.%03d" % (606 + n // 8, (n % 8) * 125)]
            self.write(station + ".ini", "\r\n".join(lines) + "\r\n")

        self.start([MOSQUITTO, "-c", os.path.join(self.dir, "mosquitto.conf")],
                   stderr=subprocess.DEVNULL)  # its warning about running as root
        self.start([sim, "--count", str(max(max(r) for r in STATIONS.values())),
                    "--port", str(sim_port)])
        self.stations = {s: self.start([cli, "monitor", s + ".ini", "--seconds", "3600", "--mqtt",
                                        self.mqtt, "--station", s]) for s in STATIONS}
        self.start([cli, "board", "--mqtt", self.mqtt, "--serve", "127.0.0.1:%d" % self.port])

    def write(self, name, text):
        with open(os.path.join(self.dir, name), "w") as f:
            f.write(text)

    def start(self, command, **streams):
        env = dict(os.environ, XDG_STATE_HOME=self.dir, QT_QPA_PLATFORM="offscreen")
        process = subprocess.Popen(command, cwd=self.dir, env=env, stdout=subprocess.DEVNULL,
                                   **streams)
        self.processes.append(process)
        return process

    @property
    def url(self):
        return "http://127.0.0.1:%d/" % self.port

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def board(driver):
    """Per station on the page: its header's status text and its tiles' states."""
    return driver.execute_script("""
        const seen = {};
        document.querySelectorAll('.station-head').forEach(h => seen[h.dataset.station] = {
            status: h.querySelector('.station-status').textContent,
            offline: h.classList.contains('offline'), tiles: []});
        document.querySelectorAll('.tile').forEach(t => {
            if (seen[t.dataset.station]) seen[t.dataset.station].tiles.push(t.dataset.state);
        });
        return seen;""")


def shows(driver, wanted):
    """True when every station shows its tiles all in the wanted state, and its header says so."""
    seen = board(driver)
    if sorted(seen) != sorted(STATIONS):
        return False
    for station, state in wanted.items():
        head = seen[station]
        if (len(head["tiles"]) != len(STATIONS[station]) or
                any(s != state for s in head["tiles"]) or
                head["offline"] != (state == "offline") or
                head["status"] != ("OFFLINE" if state == "offline" else "")):
            return False
    return True


def check_board(rig, screenshot):
    driver = browser(DESKTOP)
    try:
        driver.get(rig.url)
        wait_for("both stations live", lambda: shows(driver, {s: "live" for s in STATIONS}), 30)
        assert len(tile_states(driver)) == sum(len(r) for r in STATIONS.values())

        rig.stations["West"].send_signal(signal.SIGKILL)
        killed = time.monotonic()
        # The broker sends the will as soon as the connection breaks; a half-open connection
        # would take its keepalive (1.5 x 10 s), hence the bound.
        wait_for("West offline, East live", lambda: shows(driver, {"East": "live",
                                                                   "West": "offline"}), 25)
        print("West offline on the page after %.2f s" % (time.monotonic() - killed))
        time.sleep(2)
        assert shows(driver, {"East": "live", "West": "offline"}), board(driver)
        if screenshot:
            driver.save_screenshot(screenshot)
    finally:
        driver.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    missing = missing_browser_parts()
    if missing:
        print("SKIPPED: %s not installed" % ", ".join(missing))
        return SKIP
    rig = Rig(os.path.abspath(args.sim), os.path.abspath(args.cli))
    try:
        check_board(rig, args.screenshot)
    finally:
        rig.close()
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
