#!/usr/bin/env python3
# Records what full-screen programs send to an 80x24 pseudo-terminal under each
# TERM value, with a few scripted keystrokes, into data/PROGRAM-TERM.vt. The
# recording stops before the program quits, so its last screen is the program's.
# Run by hand when the recordings need renewing: python3 record-programs.py
import os, pty, select, signal, struct, fcntl, termios, time, tempfile, sys

HERE = os.path.dirname(os.path.abspath(__file__))
TERMS = ["vt100", "vt220", "xterm-256color"]
DOWN = b"\x1bOB"  # the arrow as programs that turned on keypad mode expect it

TEXT = "".join(f"line {n:3}: the quick brown fox jumps over the lazy dog {n * 7 % 100}\n" for n in range(1, 120))
SOURCE = """#include <stdio.h>

/* A small program to edit. */
int main(int argc, char **argv)
{
    for (int i = 0; i < argc; ++i)
        printf("%d: %s\\n", i, argv[i]);
    return 0;
}
"""

def programs(work):
    text, source = os.path.join(work, "text.txt"), os.path.join(work, "main.c")
    with open(text, "w") as f: f.write(TEXT)
    with open(source, "w") as f: f.write(SOURCE)
    return {
        "vi": (["vi", "-u", "NONE", "-i", "NONE", "-N", source],
               [b"4j", b"dd", b"otrace(argc);\x1b", b":set nu\r", b"/return\r"]),
        "less": (["less", text], [b" ", b"/fox jumps over the lazy dog 4\r", b"b"]),
        "top": (["top", "-d", "5"], [b"M"]),
        "htop": (["htop", "-d", "50"], [DOWN, DOWN]),
        "menu": (["dialog", "--menu", "Pick a board", "15", "50", "5", "a", "ARM board", "b", "RISC-V board",
                  "c", "x86 box", "d", "MIPS router", "e", "AVR", "f", "ESP32"], [DOWN, DOWN]),
        "checklist": (["dialog", "--checklist", "Options", "15", "50", "4", "1", "Logging", "on", "2", "Echo",
                       "off", "3", "Timestamps", "off", "4", "Colour", "on"], [b" ", DOWN, b" "]),
        "shell": (["bash", "--norc", "--noprofile", "-i"],
                  [b"PS1='\\[\\e[1;32m\\]board\\[\\e[0m\\]:\\w\\$ '\r", b"cd /usr/share/doc\r",
                   b"ls --color=always -l | head -30\r",
                   b"printf '\\e[7mrev\\e[0m \\e[38;2;255;128;0mrgb\\e[0m \\xe4\\xb8\\xad\\xe6\\x96\\x87 e\\xcc\\x81\\n'\r"]),
    }

def drain(fd, out, quiet):
    """Reads until `quiet` seconds pass without output."""
    while True:
        ready, _, _ = select.select([fd], [], [], quiet)
        if not ready:
            return
        try:
            data = os.read(fd, 65536)
        except OSError:
            return
        if not data:
            return
        out += data

def record(argv, keys, term, home):
    pid, fd = pty.fork()
    if pid == 0:
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "TERM": term, "LANG": "C.UTF-8", "COLUMNS": "80", "LINES": "24"}
        os.execvpe(argv[0], argv, env)
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
    out = bytearray()
    drain(fd, out, 1.5)
    for key in keys:
        os.write(fd, key)
        drain(fd, out, 0.7)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    os.close(fd)
    return bytes(out)

def main():
    only = sys.argv[1:]
    with tempfile.TemporaryDirectory() as work:
        for name, (argv, keys) in programs(work).items():
            if only and name not in only:
                continue
            for term in TERMS:
                data = record(argv, keys, term, work)
                path = os.path.join(HERE, "data", f"{name}-{term}.vt")
                with open(path, "wb") as f: f.write(data)
                print(f"{path}: {len(data)} bytes")

main()
