#!/usr/bin/env python3
"""The screen changes under the running program, with no window manager (xrandr on Xvfb): a
laptop's 1366 x 768, 800 x 600, a portrait 1080 x 1920 and back to 1920 x 1080, while practising.

After each change, within a bounded wait:
- the window covers the new screen exactly;
- the keyboard is drawn for it (every cap's face inside its new rectangle), the tree stands above
  the keyboard (no outline pixel on a key row) and reaches down toward it, and one whole apple
  hangs inside the new tree's outline;
- the exercise goes on: the key that blinks is the target's key of before the change, and the
  report box still shows the report.
A window moved onto another monitor covers it and is drawn for it.
Then the window destroyed from outside (xdotool windowclose) ends the program with status 0, and at
a fractional scale (QT_SCALE_FACTOR=1.5 at 1366 x 768) the window is exactly the screen's size.
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

CHANGES = ((1366, 768), (800, 600), (1080, 1920), (1920, 1080))


def report_has_text(s, img):
    rects = e.placed_controls(s)
    if not rects:
        return False
    l, t, r, b = rects[1000]
    return img.count((l + 3, t + 3, r - 3, b - 3), lambda p: e.luminance(p) < 90) > 20


def check_screen(res, s, wid, W, H, target):
    s.W, s.H = W, H
    res.require(e.wait_until(lambda: s.geometry(wid) == (0, 0, W, H), 5),
                f"{W}x{H}: the window covers the new screen", f"it is {s.geometry(wid)}")
    rects = e.key_rects(W, H)

    def drawn():
        img = s.shot()
        ok = all(e.is_cream(img.px(*e.cap_spot(rc))) for rc in rects.values()) and len(e.find_apples(img, W, H)) == 1
        return img if ok else None
    img = e.wait_until(drawn, 5, 0.1)
    res.require(img is not None, f"{W}x{H}: every key cap and one apple are drawn for the new screen")
    s.keep(img, f"after-{W}x{H}")
    points, _ = e.tree_outline(W, H)
    top_of_keys = rects[(0, 0)][1]
    low = max(p[1] for p in points)
    res.check(low < top_of_keys, f"{W}x{H}: the tree stands above the keyboard", f"lowest {low}, keys {top_of_keys}")
    green = img.count((0, 0, W - 1, top_of_keys - 1), lambda p: p == (0, 255, 0), step=1)
    res.check(green > 500, f"{W}x{H}: the tree's green outline is drawn", f"{green} green pixels")
    res.check(low > top_of_keys * 0.6, f"{W}x{H}: the tree fills the room above the keyboard",
              f"lowest {low}, keys at {top_of_keys}")
    apple = e.find_apples(img, W, H)[0]
    box = e.bbox(apple)
    cx, cy = (box[0] + box[2]) // 2, (box[1] + box[3]) // 2
    span = e.tree_row_span(points, cy)
    res.check(span and span[0] < cx < span[1], f"{W}x{H}: the apple hangs inside the tree",
              f"apple {box}, tree row {cy}: {span}")
    cell = e.steady_blinking_key(s)
    res.check(cell == target, f"{W}x{H}: the same target key blinks as before the change", f"{cell} vs {target}")
    res.check(report_has_text(s, img), f"{W}x{H}: the report box still shows the report")


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    with res.group("following the screen without a window manager"):
        with e.Session(args, 1920, 1920, "follow") as s:
            s.set_mode(1920, 1080)
            s.W, s.H = 1920, 1080
            s.launch()
            wid = s.main_window()
            s.key("F2")
            res.require(e.wait_until(lambda: len(e.find_apples(s.shot(), s.W, s.H)) == 1, 5), "F2 hangs an apple")
            first = e.steady_blinking_key(s)
            res.require(first is not None, "a key blinks")
            s.type(e.target_chars(first)[0])
            target = e.steady_blinking_key(s, first)
            res.require(target is not None, "the next target's key blinks")
            s.keep(s.shot(), "before-1920x1080")
            for W, H in CHANGES:
                s.set_mode(W, H)
                check_screen(res, s, wid, W, H, target)
            s.x("xdotool", "windowclose", wid, check=False)
            status = s.wait_exit(10)
            res.check(status == 0, "the window destroyed from outside ends the program with status 0",
                      f"status {status}")
    with res.group("another monitor"):
        with e.Session(args, 1920, 1080, "monitors") as s:
            # Two monitors side by side on one X screen, as RandR describes them.
            s.x("xrandr", "--setmonitor", "left", "960/254x1080/286+0+0", "screen")
            s.x("xrandr", "--setmonitor", "right", "960/254x1080/286+960+0", "none")
            s.launch()
            wid = e.wait_until(lambda: next((int(w) for w in s.x("xdotool", "search", "--onlyvisible", "--class",
                                                                   "pomarel", check=False).split()
                                             if s.geometry(int(w)) == (0, 0, 960, 1080)), None), 20, 0.1)
            res.require(wid is not None, "the window covers the left monitor")
            s.x("xdotool", "windowmove", wid, 1000, 0)
            res.check(e.wait_until(lambda: s.geometry(wid) == (960, 0, 960, 1080), 5),
                      "moved onto the right monitor, the window covers it", f"it is {s.geometry(wid)}")
            rects = e.key_rects(960, 1080)

            def drawn():
                img = s.shot()
                return img if all(e.is_cream(img.px(960 + e.cap_spot(rc)[0], e.cap_spot(rc)[1]))
                                  for rc in rects.values()) else None
            img = e.wait_until(drawn, 5, 0.1)
            res.check(img is not None, "the keyboard is drawn for the right monitor")
            if img is not None:
                s.keep(img, "right-monitor")
    with res.group("a fractional scale"):
        with e.Session(args, 1366, 768, "scale-1.5") as s:
            s.launch(extra_env={"QT_SCALE_FACTOR": "1.5"})
            wid = s.main_window()
            res.check(s.geometry(wid) == (0, 0, 1366, 768), "at 1.5 the window is exactly the 1366x768 screen",
                      f"it is {s.geometry(wid)}")
            s.keep(s.shot(), "scale-1.5")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
