#!/usr/bin/env python3
"""quon-server on the real-driver suite's virtual machine (docs/real-drivers.md), amd64 PC or arm64
board, both emulated without KVM: its CPU share of one core while idle and while serving paced
gets of 60000 bytes on the USB adapter (a 38400-baud line), and its resident memory after each.
What counts is that it does not spin and does not grow; the shares are emulated time.

usage (through bench/guest_server_load.sh): guest_server_load.py ARCH BUILD TOOLS GUEST-DATA
"""

import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "../serial/tests/real_drivers"))
from guest_machine import cpu_ticks  # noqa: E402
from real_drivers import Suite  # noqa: E402

GETS = 3
IDLE_S = 10


def resident_kb(console, pid):
    return int(re.search(r"VmRSS:\s+(\d+)", console.out(f"cat /proc/{pid}/status")).group(1))


def share(ticks, seconds):
    return f"{ticks / 100 / seconds * 100:.1f} % ({ticks * 10} ms in {seconds:.1f} s)"


def main():
    arch = sys.argv[1]
    build, tools, data = (os.path.realpath(path) for path in sys.argv[2:5])
    suite = Suite(build, data, arch, tools)
    try:
        if not suite.start():
            return 1
        c = suite.console
        pid = suite.serve("bench", "115200")
        rss = [resident_kb(c, pid)]
        t0, s0 = cpu_ticks(c, pid), time.monotonic()
        time.sleep(IDLE_S)
        idle = share(cpu_ticks(c, pid) - t0, time.monotonic() - s0)
        busy_ticks, busy_s, failed = 0, 0.0, 0
        for _ in range(GETS):
            t0, s0 = cpu_ticks(c, pid), time.monotonic()
            status, _ = suite.calc("get", f"{suite.tmp}/usbB", "big.bin",
                                   "--expect", f"{data}/big.bin")
            busy_ticks += cpu_ticks(c, pid) - t0
            busy_s += time.monotonic() - s0
            failed += status != 0
            rss.append(resident_kb(c, pid))
        print(f"{arch} guest, emulated: quon-server idle {idle}; serving {GETS} paced gets "
              f"{share(busy_ticks, busy_s)}; VmRSS {' -> '.join(map(str, rss))} kB"
              + (f"; {failed} gets FAILED" if failed else ""), flush=True)
        return 1 if failed else 0
    finally:
        suite.stop()


if __name__ == "__main__":
    sys.exit(main())
