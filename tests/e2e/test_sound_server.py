#!/usr/bin/env python3
"""Sound through a real sound server that stops and comes back, at 800 x 600.

A private PulseAudio server (a null sink, an anonymous unix socket in a scratch folder) is started
by this script; the program plays to it (SDL_AUDIODRIVER=pulseaudio). What the server plays is
recorded from the null sink's monitor with parec, and the program's stream is seen with
`pactl list short sink-inputs`.

Checked:
- with the server up, F2 is heard (the blinking key's name, loud samples on the monitor);
- the server killed: the program stays alive, answers keys (a key still blinks, F2 shows a new one)
  and does not spin: its CPU time over a few seconds is printed and bounded;
- the server started again: the program's stream comes back by itself (printed: seconds from the
  server answering to the stream being there), and F2 is heard again;
- a second loss and return works the same way;
- a server that hangs (stopped with SIGSTOP) holds up no key: F2 still shows a new blinking key;
  once it goes on (SIGCONT), F2 is heard.

Skipped, with a message, where no PulseAudio server can run here.
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 800, 600
RATE = 11025
LOUD = 800  # a sample above this is a sound, not silence
# Loose bounds that tell "comes back by itself" and "does not spin" apart from their faults; the
# figures themselves are printed. Nominally the stream is back within about 2 s, and the program
# takes under 1 % of a core without a server.
BACK_LIMIT = 60.0  # bound of the wait for the stream to come back once the server answers (it tries every 1 to 2 s)
CPU_LIMIT = 0.5  # share of one core the program may use with no server (a busy loop takes 1.0)


class Server:
    """One PulseAudio server on a fixed socket; started and killed at will."""

    def __init__(self, folder, outdir):
        self.folder = folder
        self.socket = folder / "pulse.sock"
        self.outdir = outdir
        self.proc = None
        self.starts = 0
        self.client_conf = folder / "client.conf"
        self.client_conf.write_text("autospawn = no\n")
        home = folder / "home"
        home.mkdir(exist_ok=True)
        runtime = folder / "runtime"
        runtime.mkdir(mode=0o700, exist_ok=True)
        self.env = dict(os.environ, HOME=str(home), XDG_RUNTIME_DIR=str(runtime),
                        PULSE_SERVER=f"unix:{self.socket}", PULSE_CLIENTCONFIG=str(self.client_conf))
        self.env.pop("DISPLAY", None)

    def start(self, timeout=10):
        self.starts += 1
        log = open(self.outdir / f"pulseaudio-{self.starts}.log", "wb")
        self.proc = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--log-target=stderr",
             "-L", f"module-native-protocol-unix auth-anonymous=1 socket={self.socket}",
             "-L", "module-null-sink sink_name=pomarel_null rate=44100"],
            env=self.env, stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True,
            preexec_fn=e._die_with_parent)
        log.close()
        return e.wait_until(lambda: self.proc.poll() is None and self.pactl("info") is not None, timeout, 0.05)

    def kill(self):
        if self.proc is not None and self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait(timeout=5)
        self.proc = None

    def pactl(self, *args):
        try:
            r = subprocess.run(["pactl", *args], env=self.env, capture_output=True, text=True, timeout=5)
        except subprocess.TimeoutExpired:
            return None
        return r.stdout if r.returncode == 0 else None

    def streams(self):
        """Sink inputs (playing streams) of the server; None when it does not answer."""
        out = self.pactl("list", "short", "sink-inputs")
        return None if out is None else [line for line in out.splitlines() if line.strip()]


class Recorder:
    """The null sink's monitor, recorded as 16-bit mono at 11025 Hz while it runs."""

    def __init__(self, server, path):
        self.path = path
        self.proc = subprocess.Popen(
            ["parec", "--device=pomarel_null.monitor", "--raw", "--format=s16le", "--channels=1",
             f"--rate={RATE}", "--latency-msec=50", str(path)],
            env=server.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=e._die_with_parent)

    def size(self):
        try:
            return os.path.getsize(self.path) // 2
        except FileNotFoundError:
            return 0

    def loudest_since(self, sample):
        try:
            data = Path(self.path).read_bytes()[2 * sample:]
        except FileNotFoundError:
            return 0
        best = 0
        for i in range(0, len(data) - 1, 2):
            v = abs(int.from_bytes(data[i:i + 2], "little", signed=True))
            if v > best:
                best = v
                if best > LOUD:
                    break
        return best

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=5)


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def heard_after_f2(res, s, server, rec_path, what):
    """F2 shows a new target; its name is heard on the monitor within two seconds."""
    rec = Recorder(server, rec_path)
    try:
        e.wait_until(lambda: rec.size() > 0, 3, 0.05)
        mark = rec.size()
        s.key("F2")
        cell, _ = e.blinking_key(s)
        res.check(cell is not None, f"{what}: after F2 one key blinks")
        loud = e.wait_until(lambda: rec.loudest_since(mark) > LOUD, 2.5, 0.1)
        res.check(loud, f"{what}: the key's name is heard on the server after F2",
                  f"loudest sample since F2: {rec.loudest_since(mark)} (recorded {rec.size() - mark} samples)")
    finally:
        rec.stop()


def wait_back(res, s, server, what):
    """Starts the server again and measures how long the program's stream takes to come back."""
    res.require(server.start(), f"{what}: the server starts again")
    answered = time.monotonic()
    back = e.wait_until(lambda: len(server.streams() or []) >= 1, BACK_LIMIT, 0.05)
    took = time.monotonic() - answered
    print(f"   stream back {took:.2f} s after the server answered", flush=True)
    res.check(back, f"{what}: the program's stream comes back by itself",
              f"none after {took:.2f} s: {server.streams()}")
    return took


def gone_for_a_while(res, s, server, what, seconds=6.0):
    """Kills the server; the program stays alive and answers keys, without spinning."""
    server.kill()
    time.sleep(1.0)  # let the program notice
    res.require(s.alive(), f"{what}: the program is alive after the server was killed")
    before = cpu_seconds(s.app.pid)
    started = time.monotonic()
    s.key("F2")
    cell, _ = e.blinking_key(s)
    res.check(cell is not None, f"{what}: with no server F2 still shows a blinking key")
    s.type("q")
    time.sleep(max(0.0, seconds - (time.monotonic() - started)))
    share = (cpu_seconds(s.app.pid) - before) / (time.monotonic() - started)
    print(f"   CPU with no server: {100 * share:.1f} % of one core over {seconds:.0f} s", flush=True)
    res.check(s.alive(), f"{what}: the program is alive after keys with no server")
    res.check(share <= CPU_LIMIT, f"{what}: the program does not spin while no server is there",
              f"{100 * share:.1f} % of one core")


def hangs_for_a_while(res, s, server):
    """Stops the server's process: the program keeps answering keys; it is heard once it goes on."""
    server.proc.send_signal(signal.SIGSTOP)
    try:
        for n in range(3):
            started = time.monotonic()
            s.key("F2")
            cell, _ = e.blinking_key(s)
            res.check(cell is not None, f"server hung: F2 number {n + 1} shows a blinking key",
                      f"nothing blinked within {time.monotonic() - started:.1f} s")
            time.sleep(0.5)
        res.check(s.alive(), "server hung: the program is alive")
    finally:
        server.proc.send_signal(signal.SIGCONT)
    time.sleep(0.5)


def main():
    args = e.parse_args(__file__)
    for tool in ("pulseaudio", "pactl", "parec"):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed (tools/setup-deps installs pulseaudio and pulseaudio-utils)")
            return 0
    res = e.Results()
    folder = Path(tempfile.mkdtemp(prefix="pomarel-pulse-"))
    server = Server(folder, args.outdir)
    try:
        if not server.start():
            server.kill()
            log = (args.outdir / "pulseaudio-1.log").read_text(errors="replace")[-1500:]
            print(f"SKIP: no PulseAudio server can run here; its log ends:\n{log}")
            return 0
        with e.Session(args, W, H, "server") as s:
            s.launch(extra_env={"SDL_AUDIODRIVER": "pulseaudio", "PULSE_SERVER": server.env["PULSE_SERVER"],
                                "HOME": server.env["HOME"],
                                "PULSE_CLIENTCONFIG": server.env["PULSE_CLIENTCONFIG"]})
            s.main_window()
            with res.group("the server is up"):
                heard_after_f2(res, s, server, folder / "rec-1.raw", "at start")
                res.check(len(server.streams() or []) == 1, "the program plays through one stream",
                          f"{server.streams()}")
                before, started = cpu_seconds(s.app.pid), time.monotonic()
                time.sleep(6.0)
                share = (cpu_seconds(s.app.pid) - before) / (time.monotonic() - started)
                print(f"   CPU with the server up, for comparison: {100 * share:.1f} % of one core over 6 s", flush=True)
            for n in (1, 2):
                with res.group(f"server lost and back, time {n}"):
                    gone_for_a_while(res, s, server, f"loss {n}")
                    wait_back(res, s, server, f"return {n}")
                    heard_after_f2(res, s, server, folder / f"rec-back-{n}.raw", f"after return {n}")
                    res.check(len(server.streams() or []) == 1, f"return {n}: one stream, not more",
                              f"{server.streams()}")
            with res.group("what the program says"):
                # Once when sound is lost, once when it is back, nothing for the attempts between.
                told = [line for line in s.app_output().splitlines() if "sound" in line.lower()]
                res.check(told == ["pomarel: no sound device: playing silently until there is one",
                                   "pomarel: sound is back"] * 2,
                          "two losses and returns: one line each, nothing between", f"{told}")
            with res.group("server hung and going on"):
                hangs_for_a_while(res, s, server)
                heard_after_f2(res, s, server, folder / "rec-hung.raw", "after the hang")
            with res.group("exit"):
                s.key("Escape")
                res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), "Esc shows the exit question")
                s.key("Return")
                status = s.wait_exit(10)
                res.check(status == 0, "Yes ends the program with status 0",
                          f"status {status}; its output ends: {s.app_output()[-1500:]}")
    finally:
        server.kill()
        shutil.rmtree(folder, ignore_errors=True)
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
