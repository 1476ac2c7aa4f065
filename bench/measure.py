#!/usr/bin/env python3
"""Whole-process figures of the program under a private Xvfb at 1920 x 1080.

Prints one "name: value unit" line per figure on stdout; progress goes to stderr.

  first_paint_ms           start-up to the first full paint, median of --runs launches
  rss_mib (and _anon, _file, _shmem, pss_mib)
                           resident memory a second after the first paint, by what backs it
  key_to_screen_p50_ms     F2 (the next apple) to the first X DAMAGE in the tree's part of the
                           screen, timed by xprobe; also the 90th percentile and a control run
  peak_rss_mb              VmHWM after start-up, F2, typing and a few seconds of blinking
  cpu_idle_percent         CPU of the program over --cpu-seconds before Start
  cpu_practising_percent   the same after F2, with no key typed

Figures with a goal carry it after the unit: "name: value unit  goal <= G unit: met|missed".
"""

import argparse
import os
import select
import shutil
import signal
import statistics
import string
import subprocess
import sys
import tempfile
import time

WIDTH, HEIGHT = 1920, 1080
TRACE_PREFIX = "pomarel: first-paint "


def progress(text):
    print(f"measure: {text}", file=sys.stderr, flush=True)


def figure(name, value, unit, goal=None):
    """One "name: value unit" line; with a goal (an upper bound in the same unit), whether it is met."""
    line = f"{name}: {value:.3f} {unit}"
    if goal is not None:
        line += f"  goal <= {goal:g} {unit}: {'met' if value <= goal else 'missed'}"
    print(line, flush=True)


def percentile(values, q):
    """Nearest-rank percentile, q in 0..100 (as pomarel_bench computes it)."""
    ordered = sorted(values)
    rank = max(1, min(len(ordered), -(-q * len(ordered) // 100)))
    return ordered[int(rank) - 1]


class Xvfb:
    """An X server on a display number of its own choosing (-displayfd), so runs never collide."""

    def __init__(self, width, height, number=None):
        if number is not None:
            self._start_on(width, height, number)
            return
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_fd], [], [], 0.5)
            if ready:
                chunk = os.read(read_fd, 64)
                if not chunk:
                    break
                number += chunk
        os.close(read_fd)
        if not number.strip():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number.decode().strip()
        progress(f"Xvfb on display {self.display} ({width}x{height})")

    def _start_on(self, width, height, number):
        """On a display number given by the caller (a shared machine where each user has a range)."""
        self.display = f":{number}"
        if os.path.exists(f"/tmp/.X11-unix/X{number}"):
            raise RuntimeError(f"display {self.display} is already in use")
        self.proc = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            if self.proc.poll() is not None or time.monotonic() > deadline:
                self.stop()
                raise RuntimeError(f"Xvfb did not start on {self.display}")
            time.sleep(0.05)
        progress(f"Xvfb on display {self.display} ({width}x{height})")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class Program:
    """One run of the program, started with POMAREL_TRACE=1; 'launched' is time.monotonic()
    taken just before the fork and exec."""

    def __init__(self, binary, env, cwd):
        self.launched = time.monotonic()
        self.proc = subprocess.Popen([binary], env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.stderr_tail = []
        self.cpu_at_first_paint = 0.0

    def wait_first_paint(self, timeout=30.0):
        """CLOCK_MONOTONIC seconds of the first full paint, from the program's own trace line;
        cpu_at_first_paint is the process's CPU seconds read the moment the line arrives."""
        fd = self.proc.stderr.fileno()
        buffer = b""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            ready, _, _ = select.select([fd], [], [], 0.2)
            if not ready:
                if self.proc.poll() is not None:
                    break
                continue
            chunk = os.read(fd, 4096)
            if not chunk:
                break
            buffer += chunk
            while b"\n" in buffer:
                line, buffer = buffer.split(b"\n", 1)
                text = line.decode(errors="replace")
                if text.startswith(TRACE_PREFIX):
                    self.cpu_at_first_paint = self.cpu_seconds()
                    return float(text[len(TRACE_PREFIX):])
                self.stderr_tail = (self.stderr_tail + [text])[-20:]
        raise RuntimeError("no first-paint trace; program said: " + " | ".join(self.stderr_tail))

    def drain(self):
        """Reads what the program wrote on stderr so the pipe never fills up."""
        fd = self.proc.stderr.fileno()
        while select.select([fd], [], [], 0)[0]:
            if not os.read(fd, 65536):
                break

    def cpu_seconds(self):
        with open(f"/proc/{self.proc.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        # Fields 14 and 15 of the line (utime, stime), counted from the state as field 3.
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def memory_kb(self):
        """Resident kB by what backs it (/proc/PID/status), and PSS (/proc/PID/smaps_rollup)."""
        out = {key: self.status_kb(key) for key in ("VmRSS", "RssAnon", "RssFile", "RssShmem")}
        with open(f"/proc/{self.proc.pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Pss:"):
                    out["Pss"] = int(line.split()[1])
        return out

    def status_kb(self, key):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
        raise RuntimeError(f"{key} missing from /proc/{self.proc.pid}/status")

    def alive(self):
        return self.proc.poll() is None

    def stop(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.proc.stderr.close()


def xdotool(env, *args):
    subprocess.run(["xdotool", *args], env=env, check=True, stdout=subprocess.DEVNULL)


def xprobe_latencies(xprobe, env, count, control):
    """Milliseconds from an F2 sent with XTest to the first X DAMAGE in the top 700 rows (where
    the next apple shows), each after 100 ms of a quiet screen; None for a trial that saw no
    damage within a second. With control, no key is sent: any damage is spontaneous."""
    cmd = [xprobe, "key", "-k", "F2", "-n", str(count), "-q", "100", "-w", "1000",
           "-r", f"{WIDTH}x700+0+0"] + (["-c"] if control else [])
    out = subprocess.run(cmd, env=env, check=True, capture_output=True, text=True,
                         timeout=30 + 12 * count).stdout
    values = []
    for line in out.splitlines():
        if not line.startswith("trial "):
            continue
        if "latency_ms=" in line:
            values.append(float(line.split("latency_ms=")[1].split()[0]))
        else:
            values.append(None)
    if len(values) != count:
        raise RuntimeError("xprobe printed " + str(len(values)) + " trials of " + str(count) + ": " + out)
    return values


def measure_first_paint(binary, env, cwd, runs):
    """Wall times to the first paint, and the CPU the process used until then (which other
    load on the machine does not inflate), both in ms."""
    times, cpu = [], []
    for i in range(runs):
        prog = Program(binary, env, cwd)
        try:
            painted = prog.wait_first_paint()
        finally:
            prog.stop()
        times.append((painted - prog.launched) * 1000.0)
        cpu.append(prog.cpu_at_first_paint * 1000.0)
        progress(f"first paint run {i + 1}/{runs}: {times[-1]:.1f} ms (CPU {cpu[-1]:.0f} ms)")
        time.sleep(0.3)
    return times, cpu


def screen_follow_ms(prog, env):
    """Milliseconds from a resolution change (xrandr, to 1366 x 768 and back) to the program's
    trace that its window is laid out and painted for the new screen; empty without xrandr."""
    if shutil.which("xrandr") is None:
        progress("no xrandr: the screen-change figure is skipped")
        return []
    subprocess.run(["xrandr", "--newmode", "1366x768_bench", "60", "1366", "1374", "1382", "1390", "768", "769",
                    "770", "771"], env=env, capture_output=True)
    subprocess.run(["xrandr", "--addmode", "screen", "1366x768_bench"], env=env, capture_output=True)
    prog.drain()
    out = []
    for mode, w in (("1366x768_bench", 1366), (f"{WIDTH}x{HEIGHT}", WIDTH)):
        t0 = time.monotonic()
        subprocess.run(["xrandr", "--output", "screen", "--mode", mode], env=env, capture_output=True, check=True)
        fd = prog.proc.stderr.fileno()
        buffer = b""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if not select.select([fd], [], [], 0.2)[0]:
                continue
            buffer += os.read(fd, 65536)
            lines = [l.decode(errors="replace") for l in buffer.split(b"\n")]
            done = [l for l in lines if l.startswith(f"pomarel: screen-followed {w} ")]
            if done:
                out.append((float(done[0].split()[-1]) - t0) * 1000.0)
                break
        else:
            raise RuntimeError(f"the program did not follow the screen to {mode}")
    return out


def cpu_percent(prog, seconds):
    prog.drain()
    c0, t0 = prog.cpu_seconds(), time.monotonic()
    end = t0 + seconds
    while time.monotonic() < end:
        time.sleep(min(1.0, max(0.0, end - time.monotonic())))
        prog.drain()
    c1, t1 = prog.cpu_seconds(), time.monotonic()
    return (c1 - c0) / (t1 - t0) * 100.0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--binary", required=True)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--cpu-seconds", type=float, default=30.0)
    parser.add_argument("--cycles", type=int, default=200,
                        help="times the 26 letters are typed; each cycle holds the target at least once")
    parser.add_argument("--blink-seconds", type=float, default=4.0)
    parser.add_argument("--xprobe", help="the xprobe program; without it no key-to-screen figures")
    parser.add_argument("--latency-keys", type=int, default=40)
    parser.add_argument("--control-keys", type=int, default=10)
    parser.add_argument("--display", type=int, help="X display number for the private Xvfb (default: a free one)")
    args = parser.parse_args()

    binary = os.path.abspath(args.binary)
    workdir = tempfile.mkdtemp(prefix="pomarel-measure-")  # no Face.jpg here
    runtime = tempfile.mkdtemp(prefix="pomarel-xdg-")
    xvfb = Xvfb(WIDTH, HEIGHT, args.display)
    env = dict(os.environ)
    for key in ("LC_ALL", "LC_MESSAGES", "QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
        env.pop(key, None)
    env.update({
        "DISPLAY": xvfb.display,
        "QT_QPA_PLATFORM": "xcb",
        "SDL_AUDIODRIVER": "dummy",
        "LANG": "en_US.UTF-8",
        "POMAREL_TRACE": "1",
        "XDG_RUNTIME_DIR": runtime,
    })
    try:
        times, cpu = measure_first_paint(binary, env, workdir, args.runs)
        figure("first_paint_ms", statistics.median(times), "ms", goal=90)
        figure("first_paint_min_ms", min(times), "ms")
        figure("first_paint_max_ms", max(times), "ms")
        figure("first_paint_cpu_ms", statistics.median(cpu), "ms")
        with open("/proc/loadavg") as f:
            figure("load_average_1min", float(f.read().split()[0]), "runnable")

        # CPU before Start and while practising, in one run of the program.
        prog = Program(binary, env, workdir)
        try:
            prog.wait_first_paint()
            time.sleep(2.0)
            progress(f"CPU idle over {args.cpu_seconds:.0f} s")
            idle = cpu_percent(prog, args.cpu_seconds)
            xdotool(env, "key", "F2")
            time.sleep(1.0)
            progress(f"CPU practising over {args.cpu_seconds:.0f} s")
            practising = cpu_percent(prog, args.cpu_seconds)
            if not prog.alive():
                raise RuntimeError("the program ended while being measured")
            figure("cpu_idle_percent", idle, "%")
            figure("cpu_practising_percent", practising, "%")
        finally:
            prog.stop()

        # Memory at rest, key-to-screen latency, then peak memory after a session: F2, every
        # letter typed in turn (at least one right key per 26, most of them wrong, which also
        # blinks the hand), then blinking alone.
        prog = Program(binary, env, workdir)
        try:
            prog.wait_first_paint()
            rss_after_start = prog.status_kb("VmHWM")
            time.sleep(1.0)
            prog.drain()
            mem = prog.memory_kb()
            figure("rss_mib", mem["VmRSS"] / 1024.0, "MiB", goal=40)
            figure("rss_anon_mib", mem["RssAnon"] / 1024.0, "MiB")
            figure("rss_file_mib", mem["RssFile"] / 1024.0, "MiB")
            figure("rss_shmem_mib", mem["RssShmem"] / 1024.0, "MiB")
            figure("pss_mib", mem["Pss"] / 1024.0, "MiB")
            xdotool(env, "key", "F2")
            time.sleep(0.5)
            if args.xprobe:
                progress(f"key to screen: {args.latency_keys} F2 keys, then {args.control_keys} without a key")
                lat = xprobe_latencies(args.xprobe, env, args.latency_keys, control=False)
                prog.drain()
                seen = [v for v in lat if v is not None]
                if not seen:
                    raise RuntimeError("no F2 changed the screen")
                figure("key_to_screen_p50_ms", percentile(seen, 50), "ms", goal=1.0)
                figure("key_to_screen_p90_ms", percentile(seen, 90), "ms", goal=1.5)
                figure("key_to_screen_max_ms", max(seen), "ms")
                figure("key_to_screen_keys", len(seen), "keys")
                figure("key_to_screen_unseen", len(lat) - len(seen), "keys")
                control = xprobe_latencies(args.xprobe, env, args.control_keys, control=True)
                prog.drain()
                figure("key_to_screen_control_damaged", sum(v is not None for v in control), "trials")
                figure("key_to_screen_control_trials", len(control), "trials")
            else:
                progress("no --xprobe: key-to-screen figures skipped")
            progress(f"typing {args.cycles} x 26 letters")
            typed = string.ascii_lowercase * args.cycles
            cpu0 = prog.cpu_seconds()
            chunk = 26 * 20
            for i in range(0, len(typed), chunk):
                xdotool(env, "type", "--delay", "2", typed[i:i + chunk])
                prog.drain()
            cpu_typing = prog.cpu_seconds() - cpu0
            time.sleep(args.blink_seconds)
            prog.drain()
            if not prog.alive():
                raise RuntimeError("the program ended while typing")
            figure("rss_after_start_mb", rss_after_start / 1024.0, "MB")
            figure("peak_rss_mb", prog.status_kb("VmHWM") / 1024.0, "MB")
            figure("rss_end_mb", prog.status_kb("VmRSS") / 1024.0, "MB")
            figure("keys_typed", len(typed), "keys")
            figure("cpu_per_typed_key_us", cpu_typing / len(typed) * 1e6, "us")
            follow = screen_follow_ms(prog, env)
            if follow:
                figure("screen_change_to_painted_ms", max(follow), "ms", goal=1000)
        finally:
            prog.stop()
    finally:
        xvfb.stop()
        for d in (workdir, runtime):
            try:
                os.rmdir(d)
            except OSError:
                pass
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    sys.exit(main())
