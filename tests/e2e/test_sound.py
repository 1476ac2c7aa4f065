#!/usr/bin/env python3
"""What the program plays, recorded by SDL's disk audio driver, at 800 x 600.

SDL_AUDIODRIVER=disk writes every sample the device plays (signed 16-bit, mono, 11025 Hz, the
format the program opens) to SDL_DISKAUDIOFILE in real time; the recording starts when the first
sound opens the device. The key sounds, ZOK and ZERROR are 16-bit mono 11025 Hz files in
res/wave, played without conversion, so each is found in the recording as an exact run of its
samples. The recording's length before an action marks the moment of that action.

Checked, each at its moment:
- F2: the blinking key's name (Z<letter>) starts at once;
- 1.5 s later it is repeated (the voice repeat timer);
- a wrong character once the name has ended: ZERROR, complete;
- the right character once ZERROR has ended: the next key's name starts at once;
- set 4 (F6): the right character of a target whose next target is a symbol key (which has no
  name) plays ZOK, complete. (When the next target has a name, that name cuts ZOK at once, as
  the program intends; so the check waits for a symbol key to come next.)
  ZOK is dropped, rightly, while the name's repeat plays; the script types the right key between
  the name and its repeat, and accepts a missing ZOK only where the recording holds the repeat and
  the clock shows it began just before the key.
"""

import os
import sys
import time
import wave
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 800, 600
RATE = 11025
SOON = int(0.6 * RATE)  # a sound started by an action begins within this many samples of its mark
TAIL = 512 / RATE  # seconds the program counts a sound as playing after its last sample: one device buffer
SYMBOL_CELLS = {(0, 0), (0, 11), (0, 12), (1, 13), (1, 11), (1, 12), (2, 10), (2, 11), (3, 8)}
MAX_STEPS = 40


class Sound:
    def __init__(self, name):
        with wave.open(str(e.REPO / "res" / "wave" / f"{name}.wav")) as w:
            if (w.getnchannels(), w.getsampwidth(), w.getframerate()) != (1, 2, RATE):
                raise RuntimeError(f"{name}.wav is not 16-bit mono {RATE} Hz")
            self.data = w.readframes(w.getnframes())
        self.name = name
        self.samples = len(self.data) // 2
        # The first 1024 samples from its first loud one identify the sound.
        first = next(i for i in range(self.samples)
                     if abs(int.from_bytes(self.data[2 * i:2 * i + 2], "little", signed=True)) > 800)
        self.lead = first
        self.needle = self.data[2 * first:2 * first + 2048]


class Recording:
    def __init__(self, path):
        self.path = path

    def bytes(self):
        try:
            return Path(self.path).read_bytes()
        except FileNotFoundError:
            return b""

    def mark(self):
        """Samples recorded so far."""
        try:
            return os.path.getsize(self.path) // 2
        except FileNotFoundError:
            return 0

    def find(self, sound, after, data=None):
        """Sample index where sound starts at or after the given one, or None."""
        data = self.bytes() if data is None else data
        pos = data.find(sound.needle, 2 * max(0, after - 8))
        while pos >= 0 and pos % 2:
            pos = data.find(sound.needle, pos + 1)
        return None if pos < 0 else pos // 2 - sound.lead

    def wait_for(self, sound, after, timeout=3.0):
        def found():
            at = self.find(sound, after)
            return None if at is None else (at,)  # sample 0 is a find too
        got = e.wait_until(found, timeout, 0.05)
        return got[0] if got else None

    def complete(self, sound, start):
        """Whether the whole sound is in the recording from start on."""
        data = self.bytes()
        return data[2 * start:2 * start + len(sound.data)] == sound.data

    def wait_position(self, sample, timeout=5.0):
        """Waits until the device has played up to the given sample."""
        return e.wait_until(lambda: self.mark() >= sample, timeout, 0.01)


def name_of(cell):
    ch = e.PLAIN[cell[0]][cell[1]]
    return f"Z{ch.upper()}" if ch.isalnum() else None


def at_once(found, mark, shown_at):
    """Whether a sound that an action starts, found at sample found, began at once: the program
    starts it before it shows the action's effect on the screen, so it begins before the
    recording's length when that effect was seen, give or take two device buffers; or within SOON
    of the action's mark, should the action itself have taken long to arrive."""
    return found is not None and found <= max(mark + SOON, shown_at + 1024)


def blink(res, s, what):
    cell, box = e.blinking_key(s)
    res.require(cell is not None, f"{what}: one key blinks", f"changed area {box}")
    return cell


def apple_bytes(s, img=None):
    img = img or s.shot()
    apples = e.find_apples(img, W, H)
    return img.region(e.bbox(apples[0])) if len(apples) == 1 else None


def glyph_top(s):
    img = s.shot()
    apples = e.find_apples(img, W, H)
    return e.glyph_top(img, e.bbox(apples[0])) if len(apples) == 1 else None


def accept(s, ch, before, timeout=1.5):
    """Types ch; returns whether the apple changed within timeout seconds (the key was right)."""
    s.type(ch)
    return e.wait_until(lambda: (lambda a: a is not None and a != before)(apple_bytes(s)), timeout, 0.03)


def set_one(res, s, rec, sounds):
    mark = rec.mark()
    s.key("F2")
    cell = blink(res, s, "F2")
    shown_at = rec.mark()
    cap_top = glyph_top(s)  # set 1 shows its letters as capitals
    name = sounds[name_of(cell)]
    start = rec.wait_for(name, mark)
    res.require(at_once(start, mark, shown_at),
                f"F2: the name of the blinking key {cell} ({name.name}) is heard at once",
                f"found at sample {start}, F2 at {mark}, the key seen blinking at {shown_at}")
    again = rec.wait_for(name, start + name.samples, 4.0)
    gap = (again - start) / RATE if again is not None else None
    res.check(gap is not None and 1.3 <= gap <= 1.8, f"the name {name.name} is repeated 1.5 s later",
              f"repeated after {gap} s" if gap else "not repeated")
    # A wrong character once the repeated name has ended (and before the next repeat, 0.45 s
    # later). Should this script be too slow for that gap, the next repeat plays and drops ZERROR;
    # then the wrong character is typed once more after that repeat.
    wrong = next(c for c in "qpzmxo" if c != e.PLAIN[cell[0]][cell[1]])
    last = again
    for attempt in range(2):
        rec.wait_position(last + name.samples + 600)
        mark = rec.mark()
        s.type(wrong)
        err = rec.wait_for(sounds["ZERROR"], mark, 1.5)
        if err is not None:
            break
        late = rec.find(name, last + name.samples)
        if late is None:
            break
        res.note(f"the wrong key came as the name was repeated again (at sample {late}); typing it once more")
        last = late
    res.check(err is not None and err - mark <= SOON, "a wrong character is answered by ZERROR at once",
              f"found at {err}, typed at {mark}")
    if err is None:
        return
    rec.wait_position(err + sounds["ZERROR"].samples + 600)
    res.check(rec.complete(sounds["ZERROR"], err), "ZERROR is heard complete")
    # The right character: the next target's name starts at once.
    before = apple_bytes(s)
    mark = rec.mark()
    res.require(accept(s, e.PLAIN[cell[0]][cell[1]], before), "the right character is accepted")
    shown_at = rec.mark()
    nxt = blink(res, s, "after the right key")
    name2 = sounds[name_of(nxt)]
    start2 = rec.wait_for(name2, mark)
    res.check(at_once(start2, mark, shown_at),
              f"after the right key the next key's name ({name2.name}) is heard at once",
              f"found at {start2}, typed at {mark}, the new apple seen at {shown_at}")
    return cap_top


def repeats(rec, sound, first):
    """Starts of the sound in the recording after its play that began at sample first."""
    found, at = [], first
    data = rec.bytes()
    while True:
        at = rec.find(sound, at + sound.samples, data)
        if at is None:
            return found
        found.append(at)


def set_four(res, s, rec, sounds, cap_top):
    """Answers set 4 targets until one is followed by a symbol key; then ZOK must be heard whole.

    ZOK is played only if no sound still plays, as the program judges it by its own clock: a
    sound plays from the moment it is started for its length and one device buffer. So the right
    key is typed once the target's name (or the previous ZOK) is over by that clock, counted from
    the moment the new target was seen (the name started before). A loaded machine may still be
    late for the 1.5 s before the name's repeat; a missing ZOK is then accepted, and the next
    symbol key tried, only where the recording holds that repeat and the clock shows it began
    less than its length before the right key was judged.

    A wrong guess of a letter's case plays ZERROR, after which ZOK may rightly be dropped; so the
    capital is tried first when the character on the apple starts at the capitals' height."""
    mark = rec.mark()
    before = apple_bytes(s)
    sent = time.monotonic()  # the new target, and its name, come after this
    s.key("F6")
    res.require(e.wait_until(lambda: (lambda a: a is not None and a != before)(apple_bytes(s)), 3, 0.03),
                "set 4: F6 shows a new apple")
    seen = time.monotonic()  # ... and before this
    dropped = 0
    for step in range(MAX_STEPS):
        cell = blink(res, s, f"set 4, target {step + 1}")
        img = s.shot()
        before = apple_bytes(s, img)
        top = e.glyph_top(img, e.bbox(e.find_apples(img, W, H)[0])) if before is not None else None
        name = name_of(cell)
        start = None
        if name is not None:
            start = rec.wait_for(sounds[name], mark)
            if start is None:
                res.check(False, f"set 4: the name {name} of key {cell} is heard")
                return
        playing = (sounds[name] if name else sounds["ZOK"]).samples / RATE + TAIL
        pause = seen + playing + 0.05 - time.monotonic()
        if pause > 0:
            time.sleep(pause)
        clean = True
        chars = e.target_chars(cell)
        if len(chars) == 2 and chars[0].isalpha() and cap_top is not None and top == cap_top:
            chars.reverse()
        for ch in chars:
            mark = rec.mark()
            typed = time.monotonic()
            if accept(s, ch, before):
                break
            clean = False  # a wrong guess of the case played ZERROR; ZOK may be dropped for it
            time.sleep(sounds["ZERROR"].samples / RATE + TAIL + 0.05)
        else:
            res.check(False, f"set 4: the target on key {cell} is accepted")
            return
        judged, judged_at = time.monotonic(), rec.mark()  # the right key was judged before this
        shown, sent, seen = sent, typed, judged
        nxt, _ = e.blinking_key(s)
        if nxt is None:
            res.check(False, "set 4: after a right key one key blinks")
            return
        if nxt not in SYMBOL_CELLS or not clean:
            continue
        ok = rec.wait_for(sounds["ZOK"], mark)
        if ok is None and name is not None:
            # The k-th repeat of the name starts no sooner than 1.5 k s after the target was shown.
            again = repeats(rec, sounds[name], start)
            if again and judged - (shown + 1.5 * len(again)) < playing:
                res.note(f"set 4: ZOK was dropped for the repeat of {name} that began just before the right "
                         f"key (at sample {again[-1]}, key at {mark}); trying the next symbol key")
                dropped += 1
                continue
        res.check(at_once(ok, mark, judged_at),
                  f"set 4: a right key followed by the symbol key {nxt} is answered by ZOK at once",
                  f"found at {ok}, typed at {mark}, the new apple seen at {judged_at}")
        if ok is not None:
            rec.wait_position(ok + sounds["ZOK"].samples + 600)
            res.check(rec.complete(sounds["ZOK"], ok), "ZOK is heard complete")
        return
    if dropped:
        res.check(False, "set 4: a right key followed by a symbol key is answered by ZOK",
                  f"in {MAX_STEPS} targets every one of the {dropped} tries came as the name was repeated")
    else:
        res.note(f"no symbol key came next after a clean right key in {MAX_STEPS} targets; ZOK not checked")


def main():
    args = e.parse_args(__file__)
    res = e.Results()
    sounds = {n: Sound(n) for n in ["ZOK", "ZERROR"] + [f"Z{c}" for c in "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"]}
    with e.Session(args, W, H, "sound") as s:
        raw = s.workdir / "audio.raw"
        rec = Recording(raw)
        s.launch(extra_env={"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": str(raw)})
        s.main_window()
        cap_top = None
        with res.group("set 1: name, repeat, ZERROR, next name"):
            cap_top = set_one(res, s, rec, sounds)
        with res.group("set 4: ZOK"):
            set_four(res, s, rec, sounds, cap_top)
        with res.group("exit"):
            s.key("Escape")
            res.require(e.wait_until(lambda: len(s.windows()) >= 2, 20), "Esc shows the exit question")
            s.key("Return")
            res.check(s.wait_exit(10) == 0, "Yes ends the program with status 0")
        data = rec.bytes()
        (args.outdir / "audio.raw").write_bytes(data)
        print(f"   recording: {len(data) // 2} samples ({len(data) / 2 / RATE:.1f} s), kept as audio.raw")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
