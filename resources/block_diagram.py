"""Draws bitmap 198, the block diagram of the Orbis processor (866 x 505, 256 colours).

The picture is a list of drawing primitives rendered by ImageMagick in one call: the
patchbay in the middle with its 34 inputs on the left (host, converter, test signals
and the three signals that come back from the processing blocks along the bottom) and
its 56 outputs on the right (host and converter sends through gain stages, the input
channel strips into the spatialization matrix, the two submixers and the two insert
inputs of the insert-return mixers). Run through make_pictures.py.
"""

import os
import subprocess

WIDTH, HEIGHT = 866, 505
FONT = "DejaVu-Sans"
BOLD = "DejaVu-Sans-Bold"

INK = "#1b2433"
LINE = "#34405a"
RETURN = "#9a3b1a"
PATCHBAY = "#2f5d9e"
SOURCE = "#dce9f7"
DESTINATION = "#e3f1de"
PROCESS = "#fbe9c8"
MIXER = "#f3d9d4"
GAIN = "#fff6b8"


class Drawing:
    def __init__(self):
        self.commands = [f"viewbox 0 0 {WIDTH} {HEIGHT}", "stroke-antialias 1", "text-antialias 1"]

    def box(self, x0, y0, x1, y1, fill, stroke=LINE, width=1.5, dashed=False):
        self.commands += ["push graphic-context", f"fill '{fill}'", f"stroke '{stroke}'",
                          f"stroke-width {width}"]
        if dashed:
            self.commands.append("stroke-dasharray 5 3")
        self.commands += [f"roundrectangle {x0},{y0} {x1},{y1} 5,5", "pop graphic-context"]

    def text(self, x, y, text, size=11, bold=False, colour=INK, anchor="middle"):
        assert "'" not in text and "\\" not in text, text
        self.commands += ["push graphic-context", f"font '{BOLD if bold else FONT}'",
                          f"font-size {size}", f"fill '{colour}'", "stroke none",
                          f"text-anchor {anchor}", f"text {x},{y} '{text}'",
                          "pop graphic-context"]

    def lines(self, text_lines, cx, top, first_size=12, size=10.5, pitch=14, titles=1):
        for i, line in enumerate(text_lines):
            self.text(cx, top + i * pitch, line, first_size if i < titles else size, bold=i < titles)

    def path(self, points, colour=LINE, width=1.6, arrow=True):
        coordinates = " ".join(f"{x},{y}" for x, y in points)
        self.commands += ["push graphic-context", "fill none", f"stroke '{colour}'",
                          f"stroke-width {width}", f"polyline {coordinates}",
                          "pop graphic-context"]
        if arrow:
            self.arrow_head(points[-2], points[-1], colour)

    def arrow_head(self, start, end, colour):
        (x0, y0), (x1, y1) = start, end
        dx, dy = x1 - x0, y1 - y0
        length = max(1e-6, (dx * dx + dy * dy) ** 0.5)
        ux, uy = dx / length, dy / length
        bx, by = x1 - 8 * ux, y1 - 8 * uy
        px, py = -uy * 4, ux * 4
        self.commands += ["push graphic-context", f"fill '{colour}'", "stroke none",
                          f"polygon {x1},{y1} {bx + px:.1f},{by + py:.1f} {bx - px:.1f},{by - py:.1f}",
                          "pop graphic-context"]

    def bus_mark(self, x, y, count, colour=LINE):
        """The slash and channel count that mark a line carrying several channels."""
        self.commands += ["push graphic-context", f"stroke '{colour}'", "stroke-width 1.4",
                          f"line {x - 4},{y + 5} {x + 4},{y - 5}", "pop graphic-context"]
        self.text(x + 9, y - 4, str(count), 9.5, colour=colour, anchor="start")

    def gain(self, x, y):
        """A gain stage: a triangle pointing right, 24 px wide, centred on y."""
        self.commands += ["push graphic-context", f"fill '{GAIN}'", f"stroke '{LINE}'",
                          "stroke-width 1.5", f"polygon {x},{y - 12} {x + 24},{y} {x},{y + 12}",
                          "pop graphic-context"]


def draw(path):
    d = Drawing()
    d.text(WIDTH / 2, 20, "ORBIS PROCESSOR  \u2014  SIGNAL FLOW", 14, bold=True)

    # The patchbay.
    pb_left, pb_right, pb_top, pb_bottom = 232, 326, 40, 440
    d.box(pb_left, pb_top, pb_right, pb_bottom, PATCHBAY, stroke="#1d3c6a", width=2)
    cx = (pb_left + pb_right) / 2
    d.text(cx, 220, "PATCH", 15, bold=True, colour="white")
    d.text(cx, 238, "BAY", 15, bold=True, colour="white")
    d.text(cx, 262, "34 inputs", 10.5, colour="white")
    d.text(cx, 276, "56 outputs", 10.5, colour="white")

    # Inputs, top to bottom: (title, detail, channels, y of the line, returned).
    inputs = [
        ("Host computer", "FireWire, Host Output", 8, 72, False),
        ("Ruruziv converter", "option output (Opt Out)", 8, 132, False),
        ("Test signals", "generated inside", 8, 192, False),
        ("Spatializer Out", "matrix + insert returns", 8, 262, True),
        ("SubMix Send A", "submixer A output", 1, 327, True),
        ("SubMix Send B", "submixer B output", 1, 387, True),
    ]
    for title, detail, channels, y, returned in inputs:
        d.box(28, y - 22, 186, y + 22, MIXER if returned else SOURCE, dashed=returned)
        d.lines([title, detail], 107, y - 5, pitch=15)
        d.path([(186, y), (pb_left, y)])
        d.bus_mark(206, y, channels)

    # Outputs to the host and to the converter, each through a gain stage.
    sends = [("Host In", "to the host, FireWire", 72), ("Ruruziv Opt In", "to the converter", 132)]
    for title, detail, y in sends:
        d.path([(pb_right, y), (392, y)], arrow=False)
        d.bus_mark(352, y, 8)
        d.gain(392, y)
        d.text(404, y + 27, "gain", 9.5)
        d.path([(416, y), (452, y)])
        d.box(452, y - 22, 622, y + 22, DESTINATION)
        d.lines([title, detail], 537, y - 5, pitch=15)

    # The spatializer: channel strips, matrix, insert-return mixers.
    strips_y = 212
    d.path([(pb_right, strips_y), (364, strips_y)])
    d.bus_mark(342, strips_y - 12, 8)
    d.text(345, strips_y + 14, "Spat. In", 9.5, anchor="middle")
    d.box(364, 170, 494, 254, PROCESS)
    d.lines(["Input channel", "strips \u00d7 8", "gain, low-pass,", "high-pass, Doppler"],
            429, 189, pitch=15, titles=2)
    d.path([(494, strips_y), (518, strips_y)])
    d.box(518, 170, 676, 254, PROCESS)
    d.lines(["Spatialization matrix", "8 in, 8 out", "ITD, IAD panning,", "front-rear, gain enhance"],
            597, 189, pitch=15)
    d.path([(676, strips_y), (704, strips_y)])
    d.bus_mark(688, strips_y - 12, 8)
    d.box(704, 170, 852, 330, MIXER)
    d.lines(["Insert-return", "mixers", "8 channels,", "each 3 in, 1 out,", "summed with the", "matrix output"],
            778, 192, pitch=15, titles=2)

    inserts = [("Insert A Gain", 286), ("Insert B Gain", 314)]
    for title, y in inserts:
        d.path([(pb_right, y), (704, y)])
        d.bus_mark(352, y, 8)
        d.text(540, y - 4, title, 10, anchor="middle")

    submixers = [("SubMixer A", "SubMix A In", 352), ("SubMixer B", "SubMix B In", 404)]
    for title, label, y in submixers:
        d.path([(pb_right, y), (452, y)])
        d.bus_mark(352, y, 8)
        d.text(410, y + 16, label, 9.5, anchor="middle")
        d.box(452, y - 20, 622, y + 20, MIXER)
        d.lines([title, "8 in, 1 out"], 537, y - 4, pitch=15)

    # What comes back into the patchbay, along the bottom and up the left edge.
    returns = [
        ((852, 250), 262, 458, 8),   # the insert-return mixers' outputs
        ((622, 352), 327, 474, 13),  # submixer A
        ((622, 404), 387, 490, 18),  # submixer B
    ]
    for (x0, y0), y_in, lane, x_lane in returns:
        right = 860 if x0 > 800 else 642
        d.path([(x0, y0), (right, y0), (right, lane), (x_lane, lane), (x_lane, y_in), (28, y_in)],
               colour=RETURN, width=1.5)
    d.text(430, 452, "returned to the patchbay", 10, colour=RETURN)

    subprocess.run(["convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:#f7f8fb", "-draw",
                    "\n".join(d.commands), "-colors", "256", "-strip", f"PNG8:{path}"],
                   check=True)
