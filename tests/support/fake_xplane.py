#!/usr/bin/env python3
"""A stand-in for X-Plane's UDP dataref interface, for the latency bench and the Windows end-to-end
checks: takes RREF subscriptions ("RREF\\0", int32 frequency, int32 index, 400-byte path; frequency
0 ends one) on a UDP port and answers every subscriber RATE times a second with "RREF," and
(int32 index, float32 value) pairs, at most 100 per packet.

As a program it serves the values of a file ("path=value" lines, read again every tick; a line
"SILENT" stops the answers, as an X-Plane that went away; a line "SILENT path" leaves that dataref
unanswered while the others arrive, as X-Plane does for a path it does not publish) and keeps a
status file up to date:
"port=P subscriptions=N unsubscribes=M answers=A".

  fake_xplane.py --values FILE --status FILE [--port N] [--seconds S]
"""
import argparse
import os
import socket
import struct
import sys
import threading
import time

RATE = 30


class FakeXPlane:
    """value(path, now) gives each subscribed dataref's value at the monotonic time `now` (None:
    send nothing this tick)."""

    def __init__(self, value, port=0, rate=RATE):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", port))
        self.sock.settimeout(0.005)
        self.port = self.sock.getsockname()[1]
        self.value = value
        self.rate = rate
        self.subscriptions = {}  # (address, index) -> path
        self.unsubscribes = 0
        self.answers = 0
        self.running = True
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        next_send = time.monotonic()
        while self.running:
            try:
                data, address = self.sock.recvfrom(2048)
                if len(data) == 413 and data[:5] == b"RREF\0":
                    frequency, index = struct.unpack_from("<ii", data, 5)
                    path = data[13:].split(b"\0", 1)[0].decode("ascii", "replace")
                    if frequency > 0:
                        self.subscriptions[(address, index)] = path
                    else:
                        self.unsubscribes += 1
                        self.subscriptions.pop((address, index), None)
            except socket.timeout:
                pass
            except OSError:
                continue  # ICMP "port unreachable" of a subscriber that has gone
            now = time.monotonic()
            if now < next_send:
                continue
            next_send += 1.0 / self.rate
            if next_send < now:
                next_send = now + 1.0 / self.rate
            by_address = {}
            for (address, index), path in list(self.subscriptions.items()):
                value = self.value(path, now)
                if value is not None:
                    by_address.setdefault(address, []).append(struct.pack("<if", index, value))
            for address, pairs in by_address.items():
                for i in range(0, len(pairs), 100):
                    try:
                        self.sock.sendto(b"RREF," + b"".join(pairs[i:i + 100]), address)
                        self.answers += 1
                    except OSError:
                        pass

    def stop(self):
        self.running = False
        self.thread.join(2)
        self.sock.close()


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--values", required=True,
                        help="path=value lines; SILENT stops the answers, SILENT path leaves one unanswered")
    parser.add_argument("--status", required=True, help="written with the port and the subscriptions")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--seconds", type=float, default=600)
    args = parser.parse_args(argv)
    state = {"values": {}, "silent": False, "unanswered": set(), "read": 0.0}

    def value(path, now):
        if now - state["read"] >= 0.1:
            values, silent, unanswered = {}, False, set()
            try:
                with open(args.values) as f:
                    for line in f:
                        line = line.strip()
                        if line == "SILENT":
                            silent = True
                        elif line.startswith("SILENT "):
                            unanswered.add(line[len("SILENT "):].strip())
                        elif "=" in line:
                            key, _, text = line.partition("=")
                            values[key.strip()] = float(text)
            except (OSError, ValueError):
                pass
            state.update(values=values, silent=silent, unanswered=unanswered, read=now)
        if state["silent"] or path in state["unanswered"]:
            return None
        return state["values"].get(path, 0.0)

    fake = FakeXPlane(value, args.port)
    end = time.monotonic() + args.seconds
    try:
        while time.monotonic() < end:
            text = (f"port={fake.port} subscriptions={len(fake.subscriptions)} "
                    f"unsubscribes={fake.unsubscribes} answers={fake.answers}\n")
            with open(args.status + ".new", "w") as f:
                f.write(text)
            os.replace(args.status + ".new", args.status)
            time.sleep(0.1)
    except KeyboardInterrupt:
        pass
    fake.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
