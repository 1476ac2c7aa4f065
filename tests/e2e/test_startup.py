#!/usr/bin/env python3
"""Start-up as a user meets it, at 800 x 600, 1024 x 768 and 1920 x 1080.

Per screen size, one start of the installed program under its own Xvfb:
- the window is mapped at (0, 0) with the screen's size and stays up;
- every key cap shows its cream face inside its computed rectangle, legends stand where they
  belong (letter high, digit low with its shifted symbol above, "Space" on the bottom row);
- each letter key shows its capital: of the 26 capitals drawn separately by ImageMagick in DejaVu
  Sans Bold, its own is the one most like the cap's ink;
- the tree's crown outline is pure green on its landmarks;
- the controls stand where a table of expected rectangles puts them (the program's trace says
  so), and buttons, check boxes and report box fill them on the screen; the first check box is
  marked, the check boxes lie apart and none of the controls covers a key (where the
  keyboard leaves no room above the buttons, the check boxes stand above the keyboard);
- Esc asks, Enter takes the default answer (Yes) and the program ends with status 0.
"""

import string
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

SIZES = ((800, 600), (1024, 768), (1920, 1080))


def legend_ink(img, x, y, cell=20):
    """Dark pixels in the box a legend of this cell height drawn with its top-left at (x, y) covers."""
    return img.count((x + 1, y + cell // 10, x + cell * 14 // 20, y + cell * 16 // 20), e.is_dark)


def legend_cell(rect):
    """The legends' cell height on a key: 0.44 of the key's height, so that both legends fit the cap."""
    return max(8, (rect[3] - rect[1]) * 44 // 100)


def check_keyboard(res, s, img):
    W, H = s.W, s.H
    rects = e.key_rects(W, H)
    bad = [k for k, rc in rects.items() if not e.is_cream(img.px(*e.cap_spot(rc)))]
    res.check(not bad, f"{W}x{H}: all {len(rects)} key caps show their face inside their rectangles",
              f"no cap face at {bad[:8]}")
    letters = {cell: e.SHIFTED[cell[0]][cell[1]] for cell in rects
               if cell[0] < 4 and e.SHIFTED[cell[0]][cell[1]] in string.ascii_uppercase}
    misread = {ch: e.read_legend(img, e.cap_face(rects[cell]), string.ascii_uppercase) for cell, ch in letters.items()}
    misread = {ch: got for ch, got in misread.items() if got != ch}
    res.check(len(letters) == 26 and not misread, f"{W}x{H}: every letter key shows its capital",
              f"caps read as another letter (key: read): {misread}")
    # The cap is stretched over the rectangle without its right column and bottom row: its warm
    # rim lies on left, right - 1, top and bottom - 1, and the pixel beyond each edge is not rim.
    # (Tree pixels drawn over the keys and controls that overlap them on small screens are left out.)
    tree = e.tree_outline(W, H)[0]
    controls = e.EXPECTED_CONTROLS[(W, H)].values()

    def rim(x, y):
        p = img.px(x, y)
        on_tree = p == (0, 255, 0) and e.tree_distance(tree, (x, y)) <= 4
        if on_tree or any(e.inside((x, y, x, y), c) for c in controls):
            return None
        return p[0] - p[2] >= 15

    off = []
    for k, (l, t, r, b) in rects.items():
        y, x = (t + b) // 2, l + (r - l) // 6  # left of every legend
        inner = [rim(l, y), rim(r - 1, y), rim(x, t), rim(x, b - 1)]
        outer = [rim(l - 1, y) if l > 0 else False, rim(r, y) if r < W else False, rim(x, t - 1), rim(x, b)]
        if False in inner or True in outer:
            off.append(k)
    res.check(not off, f"{W}x{H}: every key cap's edges lie on its computed rectangle", f"not so for {off[:8]}")
    # Just outside the keyboard, left of row 3's end and right of row 0's end, no cap is drawn.
    last0 = rects[(0, 13)]
    beyond = (min(W - 1, last0[2] + 2), (last0[1] + last0[3]) // 2)
    res.check(not e.is_cream(img.px(*beyond)), f"{W}x{H}: nothing cap-like right of the last key of row 0",
              f"pixel {beyond} is {img.px(*beyond)}")
    above = (rects[(0, 5)][0] + 5, rects[(0, 5)][1] - 3)
    res.check(not e.is_cream(img.px(*above)), f"{W}x{H}: nothing cap-like just above the keyboard",
              f"pixel {above} is {img.px(*above)}")

    def spot(cell, frac_y):
        l, t, r, b = rects[cell]
        return l + (r - l) // 3, t + (b - t) // frac_y, legend_cell(rects[cell])

    # The blank left Shift key gives the ink a legend-free cap has in the same place.
    blank_high = legend_ink(img, *spot((3, 0), 4))
    blank_low = legend_ink(img, *spot((3, 0), 2))
    for cell, what in (((1, 1), "Q"), ((2, 1), "A"), ((3, 7), "M"), ((2, 9), "L")):
        ink = legend_ink(img, *spot(cell, 4))
        res.check(ink >= blank_high + 8, f"{W}x{H}: letter {what} stands at a quarter of its key's height",
                  f"{ink} dark pixels there, {blank_high} on a blank key")
    for cell, what in (((0, 1), "1 and !"), ((0, 9), "9 and (")):
        low = legend_ink(img, *spot(cell, 2))
        high = legend_ink(img, *spot(cell, 10))
        res.check(low >= blank_low + 6 and high >= 4,
                  f"{W}x{H}: digit key {what}: digit at half height, shifted symbol at a tenth",
                  f"{low} dark pixels at half height (blank {blank_low}), {high} at a tenth")
    space = legend_ink(img, *spot((4, 3), 4))
    res.check(space >= 8, f"{W}x{H}: the Space bar carries its label a third of the way in",
              f"{space} dark pixels")


def check_tree(res, s, img):
    W, H = s.W, s.H
    points, crown = e.tree_outline(W, H)
    # Where the keyboard leaves no room below it, the check boxes stand over part of the tree.
    controls = e.EXPECTED_CONTROLS[(W, H)].values()
    sample = [points[i] for i in crown if not any(e.inside((*points[i], *points[i]), c) for c in controls)]
    slack = 0 if e.tree_scale(W, H) == 1.0 else 1  # a scaled tree's points are rounded
    wrong = [p for p in sample if not e.tree_green_at(img, p, slack)]
    res.check(not wrong, f"{W}x{s.H}: the crown outline is pure green on its {len(sample)} landmarks",
              f"{len(wrong)} are not, e.g. {wrong[:5]} -> {[img.px(*p) for p in wrong[:5]]}")
    # Six pixels to the left, away from the outline, the background shows.
    off = [(x - 6, y) for x, y in sample if e.tree_distance(points, (x - 6, y)) > 5]
    green_off = sum(1 for p in off if img.px(*p) == (0, 255, 0))
    res.check(green_off < len(off) // 4, f"{W}x{s.H}: the outline is where its landmarks put it, not elsewhere",
              f"{green_off} of {len(off)} points 6 pixels to the left are green too")


def check_controls(res, s, img):
    W, H = s.W, s.H
    rects = e.key_rects(W, H)
    cr = e.EXPECTED_CONTROLS[(W, H)]
    res.check(e.control_rects(s) == cr, f"{W}x{H}: the program places its controls where expected",
              f"placed {e.control_rects(s)}")
    keyboard_bottom = rects[(4, 0)][3]
    for cid, name in ((1, "Start"), (57670, "Help"), (2, "Exit")):
        l, t, r, b = cr[cid]
        y = (t + b) // 2
        ok = (e.luminance(img.px(l + 2, y)) > 170 and e.luminance(img.px(r - 2, y)) > 170 and
              e.luminance(img.px(l - 3, y)) < 120 and e.luminance(img.px(r + 3, y)) < 120)
        res.check(ok, f"{W}x{H}: the {name} button fills its rectangle {cr[cid]}",
                  f"inside {img.px(l + 2, y)} {img.px(r - 2, y)}, outside {img.px(l - 3, y)} {img.px(r + 3, y)}")
        ink = img.count((l + 3, t + 3, r - 3, b - 3), lambda p: e.luminance(p) < 90)
        res.check(ink >= 10, f"{W}x{H}: the {name} button shows a caption", f"{ink} dark pixels")
        res.check(t > keyboard_bottom, f"{W}x{H}: the {name} button is below the keyboard",
                  f"top {t}, keyboard bottom {keyboard_bottom}")
    l, t, r, b = cr[1000]
    y = (t + b) // 2
    res.check(img.px(W // 2, y) == (255, 255, 255) and e.luminance(img.px(0, y)) < 120,
              f"{W}x{H}: the report box spans {l}..{r} at the bottom, empty",
              f"middle {img.px(W // 2, y)}, left edge {img.px(0, y)}")
    boxes = [cr[cid] for cid in (1004, 1005, 1006, 1007)]
    for cid, (l, t, r, b) in zip((1004, 1005, 1006, 1007), boxes):
        # The box paints its face up to its corners (the left one may be off the screen).
        corners = [(x, y) for x in (l, r) for y in (t, b) if 0 <= x < W]
        res.check(all(e.neutral_light(img.px(x, y)) for x, y in corners),
                  f"{W}x{H}: check box {cid} fills its rectangle {cr[cid]}",
                  f"corners {[img.px(x, y) for x, y in corners]}")
    marks = [e.check_mark(img, rc) for rc in boxes]
    res.check(marks == [True, False, False, False], f"{W}x{H}: only the first check box is marked", f"{marks}")
    # In one row where the screen is wide enough, else in two rows or a column; never one over another.
    apart = all(a[2] < b[0] or b[2] < a[0] or a[3] < b[1] or b[3] < a[1]
                for i, a in enumerate(boxes) for b in boxes[i + 1:])
    apart = apart and all(l >= 0 and r < W for l, _, r, _ in boxes)
    res.check(apart, f"{W}x{H}: the check boxes lie on the screen, none over another", f"{boxes}")
    covered = sorted({k for k, rc in rects.items() for b in boxes
                      if rc[0] <= b[2] and b[0] <= rc[2] and rc[1] <= b[3] and b[1] <= rc[3]})
    res.check(not covered, f"{W}x{H}: no check box covers a key", f"they cover {covered[:8]}")
    row4 = [rc for k, rc in rects.items() if k[0] == 4]
    hidden = [rc for rc in row4 if not e.is_cream(img.px(*e.cap_spot(rc)))]
    res.check(not hidden, f"{W}x{H}: the bottom key row shows", f"hidden: {hidden}")


def run_size(res, args, W, H):
    with e.Session(args, W, H, f"{W}x{H}") as s:
        s.launch()
        wid = s.main_window()
        res.check(s.geometry(wid) == (0, 0, W, H), f"{W}x{H}: the window is mapped at (0, 0) with the screen's size",
                  f"geometry {s.geometry(wid)}")
        img = s.shot("start")
        # The fast screenshot and ImageMagick's must agree (the screen is still now).
        res.check(s.shot_import().data == img.data, f"{W}x{H}: the fast screenshot equals import's")
        with res.group(f"{W}x{H}: keyboard"):
            check_keyboard(res, s, img)
        with res.group(f"{W}x{H}: tree"):
            check_tree(res, s, img)
        with res.group(f"{W}x{H}: controls"):
            check_controls(res, s, img)
        res.check(s.alive() and s.geometry(wid) == (0, 0, W, H), f"{W}x{H}: the window is still up, unchanged")
        with res.group(f"{W}x{H}: closing"):
            s.key("Escape")
            box = e.wait_until(lambda: len(s.windows()) >= 2, 20)
            res.require(box, f"{W}x{H}: Esc opens the exit question (a second window)", f"windows {s.windows()}")
            s.shot("exit-question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, f"{W}x{H}: Enter on the question (Yes is the default) ends the program with status 0",
                      f"status {status}")


if __name__ == "__main__":
    sys.exit(e.run_sizes(__file__, "start-up", SIZES, run_size))
