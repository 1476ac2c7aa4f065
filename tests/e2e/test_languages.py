#!/usr/bin/env python3
"""Captions by LANG at 1024 x 768: en_US (reference), fr_FR, de_DE, zh_CN and ja_JP, UTF-8.

The program reads only LANG for its language (LC_ALL and LC_MESSAGES are unset here; the
locales need not be generated). Per language one start:
- the program starts and the keyboard shows;
- the three buttons and the four check boxes carry captions (ink inside their rectangles, the
  Start button's included);
- the captions differ from the English ones (German keeps "Start" and "Exit", so the whole row of
  controls is compared);
- Esc shows the exit question, Enter (Yes) ends the program with status 0.
Screenshots of the window and of the question are kept as artefacts for a look by eye.
"""

import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 1024, 768
LANGS = ("en_US.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", "zh_CN.UTF-8", "ja_JP.UTF-8")


def ink(img, rect, dark=90):
    return img.count(rect, lambda p: e.luminance(p) < dark)


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    cr = e.control_rects(W, H)
    strip = (0, cr[1004][1], W - 1, cr[1][3])  # check boxes and buttons
    reference = None
    for lang in LANGS:
        short = lang.split(".")[0]
        with res.group(f"LANG={lang}"), e.Session(args, W, H, short) as s:
            s.launch(lang=lang)
            s.main_window()
            img = s.shot("window")
            for cid, name in ((1, "Start"), (57670, "Help"), (2, "Exit")):
                l, t, r, b = cr[cid]
                n = ink(img, (l + 3, t + 3, r - 3, b - 3))
                res.check(n >= 10, f"{short}: the {name} button shows a caption", f"{n} dark pixels in {cr[cid]}")
            for cid in (1004, 1005, 1006, 1007):
                l, t, r, b = cr[cid]
                # The caption stands right of the box: pixels that differ clearly from the control's
                # own face (its top-right corner).
                face = e.luminance(img.px(r, t))
                n = img.count((l + 18, t, r, b), lambda p: abs(e.luminance(p) - face) > 60)
                res.check(n >= 20, f"{short}: check box {cid} shows a caption", f"{n} text pixels")
            if reference is None:
                reference = img.region(strip)
            else:
                res.check(img.region(strip) != reference, f"{short}: the captions are not the English ones")
            s.key("Escape")
            res.require(e.wait_until(lambda: len(s.windows()) >= 2, 5), f"{short}: Esc shows the exit question")
            s.shot("exit-question")
            s.key("Return")
            status = s.wait_exit(10)
            res.check(status == 0, f"{short}: Yes ends the program with status 0", f"status {status}")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
