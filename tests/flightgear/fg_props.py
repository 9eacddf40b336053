#!/usr/bin/env python3
"""FlightGear's telnet property server, for the end-to-end run: wait until the aircraft flies, fly a
programme of bank and pitch changes through the autopilot's properties, sample the attitude.

  fg_props.py --port 5401 wait-flying [--timeout 240]
  fg_props.py --port 5401 get PATH
  fg_props.py --port 5401 --http-port 5480 fly --seconds 75 --samples FILE [--events FILE]

`fly` engages the C172P's KAP140 autopilot through its properties (roll axis on turn rate, pitch
axis on vertical speed), then commands a right turn, wings level, a climb and level flight again,
while it samples /orientation/pitch-deg and /orientation/roll-deg through the HTTP server as fast
as FlightGear answers (once per frame of its own). Each sample line is "<t_us> <pitch_deg>
<roll_deg>", t_us on CLOCK_MONOTONIC (time.monotonic() on Linux) when the answer arrived.

Every socket operation has a time-out; exit status 0 on success, 1 on a time-out or a refused
connection, 2 on bad usage.
"""
import argparse
import http.client
import json
import socket
import sys
import time

# The programme: seconds after engaging -> (description, property settings).
# target-turn-rate is in turn-coordinator units (1 = standard rate, 3 deg/s); target-pressure-rate
# in inHg/s of static pressure (the KAP140 turns -0.0086 inHg/s into about +500 ft/min).
PROGRAMME = [
    (0.0, "autopilot on: wings level, hold vertical speed 0",
     [("/controls/engines/engine/throttle", "1.0"), ("/autopilot/KAP140/locks/roll-axis", "true"), ("/autopilot/KAP140/settings/target-turn-rate", "0"),
      ("/autopilot/KAP140/locks/pitch-axis", "true"), ("/autopilot/KAP140/settings/target-pressure-rate", "0")]),
    (12.0, "turn right at standard rate", [("/autopilot/KAP140/settings/target-turn-rate", "1.0")]),
    (27.0, "turn left at standard rate", [("/autopilot/KAP140/settings/target-turn-rate", "-1.0")]),
    (42.0, "wings level, climb at about 700 ft/min", [("/autopilot/KAP140/settings/target-turn-rate", "0"),
                                                      ("/autopilot/KAP140/settings/target-pressure-rate", "-0.012")]),
    (57.0, "level off", [("/autopilot/KAP140/settings/target-pressure-rate", "0")]),
]


class Props:
    """One telnet connection in data mode: "get" answers a bare value per line."""

    def __init__(self, host, port, timeout_s=5.0):
        self.sock = socket.create_connection((host, port), timeout=timeout_s)
        self.sock.settimeout(timeout_s)
        self.buffer = b""
        self.sock.sendall(b"data\r\n")

    def close(self):
        try:
            self.sock.sendall(b"quit\r\n")
        except OSError:
            pass
        self.sock.close()

    def _line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(4096)
            if not chunk:
                raise ConnectionError("FlightGear closed the property connection")
            self.buffer += chunk
            if len(self.buffer) > 65536:
                raise ConnectionError("FlightGear's answer has no line end within 64 KiB")
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode("ascii", "replace").strip()

    def get_many(self, paths):
        self.sock.sendall("".join(f"get {p}\r\n" for p in paths).encode("ascii"))
        return [self._line() for _ in paths]

    def set(self, path, value):
        # In data mode "set" answers nothing.
        self.sock.sendall(f"set {path} {value}\r\n".encode("ascii"))


class Attitude:
    """FlightGear's HTTP server, one kept-alive connection: /json/orientation gives pitch and roll of
    the same frame in one answer (the telnet server answers one request line per frame, so two
    values read there come from two frames)."""

    def __init__(self, host, port, timeout_s=5.0):
        self.connection = http.client.HTTPConnection(host, port, timeout=timeout_s)

    def attitude(self):
        self.connection.request("GET", "/json/orientation")
        response = self.connection.getresponse()
        body = response.read(1 << 20)
        if response.status != 200:
            raise ConnectionError(f"/json/orientation answered HTTP {response.status}")
        values = {}
        for child in json.loads(body).get("children", []):
            if isinstance(child, dict) and child.get("name") in ("pitch-deg", "roll-deg"):
                values[child["name"]] = as_float(str(child.get("value")), "/orientation/" + child["name"])
        if len(values) != 2:
            raise ValueError("/json/orientation has no pitch-deg or roll-deg")
        return values["pitch-deg"], values["roll-deg"]

    def close(self):
        self.connection.close()


def as_float(text, path):
    try:
        return float(text)
    except ValueError:
        raise ValueError(f"{path} answered '{text}', not a number") from None


def wait_flying(args):
    deadline = time.monotonic() + args.timeout
    last = "no connection"
    while time.monotonic() < deadline:
        try:
            props = Props(args.host, args.port)
            try:
                while time.monotonic() < deadline:
                    ready, altitude, speed = props.get_many(
                        ["/sim/sceneryloaded", "/position/altitude-agl-ft", "/velocities/airspeed-kt"])
                    last = f"scenery loaded '{ready}', {altitude} ft above ground, {speed} kt"
                    if ready in ("true", "1") and as_float(altitude, "altitude") > 500 and as_float(speed, "speed") > 50:
                        print(f"fg_props: flying: {last}")
                        return 0
                    time.sleep(1.0)
            finally:
                props.close()
        except (OSError, ConnectionError, ValueError) as e:
            last = str(e)
            time.sleep(2.0)
    print(f"fg_props: not flying after {args.timeout:.0f} s (last: {last})", file=sys.stderr)
    return 1


def fly(args):
    sampler = Attitude(args.host, args.http_port)
    control = Props(args.host, args.port)
    events = open(args.events, "w") if args.events else None
    programme = list(PROGRAMME)
    count = 0
    with open(args.samples, "w") as out:
        out.write("# t_us pitch_deg roll_deg (FlightGear /orientation, CLOCK_MONOTONIC)\n")
        start = time.monotonic()
        end = start + args.seconds
        while True:
            now = time.monotonic()
            if now >= end:
                break
            while programme and now - start >= programme[0][0]:
                at, what, settings = programme.pop(0)
                for path, value in settings:
                    control.set(path, value)
                line = f"{int(now * 1e6)} {what}"
                print(f"fg_props: t+{now - start:.1f} s: {what}")
                if events:
                    events.write(line + "\n")
                    events.flush()
            pitch, roll = sampler.attitude()
            out.write(f"{int(time.monotonic() * 1e6)} {pitch:.4f} {roll:.4f}\n")
            count += 1
    locks = control.get_many(["/autopilot/KAP140/locks/roll-axis", "/autopilot/KAP140/locks/pitch-axis",
                              "/velocities/airspeed-kt", "/position/altitude-ft"])
    print("fg_props: at the end: roll axis engaged %s, pitch axis engaged %s, %s kt, %s ft" % tuple(locks))
    sampler.close()
    control.close()
    if events:
        events.close()
    print(f"fg_props: {count} attitude samples in {args.seconds:.0f} s ({count / args.seconds:.1f} per second)")
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description="FlightGear's telnet property server for the end-to-end run.")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, required=True, help="the telnet property server's port")
    parser.add_argument("--http-port", type=int, default=0, help="the HTTP server's port (fly needs it)")
    sub = parser.add_subparsers(dest="command", required=True)
    w = sub.add_parser("wait-flying")
    w.add_argument("--timeout", type=float, default=240.0)
    g = sub.add_parser("get")
    g.add_argument("path")
    f = sub.add_parser("fly")
    f.add_argument("--seconds", type=float, default=75.0)
    f.add_argument("--samples", required=True)
    f.add_argument("--events")
    args = parser.parse_args(argv)
    try:
        if args.command == "wait-flying":
            return wait_flying(args)
        if args.command == "get":
            props = Props(args.host, args.port)
            print(props.get_many([args.path])[0])
            props.close()
            return 0
        if not args.http_port:
            parser.error("fly needs --http-port")
        return fly(args)
    except (OSError, ConnectionError, ValueError) as e:
        print(f"fg_props: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
