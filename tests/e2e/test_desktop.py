#!/usr/bin/env python3
"""The desktop behind the tree is the user's wallpaper, never a picture of the windows open.

Each case makes its wallpaper with ImageMagick, sets it the way that desktop keeps it, and starts
the installed program with no Face.jpg:
- X11 root picture (1024 x 768 and 1920 x 1080): `feh --bg-fill` on the Xvfb (started with
  -noreset, so the picture outlives feh), a cyan xterm open over it; the background shows the
  wallpaper's halves and not one pixel of the terminal;
- the same root picture while an Xfce setting names a corrupt file: the root picture shows;
- GNOME: `gsettings set org.gnome.desktop.background ...` through GSettings' keyfile backend in a
  private XDG_CONFIG_HOME, session GNOME: a scaled picture between bands of primary-color; then
  the dark picture once the colour scheme prefers dark;
- Xfce: a private xfce4-desktop.xml with a centred picture on its rgba1 colour;
- KDE Plasma: a private plasma-org.kde.plasma.desktop-appletsrc with a tiled picture.
The program's trace line names the source it took.
"""

import os
import shutil
import signal
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

CYAN = (0, 255, 255)


def near(p, want, slack=12):
    return all(abs(a - b) <= slack for a, b in zip(p, want))


def hexrgb(rgb):
    return "#%02x%02x%02x" % rgb


def picture(path, *parts):
    """A PNG of side-by-side solid blocks: parts are (width, height, rgb)."""
    cmd = ["convert"]
    for w, h, rgb in parts:
        cmd += ["-size", f"{w}x{h}", f"xc:{hexrgb(rgb)}"]
    cmd += ["+append", str(path)]
    subprocess.run(cmd, check=True, capture_output=True)
    return path


def background_spots(W, H):
    """Points of the background away from keys, controls and the tree's outline."""
    keys = e.key_rects(W, H)
    low = keys[(0, 0)][1] - 100
    points, _ = e.tree_outline(W, H)
    spots = [(x, y) for x in (5, W // 8, W // 4, 3 * W // 4, 7 * W // 8, W - 6) for y in (5, H // 6, low)]
    return [p for p in spots if e.tree_distance(points, p) > 4]


def stop_app(s):
    if s.alive():
        os.killpg(s.app.pid, signal.SIGTERM)
        s.wait_exit(5)


def source_of(s):
    for line in s.app_output().splitlines():
        if line.startswith("pomarel: desktop:"):
            return line.split()[2]
    return None


def private_env(s, desktop, config):
    """A session of that desktop with nothing of this machine's user in it."""
    home = s.workdir / "home"
    home.mkdir(exist_ok=True)
    return {"HOME": str(home), "XDG_CONFIG_HOME": str(config), "XDG_CONFIG_DIRS": str(s.workdir / "no-dirs"),
            "XDG_CURRENT_DESKTOP": desktop, "GSETTINGS_BACKEND": "keyfile"}


def rss_kb(pid):
    try:
        for line in Path(f"/proc/{pid}/status").read_text().splitlines():
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    except OSError:
        pass
    return None


def xfce_channel(config, image, style, rgba):
    folder = config / "xfce4" / "xfconf" / "xfce-perchannel-xml"
    folder.mkdir(parents=True, exist_ok=True)
    values = "".join(f'<value type="double" value="{v / 255:.6f}"/>' for v in rgba) + '<value type="double" value="1"/>'
    (folder / "xfce4-desktop.xml").write_text(f"""<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-desktop" version="1.0">
  <property name="backdrop" type="empty">
    <property name="screen0" type="empty">
      <property name="monitor0" type="empty">
        <property name="workspace0" type="empty">
          <property name="color-style" type="int" value="0"/>
          <property name="image-style" type="int" value="{style}"/>
          <property name="last-image" type="string" value="{image}"/>
          <property name="rgba1" type="array">{values}</property>
        </property>
      </property>
    </property>
  </property>
</channel>
""")


def case_root_picture(res, args, W, H):
    left, right = (200, 30, 200), (230, 200, 20)
    with e.Session(args, W, H, f"root-{W}x{H}") as s:
        wall = picture(s.workdir / "wall.png", (400, 600, left), (400, 600, right))
        s.x("feh", "--no-fehbg", "--bg-fill", wall)
        term = subprocess.Popen(["xterm", "-bg", hexrgb(CYAN), "-fg", "black", "-fa", "DejaVu Sans Mono", "-fs", "12",
                                 "-geometry", f"90x30+{W // 8}+{H // 8}", "-e", "sleep", "600"],
                                env=dict(os.environ, DISPLAY=s.display), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            shown = e.wait_until(lambda: s.shot().count((0, 0, W - 1, H - 1), lambda p: p == CYAN, 4) > 1000, 10)
            before = s.shot(f"terminal-over-wallpaper")
            res.require(shown and near(before.px(3, 3), left) and near(before.px(W - 4, H - 4), right),
                        f"{W}x{H}: feh's wallpaper is on the root and the terminal is open over it",
                        f"corner pixels {before.px(3, 3)} {before.px(W - 4, H - 4)}")
            s.launch(extra_env=private_env(s, "", s.workdir / "config"))
            s.main_window()
            img = s.shot("root-picture-background")
            res.check(source_of(s) == "x11-root", f"{W}x{H}: the program took the X root picture",
                      f"trace: {source_of(s)}")
            bad = [(x, y, img.px(x, y)) for x, y in background_spots(W, H)
                   if not near(img.px(x, y), left if x < W // 2 else right)]
            res.check(not bad, f"{W}x{H}: the background shows the wallpaper's two halves", f"wrong at {bad[:4]}")
            cyan = img.count((0, 0, W - 1, H - 1), lambda p: p == CYAN)
            res.check(cyan == 0, f"{W}x{H}: not one pixel of the terminal shows", f"{cyan} cyan pixels")
            res.note(f"{W}x{H}: resident memory with the root picture: {rss_kb(s.app.pid)} kB")
            stop_app(s)

            # An Xfce session whose own picture is broken falls back on the root picture.
            config = s.workdir / "config-xfce"
            (s.workdir / "broken.jpg").write_bytes(b"\xff\xd8\xff\xe0 this is no picture")
            xfce_channel(config, s.workdir / "broken.jpg", 5, (10, 10, 10))
            s.launch(extra_env=private_env(s, "XFCE", config), name="broken-xfce")
            s.main_window()
            img = s.shot("broken-xfce-falls-back")
            res.check(source_of(s) == "x11-root" and near(img.px(5, 5), left) and near(img.px(W - 6, 5), right),
                      f"{W}x{H}: a corrupt Xfce wallpaper hands over to the root picture",
                      f"trace {source_of(s)}, pixels {img.px(5, 5)} {img.px(W - 6, 5)}")
            stop_app(s)
        finally:
            os.killpg(term.pid, signal.SIGTERM)
            term.wait(timeout=5)


def case_gnome(res, args, W, H):
    if shutil.which("gsettings") is None:
        res.check(False, "gsettings is installed (libglib2.0-bin)")
        return
    light, dark, band = (30, 200, 90), (90, 40, 10), (32, 64, 128)
    with e.Session(args, W, H, f"gnome-{W}x{H}") as s:
        config = s.workdir / "config"
        env = private_env(s, "GNOME", config)
        day = picture(s.workdir / "day.png", (400, 100, light))
        night = picture(s.workdir / "night.png", (400, 100, dark))

        def gset(schema, key, value):
            subprocess.run(["gsettings", "set", schema, key, value], env=dict(os.environ, **env), check=True,
                           capture_output=True)
        bg = "org.gnome.desktop.background"
        gset(bg, "picture-uri", day.as_uri())
        gset(bg, "picture-uri-dark", night.as_uri())
        gset(bg, "picture-options", "scaled")
        gset(bg, "primary-color", hexrgb(band))
        # 4:1 scaled to the width: W x W/4, centred between bands of primary-color.
        top = (H - W // 4) // 2
        for scheme, colour, name in (("default", light, "light"), ("prefer-dark", dark, "dark")):
            gset("org.gnome.desktop.interface", "color-scheme", scheme)
            s.launch(extra_env=env, name=f"gnome-{name}")
            s.main_window()
            img = s.shot(f"gnome-{name}")
            res.check(source_of(s) == "gnome", f"{W}x{H}: GNOME ({name}): the program took GSettings' picture",
                      f"trace: {source_of(s)}")
            spots = {"band above": ((5, top // 2), band), "picture": ((5, top + 20), colour),
                     "picture, right": ((W - 6, top + W // 8), colour)}
            for what, ((x, y), want) in spots.items():
                res.check(near(img.px(x, y), want, 4), f"{W}x{H}: GNOME ({name}): the {what} at ({x}, {y})",
                          f"pixel {img.px(x, y)}, want {want}")
            stop_app(s)

        # A background description in XML offering SVG pictures per size, as distributions set the
        # default: the one for this screen, zoomed.
        for w, h, rgb in ((1024, 768, (200, 60, 150)), (1920, 1080, (10, 10, 10))):
            (s.workdir / f"{w}x{h}.svg").write_text(
                f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}">'
                f'<rect width="{w}" height="{h}" fill="{hexrgb(rgb)}"/></svg>')
        sizes = "".join(f'<size width="{w}" height="{h}">{s.workdir}/{w}x{h}.svg</size>'
                        for w, h in ((1920, 1080), (1024, 768)))
        (s.workdir / "theme.xml").write_text(f"<background><static><duration>8640000.0</duration><file>{sizes}"
                                             "</file></static></background>")
        gset(bg, "picture-uri", (s.workdir / "theme.xml").as_uri())
        gset(bg, "picture-uri-dark", "")
        gset(bg, "picture-options", "zoom")
        s.launch(extra_env=env, name="gnome-xml")
        s.main_window()
        img = s.shot("gnome-xml-svg")
        res.check(source_of(s) == "gnome" and near(img.px(5, 5), (200, 60, 150), 4)
                  and near(img.px(W - 6, H // 3), (200, 60, 150), 4),
                  f"{W}x{H}: GNOME: the background description's SVG for this screen size shows",
                  f"trace {source_of(s)}, pixels {img.px(5, 5)} {img.px(W - 6, H // 3)}")
        stop_app(s)


def case_xfce(res, args, W, H):
    orange, around = (240, 140, 20), (20, 90, 60)
    with e.Session(args, W, H, f"xfce-{W}x{H}") as s:
        config = s.workdir / "config"
        wall = picture(s.workdir / "centre.png", (200, 100, orange))
        xfce_channel(config, wall, 1, around)
        s.launch(extra_env=private_env(s, "XFCE", config))
        s.main_window()
        img = s.shot("xfce-centred")
        res.check(source_of(s) == "xfce", f"{W}x{H}: Xfce: the program took the xfce4-desktop channel",
                  f"trace: {source_of(s)}")
        l, t = (W - 200) // 2, (H - 100) // 2
        inside = img.count((l + 2, t + 2, l + 197, t + 97), lambda p: near(p, orange))
        res.check(inside > 0.95 * 196 * 96, f"{W}x{H}: Xfce: the picture is centred at ({l}, {t})",
                  f"{inside} of {196 * 96} pixels orange")
        for x, y in ((5, 5), (l - 3, t + 50), (l + 203, t + 50), (W - 6, 5)):
            res.check(near(img.px(x, y), around, 4), f"{W}x{H}: Xfce: its colour around the picture at ({x}, {y})",
                      f"pixel {img.px(x, y)}")
        stop_app(s)

        # Zoomed, from a JPEG (decoded straight to the part that shows): a 2800 x 300 strip scaled to
        # the screen's height shows only its middle 400 source columns: 100 red, 200 green, 100 blue.
        strip = s.workdir / "strip.jpg"
        subprocess.run(["convert", "-size", "1300x300", "xc:#ff0000", "-size", "200x300", "xc:#00ff00", "-size",
                        "1300x300", "xc:#0000ff", "+append", "-quality", "95", str(strip)], check=True,
                       capture_output=True)
        xfce_channel(config, strip, 5, around)
        s.launch(extra_env=private_env(s, "XFCE", config), name="zoom")
        s.main_window()
        img = s.shot("xfce-zoomed-jpeg")
        quarter = W // 4  # H / 300 = 2.56 screen pixels per source column at 1024 x 768
        for x, want in ((5, (255, 0, 0)), (quarter - 6, (255, 0, 0)), (quarter + 6, (0, 255, 0)),
                        (W - quarter - 6, (0, 255, 0)), (W - quarter + 6, (0, 0, 255)), (W - 6, (0, 0, 255))):
            res.check(near(img.px(x, 5), want), f"{W}x{H}: Xfce zoom: {want} at ({x}, 5)", f"pixel {img.px(x, 5)}")


def case_kde(res, args, W, H):
    top, bottom = (120, 0, 160), (0, 128, 128)
    with e.Session(args, W, H, f"kde-{W}x{H}") as s:
        config = s.workdir / "config"
        config.mkdir()
        tile = s.workdir / "tile.png"
        subprocess.run(["convert", "-size", "64x32", f"xc:{hexrgb(top)}", "-size", "64x32", f"xc:{hexrgb(bottom)}",
                        "-append", str(tile)], check=True, capture_output=True)
        (config / "plasma-org.kde.plasma.desktop-appletsrc").write_text(f"""[Containments][1]
activityId=0f1e
formfactor=2
lastScreen=0
plugin=org.kde.panel
wallpaperplugin=org.kde.image

[Containments][2]
activityId=0f1e
lastScreen=0
plugin=org.kde.plasma.folder
wallpaperplugin=org.kde.image

[Containments][2][Wallpaper][org.kde.image][General]
FillMode=3
Image={tile.as_uri()}
""")
        s.launch(extra_env=private_env(s, "KDE", config))
        s.main_window()
        img = s.shot("kde-tiled")
        res.check(source_of(s) == "kde", f"{W}x{H}: KDE: the program took the desktop containment's picture",
                  f"trace: {source_of(s)}")
        bad = [(x, y, img.px(x, y)) for x, y in background_spots(W, H)
               if not near(img.px(x, y), top if y % 64 < 32 else bottom, 4)]
        res.check(not bad, f"{W}x{H}: KDE: the picture is tiled from the top-left corner", f"wrong at {bad[:4]}")


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    for tool in ("feh", "xterm"):
        if shutil.which(tool) is None:
            res.check(False, f"{tool} is installed (tools/setup-deps)")
            return res.finish()
    for title, case, sizes in (("X11 root picture", case_root_picture, ((1024, 768), (1920, 1080))),
                               ("GNOME settings", case_gnome, ((1024, 768),)),
                               ("Xfce channel", case_xfce, ((1024, 768),)),
                               ("KDE Plasma configuration", case_kde, ((1024, 768),))):
        for W, H in sizes:
            with res.group(f"{title} at {W}x{H}"):
                case(res, args, W, H)
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
