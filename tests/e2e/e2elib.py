"""Shared helpers of the end-to-end tests.

Each test script starts its own Xvfb on a free display (chosen by the server itself through
-displayfd, so parallel runs never collide), runs the installed pomarel under it on the xcb
platform, drives it with xdotool and reads the screen with ImageMagick's `import` (a PPM that is
parsed here; artefacts are written as PNG by our own tiny encoder). Only the standard library.

The geometry the tests expect comes from outside the code under test: key rectangles from the
key layout in layout units, the tree from a table of its landmarks (points the outline must pass
through), the controls' rectangles from a table of expected numbers, and where the running program
really put its controls from its trace, which test_stock_texts checks against the accessibility bus.
"""

import argparse
import math
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import zlib
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]

# ---------------------------------------------------------------------------------------------
# Command line and results


def parse_args(script_file):
    p = argparse.ArgumentParser(description="Pomarel end-to-end test")
    p.add_argument("--binary", required=True, help="the installed pomarel executable")
    p.add_argument("--artifacts", default=os.path.join(tempfile.gettempdir(), "pomarel-e2e-artifacts"),
                   help="folder for screenshots and logs; each script uses a subfolder of it")
    args = p.parse_args()
    args.binary = os.path.abspath(args.binary)
    args.outdir = Path(args.artifacts).resolve() / Path(script_file).stem
    if args.outdir.exists():
        shutil.rmtree(args.outdir, ignore_errors=True)
    args.outdir.mkdir(parents=True, exist_ok=True)
    if not os.access(args.binary, os.X_OK):
        print(f"FAIL: no executable program at {args.binary}")
        print("0 passed, 1 failed")
        sys.exit(1)
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is not installed (xvfb, xdotool and imagemagick are needed)")
            print("0 passed, 1 failed")
            sys.exit(1)
    return args


class CheckFailed(Exception):
    """A check whose failure makes the rest of its group meaningless."""


class Results:
    """Counts checks; every check prints one line, the script ends with "N passed, M failed"."""

    def __init__(self):
        self.passed = 0
        self.failed = 0
        self.started = time.monotonic()

    def check(self, cond, what, detail=""):
        if cond:
            self.passed += 1
            print(f"PASS: {what}", flush=True)
        else:
            self.failed += 1
            print(f"FAIL: {what}" + (f" -- {detail}" if detail else ""), flush=True)
        return bool(cond)

    def require(self, cond, what, detail=""):
        if not self.check(cond, what, detail):
            raise CheckFailed(what)

    def known_fault(self, cond, what, detail, fault):
        """A check that fails because of a fault already reported and not yet fixed: its failure
        is shown (XFAIL) but does not fail the run; once it passes, the marker should go."""
        if cond:
            self.passed += 1
            print(f"PASS: {what} (known fault fixed: make this an ordinary check)", flush=True)
        else:
            print(f"XFAIL: {what} -- {detail} [known fault: {fault}]", flush=True)
        return bool(cond)

    def note(self, text):
        print(f"NOTE: {text}", flush=True)

    def group(self, title):
        return _Group(self, title)

    def finish(self):
        spent = time.monotonic() - self.started
        print(f"time: {spent:.1f} s", flush=True)
        print(f"{self.passed} passed, {self.failed} failed", flush=True)
        return 0 if self.failed == 0 and self.passed > 0 else 1


class _Group:
    def __init__(self, results, title):
        self.results = results
        self.title = title

    def __enter__(self):
        print(f"== {self.title}", flush=True)
        return self

    def __exit__(self, kind, value, tb):
        if kind is None:
            return False
        if issubclass(kind, CheckFailed):
            print(f"   ({self.title}: the remaining checks of this group were skipped)", flush=True)
            return True
        if issubclass(kind, Exception):
            self.results.failed += 1
            print(f"FAIL: {self.title}: {kind.__name__}: {value}", flush=True)
            traceback.print_exception(kind, value, tb, file=sys.stdout)
            return True
        return False


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns something true; returns that value, or None on timeout."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            return None
        time.sleep(interval)


def settled(shoot, timeout=15, interval=0.1, rect=None):
    """Waits until two screenshots taken interval seconds apart are equal (inside rect): the
    screen has finished what it was drawing. Returns the last one; raises when the screen is
    still changing after timeout seconds."""
    last = shoot()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        time.sleep(interval)
        img = shoot()
        if img is not None and last is not None and img.w == last.w and img.h == last.h and \
                img.region(rect) == last.region(rect):
            return img
        last = img
    raise RuntimeError(f"the screen was still changing after {timeout} s (two equal screenshots expected)")


# ---------------------------------------------------------------------------------------------
# Images


class Image:
    """An RGB screenshot: width, height and 3 bytes per pixel, rows from the top."""

    def __init__(self, width, height, data):
        self.w = width
        self.h = height
        self.data = data
        self.stride = 3 * width

    @classmethod
    def from_ppm(cls, path):
        raw = Path(path).read_bytes()
        tokens = []
        pos = 0
        # Header: magic, width, height, maxval, each separated by whitespace; '#' starts a comment.
        while len(tokens) < 4:
            m = re.compile(rb"\s*(#[^\n]*\n\s*)*(\S+)").match(raw, pos)
            if m is None:
                raise ValueError(f"{path}: not a PPM file")
            tokens.append(m.group(2))
            pos = m.end()
        if tokens[0] != b"P6":
            raise ValueError(f"{path}: not a binary PPM ({tokens[0]!r})")
        w, h, maxval = int(tokens[1]), int(tokens[2]), int(tokens[3])
        pos += 1  # the single whitespace after maxval
        if maxval < 256:
            data = raw[pos:pos + 3 * w * h]
        else:
            words = struct.unpack(f">{3 * w * h}H", raw[pos:pos + 6 * w * h])
            data = bytes(v * 255 // maxval for v in words)
        if len(data) != 3 * w * h:
            raise ValueError(f"{path}: short PPM data")
        return cls(w, h, data)

    def px(self, x, y):
        i = y * self.stride + 3 * x
        return tuple(self.data[i:i + 3])

    def _clip(self, rect):
        if rect is None:
            return 0, 0, self.w - 1, self.h - 1
        l, t, r, b = rect
        return max(0, l), max(0, t), min(self.w - 1, r), min(self.h - 1, b)

    def region(self, rect):
        """The bytes of an inclusive rectangle, row by row."""
        l, t, r, b = self._clip(rect)
        return b"".join(self.data[y * self.stride + 3 * l:y * self.stride + 3 * (r + 1)] for y in range(t, b + 1))

    def diff_bbox(self, other, rect=None):
        """Inclusive bounding box of the pixels that differ from other (same size), or None."""
        l, t, r, b = self._clip(rect)
        a, o = memoryview(self.data), memoryview(other.data)
        top = bottom = None
        left, right = r + 1, l - 1
        for y in range(t, b + 1):
            s = y * self.stride + 3 * l
            e = y * self.stride + 3 * (r + 1)
            if a[s:e] == o[s:e]:
                continue
            if top is None:
                top = y
            bottom = y
            # First and last differing pixel of the row by bisection on slice equality.
            lo, hi = l, r
            while lo < hi:
                mid = (lo + hi) // 2
                if a[s:y * self.stride + 3 * (mid + 1)] == o[s:y * self.stride + 3 * (mid + 1)]:
                    lo = mid + 1
                else:
                    hi = mid
            left = min(left, lo)
            lo, hi = l, r
            while lo < hi:
                mid = (lo + hi + 1) // 2
                if a[y * self.stride + 3 * mid:e] == o[y * self.stride + 3 * mid:e]:
                    hi = mid - 1
                else:
                    lo = mid
            right = max(right, lo)
        if top is None:
            return None
        return left, top, right, bottom

    def find_exact(self, rgb, rect=None):
        """Every pixel of exactly this colour inside rect, as (x, y)."""
        l, t, r, b = self._clip(rect)
        needle = bytes(rgb)
        found = []
        for y in range(t, b + 1):
            row = self.data[y * self.stride + 3 * l:y * self.stride + 3 * (r + 1)]
            i = row.find(needle)
            while i >= 0:
                if i % 3 == 0:
                    found.append((l + i // 3, y))
                    i = row.find(needle, i + 3)
                else:
                    i = row.find(needle, i + 1)
        return found

    def count(self, rect, pred, step=1):
        l, t, r, b = self._clip(rect)
        n = 0
        for y in range(t, b + 1, step):
            for x in range(l, r + 1, step):
                if pred(self.px(x, y)):
                    n += 1
        return n

    def save_png(self, path):
        raw = b"".join(b"\x00" + self.data[y * self.stride:(y + 1) * self.stride] for y in range(self.h))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 3)) + chunk(b"IEND", b"")
        Path(path).write_bytes(png)


def luminance(p):
    return (299 * p[0] + 587 * p[1] + 114 * p[2]) // 1000


def is_dark(p):
    return max(p) < 100


def is_cream(p):
    """The key cap's face: a light warm colour, red above blue."""
    r, g, b = p
    return r >= 200 and g >= 185 and b >= 130 and r - b >= 12 and r >= g >= b - 5


def components(points):
    """8-connected groups of a set of (x, y) pixels."""
    left = set(points)
    groups = []
    while left:
        seed = left.pop()
        group = [seed]
        stack = [seed]
        while stack:
            x, y = stack.pop()
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    q = (x + dx, y + dy)
                    if q in left:
                        left.remove(q)
                        group.append(q)
                        stack.append(q)
        groups.append(group)
    return groups


def bbox(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def inside(inner, outer, slack=0):
    return (inner[0] >= outer[0] - slack and inner[1] >= outer[1] - slack and
            inner[2] <= outer[2] + slack and inner[3] <= outer[3] + slack)


# ---------------------------------------------------------------------------------------------
# What the program draws where


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


KEYS_IN_ROW = (14, 14, 13, 12, 7)
# Plain and shifted character of every key of rows 0 to 3 (None: no character to type).
PLAIN = ["`1234567890-=" + "\t", "\x07qwertyuiop[]\\", "\x00asdfghjkl;' ", " zxcvbnm,./ "]
SHIFTED = ["~!@#$%^&*()_+ ", " QWERTYUIOP{}|", " ASDFGHJKL:\" ", " ZXCVBNM<>? "]


def key_widths(row):
    if row == 0:
        return [26] * 13 + [54]
    if row == 1:
        return [40] + [26] * 12 + [40]
    if row == 2:
        return [49] + [26] * 11 + [58]
    if row == 3:
        return [65] + [26] * 10 + [68]
    return [38, 39, 39, 377 - 212, 39, 39, 39]


def key_rects(W, H, iso=False):
    """(row, col) -> inclusive (left, top, right, bottom) of every key, as the keyboard model computes it.

    iso: the board of an ISO keyboard (German, French, UK ...): Tab as wide as Caps Lock, a tall
    Return (2, 12) over rows 1 and 2, the backslash key (1, 13) beside it in row 2, and the extra
    key (3, 12) between a shorter left Shift and Z."""
    upx = f32(377 / W * 1.08)
    upy = f32(105 / H * 4.0)
    base = H * 0.6666666666666666 - 10
    rects = {}
    for r in range(5):
        x = 0
        for c, width in enumerate(key_widths(r)):
            top = int(22.0 * r / upy + base)
            bottom = int(20.0 / upy + top)
            left = int(x / upx)
            right = int(width / upx + left)
            rects[(r, c)] = (left, top, right, bottom)
            x += width + 1
    if iso:
        # (x, width, first row, last row) in units
        units = {(1, 0): (0, 49, 1, 1), (2, 0): (0, 49, 2, 2), (1, 13): (347, 26, 2, 2), (2, 12): (374, 30, 1, 2),
                 (3, 0): (0, 38, 3, 3), (3, 12): (39, 26, 3, 3), (3, 11): (336, 68, 3, 3)}
        units.update({(1, c): (50 + 27 * (c - 1), 26, 1, 1) for c in range(1, 13)})
        units.update({(2, c): (50 + 27 * (c - 1), 26, 2, 2) for c in range(1, 12)})
        units.update({(3, c): (66 + 27 * (c - 1), 26, 3, 3) for c in range(1, 11)})
        for cell, (x, width, first, last) in units.items():
            top = int(22.0 * first / upy + base)
            bottom = int(20.0 / upy + int(22.0 * last / upy + base))
            left = int(x / upx)
            rects[cell] = (left, top, int(width / upx + left), bottom)
    return rects


# Keys that blink beside a target typed with them: the left and right Shift, AltGr.
MODIFIER_CELLS = {(3, 0), (3, 11), (4, 4)}


def key_of_char(ch):
    """(row, col) of the key that types ch, for rows 0 to 3."""
    for r in range(4):
        for c in range(KEYS_IN_ROW[r]):
            if PLAIN[r][c] == ch or SHIFTED[r][c] == ch:
                return (r, c)
    return None


def hand_of_key(row, col):
    """1 left hand, 0 right hand."""
    if row < 0 or row > 4:
        return 1
    if row <= 3:
        return 1 if col <= 5 else 0
    return 1 if col <= 3 else 0


HAND_W, HAND_H = 75, 83


def hand_rect(W, H, right):
    """Inclusive rectangle of the left (right=0) or right (right=1) hand prompt."""
    k = key_rects(W, H)[(0, 11) if right else (0, 2)]
    return (k[0], k[1] - HAND_H, k[0] + HAND_W - 1, k[1] - 1)


# Landmarks of the tree's outline in the tree's own frame (x 0..700, y 0..492), as (index, x, y)
# in the order the outline passes them. The outline runs through each landmark and never strays
# more than 3 pixels from the straight line between two neighbouring ones. 1296 and 1917 are the
# trunk's right and left edge on row 388: between them lies the shaded trunk, the rest is the
# crown, drawn in plain green.
TREE_LANDMARKS = tuple(tuple(map(int, re.split("[:,]", item))) for item in """
0:96,80 19:115,79 35:128,66 47:140,65 58:151,71 63:155,66 74:154,55 89:169,49 104:178,34 118:192,35
132:206,21 148:222,15 166:240,22 185:259,22 199:273,13 218:292,14 233:307,1 250:324,5 259:333,0 274:348,0
286:349,12 296:359,15 305:357,22 313:365,28 325:377,25 335:386,15 351:402,14 362:410,3 376:423,0 389:431,12
403:445,10 414:453,20 428:467,20 442:469,34 451:477,42 469:495,44 491:517,38 515:533,56 540:533,81 559:552,86
584:556,111 605:577,111 613:585,117 621:593,112 632:604,113 642:607,123 651:616,127 671:620,147 687:611,163
691:613,167 747:669,158 754:674,165 768:688,170 776:688,178 792:677,194 802:687,200 817:690,211 829:700,220
841:696,231 874:669,252 887:682,257 898:683,268 906:691,274 916:690,284 925:681,289 941:672,305 960:653,301
980:634,305 1000:621,314 1025:604,309 1048:581,311 1065:567,298 1074:566,290 1081:560,290 1092:562,297
1100:557,305 1143:514,316 1155:502,309 1170:487,310 1184:475,295 1200:470,310 1236:437,333 1296:409,388
1378:402,443 1404:413,469 1427:436,480 1482:489,492 1592:401,488 1669:328,475 1703:294,483 1782:216,491
1824:256,474 1851:283,454 1875:296,430 1917:304,388 1960:299,345 1979:288,326 2008:259,327 2017:250,324
2023:249,319 2052:223,312 2062:216,322 2084:195,328 2098:183,326 2117:170,334 2164:124,324 2174:115,331
2194:95,329 2208:81,339 2223:66,339 2235:62,328 2261:40,321 2273:44,309 2296:35,288 2314:50,272 2318:49,268
2343:24,264 2352:20,256 2369:6,255 2377:0,249 2390:0,236 2399:7,228 2415:6,212 2429:19,205 2439:22,195
2448:31,191 2468:14,173 2487:14,154 2502:28,140 2514:40,137 2526:47,125 2556:75,117 2572:81,101 2584:94,91
2596:95,81""".split())
TREE_SHADE_FIRST, TREE_SHADE_LAST = 1296, 1917
# The apple's size in pixels: a 54-pixel body and the stalk above it, 71 rows in all.
APPLE_W, APPLE_H = 54, 71


def tree_scale(W, H):
    """How much the tree is scaled on a W x H screen: with the room above the keyboard (1 where the
    keyboard starts 502 pixels down), at most nine tenths of the screen's width."""
    top = key_rects(W, H)[(0, 0)][1]
    if top == 502 and W >= 701:
        return 1.0
    return min(max(1, top) / 502, max(1, W) * 0.9 / 701)


def tree_outline(W, H=768):
    """The tree's landmarks where they should stand on a W x H screen, and the indices (into that
    list) of the crown's ones. The tree stands with 38.2 % of the free width to its left; held
    smaller by the width (portrait) it stands on the keyboard with a tenth of its height above."""
    scale = tree_scale(W, H)
    half_up = lambda v: int(math.floor(v + 0.5))  # noqa: E731
    pts = [(half_up(x * scale), half_up(y * scale)) for _i, x, y in TREE_LANDMARKS]
    shift = int((W - half_up(700 * scale)) * 0.382) or 1
    top_of_keys = key_rects(W, H)[(0, 0)][1]
    down = 0
    if scale * 502 < top_of_keys - 0.5:
        down = max(0, top_of_keys - half_up(10 * top_of_keys / 502) - half_up(492 * scale))
    crown = [k for k, (i, _x, _y) in enumerate(TREE_LANDMARKS) if i < TREE_SHADE_FIRST or i > TREE_SHADE_LAST]
    return [(x + shift, y + down) for x, y in pts], crown


def tree_distance(points, p):
    """Distance of p from the closed chain of landmarks: the outline lies within 3 pixels of it
    (4 on a scaled tree, whose points are rounded)."""
    best = float("inf")
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        dx, dy = bx - ax, by - ay
        t = 0.0 if dx == dy == 0 else max(0.0, min(1.0, ((p[0] - ax) * dx + (p[1] - ay) * dy) / (dx * dx + dy * dy)))
        best = min(best, math.hypot(p[0] - ax - t * dx, p[1] - ay - t * dy))
    return best


def tree_row_span(points, y):
    """Leftmost and rightmost x where the chain of landmarks crosses row y, or None."""
    xs = [ax + (bx - ax) * (y - ay) / (by - ay) for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1])
          if ay != by and min(ay, by) <= y <= max(ay, by)]
    return (min(xs), max(xs)) if xs else None


def tree_green_at(img, p, slack=0, tolerance=0):
    """Whether the tree's pure green is at p, or within slack pixels of it; tolerance allows a
    compositor's rounding of each channel."""
    x0, y0 = p
    return any(max(abs(a - b) for a, b in zip(img.px(x, y), (0, 255, 0))) <= tolerance
               for x in range(x0 - slack, x0 + slack + 1) for y in range(y0 - slack, y0 + slack + 1)
               if 0 <= x < img.w and 0 <= y < img.h)


def neutral_light(p):
    """The white-grey of a check box's face and square; the cream key caps are not."""
    return luminance(p) > 200 and max(p) - min(p) < 25


def check_mark(img, rect):
    """Whether a check box's indicator (a light square at its left) holds a dark check mark."""
    l, t, r, b = rect
    light = [(x, y) for y in range(t, b + 1) for x in range(max(l, 0), l + 16) if neutral_light(img.px(x, y))]
    if not light:
        return None
    bl, bt, br, bb = bbox(light)
    return img.count((bl + 1, bt + 1, br - 1, bb - 1), is_dark) >= 6


def _resampled(cover, w, h):
    """cover (rows of ink fractions) averaged down to w x h cells."""
    H, W = len(cover), len(cover[0])
    out = []
    for j in range(h):
        y0, y1 = j * H // h, max(j * H // h + 1, (j + 1) * H // h)
        row = []
        for i in range(w):
            x0, x1 = i * W // w, max(i * W // w + 1, (i + 1) * W // w)
            row.append(sum(cover[y][x] for y in range(y0, y1) for x in range(x0, x1)) / ((x1 - x0) * (y1 - y0)))
        out.append(row)
    return out


_rendered = {}


def rendered_cover(text, font):
    """Ink fractions of text as ImageMagick draws it, black on white, large and trimmed to its ink:
    what a character looks like, owing nothing to the program."""
    if (text, font) not in _rendered:
        with tempfile.TemporaryDirectory() as d:
            path = Path(d) / "text.ppm"
            subprocess.run(["convert", "-font", font, "-pointsize", "96", "label:" + text, "-trim", str(path)],
                           check=True, capture_output=True)
            img = Image.from_ppm(path)
        _rendered[(text, font)] = [[1 - luminance(img.px(x, y)) / 255 for x in range(img.w)] for y in range(img.h)]
    return _rendered[(text, font)]


def read_legend(img, rect, candidates, font="DejaVu-Sans-Bold", dark=90):
    """Which of the candidate texts the black ink inside rect shows: each is drawn separately,
    stretched over the ink's box and compared with it; None where there is no ink."""
    def black(p):  # not the blue of an AltGr legend
        return luminance(p) < dark and max(p) - min(p) < 60
    ink = [(x, y) for y in range(rect[1], rect[3] + 1) for x in range(rect[0], rect[2] + 1) if black(img.px(x, y))]
    if not ink:
        return None
    l, t, r, b = bbox(ink)
    cover = [[max(0.0, min(1.0, (230 - luminance(img.px(x, y))) / 200)) for x in range(l, r + 1)]
             for y in range(t, b + 1)]

    def distance(text):
        drawn = _resampled(rendered_cover(text, font), r - l + 1, b - t + 1)
        return sum(abs(u - v) for ra, rb in zip(cover, drawn) for u, v in zip(ra, rb))
    return min(candidates, key=distance)


def cap_face(rect):
    """The inside of a key cap, clear of its shaded rim."""
    l, t, r, b = rect
    dx, dy = (r - l) // 6 + 1, (b - t) // 6 + 1
    return l + dx, t + dy, r - dx, b - dy


# ---------------------------------------------------------------------------------------------
# Fast screenshots: GetImage of the root window straight over the X server's socket.
# ImageMagick's `import` needs 0.1 to 0.5 s per screenshot, too slow to see a 200 ms blink or to
# time the hand prompt; this takes some 30 ms for 1920 x 1080. Our Xvfb runs without
# authorisation, so the connection needs no cookie. Startup checks that both agree.


class XGrabber:
    def __init__(self, display):
        import socket
        number = display.lstrip(":").split(".")[0]
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(10)
        self.sock.connect(f"/tmp/.X11-unix/X{number}")
        self.sock.sendall(struct.pack("<BxHHHHxx", 0x6C, 11, 0, 0, 0))
        head = self._read(8)
        if head[0] != 1:
            raise RuntimeError("the X server refused the connection")
        extra = self._read(struct.unpack("<H", head[6:8])[0] * 4)
        vendor_len, _, screens, formats, byte_order = struct.unpack("<HHBBB", extra[16:23])
        pos = 32 + (vendor_len + 3) // 4 * 4
        bpp = {}
        for i in range(formats):
            depth, bits, _pad = struct.unpack("<BBB", extra[pos + 8 * i:pos + 8 * i + 3])
            bpp[depth] = bits
        pos += 8 * formats
        self.root = struct.unpack("<I", extra[pos:pos + 4])[0]
        self.width, self.height = struct.unpack("<HH", extra[pos + 20:pos + 24])
        depth = extra[pos + 38]
        if screens < 1 or bpp.get(depth) != 32 or byte_order != 0:
            raise RuntimeError(f"unexpected X pixel format: depth {depth}, {bpp.get(depth)} bits, order {byte_order}")

    def _read(self, n):
        buf = bytearray(n)
        view = memoryview(buf)
        got = 0
        while got < n:
            k = self.sock.recv_into(view[got:], n - got)
            if k == 0:
                raise RuntimeError("the X server closed the connection")
            got += k
        return bytes(buf)

    def grab(self):
        w, h = self.width, self.height
        self.sock.sendall(struct.pack("<BBHIhhHHI", 73, 2, 5, self.root, 0, 0, w, h, 0xFFFFFFFF))
        head = self._read(32)
        while head[0] >= 2:  # an event every client gets (MappingNotify when xdotool remaps keys)
            head = self._read(32)
        if head[0] != 1:
            raise RuntimeError(f"GetImage failed with X error {head[1]}")
        data = self._read(struct.unpack("<I", head[4:8])[0] * 4)
        rgb = bytearray(3 * w * h)
        rgb[0::3] = data[2::4]
        rgb[1::3] = data[1::4]
        rgb[2::3] = data[0::4]
        return Image(w, h, bytes(rgb))

    def close(self):
        self.sock.close()


# ---------------------------------------------------------------------------------------------
# Processes

_live = []


def _die_with_parent():
    """Runs in the child before exec: it gets SIGTERM when this script dies, even by SIGKILL
    (a test timeout), so no Xvfb or program outlives its test."""
    try:
        import ctypes
        ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


def _cleanup_all(*_):
    for s in list(_live):
        s.close()


def _on_signal(signum, _frame):
    _cleanup_all()
    sys.exit(128 + signum)


signal.signal(signal.SIGTERM, _on_signal)
signal.signal(signal.SIGINT, _on_signal)


class Session:
    """One private X server at W x H and the program running on it."""

    def __init__(self, args, width, height, tag):
        self.args = args
        self.W = width
        self.H = height
        self.tag = tag
        self.xvfb = None
        self.app = None
        self.display = None
        self.workdir = Path(tempfile.mkdtemp(prefix="pomarel-e2e-"))
        self.runtime = Path(tempfile.mkdtemp(prefix="pomarel-xdg-"))
        self.shots = 0
        self.window = None
        self.grabber = None
        _live.append(self)

    # -- lifetime -------------------------------------------------------------------------------

    def __enter__(self):
        self.start_x()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def start_x(self):
        rfd, wfd = os.pipe()
        log = open(self.args.outdir / f"{self.tag}-xvfb.log", "wb")
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", f"{self.W}x{self.H}x24", "-nolisten", "tcp",
             "-br", "-noreset"],
            pass_fds=(wfd,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True,
            preexec_fn=_die_with_parent)
        os.close(wfd)
        log.close()
        got = b""
        end = time.monotonic() + 15
        while b"\n" not in got and time.monotonic() < end:
            ready, _, _ = select.select([rfd], [], [], 0.2)
            if ready:
                chunk = os.read(rfd, 64)
                if not chunk:
                    break
                got += chunk
            if self.xvfb.poll() is not None:
                break
        os.close(rfd)
        if not got.strip().isdigit():
            raise RuntimeError(f"Xvfb did not start (see {self.tag}-xvfb.log)")
        self.display = ":" + got.strip().decode()

    @property
    def cache_home(self):
        return self.runtime / "cache"

    def env(self, lang="en_US.UTF-8", extra=None):
        env = {k: v for k, v in os.environ.items()
               if k not in ("LC_ALL", "LC_MESSAGES", "LANGUAGE", "WAYLAND_DISPLAY", "SDL_AUDIODRIVER",
                            "SDL_DISKAUDIOFILE", "QT_QPA_PLATFORM")}
        env.update({"DISPLAY": self.display, "QT_QPA_PLATFORM": "xcb", "LANG": lang,
                    "SDL_AUDIODRIVER": "dummy", "POMAREL_TRACE": "1", "XDG_RUNTIME_DIR": str(self.runtime),
                    # The pictures the program keeps go to a folder of the session's, not the user's.
                    "XDG_CACHE_HOME": str(self.cache_home)})
        env.update(extra or {})
        return env

    def launch(self, lang="en_US.UTF-8", extra_env=None, name="app"):
        self.app_log = self.args.outdir / f"{self.tag}-{name}.log"
        log = open(self.app_log, "wb")
        self.app = subprocess.Popen([self.args.binary], cwd=self.workdir, env=self.env(lang, extra_env),
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True,
                                    preexec_fn=_die_with_parent)
        log.close()
        self.window = None
        return self.app

    def app_output(self):
        try:
            return self.app_log.read_text(errors="replace")
        except OSError:
            return ""

    def alive(self):
        return self.app is not None and self.app.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        if self.grabber:
            self.grabber.close()
        self.grabber = None
        if self.app is not None and self.app.poll() is None:
            for sig, wait in ((signal.SIGTERM, 3), (signal.SIGKILL, 3)):
                try:
                    os.killpg(self.app.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    self.app.wait(timeout=wait)
                    break
                except subprocess.TimeoutExpired:
                    pass
        if self.xvfb is not None and self.xvfb.poll() is None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait(timeout=5)
        shutil.rmtree(self.workdir, ignore_errors=True)
        shutil.rmtree(self.runtime, ignore_errors=True)
        if self in _live:
            _live.remove(self)

    # -- X tools --------------------------------------------------------------------------------

    def x(self, *cmd, check=True, timeout=20):
        env = dict(os.environ, DISPLAY=self.display)
        r = subprocess.run([str(c) for c in cmd], env=env, capture_output=True, text=True, timeout=timeout)
        if check and r.returncode != 0:
            raise RuntimeError(f"{' '.join(map(str, cmd))} failed: {r.stderr.strip()}")
        return r.stdout

    def set_mode(self, width, height, output="screen"):
        """Changes the X server's resolution with xrandr, as display settings do; the server must
        have been started at least as large in each direction."""
        name = f"{width}x{height}_e2e"
        if name not in self.x("xrandr", "-q"):
            self.x("xrandr", "--newmode", name, "60", width, width + 8, width + 16, width + 24,
                   height, height + 1, height + 2, height + 3, check=False)
            self.x("xrandr", "--addmode", output, name)
        self.x("xrandr", "--output", output, "--mode", name)
        if self.grabber:
            self.grabber.close()
            self.grabber = None

    def windows(self, name="Pomarel"):
        """Visible top-level windows whose name matches."""
        out = self.x("xdotool", "search", "--onlyvisible", "--name", name, check=False)
        return [int(w) for w in out.split()]

    def geometry(self, wid):
        out = self.x("xdotool", "getwindowgeometry", "--shell", wid)
        g = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def main_window(self, timeout=60):
        """Waits for the program's full-screen window and its first paint; returns the window id."""
        def find():
            if not self.alive():
                raise RuntimeError(f"the program ended early with status {self.app.returncode}: "
                                   f"{self.app_output()[-2000:]}")
            out = self.x("xdotool", "search", "--onlyvisible", "--class", "pomarel", check=False)
            for w in out.split():
                try:
                    g = self.geometry(int(w))
                except RuntimeError:
                    continue
                if g[2] == self.W and g[3] == self.H:
                    return int(w)
            return None
        self.window = wait_until(find, timeout, 0.1)
        if self.window is None:
            raise RuntimeError("no full-screen window of the program appeared")
        # The keyboard is on the screen once the caps of the first and the last key of row 2 show
        # (on the board of the session's keyboard: the last key of row 2 is not Return on ISO).
        rects = key_rects(self.W, self.H, getattr(self, "iso", False))

        def painted():
            img = self.shot()
            return all(is_cream(img.px(*cap_spot(rects[k]))) for k in ((2, 0), (2, 12), (4, 3)))
        if not wait_until(painted, timeout, 0.1):
            raise RuntimeError("the keyboard did not appear on the screen")
        return self.window

    def key(self, *keys):
        self.x("xdotool", "key", "--delay", "40", *keys)

    def type(self, text):
        self.x("xdotool", "type", "--delay", "40", "--", text)

    def click(self, x, y, button=1):
        # Not "mousemove --sync": it waits for a motion that never comes when the pointer is
        # already there (a second click on the same control).
        self.x("xdotool", "mousemove", x, y)
        there = wait_until(lambda: re.match(rf"x:{x} y:{y} ", self.x("xdotool", "getmouselocation")), 20)
        if not there:
            raise RuntimeError(f"the pointer did not reach ({x}, {y}) within 20 s")
        self.x("xdotool", "click", button)

    def shot(self, name=None):
        """A screenshot of the whole screen; with a name it is also kept as an artefact."""
        if self.grabber is None:
            try:
                self.grabber = XGrabber(self.display)
            except (OSError, RuntimeError) as err:
                print(f"NOTE: fast screenshots unavailable ({err}); using import", flush=True)
                self.grabber = False
        img = self.grabber.grab() if self.grabber else self.shot_import()
        if name:
            self.keep(img, name)
        return img

    def shot_import(self):
        """A screenshot taken by ImageMagick's import."""
        path = self.workdir / "shot.ppm"
        self.x("import", "-window", "root", "-depth", "8", path)
        return Image.from_ppm(path)

    def keep(self, img, name):
        self.shots += 1
        img.save_png(self.args.outdir / f"{self.tag}-{self.shots:02d}-{name}.png")


def cap_spot(rect):
    """A point on the key cap's face, left of every legend: a fifth in, at 60 % of the height."""
    l, t, r, b = rect
    return l + (r - l) // 5, t + (b - t) * 3 // 5


# ---------------------------------------------------------------------------------------------
# Practice helpers


def find_apples(img, W, H):
    """Groups of pure yellow pixels above the keyboard, one per apple on the screen. The red
    character splits off bits of its apple (the hole of an A, the edge a wide W cuts off): a
    small group within 3 pixels of a big one's box belongs to it."""
    top_of_keys = key_rects(W, H)[(0, 0)][1]
    groups = components(img.find_exact((255, 255, 0), (0, 0, W - 1, top_of_keys - 1)))
    groups.sort(key=len, reverse=True)
    apples = []
    for g in groups:
        box = bbox(g)
        owner = None
        if len(g) < 300:
            owner = next((a for a in apples if len(a) >= 300 and inside(box, bbox(a), 3)), None)
        if owner is not None:
            owner.extend(g)
        else:
            apples.append(g)
    return apples


def apple_state(s, img):
    """The box and the pixels of the one apple on the screen, or None where there is not exactly one."""
    apples = find_apples(img, s.W, s.H)
    if len(apples) != 1:
        return None
    box = bbox(apples[0])
    return box, img.region(box)


def reddish(p):
    """The red of the character on an apple, also where it blends into the yellow."""
    return p[0] > 200 and p[1] < 120 and p[2] < 80


def glyph_top(img, box):
    """Offset of the red character's top row below the apple's top: the first red pixel with the
    apple's yellow just above it (a red-brown trunk pixel beside the apple has none)."""
    for y in range(box[1] + 3, box[3] + 1):
        for x in range(box[0], box[2] + 1):
            if reddish(img.px(x, y)) and any(img.px(x, y - d) == (255, 255, 0) for d in (1, 2, 3)):
                return y - box[1]
    return None


def blinking_key(session, timeout=5.0):
    """Finds the blinking key: the one key rectangle whose pixels change between screenshots.

    Returns ((row, col), diff box) or (None, diff box / None)."""
    rects = key_rects(session.W, session.H, getattr(session, "iso", False))
    keyboard = (0, rects[(0, 0)][1], session.W - 1, rects[(4, 0)][3])
    first = session.shot()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        time.sleep(0.03)
        img = session.shot()
        box = first.diff_bbox(img, keyboard)
        if box is None:
            continue
        for k, rc in rects.items():
            if k[0] < 4 and inside(box, rc):
                return k, box
        # Shift or AltGr blinks beside the target: the target is the one other key that changed.
        changed = [k for k, rc in rects.items() if k not in MODIFIER_CELLS and first.diff_bbox(img, rc) is not None]
        if len(changed) == 1 and changed[0][0] < 4:
            return changed[0], first.diff_bbox(img, rects[changed[0]])
        return None, box
    return None, None


def steady_blinking_key(session, other_than=None, timeout=6.0):
    """The blinking key once two readings in a row agree (a key put back as the next target
    starts blinking shows as a change too), and it is not 'other_than'; None when none is found."""
    last = [None]

    def steady():
        cell = blinking_key(session, 1.0)[0]
        agreed = cell if cell is not None and cell == last[0] and cell != other_than else None
        last[0] = cell
        return agreed
    return wait_until(steady, timeout)


def target_chars(cell):
    """The characters a target on this key may ask for: plain first, then shifted."""
    r, c = cell
    out = []
    for ch in (PLAIN[r][c], SHIFTED[r][c]):
        if ch.strip() and ch not in out and 32 < ord(ch) < 127:
            out.append(ch)
    return out


def run_sizes(script, what, sizes, run_size):
    """The main of a script that runs the same checks at several screen sizes: run_size(res, args, W, H)
    once per size, each in its own group. Returns the exit status."""
    args = parse_args(script)
    res = Results()
    for W, H in sizes:
        with res.group(f"{what} at {W}x{H}"):
            run_size(res, args, W, H)
    return res.finish()


# ---------------------------------------------------------------------------------------------
# Controls

SET_IDS = (1004, 1005, 1006, 1007)

# Inclusive rectangles of the controls by id with the template's sizes (English and Chinese
# captions, unscaled): three 120 x 26 buttons and the report box along the bottom; where the
# keyboard leaves room below it the four check boxes stand in one row between keyboard and
# buttons, else in two rows above the hand prompts.
EXPECTED_CONTROLS = {
    (800, 600): {1000: (2, 579, 797, 599), 1: (113, 553, 232, 578), 57670: (346, 553, 465, 578),
                 2: (579, 553, 698, 578), 1004: (80, 260, 315, 279), 1005: (408, 260, 595, 279),
                 1006: (80, 286, 327, 305), 1007: (408, 286, 717, 305)},
    (1024, 768): {1000: (2, 747, 1021, 767), 1: (150, 721, 269, 746), 57670: (420, 721, 539, 746),
                  2: (690, 721, 809, 746), 1004: (8, 700, 243, 719), 1005: (252, 700, 439, 719),
                  1006: (448, 700, 695, 719), 1007: (704, 700, 1013, 719)},
    (1920, 1080): {1000: (2, 1059, 1917, 1079), 1: (300, 1033, 419, 1058), 57670: (720, 1033, 839, 1058),
                   2: (1140, 1033, 1259, 1058), 1004: (187, 1012, 422, 1031), 1005: (610, 1012, 797, 1031),
                   1006: (985, 1012, 1232, 1031), 1007: (1420, 1012, 1729, 1031)},
}


# ---------------------------------------------------------------------------------------------
# A window manager's part in minimising and restoring, on a bare X server: a window manager
# answers a client's iconify request (WM_CHANGE_STATE) by unmapping the window and setting its
# ICCCM WM_STATE to iconic (3); it restores the window by setting WM_STATE to normal (1) and
# mapping it again. The requests go over the X socket, as the fast screenshots do.


def _x_reply(conn):
    """Reads the reply to the last request, passing over events; an X error raises."""
    head = conn._read(32)
    while head[0] >= 2:
        head = conn._read(32)
    if head[0] == 0:
        raise RuntimeError(f"X error {head[1]} (request {head[10]})")
    extra = struct.unpack("<I", head[4:8])[0] * 4
    return head + (conn._read(extra) if extra else b"")


def wm_iconify(session, wid, iconic):
    """Does to window wid what a window manager does to minimise (iconic=True) or restore it."""
    conn = XGrabber(session.display)
    try:
        name = b"WM_STATE"
        conn.sock.sendall(struct.pack("<BBHHxx", 16, 0, 2 + (len(name) + 3) // 4, len(name)) +
                          name + b"\0" * (-len(name) % 4))
        atom = struct.unpack("<I", _x_reply(conn)[8:12])[0]
        state = struct.pack("<BBHIIIB3xIII", 18, 0, 8, wid, atom, atom, 32, 2, 3 if iconic else 1, 0)
        toggle = struct.pack("<BxHI", 10 if iconic else 8, 2, wid)  # UnmapWindow / MapWindow
        conn.sock.sendall(toggle + state if iconic else state + toggle)
        conn.sock.sendall(struct.pack("<BxH", 43, 1))  # GetInputFocus: a round trip that reports errors
        _x_reply(conn)
    finally:
        conn.close()


def placed_controls(session, timeout=5):
    """Inclusive rectangles of the controls by id where the program last placed them, in screen
    pixels, from its trace (POMAREL_TRACE=1: "pomarel: control ID LEFT TOP RIGHT BOTTOM" per move)."""
    ids = {1, 2, 57670, 1000, *SET_IDS}

    def read():
        rects = {}
        for line in session.app_output().splitlines():
            parts = line.split()
            if len(parts) == 7 and parts[:2] == ["pomarel:", "control"]:
                cid, l, t, r, b = map(int, parts[2:])
                rects[cid] = (l, t, r - 1, b - 1)
        return rects if ids <= rects.keys() else None
    return wait_until(read, timeout)


def control_rects(session, timeout=5):
    """placed_controls, ending the script with a clear message when the trace has none."""
    rects = placed_controls(session, timeout)
    if rects is None:
        raise RuntimeError(f"the program did not say where it placed its controls within {timeout} s")
    return rects


# ---------------------------------------------------------------------------------------------
# Scripts that read the program over the accessibility bus run under a D-Bus session of their own.

PRIVATE_BUS_MARK = "POMAREL_E2E_PRIVATE_BUS"
SYSTEM_PYTHON = "/usr/bin/python3"


def fail_early(why):
    """Ends a script that cannot run at all, as one failed check."""
    print(f"FAIL: {why}")
    print("0 passed, 1 failed")
    sys.exit(1)


def on_private_bus(script_file):
    """Runs the script again under its own D-Bus session, unless it already is."""
    if os.environ.get(PRIVATE_BUS_MARK) == "1":
        return
    if shutil.which("dbus-run-session") is None or not os.access(SYSTEM_PYTHON, os.X_OK):
        fail_early("dbus-run-session and /usr/bin/python3 are needed (packages dbus, python3)")
    # The accessibility bus puts its socket in XDG_RUNTIME_DIR, else at one fixed path in the home
    # folder: a second run (another script, another checkout's tests) would take that path over,
    # and programs started later would join its bus, unseen by this one. A folder of its own each.
    runtime = tempfile.mkdtemp(prefix="pomarel-e2e-bus-")
    env = dict(os.environ, **{PRIVATE_BUS_MARK: "1", "XDG_RUNTIME_DIR": runtime})
    cmd = ["dbus-run-session", "--", SYSTEM_PYTHON, str(Path(script_file).resolve()), *sys.argv[1:]]
    sys.stdout.flush()
    try:
        status = subprocess.run(cmd, env=env).returncode
    finally:
        shutil.rmtree(runtime, ignore_errors=True)
    sys.exit(status)


# ---------------------------------------------------------------------------------------------
# The accessibility bus


class Accessibility:
    """The program as a screen reader sees it: its controls' roles, names, texts and extents."""

    def __init__(self):
        try:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi, GLib
        except (ImportError, ValueError) as err:
            fail_early(f"the AT-SPI bindings are missing ({err}; packages python3-gi, gir1.2-atspi-2.0)")
        self.Atspi = Atspi
        self.GLib = GLib
        # A program busy drawing on a loaded machine may take longer than the library's 0.8 s to
        # answer; a call that timed out would read as an object gone.
        Atspi.set_timeout(15000, 60000)
        # Asking for the desktop starts the accessibility bus, which the program looks for at start.
        Atspi.get_desktop(0).get_child_count()

    def desktop(self):
        """The bus's list of applications, asked afresh: on a busy machine the notice of an
        application that just started can be missed, and a kept list would never show it."""
        desktop = self.Atspi.get_desktop(0)
        try:
            desktop.clear_cache()
        except Exception:
            pass
        return desktop

    def app(self, pid):
        desktop = self.desktop()
        for i in range(desktop.get_child_count()):
            a = desktop.get_child_at_index(i)
            try:
                if a is not None and a.get_process_id() == pid:
                    return a
            except Exception:  # an application that just ended
                continue
        return None

    @staticmethod
    def walk(acc, out=None):
        """(role, name, object) of acc and everything below it; an object that goes away while it
        is read (a box that closed) hides none of its siblings."""
        out = [] if out is None else out
        try:
            out.append((acc.get_role_name(), acc.get_name() or "", acc))
            count = acc.get_child_count()
        except Exception:
            return out
        for i in range(count):
            try:
                child = acc.get_child_at_index(i)
            except Exception:
                continue
            if child is not None:
                Accessibility.walk(child, out)
        return out

    def texts(self, pid):
        """The contents of every text field of the program's window (the report box is the only one)."""
        desktop = self.desktop()
        out = []
        for i in range(desktop.get_child_count()):
            try:
                app = desktop.get_child_at_index(i)
                if app is None or app.get_process_id() != pid:
                    continue
                # What the bus keeps of the window may be from before its controls were laid out
                # again: read it afresh.
                app.clear_cache()
            except Exception:  # an application that just ended
                continue
            out.extend(self._texts_below(app))
        return out

    def _texts_below(self, acc):
        try:
            if acc.get_role_name() == "text":
                return [self.Atspi.Text.get_text(acc, 0, self.Atspi.Text.get_character_count(acc))]
            count = acc.get_child_count()
        except Exception:  # an object that went away while being read
            return []
        out = []
        for i in range(count):
            try:
                child = acc.get_child_at_index(i)
            except Exception:  # one child gone does not hide its siblings
                continue
            if child is not None:
                out.extend(self._texts_below(child))
        return out

    def alert(self, pid):
        """(label, [push button names]) of the program's message box, or None."""
        app = self.app(pid)
        if app is None:
            return None
        for role, _name, acc in self.walk(app)[1:]:
            if role == "alert":
                inner = self.walk(acc)
                labels = [n for r, n, _ in inner if r == "label" and n]
                buttons = [n for r, n, _ in inner if r == "push button"]
                if buttons:
                    return (labels[0] if labels else "", buttons)
        return None

    def push_buttons(self, pid):
        """Names of the program's push buttons, message boxes' included."""
        app = self.app(pid)
        return [] if app is None else [n for r, n, _ in self.walk(app)[1:] if r == "push button"]

    def extents(self, pid, role):
        """Inclusive screen rectangles of the program's controls of that role, as the toolkit has them."""
        app = self.app(pid)
        out = []
        for r, _n, acc in ([] if app is None else self.walk(app)[1:]):
            if r == role:
                x = acc.get_extents(self.Atspi.CoordType.SCREEN)
                out.append((x.x, x.y, x.x + x.width - 1, x.y + x.height - 1))
        return sorted(out)

    def wait_alert(self, pid, timeout=20):
        return wait_until(lambda: self.alert(pid), timeout, 0.1)

    def popup_items(self, action, timeout=3.0):
        """Performs action and returns the items of the first menu that pops up (texts before a
        tab, which starts the shortcut), or None."""
        Atspi, GLib = self.Atspi, self.GLib
        got = []

        def seen(event):
            try:
                if event.source.get_role_name() in ("popup menu", "menu") and event.detail1 == 1 and not got:
                    items = []
                    for i in range(event.source.get_child_count()):
                        c = event.source.get_child_at_index(i)
                        if c.get_role_name() == "menu item":
                            items.append((c.get_name() or "").split("\t")[0])
                    got.append(items)
                    Atspi.event_quit()
            except Exception:
                pass

        listener = Atspi.EventListener.new(seen)
        listener.register("object:state-changed:showing")

        def start():
            action()
            return False

        def give_up():
            Atspi.event_quit()
            return False
        GLib.timeout_add(100, start)
        stop = GLib.timeout_add(int(timeout * 1000), give_up)
        Atspi.event_main()
        if got:
            GLib.source_remove(stop)
        listener.deregister("object:state-changed:showing")
        return got[0] if got else None
