#!/usr/bin/env python3
"""Writes the nine factory setups into Presets/ as controller files (.ocont2).

The files are committed; run this again after changing a setup:

    python3 resources/make_presets.py

Routing is given as (source kind, channel) per patchbay destination, the way the
Patchbay window edits it; the route code the processor receives is derived here as the
window derives it. Positions are 0-127 on the room pad: X grows to the right, Y to the
front (the listener faces the top edge), the listener stands at (64, 64).
"""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), "Presets")

CHANNELS = 8

# Source kinds of the patchbay.
NO_SIGNAL, HOST_OUTPUT, RURUZIV_OPT_OUT, SPATIALIZER_OUT, SUBMIX_SEND_A, SUBMIX_SEND_B = range(6)

# Destination: (source-kind key, channel key, route-code key).
DESTINATIONS = {
    "HostIn": ("HostInPBSelect", "HostInValPBSelect", "ValHostInPBSelect"),
    "SpatIn": ("SpatInPBSelect", "SpatInValPBSelect", "ValSpatInPBSelect"),
    "RosIn": ("RosInPBSelect", "RosInValPBSelect", "ValRosInPBSelect"),
    "SubA": ("SubAPBSelect", "SubAValSelect", "ValSubASelect"),
    "SubB": ("SubBPBSelect", "SubBValSelect", "ValSubBSelect"),
    "InsertA": ("InsertAPBSelect", "InsertAValSelect", "ValInsertASelect"),
    "InsertB": ("InsertBPBSelect", "InsertBValSelect", "ValInsertBSelect"),
}

CHANNEL_DEFAULTS = {
    "Attenuation": 64, "BellFactor": 64, "DopplerDepth": 64, "FrontRear": 64,
    "GainEnhance": 64, "HPFCutOff": 0, "ITDDepth": 64, "InputLevel": 100,
    "InsertAGain": 0, "InsertBGain": 0, "LPFCutOff": 127, "SpatOutXPos": 64,
    "SpatOutYPos": 64, "SpatOutZPos": 64, "SubMixAInput": 0, "SubMixBInput": 0,
    "XPosition": 64, "YPosition": 64, "ZPosition": 64,
}
for keys in DESTINATIONS.values():
    for key in keys:
        CHANNEL_DEFAULTS[key] = 0

GLOBAL_DEFAULTS = {
    "DefaultPreset": 0, "DefaultPresetAvvio": 0, "Frequence": 0, "MasterOutgain": 100,
    "MatrixSpeed": 0, "NMatrixOutput": 5, "RoomSide": 11, "outMIDIPort": 0,
}

RING_RADIUS = 56      # loudspeakers near the walls of the pad
LFE_LOW_PASS = 16     # about 120 Hz at 48 kHz
RATE_48K = 1


def route_code(kind, channel):
    return {HOST_OUTPUT: 8 + channel, RURUZIV_OPT_OUT: 16 + channel,
            SPATIALIZER_OUT: 24 + channel, SUBMIX_SEND_A: 32, SUBMIX_SEND_B: 33}.get(kind, 0)


def position(azimuth, radius=RING_RADIUS):
    """Pad X, Y of a point at `azimuth` degrees clockwise from the front."""
    a = math.radians(azimuth)
    return round(64 + radius * math.sin(a)), round(64 + radius * math.cos(a))


class Setup:
    def __init__(self):
        self.channels = [dict(CHANNEL_DEFAULTS) for _ in range(CHANNELS)]
        self.globals = dict(GLOBAL_DEFAULTS, Frequence=RATE_48K)

    def route(self, destination, input_channel, kind, channel=None):
        kind_key, channel_key, code_key = DESTINATIONS[destination]
        stored = channel if channel is not None else 0
        values = self.channels[input_channel]
        values[kind_key] = kind
        values[channel_key] = stored
        values[code_key] = route_code(kind, stored)

    def loudspeakers(self, azimuths, radius=RING_RADIUS, heights=None):
        self.globals["NMatrixOutput"] = len(azimuths)
        for i, azimuth in enumerate(azimuths):
            x, y = position(azimuth, radius[i] if isinstance(radius, list) else radius)
            self.channels[i]["SpatOutXPos"] = x
            self.channels[i]["SpatOutYPos"] = y
            if heights:
                self.channels[i]["SpatOutZPos"] = heights[i]

    def source_on_loudspeaker(self, source, loudspeaker):
        values = self.channels[source]
        speaker = self.channels[loudspeaker]
        values["XPosition"] = speaker["SpatOutXPos"]
        values["YPosition"] = speaker["SpatOutYPos"]
        values["ZPosition"] = speaker["SpatOutZPos"]

    def low_frequency_channel(self, source):
        """The LFE channel: no direction of its own, so it stays with the listener, low-passed."""
        values = self.channels[source]
        values["XPosition"] = values["YPosition"] = 64
        values["LPFCutOff"] = LFE_LOW_PASS

    def silence(self, source):
        self.channels[source]["InputLevel"] = 0

    def text(self):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>',
                 '<!DOCTYPE plist PUBLIC "-//Apple Computer//DTD PLIST 1.0//EN" '
                 '"http://www.apple.com/DTDs/PropertyList-1.0.dtd">',
                 '<plist version="1.0">', "<array>"]
        sections = [{key + "0": value for key, value in channel.items()} for channel in self.channels]
        sections.append(self.globals)
        for section in sections:
            lines.append("\t<dict>")
            for key in sorted(section):
                lines.append(f"\t\t<key>{key}</key>")
                lines.append(f"\t\t<integer>{section[key]}</integer>")
            lines.append("\t</dict>")
        lines += ["</array>", "</plist>"]
        return "".join(line + "\r\n" for line in lines)


# Loudspeakers and the source channels on them, in the channel order of the formats:
# 5.1 is L R C LFE Ls Rs, 7.1 is L R C LFE Lss Rss Lrs Rrs.
ITU_51 = [-30, 30, 0, -110, 110]               # L R C Ls Rs
ITU_71 = [-30, 30, 0, -90, 90, -135, 135]      # L R C Lss Rss Lrs Rrs
RING_5 = [-72, 72, 0, -144, 144]               # a regular pentagon, centre in front


def surround(speakers, sources_without_lfe):
    """Sources 1-3 on loudspeakers 1-3, source 4 the LFE, the rest on the remaining ones."""
    def apply(setup):
        setup.loudspeakers(speakers)
        for source in range(CHANNELS):
            if source < 3:
                setup.source_on_loudspeaker(source, source)
            elif source == 3:
                setup.low_frequency_channel(source)
            elif source - 1 < sources_without_lfe:
                setup.source_on_loudspeaker(source, source - 1)
            else:
                setup.silence(source)
    return apply


def through_spatializer(source_kind, bounce=False):
    def apply(setup):
        for c in range(CHANNELS):
            setup.route("SpatIn", c, source_kind, c)
            setup.route("RosIn", c, SPATIALIZER_OUT, c)
            if bounce:
                setup.route("HostIn", c, SPATIALIZER_OUT, c)
    return apply


def no_dsp(setup):
    setup.loudspeakers([45 * i for i in range(CHANNELS)])
    for c in range(CHANNELS):
        setup.route("RosIn", c, HOST_OUTPUT, c)
        setup.route("HostIn", c, RURUZIV_OPT_OUT, c)
        setup.silence(c)  # the spatializer gets nothing to render


def ambiophonic(setup):
    # A front pair 10 degrees either side, close to the listener, carries the recording;
    # six raised loudspeakers around the room carry the hall's ambience.
    azimuths = [-10, 10, -60, 60, -110, 110, -160, 160]
    radii = [28, 28] + [RING_RADIUS] * 6
    heights = [64, 64] + [88] * 6
    setup.loudspeakers(azimuths, radii, heights)
    for source in range(CHANNELS):
        setup.source_on_loudspeaker(source, source)
    for source in range(2, CHANNELS):
        setup.channels[source]["InputLevel"] = 90


def custom(setup):
    # The start of the operator's own: FireWire through the spatializer to a ring of eight.
    setup.loudspeakers([45 * i for i in range(CHANNELS)])
    for source in range(CHANNELS):
        setup.source_on_loudspeaker(source, source)


PRESETS = [
    ("5.1_ITU_Ruruziv_AD_no_bounce.ocont2",
     [through_spatializer(RURUZIV_OPT_OUT), surround(ITU_51, 5)]),
    ("5.1_ITU_Firewire_no_bounce.ocont2",
     [through_spatializer(HOST_OUTPUT), surround(ITU_51, 5)]),
    ("5.1_Default_Ruruziv_AD_no_bounce.ocont2",
     [through_spatializer(RURUZIV_OPT_OUT), surround(RING_5, 5)]),
    ("5.1_Default_Firewire_no_bounce.ocont2",
     [through_spatializer(HOST_OUTPUT), surround(RING_5, 5)]),
    ("5.1_ITU_Firewire_with_bounce_to_disk.ocont2",
     [through_spatializer(HOST_OUTPUT, bounce=True), surround(ITU_51, 5)]),
    ("7.1_ITU_Firewire_no_bounce.ocont2",
     [through_spatializer(HOST_OUTPUT), surround(ITU_71, 7)]),
    ("8IO_FireWire_no_DSP.ocont2", [no_dsp]),
    ("Ambiphon_Ruruziv_AD.ocont2", [through_spatializer(RURUZIV_OPT_OUT), ambiophonic]),
    ("CustomPresetOrbisController14.ocont2", [through_spatializer(HOST_OUTPUT), custom]),
]


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, steps in PRESETS:
        setup = Setup()
        for step in steps:
            step(setup)
        with open(os.path.join(OUT, name), "w", newline="") as f:
            f.write(setup.text())


if __name__ == "__main__":
    main()
