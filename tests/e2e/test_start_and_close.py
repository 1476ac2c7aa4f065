#!/usr/bin/env python3
"""Start and close at 1024 x 768: the installed program maps a 1024 x 768 window at (0, 0), keeps
it up for 3 s, and ends with status 0 when closed (Esc, then Enter on the question's default
button, Yes)."""

import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 1024, 768


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    with res.group("start, stay up, close"), e.Session(args, W, H, "window") as s:
        started = time.monotonic()
        s.launch()
        wid = s.main_window()
        res.check(s.geometry(wid) == (0, 0, W, H), "the window is mapped at (0, 0), 1024 x 768",
                  f"geometry {s.geometry(wid)}")
        s.shot("up")
        time.sleep(max(0.0, 3.0 - (time.monotonic() - started)))
        res.check(s.alive(), "the program is still running 3 s after start")
        res.check(s.windows() == [wid] and s.geometry(wid) == (0, 0, W, H),
                  "after 3 s the window is still the only one, at (0, 0), 1024 x 768")
        s.key("Escape")
        res.require(e.wait_until(lambda: len(s.windows()) == 2, 5), "Esc shows the exit question")
        s.key("Return")
        status = s.wait_exit(10)
        res.check(status == 0, "Enter (Yes, the default button) ends the program with status 0", f"status {status}")
        res.check(e.wait_until(lambda: not s.windows(), 3), "no window of the program is left")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
