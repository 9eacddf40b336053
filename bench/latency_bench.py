#!/usr/bin/env python3
"""Latency from simulator to pixel: from a change of the pitch in the source to the swap of the first
display frame that shows it.

Every source steps the pitch between level and 5 degrees nose up at each multiple of PERIOD ms of
the monotonic clock, so the time of every change is known without talking to the source. The display
runs headless with its frame log on (ORVANE_FRAME_LOG: end_us on the same clock, and the pitch of
the decided frame); for each change, the latency is the swap of the first frame after it whose pitch
is the new one (see measure()). Cases:

  ipc            the display in simulator mode against orvane-sim --pitch-steps
  net-single     network mode, one request at a time, OrvaneGCServer --source ipc on orvane-sim
  net-pipeline   the same with PIPELINE=Y
  xplane         OrvaneGCServer --source xplane fed by a fake X-Plane (RREF answers, 30 per second),
                 the display with PIPELINE=Y
  flightgear     OrvaneGCServer --source flightgear fed by a replayed FlightGear recording (30 per
                 second, tests/flightgear/recording.txt.gz), the display with PIPELINE=Y
  xplane-direct  the same fake X-Plane read by the display itself ([SIMULATOR] SOURCE=XPLANE)
  flightgear-direct  the same replayed feed read by the display itself ([SIMULATOR] SOURCE=FLIGHTGEAR)
  browser        the browser display in headless Chromium (software WebGL), classic panel at 1 x,
                 OrvaneGCServer --source ipc --web on orvane-sim (needs scripts/build.sh web, the web
                 folder beside the server, chromium and node); its frame ends when its animation
                 frame's drawing does (the page's own clock), and its row adds the page's frame cost

The floor of each case is one frame period of that run (median), plus, in network mode, one TCP round
trip on loopback, plus the source's own interval between values (the server's refresh of the IPC
source, or the UDP sender's interval). The goal is a median at most 1.2 x the floor. Since a change
comes at a random moment of the frame, a display without any waste has a median of about 1.5 frames
plus half the source's interval (plus the round trip): that figure is shown beside the floor. Prints
RESULT lines for scripts/bench.sh.

  latency_bench.py --run-dir build-bench/run [--cases ipc,xplane] [--seconds 15] [--period-ms 307]
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
FG_STREAM = os.path.join(ROOT, "tests", "flightgear", "fg_stream.py")
FG_RECORDING = os.path.join(ROOT, "tests", "flightgear", "recording.txt.gz")
FG_PROTOCOL = os.path.join(ROOT, "dist", "flightgear", "orvane.xml")
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
from fake_xplane import FakeXPlane  # noqa: E402  (X-Plane's side of RREF, answering SENDER_HZ times a second)
STEP_DEG = 5.0          # the nose-up pitch of odd periods; even periods are level
MATCH_DEG = 0.5         # a frame shows the new pitch when within this of it
WARMUP_S = 2.0          # changes in the display's first seconds are not counted
SENDER_HZ = 30          # the UDP sources' rate
REFRESH_MS = 20         # the server's IPC source refresh (its default)
GOAL = 1.2
ALL_CASES = ["ipc", "net-single", "net-pipeline", "xplane", "xplane-direct", "flightgear", "flightgear-direct",
             "browser"]
BROWSER_FRAMES = os.path.join(HERE, "browser_frames.mjs")
TITLES = {
    "ipc": "Latency, IPC (orvane-sim)",
    "net-single": "Latency, network one by one (server on orvane-sim)",
    "net-pipeline": "Latency, network PIPELINE (server on orvane-sim)",
    "xplane": "Latency, X-Plane (fake RREF sender, 30/s)",
    "flightgear": "Latency, FlightGear (replayed feed, 30/s)",
    "xplane-direct": "Latency, X-Plane read by the display (fake RREF sender, 30/s)",
    "flightgear-direct": "Latency, FlightGear read by the display (replayed feed, 30/s)",
    "browser": "Latency, browser (headless Chromium, WebSocket to the server on orvane-sim)",
}


def free_port(kind=socket.SOCK_STREAM):
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def median(values):
    ordered = sorted(values)
    n = len(ordered)
    if n == 0:
        return -1.0
    return ordered[n // 2] if n % 2 else (ordered[n // 2 - 1] + ordered[n // 2]) / 2


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(p / 100 * len(ordered)))] if ordered else -1.0


def loopback_round_trip_us(count=300):
    """Median of TCP ping-pongs of one small message on loopback."""
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(1)
    client = socket.create_connection(server.getsockname(), timeout=5)
    peer, _ = server.accept()
    peer.settimeout(5)
    client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    peer.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def echo():
        for _ in range(count):
            data = peer.recv(64)
            if not data:
                return
            peer.sendall(data)

    thread = threading.Thread(target=echo)
    thread.start()
    times = []
    for _ in range(count):
        t0 = time.perf_counter()
        client.sendall(b"12144,8,2\0")
        client.recv(64)
        times.append((time.perf_counter() - t0) * 1e6)
    thread.join(5)
    for s in (client, peer, server):
        s.close()
    return median(times)


def stepped_xplane(period_us):
    """The fake X-Plane's values: theta (pitch) steps between level and STEP_DEG nose up every period;
    all else is 0."""
    def value(path, now):
        step = (int(now * 1e6) // period_us) % 2
        return STEP_DEG if (path == "sim/flightmodel/position/theta" and step) else 0.0
    return value


class SkippedCase(Exception):
    """A case whose programs are not there (the browser's): its row says so, and the run goes on."""


class Case:
    def __init__(self, name, args, folder):
        self.name = name
        self.args = args
        self.folder = folder
        self.processes = []
        self.fake = None
        self.interval_ms = 0.0
        self.network = name not in ("ipc", "xplane-direct", "flightgear-direct")
        self.note = ""  # what the row adds after its figures
        self.env = dict(os.environ, ORVANE_IPC_NAMESPACE=f"latency-bench-{os.getpid()}-{name}",
                        SDL_VIDEODRIVER=os.environ.get("SDL_VIDEODRIVER", "offscreen"), ORVANE_NO_DIALOGS="1")

    def start(self, program, arguments, log):
        out = open(os.path.join(self.folder, log), "w")
        self.processes.append(subprocess.Popen([program] + arguments, stdout=out, stderr=subprocess.STDOUT,
                                               env=self.env, cwd=self.folder))
        return self.processes[-1]

    def wait_for_port(self, port, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return True
            except OSError:
                time.sleep(0.05)
        return False

    def stop_all(self):
        for p in self.processes:
            if p.poll() is None:
                p.terminate()
        for p in self.processes:
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait(5)
        if self.fake:
            self.fake.stop()

    def run(self):
        """Starts the source and the display; returns the frame log path or raises RuntimeError."""
        run_dir, period_ms, seconds = self.args.run_dir, self.args.period_ms, self.args.seconds
        sim = os.path.join(run_dir, "orvane-sim")
        server = os.path.join(run_dir, "OrvaneGCServer")
        port = free_port()
        simulator = ""  # the [SIMULATOR] keys of the direct cases
        if self.name in ("ipc", "net-single", "net-pipeline", "browser"):
            self.start(sim, ["--freeze", "--demo-time", "264", "--pitch-steps", str(period_ms)], "orvane-sim.log")
            time.sleep(0.3)
        if self.name in ("net-single", "net-pipeline"):
            self.start(server, ["--source", "ipc", "--refresh-ms", str(REFRESH_MS), "--port", str(port),
                                "--bind", "127.0.0.1"], "server.log")
            self.interval_ms = REFRESH_MS
        elif self.name == "browser":
            return self.run_browser(server, port)
        elif self.name == "xplane":
            self.fake = FakeXPlane(stepped_xplane(period_ms * 1000), rate=SENDER_HZ)
            self.start(server, ["--source", "xplane", "--xplane-port", str(self.fake.port), "--rate", str(SENDER_HZ),
                                "--port", str(port), "--bind", "127.0.0.1"], "server.log")
            self.interval_ms = 1000.0 / SENDER_HZ
        elif self.name == "xplane-direct":
            self.fake = FakeXPlane(stepped_xplane(period_ms * 1000), rate=SENDER_HZ)
            simulator = f"SOURCE=XPLANE\nXPLANEHOST=127.0.0.1\nXPLANEPORT={self.fake.port}\n"
            self.interval_ms = 1000.0 / SENDER_HZ
        elif self.name in ("flightgear", "flightgear-direct"):
            feed = free_port(socket.SOCK_DGRAM)
            if self.name == "flightgear":
                self.start(server, ["--source", "flightgear", "--fg-port", str(feed), "--port", str(port),
                                    "--bind", "127.0.0.1"], "server.log")
            else:
                simulator = f"SOURCE=FLIGHTGEAR\nFGPORT={feed}\n"
            self.start(sys.executable, [FG_STREAM, "replay", "--recording", FG_RECORDING, "--protocol", FG_PROTOCOL,
                                        "--to", f"127.0.0.1:{feed}", "--rate", str(SENDER_HZ),
                                        "--seconds", str(seconds + 10), "--pitch-steps", str(period_ms)], "replay.log")
            self.interval_ms = 1000.0 / SENDER_HZ
        if self.network and not self.wait_for_port(port):
            raise RuntimeError("the server does not listen")
        if self.name in ("xplane", "flightgear"):
            time.sleep(0.5)  # the first values arrive
        for name in os.listdir(run_dir):
            if name.endswith((".txr", ".bmp", ".ico")):
                shutil.copy(os.path.join(run_dir, name), self.folder)
        pipeline = "N" if self.name == "net-single" else "Y"
        with open(os.path.join(self.folder, "OrvaneGCPfd.INI"), "w") as ini:
            ini.write(f"[LAN]\nUSELAN={'Y' if self.network else 'N'}\nORVANEGCSERVER=127.0.0.1\nORVANEGCPORT={port}\n"
                      f"PIPELINE={pipeline}\n[WINDOW]\nX=0\nY=0\nMAXFPS=0\n[SIMULATOR]\n{simulator}")
        log = os.path.join(self.folder, "frames.log")
        self.env["ORVANE_FRAME_LOG"] = log
        self.env["ORVANE_RUN_SECONDS"] = str(int(seconds))
        display = self.start(os.path.join(run_dir, "OrvaneGCPfd"), [], "display.log")
        try:
            display.wait(seconds + 30)
        except subprocess.TimeoutExpired:
            raise RuntimeError("the display did not end after its run time") from None
        return log

    def run_browser(self, server, port):
        """The browser case: the server with its web side, the page in headless Chromium; its frames
        written as the display's frame log (the end of each frame's drawing on the monotonic clock)."""
        # The web folder beside the server, or the browser build's own.
        web_root = next((d for d in (os.path.join(self.args.run_dir, "web"), os.path.join(ROOT, "build", "web", "run", "web"))
                         if os.path.isfile(os.path.join(d, "orvane_web.wasm"))), None)
        if web_root is None:
            raise SkippedCase("no browser build (scripts/build.sh web)")
        for tool in ("node", "chromium"):
            if shutil.which(tool) is None:
                raise SkippedCase(f"{tool} not found (scripts/install-deps.sh web)")
        web_port = free_port()
        self.start(server, ["--source", "ipc", "--refresh-ms", str(REFRESH_MS), "--port", str(port), "--bind", "127.0.0.1",
                            "--web", str(web_port), "--web-root", web_root], "server.log")
        self.interval_ms = REFRESH_MS
        if not self.wait_for_port(web_port):
            raise RuntimeError("the server's web side does not listen")
        out = os.path.join(self.folder, "browser.json")
        node = self.start("node", [BROWSER_FRAMES, "--url", f"http://127.0.0.1:{web_port}/?layout=classic",
                                   "--seconds", str(self.args.seconds), "--width", "332", "--height", "332",
                                   "--out", out], "browser.log")
        try:
            node.wait(self.args.seconds + 90)
        except subprocess.TimeoutExpired:
            raise RuntimeError("the browser run did not end") from None
        if node.returncode != 0 or not os.path.isfile(out):
            raise RuntimeError(f"the browser run failed (see {self.folder}/browser.log)")
        import json
        with open(out) as f:
            result = json.load(f)
        log = os.path.join(self.folder, "frames.log")
        with open(log, "w") as f:
            f.write("# frame end_us flag since_pump_us since_last_frame_us messages snapshot pitch_deg bank_deg flags\n")
            last = None
            for k, (end, pitch) in enumerate(result["frames"]):
                since = end - last if last is not None else 0
                # The frame is on its way to the screen when the animation frame that takes it begins
                # (headless, the compositor has no display to wait for): the swap the measurement
                # looks for is this moment, one line later.
                # A frame without a pitch (the link down) shows neither the old pitch nor the new.
                f.write(f"{k} {end} 0 {since} {since} 0 0 {pitch if pitch is not None else 999.0} 0 -\n")
                last = end
        costs = sorted(result["drawMs"])
        if costs:
            self.note = (f"; page frame cost median {median(costs):.1f} ms, p90 {percentile(costs, 90):.1f}, "
                         f"{result['framesPerSecond']:.1f} frames/s; page clock within "
                         f"{result['clockUncertaintyUs'] / 1000:.2f} ms")
        return log


def measure(log, period_ms):
    """Per pitch change, the latency in ms to the swap of the first frame that shows it, and to the
    end of its drawing (end_us); the median frame period (ms); changes missed; frames that showed a
    pitch neither old nor new.

    end_us is noted before the swap, and llvmpipe does much of its drawing in the swap; the swap is
    over when the loop next looks at its message queue, right before the next frame, which that
    frame's line tells as end_us - since_pump_us."""
    frames = []
    with open(log) as f:
        header = f.readline()
        if "pitch_deg" not in header:
            raise RuntimeError("the display's frame log has no pitch_deg column")
        for line in f:
            fields = line.split()
            if len(fields) >= 9 and not line.startswith("#"):
                frames.append((int(fields[1]), int(fields[3]), int(fields[4]), float(fields[7])))
    if len(frames) < 20:
        raise RuntimeError(f"only {len(frames)} frames logged")
    period_us = period_ms * 1000
    begin = frames[0][0] + int(WARMUP_S * 1e6)
    end = frames[-1][0]
    swapped, drawn, missed, odd = [], [], 0, 0
    edge = (begin // period_us + 1) * period_us
    i = 0
    while edge + period_us <= end:
        new = STEP_DEG if (edge // period_us) % 2 else 0.0
        while i < len(frames) and frames[i][0] < edge:
            i += 1
        j = i
        while j < len(frames) and frames[j][0] < edge + period_us and abs(frames[j][3] - new) > MATCH_DEG:
            if abs(frames[j][3] - (STEP_DEG - new)) > MATCH_DEG:
                odd += 1
            j += 1
        if j + 1 < len(frames) and frames[j][0] < edge + period_us:
            drawn.append((frames[j][0] - edge) / 1000)
            swapped.append((max(frames[j][0], frames[j + 1][0] - frames[j + 1][1]) - edge) / 1000)
        else:
            missed += 1
        edge += period_us
    periods = [f[2] / 1000 for f in frames[1:] if f[0] >= begin]
    return swapped, drawn, median(periods), missed, odd


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--run-dir", required=True,
                        help="folder of OrvaneGCPfd, OrvaneGCServer, orvane-sim, artwork (and web/ for the browser)")
    parser.add_argument("--cases", default=",".join(ALL_CASES))
    parser.add_argument("--seconds", type=float, default=15.0, help="display run time per case")
    parser.add_argument("--period-ms", type=int, default=307,
                        help="time between pitch changes (not a multiple of a frame period, so that "
                             "successive changes fall on different moments of the frame)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folders")
    args = parser.parse_args(argv)
    args.run_dir = os.path.abspath(args.run_dir)
    cases = [c for c in args.cases.split(",") if c]
    for c in cases:
        if c not in ALL_CASES:
            parser.error(f"unknown case '{c}' (known: {', '.join(ALL_CASES)})")
    if args.seconds < WARMUP_S + 3 or args.period_ms < 100:
        parser.error("--seconds at least 5 and --period-ms at least 100")
    rtt_ms = loopback_round_trip_us() / 1000
    print(f"latency_bench: TCP round trip on loopback {rtt_ms * 1000:.0f} us", file=sys.stderr)
    status = 0
    for name in cases:
        folder = tempfile.mkdtemp(prefix=f"orvane-latency-{name}-")
        case = Case(name, args, folder)
        try:
            log = case.run()
            latencies, drawn, frame_ms, missed, odd = measure(log, args.period_ms)
        except SkippedCase as e:
            print(f"latency_bench: {name}: skipped: {e}", file=sys.stderr)
            print(f"RESULT\t{TITLES[name]}\tskipped ({e})\t-\t-\t<= {GOAL:g} x\tn/a", flush=True)
            continue
        except (RuntimeError, OSError) as e:
            print(f"latency_bench: {name}: {e} (logs in {folder})", file=sys.stderr)
            print(f"RESULT\t{TITLES[name]}\tn/a ({e})\t-\t-\t<= {GOAL:g} x\tn/a", flush=True)
            status = 1
            continue
        finally:
            case.stop_all()
        floor = frame_ms + case.interval_ms + (rtt_ms if case.network else 0.0)
        figure = median(latencies)
        ratio = figure / floor if latencies and floor > 0 else -1
        parts = (f"{figure:.1f} ms to the swap (p90 {percentile(latencies, 90):.1f}, min {min(latencies, default=-1):.1f}; "
                 f"drawn {median(drawn):.1f}; {len(latencies)} changes, {missed} missed, {odd} odd frames{case.note})")
        # Without any waste, a change at a random moment waits half a frame for the next fetch (and
        # half the source's interval for the next value), then one frame of fetching and drawing.
        ideal = 1.5 * frame_ms + case.interval_ms / 2 + (rtt_ms if case.network else 0.0)
        floor_text = (f"{floor:.1f} ms (frame {frame_ms:.1f}" + (f" + interval {case.interval_ms:.1f}" if case.interval_ms else "")
                      + (f" + round trip {rtt_ms:.2f}" if case.network else "")
                      + f"; waste-free median {ideal:.1f}, ratio to it "
                      + (f"{figure / ideal:.2f})" if latencies else "n/a)"))
        met = "n/a" if ratio < 0 else ("yes" if ratio <= GOAL and missed == 0 else "NO")
        print(f"RESULT\t{TITLES[name]}\t{parts}\t{floor_text}\t" + (f"{ratio:.2f} x" if ratio > 0 else "n/a")
              + f"\t<= {GOAL:g} x\t{met}", flush=True)
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)
        else:
            print(f"latency_bench: {name}: kept {folder}", file=sys.stderr)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
