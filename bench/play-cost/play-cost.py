#!/usr/bin/env python3
"""What a player pays: the CPU the game uses (fraction of one core), its wake-ups and its presents
per second in the menu, in play, paused and minimised, without and with a pad plugged in, against a
bare SDL2+GL window clearing at 60 Hz.

Usage: bench/play-cost/play-cost.py [--build DIR] [--game PATH] [--screen WxHxD] [--seconds N] [--runs N]
                                    [--pad no|yes|both] [-- GAME OPTION...]

Each run starts a private Xvfb with twm (which minimises), the real game from the build folder, and
drives it with xdotool: menu, Return (play), P (paused), P and a minimise (minimised). CPU comes from
/proc/PID/stat (user + system) over N seconds of wall time per state; presents are counted by
brinvale-present-counter.so, preloaded, which wraps SDL_GL_SwapWindow (so an unchanged game can be
measured too). Wake-ups are the context switches (voluntary and involuntary) of all the game's
threads, from /proc/PID/task/*/status. With a pad, the same library plugs an SDL virtual pad in
inside the game's process (BRINVALE_VIRTUAL_PAD). While paused, presses of the pad's A and of a key
the game ignores are timed until the game takes them from SDL. The X server's own CPU is shown beside. The figures printed at the end are the
medians over the runs. The machine's load (uptime) is printed before and after: other work on the
machine changes the figures.
"""

import argparse
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile
import time

TITLE = "Brinvale by Tolmarck"
STATES = ("menu", "play", "paused", "minimised")


def context_switches(pid):
    """Voluntary plus involuntary context switches of all a process's threads so far."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/status" % (pid, task)) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except FileNotFoundError:  # a thread that ended meanwhile
            pass
    return total


def cpu_seconds(pid):
    """CPU seconds of a process's threads so far, to the nanosecond (/proc/PID/task/*/schedstat), so
    that an idle state's few milliseconds a second are not lost in the clock ticks of /proc/PID/stat."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
                total += int(f.read().split()[0])
        except FileNotFoundError:
            pass
    return total / 1e9


class Display:
    """A private Xvfb with twm."""

    def __init__(self, screen, work):
        read_end, write_end = os.pipe()
        # -noreset: by default the server resets as its last client leaves, and a client connecting
        # meanwhile (the program starting while a probe of ours exits) is refused or cut off.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", screen,
                                      "-nolisten", "tcp"],
                                     pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                sys.exit("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.env = dict(os.environ, DISPLAY=":" + number.decode().strip())
        self.env.pop("WAYLAND_DISPLAY", None)
        rc = os.path.join(work, "twmrc")
        with open(rc, "w") as f:
            f.write("RandomPlacement\nNoTitle\n")
        self.twm = subprocess.Popen(["twm", "-f", rc], env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        time.sleep(0.5)

    def x(self, *command):
        return subprocess.run(list(command), env=self.env, capture_output=True, text=True).stdout

    def window(self, name, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            for line in self.x("xwininfo", "-root", "-tree").splitlines():
                m = re.match(r'\s+(0x[0-9a-f]+) "(.*)": ', line)
                if m and m.group(2) == name:
                    return m.group(1)
            time.sleep(0.2)
        sys.exit("no window %r within %d s" % (name, timeout))

    def press(self, key):
        # Held across a pass of the loop, which reads keys only on an empty queue.
        self.x("xdotool", "keydown", key)
        time.sleep(0.1)
        self.x("xdotool", "keyup", key)

    def close(self):
        self.twm.terminate()
        self.twm.wait()
        self.xvfb.terminate()
        self.xvfb.wait()


class Counted:
    """A program on the display with its presents counted."""

    def __init__(self, display, command, cwd, counter_library, work, pad=False):
        self.counter_path = os.path.join(work, "presents")
        with open(self.counter_path, "wb") as f:
            f.write(bytes(48))
        env = dict(display.env, LD_PRELOAD=counter_library, BRINVALE_PRESENT_COUNTER=self.counter_path)
        self.presses_path = None
        if pad:
            env["BRINVALE_VIRTUAL_PAD"] = "1"
            self.presses_path = os.path.join(work, "pad-presses")
            if os.path.exists(self.presses_path):
                os.unlink(self.presses_path)
            os.mkfifo(self.presses_path)
            env["BRINVALE_PAD_PRESSES"] = self.presses_path
        self.process = subprocess.Popen(command, cwd=cwd, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.display = display

    def counts(self):
        """Presents, pad presses the game took, their longest and total delay in microseconds, and when
        it last took a key-down (monotonic clock, microseconds)."""
        with open(self.counter_path, "rb") as f:
            data = f.read(48)
        return [int.from_bytes(data[i:i + 8], sys.byteorder) for i in range(0, 48, 8)]

    def presents(self):
        return self.counts()[0]

    def pad_delays(self, presses=20):
        """(mean, longest) milliseconds from a press of the pad's A until the game takes it from SDL,
        over presses at random moments; None without a pad or when the game took none."""
        if not self.presses_path:
            return None
        fifo = os.open(self.presses_path, os.O_WRONLY | os.O_NONBLOCK)
        before = self.counts()
        for _ in range(presses):
            os.write(fifo, b"a")
            time.sleep(random.uniform(0.2, 0.3))
        os.close(fifo)
        after = self.counts()
        taken = after[1] - before[1]
        if not taken:
            return None
        return (after[3] - before[3]) / taken / 1000, after[2] / 1000

    def key_delays(self, presses=10):
        """(mean, longest) milliseconds from starting xdotool on a key the game ignores until the game
        takes its key-down from SDL, over presses at random moments; xdotool's own start is included."""
        delays = []
        for _ in range(presses):
            time.sleep(random.uniform(0.2, 0.3))
            pressed = time.monotonic()
            self.display.x("xdotool", "keydown", "a")
            time.sleep(0.15)
            taken = self.counts()[4] / 1e6
            self.display.x("xdotool", "keyup", "a")
            if taken > pressed:
                delays.append((taken - pressed) * 1000)
        return (statistics.mean(delays), max(delays)) if delays else None

    def key_to_present(self, presses=10):
        """(mean, longest) milliseconds from the game taking a key-down until its next present, in
        play: Left and Right in turn, which move the column and light their key's picture."""
        delays = []
        for i in range(presses):
            time.sleep(random.uniform(0.2, 0.3))
            key = "Left" if i % 2 == 0 else "Right"
            self.display.x("xdotool", "keydown", key)
            time.sleep(0.1)
            counts = self.counts()
            self.display.x("xdotool", "keyup", key)
            taken, presented = counts[4], counts[5]
            if presented >= taken > 0:
                delays.append((presented - taken) / 1000)
        return (statistics.mean(delays), max(delays)) if delays else None

    def measure(self, seconds):
        """(cores used, presents per second, X server cores, wake-ups per second) over the next seconds."""
        pid, server = self.process.pid, self.display.xvfb.pid

        def sample():
            return (time.monotonic(), cpu_seconds(pid), self.presents(), cpu_seconds(server),
                    context_switches(pid))

        start = sample()
        time.sleep(seconds)
        end = sample()
        wall = end[0] - start[0]
        return tuple((e - s) / wall for s, e in zip(start[1:], end[1:]))

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def game_run(args, work, pad):
    display = Display(args.screen, work)
    try:
        game = Counted(display, [args.game] + args.options, args.build, args.counter, work, pad)
        window = display.window(TITLE)
        time.sleep(2)  # the textures load and the first frames settle
        figures = {"menu": game.measure(args.seconds)}
        display.press("Return")
        time.sleep(1)
        figures["play"] = game.measure(args.seconds)
        figures["key to present"] = game.key_to_present()
        display.press("p")
        time.sleep(1)
        figures["paused"] = game.measure(args.seconds)
        # A on a pad does nothing while paused: how long its press takes to reach the idle game.
        figures["pad delay"] = game.pad_delays()
        figures["key delay"] = game.key_delays()
        display.press("p")
        time.sleep(0.5)
        if game.measure(0.5)[1] == 0:
            print("warning: play did not resume, so 'minimised' below is paused and minimised")
        display.x("xdotool", "windowminimize", window)
        time.sleep(1)
        figures["minimised"] = game.measure(args.seconds)
        game.stop()
        return figures
    finally:
        display.close()


def bare_run(args, work):
    display = Display(args.screen, work)
    try:
        bare = Counted(display, [args.bare], args.build, args.counter, work)
        display.window("bare window")
        time.sleep(2)
        figures = bare.measure(args.seconds)
        bare.stop()
        return figures
    finally:
        display.close()


def find_programs(args):
    """The game, the present counter and the bare window from the build folder; exits when one is missing."""
    args.build = os.path.abspath(args.build)
    args.game = os.path.abspath(args.game or os.path.join(args.build, "brinvale"))
    args.counter = os.path.join(args.build, "brinvale-present-counter.so")
    args.bare = os.path.join(args.build, "brinvale-bare-window")
    for path in (args.game, args.counter, args.bare):
        if not os.path.exists(path):
            sys.exit("%s is missing: build the project first (cmake --build %s)" % (path, args.build))


def median(values):
    return statistics.median(values)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--game", help="the game to measure (default BUILD/brinvale)")
    parser.add_argument("--screen", default="800x600x16")
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--pad", choices=("no", "yes", "both"), default="both",
                        help="measure the game without a pad, with a virtual pad plugged in, or both")
    parser.add_argument("options", nargs="*", help="options passed to the game, after --")
    args = parser.parse_args()
    find_programs(args)

    print("load before:", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
    pads = {"no": (False,), "yes": (True,), "both": (False, True)}[args.pad]
    runs, bares = {pad: [] for pad in pads}, []
    with tempfile.TemporaryDirectory(prefix="play-cost-") as work:
        for run in range(args.runs):
            for pad in pads:
                figures = game_run(args, work, pad)
                runs[pad].append(figures)
                if figures["key delay"]:
                    print("run %d%s: key press to the idle game: mean %.1f ms, longest %.1f ms" %
                          ((run + 1, " with a pad" if pad else "") + figures["key delay"]))
                if figures["pad delay"]:
                    print("run %d: pad press to the idle game: mean %.1f ms, longest %.1f ms" %
                          ((run + 1,) + figures["pad delay"]))
                print("run %d%s: %s" % (run + 1, " with a pad" if pad else "",
                                        ", ".join("%s %.4f cores %.0f wake-ups/s %.1f presents/s" %
                                                  (s, figures[s][0], figures[s][3], figures[s][1]) for s in STATES)))
            bares.append(bare_run(args, work))
            print("run %d: bare window %.4f cores %.0f wake-ups/s %.1f presents/s" %
                  (run + 1, bares[-1][0], bares[-1][3], bares[-1][1]))
    print("load after: ", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())

    bare = tuple(median(b[i] for b in bares) for i in range(4))
    print()
    print("%s at %s, %g s per state, median of %d runs" % (os.path.basename(args.game), args.screen, args.seconds,
                                                            args.runs))
    print("| state | pad | cores used | wake-ups/s | presents/s | x bare window | X server cores |")
    print("|---|---|---|---|---|---|---|")
    for pad in pads:
        for state in STATES:
            cores, rate, server, wakes = (median(r[state][i] for r in runs[pad]) for i in range(4))
            # Four places: the idle figures are judged against 0.005.
            print("| %s | %s | %.4f | %.0f | %.1f | %.1f | %.3f |" %
                  (state, "yes" if pad else "no", cores, wakes, rate, cores / bare[0] if bare[0] else 0, server))
    delays = [r["pad delay"] for r in runs.get(True, []) if r["pad delay"]]
    if delays:
        print("pad press to the idle (paused) game: mean %.1f ms, longest %.1f ms (over %d runs)" %
              (median(d[0] for d in delays), max(d[1] for d in delays), len(delays)))
    shown = [r["key to present"] for pad in pads for r in runs[pad] if r["key to present"]]
    if shown:
        print("key-down taken to the next present, in play: mean %.1f ms, longest %.1f ms" %
              (median(k[0] for k in shown), max(k[1] for k in shown)))
    for pad in pads:
        keys = [r["key delay"] for r in runs[pad] if r["key delay"]]
        if keys:
            print("key press to the idle (paused) game%s, xdotool's start included: mean %.1f ms, longest %.1f ms" %
                  (" with a pad" if pad else "", median(k[0] for k in keys), max(k[1] for k in keys)))
    print("| bare window, 60 Hz | no | %.4f | %.0f | %.1f | 1 | %.3f |" % (bare[0], bare[3], bare[1], bare[2]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
