#!/usr/bin/env python3
# End-to-end flood of the running program: a pseudo-terminal stands in for a
# serial port, the program shows it in a real window on a private Xvfb display,
# and we measure how fast it drains the line, how quickly its event loop answers
# meanwhile, what CPU it spends per MiB, whether its memory stays flat and how
# soon after exec it answers its first event. `cat` on a second pty, in the same
# run, is the reference for what the kernel side alone can carry; the load
# average goes with every figure, since the machine may be shared.
import argparse
import fcntl
import json
import os
import pty
import select
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time
import tty

MIB = 1024 * 1024
CHUNK = 64 * 1024
COM_NUMBER = 200

# What the program must reach: a share of cat's rate, CPU seconds per MiB for the
# whole process, event latency (median, worst), resident memory growth over the
# start, and the first event answered after exec.
TARGET_CAT_SHARE = 0.5
TARGET_CPU_S_PER_MIB = 0.012
TARGET_LAT_MEDIAN_MS = 20
TARGET_LAT_WORST_MS = 100
TARGET_RSS_GROWTH_MIB = 20
TARGET_READY_S = 0.1


def make_lines(line_bytes, total):
    """Numbered lines of exactly `line_bytes` bytes (CR LF included), about `total` bytes."""
    body = line_bytes - 2
    out = bytearray()
    n = 0
    while len(out) < total:
        text = ("%08d " % n + "abcdefghijklmnopqrstuvwxyz0123456789" * 4)[:body]
        out += text.encode() + b"\r\n"
        n += 1
    return bytes(out)


def open_pty_pair():
    master, slave = pty.openpty()
    tty.setraw(slave)  # the program makes its side raw too; cat needs it done here
    return master, slave, os.ttyname(slave)


def unread(slave):
    return struct.unpack("i", fcntl.ioctl(slave, termios.FIONREAD, b"\0\0\0\0"))[0]


def flood(master, slave, data, total, deadline_s):
    """Writes `total` bytes and waits until the reader has taken them all.
    Returns (bytes accepted, seconds); the master blocks while the slave is full,
    so what the writer manages is the reader's drain rate."""
    os.set_blocking(master, False)
    view = memoryview(data)
    sent = 0
    start = time.monotonic()
    end_by = start + deadline_s
    while sent < total and time.monotonic() < end_by:
        _, ready, _ = select.select([], [master], [], 0.5)
        if not ready:
            continue
        offset = sent % len(data)
        piece = view[offset:offset + min(CHUNK, total - sent, len(data) - offset)]
        try:
            sent += os.write(master, piece)
        except BlockingIOError:
            pass
    # The tty may still hold written bytes it has not yet queued for reading:
    # the reader is done when the queue is found empty twice, a moment apart,
    # and the time is taken at the first of the two.
    while time.monotonic() < end_by:
        if unread(slave) > 0:
            time.sleep(0.0005)
            continue
        elapsed = time.monotonic() - start
        time.sleep(0.002)
        if unread(slave) == 0:
            return sent, elapsed
    return sent - unread(slave), time.monotonic() - start


def vm_rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


class RssSampler(threading.Thread):
    def __init__(self, pid, period=0.1):
        super().__init__(daemon=True)
        self.pid, self.period, self.samples, self.stop = pid, period, [], threading.Event()

    def run(self):
        while not self.stop.is_set():
            kib = vm_rss_kib(self.pid)
            if kib is not None:
                self.samples.append((time.monotonic(), kib))
            self.stop.wait(self.period)


def start_xvfb(workdir):
    for display in range(90, 190):
        if os.path.exists("/tmp/.X%d-lock" % display) or os.path.exists("/tmp/.X11-unix/X%d" % display):
            continue
        proc = subprocess.Popen(["Xvfb", ":%d" % display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=open(os.path.join(workdir, "xvfb.log"), "w"))
        for _ in range(100):
            if os.path.exists("/tmp/.X11-unix/X%d" % display):
                return proc, ":%d" % display
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        stop(proc)
    raise SystemExit("gui-flood: could not start Xvfb (package xvfb)")


def stop(proc):
    if proc and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def write_config(program, workdir, env, lines):
    source = os.path.join(workdir, "flood.json")
    target = os.path.join(workdir, "flood.kst")
    with open(source, "w") as f:
        json.dump({"commMode": 0, "comPort": COM_NUMBER, "comPortManual": True, "screenLines": lines,
                   "dcb": {"BaudRate": 115200, "ByteSize": 8, "Parity": 0, "StopBits": 0}}, f)
    subprocess.run([program, "--write-config", source, target], check=True, env=env)
    return target


def holds_open(pid, path):
    try:
        return any(os.readlink("/proc/%d/fd/%s" % (pid, fd)) == path for fd in os.listdir("/proc/%d/fd" % pid))
    except OSError:
        return False


def read_latencies(path, first_line):
    try:
        with open(path) as f:
            lines = f.read().splitlines()
    except OSError:
        return [], 0
    complete = [int(x) for x in lines[first_line:] if x.strip().isdigit()]
    return complete, len(lines)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def cat_rate(data, total, deadline):
    master, slave, path = open_pty_pair()
    reader = subprocess.Popen(["cat"], stdin=slave, stdout=subprocess.DEVNULL)
    try:
        done, seconds = flood(master, slave, data, total, deadline)
    finally:
        stop(reader)
        os.close(master)
        os.close(slave)
    return done / MIB / seconds, done


def program_phase(name, master, slave, data, total, args, pid, probe, rss):
    probe_start = read_latencies(probe, 0)[1]
    rss_start = len(rss.samples)
    cpu_before, load_before = cpu_seconds(pid), load_average()
    done, seconds = flood(master, slave, data, total, args.deadline)
    cpu_after = cpu_seconds(pid)
    lat, _ = read_latencies(probe, probe_start)
    samples = [kib for _, kib in rss.samples[rss_start:]]
    result = {"phase": name, "mib": done / MIB, "seconds": seconds, "rate": done / MIB / seconds,
              "complete": done >= total, "alive": pid_alive(pid),
              "load": max(load_before, load_average())}
    if cpu_before is not None and cpu_after is not None and done > 0:
        result["cpu_s_per_mib"] = (cpu_after - cpu_before) / (done / MIB)
    if lat:
        result.update(lat_median_ms=statistics.median(lat) / 1000, lat_p99_ms=percentile(lat, 0.99) / 1000,
                      lat_max_ms=max(lat) / 1000, lat_count=len(lat))
    if samples:
        result.update(rss_first_kib=samples[0], rss_max_kib=max(samples), rss_last_kib=samples[-1])
    return result


def show_terminal_view(env):
    """View > Terminal View through the menu's keys, as a user would choose it."""
    if not shutil.which("xdotool"):
        raise SystemExit("gui-flood: --view terminal needs xdotool (package xdotool)")
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Kestrelon"], env=env,
                           capture_output=True, text=True)
    windows = found.stdout.split()
    if not windows:
        raise SystemExit("gui-flood: no Kestrelon window to switch to the Terminal view")
    subprocess.run(["xdotool", "windowfocus", "--sync", windows[-1]], env=env, check=False)
    subprocess.run(["xdotool", "key", "--delay", "200", "alt+v", "r"], env=env, check=True)
    time.sleep(0.5)


def cpu_seconds(pid):
    """User plus system CPU time of the process (all its threads) so far."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return None


def load_average():
    return os.getloadavg()[0]


def pid_alive(pid):
    return os.path.exists("/proc/%d" % pid)


def verdict(met):
    return "met" if met else "MISSED"


def report(phase, cat, verdicts):
    """Prints one phase's figures next to cat's and adds its verdicts."""
    name = phase["phase"]
    share = phase["rate"] / cat if cat > 0 else 0.0
    met = phase["complete"] and share >= TARGET_CAT_SHARE
    verdicts.append(met)
    print("gui-flood: %-14s program %7.2f MiB/s, cat %7.2f MiB/s, %.2f of cat (target %.2f: %s), %.1f MiB in %.2f s, "
          "load %.2f%s" % (name, phase["rate"], cat, share, TARGET_CAT_SHARE, verdict(met), phase["mib"],
                           phase["seconds"], phase["load"], "" if phase["complete"] else ", INCOMPLETE (deadline)"))
    if "cpu_s_per_mib" in phase:
        met = phase["cpu_s_per_mib"] <= TARGET_CPU_S_PER_MIB
        verdicts.append(met)
        print("gui-flood: %-14s CPU %.4f s/MiB (target %.3f: %s)"
              % (name, phase["cpu_s_per_mib"], TARGET_CPU_S_PER_MIB, verdict(met)))
    if "lat_median_ms" in phase:
        met = phase["lat_median_ms"] <= TARGET_LAT_MEDIAN_MS and phase["lat_max_ms"] <= TARGET_LAT_WORST_MS
        verdicts.append(met)
        print("gui-flood: %-14s event latency median %.2f ms, p99 %.2f ms, worst %.2f ms over %d probes "
              "(target %d/%d ms: %s)" % (name, phase["lat_median_ms"], phase["lat_p99_ms"], phase["lat_max_ms"],
                                          phase["lat_count"], TARGET_LAT_MEDIAN_MS, TARGET_LAT_WORST_MS, verdict(met)))
    else:
        verdicts.append(False)
        print("gui-flood: %-14s event latency: no probe samples (MISSED)" % name)
    if "rss_max_kib" in phase:
        print("gui-flood: %-14s resident memory %.1f MiB at start, %.1f MiB at most, %.1f MiB at end"
              % (phase["phase"], phase["rss_first_kib"] / 1024, phase["rss_max_kib"] / 1024,
                 phase["rss_last_kib"] / 1024))


def spread(starts):
    """Median, fastest and slowest of (seconds, CPU seconds) start-ups."""
    answered = [(r, c or 0) for r, c in starts if r is not None]
    if len(answered) < len(starts) or not answered:
        return "no answer in %d of %d starts" % (len(starts) - len(answered), len(starts))
    seconds = sorted(r for r, _ in answered)
    return "median %.3f s (%.3f to %.3f s over %d starts, CPU median %.3f s)" % (
        statistics.median(seconds), seconds[0], seconds[-1], len(seconds),
        statistics.median(c for _, c in answered))


def first_answer_seconds(argv, env, probe, deadline=10.0):
    """Seconds from exec until the window's thread answers its first event (the
    probe's first line), and the CPU seconds the program spent until then (what
    a busy machine does not inflate)."""
    if os.path.exists(probe):
        os.remove(probe)
    started = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while time.monotonic() < started + deadline and proc.poll() is None:
            try:
                with open(probe) as f:
                    if f.readline().endswith("\n"):
                        return time.monotonic() - started, cpu_seconds(proc.pid)
            except OSError:
                pass
            time.sleep(0.0005)
        return None, None
    finally:
        stop(proc)
        # The display server goes on releasing what the client held for a
        # while after it exits; the next start would share that moment.
        time.sleep(0.3)


def main():
    parser = argparse.ArgumentParser(description="Flood the program through a pseudo-terminal under Xvfb.")
    parser.add_argument("program", help="path of the kestrelon executable")
    parser.add_argument("--mib", type=int, default=int(os.environ.get("FLOOD_MIB", "256")),
                        help="MiB sent per line length (default 256, or $FLOOD_MIB)")
    parser.add_argument("--deadline", type=float, default=120.0, help="seconds allowed per phase")
    parser.add_argument("--keep", action="store_true", help="keep the work directory")
    parser.add_argument("--reference", help="the bare Qt window started beside the program for start-up")
    parser.add_argument("--starts", type=int, default=9, help="start-ups timed (default 9)")
    parser.add_argument("--view", choices=("ascii", "terminal"), default="ascii",
                        help="the view shown during the floods (terminal needs xdotool)")
    parser.add_argument("--lines", type=int, default=1000,
                        help="screen lines the ASCII and hex views keep (default 1000)")
    parser.add_argument("--screenshot", help="PNG of the screen after the flood (needs ImageMagick's import)")
    args = parser.parse_args()
    for tool in ("Xvfb", "cat"):
        if not shutil.which(tool):
            raise SystemExit("gui-flood: %s is missing (package %s)" % (tool, "xvfb" if tool == "Xvfb" else "coreutils"))

    workdir = tempfile.mkdtemp(prefix="kestrelon-flood-")
    total = args.mib * MIB
    long_lines, short_lines = make_lines(59, 4 * MIB), make_lines(10, 4 * MIB)
    # The kernel-only reference first, while nothing else competes for the cores.
    # Whole lines only, so the screen ends on a complete line.
    total59, total10 = total - total % 59, total - total % 10
    load_at_cat = load_average()
    cat59, _ = cat_rate(long_lines, total59, args.deadline)
    cat10, _ = cat_rate(short_lines, total10, args.deadline)

    xvfb, display = start_xvfb(workdir)
    master, slave, slave_path = open_pty_pair()
    probe = os.path.join(workdir, "latency.txt")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=workdir,
               XDG_CONFIG_HOME=os.path.join(workdir, "config"), XDG_RUNTIME_DIR=workdir,
               KESTRELON_LATENCY_PROBE=probe)
    os.makedirs(os.path.join(env["XDG_CONFIG_HOME"], "Varnoth"))
    with open(os.path.join(env["XDG_CONFIG_HOME"], "Varnoth", "Kestrelon.conf"), "w") as f:
        f.write("[Ports]\nCOM%d=%s\n" % (COM_NUMBER, slave_path))
    program = None
    results = []
    try:
        config = write_config(args.program, workdir, env, args.lines)
        # Start-up first, with a serial port to open. The first start only brings
        # the files into the page cache; the bare window takes turns with ours,
        # so that both meet the same moments of a shared machine.
        first_answer_seconds([args.program, config], env, probe)
        ready, reference = [], []
        for _ in range(args.starts):
            ready.append(first_answer_seconds([args.program, config], env, probe))
            if args.reference:
                reference.append(first_answer_seconds([args.reference], env, probe))
        ready_load = load_average()
        program = subprocess.Popen([args.program, config], env=env, stdout=open(os.path.join(workdir, "program.log"), "w"),
                                   stderr=subprocess.STDOUT)
        opened_by = time.monotonic() + 20
        while not holds_open(program.pid, slave_path) and time.monotonic() < opened_by and program.poll() is None:
            time.sleep(0.05)
        if not holds_open(program.pid, slave_path):
            raise SystemExit("gui-flood: the program did not open COM%d (%s); log in %s"
                             % (COM_NUMBER, slave_path, workdir))
        time.sleep(1.0)  # let the window map and settle before timing
        if args.view == "terminal":
            show_terminal_view(env)
        rss = RssSampler(program.pid)
        rss.start()
        time.sleep(0.3)
        rss_before = vm_rss_kib(program.pid)
        results.append(program_phase("59-byte lines", master, slave, long_lines, total59, args, program.pid, probe, rss))
        results.append(program_phase("10-byte lines", master, slave, short_lines, total10, args, program.pid, probe, rss))
        rss.stop.set()
        rss.join()
        if args.screenshot:
            time.sleep(0.5)  # the views repaint from their timers
            subprocess.run(["import", "-display", display, "-window", "root", args.screenshot], check=False)
    finally:
        stop(program)
        stop(xvfb)
        os.close(master)
        os.close(slave)
        if not args.keep:
            shutil.rmtree(workdir, ignore_errors=True)

    verdicts = []
    cat_load = "load %.2f" % load_at_cat
    print("gui-flood: cat alone (%s): %.2f MiB/s for 59-byte lines, %.2f MiB/s for 10-byte lines"
          % (cat_load, cat59, cat10))
    report(results[0], cat59, verdicts)
    report(results[1], cat10, verdicts)
    all_rss = [kib for _, kib in rss.samples]
    if all_rss and rss_before:
        growth = (max(all_rss) - rss_before) / 1024
        met = growth <= TARGET_RSS_GROWTH_MIB
        verdicts.append(met)
        print("gui-flood: resident memory %.1f MiB before the floods, %.1f MiB at most, %.1f MiB at the end: "
              "grew %.1f MiB (target %d MiB: %s)" % (rss_before / 1024, max(all_rss) / 1024, all_rss[-1] / 1024,
                                                      growth, TARGET_RSS_GROWTH_MIB, verdict(met)))
    answered = [r for r, _ in ready if r is not None]
    met = len(answered) == len(ready) and statistics.median(answered) <= TARGET_READY_S
    verdicts.append(met)
    print("gui-flood: start-up: first event answered %s after exec, port to open, load %.2f (target %.1f s: %s)"
          % (spread(ready), ready_load, TARGET_READY_S, verdict(met)))
    if reference:
        print("gui-flood: start-up: a bare Qt window with menu bar, toolbar, status bar and text area "
              "answers %s after exec in the same run" % spread(reference))
    print("gui-flood: %d of %d targets met" % (sum(verdicts), len(verdicts)))
    if not all(r["alive"] for r in results):
        print("gui-flood: the program died during the flood")
        return 1
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGINT, signal.default_int_handler)
    sys.exit(main())
