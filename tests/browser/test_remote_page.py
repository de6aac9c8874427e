#!/usr/bin/python3
"""The remote page in headless Chromium against the real program: what only a browser shows.

Usage: test_remote_page.py ORBIS ORBIS_SEND [unittest arguments]

Each test starts its own program on free loopback ports with its own settings folder. Exits
77 (skipped) when Chromium, chromedriver or Selenium is missing; the Control Change test
needs the private JACK server named in ORBIS_TEST_JACK_SERVER and is skipped without it.
"""
import json
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SKIPPED = 77
CODE = "123456"
HERE = os.path.dirname(os.path.abspath(__file__))
FRESH_SETUP = os.path.join(HERE, "..", "model", "data", "fresh.ocont2")

if len(sys.argv) < 3:
    sys.exit(__doc__)
ORBIS, ORBIS_SEND = sys.argv[1], sys.argv[2]
del sys.argv[1:3]

CHROMIUM = shutil.which("chromium")
CHROMEDRIVER = shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    from selenium.webdriver.common.by import By
except ImportError:
    webdriver = None
if not (CHROMIUM and CHROMEDRIVER and webdriver):
    print("skipped: chromium, chromedriver or python3-selenium is not installed")
    sys.exit(SKIPPED)
try:
    import liblo
except ImportError:
    liblo = None


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(condition, what, timeout=20):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


def write_setup(folder, positions, out_port=0):
    """A fresh controller file with some sources placed, sending to output device
    out_port (1 is the first device of --list-ports, 0 none)."""
    with open(FRESH_SETUP, newline="") as f:
        sections = f.read().split("<dict>")
    for n, (x, y) in positions.items():
        for key, value in (("XPosition0", x), ("YPosition0", y)):
            sections[n] = re.sub(r"(<key>%s</key>\s*<integer>)\d+" % key, r"\g<1>%d" % value,
                                 sections[n])
    sections[9] = re.sub(r"(<key>outMIDIPort</key>\s*<integer>)\d+", r"\g<1>%d" % out_port,
                         sections[9])
    path = os.path.join(folder, "setup.ocont2")
    with open(path, "w", newline="") as f:
        f.write("<dict>".join(sections))
    return path


class RemotePageTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orbis-page-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.port = free_port(socket.SOCK_STREAM)
        self.osc_port = free_port(socket.SOCK_DGRAM)
        self.url = "http://127.0.0.1:%d/" % self.port
        self.program = None

    def start_program(self, setup=None, environment=None):
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.folder, "config"),
                   QT_QPA_PLATFORM="offscreen", **(environment or {}))
        arguments = [ORBIS, "--remote-port", str(self.port), "--remote-code", CODE,
                     "--osc-port", str(self.osc_port)] + ([setup] if setup else [])
        self.program = subprocess.Popen(arguments, env=env)
        self.addCleanup(self.stop_program)

        def listening():
            self.assertIsNone(self.program.poll(), "the program ended at start-up")
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                return False
        wait_until(listening, "the program to serve the page", 60)

    def stop_program(self):
        self.program.send_signal(signal.SIGTERM)
        try:
            status = self.program.wait(60)
        except subprocess.TimeoutExpired:
            self.program.kill()
            self.program.wait()
            self.fail("the program did not end on SIGTERM")
        self.assertEqual(status, 0, "the program's exit status")

    def browser(self):
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         "--user-data-dir=" + tempfile.mkdtemp(dir=self.folder)):
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
        driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.addCleanup(driver.quit)
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 360, "height": 740, "deviceScaleFactor": 1,
                                "mobile": True})
        return driver

    def open_paired(self, driver=None):
        driver = driver or self.browser()
        driver.get(self.url)
        self.pair(driver, CODE)
        wait_until(lambda: driver.find_element(By.ID, "desk").is_displayed(), "the room")
        return driver

    @staticmethod
    def pair(driver, code):
        label = wait_until(lambda: driver.find_elements(By.XPATH, "//label[.='Code']"),
                           "the code field")[0]
        field = driver.find_element(By.ID, label.get_attribute("for"))
        wait_until(field.is_displayed, "the code to be asked")
        field.clear()
        field.send_keys(code)
        driver.find_element(By.XPATH, "//button[.='Pair']").click()

    @staticmethod
    def room_point(driver, n):
        """Where the page draws source n, in room units (y grows toward the front)."""
        dot = driver.find_element(By.CSS_SELECTOR, "[aria-label='Source %d'] .dot" % n)
        return (float(dot.get_attribute("cx")), 127 - float(dot.get_attribute("cy")))

    @staticmethod
    def units_to_pixels(driver):
        return driver.execute_script(
            "return document.getElementById('plan').getScreenCTM().a")

    def test_pairs_over_loopback_only(self):
        self.start_program()
        driver = self.browser()
        driver.get(self.url)
        self.pair(driver, "000000")
        error = driver.find_element(By.ID, "pair-error")
        wait_until(lambda: error.text, "the refusal")
        self.assertEqual(error.text, "Wrong code: 2 attempts left")
        self.pair(driver, CODE)
        wait_until(lambda: driver.find_element(By.ID, "desk").is_displayed(), "the room")
        self.assertRegex(driver.execute_script("return localStorage.getItem('orbis.token')"),
                         "^[0-9a-f]{32}$")
        driver.refresh()
        wait_until(lambda: driver.find_element(By.ID, "desk").is_displayed(),
                   "the room again, paired by the kept token")
        self.assertFalse(driver.find_element(By.ID, "pair").is_displayed())

        urls = []
        for entry in driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                urls.append(message["params"]["request"]["url"])
            elif message["method"] == "Network.webSocketCreated":
                urls.append(message["params"]["url"])
        origin = "127.0.0.1:%d/" % self.port
        self.assertIn("ws://" + origin + "ws", urls)
        for url in ("http://" + origin + name for name in ("", "remote.css", "remote.js")):
            self.assertIn(url, urls)
        for url in urls:
            self.assertTrue(url.startswith(("http://" + origin, "ws://" + origin, "data:")),
                            url + " leaves the machine")
        problems = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(problems, [], "the console (a refused style or script shows here)")

    def test_reads_as_sources_and_levels_on_a_phone(self):
        self.start_program()
        driver = self.open_paired()
        driver.execute_cdp_cmd("Accessibility.enable", {})
        nodes = driver.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]

        def named(name):
            found = [n for n in nodes if n.get("name", {}).get("value") == name]
            self.assertEqual(len(found), 1, name)
            return found[0]
        for n in range(1, 9):
            source = named("Source %d" % n)
            self.assertEqual(source["role"]["value"], "button")
            text = driver.find_element(By.ID, "pos-%d" % n).text
            self.assertRegex(text, r"^X .+, Y .+, Z .+$")
            self.assertEqual(source["description"]["value"], text)
            level = named("Input level %d" % n)
            self.assertEqual(level["role"]["value"], "slider")
        speakers = driver.find_elements(By.CSS_SELECTOR, "#speakers [aria-label^='Loudspeaker']")
        self.assertGreaterEqual(len(speakers), 1)

        self.assertLessEqual(
            driver.execute_script("return document.documentElement.scrollWidth"), 360,
            "nothing scrolls sideways at 360 px")
        background = driver.execute_script("return getComputedStyle(document.body).backgroundColor")
        red, green, blue = (int(v) for v in re.findall(r"\d+", background)[:3])
        self.assertLess(0.2126 * red + 0.7152 * green + 0.0722 * blue, 40, background)
        driver.save_screenshot("/tmp/remote-page.png")

    @unittest.skipIf(liblo is None, "python3-liblo is not installed")
    def test_moves_reach_every_page(self):
        self.start_program(write_setup(self.folder, {3: (30, 30), 5: (90, 90)}))
        mover = self.open_paired()
        watcher = self.open_paired()
        wait_until(lambda: self.room_point(watcher, 3) == (30, 30), "source 3 where the file puts it")
        self.assertEqual(self.room_point(watcher, 5), (90, 90))

        # Two fingers at once, each on its own source: 3 to the front, 5 to the back.
        scale = self.units_to_pixels(mover)
        actions = ActionBuilder(mover)
        fingers = [actions.add_pointer_input("touch", name)
                   for name in ("first", "second")]
        for finger, n in zip(fingers, (3, 5)):
            source = mover.find_element(By.CSS_SELECTOR, "[aria-label='Source %d']" % n)
            finger.create_pointer_move(origin=source)
            finger.create_pointer_down()
        for _ in range(5):
            fingers[0].create_pointer_move(x=0, y=int(-8 * scale), origin="pointer")
            fingers[1].create_pointer_move(x=0, y=int(8 * scale), origin="pointer")
        for finger in fingers:
            finger.create_pointer_up(0)
        actions.perform()
        wait_until(lambda: self.room_point(watcher, 3)[1] > 60, "source 3 moved on the other page")
        wait_until(lambda: self.room_point(watcher, 5)[1] < 60, "source 5 moved on the other page")
        self.assertEqual(self.room_point(watcher, 3)[0], 30)

        # The desk's move, over OSC: right and back, which is lower on the plan.
        text = watcher.find_element(By.ID, "pos-2").text
        liblo.send(("127.0.0.1", self.osc_port), "/adm/obj/2/xyz", 0.5, -0.5, 0.0)
        for page in (mover, watcher):
            wait_until(lambda: self.room_point(page, 2)[0] > 90, "source 2 moved by the desk")
            x, y = self.room_point(page, 2)
            self.assertLess(y, 40)
            self.assertNotEqual(page.find_element(By.ID, "pos-2").text, text)

    def test_a_drag_sends_control_changes(self):
        server = os.environ.get("ORBIS_TEST_JACK_SERVER")
        if not server:
            self.skipTest("ORBIS_TEST_JACK_SERVER is not set: no private JACK server")
        jack = {"JACK_DEFAULT_SERVER": server, "ORBIS_MIDI_API": "jack"}
        client = "orbis-page-%d" % os.getpid()
        dump = subprocess.Popen(["stdbuf", "-oL", "jack_midi_dump", client],
                                env=dict(os.environ, **jack), stdout=subprocess.PIPE, text=True)
        self.addCleanup(dump.wait)
        self.addCleanup(dump.terminate)

        def device():
            ports = subprocess.run([ORBIS_SEND, "--list-ports"], env=dict(os.environ, **jack),
                                   capture_output=True, text=True).stdout
            found = re.search(r"^\s*(\d+)\D.*%s" % client, ports, re.M)
            return found and int(found.group(1))
        out_port = wait_until(device, "the dump's port in --list-ports")
        self.start_program(write_setup(self.folder, {3: (20, 30)}, out_port), jack)
        driver = self.open_paired()

        scale = self.units_to_pixels(driver)
        source = driver.find_element(By.CSS_SELECTOR, "[aria-label='Source 3']")
        (ActionChains(driver).click_and_hold(source).move_by_offset(40 * scale, -30 * scale)
         .move_by_offset(40 * scale, -30 * scale).release().perform())
        wait_until(lambda: self.room_point(driver, 3)[0] > 90, "the program's echo of the drag")
        x, y = self.room_point(driver, 3)
        self.assertAlmostEqual(x, 100, delta=2)
        self.assertAlmostEqual(y, 90, delta=2)

        # The processor hears the final position as Control Changes 20 and 21 on channel 3.
        dump.terminate()
        heard = [[int(b, 16) for b in re.findall(r"\b[0-9a-f]{2}\b", line.split(":", 1)[-1])]
                 for line in dump.communicate(timeout=30)[0].splitlines()]
        last = {m[1]: m[2] for m in heard if len(m) == 3 and m[0] == 0xB2}
        self.assertEqual((last.get(20), last.get(21)), (x, y), heard)


if __name__ == "__main__":
    unittest.main(verbosity=2)
