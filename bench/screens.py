#!/usr/bin/env python3
"""Start-up memory, first paint and key to screen at several screen sizes, each under a private
Xvfb of that size; and how resident memory grows with the screen's pixels.

Prints one "name: value unit" line per figure on stdout; progress goes to stderr. For each size
in --sizes (WxH, comma-separated):

  first_paint_WxH_ms            start-up to the first full paint, median of --runs launches
  first_paint_face_new_WxH_ms   the same in a folder holding --face (the user's Face.jpg), a picture
                                never seen: the program's cache is emptied before each launch
  first_paint_face_WxH_ms       the same for a start that has seen the picture: the cache filled
                                by one launch before the measured ones
  picture_cache_WxH_mib         the size of the file the program keeps the picture in
  first_paint_wallpaper_WxH_ms  the same with --wallpaper set as the X11 root picture (feh --bg-fill)
  ..._ratio                     each of those three over the plain first paint
  rss_WxH_mib (and _anon)       VmRSS a second after the first paint, before Start
  rss_face_WxH_mib, rss_wallpaper_WxH_mib   the same with each background
  key_to_screen_WxH_p50_ms, _p90_ms         F2 to the first X DAMAGE in the tree's part of the
                                            screen, timed by xprobe (sizes in --key-sizes)

and from the plain RSS of every size, rss_growth_bytes_per_px: the least-squares slope of resident
memory over the screen's pixels (one screen-sized RGB32 image costs 4 bytes a pixel), with
rss_fixed_mib, where that line meets zero pixels.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import measure  # noqa: E402
from measure import Program, Xvfb, figure, percentile, progress  # noqa: E402

# Goals, by size: first paint (ms), RSS (MiB), key to screen median and p90 (ms).
PAINT_GOAL = {(3840, 2160): 150}
RSS_GOAL = {(1920, 1080): 50, (3840, 2160): 80}
KEY_GOAL = {(1920, 1080): (1.0, None), (3840, 2160): (1.5, 2.0)}
BACKGROUND_RATIO_GOAL = 1.25
GROWTH_GOAL = 4.5


def parse_sizes(text):
    sizes = []
    for part in filter(None, text.split(",")):
        w, h = part.lower().split("x")
        sizes.append((int(w), int(h)))
    return sizes


def first_paints(binary, env, cwd, runs, label, before=None):
    times = []
    for i in range(runs):
        if before:
            before()
        prog = Program(binary, env, cwd)
        try:
            painted = prog.wait_first_paint()
        finally:
            prog.stop()
        times.append((painted - prog.launched) * 1000.0)
        progress(f"{label} run {i + 1}/{runs}: {times[-1]:.1f} ms")
        time.sleep(0.3)
    return statistics.median(times)


def cache_files(env):
    folder = os.path.join(env["XDG_CACHE_HOME"], "pomarel")
    return [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".pixels")] \
        if os.path.isdir(folder) else []


def empty_cache(env):
    shutil.rmtree(os.path.join(env["XDG_CACHE_HOME"], "pomarel"), ignore_errors=True)


def fill_cache(binary, env, cwd):
    """One launch that shows the picture and keeps it; the cache file's size in bytes."""
    empty_cache(env)
    prog = Program(binary, env, cwd)
    try:
        prog.wait_first_paint()
        # The file is written after the first paint; the launch is ended once it is whole (renamed).
        deadline = time.monotonic() + 30
        while not cache_files(env) and time.monotonic() < deadline:
            prog.drain()
            time.sleep(0.05)
    finally:
        prog.stop()
    files = cache_files(env)
    if len(files) != 1:
        raise RuntimeError(f"the program kept {len(files)} pictures, not 1")
    return os.path.getsize(files[0])


def resident(binary, env, cwd):
    """VmRSS and RssAnon (MiB) a second after the first paint, and the program, still running."""
    prog = Program(binary, env, cwd)
    try:
        prog.wait_first_paint()
        time.sleep(1.0)
        prog.drain()
        mem = prog.memory_kb()
    except BaseException:
        prog.stop()
        raise
    return mem["VmRSS"] / 1024.0, mem["RssAnon"] / 1024.0, prog


def key_to_screen(xprobe, env, prog, width, height, keys):
    subprocess.run(["xdotool", "key", "F2"], env=env, check=True)
    time.sleep(0.5)
    # The tree and the apples fill the top 700 of 1080 rows, whatever the screen's size.
    cmd = [xprobe, "key", "-k", "F2", "-n", str(keys), "-q", "100", "-w", "1000",
           "-r", f"{width}x{height * 700 // 1080}+0+0"]
    out = subprocess.run(cmd, env=env, check=True, capture_output=True, text=True,
                         timeout=30 + 12 * keys).stdout
    prog.drain()
    seen = [float(line.split("latency_ms=")[1].split()[0])
            for line in out.splitlines() if line.startswith("trial ") and "latency_ms=" in line]
    if not seen:
        raise RuntimeError("no F2 changed the screen")
    return seen


def one_size(args, width, height, base_env, dirs):
    size = f"{width}x{height}"
    xvfb = Xvfb(width, height, args.display)
    env = dict(base_env, DISPLAY=xvfb.display)
    rss = None
    try:
        plain = first_paints(args.binary, env, dirs["empty"], args.runs, f"{size} first paint")
        figure(f"first_paint_{size}_ms", plain, "ms", goal=PAINT_GOAL.get((width, height)))
        rss, anon, prog = resident(args.binary, env, dirs["empty"])
        try:
            figure(f"rss_{size}_mib", rss, "MiB", goal=RSS_GOAL.get((width, height)))
            figure(f"rss_anon_{size}_mib", anon, "MiB")
            if args.xprobe and (width, height) in args.key_sizes:
                progress(f"{size} key to screen: {args.latency_keys} F2 keys")
                seen = key_to_screen(args.xprobe, env, prog, width, height, args.latency_keys)
                p50, p90 = KEY_GOAL.get((width, height), (None, None))
                figure(f"key_to_screen_{size}_p50_ms", percentile(seen, 50), "ms", goal=p50)
                figure(f"key_to_screen_{size}_p90_ms", percentile(seen, 90), "ms", goal=p90)
        finally:
            prog.stop()
        if (width, height) not in args.background_sizes:
            return rss
        if args.face:
            new = first_paints(args.binary, env, dirs["face"], args.runs, f"{size} first paint, new Face.jpg",
                               before=lambda: empty_cache(env))
            figure(f"first_paint_face_new_{size}_ms", new, "ms")
            figure(f"first_paint_face_new_{size}_ratio", new / plain, "x")
            kept = fill_cache(args.binary, env, dirs["face"])
            figure(f"picture_cache_{size}_mib", kept / 1024 / 1024, "MiB")
            face = first_paints(args.binary, env, dirs["face"], args.runs, f"{size} first paint, Face.jpg seen")
            figure(f"first_paint_face_{size}_ms", face, "ms")
            figure(f"first_paint_face_{size}_ratio", face / plain, "x", goal=BACKGROUND_RATIO_GOAL)
            face_rss, _, prog = resident(args.binary, env, dirs["face"])
            prog.stop()
            figure(f"rss_face_{size}_mib", face_rss, "MiB")
        if args.wallpaper:
            subprocess.run(["feh", "--no-fehbg", "--bg-fill", args.wallpaper], env=env, check=True)
            wall = first_paints(args.binary, env, dirs["empty"], args.runs, f"{size} first paint, wallpaper")
            figure(f"first_paint_wallpaper_{size}_ms", wall, "ms")
            figure(f"first_paint_wallpaper_{size}_ratio", wall / plain, "x", goal=BACKGROUND_RATIO_GOAL)
            wall_rss, _, prog = resident(args.binary, env, dirs["empty"])
            prog.stop()
            figure(f"rss_wallpaper_{size}_mib", wall_rss, "MiB")
    finally:
        xvfb.stop()
    return rss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--sizes", default="1920x1080,2560x1440,3840x2160")
    parser.add_argument("--background-sizes", default="1920x1080,3840x2160",
                        help="sizes also measured with Face.jpg and with an X11 wallpaper")
    parser.add_argument("--key-sizes", default="1920x1080,3840x2160")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--face", help="a picture, copied as Face.jpg into the program's folder")
    parser.add_argument("--wallpaper", help="a picture set as the X11 root picture with feh")
    parser.add_argument("--xprobe")
    parser.add_argument("--latency-keys", type=int, default=60)
    parser.add_argument("--display", type=int)
    args = parser.parse_args()
    args.binary = os.path.abspath(args.binary)
    sizes = parse_sizes(args.sizes)
    args.background_sizes = parse_sizes(args.background_sizes)
    args.key_sizes = parse_sizes(args.key_sizes)

    dirs = {"empty": tempfile.mkdtemp(prefix="pomarel-screens-"),
            "face": tempfile.mkdtemp(prefix="pomarel-screens-face-")}
    runtime = tempfile.mkdtemp(prefix="pomarel-xdg-")
    # The program's cache (the user's picture at the screen's size) is this run's own.
    cache_home = tempfile.mkdtemp(prefix="pomarel-cache-")
    if args.face:
        shutil.copyfile(args.face, os.path.join(dirs["face"], "Face.jpg"))
    env = dict(os.environ)
    for key in ("LC_ALL", "LC_MESSAGES", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"):
        env.pop(key, None)
    env.update({"QT_QPA_PLATFORM": "xcb", "SDL_AUDIODRIVER": "dummy", "LANG": "en_US.UTF-8",
                "POMAREL_TRACE": "1", "XDG_RUNTIME_DIR": runtime, "XDG_CACHE_HOME": cache_home})
    try:
        points = []
        for width, height in sizes:
            rss = one_size(args, width, height, env, dirs)
            points.append((width * height, rss * 1024 * 1024))
        with open("/proc/loadavg") as f:
            figure("screens_load_average_1min", float(f.read().split()[0]), "runnable")
        if len(points) >= 2:
            mx = statistics.fmean(p for p, _ in points)
            my = statistics.fmean(b for _, b in points)
            slope = sum((p - mx) * (b - my) for p, b in points) / sum((p - mx) ** 2 for p, _ in points)
            figure("rss_growth_bytes_per_px", slope, "B/px", goal=GROWTH_GOAL)
            figure("rss_fixed_mib", (my - slope * mx) / 1024 / 1024, "MiB")
    finally:
        shutil.rmtree(dirs["face"], ignore_errors=True)
        for d in (dirs["empty"], runtime, cache_home):
            shutil.rmtree(d, ignore_errors=True)
    return 0


if __name__ == "__main__":
    measure.signal.signal(measure.signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
