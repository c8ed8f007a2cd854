#!/usr/bin/env python3
"""How long the whole program takes to end on SIGTERM (and SIGINT, SIGHUP)
while its answers have queued 300 kB for a device that never reads.

The device is a pseudo-terminal aliased as COM200 in a private settings
directory; with automatic answers on and their echo set, everything it sends
is sent back, and it sends 300 kB. Usage:
    sigterm-exit.py path/to/kestrelon
"""
import json
import os
import pty
import signal
import subprocess
import sys
import tempfile
import time
import tty


def run_once(program, signal_number, home):
    master, slave = pty.openpty()
    tty.setraw(slave)
    slave_path = os.ttyname(slave)
    config = os.path.join(home, "cfg", "Varnoth")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "Kestrelon.conf"), "w") as f:
        f.write("[Ports]\nCOM200=%s\n" % slave_path)
    settings = {
        "comPort": 200,
        "commMode": 0,
        "autoAnswerOn": True,
        "autoAnswerEcho": 1,
    }
    source = os.path.join(home, "answers.json")
    document = os.path.join(home, "answers.kst")
    with open(source, "w") as f:
        json.dump(settings, f)
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "cfg"), HOME=home, QT_QPA_PLATFORM="offscreen")
    subprocess.run([program, "--write-config", source, document], check=True, env=env)
    child = subprocess.Popen([program, document], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(3)  # started, port open
    sent = 0
    while sent < 300000:  # echoed back; nobody reads the echo
        sent += os.write(master, b"x" * min(4096, 300000 - sent))
    time.sleep(1)
    held = len(os.read(master, 1 << 20))  # what the pty buffer took of the echo, read once
    time.sleep(0.5)
    start = time.monotonic()
    child.send_signal(signal_number)
    try:
        child.wait(timeout=10)
        elapsed = time.monotonic() - start
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
        elapsed = float("inf")
    os.close(master)
    os.close(slave)
    return elapsed, child.returncode, held


def main():
    program = sys.argv[1]
    worst = 0.0
    for name in ("SIGTERM", "SIGINT", "SIGHUP"):
        with tempfile.TemporaryDirectory() as home:
            elapsed, code, held = run_once(program, getattr(signal, name), home)
        worst = max(worst, elapsed)
        print("%-8s exited after %7.1f ms with code %s (echo was flowing: %d bytes read once)" %
              (name, elapsed * 1000, code, held))
    return 0 if worst < 1.0 else 1


if __name__ == "__main__":
    sys.exit(main())
