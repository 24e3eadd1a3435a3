#!/usr/bin/python3
"""The board page in a real browser: tessaly-sim with twelve receivers, `tessaly-cli monitor
--serve` on loopback, and headless Chromium driven by Selenium. Checks twelve tiles, values that
change, a receiver taken down through the simulator's control showing offline within 5 s, its
tile opening the plot of its last minutes (and Escape closing it), and the page's own reconnect
after the server restarts.

With --screenshots DIR it instead rehearses a few alarms and writes the board at phone and
desktop sizes into DIR.

Exit 77 (skipped) when Chromium, chromedriver or Selenium is missing."""

import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

SKIP = 77
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
CHROMEDRIVER = shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None

RECEIVERS = 12
PHONE = (390, 844)
DESKTOP = (1920, 1080)


def missing_browser_parts():
    """The Debian packages a browser test needs that are not installed."""
    return [name for name, found in (("chromium", CHROMIUM), ("chromedriver", CHROMEDRIVER),
                                     ("python3-selenium", webdriver)) if not found]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(what, check, timeout):
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(0.1)


class Rig:
    """The simulator and the serving tessaly-cli, in a folder of their own."""

    def __init__(self, sim, cli):
        self.cli = cli
        self.dir = tempfile.mkdtemp(prefix="browser_board.")
        self.port = free_port()
        sim_port = free_port()
        with open(os.path.join(self.dir, "Tessaly.ini"), "w") as f:
            f.write("[comm]\nportno=%d\n" % sim_port)
        with open(os.path.join(self.dir, "show.ini"), "w", newline="\r\n") as f:
            f.write("[receiver]\ncnt=%d\n" % RECEIVERS)
            for n in range(1, RECEIVERS + 1):
                f.write("[recv%d]\nip=127.0.0.%d\nname=MIC %02d\nfreq=%d.%03d\n"
                        % (n, n, n, 606 + n // 8, (n % 8) * 125))
        self.sim = subprocess.Popen(
            [sim, "--count", str(RECEIVERS), "--port", str(sim_port), "--control", "-"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        self.server = None
        try:
            self.start_server()
        except BaseException:
            self.close()
            raise

    @property
    def url(self):
        return "http://127.0.0.1:%d/" % self.port

    def start_server(self):
        env = dict(os.environ, XDG_STATE_HOME=self.dir, QT_QPA_PLATFORM="offscreen")
        self.server = subprocess.Popen(
            [self.cli, "monitor", "show.ini", "--seconds", "3600",
             "--serve", "127.0.0.1:%d" % self.port],
            cwd=self.dir, env=env, stdout=subprocess.DEVNULL)
        wait_for("the server to answer", self.answers, 20)

    def answers(self):
        assert self.server.poll() is None, "tessaly-cli ended with %d" % self.server.returncode
        try:
            with urllib.request.urlopen(self.url + "api/v1/receivers", timeout=1) as reply:
                return reply.status == 200
        except OSError:
            return False

    def stop_server(self):
        self.server.terminate()
        self.server.wait(10)

    def control(self, line):
        self.sim.stdin.write(line + "\n")
        answer = ""
        while answer != "ok" and not answer.startswith("error"):
            answer = self.sim.stdout.readline().strip()
            assert answer or self.sim.poll() is None, "the simulator ended"
        assert answer == "ok", "simulator control %r: %r" % (line, answer)

    def close(self):
        for process in (self.server, self.sim):
            if process and process.poll() is None:
                process.terminate()
                process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def browser(size):
    options = Options()
    options.binary_location = CHROMIUM
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--hide-scrollbars", "--window-size=%d,%d" % size):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": size[0], "height": size[1], "deviceScaleFactor": 1, "mobile": size[0] < 600})
    return driver


def tile_states(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('.tile'), t => t.dataset.state)")


def tile_values(driver):
    return driver.execute_script(
        "return Array.from(document.querySelectorAll('.tile'), t =>"
        " Array.from(t.querySelectorAll('.value'), v => v.textContent).join('|'))")


def all_live(driver):
    states = tile_states(driver)
    return len(states) == RECEIVERS and all(s == "live" for s in states)


def open_plot(driver, tile):
    """Clicks `tile` and waits for its plot to be drawn; returns the canvas."""
    tile.click()
    canvas = wait_for("the plot", lambda: driver.find_elements(By.CSS_SELECTOR, ".plot canvas"), 5)[0]
    wait_for("a drawn plot", lambda: int(canvas.get_attribute("data-drawn-rows") or 0) > 0, 10)
    return canvas


def check_plot(driver, tile):
    canvas = open_plot(driver, tile)
    blank = driver.execute_script(
        "const c = document.createElement('canvas'); c.width = arguments[0].width;"
        " c.height = arguments[0].height; return c.toDataURL().length", canvas)
    drawn = driver.execute_script("return arguments[0].toDataURL().length", canvas)
    assert drawn > blank * 2, "the plot is blank (%d against %d)" % (drawn, blank)
    assert "last 10 minutes" in driver.find_element(By.CSS_SELECTOR, ".plot-title").text
    driver.find_element(By.TAG_NAME, "body").send_keys("\ue00c")  # Escape
    wait_for("the plot to close", lambda: not driver.find_elements(By.CSS_SELECTOR, ".plot"), 3)


def check_board(rig):
    driver = browser(DESKTOP)
    try:
        driver.get(rig.url)
        wait_for("12 live tiles", lambda: all_live(driver), 30)

        before = tile_values(driver)
        assert all("dBm" in v and "dB" in v for v in before), before
        time.sleep(2)
        after = tile_values(driver)
        changed = sum(a != b for a, b in zip(before, after))
        assert changed >= RECEIVERS // 2, "only %d tiles changed: %s" % (changed, after)

        rig.control("3 down")
        taken_down = time.monotonic()
        wait_for("receiver 3 offline", lambda: tile_states(driver)[2] == "offline", 5)
        print("receiver 3 offline after %.2f s" % (time.monotonic() - taken_down))
        tile = driver.find_elements(By.CSS_SELECTOR, ".tile")[2]
        assert tile.find_element(By.CSS_SELECTOR, ".overlay-text").text == "OFFLINE"
        assert all(v.text == "" for v in tile.find_elements(By.CSS_SELECTOR, ".value")), \
            "an offline tile shows values"
        rig.control("3 up")
        check_plot(driver, tile)

        # The server goes away and comes back; the same page finds it again by itself.
        driver.execute_script("window.sameLoad = true")
        rig.stop_server()
        wait_for("Connection lost", lambda: "Connection lost" in
                 driver.find_element(By.ID, "status").text, 15)
        assert all(s == "lost" for s in tile_states(driver)), tile_states(driver)
        rig.start_server()
        wait_for("12 live tiles again", lambda: all_live(driver), 30)
        assert driver.execute_script("return window.sameLoad === true"), "the page was reloaded"
        assert "Connection lost" not in driver.find_element(By.ID, "status").text
    finally:
        driver.quit()


def screenshots(rig, folder):
    os.makedirs(folder, exist_ok=True)
    drivers = {"remote-board-desktop.png": browser(DESKTOP), "remote-board-phone.png": browser(PHONE)}
    try:
        for driver in drivers.values():
            driver.get(rig.url)
            wait_for("12 live tiles", lambda: all_live(driver), 30)
        for line in ("4 battery 1", "5 down", "7 fault silent", "9 mute 1", "10 rf -95 -96"):
            rig.control(line)
        time.sleep(6)  # the alarms settle: no data once the answer timeout has passed
        for name, driver in drivers.items():
            # Photographed while the flashing borders are lit.
            wait_for("a lit border", lambda: driver.execute_script(
                "return !document.body.classList.contains('flash-off')"), 3)
            driver.save_screenshot(os.path.join(folder, name))
        time.sleep(50)  # receiver 5 long enough offline for its plot to name it
        rig.control("5 up")
        time.sleep(60)
        for name, driver in drivers.items():
            open_plot(driver, driver.find_elements(By.CSS_SELECTOR, ".tile")[4])
            time.sleep(0.5)
            driver.save_screenshot(os.path.join(folder, name.replace("board", "plot")))
            driver.find_element(By.TAG_NAME, "body").send_keys("\ue00c")
        desktop = drivers["remote-board-desktop.png"]
        rig.stop_server()
        wait_for("Connection lost", lambda: "Connection lost" in
                 desktop.find_element(By.ID, "status").text, 15)
        time.sleep(2)
        desktop.save_screenshot(os.path.join(folder, "remote-board-connection-lost.png"))
    finally:
        for driver in drivers.values():
            driver.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--screenshots")
    args = parser.parse_args()
    missing = missing_browser_parts()
    if missing:
        print("SKIPPED: %s not installed (apt-get install chromium chromium-driver "
              "python3-selenium)" % ", ".join(missing))
        return SKIP
    rig = Rig(os.path.abspath(args.sim), os.path.abspath(args.cli))
    try:
        if args.screenshots:
            screenshots(rig, args.screenshots)
        else:
            check_board(rig)
    finally:
        rig.close()
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
