#!/usr/bin/env python3
"""A small client of the engine control module, written from docs/protocol.md alone.

It identifies the module, reads one tuning map and prints its points in display units, then
streams 20 monitor packets and prints three live values by name. Python 3 standard library
only. Usage:

    python3 corvane_client.py /dev/pts/N          (the path corvane-sim --pty prints)
"""

import os
import random
import select
import struct
import sys
import termios
import time
import tty
import zlib

START = 0xA5
IDENTIFY, READ, WRITE, FLASH_WRITE, MONITOR_START, MONITOR_STOP = 0x01, 0x02, 0x03, 0x04, 0x05, 0x06
MONITOR_PACKET = 0x40
ERRORS = {0xE1: "bad CRC", 0xE2: "out of range", 0xE3: "busy", 0xE4: "unknown command",
          0xE5: "bad length", 0xE6: "refused"}
UPGRADE_LOADER_ID = 175

# Timing rules of the host, from the document's table: the longest wait for one answer beyond
# the line times (500 ms in communication timeout mode 1, which READ and WRITE use), the line
# time of a byte at 115200 baud (10 bits a byte), the adapter latency of a serial port, and the
# time budget of one request: 4 of those longest waits.
LONGEST_WAIT = 0.5
BYTE_TIME = 10.0 / 115200
LATENCY = 0.016
BUDGET_WAITS = 4
FRAMING = 11  # start byte, 5 header bytes, CRC-8, CRC-32

# Maps this client knows, from the tables of docs/protocol.md: (title, address, points, bytes per
# point, module min, module max, display min, display max, unit, x min, x max, x unit).
MAPS = {
    "Stoichiometric2048Map": ("Fuelflow vs TPS @ 1792 rpm", 0x8380, 64, 2, 0, 1023, 0.0, 20.95104, "ms",
                              0.0, 88.68, "deg"),
    "IGNVSTHROTTLE2048Map": ("Timing vs TPS @ 1792 rpm", 0x99C0, 64, 1, 0, 45, 0.0, 45.0, "deg",
                             0.0, 88.68, "deg"),
}

# Live values this client shows, from the live-value block table: offset, width, minimum,
# maximum, raw maximum, unit.
MONITOR_ADDRESS, MONITOR_LENGTH = 0x1400, 72
LIVE = {
    "Engine Speed": (6, 2, 0.0, 16368.0, 1023, "rpm"),
    "Battery Voltage": (0, 2, 0.0, 16.0, 1023, "Volts"),
    "Engine Head Temp": (35, 2, -40.0, 471.5, 1023, "deg F"),
}


def crc8(data):
    """CRC-8, polynomial 0x07, initial value 0, no reflection, no final xor."""
    c = 0
    for b in data:
        c ^= b
        for _ in range(8):
            c = ((c << 1) ^ 0x07) & 0xFF if c & 0x80 else (c << 1) & 0xFF
    return c


def encode(seq, command, payload=b""):
    header = struct.pack(">HHB", len(payload), seq, command)
    body = header + bytes([crc8(header)]) + payload
    return bytes([START]) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)  # CRC-32 high byte first


class Link:
    """One open line to the module: framing, resynchronisation and request/answer matching."""

    def __init__(self, path):
        self.fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)  # raw: no echo, no line editing, no CR/LF translation
        attrs = termios.tcgetattr(self.fd)
        attrs[4] = attrs[5] = termios.B115200
        termios.tcsetattr(self.fd, termios.TCSANOW, attrs)
        termios.tcflush(self.fd, termios.TCIOFLUSH)  # bytes from before this session are stale
        self.buffer = bytearray()
        self.seq = random.randrange(0x10000)  # a new session starts at a random number
        self.packets = []  # monitor packets as (counter, block), in arrival order
        self.streaming = False  # a monitor packet may stand before any answer on the line

    def close(self):
        os.close(self.fd)

    def _fill(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], max(0.0, timeout))
        if ready:
            self.buffer += os.read(self.fd, 4096)

    def _next_frame(self):
        """The next checked frame in the buffer, or None when more bytes are needed."""
        while True:
            start = self.buffer.find(bytes([START]))
            if start < 0:
                self.buffer.clear()
                return None
            del self.buffer[:start]
            if len(self.buffer) < 7:
                return None
            length, seq, command = struct.unpack(">HHB", self.buffer[1:6])
            if crc8(self.buffer[1:6]) != self.buffer[6] or length > 1040:
                del self.buffer[:1]  # not a frame start after all
                continue
            total = 7 + length + 4
            if len(self.buffer) < total:
                return None
            (want,) = struct.unpack(">I", self.buffer[total - 4:total])
            if zlib.crc32(self.buffer[1:total - 4]) & 0xFFFFFFFF != want:
                del self.buffer[:1]  # damaged: rescan from the next byte
                continue
            frame = (seq, command, bytes(self.buffer[7:7 + length]))
            del self.buffer[:total]
            return frame

    def _await_answer(self, seq, timeout):
        """The (command, payload) of the next frame answering `seq`, or None at the timeout.
        Monitor packets met on the way are kept: they may come before or after any answer."""
        deadline = time.monotonic() + timeout
        while True:
            frame = self._next_frame()
            while frame is not None:
                if frame[1] == MONITOR_PACKET:
                    self.packets.append((frame[0], frame[2]))
                elif frame[0] == seq:
                    return frame[1], frame[2]
                frame = self._next_frame()  # a late answer to an earlier request: ignored
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            self._fill(left)

    def wait_for_answer(self, request_bytes, answer_payload):
        """The longest wait for one answer: the line times of the request, of its answer and of
        one monitor packet while the stream runs, the adapter latency, and the longest wait."""
        line_bytes = request_bytes + FRAMING + answer_payload
        if self.streaming:
            line_bytes += FRAMING + MONITOR_LENGTH
        return LONGEST_WAIT + line_bytes * BYTE_TIME + LATENCY

    def request(self, command, payload=b"", answer_payload=0):
        """Sends one request and returns the payload of its positive answer. The request is sent
        again at once after a "bad CRC" answer and after each wait without an answer, while its
        time budget (4 longest waits) lasts. A repeat keeps the sequence number, so the module
        answers it from its answer cache instead of carrying out a write twice."""
        seq = self.seq
        self.seq = (self.seq + 1) & 0xFFFF
        frame = encode(seq, command, payload)
        wait = self.wait_for_answer(len(frame), answer_payload)
        budget_end = time.monotonic() + BUDGET_WAITS * wait
        busy = 0
        while True:
            left = budget_end - time.monotonic()
            if left <= 0:
                raise TimeoutError("no answer to command 0x%02X within %.2f s" % (command, BUDGET_WAITS * wait))
            os.write(self.fd, frame)
            answer = self._await_answer(seq, min(wait, left))
            if answer is None or answer[0] == 0xE1:  # no answer, or the module got a damaged copy
                continue
            a_command, a_payload = answer
            if a_command == command | 0x80:
                return a_payload
            if a_command == 0xE3 and busy < 100:  # busy: ask again after 10 ms (at most 100 times)
                busy += 1
                time.sleep(0.01)
                budget_end = time.monotonic() + BUDGET_WAITS * wait  # a busy answer starts the budget again
                continue
            raise RuntimeError("module answered %s (0x%02X)" % (ERRORS.get(a_command, "?"), a_command))

    def read(self, address, length):
        return self.request(READ, struct.pack(">HH", address, length), answer_payload=length)

    def wait_packets(self, count, timeout):
        deadline = time.monotonic() + timeout
        while len(self.packets) < count and time.monotonic() < deadline:
            self._fill(min(0.05, deadline - time.monotonic()))
            frame = self._next_frame()
            while frame is not None:
                if frame[1] == MONITOR_PACKET:
                    self.packets.append((frame[0], frame[2]))
                frame = self._next_frame()
        return len(self.packets) >= count


def live_value(block, name):
    offset, width, minimum, maximum, raw_max, unit = LIVE[name]
    raw = int.from_bytes(block[offset:offset + width], "big")
    value = minimum + raw * (maximum - minimum) / raw_max
    if value > maximum + 1e-9 * (maximum - minimum):
        value = 0.0  # above its maximum a value shows 0 (STD. Throttle Pos. alone shows its maximum)
    return value, unit


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 64
    link = Link(argv[1])
    try:
        module_id, version, max_block = struct.unpack(">BBH", link.request(IDENTIFY, answer_payload=4))
        print("module id: %d%s" % (module_id, " (upgrade loader)" if module_id == UPGRADE_LOADER_ID else ""))
        print("firmware version: 0x%02X" % version)
        print("largest block: %d bytes" % max_block)
        name = link.read(0x0F00, 16).split(b"\0", 1)[0]
        print("base map name: %s" % name.decode("ascii", "backslashreplace"))

        # Family A modules (module id 12 in the emulator) carry fuel maps; every family has the
        # ignition rows at 0x9800, shown here as family A presents them.
        map_name = "Stoichiometric2048Map" if module_id == 12 else "IGNVSTHROTTLE2048Map"
        title, address, points, width, mod_min, mod_max, d_min, d_max, unit, x_min, x_max, x_unit = MAPS[map_name]
        data = link.read(address, points * width)
        print("%s \"%s\" at 0x%04X:" % (map_name, title, address))
        for i in range(points):
            raw = int.from_bytes(data[i * width:(i + 1) * width], "big")
            raw = min(max(raw, mod_min), mod_max)
            y = d_min + (raw - mod_min) * (d_max - d_min) / (mod_max - mod_min)
            x = x_min + i * (x_max - x_min) / (points - 1)
            print("  %2d  x %7.3f %-4s  y %8.4f %s  (raw %d)" % (i, x, x_unit, y, unit, raw))

        link.packets.clear()
        link.request(MONITOR_START, struct.pack(">HH", MONITOR_ADDRESS, MONITOR_LENGTH))
        link.streaming = True
        if not link.wait_packets(20, 5.0):
            raise TimeoutError("fewer than 20 monitor packets in 5 s")
        link.request(MONITOR_STOP)
        link.streaming = False
        for counter, block in link.packets[:20]:
            if len(block) != MONITOR_LENGTH:
                continue  # a packet of an earlier stream of another block
            shown = ["%s %.1f %s" % ((n,) + live_value(block, n)) for n in LIVE]
            print("packet %5d: %s" % (counter, ", ".join(shown)))
    finally:
        link.close()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
