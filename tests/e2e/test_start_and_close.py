#!/usr/bin/env python3
"""Start and close at 1024 x 768: the installed program maps a 1024 x 768 window at (0, 0), keeps
it up for 3 s, and ends with status 0 when closed (Esc, then Enter on the question's default
button, Yes). Without a display it says so in one line and ends with status 1, no abort, no core."""

import os
import shutil
import subprocess
import sys
import tempfile
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
        res.require(e.wait_until(lambda: len(s.windows()) == 2, 20), "Esc shows the exit question")
        s.key("Return")
        status = s.wait_exit(10)
        res.check(status == 0, "Enter (Yes, the default button) ends the program with status 0", f"status {status}")
        res.check(e.wait_until(lambda: not s.windows(), 3), "no window of the program is left")
    with res.group("no display"):
        no_display(res, args)
    return res.finish()


def no_display(res, args):
    free = next(n for n in range(900, 1000) if not Path(f"/tmp/.X11-unix/X{n}").exists())
    runtime = tempfile.mkdtemp(prefix="pomarel-nodisplay-")
    cases = (
        ("neither DISPLAY nor WAYLAND_DISPLAY", {}),
        ("an X display nobody serves", {"DISPLAY": f":{free}"}),
        ("a Wayland display nobody serves", {"WAYLAND_DISPLAY": "wayland-nobody", "QT_QPA_PLATFORM": "wayland"}),
    )
    for what, extra in cases:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update({"LANG": "en_US.UTF-8", "SDL_AUDIODRIVER": "dummy", "XDG_RUNTIME_DIR": runtime}, **extra)
        try:
            r = subprocess.run([args.binary], env=env, cwd=runtime, stdin=subprocess.DEVNULL, capture_output=True,
                               text=True, timeout=30)
        except subprocess.TimeoutExpired:
            res.check(False, f"{what}: the program ends by itself", "still running after 30 s")
            continue
        lines = (r.stdout + r.stderr).strip().splitlines()
        res.check(r.returncode == 1, f"{what}: the program ends with status 1 (no abort)", f"status {r.returncode}")
        res.check(len(lines) == 1 and lines[0].startswith("pomarel: ") and "display" in lines[0].lower(),
                  f"{what}: one line says there is no display", f"{lines}")
    shutil.rmtree(runtime, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
