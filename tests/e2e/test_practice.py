#!/usr/bin/env python3
"""Practising as a user does it, at 800 x 600, 1024 x 768 and 1920 x 1080.

Per screen size, one start of the installed program:
- F2 hangs exactly one apple (pure yellow) of the apple's size in the crown, above the trunk
  markers, and makes one key blink: two screenshots a blink apart differ in exactly one key
  rectangle of rows 0 to 3;
- typing that key's character (set 1: the lower-case letter) moves on: the old apple goes, one new
  apple is shown, another key blinks, the report box at the bottom shows the report;
- a wrong character: the hand prompt shows above key (0,2) for a left-hand target
  or (0,11) for a right-hand one, the other hand's area stays as it was; the right character then
  puts the area back as it was before, and it stays so;
at 1024 x 768 also:
- Esc asks (a second window), the No button (Alt+N) closes the question and practice resumes where
  it was: the same key blinks and its character is accepted;
- a right click on the window away from the controls shows the notice (a second window), Enter
  closes it;
- Esc then Enter (Yes) ends the program with status 0.
"""

import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

SIZES = ((800, 600), (1024, 768), (1920, 1080))


def one_apple(img, s):
    apples = e.find_apples(img, s.W, s.H)
    return apples[0] if len(apples) == 1 else None


def wait_apple_change(s, before_box, before_bytes, timeout=3.0):
    """Waits until one apple shows that differs from the one at before_box; returns (img, box)."""
    def changed():
        img = s.shot()
        apple = one_apple(img, s)
        if apple is None:
            return None
        box = e.bbox(apple)
        if before_box is None or box != before_box or img.region(box) != before_bytes:
            return img, box
        return None
    return e.wait_until(changed, timeout, 0.05) or (None, None)


def check_apple(res, s, img, box, what):
    W, H = s.W, s.H
    aw, ah = e.APPLE_W, e.APPLE_H
    apples = e.find_apples(img, W, H)
    res.check(len(apples) == 1, f"{W}x{H}: {what}: exactly one apple on the screen", f"{len(apples)} yellow regions")
    size = (box[2] - box[0] + 1, box[3] - box[1] + 1)
    res.check(size == (aw, ah), f"{W}x{H}: {what}: the apple is {aw}x{ah}", f"it is {size[0]}x{size[1]} at {box}")
    points, crown = e.tree_outline(W, H)
    tx0, tx1 = min(p[0] for p in points), max(p[0] for p in points)
    # The trunk markers' row moves with the tree's size: the first point after the crown's.
    marker_y = points[min(set(range(len(points))) - set(crown))][1]
    res.check(box[1] >= 0 and box[3] < marker_y and box[2] > tx0 and box[0] < tx1,
              f"{W}x{H}: {what}: the apple hangs in the crown, above the trunk markers",
              f"apple {box}, tree x {tx0}..{tx1}")
    red = img.count(box, lambda p: p == (255, 0, 0))
    res.check(red >= 15, f"{W}x{H}: {what}: the apple carries a red character", f"{red} red pixels")


def find_blink(res, s, what):
    cell, box = e.blinking_key(s)
    rects = e.key_rects(s.W, s.H)
    ok = cell is not None and (box[2] - box[0]) * 10 >= (rects[cell][2] - rects[cell][0]) * 6
    res.require(ok, f"{s.W}x{s.H}: {what}: exactly one key blinks", f"changed area {box}, key {cell}")
    return cell


def report_bytes(s, img):
    return img.region(e.control_rects(s)[1000])


def practise(res, s):
    W, H = s.W, s.H
    s.key("F2")
    img, box = wait_apple_change(s, None, None)
    if img is None:
        last = s.shot("no-apple")
        groups = e.find_apples(last, W, H)
    res.require(img is not None, f"{W}x{H}: F2 shows one apple",
                f"no single yellow region appeared within 3 s; now {[e.bbox(g) for g in groups]}" if img is None else "")
    s.keep(img, "first-apple")
    check_apple(res, s, img, box, "after F2")
    cell = find_blink(res, s, "after F2")
    res.check(e.PLAIN[cell[0]][cell[1]].isalpha(), f"{W}x{H}: set 1 asks for a letter key", f"key {cell}")

    # The right character.
    before_report = report_bytes(s, img)
    s.type(e.PLAIN[cell[0]][cell[1]])
    img2, box2 = wait_apple_change(s, box, img.region(box))
    res.require(img2 is not None, f"{W}x{H}: the right character replaces the apple",
                f"typed {e.PLAIN[cell[0]][cell[1]]!r} for key {cell}")
    s.keep(img2, "after-right-key")
    check_apple(res, s, img2, box2, "after a right key")
    res.check(e.wait_until(lambda: report_bytes(s, s.shot()) != before_report, 2),
              f"{W}x{H}: the report box changes after a right key")
    rep = e.control_rects(s)[1000]
    ink = img2.count(rep, lambda p: e.luminance(p) < 100) if report_bytes(s, img2) != before_report else 0
    res.check(ink >= 30, f"{W}x{H}: the report box shows text", f"{ink} dark pixels")
    cell2 = find_blink(res, s, "after a right key")
    return cell2, img2, box2


def wrong_key(res, s, cell, apple_box):
    """A wrong character, then the right one: the hand prompt shows and goes."""
    W, H = s.W, s.H
    hand = e.hand_of_key(*cell)
    shown_rect = e.hand_rect(W, H, 0 if hand == 1 else 1)
    other_rect = e.hand_rect(W, H, 1 if hand == 1 else 0)
    res.check(not any(e.inside((x, y, x, y), apple_box) for x, y in
                      ((shown_rect[0], shown_rect[1]), (shown_rect[2], shown_rect[3]))),
              f"{W}x{H}: the apple leaves the hand area free", f"apple {apple_box}, hand {shown_rect}")
    target = e.PLAIN[cell[0]][cell[1]]
    wrong = next(ch for ch in "qpzmxo" if ch != target)
    before = s.shot()
    s.type(wrong)
    typed = time.monotonic()
    def hand_seen():
        img = s.shot()
        return img if before.diff_bbox(img, shown_rect) else None
    # How soon is a figure of the benchmarks; here only that it comes.
    seen = e.wait_until(hand_seen, 10, 0.03)
    delay = time.monotonic() - typed
    side = "left" if hand == 1 else "right"
    res.check(seen is not None,
              f"{W}x{H}: a wrong character shows the {side} hand above key {(0, 2) if hand == 1 else (0, 11)}",
              "the area did not change within 10 s")
    res.note(f"{W}x{H}: the hand showed {delay * 1000:.0f} ms after the wrong character")
    shown = seen or s.shot()
    s.keep(shown, "hand-prompt")
    # Around the area (up to the keyboard) only the area itself changes, and a hand fills most of it.
    around = (shown_rect[0] - 20, shown_rect[1] - 20, shown_rect[2] + 20, shown_rect[3])
    box = before.diff_bbox(shown, around)
    res.check(box is not None and e.inside(box, shown_rect) and box[2] - box[0] >= 40 and box[3] - box[1] >= 60,
              f"{W}x{H}: the {side} hand picture stands in {shown_rect}, its bottom row just above the key",
              f"changed box {box}")
    res.check(before.region(other_rect) == shown.region(other_rect),
              f"{W}x{H}: the other hand's area stays as it was")
    # It blinks: within two periods the area is back to the background once.
    res.check(e.wait_until(lambda: s.shot().region(shown_rect) == before.region(shown_rect), 10, 0.03),
              f"{W}x{H}: the hand prompt blinks (the area returns to the background)")
    s.type(target)
    back = e.wait_until(lambda: s.shot().region(shown_rect) == before.region(shown_rect) and
                        one_apple(s.shot(), s) is not None, 10)
    res.check(back, f"{W}x{H}: the right character puts the hand area back")
    time.sleep(0.7)  # more than two blink periods
    res.check(s.shot().region(shown_rect) == before.region(shown_rect),
              f"{W}x{H}: the hand prompt stays away after the right character")


def resume_after_no(res, s):
    W, H = s.W, s.H
    cell = find_blink(res, s, "before Esc")
    img = s.shot()
    apple = one_apple(img, s)
    box = e.bbox(apple) if apple else None
    s.key("Escape")
    res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{W}x{H}: Esc shows the exit question")
    s.shot("exit-question")
    s.key("alt+n")
    res.require(e.wait_until(lambda: len(s.windows()) == 1, 20), f"{W}x{H}: the No button (Alt+N) closes the question")
    res.check(s.alive(), f"{W}x{H}: after No the program runs on")
    after = s.shot("after-no")
    again = find_blink(res, s, "after No")
    res.check(again == cell, f"{W}x{H}: after No the same key blinks", f"before {cell}, after {again}")
    s.type(e.PLAIN[cell[0]][cell[1]])
    img2, _ = wait_apple_change(s, box, after.region(box) if box else b"")
    res.check(img2 is not None, f"{W}x{H}: after No the same target's character is accepted")


def notice(res, s):
    W, H = s.W, s.H
    # Top-left corner: background, away from the tree, the keys and the controls.
    s.click(12, 12, 3)
    res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{W}x{H}: a right click shows the notice box",
                f"windows {s.windows()}")
    s.shot("notice")
    s.key("Return")
    res.check(e.wait_until(lambda: len(s.windows()) == 1, 20), f"{W}x{H}: Enter closes the notice")
    res.check(s.alive(), f"{W}x{H}: the program runs on after the notice")


def run_size(res, args, W, H):
    with e.Session(args, W, H, f"{W}x{H}") as s:
        s.launch()
        s.main_window()
        with res.group(f"{W}x{H}: F2 and a right key"):
            cell, img, box = practise(res, s)
        with res.group(f"{W}x{H}: a wrong key and the hand prompt"):
            wrong_key(res, s, cell, box)
        if (W, H) == (1024, 768):
            with res.group(f"{W}x{H}: Esc, No, resume"):
                resume_after_no(res, s)
            with res.group(f"{W}x{H}: right click notice"):
                notice(res, s)
        with res.group(f"{W}x{H}: Esc, Yes"):
            s.key("Escape")
            res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{W}x{H}: Esc shows the exit question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, f"{W}x{H}: Yes ends the program with status 0", f"status {status}")


if __name__ == "__main__":
    sys.exit(e.run_sizes(__file__, "practice", SIZES, run_size))
