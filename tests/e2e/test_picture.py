#!/usr/bin/env python3
"""Face.jpg as the background, at 800 x 600 and 1920 x 1080.

A photo taken with the camera turned lies in the program's working directory: a JPEG stored 1000 x
1400, its upper half blue and lower half red, whose EXIF orientation (6: turn a quarter clockwise)
makes it 1400 x 1000, left half red and right half blue, as any viewer shows it. Larger than the
800 x 600 screen and smaller than the 1920 x 1080 one, it is decoded scaled in one and whole in the
other. Per screen size one start:
- the picture is shown upright and stretched over the whole screen: red near the top-left and
  bottom-left corners, blue near the top-right and bottom-right ones (away from keys, controls and
  tree);
- keys and tree are drawn over it as usual;
- F2 and a right key work over it (one apple, the report changes);
- the picture is kept at the screen's size (in the session's own XDG_CACHE_HOME), and a second
  start, which reads it from there, shows it the same way.
"""

import struct
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

SIZES = ((800, 600), (1920, 1080))


def red(p):
    return p[0] > 180 and p[1] < 90 and p[2] < 90


def blue(p):
    return p[2] > 180 and p[0] < 90 and p[1] < 90


def make_face(folder):
    path = Path(folder) / "Face.jpg"
    subprocess.run(["convert", "-size", "1000x700", "xc:#0000ff", "-size", "1000x700", "xc:#ff0000", "-append",
                    "-quality", "95", str(path)], check=True, capture_output=True)
    # An EXIF segment right after the start of image: one IFD entry, Orientation (0x0112) = 6.
    exif = b"Exif\0\0II*\0" + struct.pack("<IHHHII", 8, 1, 0x0112, 3, 1, 6) + struct.pack("<I", 0)
    data = path.read_bytes()
    path.write_bytes(data[:2] + b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif + data[2:])
    return path


def run_size(res, args, W, H):
    with e.Session(args, W, H, f"{W}x{H}") as s:
        make_face(s.workdir)
        s.launch()
        s.main_window()
        img = s.shot("face-background")
        keys = e.key_rects(W, H)
        low = keys[(0, 0)][1] - 100  # above the keyboard, below the crown's lowest reach at the sides
        spots = {"top-left": (10, 10), "left, lower": (10, low), "top-right": (W - 11, 10),
                 "right, lower": (W - 11, low), "left quarter": (W // 4, 12), "right quarter": (3 * W // 4, 12)}
        # Where the keyboard leaves no room below it, the check boxes stand over the picture's top.
        cr = e.control_rects(s)
        controls = cr.values()

        def free(x, y):
            return not any(e.inside((x, y, x, y), c) for c in controls)
        spots = {name: ((x, y) if free(x, y) else (x, max(c[3] for c in controls if c[1] < H // 2) + 6))
                 for name, (x, y) in spots.items()}
        for name, (x, y) in spots.items():
            want = red if x < W // 2 else blue
            res.check(want(img.px(x, y)), f"{W}x{H}: the picture's {'red' if want is red else 'blue'} shows "
                                          f"at the {name} ({x}, {y})", f"pixel {img.px(x, y)}")
        bad = [k for k, rc in keys.items() if not e.is_cream(img.px(*e.cap_spot(rc)))]
        res.check(not bad, f"{W}x{H}: the key caps are drawn over the picture", f"missing at {bad[:6]}")
        points, crown = e.tree_outline(W, H)
        slack = 0 if e.tree_scale(W, H) == 1.0 else 1  # a scaled tree's points are rounded
        wrong = [points[i] for i in crown
                 if 0 <= points[i][0] < W and free(*points[i]) and not e.tree_green_at(img, points[i], slack)]
        res.check(not wrong, f"{W}x{H}: the tree outline is drawn over the picture", f"not at {wrong[:5]}")
        with res.group(f"{W}x{H}: practice over the picture"):
            s.key("F2")
            res.require(e.wait_until(lambda: len(e.find_apples(s.shot(), W, H)) == 1, 10),
                        f"{W}x{H}: F2 shows one apple over the picture")
            cell, _ = e.blinking_key(s)
            res.require(cell is not None, f"{W}x{H}: a key blinks over the picture")
            before = s.shot().region(cr[1000])
            s.type(e.PLAIN[cell[0]][cell[1]])
            res.check(e.wait_until(lambda: s.shot().region(cr[1000]) != before, 3),
                      f"{W}x{H}: the right key updates the report over the picture")
            s.shot("face-practice")
        s.key("Escape")
        res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{W}x{H}: Esc shows the exit question")
        s.key("Return")
        res.check(s.wait_exit(10) == 0, f"{W}x{H}: Yes ends the program with status 0")
        # The next start reads the picture kept at the screen's size and shows the same.
        kept = sorted(p.name for p in (s.cache_home / "pomarel").glob("*.pixels"))
        res.check(len(kept) == 1 and kept[0].endswith(f"-{W}x{H}.pixels"),
                  f"{W}x{H}: the picture is kept at the screen's size", f"kept: {kept}")
        s.launch(name="kept")
        s.main_window()
        again = s.shot("face-kept")
        wrong = [name for name, (x, y) in spots.items() if not (red if x < W // 2 else blue)(again.px(x, y))]
        res.check(not wrong, f"{W}x{H}: the next start shows the kept picture the same way", f"not at {wrong}")
        s.key("Escape")
        res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), f"{W}x{H}: Esc shows the exit question")
        s.key("Return")
        res.check(s.wait_exit(10) == 0, f"{W}x{H}: the second start ends with status 0")


if __name__ == "__main__":
    sys.exit(e.run_sizes(__file__, "Face.jpg", SIZES, run_size))
