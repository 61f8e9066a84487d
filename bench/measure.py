#!/usr/bin/env python3
"""Runs the benchmark commands of bench/run and prints what they measured as key=value pairs.

    measure.py conversion REPS BATCH SERVICE WPT OUT AB_URL
        trelka-batch converting WPT beside `ab -c 1` fetching AB_URL as many times as WPT has
        waypoints, interleaved REPS times: medians of both rates, of their ratio and of
        trelka-batch's CPU time per waypoint, all of it and its user part.
    measure.py connections REPS BATCH SERVICE WPT OUT_PREFIX N...
        trelka-batch --connections N for each N, interleaved REPS times: the median seconds of
        each, the speed-up of each over the first, and whether all wrote the same bytes.
    measure.py peak COMMAND...
        one run: seconds, CPU seconds and peak resident memory of the command alone.

Each figure is taken from the child's own resource usage (wait4), so nothing else running
on the machine adds to it; the machine is shared, hence the interleaving and the medians.
"""

import os
import re
import statistics
import subprocess
import sys
import time


def run(command, quiet=True):
    """(seconds, cpu_seconds, peak_rss_mib, exit status, output, user_seconds) of one run."""
    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.PIPE if quiet else None,
                             stderr=subprocess.DEVNULL)
    output = child.stdout.read() if quiet else b""
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    return (seconds, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0,
            child.returncode, output, usage.ru_utime)


def waypoints(wpt):
    with open(wpt, "rb") as f:
        return max(0, len(f.read().split(b"\n")) - 5)


def conversion(reps, batch, service, wpt, out, ab_url):
    count = waypoints(wpt)
    ab_rates, batch_rates, ratios, cpu, user, system = [], [], [], [], [], []
    for _ in range(int(reps)):
        _, _, _, code, text, _ = run(["ab", "-q", "-n", str(count), "-c", "1", ab_url])
        ab_rate = float(re.search(rb"Requests per second:\s*([0-9.]+)", text).group(1))
        seconds, cpu_seconds, _, code, _, user_seconds = run([batch, "--service", service, wpt, out])
        if code != 0:
            sys.exit(f"trelka-batch exited {code}")
        ab_rates.append(ab_rate)
        batch_rates.append(count / seconds)
        ratios.append(count / seconds / ab_rate)
        cpu.append(cpu_seconds * 1e6 / count)
        user.append(user_seconds * 1e6 / count)
        system.append((cpu_seconds - user_seconds) * 1e6 / count)
    print(f"waypoints={count} reps={reps} ab_rate={statistics.median(ab_rates):.0f} "
          f"batch_rate={statistics.median(batch_rates):.0f} "
          f"ratio={statistics.median(ratios):.2f} cpu_us={statistics.median(cpu):.0f} "
          f"user_us={statistics.median(user):.0f} system_us={statistics.median(system):.0f} "
          f"ratios={','.join(f'{r:.2f}' for r in ratios)}")


def connections(reps, batch, service, wpt, out_prefix, *counts):
    seconds = {n: [] for n in counts}
    for _ in range(int(reps)):
        for n in counts:
            took, _, _, code, _, _ = run([batch, "--connections", n, "--service", service, wpt,
                                       f"{out_prefix}{n}.gpx"])
            if code != 0:
                sys.exit(f"trelka-batch --connections {n} exited {code}")
            seconds[n].append(took)
    outputs = {open(f"{out_prefix}{n}.gpx", "rb").read() for n in counts}
    first = statistics.median(seconds[counts[0]])
    fields = [f"same_bytes={'yes' if len(outputs) == 1 else 'no'}"]
    for n in counts:
        median = statistics.median(seconds[n])
        fields.append(f"seconds_{n}={median:.2f} speedup_{n}={first / median:.2f}")
    print(" ".join(fields))


def peak(*command):
    seconds, cpu_seconds, peak_mib, code, output, _ = run(list(command))
    print(f"exit={code} seconds={seconds:.2f} cpu_s={cpu_seconds:.2f} peak_rss_mib={peak_mib:.1f} "
          + output.decode(errors="replace").strip())


if __name__ == "__main__":
    {"conversion": conversion, "connections": connections, "peak": peak}[sys.argv[1]](*sys.argv[2:])
