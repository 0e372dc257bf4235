#!/usr/bin/env python3
"""The package's systemd units as a Debian system runs them (docs/systemd-guest.md).

usage: systemd_guest.py BUILD GUEST

Boots GUEST/guest.img (scripts/systemd-guest-test.sh: Debian with systemd, the package installed
by apt, the system unit enabled for /var/lib/quon/calc) once, with
  ttyS0    the console, with its getty;
  ttyS1    a 16550 (isa-serial) on a pseudo-terminal of this machine;
  ttyS2    a 16550 on PCI where the suite's shell runs (quon-guest-shell.service);
  ttyUSB0  an FTDI adapter, plugged in only after the boot, whose host end is a paced null modem;
and plays the calculator with BUILD's quon-calc on the host ends: the system unit, then the user
unit of a lingering user, then the package's purge. One line per check, then
"systemd guest: N passed, N failed"; exit status 1 when a check failed.
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "../../serial/tests/real_drivers"))
from guest_machine import (COMMAND_S, LOG, GuestSuite, UsbAdapter, load_log_lines,  # noqa: E402
                           read, run_cases, take_download_mode, wait_until)

BOOT_S = 300
USB_LINE_BAUD = "38400"
# Stops timed for each unit and device: the least counts, for a stop that hangs hangs in every
# round, while a busy machine slows one round or another.
STOP_ROUNDS = 3
# systemd-analyze security's overall exposure, measured in the guest: the suite fails when it
# rises.
SYSTEM_EXPOSURE = 0.4
USER_EXPOSURE = 1.4
USER = "calc"
TESTS = "/usr/local/share/quon-tests"
SYSTEM_UNIT = "quon-server@calc.service"
SYSTEM_FOLDER = "/var/lib/quon/calc"
UART_UNIT = "quon-server@uart.service"
UART_FOLDER = "/var/lib/quon/uart"
USER_FOLDER = f"/home/{USER}/calc"
USER_UART_FOLDER = f"/home/{USER}/uart"
# FTDI's modem control request and its bits: the mask of each line, then its level.
SET_MODEM_CONTROL = 0x4001


class Suite(GuestSuite):
    def __init__(self, build, guest):
        super().__init__(build, os.path.join(guest, "data"))
        self.guest = guest

    # --- the machine ---------------------------------------------------------------------------

    def start(self):
        t, g = self.tmp, self.guest
        self.usb = UsbAdapter(self.nullmodem_path, t, USB_LINE_BAUD, self.helpers)
        self.qemu_err = os.path.join(g, "qemu.log")
        boot = self.boot(
            ["qemu-system-x86_64", "-m", "1024", "-display", "none", "-nodefaults",
             "-no-user-config", "-kernel", f"{g}/vmlinuz", "-initrd", f"{g}/initrd.img",
             "-append", "root=/dev/vda rw console=ttyS0 quiet",
             "-drive", f"file={g}/guest.img,if=virtio,format=raw,snapshot=on",
             "-serial", f"file:{g}/console.log",
             "-chardev", "pty,id=s1", "-device", "isa-serial,chardev=s1,index=1",
             "-chardev", "stdio,id=shell", "-device", "pci-serial,chardev=shell",
             *self.usb.qemu_arguments(plugged=False),
             "-qmp", f"unix:{t}/qmp.sock,server=on,wait=off",
             "-trace", "usb_serial_handle_control"], os.path.join(g, "shell.log"), BOOT_S)
        if boot is None:
            return self.check(False, "the guest boots", f"no shell within {BOOT_S} s "
                              f"(see {g}/console.log, {g}/shell.log, {self.qemu_err})")
        return self.check(True, "the guest boots", f"{boot:.0f} s to its shell")

    # --- helpers -------------------------------------------------------------------------------

    def sh(self, command, timeout=COMMAND_S):
        return self.console.out(command, timeout).strip()

    def as_user(self, command):
        uid = self.sh(f"id -u {USER}")
        return f"runuser -u {USER} -- env XDG_RUNTIME_DIR=/run/user/{uid} {command}"

    def journal(self, unit, user=False, output="cat"):
        # journalctl --user-unit would keep to root's own user units.
        which = f"_SYSTEMD_USER_UNIT={unit} + USER_UNIT={unit}" if user else f"--unit {unit}"
        return self.sh(f"journalctl --no-pager -o {output} {which}")

    def count(self, unit, text, user=False):
        return self.journal(unit, user).count(text)

    def show(self, unit, prop, user=False):
        ctl = self.as_user("systemctl --user") if user else "systemctl"
        return self.sh(f"{ctl} show -P {prop} {unit}")

    def exposure(self, unit, user=False):
        analyze = self.as_user("systemd-analyze --user") if user else "systemd-analyze"
        text = self.sh(f"{analyze} security --no-pager {unit}")
        found = re.search(r"Overall exposure level for \S+: (\d+\.\d+)", text)
        return float(found.group(1)) if found else None

    def write_ini(self, folder, owner, device=None, baud="9600"):
        ini = f"[serial]\\nport=COMM 1\\nbaud={baud}\\nprotocol=Xmodem1K-ZKCRC\\n"
        if device:
            ini += f"device1={device}\\n"
        self.sh(f"mkdir -p {folder} && cp {TESTS}/*.bin {folder}/ && "
                f"printf '{ini}' > {folder}/quon.ini && chown -R {owner} {folder}")

    def by_id(self):
        return self.sh(f"ls /dev/serial/by-id/*{UsbAdapter.SERIAL}*")

    def modem_control(self):
        """DTR and RTS as the guest's driver last set them on the adapter, from QEMU's trace of
        the control requests that it sent."""
        dtr = rts = None
        for request, value in re.findall(r"got control 0x([0-9a-f]+), value 0x([0-9a-f]+)",
                                         read(self.qemu_err)):
            if int(request, 16) != SET_MODEM_CONTROL:
                continue
            value = int(value, 16)
            if value & 0x100:
                dtr = bool(value & 1)
            if value & 0x200:
                rts = bool(value & 2)
        return dtr, rts

    def uart_lines(self):
        line = self.sh("grep '^1:' /proc/tty/driver/serial")
        found = re.search(r"rx:\d+\s*(\S*)", line)
        return found.group(1) if found else line

    def stop_unit(self, unit, user):
        """Stops the unit; answers how long it took from leaving its active state (the stop's
        signal) to its server's end, by systemd's clock in the guest; -1 when systemd no longer
        knows (a unit neither enabled nor running is forgotten). What systemd does after the
        server's end, its sandbox's teardown, is not the server's and varies with the host's
        load."""
        ctl = self.as_user("systemctl --user") if user else "systemctl"
        self.sh(f"{ctl} stop {unit}")
        left, ended = (int(self.show(unit, f"{stamp}TimestampMonotonic", user) or 0)
                       for stamp in ("ActiveExit", "ExecMainExit"))
        return (ended - left) / 1e6 if left and ended else -1.0

    def stops_before(self, unit, user, device):
        """Times STOP_ROUNDS - 1 stops of the unit, each started again and served after, for the
        caller's own stop to be the last round; answers the times."""
        ctl = self.as_user("systemctl --user") if user else "systemctl"
        took = []
        for _ in range(STOP_ROUNDS - 1):
            took.append(self.stop_unit(unit, user))
            self.sh(f"{ctl} start {unit}")
            take_download_mode(device, 120)
        return took

    # --- shared cases --------------------------------------------------------------------------

    def pull_mid_get(self, unit, user, where):
        """The adapter pulled in the middle of a get while another program holds its old device,
        so that the kernel brings it back under another name: the same server process serves
        again, through the by-id link."""
        link = self.by_id()
        old = self.sh(f"readlink -f {link}")
        pid = self.show(unit, "MainPID", user)
        blocks = self.count(unit, LOG["SendingBlock"] % 2, user)
        calc = subprocess.Popen([self.calc_path, "get", self.usb.side, "big.bin"],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        # Pulled mid-get: a block gone, most of the file still to come.
        started = wait_until(lambda: self.count(unit, LOG["SendingBlock"] % 2, user) > blocks, 60, 0.3)
        holder = self.hold(old)
        self.usb.pull(self.qmp)
        lost = wait_until(lambda: self.count(unit, LOG["SerialPortLost"], user) > 0, 60, 0.3)
        calc.terminate()
        calc.communicate()
        self.usb.plug(self.qmp)
        back = wait_until(lambda: self.count(unit, LOG["SerialPortBack"], user) > 0, 60, 0.3)
        if holder:
            self.sh(f"kill {holder}")
        self.calc("download-mode", self.usb.side)
        status, text = self.calc("get", self.usb.side, "small.bin", "--expect",
                                 f"{self.data}/small.bin")
        new = self.sh(f"readlink -f {link}")
        held = self.sh(f"readlink /proc/{pid}/fd/* | grep ttyUSB")
        self.check(started and holder and lost and back and status == 0 and
                   self.show(unit, "MainPID", user) == pid and held == new != old,
                   f"{where}: pulled mid-get, back under another name, served again by the same "
                   f"process through by-id", f"{old} -> {new}, held {held or '-'}; started "
                   f"{started}, {old} held by {holder}, lost {lost}, back {back}" + ("" if status == 0 else f", get: {text}"))

    def stop_on_adapter(self, unit, user, where):
        """systemctl stop ends the server within a second, DTR and RTS dropped: HUPCL is cleared
        first, so that the drop is the server's own and not the kernel's."""
        took = self.stops_before(unit, user, self.usb.side)
        self.sh(f"stty -F {self.by_id()} -hupcl")
        held = self.modem_control()
        took.append(self.stop_unit(unit, user))
        after = self.modem_control()
        self.check(min(took) >= 0 and min(took) <= 1.0 and held == (True, True) and
                   after == (False, False),
                   f"{where}: stopped within a second, DTR and RTS dropped on the adapter",
                   f"least {min(took):.2f} s of {', '.join(f'{t:.2f}' for t in took)}, "
                   f"(DTR, RTS) {held} while served, {after} after")

    def stop_on_uart(self, unit, user, where):
        """The same on ttyS1, whose HUPCL was cleared before the server opened it."""
        took = self.stops_before(unit, user, self.uart_host)
        held = self.uart_lines()
        took.append(self.stop_unit(unit, user))
        after = self.uart_lines()
        self.check("DTR" in held and "RTS" in held and "DTR" not in after and
                   "RTS" not in after and min(took) >= 0 and min(took) <= 1.0,
                   f"{where}: stopped within a second, DTR and RTS dropped on ttyS1",
                   f"least {min(took):.2f} s of {', '.join(f'{t:.2f}' for t in took)}, "
                   f"lines {held} -> {after or '-'}")

    def sandbox_probe(self, unit, user, folder, where, refused):
        """A test copy of the unit has run the probe instead of the server, under the unit's
        own sandbox: writing in its folder works, each of REFUSED is refused."""
        text = self.journal(unit, user)
        results = dict(re.findall(r"^(\S+) (allowed|refused)", text, re.M))
        ok = results.get("write-own-folder") == "allowed" and all(
            results.get(name) == "refused" for name in refused)
        self.check(ok, f"{where}: the sandbox refuses " + ", ".join(refused),
                   " | ".join(line for line in text.splitlines() if "allowed" in line or
                              "refused" in line))

    # --- the system unit -----------------------------------------------------------------------

    def case_system_absent_at_boot(self):
        enabled = self.sh(f"systemctl is-enabled {SYSTEM_UNIT}")
        # systemd logs the restart when it starts the server again, RestartSec after a failure.
        again = wait_until(lambda: "Scheduled restart job" in self.journal(SYSTEM_UNIT), 60, 0.5)
        log = self.journal(SYSTEM_UNIT)
        self.check(enabled == "enabled" and again and "status=1/FAILURE" in log and
                   LOG["ServingTheFolder"] not in log,
                   "system unit: enabled, started again while the adapter is absent, the "
                   "console (ttyS0, dialout's) not taken", f"{enabled}; " + " | ".join(
                       line for line in log.splitlines() if "Error" in line)[:300])
        self.write_ini(SYSTEM_FOLDER, "root")
        self.sh(f"rm {SYSTEM_FOLDER}/quon.ini")
        # Counted in starts, not seconds: once the kernel has the adapter, the first start of the
        # server after that serves it (one already on its way may still have missed it). How
        # long the starts take is the machine's load; the time, by the guest's clock, is shown.
        plugged = self.uptime()
        self.usb.plug(self.qmp)
        served = wait_until(lambda: self.count(SYSTEM_UNIT, LOG["CommsLineIdle"]) > 0, 120, 0.3)
        attached = re.findall(r"^\[\s*(\d+\.\d+)\].*now attached to ttyUSB",
                              self.sh("journalctl --no-pager -k -o short-monotonic"), re.M)
        idle_line = LOG["CommsLineIdle"]
        log = re.findall(r"^\[\s*(\d+\.\d+)\].*(Scheduled restart job|" + re.escape(idle_line) +
                         ")", self.journal(SYSTEM_UNIT, output="short-monotonic"), re.M)
        at = float(attached[-1]) if attached else plugged
        idle = next((float(t) for t, what in log if what == idle_line), -1.0)
        missed = sum(1 for t, what in log if what.startswith("Scheduled") and at < float(t) < idle)
        self.check(served and attached and missed <= 1,
                   "system unit: served by the first start after the adapter is there",
                   f"{missed} restarts after the kernel attached it; served "
                   f"{idle - plugged:.1f} s after the plug by the guest's clock")
        self.transfers(self.usb.side, SYSTEM_FOLDER, "system unit on ttyUSB0")
        owner = self.sh(f"stat -c '%u %a' {SYSTEM_FOLDER}/PUT.BIN")
        uid = self.show(SYSTEM_UNIT, "UID")
        self.check(owner == f"{uid} 600",
                   "system unit: what the calculator put belongs to the service's user alone",
                   f"owner and mode {owner}, service uid {uid}")

    def case_system_journal(self):
        log = self.journal(SYSTEM_UNIT)
        serving = LOG["ServingTheFolder"]
        self.check(f"{serving}{SYSTEM_FOLDER}" in log or
                   f"{serving}/var/lib/private/quon/calc" in log, "system unit: the "
                   "journal has the folder served", next((line for line in log.splitlines()
                                                          if serving in line), "-"))
        put = LOG["ReceivingFile"] + "PUT.BIN"
        self.check(log.count("Sending via") >= 3 and put in log,
                   "system unit: the journal has each request",
                   f"{log.count('Sending via')} gets, {log.count(put)} put")

    def case_system_security(self):
        figure = self.exposure(SYSTEM_UNIT)
        self.check(figure is not None and figure <= SYSTEM_EXPOSURE,
                   f"system unit: exposure at most {SYSTEM_EXPOSURE}", f"{figure}")

    def case_system_by_id(self):
        link = self.by_id()
        self.sh(f"systemctl stop {SYSTEM_UNIT}")
        self.write_ini(SYSTEM_FOLDER, "root", link, "115200")
        self.sh(f"systemctl start {SYSTEM_UNIT}")
        chosen = wait_until(lambda: f"COMM 1 is {link} (device1 in quon.ini)"
                            in self.journal(SYSTEM_UNIT), 60, 0.3)
        self.check(link and chosen, "system unit: device1 names the adapter by its by-id link",
                   link or "no link")
        self.pull_mid_get(SYSTEM_UNIT, False, "system unit")

    def case_system_uart(self):
        self.sh("stty -F /dev/ttyS1 -hupcl")
        self.write_ini(UART_FOLDER, "root", "/dev/ttyS1")
        self.sh(f"systemctl enable --now {UART_UNIT}")
        served = wait_until(lambda: self.count(UART_UNIT, LOG["CommsLineIdle"]) > 0, 60, 0.3)
        if not self.check(served, "system unit on ttyS1: served from a folder made before",
                          "" if served else self.journal(UART_UNIT)[-400:]):
            return
        self.transfers(self.uart_host, UART_FOLDER, "system unit on ttyS1")

    def case_system_sandbox(self):
        self.sh("mkdir -p /srv/open && chmod 1777 /srv/open && chmod 666 /dev/vda && "
                "mkdir -p /etc/systemd/system/quon-probe@.service.d && "
                "cp /usr/lib/systemd/system/quon-server@.service "
                "/etc/systemd/system/quon-probe@.service && "
                "printf '[Service]\\nType=oneshot\\nRestart=no\\nExecStart=\\n"
                f"ExecStart={TESTS}/sandbox-probe /var/lib/quon/probe\\n' > "
                "/etc/systemd/system/quon-probe@.service.d/probe.conf && "
                "systemctl daemon-reload && systemctl start quon-probe@probe")
        self.sandbox_probe("quon-probe@probe.service", False, "/var/lib/quon/probe",
                           "system unit", ("write-etc", "write-open-folder", "write-home",
                                           "write-other-instance", "tcp-socket", "udp-socket",
                                           "open-console", "read-disk"))

    def case_system_stop(self):
        self.stop_on_adapter(SYSTEM_UNIT, False, "system unit")
        self.stop_on_uart(UART_UNIT, False, "system unit")
        self.sh(f"systemctl disable {UART_UNIT}")

    # --- the user unit -------------------------------------------------------------------------

    def case_user_unit(self):
        escaped = self.sh(f"systemd-escape --path {USER_FOLDER}")
        self.unit = f"quon-server@{escaped}.service"
        self.write_ini(USER_FOLDER, USER, self.by_id(), "115200")
        self.sh(f"loginctl enable-linger {USER}")
        self.wait_guest(f"test -S /run/user/$(id -u {USER})/systemd/private")
        status, out = self.console.run(self.as_user(f"systemctl --user enable --now {self.unit}"))
        served = wait_until(lambda: self.count(self.unit, LOG["CommsLineIdle"], True) > 0, 60, 0.3)
        ok = status == 0 and served
        if not self.check(ok, "user unit: enabled and started under a lingering user",
                          "" if ok else out.strip() + self.journal(self.unit, True)[-400:]):
            return
        self.transfers(self.usb.side, USER_FOLDER, "user unit on ttyUSB0")
        log = self.journal(self.unit, True)
        self.check(LOG["ServingTheFolder"] + USER_FOLDER in log and
                   log.count("Sending via") >= 3 and LOG["ReceivingFile"] + "PUT.BIN" in log,
                   "user unit: the journal has the folder served and each request")
        figure = self.exposure(self.unit, True)
        self.check(figure is not None and figure <= USER_EXPOSURE,
                   f"user unit: exposure at most {USER_EXPOSURE}", f"{figure}")
        self.pull_mid_get(self.unit, True, "user unit")

    def case_user_uart(self):
        escaped = self.sh(f"systemd-escape --path {USER_UART_FOLDER}")
        self.uart_unit = unit = f"quon-server@{escaped}.service"
        self.write_ini(USER_UART_FOLDER, USER, "/dev/ttyS1")
        self.sh(self.as_user(f"systemctl --user enable --now {unit}"))
        served = wait_until(lambda: self.count(unit, LOG["CommsLineIdle"], True) > 0, 60, 0.3)
        if not self.check(served, "user unit on ttyS1: served",
                          "" if served else self.journal(unit, True)[-400:]):
            return
        self.transfers(self.uart_host, USER_UART_FOLDER, "user unit on ttyS1")
        self.stop_on_uart(unit, True, "user unit")

    def case_user_sandbox(self):
        home = f"/home/{USER}/.config/systemd/user"
        folder = f"/home/{USER}/probe"
        unit = f"quon-probe@{self.sh(f'systemd-escape --path {folder}')}.service"
        self.sh(f"mkdir -p {home}/quon-probe@.service.d {folder} && "
                f"cp /usr/lib/systemd/user/quon-server@.service {home}/quon-probe@.service && "
                "printf '[Service]\\nType=oneshot\\nRestart=no\\nExecStart=\\n"
                f"ExecStart={TESTS}/sandbox-probe {folder}\\n' > "
                f"{home}/quon-probe@.service.d/probe.conf && chown -R {USER} /home/{USER}")
        self.sh(self.as_user("systemctl --user daemon-reload"))
        self.sh(self.as_user(f"systemctl --user start {unit}"))
        # The console and the disk are the user's own rights: no device policy in a user's
        # manager.
        self.sandbox_probe(unit, True, folder, "user unit",
                           ("write-etc", "write-open-folder", "write-home", "tcp-socket",
                            "udp-socket"))

    def case_user_stop(self):
        self.stop_on_adapter(self.unit, True, "user unit")

    # --- the package ---------------------------------------------------------------------------

    def case_purge(self):
        """With the system unit serving the adapter and the user's unit ttyS1."""
        self.sh(f"systemctl start {SYSTEM_UNIT}")
        self.sh(self.as_user(f"systemctl --user start {self.uart_unit}"))
        package = self.sh("dpkg-query -W -f '${Package}\\n' 'quon*' | sort | tr '\\n' ' '")
        status, out = self.console.run(
            f"DEBIAN_FRONTEND=noninteractive apt-get purge -y -q {package}", 120)
        left = self.sh("grep -lx quon-server /proc/[0-9]*/comm; ls /usr/lib/systemd/system/quon* "
                       "/usr/lib/systemd/user/quon* /etc/systemd/system/*/quon-server@* "
                       "2>/dev/null; true")
        kept = self.sh(f"ls {SYSTEM_FOLDER}/PUT.BIN {USER_FOLDER}/PUT.BIN")
        self.check(status == 0 and not left and kept.count("PUT.BIN") == 2,
                   "apt-get purge: servers stopped, units and their links gone, served files kept",
                   f"left: {left or '-'}; kept: {kept}" + ("" if status == 0 else out[-400:]))


def main():
    load_log_lines(os.path.realpath(sys.argv[1]))
    suite = Suite(os.path.realpath(sys.argv[1]), os.path.realpath(sys.argv[2]))
    return run_cases(suite, (
        suite.case_system_absent_at_boot, suite.case_system_journal, suite.case_system_security,
        suite.case_system_by_id, suite.case_system_uart, suite.case_system_sandbox,
        suite.case_system_stop, suite.case_user_unit, suite.case_user_uart,
        suite.case_user_sandbox, suite.case_user_stop, suite.case_purge), "systemd guest")


if __name__ == "__main__":
    sys.exit(main())
