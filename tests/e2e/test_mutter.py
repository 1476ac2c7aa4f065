#!/usr/bin/env python3
"""Under GNOME's compositor: mutter managing the X server as its window manager (mutter --x11
--replace), at 1920 x 1080 and then 1366 x 768.

- start: the program's window is full screen (the window manager's own full-screen state) and
  shows its keyboard;
- keys: F2 hangs an apple, the target key blinks, and its character brings the next target;
- a box: F1's help is a window transient for the practice window, centred on it, wholly on the
  screen, that the window manager offers no maximising for; the practice window stays full screen
  while it is open, and Enter closes it;
- a resolution change (xrandr): the window covers the new screen within a bounded wait and is drawn
  anew for it, never black; the same target's key blinks;
- Esc and Enter (Yes) end the program with status 0;
mutter nested on Wayland (1366 x 768): start, F2, the help box inside the output with the
practice window still full screen under it, and an output changed to 1024 x 768 through mutter's
display configuration: the window drawn anew for it, the same target's key blinking; and the
Chinese help, the longest text, at 800 x 600 with and without the window manager: the box
with its frame is wholly on the screen.
"""

import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402


def prop(s, wid, name):
    return s.x("xprop", "-id", wid, name, check=False)


def start_mutter(s):
    log = open(s.args.outdir / f"{s.tag}-mutter.log", "wb")
    env = dict(os.environ, DISPLAY=s.display, XDG_RUNTIME_DIR=str(s.runtime))
    env.pop("WAYLAND_DISPLAY", None)
    proc = subprocess.Popen(["dbus-run-session", "--", "mutter", "--x11", "--replace", "--sm-disable"], env=env,
                            stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True,
                            preexec_fn=e._die_with_parent)
    log.close()

    def managed():
        out = s.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)
        return "window id" in out and proc.poll() is None
    return proc, e.wait_until(managed, 30, 0.2)


def start_nested(s):
    """mutter as a Wayland compositor whose output (1366 x 768, with 1024 x 768 and 800 x 600 to
    change to) is a window on the test's X server. Returns the process, the socket's name and the
    address of its session bus."""
    log = open(s.args.outdir / f"{s.tag}-mutter.log", "wb")
    bus_file = s.runtime / "bus-address"
    env = dict(os.environ, DISPLAY=s.display, XDG_RUNTIME_DIR=str(s.runtime),
               MUTTER_DEBUG_DUMMY_MODE_SPECS="1366x768:1024x768:800x600")
    env.pop("WAYLAND_DISPLAY", None)
    script = f'echo "$DBUS_SESSION_BUS_ADDRESS" > {bus_file}; exec mutter --nested --wayland --no-x11 ' \
             '--wayland-display=pomarel-e2e'
    proc = subprocess.Popen(["dbus-run-session", "--", "sh", "-c", script], env=env, stdin=subprocess.DEVNULL,
                            stdout=log, stderr=log, start_new_session=True, preexec_fn=e._die_with_parent)
    log.close()
    ready = e.wait_until(lambda: (s.runtime / "pomarel-e2e").exists() and bus_file.exists() and proc.poll() is None,
                         30, 0.2)
    bus = bus_file.read_text().strip() if ready else ""
    return proc, ("pomarel-e2e" if ready else None), bus


def stop(proc):
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, 15)
            proc.wait(timeout=5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(proc.pid, 9)


def settle_mode(s, width, height, seconds=15):
    """Sets the screen's mode until it holds for a second: mutter may still apply its own choice of
    monitor mode (the largest) a moment after it has taken over the X server."""
    def size():
        out = s.x("xdotool", "getdisplaygeometry", check=False).split()
        return tuple(int(v) for v in out[:2]) if len(out) >= 2 else None
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        s.set_mode(width, height)
        held = 0
        while held < 10 and size() == (width, height):
            held += 1
            time.sleep(0.1)
        if held == 10:
            return True
    return False


def keyboard_drawn(s):
    """The screen once the program has painted it: every cap cream, and the background in each
    key's right column not. Right after a resize the window may show a moment of plain light grey,
    which passes for cream."""
    rects = e.key_rects(s.W, s.H)
    img = s.shot()
    drawn = all(e.is_cream(img.px(*e.cap_spot(rc))) and not e.is_cream(img.px(rc[2], (rc[1] + rc[3]) // 2))
                for rc in rects.values())
    return img if drawn else None


def check_box(res, s, main):
    def box():
        ids = [w for w in s.windows("Pomarel") if w != main]
        return ids[0] if ids else None
    s.key("F1")
    wid = e.wait_until(box, 10, 0.1)
    res.require(wid is not None, "F1 opens the help box")
    transient = prop(s, wid, "WM_TRANSIENT_FOR")
    res.check(re.search(r"window id # (0x[0-9a-f]+)", transient) is not None
              and int(re.search(r"(0x[0-9a-f]+)", transient).group(1), 16) in (main, *s.windows("Pomarel")),
              "the help box is transient for the practice window", transient.strip())
    actions = prop(s, wid, "_NET_WM_ALLOWED_ACTIONS")
    res.check("MAXIMIZE" not in actions, "the window manager offers no maximising for the help box",
              actions.strip()[:200])
    # The frame the window manager puts round it counts: the whole box is on the screen.
    x, y, w, h = s.geometry(wid)
    res.check(x >= 0 and y >= 0 and x + w <= s.W and y + h <= s.H, "the help box is wholly on the screen",
              f"{w}x{h} at {x},{y}")
    cx, cy = x + w // 2, y + h // 2
    res.check(abs(cx - s.W // 2) <= 40 and abs(cy - s.H // 2) <= 60, "the help box is centred on the practice window",
              f"centre {cx},{cy}")
    state = prop(s, main, "_NET_WM_STATE")
    res.check("FULLSCREEN" in state and s.geometry(main) == (0, 0, s.W, s.H),
              "the practice window stays full screen while the box is open", state.strip())
    # On the screen once the compositor draws it: its light face at its centre.
    shown = e.wait_until(lambda: (lambda img: img if e.luminance(img.px(cx, cy)) > 200 else None)(s.shot()), 5, 0.1)
    res.check(shown is not None, "the help box is drawn over the practice window")
    if shown is not None:
        s.keep(shown, f"help-{s.W}x{s.H}")
    s.key("Return")
    res.check(e.wait_until(lambda: box() is None, 10, 0.1), "Enter closes the help box")


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    if shutil.which("mutter") is None or shutil.which("xrandr") is None:
        res.check(False, "mutter and xrandr are installed (tools/setup-deps)")
        return res.finish()
    with res.group("mutter as the X11 window manager"):
        with e.Session(args, 1920, 1920, "mutter-x11") as s:
            wm, ready = start_mutter(s)
            try:
                res.require(ready, "mutter manages the X server")
                # After mutter has set up its monitors, which may choose the largest mode.
                res.require(settle_mode(s, 1920, 1080), "the screen stays at 1920x1080 under mutter")
                s.W, s.H = 1920, 1080
                s.launch()
                main_id = s.main_window(40)
                state = prop(s, main_id, "_NET_WM_STATE")
                res.check("FULLSCREEN" in state, "start: the window manager holds the window full screen", state.strip())
                s.keep(s.shot(), "start")
                s.key("F2")
                res.require(e.wait_until(lambda: len(e.find_apples(s.shot(), s.W, s.H)) == 1, 5), "F2 hangs an apple")
                first = e.steady_blinking_key(s)
                res.require(first is not None, "the target's key blinks")
                s.type(e.target_chars(first)[0])
                target = e.steady_blinking_key(s, first)
                res.require(target is not None, "the right character brings the next target, whose key blinks")
                check_box(res, s, main_id)
                # The compositor fades the box out: the keys are looked at again until it has gone.
                res.check(e.steady_blinking_key(s) == target,
                          "the same target's key blinks once the box is closed", f"{target}")
                s.set_mode(1366, 768)
                s.W, s.H = 1366, 768
                res.check(e.wait_until(lambda: s.geometry(main_id) == (0, 0, 1366, 768), 5),
                          "1366x768: the window covers the new screen", f"{s.geometry(main_id)}")
                img = e.wait_until(lambda: keyboard_drawn(s), 5, 0.1)
                res.check(img is not None, "1366x768: the keyboard is drawn anew, nothing black")
                if img is not None:
                    s.keep(img, "after-1366x768")
                    res.check(len(e.find_apples(img, s.W, s.H)) == 1, "1366x768: the apple hangs in the new tree")
                res.check(e.steady_blinking_key(s) == target,
                          "1366x768: the same target's key blinks", f"{target}")
                check_box(res, s, main_id)
                s.key("Escape")
                res.check(e.wait_until(lambda: [w for w in s.windows("Pomarel") if w != main_id], 10, 0.1),
                          "Esc asks before the program closes")
                s.key("Return")
                status = s.wait_exit(10)
                res.check(status == 0, "Esc and Yes end the program with status 0", f"status {status}")
            finally:
                stop(wm)
    with res.group("mutter nested on Wayland"):
        with e.Session(args, 1920, 1080, "mutter-wayland") as s:
            wm, socket, bus = start_nested(s)
            try:
                res.require(socket is not None, "mutter serves Wayland clients")
                s.W, s.H = 1366, 768
                s.launch(extra_env={"QT_QPA_PLATFORM": "wayland", "WAYLAND_DISPLAY": socket})
                img = e.wait_until(lambda: keyboard_drawn(s), 40, 0.2)
                res.require(img is not None, "start: the keyboard covers the 1366x768 output")
                s.keep(img, "start")
                output = [w for w in s.x("xdotool", "search", "--name", "").split()
                          if s.geometry(int(w))[2:] == (1366, 768)]
                if output:
                    s.x("xdotool", "windowfocus", output[0], check=False)
                s.key("F2")
                res.require(e.wait_until(lambda: len(e.find_apples(s.shot(), s.W, s.H)) == 1, 5), "F2 hangs an apple")
                target = e.steady_blinking_key(s)
                res.require(target is not None, "the target's key blinks")
                s.key("F1")
                top_of_keys = e.key_rects(s.W, s.H)[(0, 0)][1]

                def box_shown():
                    img = s.shot()
                    light = img.find_exact((239, 239, 239), (0, 0, s.W - 1, top_of_keys - 1))
                    return (img, e.bbox(light)) if len(light) > 2000 else None
                shown = e.wait_until(box_shown, 10, 0.2)
                res.require(shown is not None, "F1 shows the help box")
                img, (l, t, r, b) = shown
                s.keep(img, "help")
                res.check(l > 0 and r < s.W - 1, "the help box stands inside the output", f"{l}..{r} across")
                corners = [img.px(4, top_of_keys + 4), img.px(s.W - 5, s.H - 3)]
                res.check(e.is_cream(img.px(*e.cap_spot(e.key_rects(s.W, s.H)[(4, 6)]))) and
                          e.luminance(corners[1]) > 200,
                          "the practice window stays full screen under the box", f"{corners}")
                s.key("Return")
                res.check(e.wait_until(lambda: box_shown() is None, 10, 0.2), "Enter closes the help box")
                call = ["gdbus", "call", "--session", "--dest", "org.gnome.Mutter.DisplayConfig", "--object-path",
                        "/org/gnome/Mutter/DisplayConfig", "--method",
                        "org.gnome.Mutter.DisplayConfig.ApplyMonitorsConfig", "1", "1",
                        "[(0, 0, 1.0, uint32 0, true, [('LVDS1', '1024x768@60.000', @a{sv} {})])]", "@a{sv} {}"]
                done = subprocess.run(call, env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus), capture_output=True,
                                      text=True, timeout=20)
                res.require(done.returncode == 0, "mutter changes the output to 1024x768", done.stderr.strip())
                s.W, s.H = 1024, 768
                img = e.wait_until(lambda: keyboard_drawn(s), 5, 0.1)
                res.check(img is not None, "1024x768: the keyboard is drawn anew for the new output")
                if img is not None:
                    s.keep(img, "after-1024x768")
                    res.check(len(e.find_apples(img, s.W, s.H)) == 1, "1024x768: the apple hangs in the new tree")
                res.check(e.steady_blinking_key(s) == target, "1024x768: the same target's key blinks", f"{target}")
            finally:
                stop(wm)
    with res.group("the Chinese help at 800 x 600, with and without the window manager"):
        for managed in (False, True):
            with e.Session(args, 800, 600, f"zh-800x600-{'mutter' if managed else 'bare'}") as s:
                wm, ready = start_mutter(s) if managed else (None, True)
                try:
                    res.require(ready, "mutter manages the X server")
                    s.launch(lang="zh_CN.UTF-8")
                    main_id = s.main_window(40)
                    s.key("F1")
                    box = e.wait_until(lambda: [w for w in s.windows("Pomarel") if w != main_id], 10, 0.1)
                    res.require(box, "F1 opens the help box")
                    x, y, w, h = s.geometry(box[0])
                    what = "under mutter" if managed else "without a window manager"
                    res.check(x >= 0 and y >= 0 and x + w <= 800 and y + h <= 600,
                              f"{what}: the Chinese help box is wholly on the 800x600 screen", f"{w}x{h} at {x},{y}")
                    s.keep(s.shot(), "help")
                finally:
                    if wm is not None:
                        stop(wm)
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
