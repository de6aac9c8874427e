#!/usr/bin/python3
"""The remote page measured from outside, as a phone uses it.
Usage: outside.py [--no-frame-limit] ORBIS ORBIS_SEND (a Release build, for numbers), with
ORBIS_TEST_JACK_SERVER naming a running JACK server. Starts the program on free loopback ports
with jack_midi_dump as its MIDI device and headless Chromium windows as the phones (at most 60
frames a second, unless --no-frame-limit), then prints:
  1. touch-drag latency: from a touch move dispatched to a paired page until the dump reads
     the Control Change it makes (median, 95th percentile, steps whose value arrived);
  2. the program's CPU share, in % of one core, with ten paired pages idle for 20 s, then
     with one of them dragging a source round the room for 20 s;
  3. the messages a second that reached the wire during that drag (mean and busiest second).
Run by hand, not by ctest: the numbers depend on the machine and what else runs on it."""
import itertools
import json
import math
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from contextlib import ExitStack

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "browser"))
from orbis_setup import free_port, wait_until, write_setup  # noqa: E402

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    sys.exit("needs python3-selenium (Debian's python3, /usr/bin/python3)")

CODE = "123456"
CHANNEL = 3  # the source dragged: Control Changes 20, 21, 22 (X, Y, Z) on this channel
TOUCH_HZ = 60  # how often a phone reports a moving finger
PAGES, SECONDS = 10, 20


def listen(stack, env, client):
    """jack_midi_dump as client: [(time.monotonic() when read, [status, data...])], growing."""
    heard = []
    dump = subprocess.Popen(["stdbuf", "-oL", "jack_midi_dump", client], env=env,
                            stdout=subprocess.PIPE, text=True)
    stack.callback(dump.wait)
    stack.callback(dump.terminate)

    def read():
        for line in dump.stdout:  # "   0: b2 14 40 control change ..."
            if m := re.match(r"\s*\d+:((?: [0-9a-f]{2})+)", line):
                heard.append((time.monotonic(), [int(b, 16) for b in m.group(1).split()]))
    threading.Thread(target=read, daemon=True).start()
    return heard


def cpu_seconds(pid):
    """The process's utime + stime, all its threads."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


# Headless Chromium draws at most 60 frames a second and hands a touch to the page on a frame.
FRAME_FLAGS = []


class Phone:
    """One headless Chromium; each window a paired page as a 360-pixel-wide phone shows it."""

    def __init__(self, stack, folder, url):
        options = webdriver.ChromeOptions()
        options.binary_location = shutil.which("chromium")
        for argument in ("headless", "no-sandbox", "disable-gpu", "no-first-run", "disable-sync",
                         "disable-background-networking", "disable-component-update",
                         "disable-renderer-backgrounding", "disable-background-timer-throttling",
                         *FRAME_FLAGS, "user-data-dir=" + tempfile.mkdtemp(dir=folder)):
            options.add_argument("--" + argument)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
        self.driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")),
                                       options=options)
        stack.callback(self.driver.quit)
        self.url, self.windows = url, []

    def open_page(self):
        if self.windows:
            self.driver.switch_to.new_window("window")
        self.windows.append(self.driver.current_window_handle)
        for command, arguments in (("setDeviceMetricsOverride", {"width": 360, "height": 740,
                                    "deviceScaleFactor": 1, "mobile": True}),
                                   ("setTouchEmulationEnabled", {"enabled": True})):
            self.driver.execute_cdp_cmd("Emulation." + command, arguments)
        self.driver.get(self.url)
        desk = self.driver.find_element(By.ID, "desk")
        if len(self.windows) == 1:  # the first pairs by code; the others by its kept token
            wait_until(lambda: self.driver.find_element(By.ID, "code").is_displayed(), "Code")
            self.driver.find_element(By.ID, "code").send_keys(CODE)
            self.driver.find_element(By.XPATH, "//button[.='Pair']").click()
        wait_until(desk.is_displayed, "page %d to pair" % len(self.windows))

    def client_point(self, x, y):
        """Where room point (x, y) is in the window (the plan's y grows toward the front)."""
        a, d, e, f = self.ctm
        return {"x": a * x + e, "y": d * (127 - y) + f, "id": 1, "radiusX": 5, "radiusY": 5}

    def touch(self, kind, point=None):
        self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                    {"type": kind, "touchPoints": [point] if point else []})

    def source_point(self):
        """Where the first page draws the dragged source, in room units."""
        self.driver.switch_to.window(self.windows[0])
        dot = self.driver.find_element(By.CSS_SELECTOR, "[aria-label='Source %d'] .dot" % CHANNEL)
        return (round(float(dot.get_attribute("cx"))), 127 - round(float(dot.get_attribute("cy"))))

    def drag(self, moves, until=None, hz=TOUCH_HZ):
        """Touches the dragged source on the first page and moves the finger through moves at hz
        a second, until they end or time.monotonic() passes until; [(dispatch time, point)]."""
        self.driver.switch_to.window(self.windows[0])
        self.ctm = self.driver.execute_script(  # as a thumb would, the plan brought into view
            "const p = document.getElementById('plan'); p.scrollIntoView({block: 'nearest'});"
            "const m = p.getScreenCTM(); return [m.a, m.d, m.e, m.f]")
        down = self.client_point(*self.source_point())
        under = self.driver.execute_script(
            "const e = document.elementFromPoint(...arguments); return e && (e.closest('.source')"
            " || e).outerHTML.slice(0, 120)", down["x"], down["y"])
        if 'aria-label="Source %d"' % CHANNEL not in (under or ""):
            sys.exit("the finger goes down at %s on %s, not on Source %d (the page says %s)" % (
                down, under, CHANNEL, self.driver.find_element(By.ID, "status").text))
        self.touch("touchStart", down)
        steps, next_at = [], time.monotonic()
        for point in moves:
            next_at += 1 / hz
            time.sleep(max(0, next_at - time.monotonic()))
            if until and time.monotonic() >= until:
                break
            steps.append((time.monotonic(), point))
            self.touch("touchMove", self.client_point(*point))
        self.touch("touchEnd")
        return steps


def latency(phone, dump):
    """200 one-unit steps, right along X then forward along Y, so each (controller, value) is
    met once and an arrival names its step; a step merged into a later one does not arrive."""
    phone.driver.get_log("performance")
    if phone.source_point() != (13, 13):
        sys.exit("Source %d is not at (13, 13) as the setup puts it" % CHANNEL)
    steps = phone.drag([(x, 13) for x in range(14, 114)] + [(113, y) for y in range(14, 114)])
    time.sleep(1)
    heard = [(t, m) for t, m in list(dump) if t >= steps[0][0]]
    # The page's frames, timed on the same monotonic clock, split the delay in two.
    sent = []
    for entry in phone.driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.webSocketFrameSent":
            move = json.loads(message["params"]["response"]["payloadData"])
            if move.get("type") == "move":
                sent.append((message["params"]["timestamp"], move.get("x"), move.get("y")))
    delays, browser, program = [], [], []
    for at, (x, y) in steps:
        key = [0xB0 + CHANNEL - 1] + ([20, x] if y == 13 else [21, y])
        arrived = next((t for t, m in heard if t >= at and m == key), None)
        if arrived is not None:
            delays.append(1000 * (arrived - at))
            frame = next((t for t, fx, fy in sent if t >= at and (fx, fy) == (x, y)), None)
            if frame is not None and frame <= arrived:
                browser.append(1000 * (frame - at))
                program.append(1000 * (arrived - frame))
    if len(delays) < 2:
        sys.exit("%d steps of the drag reached the wire" % len(delays))
    rate = (len(steps) - 1) / (steps[-1][0] - steps[0][0])
    print("1. touch-drag latency: median %.1f ms, 95th percentile %.1f ms, max %.1f ms; %d of "
          "%d steps reached the wire (%.0f touch moves a second)" % (
              statistics.median(delays), statistics.quantiles(delays, n=20)[18], max(delays),
              len(delays), len(steps), rate))
    if browser:
        print("   of which, in medians of %d steps: %.1f ms from the touch to the page's frame on "
              "its socket, %.1f ms from that frame to the dump" % (
                  len(browser), statistics.median(browser), statistics.median(program)))


def cost(phone, dump, pid):
    while len(phone.windows) < PAGES:
        phone.open_page()
    time.sleep(2)  # the pages' first pictures settle
    cpu, start = cpu_seconds(pid), time.monotonic()
    time.sleep(SECONDS)
    idle = 100 * (cpu_seconds(pid) - cpu) / (time.monotonic() - start)
    # From where the source is onto a circle round the room's middle, once every two
    # seconds, so that X and Y both change at every move.
    x, y = phone.source_point()

    def moves():
        for i in range(1, 11):
            yield (x + (104 - x) * i // 10, y + (64 - y) * i // 10)
        for i in itertools.count():
            angle = 2 * math.pi * i / (2 * TOUCH_HZ)
            yield (64 + round(40 * math.cos(angle)), 64 + round(40 * math.sin(angle)))
    cpu, start = cpu_seconds(pid), time.monotonic()
    steps = phone.drag(moves(), until=start + SECONDS)
    end = time.monotonic()
    dragging = 100 * (cpu_seconds(pid) - cpu) / (end - start)
    # The rate of moves depends on how busy the machine is, so the cost of one is given too.
    print("2. the program's CPU with %d paired pages: %.2f %% of one core idle, %.2f %% while "
          "one drags (%.0f touch moves a second, %.0f µs of CPU each)" % (
              PAGES, idle, dragging, len(steps) / (end - start),
              1e4 * (dragging - idle) * (end - start) / max(1, len(steps))))
    heard = [t for t, _ in list(dump) if start <= t <= end]
    seconds = [0] * (int(end - start) + 1)
    for t in heard:
        seconds[int(t - start)] += 1
    print("3. on the wire during the drag: %.0f messages a second on average, %d in the busiest "
          "second (the cable carries about 1,000)" % (len(heard) / (end - start), max(seconds)))


def main():
    if "--no-frame-limit" in sys.argv:  # frames as fast as they render, as on a 120 Hz phone
        sys.argv.remove("--no-frame-limit")
        FRAME_FLAGS.extend(["disable-gpu-vsync", "disable-frame-rate-limit"])
    if len(sys.argv) != 3 or not os.environ.get("ORBIS_TEST_JACK_SERVER"):
        sys.exit(__doc__)
    orbis, orbis_send = sys.argv[1:]
    jack = dict(os.environ, JACK_DEFAULT_SERVER=os.environ["ORBIS_TEST_JACK_SERVER"],
                ORBIS_MIDI_API="jack")
    with ExitStack() as stack:
        folder = tempfile.mkdtemp(prefix="orbis-outside-")
        stack.callback(shutil.rmtree, folder, True)
        client = "orbis-outside-%d" % os.getpid()
        dump = listen(stack, jack, client)

        def device():
            ports = subprocess.run([orbis_send, "--list-ports"], env=jack, capture_output=True,
                                   text=True).stdout
            found = re.search(r"^\s*(\d+)\s+%s:" % client, ports, re.M)
            return found and int(found.group(1))
        setup = write_setup(folder, {CHANNEL: (13, 13)}, wait_until(device, "the dump in --list-ports"))

        port = free_port(socket.SOCK_STREAM)
        env = dict(jack, XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   XDG_DATA_HOME=os.path.join(folder, "data"), QT_QPA_PLATFORM="offscreen")
        log = stack.enter_context(open(os.path.join(folder, "orbis.log"), "w+"))
        program = subprocess.Popen([orbis, "--remote-port", str(port), "--remote-code", CODE,
                                    "--osc-port", str(free_port(socket.SOCK_DGRAM)), setup],
                                   env=env, stdout=log, stderr=subprocess.STDOUT)
        stack.callback(program.wait, 60)
        stack.callback(program.send_signal, signal.SIGTERM)

        def serving():
            if program.poll() is not None:
                log.seek(0)
                sys.exit("the program ended at start-up:\n" + log.read())
            with socket.socket() as s:
                return s.connect_ex(("127.0.0.1", port)) == 0
        wait_until(serving, "the program to serve the page", 60)

        phone = Phone(stack, folder, "http://127.0.0.1:%d/" % port)
        phone.open_page()
        latency(phone, dump)
        cost(phone, dump, program.pid)


if __name__ == "__main__":
    main()
