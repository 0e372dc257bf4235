"""What the suites that boot a virtual machine share: the shell on a guest serial port, QEMU's
monitor, the FTDI adapter whose host end is a paced null modem, and the calculator's checks."""

import hashlib
import json
import os
import random
import re
import select
import shutil
import socket
import subprocess
import tempfile
import termios
import threading
import time
import tty

DOWNLOAD_MODE = bytes([0x02, 0xB8, 0x03, 0x00])
# A deadline for one command in the guest, which only ends a hung case: under load an emulated
# guest takes many times as long (a daemon-reload took over 30 s).
COMMAND_S = 180
# The server's and the engine's log lines by name (LOG["SerialPortBack"]), as the build wrote them
# from the code's lists; load_log_lines fills it.
LOG = {}


def load_log_lines(build):
    with open(os.path.join(build, "log_lines.json"), encoding="utf-8") as f:
        LOG.update(json.load(f))


class Console:
    """A shell in the guest on one of its serial ports: commands in, their output and
    "@@END STATUS" out. The port is QEMU's standard input and output."""

    def __init__(self, process, log_path):
        self.process = process
        self.text = ""
        self.seen = 0
        self.lock = threading.Condition()
        self.log = open(log_path, "w", encoding="utf-8", errors="replace")
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        while True:
            data = os.read(self.process.stdout.fileno(), 65536)
            if not data:
                break
            chunk = data.decode("utf-8", "replace").replace("\r", "")
            self.log.write(chunk)
            self.log.flush()
            with self.lock:
                self.text += chunk
                self.lock.notify_all()
        with self.lock:
            self.lock.notify_all()

    def wait_for(self, pattern, timeout):
        deadline = time.monotonic() + timeout
        with self.lock:
            while True:
                found = re.compile(pattern, re.M).search(self.text, self.seen)
                if found:
                    self.seen = found.end()
                    return found
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    return None
                self.lock.wait(left)

    def run(self, command, timeout=COMMAND_S):
        """Runs a shell command in the guest; answers (status, output)."""
        with self.lock:
            start = len(self.text)
            self.seen = start
        self.process.stdin.write((command + "\n").encode())
        self.process.stdin.flush()
        end = self.wait_for(r"^@@END (\d+)$", timeout)
        if end is None:
            raise TimeoutError(f"guest command did not end within {timeout} s: {command}")
        return int(end.group(1)), self.text[start:end.start()]

    def out(self, command, timeout=COMMAND_S):
        return self.run(command, timeout)[1]


class Qmp:
    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX)
        self.sock.connect(path)
        self.file = self.sock.makefile("rw")
        self.file.readline()
        self.call("qmp_capabilities")

    def call(self, command, **arguments):
        self.file.write(json.dumps({"execute": command, "arguments": arguments}) + "\n")
        self.file.flush()
        while True:
            answer = json.loads(self.file.readline())
            if "return" in answer or "error" in answer:
                return answer


class UsbAdapter:
    """An FTDI adapter (usb-serial on xHCI) whose host end is side A of a paced null modem, joined
    by socat; the calculator uses side B, so transfers take real time and can be cut. It has a
    serial number of its own, as real ones do, so that udev's by-id link names the adapter and not
    the socket it is plugged into."""

    SERIAL = "QN4Q7X2A"

    def __init__(self, nullmodem, folder, baud, processes):
        self.side = f"{folder}/usbB"
        self.socket = f"{folder}/usb.sock"
        processes.append(subprocess.Popen(
            [nullmodem, "--baud", baud, "--link-a", f"{folder}/usbA", "--link-b", self.side,
             "--ready-file", f"{folder}/usb.ready"], stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))
        wait_until(lambda: os.path.exists(f"{folder}/usb.ready"), 60)
        # QEMU attaches the adapter only while its chardev is connected: the host end listens
        # before the machine starts.
        processes.append(subprocess.Popen(
            ["socat", f"UNIX-LISTEN:{self.socket}", f"FILE:{folder}/usbA,rawer"],
            stderr=subprocess.DEVNULL))
        wait_until(lambda: os.path.exists(self.socket), 60)

    def qemu_arguments(self, plugged=True):
        return (["-device", "qemu-xhci,id=xhci", "-chardev", f"socket,id=u1,path={self.socket}"] +
                (["-device", f"usb-serial,chardev=u1,id=adapter,serial={UsbAdapter.SERIAL}"]
                 if plugged else []))

    @staticmethod
    def pull(qmp):
        qmp.call("device_del", id="adapter")

    @staticmethod
    def plug(qmp):
        """Plugs it in, as soon as QEMU has let go of the one pulled before."""
        return wait_until(lambda: "error" not in qmp.call(
            "device_add", driver="usb-serial", chardev="u1", id="adapter",
            serial=UsbAdapter.SERIAL), 20, 0.5)


class GuestSuite:
    """Checks counted as they are made, the calculator played with quon-calc on this machine,
    and the helper programs and scratch folder ended with the suite."""

    def __init__(self, tools, data):
        self.data = data
        self.passed = 0
        self.failed = 0
        self.tmp = tempfile.mkdtemp(prefix="quon-guest-")
        self.helpers = []
        self.calc_path = os.path.join(tools, "tools/quon_calc/quon-calc")
        self.nullmodem_path = os.path.join(tools, "tools/nullmodem/nullmodem")

    def check(self, ok, what, detail=""):
        if ok:
            self.passed += 1
            print(f"ok    {what}" + (f": {detail}" if detail else ""), flush=True)
        else:
            self.failed += 1
            print(f"FAIL  {what}" + (f": {detail}" if detail else ""), flush=True)
        return ok

    def stop(self):
        for p in [getattr(self, "qemu", None)] + self.helpers:
            if p is None:
                continue
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)

    def boot(self, command, console_log, timeout):
        """Starts QEMU's COMMAND, whose standard input and output are the guest's shell and whose
        messages go to self.qemu_err, and waits for the shell; answers how many seconds that
        took, None when it did not come. The host end of the UART labelled s1 is held open for
        the whole run: a pty that nobody holds is disconnected for QEMU, which then drops what
        the guest sends."""
        self.qemu = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=open(self.qemu_err, "w"))
        self.console = Console(self.qemu, console_log)
        started = time.monotonic()
        if self.console.wait_for(r"^@@READY$", timeout) is None:
            return None
        took = time.monotonic() - started
        self.qmp = Qmp(f"{self.tmp}/qmp.sock")
        found = re.search(r"char device redirected to (\S+) \(label s1\)",
                          self.console.text + read(self.qemu_err))
        self.uart_host = found.group(1)
        self.uart_hold = os.open(self.uart_host, os.O_RDWR | os.O_NOCTTY)
        return took

    def wait_guest(self, command, timeout=60, step=0.2):
        """Waits until COMMAND succeeds in the guest; the deadline only ends a hung case."""
        return wait_until(lambda: self.console.run(command)[0] == 0, timeout, step)

    def uptime(self):
        """The guest's own clock: what the host's polling of the console takes is not in it."""
        return float(self.console.out("cut -d' ' -f1 /proc/uptime"))

    def wait_asleep(self, pid, timeout=60):
        """Waits until the guest's process PID sleeps in poll, as every wait of Quon's does: what
        it wrote before the wait has reached the driver."""
        return self.wait_guest(f"grep -q poll /proc/{pid}/wchan && "
                               f"grep -q '^[0-9]* (.*) S ' /proc/{pid}/stat", timeout)

    def hold(self, device):
        """Starts a program in the guest that holds DEVICE open, as another user of an adapter
        would; answers its pid once it has the device open (None if it never does). Pulled
        before then, the adapter would come back under its old name."""
        pid = self.console.out(f"sleep 600 > /dev/null 2>&1 < {device} & echo $!").strip()
        return pid if self.wait_guest(f'[ "$(readlink /proc/{pid}/fd/0)" = {device} ]') else None

    def calc(self, *args, timeout=120):
        done = subprocess.run([self.calc_path, *args], capture_output=True, text=True, timeout=timeout)
        return done.returncode, (done.stdout + done.stderr).strip()

    def transfers(self, device, folder, where):
        """The download-mode bytes of the server's opening, then gets with each start character
        and a put into the guest's FOLDER, byte for byte. The server logs that its line is idle
        before it sends those bytes: a request made while they are on their way would take them
        for its answer."""
        got = take_download_mode(device)
        self.check(got.endswith(DOWNLOAD_MODE), f"{where}: download mode at opening",
                   got.hex(" "))
        f = self.data
        for start in ("D", "C", "NAK"):
            status, text = self.calc("get", device, "small.bin", "--start", start,
                                     "--expect", f"{f}/small.bin")
            self.check(status == 0, f"{where}: get with start {start}", "" if status == 0 else text)
        status, text = self.calc("put", device, "PUT.BIN", f"{f}/put.bin")
        stored = self.console.out(f"md5sum {folder}/PUT.BIN").split(" ")[0]
        ok = status == 0 and stored == md5(f"{f}/put.bin")
        self.check(ok, f"{where}: put", "" if ok else text)


def run_cases(suite, cases, name):
    """Starts the machine, runs each case that it boots for, and prints the closing line;
    answers the exit status."""
    started = time.monotonic()
    try:
        if suite.start():
            for case in cases:
                try:
                    case()
                except Exception as error:  # one broken case must not hide the others
                    suite.check(False, getattr(case, "__name__", "case"), repr(error))
    finally:
        suite.stop()
    print(f"({time.monotonic() - started:.0f} s)")
    print(f"{name}: {suite.passed} passed, {suite.failed} failed")
    return 1 if suite.failed else 0


def take_download_mode(device, timeout=10):
    """Reads the host end of the line up to the server's download-mode bytes, as the calculator
    takes them; answers what it read. quon-calc drops what came before it opened the line, but on
    a busy machine these can still be on their way and would be taken for the answer to its
    request."""
    fd = os.open(device, os.O_RDWR | os.O_NOCTTY)
    try:
        tty.setraw(fd, termios.TCSANOW)  # TCSAFLUSH would drop what came
        got = b""
        deadline = time.monotonic() + timeout
        while not got.endswith(DOWNLOAD_MODE) and time.monotonic() < deadline:
            if select.select([fd], [], [], max(0, deadline - time.monotonic()))[0]:
                got += os.read(fd, 1)
        return got
    finally:
        os.close(fd)


def wait_until(condition, timeout, step=0.05):
    """Polls CONDITION until it holds; the timeout is a deadline for a hung case, never the
    time that something is expected to take."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(step)
    return False


def stat_ticks(line):
    """The CPU time in a line of /proc/PID/stat, in the kernel's ticks (10 ms)."""
    fields = line.rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def cpu_ticks(console, pid):
    return stat_ticks(console.out(f"cat /proc/{pid}/stat"))


def cpu_share(console, pid, seconds):
    """The guest's process PID's share of a core, in %, over SECONDS of the guest's own clock,
    counted in the guest: the time that the host's polling of the console takes is not in it."""
    up0, stat0, up1, stat1 = console.out(
        f"cat /proc/uptime /proc/{pid}/stat; sleep {seconds}; "
        f"cat /proc/uptime /proc/{pid}/stat").strip().splitlines()
    took = float(up1.split()[0]) - float(up0.split()[0])
    return (stat_ticks(stat1) - stat_ticks(stat0)) / 100 / took * 100


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def md5(path):
    with open(path, "rb") as f:
        return hashlib.md5(f.read()).hexdigest()


def write_test_files(folder):
    """The files the calculator gets and puts, the same on every run."""
    r = random.Random(23)
    os.makedirs(folder, exist_ok=True)
    for name, size in (("small.bin", 3000), ("big.bin", 60000), ("put.bin", 2560)):
        with open(f"{folder}/{name}", "wb") as f:
            f.write(bytes(r.randrange(256) for _ in range(size)))
