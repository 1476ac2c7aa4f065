#!/usr/bin/env python3
"""Scaled desktops at 1920 x 1080: unscaled, QT_SCALE_FACTOR=1.5 and 2, and a 192-dpi screen
(Xvfb -dpi 192 with Xft.dpi: 192, as desktops set it, and QT_ENABLE_HIGHDPI_SCALING=1); and
QT_SCALE_FACTOR=2 at 1280 x 800 (the buttons do not fit under the keyboard; English, and German,
whose captions are the longest) and 1.25 at 1024 x 768.

Per desktop, one start of the installed program under its own Xvfb:
- the window covers the screen exactly, from (0, 0), in screen pixels;
- the scene is drawn one program pixel per screen pixel: the keyboard's upper rows are the same
  pixels as unscaled, and every cap of the bottom row shows its face;
- no control covers a key or another control or leaves the screen (where the program says it placed
  them, and on the screenshot: every cap shows its face); each check-box caption is whole (its ink
  keeps off the box's edges) and, scaled, at least 12 pixels times the scale tall;
- the Start and Exit buttons are on the screen and their labels, on a scaled desktop, as much
  larger than unscaled as the scale says;
  the report box reaches the bottom edge;
- F2 and the right character bring the next apple.
"""

import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

DESKTOPS = (
    ("unscaled", 1920, 1080, 1.0, {}, None),
    ("factor-1.5", 1920, 1080, 1.5, {"QT_SCALE_FACTOR": "1.5"}, None),
    ("factor-2", 1920, 1080, 2.0, {"QT_SCALE_FACTOR": "2"}, None),
    ("dpi-192", 1920, 1080, 2.0, {"QT_ENABLE_HIGHDPI_SCALING": "1"}, 192),
    ("1280x800-factor-2", 1280, 800, 2.0, {"QT_SCALE_FACTOR": "2"}, None),
    ("1280x800-factor-2-german", 1280, 800, 2.0, {"QT_SCALE_FACTOR": "2", "LANG": "de_DE.UTF-8"}, None),
    ("1024x768-factor-1.25", 1024, 768, 1.25, {"QT_SCALE_FACTOR": "1.25"}, None),
)


class DpiSession(e.Session):
    """A session whose X server reports a screen of the given dots per inch, with the matching
    Xft.dpi resource that desktops set for their scale."""

    def __init__(self, args, width, height, tag, dpi):
        super().__init__(args, width, height, tag)
        self.dpi = dpi

    def start_x(self):
        popen = subprocess.Popen

        def with_dpi(cmd, *a, **k):
            if cmd and cmd[0] == "Xvfb":
                cmd = list(cmd) + ["-dpi", str(self.dpi)]
            return popen(cmd, *a, **k)
        e.subprocess.Popen = with_dpi
        try:
            super().start_x()
        finally:
            e.subprocess.Popen = popen
        self.x("xprop", "-root", "-f", "RESOURCE_MANAGER", "8s", "-set", "RESOURCE_MANAGER", f"Xft.dpi:\t{self.dpi}\n")


def label_ink(img, rect):
    """Width and height of the dark label of a push button inside its inclusive rectangle; (0, 0)
    when there is none."""
    box = (rect[0] + 3, rect[1] + 3, rect[2] - 3, rect[3] - 3)
    ink = [(x, y) for y in range(box[1], box[3] + 1) for x in range(box[0], box[2] + 1)
           if e.luminance(img.px(x, y)) < 100]
    if len(ink) < 10:
        return 0, 0
    l, t, r, b = e.bbox(ink)
    return r - l + 1, b - t + 1


def overlap(a, b):
    """Inclusive rectangles."""
    return a[0] <= b[2] and b[0] <= a[2] and a[1] <= b[3] and b[1] <= a[3]


def check_controls(res, s, name, img, scale):
    W, H = s.W, s.H
    cr = e.placed_controls(s)
    res.require(cr is not None, f"{name}: the program says where it placed its controls")
    keys = e.key_rects(W, H)
    off = [c for c, r in cr.items() if r[0] < 0 or r[1] < 0 or r[2] >= W or r[3] >= H]
    res.check(not off, f"{name}: every control is on the screen", f"off: {off} in {cr}")
    covered = [(c, k) for c in cr for k, rc in keys.items() if overlap(cr[c], rc)]
    res.check(not covered, f"{name}: no control covers a key", f"{covered[:6]}")
    ids = sorted(cr)
    stacked = [(a, b) for i, a in enumerate(ids) for b in ids[i + 1:] if overlap(cr[a], cr[b])]
    res.check(not stacked, f"{name}: no control covers another", f"{stacked}")
    hidden = [k for k, rc in keys.items() if not e.is_cream(img.px(*e.cap_spot(rc)))]
    res.check(not hidden, f"{name}: every key cap shows its face", f"{hidden[:8]}")
    tallest = 0
    for cid in e.SET_IDS:
        l, t, r, b = cr[cid]
        face = e.luminance(img.px(r - 1, t + 1))
        ink = [(x, y) for y in range(t, b + 1) for x in range(l + round(18 * scale), r + 1)
               if abs(e.luminance(img.px(x, y)) - face) > 60]
        res.check(len(ink) >= 20, f"{name}: check box {cid} shows a caption", f"{len(ink)} text pixels")
        if ink:
            bl, bt, br, bb = e.bbox(ink)
            res.check(t < bt and bb < b and br < r, f"{name}: check box {cid}'s caption is whole",
                      f"ink {bl, bt, br, bb} in {cr[cid]}")
            rows = sorted({y for _, y in ink})
            run = 0
            for i, y in enumerate(rows):
                run = run + 1 if i and y == rows[i - 1] + 1 else 1
                tallest = max(tallest, run)
    # A caption line from ascender to descender is about as tall as the font's pixel size.
    res.check(tallest >= 12 * scale - 1, f"{name}: the captions are {12 * scale:g} pixels or more",
              f"their tallest line is {tallest} rows")
    return cr


def wait_window(s, timeout=20):
    """The program's full-screen window, once its keyboard's upper rows are drawn (the bottom row
    may lie under the controls on a scaled desktop)."""
    def find():
        if not s.alive():
            raise RuntimeError(f"the program ended early: {s.app_output()[-2000:]}")
        for w in s.x("xdotool", "search", "--onlyvisible", "--class", "pomarel", check=False).split():
            try:
                if s.geometry(int(w))[2:] == (W, H):
                    return int(w)
            except RuntimeError:
                continue
        return None
    W, H = s.W, s.H
    s.window = e.wait_until(find, timeout, 0.1)
    if s.window is None:
        raise RuntimeError("no full-screen window of the program appeared")
    rects = e.key_rects(W, H)
    if not e.wait_until(lambda: all(e.is_cream(s.shot().px(*e.cap_spot(rects[k]))) for k in ((0, 0), (2, 12), (3, 3))),
                        timeout, 0.1):
        raise RuntimeError("the keyboard did not appear on the screen")
    return s.window


def upper_rows(img, W, H):
    rects = e.key_rects(W, H)
    return img.region((0, rects[(0, 0)][1], W - 1, rects[(3, 0)][3]))


def type_target(res, s, name, apples_seen):
    W, H = s.W, s.H
    s.key("F2")
    if not apples_seen:
        # The controls stand over the crown: the apple may hang under them. The blinking key
        # tells the target, and a blinking key after it that practice goes on.
        cell, box = e.blinking_key(s)
        res.require(cell is not None, f"{name}: one key blinks after F2", f"changed area {box}")
        s.type(e.PLAIN[cell[0]][cell[1]])
        time.sleep(0.3)
        cell2, _ = e.blinking_key(s)
        res.check(cell2 is not None and s.alive(), f"{name}: after the target ({e.PLAIN[cell[0]][cell[1]]!r}) "
                  "a key blinks again")
        return
    apple = e.wait_until(lambda: (lambda a: a[0] if len(a) == 1 else None)(e.find_apples(s.shot(), W, H)), 3)
    res.require(apple is not None, f"{name}: F2 shows one apple")
    before = e.bbox(apple)
    cell, box = e.blinking_key(s)
    res.require(cell is not None, f"{name}: one key blinks after F2", f"changed area {box}")
    s.type(e.PLAIN[cell[0]][cell[1]])

    def next_apple():
        apples = e.find_apples(s.shot(), W, H)
        return len(apples) == 1 and e.bbox(apples[0]) != before
    moved = e.wait_until(next_apple, 3)
    # The same spot twice is possible but rare; the next blinking key then tells.
    if not moved:
        cell2, _ = e.blinking_key(s)
        moved = cell2 is not None
    res.check(moved, f"{name}: typing the target ({e.PLAIN[cell[0]][cell[1]]!r}) brings the next apple")


def run_desktop(res, args, name, W, H, scale, env, dpi, baseline):
    make = (lambda: DpiSession(args, W, H, name, dpi)) if dpi else (lambda: e.Session(args, W, H, name))
    with make() as s:
        s.launch(extra_env=env)
        wait_window(s)
        x, y, w, h = s.geometry(s.window)
        res.check((x, y, w, h) == (0, 0, W, H), f"{name}: the window covers the screen exactly", f"{(x, y, w, h)}")
        e.settled(s.shot)  # the controls placed for the captions repainted
        img = s.shot("window")
        cr = check_controls(res, s, name, img, scale)

        rects = e.key_rects(W, H)
        bottom = [k for k in rects if k[0] == 4]
        hidden = [k for k in bottom
                  if not e.is_cream(img.px(rects[k][0] + (rects[k][2] - rects[k][0]) // 5,
                                           rects[k][1] + (rects[k][3] - rects[k][1]) // 5))]
        res.check(not hidden, f"{name}: all {len(bottom)} caps of the bottom row are on the screen", f"{hidden}")

        start, exit_ = label_ink(img, cr[1]), label_ink(img, cr[2])
        res.check(start[1] > 0 and exit_[1] > 0,
                  f"{name}: Start and Exit show their labels on the screen where the layout puts them",
                  f"Start {start}, Exit {exit_}")
        report = img.px(W // 2, H - 3)
        res.check(e.luminance(report) > 200, f"{name}: the report box reaches the bottom edge", f"{report}")

        rows = upper_rows(img, W, H)
        if (W, H) != (1920, 1080):
            pass
        elif baseline.get("rows") is None:
            baseline["rows"], baseline["start"], baseline["exit"] = rows, start, exit_
        else:
            res.check(rows == baseline["rows"], f"{name}: the keyboard's upper rows are the unscaled pixels, sharp")
            for what, got, unscaled in (("Start", start, baseline["start"]), ("Exit", exit_, baseline["exit"])):
                res.check(got[0] >= unscaled[0] * (scale - 0.25) and got[1] >= unscaled[1] * (scale - 0.25),
                          f"{name}: the {what} label is about {scale} times as large as unscaled",
                          f"{got} against {unscaled}")
        # Apples hang with their box's top at y 317 at the lowest, their box under 388.
        type_target(res, s, name, all(cr[c][1] >= 388 for c in cr))


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    baseline = {}
    for name, W, H, scale, env, dpi in DESKTOPS:
        with res.group(f"scaled desktop {name}"):
            run_desktop(res, args, name, W, H, scale, env, dpi, baseline)
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
