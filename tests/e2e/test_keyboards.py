#!/usr/bin/env python3
"""Every typist's keyboard, at 1024 x 768: case and Caps Lock, non-Latin layouts, the UK extra key.

One Xvfb; the installed program under `setxkbmap` layouts in turn, typed into by X keycodes as
test_layouts.py does (its helpers are used here).
- UK: a whole pass of set 4, the backslash typed on the extra key.
- Case: in set 1 the capital typed with Shift or with Caps Lock on is right; in set 2 with Caps
  Lock on the other case is wrong and the report box says Caps Lock is on.
- Russian alone: a US board, the report box says so, targets typed by place give Cyrillic letters.
  Russian and US with Russian active: a Cyrillic letter makes the report box name "us"; after switching
  to us (no Start) the targets are typed.
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402
import test_layouts as L  # noqa: E402


def case_and_caps_lock(res, s, bus):
    """The first set takes both cases; in the others Caps Lock on and the other case says so."""
    s.key("F3")
    res.require(e.wait_until(lambda: e.apple_state(s, s.shot()), 3), "F3 shows one apple")
    for i in range(3):
        before = e.apple_state(s, s.shot())
        cell, _ = e.blinking_key(s)
        L.press(s, cell, 1)  # with Shift: the capital
        res.check(e.wait_until(lambda: e.apple_state(s, s.shot()) not in (None, before), 3),
                  f"set 1: the capital typed with Shift is right ({i + 1})", f"key {cell}")
    s.x("xdotool", "key", "Caps_Lock")
    try:
        for i in range(3):
            before = e.apple_state(s, s.shot())
            cell, _ = e.blinking_key(s)
            L.press(s, cell, 0)  # Caps Lock gives the capital
            res.check(e.wait_until(lambda: e.apple_state(s, s.shot()) not in (None, before), 3),
                      f"set 1: the capital typed with Caps Lock on is right ({i + 1})", f"key {cell}")
        s.key("F4")
        res.require(e.wait_until(lambda: e.apple_state(s, s.shot()), 3), "F4 shows one apple")
        said = False
        for _ in range(20):
            before = e.apple_state(s, s.shot())
            cell, _ = e.blinking_key(s)
            L.press(s, cell, 0)  # a capital for a small target, else the capital asked for
            if e.wait_until(lambda: e.apple_state(s, s.shot()) not in (None, before), 1.0):
                continue
            said = bool(e.wait_until(lambda: [t for t in bus.texts(s.app.pid) if L.CAPS_NOTE_EN in t], 20, 0.2))
            break
        res.check(said, "set 2: the other case with Caps Lock on says Caps Lock is on",
                  f"report box {bus.texts(s.app.pid)}")
        s.shot("caps-lock-note")
    finally:
        s.x("xdotool", "key", "Caps_Lock")


def main():
    e.on_private_bus(__file__)
    args = e.parse_args(__file__)
    bus = e.Accessibility()
    res = e.Results()
    with e.Session(args, L.W, L.H, "keyboards") as s:
        with res.group("US legends for comparison"):
            L.launch(s, ["us"])
            us = L.legends(s, [c for c in L.KEYCODES if c != (3, 12)])
            res.require(len(us) == len(L.KEYCODES) - 1, "every character key of the US board shows a legend",
                        f"{len(us)} of {len(L.KEYCODES) - 1}")
            L.stop_app(s)

        with res.group("UK: the extra key types the backslash"):
            L.launch(s, ["gb"])
            L.whole_pass(res, s, "UK", L.SET4_TARGETS)
            L.stop_app(s)

        with res.group("case and Caps Lock"):
            L.launch(s, ["us"])
            case_and_caps_lock(res, s, bus)
            L.stop_app(s)

        with res.group("Russian alone: the US places"):
            L.launch(s, ["ru"])
            notes = e.wait_until(lambda: [t for t in bus.texts(s.app.pid) if L.US_PLACES_NOTE_EN in t], 20, 0.2)
            res.check(bool(notes), "the report box says practice goes by the US key places",
                      f"report box {bus.texts(s.app.pid)}")
            cells = [(1, 1), (2, 1), (3, 1), (0, 0), (2, 10)]
            got = L.legends(s, cells)
            alike = [round(L.likeness(got.get(c, set()), us[c]), 2) for c in cells]
            res.check(all(v >= 0.8 for v in alike), "Russian alone: the board shows the US legends", f"{alike}")
            s.key("F4")
            res.require(e.wait_until(lambda: e.apple_state(s, s.shot()), 3), "Russian: F4 shows one apple")
            done = L.type_targets(res, s, "Russian", 12)
            res.check(done is not None, "Russian: 12 targets of set 2 typed on the keys that blink, Cyrillic",
                      f"{done}")
            L.stop_app(s)

        with res.group("Russian and US, Russian active"):
            L.launch(s, ["-layout", "ru,us"])
            s.key("F3")
            res.require(e.wait_until(lambda: e.apple_state(s, s.shot()), 3), "ru,us: F3 shows one apple")
            cell, _ = e.blinking_key(s)
            res.require(cell in L.KEYCODES, "ru,us: a letter key blinks", f"{cell}")
            L.press(s, cell, 0)  # a Cyrillic letter
            notes = e.wait_until(lambda: [t for t in bus.texts(s.app.pid) if L.SWITCH_NOTE_EN + "us" in t], 20, 0.2)
            res.check(bool(notes), "a Cyrillic letter: the report box says to switch to us",
                      f"report box {bus.texts(s.app.pid)}")
            # The user switches to the Latin layout (here by making it the first): no Start needed.
            s.x("setxkbmap", "-layout", "us,ru")
            done = L.type_targets(res, s, "ru,us switched to us", 8)
            res.check(done is not None, "after switching to us the targets are typed on the keys that blink",
                      f"{done}")
            L.stop_app(s)

    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
