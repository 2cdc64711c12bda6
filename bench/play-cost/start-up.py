#!/usr/bin/env python3
"""How soon the game shows its first frame: time from starting the process to its first present,
against the bare SDL2 + GL window on the same private Xvfb, median of N runs each.

Usage: bench/play-cost/start-up.py [--build DIR] [--game PATH] [--screen WxHxD] [--runs N] [-- GAME OPTION...]

Unless --window is among the game's options, the game starts full screen, and the bare window is
then started full screen too (brinvale-bare-window --fullscreen): SDL2 on X11 waits up to 100 ms for
a window manager to confirm any full-screen window, which only like can be compared with.

Presents are counted by brinvale-present-counter.so, preloaded, as in play-cost.py; the watcher
polls the count every half millisecond from the moment it starts the program. The game and the bare
window take turns, each on a fresh Xvfb with twm, so that both meet the same server state.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def load_play_cost():
    """The Xvfb and counting helpers of play-cost.py (a file name Python cannot import by itself)."""
    import importlib.util
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "play-cost.py")
    found = importlib.util.spec_from_file_location("play_cost", path)
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def first_present_ms(play_cost, args, command, work):
    """Milliseconds from starting command to its first present, on a fresh display."""
    display = play_cost.Display(args.screen, work)
    try:
        started = time.monotonic()
        program = play_cost.Counted(display, command, args.build, args.counter, work)
        deadline = started + 30
        while program.presents() == 0:
            if time.monotonic() > deadline or program.process.poll() is not None:
                program.stop()
                sys.exit("%s never presented a frame" % command[0])
            time.sleep(0.0005)
        elapsed = (time.monotonic() - started) * 1000
        program.stop()
        return elapsed
    finally:
        display.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--game", help="the game to measure (default BUILD/brinvale)")
    parser.add_argument("--screen", default="800x600x16")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("options", nargs="*", help="options passed to the game, after --")
    args = parser.parse_args()
    play_cost = load_play_cost()
    play_cost.find_programs(args)

    print("load before:", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
    games, bares = [], []
    with tempfile.TemporaryDirectory(prefix="start-up-") as work:
        for run in range(args.runs):
            games.append(first_present_ms(play_cost, args, [args.game] + args.options, work))
            bare = [args.bare] + ([] if "--window" in args.options else ["--fullscreen"])
            bares.append(first_present_ms(play_cost, args, bare, work))
            print("run %d: game %.0f ms, bare window %.0f ms" % (run + 1, games[-1], bares[-1]))
    print("load after: ", subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())
    game, bare = statistics.median(games), statistics.median(bares)
    print()
    kind = "bare window" if "--window" in args.options else "bare full-screen window"
    print("%s %s at %s, median of %d runs: first present after %.0f ms, %s %.0f ms: %.2f times"
          % (os.path.basename(args.game), " ".join(args.options), args.screen, args.runs, game, kind, bare, game / bare))
    return 0


if __name__ == "__main__":
    sys.exit(main())
