"""What the remote page's browser test and its outside measurement share: free loopback
ports, waiting for a condition, and a controller file that places sources and names the
MIDI output device."""
import os
import re
import socket
import time

FRESH_SETUP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "model", "data",
                           "fresh.ocont2")


def free_port(kind):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(condition, what, timeout=30):
    end = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(0.05)
    return value


def write_setup(folder, positions, out_port=0):
    """A fresh controller file with sources n at (x, y), sending to output device out_port
    (as --list-ports numbers them; 0 none)."""
    with open(FRESH_SETUP, newline="") as f:
        sections = f.read().split("<dict>")
    values = [(n, "XPosition0", x) for n, (x, _) in positions.items()]
    values += [(n, "YPosition0", y) for n, (_, y) in positions.items()]
    for n, key, value in values + [(9, "outMIDIPort", out_port)]:
        sections[n] = re.sub(r"(<key>%s</key>\s*<integer>)\d+" % key, r"\g<1>%d" % value,
                             sections[n])
    path = os.path.join(folder, "setup.ocont2")
    with open(path, "w", newline="") as f:
        f.write("<dict>".join(sections))
    return path
