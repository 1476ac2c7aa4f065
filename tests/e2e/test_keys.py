#!/usr/bin/env python3
"""Only F2 to F6 themselves start and choose sets, at 1024 x 768.

Keys whose X keysym ends in the byte of F2 to F6 - XF86Reply (0x1008FF72), XF86Reload
(0x1008FF73), the Armenian letters dza (U+0571) and yi (U+0575) - and Alt+F3, Alt+F5, Alt+F6
neither start practice nor choose a set, before Start and while practising; an Armenian letter
typed while practising is a wrong key like any other character (the hand prompt shows). Alt+F4
asks the exit question, as the system menu's Close does. F3, F5 and F2 still work.
"""

import re
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 1024, 768
BOXES = (1004, 1005, 1006, 1007)
# Key as xdotool names it, what it is, and the function key its keysym's low byte would read as.
STRAY_KEYS = (
    ("XF86Reply", "XF86Reply", "F3"),
    ("XF86Reload", "XF86Reload", "F4"),
    ("U0571", "Armenian dza U+0571", "F2"),
    ("U0575", "Armenian yi U+0575", "F6"),
    ("alt+F3", "Alt+F3", "F3"),
    ("alt+F5", "Alt+F5", "F5"),
    ("alt+F6", "Alt+F6", "F6"),
)
SETTLE = 0.8  # seconds a key gets to show an effect


def add_armenian_letters(s):
    """Puts the two Armenian letters on keys of the X server's keymap (in place of F14's and F15's
    XF86Launch5 and XF86Launch6), so xdotool presses real keys; for a letter missing from the map
    it would map a spare key for the press only, and the program could read it after the map is
    back. Returns whether the map took them."""
    dump = subprocess.run(["xkbcomp", s.display, "-"], capture_output=True, text=True)
    if dump.returncode != 0:
        return False
    keymap, n = re.subn(r"key <FK14> \{\s*\[\s*XF86Launch5\s*\]", "key <FK14> { [ U0571 ]", dump.stdout)
    keymap, m = re.subn(r"key <FK15> \{\s*\[\s*XF86Launch6\s*\]", "key <FK15> { [ U0575 ]", keymap)
    if n != 1 or m != 1:
        return False
    load = subprocess.run(["xkbcomp", "-", s.display], input=keymap, capture_output=True, text=True)
    return load.returncode == 0


def state(s):
    """(marks of the four check boxes, the apple's box and pixels or None)."""
    img = s.shot()
    cr = e.EXPECTED_CONTROLS[(W, H)]
    marks = [e.check_mark(img, cr[cid]) for cid in BOXES]
    apples = e.find_apples(img, W, H)
    apple = None
    if len(apples) == 1:
        box = e.bbox(apples[0])
        apple = (box, img.region(box))
    return marks, apple


def marks_of(n):
    return [i == n - 1 for i in range(4)]


def stray_keys_do_nothing(res, s, when, set_no):
    before = state(s)
    res.require(before[0] == marks_of(set_no), f"{when}: check box {1003 + set_no} alone is marked",
                f"marks {before[0]}")
    for key, what, reads_as in STRAY_KEYS:
        s.key(key)
        time.sleep(SETTLE)
        after = state(s)
        res.check(after == before and len(s.windows()) == 1,
                  f"{when}: {what} (not {reads_as}) chooses no set and starts nothing",
                  f"marks {after[0]}, apple {'moved or changed' if after[1] != before[1] else 'same'}, "
                  f"windows {len(s.windows())}")
        if after != before:
            s.shot(f"{when.replace(' ', '-')}-{key.replace('+', '-')}")
            before = after


def hand_shows(s, timeout=1.5):
    """Whether either hand prompt area changes within the time (the prompt blinks at 300 ms)."""
    areas = [e.hand_rect(W, H, right) for right in (0, 1)]
    first = s.shot()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        time.sleep(0.05)
        img = s.shot()
        if any(first.diff_bbox(img, a) is not None for a in areas):
            return True
    return False


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    with e.Session(args, W, H, f"{W}x{H}") as s:
        with res.group("before Start"):
            if not add_armenian_letters(s):
                res.note("the Armenian letters could not be put into the keymap; xdotool maps them per press")
            s.launch()
            s.main_window()
            stray_keys_do_nothing(res, s, "before Start", 1)
            res.check(state(s)[1] is None, "before Start: no apple is shown")
            s.key("alt+F4")
            res.check(e.wait_until(lambda: len(s.windows()) == 2, 20), "Alt+F4 asks the exit question")
            s.shot("alt-F4")
            s.key("Escape")  # No
            res.require(e.wait_until(lambda: len(s.windows()) == 1, 20), "Esc answers No and the program goes on")
            time.sleep(SETTLE)
            res.check(state(s)[0] == marks_of(1), "Alt+F4 chose no set (F4 would choose set 2)")

        with res.group("the F-keys themselves"):
            s.key("F3")
            got = e.wait_until(lambda: (lambda st: st if st[1] is not None else None)(state(s)), 3)
            res.require(got is not None and got[0] == marks_of(1), "F3 keeps set 1 and starts: an apple shows")
            time.sleep(1.05)  # a new second gives the next apple a new place
            s.key("F5")
            got5 = e.wait_until(lambda: (lambda st: st if st[0] == marks_of(3) and st[1] != got[1] else None)(state(s)), 3)
            res.require(got5 is not None, "F5 chooses set 3 and shows a new apple")
            time.sleep(1.05)
            s.key("F2")
            got2 = e.wait_until(lambda: (lambda st: st if st[1] is not None and st[1] != got5[1] else None)(state(s)), 3)
            res.check(got2 is not None and got2[0] == marks_of(3), "F2 skips to a new apple and keeps set 3")
            s.shot("after-F2")

        with res.group("while practising"):
            time.sleep(1.05)
            stray_keys_do_nothing(res, s, "while practising", 3)
            # The Armenian letters above were wrong keys: the hand prompt blinks.
            res.check(hand_shows(s), "an Armenian letter typed while practising is a wrong key: the hand prompt shows")
            s.shot("hand")

        with res.group("exit"):
            s.key("Escape")
            res.require(e.wait_until(lambda: len(s.windows()) == 2, 20), "Esc shows the exit question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, "Yes ends the program with status 0", f"status {status}")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
