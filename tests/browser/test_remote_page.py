#!/usr/bin/python3
"""The remote page in headless Chromium against the real program: what only a browser shows.
Usage: test_remote_page.py ORBIS ORBIS_SEND [unittest arguments]. Each test starts its own
program on free loopback ports with its own settings and data folders. Exits 77 (skipped)
without Chromium, chromedriver or Selenium; the Control Change test needs the private JACK
server named in ORBIS_TEST_JACK_SERVER."""
import json
import os
import plistlib
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

from orbis_setup import free_port, wait_until, write_setup

CODE = "123456"
if len(sys.argv) < 3:
    sys.exit(__doc__)
ORBIS, ORBIS_SEND = sys.argv.pop(1), sys.argv.pop(1)
CHROMIUM, CHROMEDRIVER = shutil.which("chromium"), shutil.which("chromedriver")
try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.action_builder import ActionBuilder
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    import liblo
except ImportError:
    CHROMIUM = None
if not (CHROMIUM and CHROMEDRIVER):
    print("skipped: chromium, chromedriver, python3-selenium or python3-liblo is missing")
    sys.exit(77)


class RemotePageTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="orbis-page-")
        self.addCleanup(shutil.rmtree, self.folder, True)
        self.port = free_port(socket.SOCK_STREAM)
        self.osc_port = free_port(socket.SOCK_DGRAM)
        self.url = "http://127.0.0.1:%d/" % self.port

    def start_program(self, *arguments, environment=None):
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.folder, "config"),
                   XDG_DATA_HOME=os.path.join(self.folder, "data"), QT_QPA_PLATFORM="offscreen",
                   **(environment or {}))
        program = subprocess.Popen([ORBIS, "--remote-port", str(self.port), "--remote-code", CODE,
                                    "--osc-port", str(self.osc_port), *arguments], env=env)
        self.addCleanup(self.stop_program, program)

        def listening():
            self.assertIsNone(program.poll(), "the program ended at start-up")
            with socket.socket() as s:
                return s.connect_ex(("127.0.0.1", self.port)) == 0
        wait_until(listening, "the program to serve the page", 60)

    def stop_program(self, program):
        program.send_signal(signal.SIGTERM)
        try:
            self.assertEqual(program.wait(60), 0, "the program's exit status")
        except subprocess.TimeoutExpired:
            program.kill()
            program.wait()
            self.fail("the program did not end on SIGTERM")

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
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 360, "height": 740, "deviceScaleFactor": 1, "mobile": True})
        return driver

    def open_paired(self):
        driver = self.browser()
        driver.get(self.url)
        self.pair(driver, CODE)
        return driver

    @staticmethod
    def pair(driver, code):
        label = wait_until(lambda: driver.find_elements(By.XPATH, "//label[.='Code']"), "Code")[0]
        field = driver.find_element(By.ID, label.get_attribute("for"))
        wait_until(field.is_displayed, "the code to be asked")
        field.clear()
        field.send_keys(code)
        driver.find_element(By.XPATH, "//button[.='Pair']").click()
        if code == CODE:
            wait_until(driver.find_element(By.ID, "desk").is_displayed, "the room")

    @staticmethod
    def room_point(driver, n):
        """Where the page draws source n, in room units (y grows toward the front)."""
        dot = driver.find_element(By.CSS_SELECTOR, "[aria-label='Source %d'] .dot" % n)
        return (float(dot.get_attribute("cx")), 127 - float(dot.get_attribute("cy")))

    @staticmethod
    def pixels_per_unit(driver):
        return driver.execute_script("return document.getElementById('plan').getScreenCTM().a")

    def test_pairs_over_loopback_only(self):
        self.start_program()
        driver = self.browser()
        driver.get_log("performance")  # the browser's own start-up
        driver.get(self.url)
        self.pair(driver, "000000")
        error = driver.find_element(By.ID, "pair-error")
        wait_until(lambda: error.text, "the refusal")
        self.assertEqual(error.text, "Wrong code: 2 attempts left")
        self.pair(driver, CODE)
        token = driver.execute_script("return localStorage['orbis.token'] || ''")
        self.assertRegex(token, "^[0-9a-f]{32}$")
        driver.refresh()
        wait_until(driver.find_element(By.ID, "desk").is_displayed, "the room by the kept token")
        self.assertFalse(driver.find_element(By.ID, "pair").is_displayed())

        urls = []
        for entry in driver.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] in ("Network.requestWillBeSent", "Network.webSocketCreated"):
                urls.append(message["params"].get("request", message["params"])["url"])
        origin = "127.0.0.1:%d/" % self.port
        for url in ("ws://" + origin + "ws", "http://" + origin, "http://" + origin + "remote.js",
                    "http://" + origin + "remote.css"):
            self.assertIn(url, urls)
        for url in urls:
            self.assertTrue(url.startswith(("http://" + origin, "ws://" + origin, "data:")), url)
        problems = [e["message"] for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(problems, [], "the console (where a refused style or script shows)")

    def test_reads_as_sources_and_levels_on_a_phone(self):
        self.start_program()
        driver = self.open_paired()
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
            self.assertEqual(named("Input level %d" % n)["role"]["value"], "slider")

        self.assertLessEqual(driver.execute_script("return document.documentElement.scrollWidth"),
                             360, "nothing scrolls sideways at 360 px")
        background = driver.execute_script("return getComputedStyle(document.body).backgroundColor")
        red, green, blue = (int(v) for v in re.findall(r"\d+", background)[:3])
        self.assertLess(0.2126 * red + 0.7152 * green + 0.0722 * blue, 40, background)
        driver.save_screenshot("/tmp/remote-page.png")

    def test_moves_reach_every_page(self):
        self.start_program(write_setup(self.folder, {3: (30, 30), 5: (90, 90)}))
        mover, watcher = self.open_paired(), self.open_paired()
        self.assertEqual((self.room_point(watcher, 3), self.room_point(watcher, 5)),
                         ((30, 30), (90, 90)))

        # Two fingers at once, each on its own source: 3 to the front, 5 to the back.
        step = int(8 * self.pixels_per_unit(mover))
        actions = ActionBuilder(mover)
        fingers = [actions.add_pointer_input("touch", name) for name in ("first", "second")]
        for finger, n in zip(fingers, (3, 5)):
            finger.create_pointer_move(
                origin=mover.find_element(By.CSS_SELECTOR, "[aria-label='Source %d']" % n))
            finger.create_pointer_down()
        for _ in range(5):
            fingers[0].create_pointer_move(x=0, y=-step, origin="pointer")
            fingers[1].create_pointer_move(x=0, y=step, origin="pointer")
        for finger in fingers:
            finger.create_pointer_up(0)
        actions.perform()
        wait_until(lambda: self.room_point(watcher, 3)[1] > 60, "source 3 moved on the other page")
        wait_until(lambda: self.room_point(watcher, 5)[1] < 60, "source 5 moved on the other page")
        self.assertEqual(self.room_point(watcher, 3)[0], 30)

        # A level set on one page reads on the other.
        level = watcher.find_element(By.CSS_SELECTOR, "[aria-label='Input level 4'] ~ .level-text")
        before = level.text
        mover.find_element(By.CSS_SELECTOR, "[aria-label='Input level 4']").send_keys(Keys.HOME)
        wait_until(lambda: level.text != before, "the new level on the other page")

        # The desk's move, over OSC: right and back, which is low on the plan.
        text = watcher.find_element(By.ID, "pos-2").text
        liblo.send(("127.0.0.1", self.osc_port), "/adm/obj/2/xyz", 0.5, -0.5, 0.0)
        for page in (mover, watcher):
            wait_until(lambda: self.room_point(page, 2)[0] > 90, "source 2 moved by the desk")
            self.assertLess(self.room_point(page, 2)[1], 40)
            self.assertNotEqual(page.find_element(By.ID, "pos-2").text, text)

    def test_go_and_stop_show_the_cues(self):
        def cue(number, name, fade):
            return {"Channel Values": [{}] * 8, "Channels": [], "Fade": fade, "Global Values": {},
                    "Groups": [], "Name": name, "Number": number, "Path": "straight"}
        show = os.path.join(self.folder, "show.oshow")
        with open(show, "wb") as f:
            plistlib.dump({"Cues": [cue(1, "Opening", 0), cue(2.5, "Fade", 600)],
                           "Draft": False, "Made With": "a test", "Orbis Show Version": 1}, f)
        self.start_program("--cues", show)
        driver = self.open_paired()
        text = {name: driver.find_element(By.ID, name) for name in ("live", "next", "progress")}
        go, stop = (driver.find_element(By.XPATH, "//button[.='%s']" % n) for n in ("GO", "Stop"))
        for expected in (("Live: 1 Opening", "Next: 2.5 Fade"), ("Live: 2.5 Fade", "Next: –")):
            go.click()
            wait_until(lambda: (text["live"].text, text["next"].text) == expected, str(expected))
        wait_until(text["progress"].is_displayed, "the fade's progress")
        stop.click()
        wait_until(lambda: not text["progress"].is_displayed(), "the fade stopped")

    def test_a_drag_sends_control_changes(self):
        server = os.environ.get("ORBIS_TEST_JACK_SERVER")
        if not server:
            self.skipTest("ORBIS_TEST_JACK_SERVER is not set: no private JACK server")
        jack = {"JACK_DEFAULT_SERVER": server, "ORBIS_MIDI_API": "jack"}
        client = "orbis-page-%d" % os.getpid()
        dump = subprocess.Popen(["jack_midi_dump", client], env=dict(os.environ, **jack),
                                stdout=subprocess.PIPE, text=True)
        self.addCleanup(dump.communicate)
        self.addCleanup(dump.terminate)
        heard = []  # "   0: b2 14 40 control change ..." -> [0xB2, 0x14, 0x40]
        threading.Thread(target=lambda: heard.extend(
            [int(b, 16) for b in m.group(1).split()] for m in
            (re.match(r"\s*\d+:((?: [0-9a-f]{2})+)", line) for line in dump.stdout) if m),
            daemon=True).start()

        def device():
            ports = subprocess.run([ORBIS_SEND, "--list-ports"], env=dict(os.environ, **jack),
                                   capture_output=True, text=True).stdout
            found = re.search(r"^\s*(\d+)\s+%s:" % client, ports, re.M)
            return found and int(found.group(1))
        out_port = wait_until(device, "the dump's port in --list-ports")
        self.start_program(write_setup(self.folder, {3: (20, 30)}, out_port), environment=jack)
        driver = self.open_paired()

        scale = self.pixels_per_unit(driver)
        source = driver.find_element(By.CSS_SELECTOR, "[aria-label='Source 3']")
        (ActionChains(driver).click_and_hold(source).move_by_offset(40 * scale, -30 * scale)
         .move_by_offset(40 * scale, -30 * scale).release().perform())
        wait_until(lambda: self.room_point(driver, 3)[0] > 90, "the drag's end")
        x, y = self.room_point(driver, 3)
        self.assertAlmostEqual(x, 100, delta=2)
        self.assertAlmostEqual(y, 90, delta=2)

        def last_position():  # Control Changes 20, 21 and 22 on channel 3; Z stays at 64
            last = {m[1]: m[2] for m in list(heard) if len(m) == 3 and m[0] == 0xB2}
            return (last.get(20), last.get(21), last.get(22)) == (x, y, 64)
        wait_until(last_position,
                   lambda: "(%d, %d, 64) as Control Changes; heard %s" % (x, y, heard))


if __name__ == "__main__":
    unittest.main(verbosity=2)
