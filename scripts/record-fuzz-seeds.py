#!/usr/bin/env python3
"""Records the fuzz targets' seed corpora from real sessions: quon-calc talks to quon-server
through a relay between two pseudo-terminals that notes every byte and which side sent it.

usage: scripts/record-fuzz-seeds.py [BUILD_DIR]   (default build/default)

Writes server/fuzz/corpus/packet_receiver (the calculator's packets),
server/fuzz/corpus/requests (all the calculator sent in the session), xfer/fuzz/corpus/sender
(what the calculator answered the server's sends) and xfer/fuzz/corpus/receiver (what it sent to
the server's receives), each in its target's input format.
"""
import json
import os
import pathlib
import select
import signal
import subprocess
import sys
import tempfile
import time
import tty

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ROOT / 'build' / 'default').resolve()
SERVER = BUILD / 'server' / 'quon-server'
CALC = BUILD / 'tools' / 'quon_calc' / 'quon-calc'
LOG = json.loads((BUILD / 'log_lines.json').read_text())

# The files the sender target serves, by its option bits 4-5, with the same sizes.
FILES = {'empty.bin': 0, 'short.bin': 100, 'two.bin': 130, 'over.bin': 1030}
FILE_BITS = {'empty.bin': 0, 'short.bin': 1, 'two.bin': 2, 'over.bin': 3}
# Sender target entry bits by the server's protocol setting.
ENTRY_BITS = {'Xmodem128': 1, 'Xmodem1K-CHK': 2, 'Xmodem1K-ZKCRC': 3}
# A file with a name that a put stored before names were checked; the request target's folder has
# it too.
ON_DISK = 'stored\n\x1b[31mred.obj'
# A name that would forge a log line and colour the terminal.
EVIL = 'evil\nStatus: Comms line is IDLE\n\x1b[31mRED'

# (seed name, protocol, quon-calc arguments after the device)
SESSIONS = [
    ('get-zk-two', 'Xmodem1K-ZKCRC', ['get', '{dev}', 'two.bin', '--start', 'D']),
    ('get-zk-over', 'Xmodem1K-ZKCRC', ['get', '{dev}', 'over.bin', '--start', 'D']),
    ('get-zk-empty', 'Xmodem1K-ZKCRC', ['get', '{dev}', 'empty.bin', '--start', 'D']),
    ('get-1k-crc-over', 'Xmodem1K-CHK', ['get', '{dev}', 'over.bin', '--start', 'C']),
    ('get-1k-nak-short', 'Xmodem1K-CHK', ['get', '{dev}', 'short.bin', '--start', 'NAK']),
    ('get-128-two', 'Xmodem128', ['get', '{dev}', 'two.bin', '--start', 'NAK']),
    ('get-missing', 'Xmodem128', ['get', '{dev}', 'missing.bin', '--expect-nak']),
    ('put-note', 'Xmodem128', ['put', '{dev}', 'note.txt', 'calc-note.txt']),
    ('put-empty', 'Xmodem128', ['put', '{dev}', 'nothing.txt', 'calc-empty.txt']),
    ('put-bad-sum', 'Xmodem128', ['put', '{dev}', 'note.txt', 'calc-note.txt',
                                  '--bad-checksum']),
    ('put-evil', 'Xmodem128', ['put', '{dev}', EVIL, 'calc-note.txt', '--expect-nak']),
    ('get-evil', 'Xmodem1K-ZKCRC', ['get', '{dev}', ON_DISK, '--expect-nak']),
    ('put-latin1', 'Xmodem128', ['put', '{dev}', 'caf\udce9.obj', 'calc-note.txt']),
    ('get-zk-stored', 'Xmodem1K-ZKCRC', ['get', '{dev}', 'stored*', '--start', 'D']),
]
# Sessions that give the transfer targets no seed: one whose file the sender target lacks, one
# whose transfer is put-note's.
NO_TRANSFER_SEED = {'get-zk-stored', 'put-latin1'}


def record(folder, protocol, calc_args):
    """Runs one session; answers [(side, bytes)] with side 'c' (calculator) or 's' (server)."""
    server_master, server_slave = os.openpty()
    calc_master, calc_slave = os.openpty()
    for fd in (server_master, calc_master):
        tty.setraw(fd)
    (folder / 'quon.ini').write_text(
        f'[serial]\ndevice1={os.ttyname(server_slave)}\nbaud=115200\nprotocol={protocol}\n')
    server = subprocess.Popen([str(SERVER)], cwd=folder, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, text=True)
    for line in server.stdout:
        if line.startswith(LOG["StatusPrefix"] + LOG["CommsLineIdle"]):
            break
    # What the server says on opening the port (the download-mode bytes) is no part of a session.
    while select.select([server_master], [], [], 0.3)[0]:
        os.read(server_master, 4096)
    args = [a.format(dev=os.ttyname(calc_slave)) for a in calc_args]
    calc = subprocess.Popen([str(CALC)] + args, cwd=folder, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    events = []
    quiet_after_exit = None
    while True:
        ready, _, _ = select.select([server_master, calc_master], [], [], 0.05)
        for fd in ready:
            data = os.read(fd, 4096)
            side, other = ('s', calc_master) if fd == server_master else ('c', server_master)
            os.write(other, data)
            if events and events[-1][0] == side:
                events[-1] = (side, events[-1][1] + data)
            else:
                events.append((side, data))
        if calc.poll() is not None:
            quiet_after_exit = quiet_after_exit or time.monotonic()
            if not ready and time.monotonic() - quiet_after_exit > 1.5:
                break
    server.send_signal(signal.SIGTERM)
    server.wait()
    for fd in (server_master, server_slave, calc_master, calc_slave):
        os.close(fd)
    return events


def chunks(parts):
    """The xfer targets' peer format: two length bytes, high first, then the bytes."""
    return b''.join(len(p).to_bytes(2, 'big') + p for p in parts)


def packet_seed(packet):
    """The packet target's format: pause, length (at most 255), bytes."""
    return b''.join(b'\0' + bytes([len(packet[i:i + 255])]) + packet[i:i + 255]
                    for i in range(0, len(packet), 255))


def request_seed(events):
    """The request target's format: the calculator's turns as (pause, length, bytes) chunks; each
    turn after the first waits for the server's answer (pause at most), a long turn's further
    chunks follow at once."""
    seed = b''
    for turn, (side, data) in enumerate(e for e in events if e[0] == 'c'):
        for i in range(0, len(data), 255):
            pause = 255 if turn > 0 and i == 0 else 0
            seed += bytes([pause, len(data[i:i + 255])]) + data[i:i + 255]
    return seed


def main():
    out_packet = ROOT / 'server' / 'fuzz' / 'corpus' / 'packet_receiver'
    out_requests = ROOT / 'server' / 'fuzz' / 'corpus' / 'requests'
    out_sender = ROOT / 'xfer' / 'fuzz' / 'corpus' / 'sender'
    out_receiver = ROOT / 'xfer' / 'fuzz' / 'corpus' / 'receiver'
    for folder in (out_packet, out_requests, out_sender, out_receiver):
        folder.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix='quon-seeds-') as scratch:
        folder = pathlib.Path(scratch)
        for name, size in FILES.items():
            (folder / name).write_bytes(bytes((i * 7 + 1) & 0xFF for i in range(size)))
        (folder / ON_DISK).write_bytes(bytes((i * 7 + 1) & 0xFF for i in range(150)))
        (folder / 'calc-note.txt').write_bytes(b'Stored on the PC by the calculator.\n' * 6)
        (folder / 'calc-empty.txt').write_bytes(b'')
        packets = set()
        for seed, protocol, calc_args in SESSIONS:
            events = record(folder, protocol, calc_args)
            for f in ('note.txt', 'nothing.txt', 'caf\udce9.obj'):
                (folder / f).unlink(missing_ok=True)
            if not events or events[0][0] != 'c':
                sys.exit(f'{seed}: the calculator did not speak first')
            out_requests.joinpath(seed).write_bytes(request_seed(events))
            print(f'{seed}: {len(events)} turns')
            packet = packet_seed(events[0][1])
            if packet not in packets:
                packets.add(packet)
                (out_packet / seed).write_bytes(packet)
            if seed in NO_TRANSFER_SEED:
                continue
            # The server's first byte answers the packet; the engine's conversation follows.
            rest = events[1:]
            if not rest or rest[0][1][:1] != b'\x06':
                continue
            rest[0] = ('s', rest[0][1][1:])
            parts = []
            if rest[0][1]:
                parts.append(b'')  # the engine spoke first
            for side, data in rest:
                if side == 'c':
                    parts.append(data)
            if calc_args[0] == 'get':
                name = calc_args[2]
                options = ENTRY_BITS[protocol] | FILE_BITS[name] << 4
            else:
                options = 1  # puts use the checksum
            (out_sender if calc_args[0] == 'get' else out_receiver).joinpath(seed).write_bytes(
                bytes([options, 0]) + chunks(parts))
            if calc_args[0] == 'put':
                out_receiver.joinpath(seed + '-over-older').write_bytes(
                    bytes([options | 2, 0]) + chunks(parts))


if __name__ == '__main__':
    main()
