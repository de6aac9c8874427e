#!/usr/bin/env python3
"""Controller files against Python's own property-list module, both ways.

usage: plist_interop.py PROBE WORKDIR
"""
import os
import plistlib
import random
import subprocess
import sys

probe, workdir = sys.argv[1], sys.argv[2]
os.makedirs(workdir, exist_ok=True)


def parse_values(output):
    channels = [dict() for _ in range(8)]
    globals_ = {}
    for line in output.splitlines():
        key, channel, value = line.split()
        if channel == "-":
            globals_[key] = int(value)
        else:
            channels[int(channel)][key] = int(value)
    return channels + [globals_]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


# A file we write parses as a list of nine dictionaries of integers equal to the document.
for seed in range(1, 9):
    path = os.path.join(workdir, "ours-%d.ocont2" % seed)
    output = subprocess.run([probe, "write", str(seed), path], check=True,
                            capture_output=True, text=True).stdout
    expected = parse_values(output)
    with open(path, "rb") as f:
        parsed = plistlib.load(f, fmt=plistlib.FMT_XML)
    if not isinstance(parsed, list) or len(parsed) != 9:
        fail("seed %d: root is not a list of nine" % seed)
    for i, d in enumerate(parsed):
        if not isinstance(d, dict) or not all(type(v) is int for v in d.values()):
            fail("seed %d: dictionary %d is not a dictionary of integers" % (seed, i))
        wanted = expected[i]
        if d != wanted:
            diff = sorted(k for k in set(d) | set(wanted) if d.get(k) != wanted.get(k))
            fail("seed %d: dictionary %d differs at %s" % (seed, i, diff[:5]))

# A file the module writes, with its own indentation and LF line ends, reads the same.
keys = parse_values(subprocess.run([probe, "write", "0", os.path.join(workdir, "keys.ocont2")],
                                   check=True, capture_output=True, text=True).stdout)
rng = random.Random(99)
for round_ in range(8):
    document = []
    for i in range(9):
        names = list(keys[i])
        document.append({k: rng.choice([rng.randint(0, 127), rng.randint(-2**31, 2**31 - 1)])
                         for k in names})
    path = os.path.join(workdir, "theirs-%d.ocont2" % round_)
    with open(path, "wb") as f:
        plistlib.dump(document, f, fmt=plistlib.FMT_XML, sort_keys=(round_ % 2 == 0))
    with open(path, "rb") as f:
        if b"\r" in f.read():
            fail("plistlib wrote CR")
    read = parse_values(subprocess.run([probe, "read", path], check=True,
                                       capture_output=True, text=True).stdout)
    for i in range(9):
        if read[i] != document[i]:
            fail("round %d: dictionary %d read differently" % (round_, i))

print("plist interoperability: ok")
