#!/usr/bin/env python3
"""End-to-end runs of the real game under a private Xvfb, driven with xdotool and judged from screenshots.

Usage: e2e.py CASE --game PATH --build DIR --artefacts DIR [--counter PATH] [--deb-dir DIR] [--seconds N]
Each case starts its own X server, keeps its screenshots and the game's output under the artefacts
folder, and exits non-zero with a reason when a check fails. The case "wine" runs the Windows build
(--game brinvale.exe) under Wine, in a prefix made for the run and removed after it.
"""

import argparse
import ctypes
import glob
import math
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TITLE = "Brinvale by Tolmarck"
QUESTION_CAPTION = "Vixo GL"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


# ---------------------------------------------------------------- screenshots


class Image:
    """A screenshot as packed 8-bit RGB."""

    def __init__(self, path):
        raw = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
        fields = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", raw)
        self.width, self.height = int(fields.group(1)), int(fields.group(2))
        self.data = raw[fields.end():]
        self.path = path

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def mean(self, x, y, half=3):
        """Mean colour of the (2*half+1)-square around x, y, clipped to the image."""
        total, count = [0, 0, 0], 0
        for yy in range(max(0, y - half), min(self.height, y + half + 1)):
            for xx in range(max(0, x - half), min(self.width, x + half + 1)):
                p = self.pixel(xx, yy)
                total = [t + c for t, c in zip(total, p)]
                count += 1
        return tuple(t / count for t in total)


def distance(a, b):
    return max(abs(x - y) for x, y in zip(a, b))


def is_dark(colour, tolerance=10):
    return max(colour) <= tolerance


def pattern(image, centre, half):
    """Brightness on a 7x7 grid over a square of the given half side, normalised to mean 0, spread 1."""
    values = [sum(image.mean(round(centre[0] + dx * half / 4), round(centre[1] + dy * half / 4), 1)) / 3
              for dx in range(-3, 4) for dy in range(-3, 4)]
    mean = sum(values) / len(values)
    spread = math.sqrt(sum((v - mean) ** 2 for v in values) / len(values)) or 1
    return [(v - mean) / spread for v in values]


def correlation(a, b):
    """1 for the same picture, near 0 for unrelated ones."""
    return sum(x * y for x, y in zip(a, b)) / len(a)


# ---------------------------------------------------------------- scene geometry

TAN_HALF_FOV = math.tan(math.radians(22.5))


# Where the game draws on the screen: left, top, width, height.
FULL = (0, 0, 800, 600)


def project(x, y, z, view=FULL):
    """Screen position of a scene point under the game's 45-degree perspective."""
    left, top, w, h = view
    ndc_x = x / (-z * TAN_HALF_FOV * w / h)
    ndc_y = y / (-z * TAN_HALF_FOV)
    return (round(left + (ndc_x + 1) * w / 2), round(top + (1 - ndc_y) * h / 2))


def picture_box(width, height):
    """Where the game draws on a width x height screen: its largest centred 4:3 box (left, top, width, height)."""
    w, h = width, height
    if width * 3 > height * 4:
        w = (height * 4 + 1) // 3
    elif width * 3 < height * 4:
        h = max((width * 3 + 2) // 4, 1)
    return ((width - w) // 2, height - h - (height - h) // 2, w, h)


def edge_blur(image, x, top, bottom):
    """Columns of partial brightness across the vertical edge near x between something drawn on its left and
    black on its right, each column averaged from top to bottom: 0 for an edge drawn at the screen's own
    resolution, several for a smaller picture stretched."""
    def level(column):
        return sum(sum(image.pixel(column, y)) for y in range(top, bottom, 2)) / (3 * len(range(top, bottom, 2)))
    inside = max(level(c) for c in range(x - 12, x - 5))
    check(inside > 20, "nothing bright left of the edge at x %d (level %.1f)" % (x, inside))
    return sum(1 for c in range(x - 5, x + 6) if 0.1 * inside < level(c) < 0.9 * inside)


def cell(column, row, view):
    return project(2 * column - 19, 15 - 2 * row, -40, view)


# ---------------------------------------------------------------- the X server and the game


class Session:
    """One Xvfb, the game on it, and the artefacts of one case."""

    def __init__(self, args, case, screen):
        self.args = args
        self.dir = os.path.join(args.artefacts, case)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.shots = 0
        self.game = None
        self.helpers = []
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets as its last client leaves, and a client connecting
        # meanwhile (the program starting while a probe of ours exits) is refused or cut off.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", screen,
                                      "-nolisten", "tcp"],
                                     pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        try:
            while not number.endswith(b"\n"):
                chunk = os.read(read_end, 16)
                check(chunk, "Xvfb did not start")
                number += chunk
        except BaseException:
            self.xvfb.kill()
            self.xvfb.wait()
            raise
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        self.screen_size = tuple(int(n) for n in screen.split("x")[:2])
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        # What the game keeps goes to the case's own folders, so that no case resumes another's game.
        for variable, folder in (("XDG_STATE_HOME", "state"), ("XDG_DATA_HOME", "data"), ("XDG_CONFIG_HOME", "config")):
            self.env[variable] = os.path.join(self.dir, "home", folder)

    def close(self):
        """Ends the game, the helpers and the Xvfb, whatever state the case left them in."""
        if self.game and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
        for process in self.helpers + [self.xvfb]:
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def start(self, cwd=None, command=None, options=(), count_presents=False, texture_cap=0):
        self.out = open(os.path.join(self.dir, "game.stdout"), "w")
        self.err_path = os.path.join(self.dir, "game.stderr")
        self.err = open(self.err_path, "w")
        env = self.game_env()
        if texture_cap:
            env["LD_PRELOAD"] = " ".join(filter(None, [env.get("LD_PRELOAD"), self.args.texture_cap]))
            env["BRINVALE_TEXTURE_CAP"] = str(texture_cap)
        if count_presents:
            self.counter_path = os.path.join(self.dir, "presents")
            with open(self.counter_path, "wb") as f:
                f.write(bytes(8))
            env["LD_PRELOAD"] = " ".join(filter(None, [env.get("LD_PRELOAD"), self.args.counter]))
            env["BRINVALE_PRESENT_COUNTER"] = self.counter_path
        self.game = subprocess.Popen((command or [self.args.game]) + list(options), cwd=cwd or self.args.build,
                                     env=env, stdout=self.out, stderr=self.err)

    def presents_per_second(self, seconds):
        """Presents of the game over the next seconds, counted by the preloaded present counter."""
        def count():
            with open(self.counter_path, "rb") as f:
                return int.from_bytes(f.read(8), sys.byteorder)
        start, first = time.monotonic(), count()
        time.sleep(seconds)
        return (count() - first) / (time.monotonic() - start)

    def game_env(self):
        """The tools' environment, plus what a sanitizer build needs to tell its own leaks from the drivers'."""
        env = dict(self.env)
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % suppressions
        runtime = re.search(r"(\S*/libasan\.so\S*)", subprocess.run(["ldd", self.args.game], capture_output=True,
                                                                   text=True).stdout)
        # Mesa's software driver is unloaded when the display closes, after which LeakSanitizer can no
        # longer name it; kept loaded, its own leftovers match the suppressions.
        drivers = glob.glob("/usr/lib/*/dri/swrast_dri.so")
        if runtime and drivers:
            env["LD_PRELOAD"] = " ".join([runtime.group(1), drivers[0]])
        return env

    def exit_status(self, timeout=20):
        try:
            status = self.game.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the game did not exit within %d s" % timeout)
        self.out.close()
        self.err.close()
        report = self.stderr_text()
        for marker in ("AddressSanitizer", "LeakSanitizer", "runtime error"):
            check(marker not in report, "the sanitizers reported (%s): see %s" % (marker, self.err_path))
        return status

    def stderr_text(self):
        if not self.err.closed:
            self.err.flush()
        with open(self.err_path) as f:
            return f.read()

    def x(self, *command, attempts=1):
        for attempt in range(attempts):
            result = subprocess.run(list(command), env=self.env, capture_output=True, text=True)
            if result.returncode == 0:
                return result.stdout
            time.sleep(0.05)
        raise Failure("%s failed: %s" % (" ".join(command), result.stderr.strip()))

    def windows(self):
        """Top-level windows: name -> (id, width, height, absolute x, absolute y)."""
        found = {}
        # xwininfo fails with BadWindow when a window goes away during its walk (a message box
        # closing, the game tearing down); the next walk sees a settled tree.
        for line in self.x("xwininfo", "-root", "-tree", attempts=5).splitlines():
            m = re.match(r'\s+(0x[0-9a-f]+) "(.*)": .*?(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$', line)
            if m:
                found[m.group(2)] = (m.group(1), int(m.group(3)), int(m.group(4)), int(m.group(5)), int(m.group(6)))
        return found

    def wait_window(self, name, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            w = self.windows()
            if name in w:
                return w[name]
            check(self.game.poll() is None, "the game exited (%s) before window %r" % (self.game.returncode, name))
            time.sleep(0.1)
        raise Failure("no window %r within %d s (windows: %s)" % (name, timeout, sorted(self.windows())))

    def answer_box(self, caption, key="Return", timeout=20):
        """Waits for the message box with this caption, keeps its picture and answers it with a key."""
        box = self.wait_window(caption, timeout)
        time.sleep(0.3)  # let the box draw itself before the picture is taken
        self.shot("box-" + caption.replace(" ", "-"))
        try:
            self.x("xdotool", "key", "--window", box[0], key)
        except Failure:
            # Under Wine 10 the box may close at the key's press, and its release then finds no window:
            # the box was answered if it has gone.
            if self.windows().get(caption, (None,))[0] == box[0]:
                raise
        return box

    def shot(self, name):
        self.shots += 1
        path = os.path.join(self.dir, "%02d-%s.png" % (self.shots, name))
        self.x("import", "-window", "root", path)
        return Image(path)

    def press(self, key, hold=0.08):
        # Held across at least one pass of the loop, which acts only on an empty queue.
        self.x("xdotool", "keydown", key)
        time.sleep(hold)
        self.x("xdotool", "keyup", key)
        time.sleep(0.05)

    def wait_frame(self, name, predicate, timeout=10):
        """Screenshots until predicate(image) holds; returns that image."""
        deadline = time.time() + timeout
        last_reason = "never looked"
        while True:
            image = self.shot(name)
            reason = predicate(image)
            if reason is None:
                return image
            last_reason = reason
            os.remove(image.path)
            self.shots -= 1
            check(self.game.poll() is None, "the game exited (%s) while waiting for %s" % (self.game.returncode, name))
            if time.time() > deadline:
                self.shot(name + "-failed")
                raise Failure("%s: %s" % (name, last_reason))
            time.sleep(0.15)


# ---------------------------------------------------------------- what the scenes look like


def menu_problem(image, view=FULL, new_selected=True):
    """None when the menu shows both buttons with the selected one nearer; else what is wrong."""
    near, far = (1.5, -1.5) if new_selected else (-1.5, 1.5)
    for label, y, z in (("selected", near, -7), ("other", far, -9)):
        centre = project(0, y + 0.7, z, view)
        if is_dark(image.mean(*centre)):
            return "no %s button at %s" % (label, centre)
    # The nearer button is wider: 1.85 units out it still shows, the farther one does not.
    if is_dark(image.mean(*project(1.85, near, -7, view), half=1)):
        return "the selected button is not the nearer one"
    if not is_dark(image.mean(*project(1.85, far, -7, view), half=1)):
        return "the other button is as near as the selected one"
    if not is_dark(image.mean(*project(0, 2.75, -7, view))):
        return "something drawn above the buttons"
    return None


def play_problem(image, view=FULL):
    """None when the play scene's fixed parts are in place; else what is wrong."""
    for column in (0, 7):
        for row in (6, 15):
            if is_dark(image.mean(*cell(column, row, view), half=6), 4):
                return "no background at well cell %d,%d" % (column, row)
    if not is_dark(image.mean(*project(-1, -10, -40, view))):
        return "something drawn right of the well"
    for row_y in (15, 13, 11):
        if is_dark(image.mean(*project(-2, row_y, -40, view))):
            return "no preview gem at y %d" % row_y
    digits = [project(x, -6, -20, view) for x in (1, 3, 5, 7, 9)]
    for d in digits:
        if is_dark(image.mean(*d, half=8)):
            return "no score digit at %s" % (d,)
    # The light falls differently on each place, so the digits are compared by their pattern.
    half = project(1, 0, -20, view)[0] - project(0, 0, -20, view)[0]
    first = pattern(image, digits[0], half)
    for place, d in enumerate(digits[1:], 1):
        likeness = correlation(first, pattern(image, d, half))
        if likeness < 0.9:
            return "score digit %d is not the first one's digit (likeness %.2f): not 00000" % (place, likeness)
    for x in (1, 4, 7, 10):
        if is_dark(image.mean(*project(x, 0, -25, view), half=8)):
            return "no key picture at x %d" % x
    if not is_dark(image.mean(*project(2.1, 0, -20, view))):
        return "the Left key picture drawn as held"
    return None


class Well:
    """Finds gems in the well by comparing with the bare background, gathered from two frames."""

    def __init__(self, view, first, moved_away, away_column):
        self.view = view
        self.reference = {}
        for column in range(8):
            source = moved_away if column == away_column else first
            for row in range(16):
                self.reference[(column, row)] = self.sample(source, column, row)

    def sample(self, image, column, row):
        x, y = cell(column, row, self.view)
        return [image.mean(x + dx, y + dy, 2) for dx in (-6, 0, 6) for dy in (-6, 0, 6)]

    def gems(self, image):
        """Cells whose picture is not the background: {(column, row): centre colour}."""
        found = {}
        for key, reference in self.reference.items():
            now = self.sample(image, *key)
            if max(distance(a, b) for a, b in zip(now, reference)) > 24:
                found[key] = now[4]
        return found

    def column(self, image):
        """The one falling column: (column, bottom row, colours top to bottom); fails on anything else."""
        gems = self.gems(image)
        columns = {c for c, _ in gems}
        check(len(columns) == 1, "expected one column of gems, found cells %s" % sorted(gems))
        column = columns.pop()
        rows = sorted(r for _, r in gems)
        check(rows == list(range(rows[0], rows[0] + len(rows))) and len(rows) <= 3,
              "the gems in column %d are not one column: rows %s" % (column, rows))
        return column, rows[-1], [gems[(column, r)] for r in rows]


def chromaticity(colour):
    total = max(sum(colour), 1)
    return tuple(c / total for c in colour)


def same_colours(a, b):
    """Gem by gem the same hue: a gem's brightness changes with its row, as the light stands still."""
    return len(a) == len(b) and all(distance(chromaticity(x), chromaticity(y)) <= 0.05 for x, y in zip(a, b))


# ---------------------------------------------------------------- cases


def start_to_menu(s, view=FULL):
    return s.wait_frame("menu", lambda im: menu_problem(im, view), timeout=30)


def start_play(s, view=FULL):
    s.press("Return")
    return s.wait_frame("play", lambda im: play_problem(im, view), timeout=10)


def quit_from_play(s, view=FULL):
    s.press("Escape")
    s.wait_frame("back-in-menu", lambda im: menu_problem(im, view))
    s.press("Escape")
    status = s.exit_status()
    check(status == 0, "Escape in the menu exited with status %d, not 0" % status)


def case_fullscreen(s):
    """800x600x16: full screen without a question; menu, play, moves, pause, back to the menu and quit."""
    s.start()
    game = s.wait_window(TITLE)
    check(game[1:] == (800, 600, 0, 0), "the window is %dx%d at %d,%d, not full screen" % game[1:])
    start_to_menu(s)
    check(QUESTION_CAPTION not in s.windows(), "the full-screen question was asked although 800x600 exists")

    first = start_play(s)
    # The column enters at column 3; three Lefts take it to the wall, leaving column 3 bare.
    for _ in range(3):
        s.press("Left")
    time.sleep(0.2)
    at_wall = s.shot("left-to-wall")
    well = Well(FULL, first, at_wall, 3)
    column, _, _ = well.column(first)
    check(column == 3, "the first column entered at column %d, not 3" % column)
    column, _, _ = well.column(at_wall)
    check(column == 0, "three Lefts left the column at %d, not 0" % column)

    s.press("Right")
    time.sleep(0.2)
    column, _, _ = well.column(s.shot("right"))
    check(column == 1, "Right took the column to %d, not 1" % column)

    # A held key's picture comes nearer and so reaches into the gap beside it; held Left also moves.
    s.x("xdotool", "keydown", "Left")
    time.sleep(0.1)
    held = s.shot("left-held")
    s.x("xdotool", "keyup", "Left")
    check(not is_dark(held.mean(*project(2.1, 0, -20))), "the Left picture does not show as held")
    time.sleep(0.2)
    column, bottom, _ = well.column(s.shot("left-released"))
    check(column == 0, "held Left left the column at %d, not 0" % column)

    # Early on, so that the column is still far from the floor at the end.
    s.press("p")
    time.sleep(0.3)
    paused = well.column(s.shot("paused"))
    time.sleep(1.6)
    check(well.column(s.shot("still-paused"))[:2] == paused[:2], "the column moved while paused")
    s.press("p")
    time.sleep(1.6)
    _, bottom, _ = well.column(s.shot("resumed"))
    check(bottom > paused[1], "the column did not fall after P resumed play")

    for _ in range(3):
        s.press("Down")
    time.sleep(0.2)
    column, lower, before = well.column(s.shot("down"))
    check(lower >= bottom + 3, "three Downs moved the column from row %d to %d" % (bottom, lower))
    check(len(before) == 3, "the column has not fully entered the well: %s" % before)

    s.press("Control_L")
    time.sleep(0.2)
    _, _, after = well.column(s.shot("rotated"))
    # One rotation: the bottom gem goes to the top.
    check(same_colours(after, [before[2], before[0], before[1]]),
          "Ctrl did not rotate the column once: %s -> %s" % (before, after))

    quit_from_play(s)


def case_desktop(s):
    """1920x1080x24 and 3840x2160x24: full screen at once, drawn at the desktop's resolution into the centred
    4:3 box with black bars beside; the well's edge is as sharp as a pixel."""
    width, height = s.screen_size
    s.start()
    game = s.wait_window(TITLE)
    check(game[1:] == (width, height, 0, 0), "the window is %dx%d at %d,%d, not the whole desktop" % game[1:])
    view = picture_box(width, height)
    start_to_menu(s, view)
    check(QUESTION_CAPTION not in s.windows(), "the full-screen question was asked on a %dx%d desktop" % (width, height))
    play = start_play(s, view)
    # A picture stretched to the whole width would reach the bars with its score digits.
    left, right = view[0], view[0] + view[2]
    for x in (0, left // 2, left - 5, right + 5, (right + width) // 2, width - 1):
        for y in range(0, height, height // 12):
            check(is_dark(play.mean(x, y, 2)), "the bar at %d,%d is not black" % (x, y))
    # The well's right edge against the black beside it: a picture drawn smaller and stretched would
    # blur it over several pixels.
    edge = project(-4, 0, -40, view)[0]
    _, well_top = project(0, 10, -40, view)
    _, well_bottom = project(0, -10, -40, view)
    blurred = edge_blur(play, edge, well_top, well_bottom)
    check(blurred == 0, "the well's edge is blurred over %d pixels at x %d" % (blurred, edge))
    screen = s.shot("desktop")
    check((screen.width, screen.height) == (width, height), "the desktop's mode was changed")
    quit_from_play(s, view)


def case_texture_cap(s):
    """3840x2160x24 on a driver that takes no texture above 1024 texels a side: the menu's buttons and the
    well's background show their pictures, close to those of the uncapped driver."""
    width, height = s.screen_size
    view = picture_box(width, height)
    # The buttons' middle rows, and the well's left columns, empty at the start of play.
    button_points = [project(x / 4, y + 0.7 + dy / 10, z, view) for y, z in ((1.5, -7), (-1.5, -9))
                     for x in range(-6, 7) for dy in range(-4, 5)]
    well_points = [project(x, 13 - y / 2, -40, view) for x in (-19.5, -18.5, -17.5, -16.5) for y in range(0, 14)]

    def run(cap):
        s.start(texture_cap=cap)
        s.wait_window(TITLE)
        menu = start_to_menu(s, view)
        play = start_play(s, view)
        quit_from_play(s, view)
        return menu, play

    def difference(a, b, points):
        return sum(distance(a.mean(*p, 2), b.mean(*p, 2)) for p in points) / len(points)

    menu, play = run(0)
    capped_menu, capped_play = run(1024)
    for what, a, b, points in (("menu's buttons", menu, capped_menu, button_points),
                               ("well's background", play, capped_play, well_points)):
        d = difference(a, b, points)
        print("texture-cap: the %s differ by %.1f of 255 on average" % (what, d))
        check(d < 16, "under a 1024-texel limit the %s differ by %.1f of 255 from the uncapped picture" % (what, d))


def case_window(s):
    """--window on 1024x768x24: an 800x600 window at once, no question; play with no key presents 0.5 to 4 frames/s."""
    s.start(options=["--window"], count_presents=True)
    game = s.wait_window(TITLE)
    check(game[1:] == (800, 600, 0, 0), "the window is %dx%d at %d,%d, not 800x600 at the top-left" % game[1:])
    view = game[3:] + (800, 600)
    menu = start_to_menu(s, view)
    check(QUESTION_CAPTION not in s.windows(), "--window asked the full-screen question")
    check(is_dark(menu.mean(900, 700)), "something drawn outside the window")
    start_play(s, view)
    # Play with no key held draws only what changes: the column's step once a second.
    rate = s.presents_per_second(4)
    check(rate <= 4, "%.1f presents per second in play with no key held: frames that show nothing new" % rate)
    check(rate >= 0.5, "%.1f presents per second in play: the count or the game is stuck" % rate)
    quit_from_play(s, view)


def paused_sign_shown(image, view):
    """Whether the paused sign's panel stands over the right half, where play draws nothing."""
    return not is_dark(image.mean(*project(4.5, 3.5, -15, view), half=2))


def focus_elsewhere(s):
    """Opens another window beside the game's and gives it the keyboard focus; returns its id."""
    s.helpers.append(subprocess.Popen(["xmessage", "-geometry", "+860+640", "elsewhere"], env=s.env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    other = s.wait_window("xmessage")[0]
    s.x("xdotool", "windowfocus", "--sync", other, attempts=20)
    return other


def focus_pauses(s, game, view):
    """In play: another window taking the focus pauses the game with its sign; the focus back, it stays
    paused until P, after which the column falls again."""
    first = start_play(s, view)
    check(not paused_sign_shown(first, view), "a paused sign in play")
    s.press("Left")
    time.sleep(0.2)
    well = Well(view, first, s.shot("left"), 3)
    # Without a window manager the focus may be the pointer's root (Wine's windows), which the game
    # never held: it is given to the game first, as a desktop does, so that it can be taken away.
    s.x("xdotool", "windowfocus", "--sync", game[0], attempts=20)
    time.sleep(0.3)
    focus_elsewhere(s)
    away = s.wait_frame("focus-elsewhere", lambda im: None if paused_sign_shown(im, view) else "no paused sign")
    column = well.column(away)[:2]
    # Back as a player comes back: the focus, and a click on the window (which activates it under Wine).
    s.x("xdotool", "windowfocus", "--sync", game[0], attempts=20)
    s.x("xdotool", "mousemove", str(view[0] + view[2] // 2), str(view[1] + view[3] // 2), "click", "1")
    time.sleep(2.2)
    back = s.shot("focus-back")
    check(paused_sign_shown(back, view), "the paused sign went when the focus came back")
    check(well.column(back)[:2] == column, "the column moved while the game was away and after it came back")
    s.press("p")
    time.sleep(1.6)
    resumed = s.shot("resumed")
    check(not paused_sign_shown(resumed, view), "the paused sign stayed after P")
    check(well.column(resumed)[1] > column[1], "the column did not fall after P")


def case_focus(s):
    """--window on 1024x768x24: another window taking the focus pauses play and shows the paused sign; the focus
    back, the game stays paused until P."""
    s.start(options=["--window"])
    game = s.wait_window(TITLE)
    view = game[3:] + (800, 600)
    start_to_menu(s, view)
    focus_pauses(s, game, view)
    quit_from_play(s, view)


def wait_size(s, width, height, timeout=10):
    """The game's window once it has the given size: (id, width, height, x, y)."""
    deadline = time.time() + timeout
    while True:
        game = s.wait_window(TITLE)
        if game[1:3] == (width, height):
            return game
        check(time.time() < deadline, "the window stayed %dx%d, not %dx%d" % (game[1], game[2], width, height))
        time.sleep(0.1)


def case_toggle(s):
    """1920x1080x24: Alt+Enter from full screen gives an 800x600 window with the menu in it, Alt+Enter
    again the full screen with the menu scaled, F11 the window again; no key of them reaches the game."""
    s.start()
    full = (240, 0, 1440, 1080)
    s.wait_window(TITLE)
    start_to_menu(s, full)
    for step, key in enumerate(("alt+Return", "alt+Return", "F11")):
        s.x("xdotool", "key", key)
        if step % 2 == 0:
            game = wait_size(s, 800, 600)
            view = game[3:] + (800, 600)
            # Return, had it reached the game, would have started play from the menu.
            menu = s.wait_frame("window-%d" % step, lambda im: menu_problem(im, view))
            check(is_dark(menu.mean(1400, 800)), "something drawn outside the window")
        else:
            wait_size(s, 1920, 1080)
            s.wait_frame("full-screen-%d" % step, lambda im: menu_problem(im, full))
    screen = s.shot("desktop")
    check((screen.width, screen.height) == (1920, 1080), "the desktop's mode was changed")
    s.press("Escape")
    status = s.exit_status()
    check(status == 0, "Escape in the menu exited with status %d, not 0" % status)


def case_resized(s):
    """--window on 1024x768x24, resized to 1000x500: the picture drawn into the centred 667x500 with black
    bars beside, in the menu and in play; back at 800x600 it fills the window again."""
    s.start(options=["--window"])
    game = s.wait_window(TITLE)
    check(game[1:3] == (800, 600), "the window's client area is %dx%d, not 800x600" % game[1:3])
    managed_by_hand(s, game[0])
    s.x("xdotool", "windowsize", game[0], "1000", "500")
    game = wait_size(s, 1000, 500)
    x, y = game[3:]
    view = (x + 166, y, 667, 500)
    start_to_menu(s, view)
    play = start_play(s, view)
    for bar_x in (x + 5, x + 80, x + 160, x + 840, x + 920, x + 995):
        for bar_y in range(y + 10, y + 500, 60):
            check(is_dark(play.mean(bar_x, bar_y, 2)), "the bar at %d,%d is not black" % (bar_x, bar_y))
    s.x("xdotool", "windowsize", game[0], "800", "600")
    game = wait_size(s, 800, 600)
    view = game[3:] + (800, 600)
    s.wait_frame("unscaled", lambda im: play_problem(im, view))
    quit_from_play(s, view)


def case_windowed_yes(s):
    """--mode-switch on 1024x768x24, which has no 800x600 mode: Yes to the question gives an 800x600 window that plays."""
    s.start(options=["--mode-switch"])
    s.answer_box(QUESTION_CAPTION, "Return")
    game = s.wait_window(TITLE)
    check(game[1:3] == (800, 600), "the window's client area is %dx%d, not 800x600" % game[1:3])
    check(game[3:] == (0, 0), "the window is at %d,%d, not at the screen's top-left" % game[3:])
    view = game[3:] + (800, 600)
    screen = s.shot("desktop")
    check((screen.width, screen.height) == (1024, 768), "the desktop's mode was changed")
    menu = start_to_menu(s, view)
    check(is_dark(menu.mean(900, 700)), "something drawn outside the window")
    first = start_play(s, view)
    s.press("Right")
    time.sleep(0.2)
    moved = s.shot("right")
    well = Well(view, first, moved, 3)
    check(well.column(moved)[0] == 4, "Right did not move the column in the window")

    # A resized window is drawn to its new size at once.
    s.x("xdotool", "windowsize", game[0], "640", "480")
    smaller = game[3:] + (640, 480)
    s.wait_frame("resized", lambda im: play_problem(im, smaller))
    quit_from_play(s, smaller)


def geometry(s, window):
    """Absolute outer top-left corner (border included), parent id and size of a window."""
    info = s.x("xwininfo", "-id", window)
    value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
    border = value("Border width")
    parent = re.search(r"Parent window id: (0x[0-9a-f]+)", s.x("xwininfo", "-tree", "-id", window)).group(1)
    return (value("Absolute upper-left X") - border, value("Absolute upper-left Y") - border, parent,
            value("Width"), value("Height"))


def case_windowed_framed(s):
    """--mode-switch under a window manager, Yes gives a framed window: client 800x600, frame's corner at 0,0."""
    s.helpers.append(subprocess.Popen(["twm"], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    s.start(options=["--mode-switch"])
    s.answer_box(QUESTION_CAPTION, "Return")
    game = s.wait_window(TITLE)
    root = re.search(r"Window id: (0x[0-9a-f]+)", s.x("xwininfo", "-root")).group(1)
    # The manager frames the window and the game then moves it: read it once both are done.
    deadline = time.time() + 10
    last = None
    while True:
        client = geometry(s, game[0])
        now = client, geometry(s, client[2])
        if now == last and now[0][2] != root:
            break
        check(time.time() < deadline, "the window never settled in a frame: %s" % (now,))
        last = now
        time.sleep(0.3)
    (client_x, client_y, frame, width, height), (frame_x, frame_y, _, _, _) = now
    check((width, height) == (800, 600), "the client area is %dx%d, not 800x600" % (width, height))
    check(client_y > frame_y, "the window has no frame with a title bar")
    # The manager may keep its own thin border off the screen's edge.
    check(-4 <= frame_x <= 0 and -4 <= frame_y <= 0, "the frame's corner is at %d,%d" % (frame_x, frame_y))
    view = (client_x, client_y, 800, 600)
    start_to_menu(s, view)
    s.press("Escape")
    status = s.exit_status()
    check(status == 0, "the game exited with status %d" % status)


def case_windowed_no(s):
    """--mode-switch, No to the question: "Program Will Now Close." and exit status 1, with no game window."""
    s.start(options=["--mode-switch"])
    s.answer_box(QUESTION_CAPTION, "Escape")
    s.answer_box("ERROR", "Return")
    check(TITLE not in s.windows(), "a game window was made after No")
    status = s.exit_status()
    check(status == 1, "declining the windowed mode exited with status %d, not 1" % status)


def copied_game(s, pictures=True):
    """A copy of the game in a folder of its own, with a copy of its pictures beside it, or none."""
    work = os.path.join(s.dir, "run")
    os.makedirs(work)
    shutil.copy2(s.args.game, work)
    if pictures:
        shutil.copytree(os.path.join(s.args.build, "pic"), os.path.join(work, "pic"))
    return work


def expect_initialization_failed(s, cause):
    """The creation failure's box comes after teardown, and the program then exits with status 1."""
    s.wait_window("ERROR")
    check(TITLE not in s.windows(), "the error box came before the window was torn down")
    s.answer_box("ERROR", "Return")
    status = s.exit_status()
    check(status == 1, "%s exited with status %d, not 1" % (cause, status))


def case_missing_picture(s):
    """Without pic/kol6.bmp: the window came and went, then "Initialization Failed.", status 1."""
    work = copied_game(s)
    os.remove(os.path.join(work, "pic", "kol6.bmp"))
    s.start(command=[os.path.join(work, "brinvale")])
    s.wait_window(TITLE)
    expect_initialization_failed(s, "a missing picture")


def case_corrupt_picture(s):
    """A corrupt picture: the decoder's box (window still up), then "Initialization Failed.", status 1."""
    work = copied_game(s)
    with open(os.path.join(work, "pic", "kol6.bmp"), "r+b") as f:
        f.seek(10)
        f.write(b"\xff\xff\xff\x7f")  # pixel data offset far past the end of the file
    s.start(command=[os.path.join(work, "brinvale")])
    s.wait_window("Error")
    check(TITLE in s.windows(), "the decoder's box came after the window was torn down")
    s.answer_box("Error", "Return")
    expect_initialization_failed(s, "a corrupt picture")


def case_sigterm(s):
    """SIGTERM in play: the window is torn down and the program ends."""
    s.start()
    s.wait_window(TITLE)
    start_to_menu(s)
    start_play(s)
    s.game.send_signal(signal.SIGTERM)
    status = s.exit_status(timeout=10)
    check(status == 0, "SIGTERM ended the game with status %d" % status)
    check(TITLE not in s.windows(), "the window outlived the game")
    check(s.shot("after").width == 800, "the desktop's mode was not restored")


def wait_column(s, well, name, column, bottoms, colours=None):
    """The picture once it shows the falling column at column with its bottom gem in one of the rows
    bottoms (and with colours)."""
    def problem(image):
        try:
            found = well.column(image)
        except Failure as failure:
            return str(failure)
        # A column still entering the well shows fewer gems the higher it stands: its bottom ones compare.
        shown = min(len(found[2]), len(colours or []))
        if found[0] != column or found[1] not in bottoms or (colours and not same_colours(found[2][-shown:], colours[-shown:])):
            return "the column is at %s, not column %d, rows %s" % (found[:2], column, bottoms)
        return None
    return s.wait_frame(name, problem, timeout=30)


def case_comes_back(s):
    """A game paused and then killed comes back paused where it was; one ended by SIGTERM in play comes
    back too; one left with Esc does not."""
    saved = os.path.join(s.env["XDG_STATE_HOME"], "brinvale", "game.txt")
    s.start()
    s.wait_window(TITLE)
    start_to_menu(s)
    first = start_play(s)
    for _ in range(3):
        s.press("Left")
    s.press("p")
    time.sleep(0.3)
    well = Well(FULL, first, s.shot("paused"), 3)
    column, bottom, colours = well.column(s.shot("paused-again"))
    check(column == 0, "three Lefts left the column at %d, not 0" % column)
    check(os.path.exists(saved), "pausing wrote no saved game")
    s.game.kill()
    s.game.wait()

    s.start()
    s.wait_window(TITLE)
    wait_column(s, well, "came-back", 0, [bottom], colours)
    time.sleep(1.5)
    check(well.column(s.shot("still-paused"))[:2] == (0, bottom), "the game that came back is not paused")
    s.press("p")
    time.sleep(1.6)
    s.press("Right")
    time.sleep(0.2)
    column, lower, _ = well.column(s.shot("played-on"))
    check(column == 1 and lower > bottom, "P did not play on: the column is at %s" % ((column, lower),))
    s.game.send_signal(signal.SIGTERM)
    check(s.exit_status(timeout=10) == 0, "SIGTERM in play did not end the game normally")

    s.start()
    s.wait_window(TITLE)
    # Gravity may have taken one more step between the picture and the signal.
    wait_column(s, well, "came-back-after-sigterm", 1, [lower, lower + 1])
    s.press("Escape")
    s.wait_frame("abandoned", menu_problem)
    check(not os.path.exists(saved), "the game left with Esc is still saved")
    s.press("Escape")
    check(s.exit_status() == 0, "Escape in the menu did not quit")
    s.start()
    s.wait_window(TITLE)
    start_to_menu(s)
    s.press("Escape")
    s.exit_status()


def case_no_display(s):
    """No X server reachable: the class registration fails and its text goes to standard error, status 1.
    SDL is left to choose its driver, as for a player: it would fall back to one that shows nothing."""
    s.env["DISPLAY"] = ":9999"
    s.env.pop("SDL_VIDEODRIVER", None)
    s.start()
    status = s.exit_status()
    check(status == 1, "start-up without a display exited with status %d, not 1" % status)
    check("ERROR: Failed To Register The Window Class." in s.stderr_text(),
          "the failure did not reach standard error: %r" % s.stderr_text())


def case_quit_button(s):
    """Down selects the quit button, which then shows nearer; Return on it quits with status 0."""
    s.start()
    start_to_menu(s)
    s.press("Down")
    s.wait_frame("quit-selected", lambda im: menu_problem(im, new_selected=False))
    s.press("Return")
    status = s.exit_status()
    check(status == 0, "the quit button exited with status %d, not 0" % status)


def case_soak(s):
    """Random keys in play for a while (under the sanitizers), returning to the menu now and then."""
    rng = random.Random(int(os.environ.get("BRINVALE_SOAK_SEED", "6")))
    s.start()
    start_to_menu(s)
    start_play(s)
    keys = ["Left", "Right", "Down", "Control_L", "Up", "space", "p"]
    end = time.time() + s.args.seconds
    presses = 0
    while time.time() < end:
        check(s.game.poll() is None, "the game died during the soak with status %s" % s.game.returncode)
        if rng.random() < 0.01:
            # Back to the menu and into a fresh game; also leaves a finished game.
            s.press("Escape")
            start_to_menu(s)
            # Both ways through the menu slide, then a fresh game. The menu takes an arrow only on a
            # tick of its 250 ms timer, so a tap comes after one.
            time.sleep(0.4)
            s.press("Down")
            s.wait_frame("quit-selected", lambda im: menu_problem(im, new_selected=False))
            time.sleep(0.4)
            s.press("Up")
            start_to_menu(s)
            start_play(s)
        else:
            s.press(rng.choice(keys), hold=rng.choice((0.03, 0.08, 0.4)))
        presses += 1
    s.shot("end-of-soak")
    s.press("Escape")
    start_to_menu(s)
    s.press("Escape")
    status = s.exit_status(timeout=60)
    check(status == 0, "the game exited with status %d after %d keys" % (status, presses))
    print("soak: %d keys in %d s" % (presses, s.args.seconds))


def case_missing_data(s):
    """No pic/ beside the program nor in its installed place: a box, status 1, no window; the current
    folder's pic/ (the build folder's) is not taken instead."""
    work = copied_game(s, pictures=False)
    s.start(cwd=s.args.build, command=[os.path.join(work, "brinvale")])
    s.answer_box("ERROR", "Return")
    check(TITLE not in s.windows(), "a game window was made without the pictures")
    status = s.exit_status()
    check(status == 1, "a missing data folder exited with status %d, not 1" % status)


def case_package(s):
    """The Debian package unpacked into a temporary root: its program, started from another folder, plays."""
    debs = glob.glob(os.path.join(s.args.deb_dir, "brinvale_*.deb"))
    check(len(debs) == 1, "expected one package in %s, found %s" % (s.args.deb_dir, debs))
    root = os.path.join(s.dir, "root")
    subprocess.run(["dpkg-deb", "-x", debs[0], root], check=True)
    game = os.path.join(root, "usr", "games", "brinvale")
    elsewhere = tempfile.mkdtemp(dir=s.dir)
    s.start(cwd=elsewhere, command=[game])
    s.wait_window(TITLE)
    start_to_menu(s)
    s.press("Escape")
    status = s.exit_status()
    check(status == 0, "the packaged game exited with status %d" % status)


# ---------------------------------------------------------------- the Windows build under Wine

# The DLLs of every Windows installation; anything else imported would have to ship with the zip.
SYSTEM_DLLS = {"gdi32.dll", "glu32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "opengl32.dll", "shell32.dll",
               "user32.dll", "winmm.dll"}


def wine_env(env, prefix):
    # No sound drivers: ALSA's complaints stay off standard error, and a sound is silence.
    return dict(env, WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG="-all",
                WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv=d")


def cpu_seconds(pid):
    """User and system CPU time of a process so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_share(pid, seconds):
    start, first = time.monotonic(), cpu_seconds(pid)
    time.sleep(seconds)
    return (cpu_seconds(pid) - first) / (time.monotonic() - start)


def wine_game_pid(s):
    """The Linux process that runs brinvale.exe in this run's prefix (wine's loader starts it apart from its
    own; other runs on the machine may have theirs)."""
    mine = ("WINEPREFIX=" + s.env["WINEPREFIX"]).encode()
    for _ in range(50):
        found = subprocess.run(["pgrep", "-f", r"brinvale\.exe"], capture_output=True, text=True).stdout.split()
        for pid in sorted(map(int, found), reverse=True):
            try:
                with open("/proc/%d/environ" % pid, "rb") as f:
                    if mine in f.read().split(b"\0"):
                        return pid
            except OSError:
                pass  # gone meanwhile
        time.sleep(0.1)
    raise Failure("no brinvale.exe process")


def wine_imports(s):
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", s.args.game], check=True, capture_output=True,
                          text=True).stdout
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", dump)}
    check(dlls, "objdump found no imports in %s" % s.args.game)
    check(dlls <= SYSTEM_DLLS, "brinvale.exe imports DLLs Windows does not have: %s" % sorted(dlls - SYSTEM_DLLS))


def wine_manifest(s):
    """The manifest Windows reads as it starts the program, resource type 24 (RT_MANIFEST) id 1, is
    well-formed: Windows refuses to start a program whose manifest it cannot parse."""
    from xml.etree import ElementTree
    dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", s.args.game], check=True, capture_output=True,
                          text=True).stdout
    resources = dump.partition("The .rsrc Resource Directory section:")[2]
    check(re.search(r"^\w+   Entry: ID: 0x000018,.*\n.*Name Table.*\n\w+     Entry: ID: 0x000001,", resources, re.M),
          "brinvale.exe has no manifest (resource type 24, id 1)")
    with open(s.args.game, "rb") as f:
        data = f.read()
    start, end = data.find(b"<?xml"), data.find(b"</assembly>")
    check(0 <= start < end, "the manifest's text is not in brinvale.exe")
    try:
        ElementTree.fromstring(data[start:end + len(b"</assembly>")])
    except ElementTree.ParseError as error:
        raise Failure("the manifest is not well-formed: %s" % error)


def wine_help(s):
    result = subprocess.run(["wine", s.args.game, "--help"], env=s.env, capture_output=True, text=True, timeout=60)
    check(result.returncode == 0, "--help exited with status %d" % result.returncode)
    for text in ("Usage: brinvale", "--mode-switch", "--window", "--version"):
        check(text in result.stdout, "--help did not print %r: %r" % (text, result.stdout))


def wine_play(s):
    """Full screen over the whole 1024x768 desktop: menu, Left in play, pause, back to the menu, quit."""
    started = time.monotonic()
    s.start(command=["wine", s.args.game])
    game = s.wait_window(TITLE, timeout=60)
    check(game[1:] == (1024, 768, 0, 0), "the window is %dx%d at %d,%d, not the whole desktop" % game[1:])
    view = (0, 0, 1024, 768)
    start_to_menu(s, view)
    print("wine: first start in the prefix to the menu's first frame: %.2f s" % (time.monotonic() - started))
    check(QUESTION_CAPTION not in s.windows(), "the full-screen question was asked on a 1024x768 desktop")
    first = start_play(s, view)
    s.press("Left")
    time.sleep(0.2)
    moved = s.shot("left")
    well = Well(view, first, moved, 3)
    check(well.column(first)[0] == 3, "the first column entered at column %d, not 3" % well.column(first)[0])
    check(well.column(moved)[0] == 2, "Left took the column to %d, not 2" % well.column(moved)[0])
    # Let go with Alt held, a key's up comes as a system key's: it still releases the key.
    s.x("xdotool", "keydown", "Left")
    time.sleep(0.1)
    s.x("xdotool", "keydown", "Alt_L")
    s.x("xdotool", "keyup", "Left")
    s.x("xdotool", "keyup", "Alt_L")
    time.sleep(0.3)
    check(is_dark(s.shot("left-up-with-alt").mean(*project(2.1, 0, -20, view))),
          "Left let go with Alt held still shows as held")
    pid = wine_game_pid(s)
    print("wine: CPU in play: %.0f%% of a core" % (100 * cpu_share(pid, 3)))
    s.press("p")
    time.sleep(0.3)
    paused = well.column(s.shot("paused"))
    print("wine: CPU paused: %.0f%% of a core" % (100 * cpu_share(pid, 3)))
    check(well.column(s.shot("still-paused"))[:2] == paused[:2], "the column moved while paused")
    quit_from_play(s, view)


def close_with_alt_f4(s):
    """Alt+F4 ends the game with status 0. The window goes at F4's press, so the keys' releases reach no
    window of Wine's, whose server would keep Alt down for the next start (its Return then an
    Alt+Return): the next start waits for that server to end."""
    s.x("xdotool", "key", "alt+F4")
    status = s.exit_status(timeout=30)
    check(status == 0, "Alt+F4 exited with status %d, not 0" % status)
    try:
        subprocess.run(["wineserver", "-w"], env=s.env, capture_output=True, timeout=20)
    except subprocess.TimeoutExpired:
        pass


def wine_comes_back(s):
    """Alt+F4 in play; started again, the game comes back paused where it was, its record in
    %LOCALAPPDATA%\\Brinvale; Esc leaves it for the menu and removes the record."""
    view = (0, 0, 1024, 768)
    s.start(command=["wine", s.args.game])
    s.wait_window(TITLE, timeout=60)
    start_to_menu(s, view)
    first = start_play(s, view)
    s.press("Left")
    time.sleep(0.2)
    moved = s.shot("left")
    well = Well(view, first, moved, 3)
    column, bottom, colours = well.column(moved)
    close_with_alt_f4(s)
    saved = glob.glob(os.path.join(s.env["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Local", "Brinvale",
                                   "game.txt"))
    check(saved, "Alt+F4 in play left no game.txt in %LOCALAPPDATA%\\Brinvale")
    s.start(command=["wine", s.args.game])
    s.wait_window(TITLE, timeout=60)
    wait_column(s, well, "came-back", column, [bottom, bottom + 1], colours)
    s.press("Escape")
    s.wait_frame("abandoned", lambda im: menu_problem(im, view))
    check(not os.path.exists(saved[0]), "the game left with Esc is still saved")
    s.press("Escape")
    check(s.exit_status(timeout=30) == 0, "Escape in the menu did not quit")


def wine_focus(s):
    """--window: another window taking the focus pauses play, which stays paused until P."""
    s.start(command=["wine", s.args.game], options=["--window"])
    s.wait_window(TITLE, timeout=60)
    game = wait_size(s, 800, 600)
    view = game[3:] + (800, 600)
    start_to_menu(s, view)
    focus_pauses(s, game, view)
    quit_from_play(s, view)
    # The focus back to the pointer's root (window 1), where the later starts' keys find their window.
    s.x("xdotool", "windowfocus", "1")


def wine_window_menu(s):
    """--window, in play: the window menu (Alt+Space) runs a modal loop of the system's, during which the
    game still runs: the column falls while the menu is open. Esc twice leaves the menu, and play goes on."""
    s.start(command=["wine", s.args.game], options=["--window"])
    s.wait_window(TITLE, timeout=60)
    game = wait_size(s, 800, 600)
    view = game[3:] + (800, 600)
    start_to_menu(s, view)
    first = start_play(s, view)
    s.press("Right")
    time.sleep(0.2)
    well = Well(view, first, s.shot("right"), 3)
    for _ in range(3):  # to the right edge, away from the menu at the window's top left
        s.press("Right")
    time.sleep(0.2)
    before = s.shot("before-menu")
    column, bottom, _ = well.column(before)
    corner = (view[0] + 40, view[1] + 40)
    s.x("xdotool", "key", "alt+space")
    time.sleep(2.6)
    during = s.shot("menu-open")
    check(distance(during.mean(*corner), before.mean(*corner)) > 30, "Alt+Space opened no window menu")
    # The menu covers the well's top left; only the column's own cells are looked at.
    rows = sorted(r for c, r in well.gems(during) if c == column)
    check(rows and rows[-1] >= bottom + 2,
          "with the window menu open the column went from row %d to %s: the game stood still" % (bottom, rows))
    s.press("Escape")
    time.sleep(0.3)
    check(distance(s.shot("menu-closed").mean(*corner), before.mean(*corner)) <= 30, "Esc left the window menu open")
    # The first Esc closes the menu and leaves the window in menu mode, as on Windows; the second ends it.
    s.press("Escape")
    time.sleep(0.3)
    quit_from_play(s, view)


def wine_window(s):
    """--window: an 800x600 client area at once, with no question; Alt+F4 closes it."""
    started = time.monotonic()
    s.start(command=["wine", s.args.game], options=["--window"])
    s.wait_window(TITLE, timeout=60)
    # Wine may map the window at its outer size (frame included) and size its client a moment later.
    game = wait_size(s, 800, 600)
    check(QUESTION_CAPTION not in s.windows(), "--window asked the full-screen question")
    start_to_menu(s, game[3:] + (800, 600))
    print("wine: a later start to the menu's first frame: %.2f s" % (time.monotonic() - started))
    close_with_alt_f4(s)


def managed_by_hand(s, window):
    """Sets WM_STATE to NormalState on a top-level window, as a window manager does for the windows it
    manages. Wine 10 takes a size given from the X side only once a manager has done so; the runs have no
    manager (Xvfb alone), so this stands in for it."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                    ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(s.display.encode())
    check(display, "cannot open display %s" % s.display)
    try:
        wm_state = x11.XInternAtom(display, b"WM_STATE", 0)
        normal_state, no_icon = 1, 0
        state = (ctypes.c_long * 2)(normal_state, no_icon)
        x11.XChangeProperty(display, int(window, 16), wm_state, wm_state, 32, 0, state, 2)  # PropModeReplace
    finally:
        x11.XCloseDisplay(display)  # which flushes the change


def wine_toggle(s):
    """Alt+Enter from full screen gives the 800x600 window and back, F11 likewise, in the menu, in play and
    paused, none of their keys reaching the game; the window resized to 1000x500 keeps the picture 4:3 in its
    centre with black bars, and full screen and back returns to that size."""
    full = (0, 0, 1024, 768)
    s.start(command=["wine", s.args.game])
    s.wait_window(TITLE, timeout=60)
    start_to_menu(s, full)
    s.x("xdotool", "key", "alt+Return")
    game = wait_size(s, 800, 600)
    # Return, had it reached the game, would have started play from the menu.
    menu = s.wait_frame("window", lambda im: menu_problem(im, game[3:] + (800, 600)))
    check(is_dark(menu.mean(900, 700)), "something drawn outside the window")
    s.x("xdotool", "key", "alt+Return")
    wait_size(s, 1024, 768)
    s.wait_frame("full-screen", lambda im: menu_problem(im, full))
    start_play(s, full)
    s.x("xdotool", "key", "F11")
    game = wait_size(s, 800, 600)
    s.wait_frame("play-in-window", lambda im: play_problem(im, game[3:] + (800, 600)))
    managed_by_hand(s, game[0])
    s.x("xdotool", "windowsize", game[0], "1000", "500")
    game = wait_size(s, 1000, 500)
    x, y = game[3:]
    box = picture_box(1000, 500)
    view = (x + box[0], y + box[1], box[2], box[3])
    play = s.wait_frame("resized", lambda im: play_problem(im, view))
    for bar_x in (x + 5, x + 80, x + box[0] - 6, x + box[0] + box[2] + 5, x + 920, x + 995):
        for bar_y in range(y + 10, y + 500, 60):
            check(is_dark(play.mean(bar_x, bar_y, 2)), "the bar at %d,%d is not black" % (bar_x, bar_y))
    s.press("p")
    s.x("xdotool", "key", "F11")
    wait_size(s, 1024, 768)
    s.x("xdotool", "key", "F11")
    game = wait_size(s, 1000, 500)
    check(game[3:] == (x, y), "the window came back at %d,%d, not at %d,%d" % (game[3:] + (x, y)))
    s.press("p")
    s.wait_frame("resumed-in-window", lambda im: play_problem(im, view))
    quit_from_play(s, view)


def wine_refocus(s):
    """Alt+Enter held while the window shrinks from under the pointer: Return's key-up goes to the root window
    and Wine says nothing of it. Back under the pointer, the menu takes keys, and the next Alt+Enter switches."""
    s.start(command=["wine", s.args.game])
    s.wait_window(TITLE, timeout=60)
    start_to_menu(s, (0, 0) + s.screen_size)
    s.x("xdotool", "mousemove", str(s.screen_size[0] - 24), str(s.screen_size[1] - 68))
    s.x("xdotool", "keydown", "Alt_L")
    s.x("xdotool", "keydown", "Return")
    game = wait_size(s, 800, 600)
    time.sleep(0.3)
    s.x("xdotool", "keyup", "Return")
    s.x("xdotool", "keyup", "Alt_L")
    s.x("xdotool", "mousemove", str(game[3] + 400), str(game[4] + 300))
    time.sleep(0.3)
    view = game[3:] + (800, 600)
    s.press("Down")
    s.wait_frame("quit-selected", lambda im: menu_problem(im, view, new_selected=False))
    s.x("xdotool", "key", "alt+Return")
    wait_size(s, *s.screen_size)
    s.wait_frame("full-screen", lambda im: menu_problem(im, (0, 0) + s.screen_size, new_selected=False))
    close_with_alt_f4(s)


def wine_outer(s):
    """The game's X window once it holds still: Wine draws the frame itself when it manages the window."""
    last = None
    for _ in range(50):
        game = s.wait_window(TITLE, timeout=60)
        if game == last:
            return game
        last = game
        time.sleep(0.2)
    raise Failure("the window never held still: %s" % (last,))


def wine_maximised(s):
    """With Wine's own frames (no window manager does the sizing): sized with the keyboard through the window
    menu, play follows the new size while the sizing goes on, gravity still pacing it; maximised, Alt+Enter
    gives a plain full screen and Alt+Enter again the maximised window."""
    driver = r"HKCU\Software\Wine\X11 Driver"
    subprocess.run(["wine", "reg", "add", driver, "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"], env=s.env,
                   check=True, capture_output=True, timeout=60)
    try:
        s.start(command=["wine", s.args.game], options=["--window"])
        _, width, height, x, y = wine_outer(s)
        side = (width - 800) // 2
        top = height - 600 - side
        client = lambda game: (game[3] + side, game[4] + top, game[1] - 2 * side, game[2] - top - side)
        start_to_menu(s, client(wine_outer(s)))
        start_play(s, client(wine_outer(s)))
        # The window menu's Size, then the right edge 160 pixels out; Return would end the sizing.
        s.x("xdotool", "key", "alt+space")
        time.sleep(0.5)
        s.x("xdotool", "key", "s")
        time.sleep(0.3)
        for _ in range(20):
            s.x("xdotool", "key", "Right")
        game = wine_outer(s)
        check(game[1] > width, "the keyboard's sizing did not widen the window: %dx%d" % game[1:3])
        left, up, w, h = client(game)
        box = picture_box(w, h)
        view = (left + box[0], up + box[1], box[2], box[3])
        sizing = s.wait_frame("while-sizing", lambda im: play_problem(im, view))
        time.sleep(2.2)
        later = s.shot("while-sizing-later")
        moved = [cell(3, row, view) for row in range(6)]
        check(any(distance(sizing.mean(*at), later.mean(*at)) > 24 for at in moved),
              "the column did not fall while the window was being sized")
        s.x("xdotool", "key", "Return")
        time.sleep(0.3)
        s.x("xdotool", "key", "alt+space")
        time.sleep(0.5)
        s.x("xdotool", "key", "x")
        deadline = time.time() + 10
        while True:
            maximised = wine_outer(s)
            if maximised[1] > s.screen_size[0] or time.time() > deadline:
                break
            time.sleep(0.2)
        check(maximised[1] > s.screen_size[0], "the window was not maximised: %dx%d at %d,%d" % maximised[1:])
        s.x("xdotool", "key", "alt+Return")
        full = wait_size(s, *s.screen_size)
        check(full[3:] == (0, 0), "full screen is at %d,%d" % full[3:])
        s.wait_frame("full-screen", lambda im: play_problem(im, (0, 0) + s.screen_size))
        s.x("xdotool", "key", "alt+Return")
        back = wine_outer(s)
        check(back == maximised, "back from full screen the window is %dx%d at %d,%d, not maximised (%dx%d at %d,%d)"
              % (back[1:] + maximised[1:]))
        left, up, w, h = client(back)
        box = picture_box(w, h)
        view = (left + box[0], up + box[1], box[2], box[3])
        s.wait_frame("maximised-again", lambda im: play_problem(im, view))
        quit_from_play(s, view)
    finally:
        subprocess.run(["wine", "reg", "delete", driver, "/v", "Managed", "/f"], env=s.env, capture_output=True,
                       timeout=60)
        # The keyboard's sizing took the pointer to the window's edge, and the focus Wine's frames left
        # is the root window's, which gives keys to the window under the pointer: back to the middle.
        s.x("xdotool", "mousemove", str(s.screen_size[0] // 2), str(s.screen_size[1] // 2))


def wine_scaled(s):
    """At 150 % (144 dots per inch) --window opens larger by that scale, as much as the 1024x768 screen holds
    with the frame, 4:3 kept, the menu drawn in it. (Wine gives the scale with or without the manifest.)"""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                    "/d", "144", "/f"], env=s.env, check=True, capture_output=True, timeout=60)
    # Wine 10 reads the scale as its server starts.
    subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=s.env, capture_output=True, timeout=60)
    s.start(command=["wine", s.args.game], options=["--window"])
    deadline = time.time() + 10
    while True:
        # Wine may map the window at its outer size and size its client a moment later.
        game = s.wait_window(TITLE, timeout=60)
        _, width, height, x, y = game
        if height > 600 or time.time() > deadline:
            break
        time.sleep(0.1)
    check(height > 600, "the window's client area is %dx%d, not scaled for 150 %%" % (width, height))
    check(x + width <= 1024 and y + height <= 768, "the window reaches past the screen: %dx%d at %d,%d" % game[1:])
    check(abs(width * 3 - height * 4) <= 4, "the window's client area %dx%d is not 4:3" % (width, height))
    box = picture_box(width, height)
    start_to_menu(s, (x + box[0], y + box[1], box[2], box[3]))
    close_with_alt_f4(s)


def wine_bad_picture(s):
    """A missing picture: "Initialization Failed." after teardown; a corrupt one first the decoder's
    "Error" box, its file read through the Windows mapping. Both exit 1."""
    work = copied_game(s)
    os.remove(os.path.join(work, "pic", "kol6.bmp"))
    s.start(command=["wine", os.path.join(work, os.path.basename(s.args.game))], cwd=s.dir)
    expect_initialization_failed(s, "a missing picture")
    shutil.rmtree(work)
    work = copied_game(s)
    with open(os.path.join(work, "pic", "kol6.bmp"), "r+b") as f:
        f.seek(10)
        f.write(b"\xff\xff\xff\x7f")  # pixel data offset far past the end of the file
    s.start(command=["wine", os.path.join(work, os.path.basename(s.args.game))], cwd=s.dir)
    s.wait_window("Error", timeout=60)
    check(TITLE in s.windows(), "the decoder's box came after the window was torn down")
    s.answer_box("Error", "Return")
    expect_initialization_failed(s, "a corrupt picture")


def wine_store(s):
    """The Windows store's check beside the game writes its last record to %LOCALAPPDATA%\\Brinvale\\."""
    checker = os.path.join(os.path.dirname(s.args.game), "brinvale-store-check.exe")
    result = subprocess.run(["wine", checker], env=s.env, capture_output=True, text=True, timeout=60)
    check(result.returncode == 0, "the store's check failed: %r %r" % (result.stdout, result.stderr))
    found = glob.glob(os.path.join(s.env["WINEPREFIX"], "drive_c/users/*/AppData/Local/Brinvale/game.txt"))
    check(found, "no game.txt under %LOCALAPPDATA%\\Brinvale")
    with open(found[0]) as f:
        check(f.read() == "brinvale store check\n", "game.txt does not hold the check's last record")


def case_wine(s):
    """The Windows build under Wine: its imports and manifest, --help, its store, play, a game closed in play
    coming back, --window, a focus loss in play, the full-screen toggle and a resized window, Alt+Enter after a
    key-up that went elsewhere, sizing through the window menu and a maximised window's toggle, the picture
    failures, and --window at 150 %."""
    wine_imports(s)
    wine_manifest(s)
    prefix = tempfile.mkdtemp(prefix="brinvale-wine-")
    s.env = wine_env(s.env, prefix)
    try:
        started = time.monotonic()
        subprocess.run(["wineboot", "-i"], env=s.env, check=True, capture_output=True, timeout=120)
        print("wine: prefix made in %.1f s" % (time.monotonic() - started))
        wine_help(s)
        wine_store(s)
        print("wine: wine_store passed")
        # The scale goes last: it changes the prefix for every later start.
        # The focus step starts play with Return, so it runs before any step that ends with Alt+F4
        # and may leave Alt down in Wine's server for the next start.
        for step in (wine_play, wine_focus, wine_window_menu, wine_comes_back, wine_window, wine_toggle, wine_refocus, wine_maximised,
                     wine_bad_picture, wine_scaled):
            step(s)
            print("wine: %s passed" % step.__name__)
    finally:
        subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
        shutil.rmtree(prefix, ignore_errors=True)


CASES = {
    "fullscreen": ("800x600x16", case_fullscreen),
    "quit-button": ("800x600x16", case_quit_button),
    "desktop": ("1920x1080x24", case_desktop),
    "desktop-4k": ("3840x2160x24", case_desktop),
    "toggle": ("1920x1080x24", case_toggle),
    "resized": ("1024x768x24", case_resized),
    "window": ("1024x768x24", case_window),
    "focus": ("1024x768x24", case_focus),
    "windowed-yes": ("1024x768x24", case_windowed_yes),
    "windowed-framed": ("1024x768x24", case_windowed_framed),
    "windowed-no": ("1024x768x24", case_windowed_no),
    "missing-picture": ("800x600x16", case_missing_picture),
    "corrupt-picture": ("800x600x16", case_corrupt_picture),
    "texture-cap": ("3840x2160x24", case_texture_cap),
    "sigterm": ("800x600x16", case_sigterm),
    "comes-back": ("800x600x16", case_comes_back),
    "no-display": ("800x600x16", case_no_display),
    "soak": ("800x600x16", case_soak),
    "missing-data": ("800x600x16", case_missing_data),
    "package": ("800x600x16", case_package),
    "wine": ("1024x768x24", case_wine),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--game", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--artefacts", required=True)
    parser.add_argument("--counter", default="", help="brinvale-present-counter.so, for the pacing check")
    parser.add_argument("--texture-cap", default="", help="brinvale-texture-cap.so, for the texture-cap case")
    parser.add_argument("--deb-dir", help="the folder holding the built package, for the package case")
    parser.add_argument("--seconds", type=int, default=120)
    args = parser.parse_args()
    args.game, args.build, args.artefacts = (os.path.abspath(p) for p in (args.game, args.build, args.artefacts))
    screen, run = CASES[args.case]
    # A test runner's timeout or a ^C ends the run through its cleanup, not around it.
    def stop(number, frame):
        raise SystemExit(128 + number)
    for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(number, stop)
    session = None
    try:
        session = Session(args, args.case, screen)
        run(session)
    except Failure as failure:
        print("FAIL %s: %s (artefacts in %s)" % (args.case, failure, os.path.join(args.artefacts, args.case)))
        return 1
    finally:
        if session:
            session.close()
    print("ok %s (artefacts in %s)" % (args.case, session.dir))
    return 0


if __name__ == "__main__":
    sys.exit(main())
