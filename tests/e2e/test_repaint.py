#!/usr/bin/env python3
"""What practice has on the screen survives every box, menu and minimise, and goes with Start or a
set choice, at 1920 x 1080 (Help also at 1024 x 768).

After F2 and a wrong key, the screen shows the apple with its character, the target key blinking
and the hand prompt blinking. Each route then opens something over the window and closes it:
Help (F1, Enter), the exit question answered No (Esc, Alt+N), the right-click notice (right
click, Enter), the About box (the system menu's About, Enter), the system menu itself (Alt+Space,
Esc), and minimise and restore (the system menu's Minimize; this script then does what a window
manager does: unmaps the window and marks it iconic, later marks it normal and maps it again).
While it is open, the box (or menu) is moved over the whole apple and then over the hand area, so
that closing it leaves both to be painted again. Once it has gone, the apple's box is pixel-equal
to what it was before, the target key and the hand area each show one of their two blink phases as
before, the hand shows again, and the rest of the screen is as it was (but for the Start button,
whose caption every paint sets). At 1024 x 768 Help stays where it opens, over the apple.

A box over only part of the apple (its character left free) is a known fault: the covered part
comes back as background with the apple's outline.

Then a wrong key shows the hand, and F2, F4 and a click on a check box (each just as the hand comes
up) bring a new target: the old hand area is back to the background at once and no hand blinks for
the new target.
"""

import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

HAND_PERIOD = 0.3  # seconds between the hand prompt's phases
WRONG = "qpzmxo"


class Shown:
    """What practice shows before a route: the apple, the blinking key's and the hand area's
    phases, and the whole screen as a reference for everything else."""

    def __init__(self, s, cell, hand, hand_bg):
        self.cell = cell
        self.key_rect = e.key_rects(s.W, s.H)[cell]
        self.hand_rect = hand
        self.hand_bg = hand_bg
        self.hand_shown = None
        self.key_phases = set()
        self.ref = None
        self.apple = None
        self.yellow = 0

    def holes(self, s):
        return [self.key_rect, self.hand_rect, self.apple[0], e.control_rects(s)[1]]


def same_except(a, b, holes):
    """Whether two screenshots agree everywhere outside the inclusive rectangles holes, but for
    colour steps of up to 3 (a key cap scaled again inside a clipped paint may round a channel the
    other way); else the first row that differs more."""
    w = a.w
    ma, mb = memoryview(a.data), memoryview(b.data)
    for y in range(a.h):
        cut = sorted((max(0, h[0]), min(w - 1, h[2])) for h in holes if h[1] <= y <= h[3])
        x = 0
        for l, r in cut + [(w, w)]:
            if l > x:
                s, t = y * a.stride + 3 * x, y * a.stride + 3 * min(l, w)
                if ma[s:t] != mb[s:t] and any(abs(p - q) > 3 for p, q in zip(ma[s:t], mb[s:t])):
                    return y
            x = max(x, r + 1)
    return None


def one_apple(s, img):
    apples = e.find_apples(img, s.W, s.H)
    return e.bbox(apples[0]) if len(apples) == 1 else None


def wait_windows(s, n, timeout=5):
    return e.wait_until(lambda: len(s.windows()) == n if n == 1 else len(s.windows()) >= n, timeout, 0.05)


def new_apple(s, old_box, old_bytes, timeout=3):
    """Waits until one apple shows that is not the one at old_box; returns its box."""
    def seen():
        img = s.shot()
        box = one_apple(s, img)
        return box if box is not None and (old_box is None or box != old_box or img.region(box) != old_bytes) else None
    return e.wait_until(seen, timeout)


def popups(s):
    """Visible windows of the program: the practice window and any menu over it."""
    out = s.x("xdotool", "search", "--onlyvisible", "--class", "pomarel", check=False)
    return len(out.split())


def start_with_hand(res, s, what, key=("F2",)):
    """Brings a target (F2 by default), types a wrong key once it blinks, and returns what is
    shown with both phases of the key and of the hand seen."""
    W, H = s.W, s.H
    before = s.shot()
    old = one_apple(s, before)
    old_bytes = before.region(old) if old else None
    s.key(*key)
    res.require(new_apple(s, old, old_bytes), f"{W}x{H}: {what}: one apple shows")
    cell, box = e.blinking_key(s)
    res.require(cell is not None, f"{W}x{H}: {what}: one key blinks", f"changed area {box}")
    hand = e.hand_rect(W, H, 0 if e.hand_of_key(*cell) == 1 else 1)
    bg = s.shot()
    st = Shown(s, cell, hand, bg.region(hand))
    chars = e.target_chars(cell)
    s.type(next(c for c in WRONG if c not in chars and c.upper() not in chars))
    res.require(e.wait_until(lambda: s.shot().region(hand) != st.hand_bg, 1.5, 0.02),
                f"{W}x{H}: {what}: a wrong key shows the hand prompt")
    capture(s, st)
    return st


def capture(s, st):
    """Takes screenshots until both phases of the key and of the hand have been seen (within a
    bound that a busy machine, slow to take screenshots, stays inside)."""
    end = time.monotonic() + 15
    hidden = False
    while time.monotonic() < end:
        img = s.shot()
        hand = img.region(st.hand_rect)
        if hand == st.hand_bg:
            hidden = True
        else:
            st.hand_shown = hand
        st.key_phases.add(img.region(st.key_rect))
        box = one_apple(s, img)
        if box is not None:
            st.apple = (box, img.region(box))
            st.yellow = len(img.find_exact((255, 255, 0), box))
            st.ref = img
        if hidden and st.hand_shown is not None and len(st.key_phases) >= 2 and st.ref is not None:
            return
        time.sleep(0.02)
    raise RuntimeError(f"the blink phases were not all seen: hand shown {st.hand_shown is not None}, "
                       f"hidden {hidden}, key phases {len(st.key_phases)}")


def what_differs(s, st, img):
    """What img shows otherwise than st recorded: (the apple's faults, every other fault)."""
    apple, other = [], []
    box, pixels = st.apple
    if img.region(box) != pixels:
        yellow = len(img.find_exact((255, 255, 0), box))
        apple.append(f"the apple's box {box} differs ({yellow} of {st.yellow} yellow pixels)")
    if img.region(st.key_rect) not in st.key_phases:
        other.append(f"key {st.cell} shows neither blink phase")
    hand = img.region(st.hand_rect)
    if hand != st.hand_bg and hand != st.hand_shown:
        other.append(f"the hand area {st.hand_rect} shows neither phase")
    row = same_except(img, st.ref, st.holes(s))
    if row is not None:
        other.append(f"the screen differs from row {row} on, in {img.diff_bbox(st.ref)}")
    return apple, other


def check_back(res, s, st, route, partly):
    """After a route: the shown state comes back and stays, and the hand keeps blinking. partly:
    the route's box lay over part of the apple."""
    W, H = s.W, s.H
    last = []

    def back():
        img = s.shot()
        last[:] = [img, *what_differs(s, st, img)]
        return not last[1] and not last[2]
    ok = e.wait_until(back, 6, 0.03)
    if not ok:  # the apple may stay wrong; the rest must still come back
        e.wait_until(lambda: back() or not last[2], 10, 0.03)
    s.keep(last[0], f"{route}-after")
    apple_ok = not last[1]
    what = f"{W}x{H}: after {route} the apple and its character are as before"
    if partly:
        res.check(apple_ok, what, "; ".join(last[1]))
    else:
        res.check(apple_ok, what, "; ".join(last[1]))
    res.check(not last[2], f"{W}x{H}: after {route} the blinking key, the hand area and the rest of the screen are "
                           "as before", "; ".join(last[2]))
    if last[2]:
        return
    # Watched for three blink periods, and on until the hand has shown once (a busy machine may
    # take screenshots too slowly to catch it in three periods), within a bound.
    wrong, hand_seen = [], False
    end = time.monotonic() + 3 * HAND_PERIOD
    bound = time.monotonic() + 15
    while (time.monotonic() < end or not hand_seen) and time.monotonic() < bound:
        img = s.shot()
        apple, other = what_differs(s, st, img)
        wrong += other + (apple if apple_ok else [])
        hand_seen = hand_seen or img.region(st.hand_rect) == st.hand_shown
        time.sleep(0.03)
    res.check(not wrong and hand_seen, f"{W}x{H}: after {route} it stays so and the hand prompt shows again",
              "; ".join(sorted(set(wrong))) or "the hand never showed")


def cover_note(res, s, img, st, route):
    """Says what the box lay over, i.e. what the repaint had to restore; returns whether it lay
    over part of the apple."""
    box, pixels = st.apple
    yellow = len(img.find_exact((255, 255, 0), box))
    apple = "not" if img.region(box) == pixels else "partly" if yellow else "wholly"
    hand = "not" if img.region(st.hand_rect) in (st.hand_bg, st.hand_shown) else "partly or wholly"
    res.note(f"{s.W}x{s.H}: {route}: the box covers the apple {apple} ({yellow} of {st.yellow} yellow pixels "
             f"left), the hand area {hand}")
    return apple == "partly"


def others(s, ids):
    return [w for w in ids if w != s.window]


def popup_ids(s):
    out = s.x("xdotool", "search", "--onlyvisible", "--class", "pomarel", check=False)
    return others(s, [int(w) for w in out.split()])


def lay_over(res, s, st, route, wid, place):
    """Moves window wid (a box or a menu) as place says: "all" over the whole apple, then over the
    hand area; "part" over the apple's lowest quarter, leaving its character free; None leaves it
    where it opened. Returns whether closing it then uncovers part of the apple while its
    character stays (a fill from the apple's seed point alone would leave that part unfilled)."""
    box = st.apple[0]
    spots = {"all": [("over-apple", box[0] - 8, box[1] - 8),
                     ("over-hand", st.hand_rect[0] - 8, st.hand_rect[1] - 8)],
             "part": [("over-part-of-apple", box[0] - 8, box[1] + (box[3] - box[1]) * 3 // 4)],
             None: [("open", None, None)]}[place]
    partly = False
    for name, x, y in spots:
        if x is not None:
            s.x("xdotool", "windowmove", wid, x, y)
        time.sleep(0.3)
        covers_part = cover_note(res, s, s.shot(f"{route}-{name}"), st, f"{route}, {name}")
        partly = place == "part" or (place is None and covers_part)
    return partly


def modal_route(res, s, st, route, open_keys, close_keys, click=None, place="all"):
    W, H = s.W, s.H
    if click:
        s.click(*click, button=3)
    else:
        s.key(*open_keys)
    res.require(wait_windows(s, 2), f"{W}x{H}: {route} opens a box", f"windows {s.windows()}")
    partly = lay_over(res, s, st, route, others(s, s.windows())[0], place)
    s.key(*close_keys)
    res.require(wait_windows(s, 1), f"{W}x{H}: {route}: the box closes")
    check_back(res, s, st, route, partly)


def menu_route(res, s, st, route, keys, box_close=None):
    """Alt+Space opens the system menu; keys choose About (then box_close closes its box) or close
    the menu. The menu, or the About box, lies over the apple and then over the hand."""
    W, H = s.W, s.H
    s.key("alt+space")
    res.require(e.wait_until(lambda: popups(s) >= 2, 20), f"{W}x{H}: Alt+Space opens the system menu")
    partly = False
    if not box_close:
        partly = lay_over(res, s, st, route, popup_ids(s)[0], "all")
    s.key(*keys)
    if box_close:
        res.require(wait_windows(s, 2), f"{W}x{H}: {route}: the About box opens")
        partly = lay_over(res, s, st, route, others(s, s.windows())[0], "all")
        s.key(*box_close)
        res.require(wait_windows(s, 1), f"{W}x{H}: {route}: the About box closes")
    res.require(e.wait_until(lambda: popups(s) == 1, 20), f"{W}x{H}: {route}: the menu closes")
    check_back(res, s, st, route, partly)


def minimise_route(res, s, st):
    W, H = s.W, s.H
    s.key("alt+space")
    res.require(e.wait_until(lambda: popups(s) >= 2, 20), f"{W}x{H}: Alt+Space opens the system menu")
    s.key("n")  # Mi&nimize
    res.require(e.wait_until(lambda: popups(s) == 1, 20), f"{W}x{H}: minimise: the menu closes")
    time.sleep(0.3)
    e.wm_iconify(s, s.window, True)
    gone = e.wait_until(lambda: not s.windows(), 3)
    res.check(gone and s.alive(), f"{W}x{H}: minimised, the window is off the screen and the program runs on")
    s.shot("minimised")
    time.sleep(1.0)  # timers tick on while minimised
    e.wm_iconify(s, s.window, False)
    res.require(e.wait_until(lambda: s.windows(), 3), f"{W}x{H}: restored, the window is back")
    check_back(res, s, st, "minimise-restore", False)


def hand_goes(res, s, what, tag, act):
    """A wrong key shows the hand; act brings a new target: the hand area is background again and
    no hand blinks for the new target."""
    W, H = s.W, s.H
    st = start_with_hand(res, s, f"before {what}")
    left, right = e.hand_rect(W, H, 0), e.hand_rect(W, H, 1)
    other = right if st.hand_rect == left else left
    other_bg = st.ref.region(other)
    before = st.ref
    apple_box = st.apple[0]
    # Act as the hand has just come up, so that a hand left standing would show.
    e.wait_until(lambda: s.shot().region(st.hand_rect) == st.hand_bg, 1.0, 0.01)
    e.wait_until(lambda: s.shot().region(st.hand_rect) == st.hand_shown, 1.0, 0.01)
    act()
    res.require(new_apple(s, apple_box, st.apple[1]), f"{W}x{H}: {what} brings a new target")
    img = s.shot(f"after-{tag}")
    stale = []
    end = time.monotonic() + 4 * HAND_PERIOD
    while time.monotonic() < end:
        if img.region(st.hand_rect) != st.hand_bg:
            stale.append("the old hand area")
        if img.region(other) != other_bg:
            stale.append("the other hand area")
        time.sleep(0.03)
        img = s.shot()
    res.check(not stale, f"{W}x{H}: after {what} both hand areas show the background and stay so",
              f"{', '.join(sorted(set(stale)))} changed; hand area differs in {before.diff_bbox(img, st.hand_rect)}")


def routes_1920(res, s):
    W, H = s.W, s.H
    with res.group(f"{W}x{H}: boxes and menus over a shown hand prompt"):
        st = start_with_hand(res, s, "F2 and a wrong key")
        s.keep(st.ref, "practice")
        routes = (("help", lambda st: modal_route(res, s, st, "help", ("F1",), ("Return",))),
                  ("exit-no", lambda st: modal_route(res, s, st, "exit-no", ("Escape",), ("alt+n",))),
                  ("notice", lambda st: modal_route(res, s, st, "notice", (), ("Return",), (12, 12))),
                  ("about", lambda st: menu_route(res, s, st, "about", ("a",), ("Return",))),  # &About
                  ("system menu", lambda st: menu_route(res, s, st, "system-menu", ("Escape",))),
                  ("minimise and restore", lambda st: minimise_route(res, s, st)),
                  # Last: its known fault leaves a damaged apple behind.
                  ("help over part of the apple",
                   lambda st: modal_route(res, s, st, "help-part", ("F1",), ("Return",), place="part")))
        for route, run in routes:
            with res.group(f"{W}x{H}: {route}"):
                # Each route starts from what the screen shows now, so that one route's fault does not
                # show up again in the next.
                fresh = Shown(s, st.cell, st.hand_rect, st.hand_bg)
                capture(s, fresh)
                run(fresh)
    l, t, r, b = e.control_rects(s)[1006]
    box = ((l + r) // 2, (t + b) // 2)
    for what, tag, act in (("F2", "F2", lambda: s.key("F2")),
                           ("F4", "F4", lambda: s.key("F4")),
                           ("a click on the third check box", "check-box", lambda: s.click(*box))):
        with res.group(f"{W}x{H}: a wrong key, then {what}"):
            hand_goes(res, s, what, tag, act)


def help_1024(res, s):
    with res.group(f"{s.W}x{s.H}: help over a shown hand prompt"):
        st = start_with_hand(res, s, "F2 and a wrong key")
        modal_route(res, s, st, "help", ("F1",), ("Return",), place=None)


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    for (W, H), run in (((1920, 1080), routes_1920), ((1024, 768), help_1024)):
        with res.group(f"repaints at {W}x{H}"), e.Session(args, W, H, f"{W}x{H}") as s:
            s.launch()
            s.main_window()
            run(res, s)
            s.key("Escape")
            res.require(wait_windows(s, 2), f"{W}x{H}: Esc shows the exit question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, f"{W}x{H}: Yes ends the program with status 0", f"status {status}")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
