#!/usr/bin/env python3
"""Captions by LANG in all seven languages at 800 x 600, 1024 x 768 and 1920 x 1080, UTF-8.

The program reads only LANG for its language (LC_ALL and LC_MESSAGES are unset here; the
locales need not be generated). Per language and screen size one start:
- the program starts and the keyboard shows, every key cap in view (no check box covers one);
- the controls stand where the program says it placed them (its trace): on the screen, clear of
  every key and of each other; in English and Chinese where the template's sizes put them (the
  other scripts click there), at 1024 x 768 in one row between the keyboard and the buttons;
- the three buttons and the four check boxes carry captions (ink inside their rectangles, the
  Start button's included);
- each check-box caption is whole (its ink keeps off the box's edges) and drawn at 12 pixels or
  more (13 for Chinese and Japanese): its tallest text line is at least 12 rows of ink;
- the captions differ from the English ones (German keeps "Start" and "Exit", so all the
  controls are compared);
- in every language at 800 x 600 and 1024 x 768, F1 shows the help box inside the
  screen, and Enter (its OK button) closes it;
- Esc shows the exit question, Enter (Yes) ends the program with status 0.
Screenshots of the window, the help box and the question are kept as artefacts for a look by eye.
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

SIZES = ((800, 600), (1024, 768), (1920, 1080))
LANGS = ("en_US", "zh_CN", "zh_TW", "fr_FR", "de_DE", "ja_JP", "es_ES")
HELP_LANGS = LANGS
HELP_SIZES = ((800, 600), (1024, 768))


def ink(img, rect, dark=90):
    return img.count(rect, lambda p: e.luminance(p) < dark)


def caption_ink(img, rect):
    """Pixels of a check box's caption: right of its square, clearly unlike the box's own face."""
    l, t, r, b = rect
    face = e.luminance(img.px(r, t))
    return [(x, y) for y in range(t, b + 1) for x in range(l + 18, r + 1)
            if abs(e.luminance(img.px(x, y)) - face) > 60]


def tallest_line(points):
    """Rows in the tallest run of consecutive rows that hold ink: one text line's height."""
    best = run = 0
    prev = None
    for y in sorted({y for _, y in points}):
        run = run + 1 if prev is not None and y == prev + 1 else 1
        best, prev = max(best, run), y
    return best


def check_captions(res, img, tag, cr):
    for cid, name in ((1, "Start"), (57670, "Help"), (2, "Exit")):
        l, t, r, b = cr[cid]
        n = ink(img, (l + 3, t + 3, r - 3, b - 3))
        res.check(n >= 10, f"{tag}: the {name} button shows a caption", f"{n} dark pixels in {cr[cid]}")
    tallest = 0
    for cid in e.SET_IDS:
        l, t, r, b = cr[cid]
        pts = caption_ink(img, cr[cid])
        res.check(len(pts) >= 20, f"{tag}: check box {cid} shows a caption", f"{len(pts)} text pixels")
        if pts:
            bl, bt, br, bb = e.bbox(pts)
            res.check(t < bt and bb < b and br < r, f"{tag}: check box {cid}'s caption is whole",
                      f"ink {bl, bt, br, bb} in the box {cr[cid]}")
            tallest = max(tallest, tallest_line(pts))
    res.check(tallest >= 12, f"{tag}: the check-box captions are drawn at 12 pixels or more",
              f"their tallest line is {tallest} rows")


def check_help(res, s, tag):
    s.key("F1")
    res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{tag}: F1 shows the help box")
    box = [w for w in s.windows() if w != s.window]
    x, y, w, h = s.geometry(box[0])
    res.check(x >= 0 and y >= 0 and x + w <= s.W and y + h <= s.H, f"{tag}: the help box lies inside the screen",
              f"at {x},{y} size {w}x{h}")
    s.shot("help")
    s.key("Return")
    res.check(e.wait_until(lambda: len(s.windows()) == 1, 20), f"{tag}: Enter (OK) closes the help box")


def overlap(a, b):
    """Inclusive rectangles."""
    return a[0] <= b[2] and b[0] <= a[2] and a[1] <= b[3] and b[1] <= a[3]


def check_places(res, tag, cr, keys, W, H, lang):
    names = {1: "Start", 57670: "Help", 2: "Exit", 1000: "report box", **{c: f"check box {c}" for c in e.SET_IDS}}
    off = [names[c] for c, r in cr.items() if r[0] < 0 or r[1] < 0 or r[2] >= W or r[3] >= H]
    res.check(not off, f"{tag}: every control is on the screen", f"off: {off}")
    covered = [(names[c], k) for c in cr for k, rc in keys.items() if overlap(cr[c], rc)]
    res.check(not covered, f"{tag}: no control covers a key", f"{covered[:6]}")
    ids = sorted(cr)
    stacked = [(names[a], names[b]) for i, a in enumerate(ids) for b in ids[i + 1:] if overlap(cr[a], cr[b])]
    res.check(not stacked, f"{tag}: no control covers another", f"{stacked}")
    if lang in ("en_US", "zh_CN"):
        want = e.EXPECTED_CONTROLS[(W, H)]
        res.check(cr == want, f"{tag}: the controls stand where the template's sizes put them",
                  f"placed {cr}, expected {want}")
    if (W, H) == (1024, 768) and lang == "en_US":
        tops = {cr[c][1] for c in e.SET_IDS}
        bottom_keys = max(rc[3] for k, rc in keys.items() if k[0] == 4)
        res.check(tops == {700} and cr[1004][1] > bottom_keys and cr[1007][3] < cr[1][1],
                  f"{tag}: the check boxes stand in one row between the keyboard and the buttons",
                  f"tops {tops}, keys end at {bottom_keys}, buttons start at {cr[1][1]}")


def run_size(res, args, W, H):
    keys = e.key_rects(W, H)
    reference = None
    for lang in LANGS:
        tag = f"{lang} {W}x{H}"
        with res.group(tag), e.Session(args, W, H, f"{lang}-{W}x{H}") as s:
            s.launch(lang=lang + ".UTF-8")
            s.main_window()
            cr = e.placed_controls(s)
            res.require(cr is not None, f"{tag}: the program says where it placed its controls")
            check_places(res, tag, cr, keys, W, H, lang)
            e.settled(s.shot)  # the moved controls repainted
            img = s.shot("window")
            hidden = [k for k, rc in keys.items() if not e.is_cream(img.px(*e.cap_spot(rc)))]
            res.check(not hidden, f"{tag}: every key cap is in view", f"hidden: {hidden[:8]}")
            check_captions(res, img, tag, cr)
            controls = [img.region(cr[cid]) for cid in (1, 57670, 2, *e.SET_IDS)]
            if reference is None:
                reference = controls
            else:
                res.check(controls != reference, f"{tag}: the captions are not the English ones")
            if lang in HELP_LANGS and (W, H) in HELP_SIZES:
                check_help(res, s, tag)
            s.key("Escape")
            res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{tag}: Esc shows the exit question")
            s.shot("exit-question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, f"{tag}: Yes ends the program with status 0", f"status {status}")


if __name__ == "__main__":
    sys.exit(e.run_sizes(__file__, "captions", SIZES, run_size))
