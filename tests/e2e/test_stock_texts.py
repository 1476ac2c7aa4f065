#!/usr/bin/env python3
"""Stock texts in the user's language, read from outside as a screen reader reads them, and the
status of a start that fails.

In each of the seven languages the program speaks, the installed program at 1024 x 768 shows its
Start button, the help box (F1) with its OK button and the exit question (Esc) with its Yes and No
buttons in that language; in Hong Kong and the United States, whose texts are English, the stock
buttons are English too. In English, German and Japanese the help box's text tells how Pomarel
runs, installs and finds its background on Linux, and names F2 and Esc. In German the system menu (Alt+Space) and the report box's context menu (a right
click on it) speak German too; in Japanese the program is closed through the system menu's
Close. Every normal close ends with status 0. In English, the buttons and check boxes stand on
the bus where the program's trace (which the other scripts read the controls' places from) says.

A start on a system where the networking check fails (Internet sockets refused, as a sandbox
refuses them) shows the failure message with its OK button in Spanish and ends with a non-zero
status.

Texts and buttons are read over the accessibility bus (AT-SPI) of a private D-Bus session: the
script runs itself again under dbus-run-session, with Debian's /usr/bin/python3 and its gi
bindings.
"""

import ctypes
import platform
import struct
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(Path(__file__).resolve().parent))
import e2elib as e  # noqa: E402

W, H = 1024, 768

# Locale, Yes, No, OK as the accessibility bus names the buttons (mnemonic marks removed), the
# Start button's caption and the exit question. In Hong Kong and the United States the program
# speaks English, and so do its stock buttons.
LANGUAGES = (
    ("zh_CN.UTF-8", "是(Y)", "否(N)", "确定", "开始", "你真的要关闭吗?"),
    ("zh_TW.UTF-8", "是(Y)", "否(N)", "確定", "開始", "你真的要關閉嗎?"),
    ("en_US.UTF-8", "Yes", "No", "OK", "Start", "Do you really want to close?"),
    ("fr_FR.UTF-8", "Oui", "Non", "OK", "Commencer", "Voulez-vous vraiment fermer?"),
    ("de_DE.UTF-8", "Ja", "Nein", "OK", "Start", "Wollen Sie wirklich zu schließen?"),
    ("ja_JP.UTF-8", "はい(Y)", "いいえ(N)", "OK", "開始", "あなたが本当に閉じますか?"),
    ("es_ES.UTF-8", "Sí", "No", "Aceptar", "Comenzar", "¿Realmente desea cerrar?"),
    ("zh_HK.UTF-8", "Yes", "No", "OK", "Start", "Do you really want to close?"),
    ("es_US.UTF-8", "Yes", "No", "OK", "Start", "Do you really want to close?"),
)
# What the help box says in three languages: how Pomarel runs, installs and finds its background
# on Linux, and the keys F2 and Esc under their own headings at its end.
HELP_SAYS = {
    "en_US.UTF-8": ("runs on a Linux desktop, under X11 or Wayland", "Install the Debian package pomarel",
                    "./run", "your desktop's wallpaper", "Face.jpg and save it in the folder you start Pomarel from",
                    "\n\n2)Help\n\tF1\n\n3)Start\n\tF2\n\n4)Exit\n\tEsc"),
    "de_DE.UTF-8": ("läuft auf einem Linux-Desktop unter X11 oder Wayland", "Debian-Paket pomarel", "./run",
                    "Hintergrundbild Ihres Desktops", "1)üben Sie zu wählen", "Groß-und Kleinschreibung",
                    "\n\n2)Hilfe\n\tF1\n\n3)Starten\n\tF2\n\n4)Beenden\n\tEsc"),
    "ja_JP.UTF-8": ("X11またはWaylandを使うLinuxのデスクトップで動作します", "Debianパッケージpomarel", "./run",
                    "デスクトップの壁紙", "「開始」ボタン",
                    "\n\n2)助け\n\tF1\n\n3)開始\n\tF2\n\n4)終了\n\tEsc"),
}
A11Y = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}


# ---------------------------------------------------------------------------------------------
# A system whose Internet sockets are refused


def refuse_internet_sockets():
    """Runs in the child before exec: a seccomp filter makes socket(AF_INET or AF_INET6, ...)
    fail with EAFNOSUPPORT, as on a system or sandbox without Internet protocols; local (Unix)
    sockets, which the X and D-Bus connections use, stay."""
    audit_arch, socket_nr = {"x86_64": (0xC000003E, 41), "aarch64": (0xC00000B7, 198)}[platform.machine()]
    ld, jeq, ret = 0x20, 0x15, 0x06
    allow, refuse = 0x7FFF0000, 0x00050000 | 97  # SECCOMP_RET_ERRNO | EAFNOSUPPORT
    program = [
        (ld, 0, 0, 4), (jeq, 1, 0, audit_arch), (ret, 0, 0, allow),   # seccomp_data.arch
        (ld, 0, 0, 0), (jeq, 1, 0, socket_nr), (ret, 0, 0, allow),    # seccomp_data.nr
        (ld, 0, 0, 16), (jeq, 1, 0, 2), (jeq, 0, 1, 10),              # args[0]: AF_INET, AF_INET6
        (ret, 0, 0, refuse), (ret, 0, 0, allow),
    ]
    code = ctypes.create_string_buffer(b"".join(struct.pack("<HBBI", *op) for op in program))

    class SockFprog(ctypes.Structure):
        _fields_ = [("len", ctypes.c_ushort), ("filter", ctypes.c_void_p)]
    prog = SockFprog(len(program), ctypes.addressof(code))
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, 15)  # PR_SET_PDEATHSIG, SIGTERM: never outlive the test
    if libc.prctl(38, 1, 0, 0, 0) != 0:  # PR_SET_NO_NEW_PRIVS
        raise OSError(ctypes.get_errno(), "PR_SET_NO_NEW_PRIVS")
    if libc.prctl(22, 2, ctypes.byref(prog), 0, 0) != 0:  # PR_SET_SECCOMP, SECCOMP_MODE_FILTER
        raise OSError(ctypes.get_errno(), "PR_SET_SECCOMP")


def launch_without_internet(s, lang):
    s.app_log = s.args.outdir / f"{s.tag}-app.log"
    with open(s.app_log, "wb") as log:
        s.app = subprocess.Popen([s.args.binary], cwd=s.workdir, env=s.env(lang, A11Y), stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=log, start_new_session=True,
                                 preexec_fn=refuse_internet_sockets)
    return s.app


# ---------------------------------------------------------------------------------------------
# Checks


def stock_buttons(res, s, bus, lang, yes, no, ok, start, question):
    pid = s.app.pid
    buttons = e.wait_until(lambda: bus.push_buttons(pid), 5, 0.1) or []
    res.check(start in buttons, f"{lang}: the Start button reads {start!r}", f"buttons {buttons}")
    s.key("F1")
    box = bus.wait_alert(pid)
    res.check(box is not None and box[1] == [ok], f"{lang}: the help box's button reads {ok!r}",
              f"buttons {box[1] if box else None}")
    if lang in HELP_SAYS and box is not None:
        text = box[0].replace("\r\n", "\n")
        missing = [part for part in HELP_SAYS[lang] if part not in text]
        res.check(not missing and text.endswith(HELP_SAYS[lang][-1]) and "Windows" not in text,
                  f"{lang}: the help box's text tells how Pomarel runs on Linux and names F2 and Esc",
                  f"lacks {missing}; text {text[:300]!r} ... {text[-120:]!r}")
        s.shot(f"help-{lang[:5]}")
    s.key("Return")
    res.require(e.wait_until(lambda: bus.alert(pid) is None, 20), f"{lang}: Enter closes the help box")
    s.key("Escape")
    box = bus.wait_alert(pid)
    res.check(box is not None and box[0] == question, f"{lang}: the exit question reads {question!r}",
              f"box {box}")
    res.check(box is not None and box[1] == [yes, no],
              f"{lang}: the exit question ({box[0] if box else '?'}) has the buttons {yes!r} and {no!r}",
              f"buttons {box[1] if box else None}")
    if box is not None:
        s.shot(f"exit-question-{lang[:5]}")


def controls_where_traced(res, s, bus, lang):
    """Where the program says it put its controls is where the toolkit shows them: the buttons
    exactly; a check box's indicator and caption (all the bus tells of it) from its left edge."""
    pid = s.app.pid
    traced = e.control_rects(s)
    buttons = sorted(traced[i] for i in (1, 57670, 2))
    res.check(e.wait_until(lambda: bus.extents(pid, "push button") == buttons, 5, 0.1),
              f"{lang}: the buttons stand where the program's trace says",
              f"trace {buttons}, accessibility bus {bus.extents(pid, 'push button')}")
    boxes = sorted(traced[i] for i in e.SET_IDS)

    def boxes_inside():
        got = bus.extents(pid, "check box")
        return len(got) == 4 and all(g[0] == b[0] and e.inside(g, b) for g, b in zip(got, boxes))
    res.check(e.wait_until(boxes_inside, 5, 0.1), f"{lang}: the check boxes stand where the program's trace says",
              f"trace {boxes}, accessibility bus {bus.extents(pid, 'check box')}")


def german_menus(res, s, bus):
    items = bus.popup_items(lambda: s.key("alt+space"))
    res.check(items is not None and items[:2] == ["Minimieren", "Schließen"],
              "de_DE: the system menu reads Minimieren, Schließen", f"items {items}")
    s.shot("system-menu-de")
    s.key("Escape")
    l, t, r, b = e.control_rects(s)[1000]
    items = bus.popup_items(lambda: s.click((l + r) // 2, (t + b) // 2, button=3))
    res.check(items is not None and items == ["Kopieren", "Alles auswählen"],
              "de_DE: the report box's context menu reads Kopieren, Alles auswählen", f"items {items}")
    s.shot("context-menu-de")
    s.key("Escape")


def full_screen_windows(s):
    out = s.x("xdotool", "search", "--onlyvisible", "--class", "pomarel", check=False)
    return [w for w in out.split() if s.geometry(int(w))[2:] == (W, H)]


def main():
    e.on_private_bus(__file__)
    args = e.parse_args(__file__)
    bus = e.Accessibility()
    res = e.Results()
    for lang, yes, no, ok, start, question in LANGUAGES:
        with res.group(f"stock texts in {lang}"), e.Session(args, W, H, lang[:5]) as s:
            s.launch(lang, A11Y)
            s.main_window()
            if lang.startswith("en"):
                controls_where_traced(res, s, bus, lang)
            stock_buttons(res, s, bus, lang, yes, no, ok, start, question)
            if lang.startswith("de"):
                s.key("Escape")  # the question's No
                res.require(e.wait_until(lambda: bus.alert(s.app.pid) is None, 20), "de_DE: Esc answers No")
                german_menus(res, s, bus)
                s.key("Escape")
                res.require(bus.wait_alert(s.app.pid), "de_DE: Esc asks again")
            if lang.startswith("ja"):
                s.key("Escape")
                res.require(e.wait_until(lambda: bus.alert(s.app.pid) is None, 20), "ja_JP: Esc answers No")
                items = bus.popup_items(lambda: s.key("alt+space"))
                res.check(items is not None and items[:2] == ["最小化(N)", "閉じる(C)"],
                          "ja_JP: the system menu reads 最小化(N), 閉じる(C)", f"items {items}")
                s.key("c")  # Close, by its mnemonic
                res.require(bus.wait_alert(s.app.pid), "ja_JP: the system menu's Close asks the exit question")
            s.key("Return")  # Yes, the default button
            status = s.wait_exit(10)
            res.check(status == 0, f"{lang}: Yes ends the program with status 0", f"status {status}")

    with res.group("a start whose networking check fails"), e.Session(args, W, H, "no-inet") as s:
        launch_without_internet(s, "es_ES.UTF-8")
        box = bus.wait_alert(s.app.pid, 20)
        res.require(box is not None, "the program shows a message box",
                    f"status {s.app.poll()}, output {s.app_output()[-800:]}")
        s.shot("failed-start")
        res.check(box[0] == "Windows comm port fails." and box[1] == ["Aceptar"],
                  "it says \"Windows comm port fails.\" with the button Aceptar", f"box {box}")
        res.check(not full_screen_windows(s), "no practice window is shown")
        s.key("Return")
        status = s.wait_exit(10)
        res.check(status is not None and status != 0, "after OK the program ends with a non-zero status",
                  f"status {status}")
    return res.finish()


if __name__ == "__main__":
    sys.exit(main())
