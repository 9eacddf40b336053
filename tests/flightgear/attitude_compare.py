#!/usr/bin/env python3
"""Does the display's picture follow the simulator's attitude?

Compares the display's frame log (ORVANE_FRAME_LOG) with the simulator's own attitude sampled on the
same monotonic clock, and prints a verdict with the numbers.

Frame log lines (comments start with '#'):
  <frame> <end_us> <flag> <since_pump_us> <since_last_frame_us> <messages> <snapshot> <pitch_deg> <bank_deg>
pitch_deg and bank_deg are the attitude of the decided frame, nose up and right wing down positive.

Attitude samples (comments start with '#'):
  <t_us> <pitch_deg> <roll_deg>
t_us on CLOCK_MONOTONIC (python's time.monotonic() * 1e6 on Linux), pitch nose up positive, roll
right wing down positive: FlightGear's /orientation/pitch-deg and /orientation/roll-deg, stamped
when the answer arrived; the sampler sends the next request as soon as an answer arrives (see
held_values for what that means for the moment a value stands for).

A frame passes when, for pitch and for bank alike, the simulator held a value within TOLERANCE
degrees of the shown one at some moment between the end of the frame LAG_FRAMES frames earlier and
the end of this frame: the picture is at most LAG_FRAMES frames behind the simulator and shows its
attitude to within the tolerance.

Usage: attitude_compare.py FRAME_LOG SAMPLES [--tolerance 1.0] [--lag-frames 2] [--skip-s 2]
                           [--min-pitch-range 3] [--min-bank-range 10] [--min-frames 300]
Exit status 0 when every compared frame passes and the flight moved enough to mean something.
"""
import argparse
import bisect
import sys


def read_frames(path):
    """(end_us, flag, pitch, bank) per frame line; raises ValueError naming the line if malformed."""
    frames = []
    with open(path, encoding="ascii", errors="replace") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split()
            if len(fields) < 9:
                raise ValueError(f"{path}:{number}: {len(fields)} columns, expected 9 "
                                 "(frame end_us flag since_pump_us since_last_frame_us messages snapshot "
                                 "pitch_deg bank_deg)")
            try:
                frames.append((int(fields[1]), int(fields[2]), float(fields[7]), float(fields[8])))
            except ValueError:
                raise ValueError(f"{path}:{number}: not a number in '{line}'") from None
    return frames


def read_samples(path):
    """(t_us, pitch, roll) per sample line, sorted by time."""
    samples = []
    with open(path, encoding="ascii", errors="replace") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split()
            if len(fields) < 3:
                raise ValueError(f"{path}:{number}: expected <t_us> <pitch_deg> <roll_deg>")
            try:
                samples.append((int(float(fields[0])), float(fields[1]), float(fields[2])))
            except ValueError:
                raise ValueError(f"{path}:{number}: not a number in '{line}'") from None
    samples.sort()
    return samples


def held_values(times, values, start_us, end_us):
    """The values the simulator may have had at some moment of [start_us, end_us].

    A sample is stamped when its answer arrives; the simulator took the value at some moment after
    the request left, which is when the previous answer arrived (FlightGear reads a request in one
    frame and sends the answer out in a later one). Between two samples its attitude moves from the
    one value to the next. So sample k's value, and the move on to sample k+1's, may fall anywhere
    between t[k-1] and t[k+1]: every sample whose span reaches into the interval counts, with the one
    after it."""
    if not times:
        return []
    first = bisect.bisect_right(times, start_us) - 1          # in force at the start
    last = min(bisect.bisect_right(times, end_us) + 1, len(times) - 1)
    return values[max(first, 0):last + 1]


def within(shown, held, tolerance):
    """Distance from `shown` to the nearest held value, and whether it is within the tolerance."""
    if not held:
        return float("inf"), False
    # Between two samples the attitude passed through every value in between: a value shown while the
    # simulator moved from a to b is right if it lies within [min, max] of what was held.
    low, high = min(held), max(held)
    distance = 0.0 if low <= shown <= high else min(abs(shown - low), abs(shown - high))
    return distance, distance <= tolerance


def compare(frames, samples, tolerance=1.0, lag_frames=2, skip_us=2_000_000):
    """Checks every frame that has LAG_FRAMES predecessors and lies inside the sampled span (after
    the first `skip_us`). Returns a dict of results."""
    times = [s[0] for s in samples]
    pitches = [s[1] for s in samples]
    rolls = [s[2] for s in samples]
    result = {"compared": 0, "failed": 0, "flagged": 0, "worst": None, "worst_distance": 0.0,
              "max_pitch_error_same_time": 0.0, "max_bank_error_same_time": 0.0, "periods_us": []}
    if not frames or not samples:
        return result
    begin = samples[0][0] + skip_us
    for i in range(lag_frames, len(frames)):
        end_us, flag, pitch, bank = frames[i]
        result["periods_us"].append(end_us - frames[i - 1][0])
        if end_us < begin or end_us > samples[-1][0]:
            continue
        if flag:
            result["flagged"] += 1
        window_start = frames[i - lag_frames][0]
        pitch_distance, pitch_ok = within(pitch, held_values(times, pitches, window_start, end_us), tolerance)
        bank_distance, bank_ok = within(bank, held_values(times, rolls, window_start, end_us), tolerance)
        result["compared"] += 1
        now = bisect.bisect_right(times, end_us) - 1
        result["max_pitch_error_same_time"] = max(result["max_pitch_error_same_time"], abs(pitch - pitches[now]))
        result["max_bank_error_same_time"] = max(result["max_bank_error_same_time"], abs(bank - rolls[now]))
        distance = max(pitch_distance, bank_distance)
        if not (pitch_ok and bank_ok):
            result["failed"] += 1
        if result["worst"] is None or distance > result["worst_distance"]:
            result["worst"] = (i, end_us, pitch, bank, pitch_distance, bank_distance)
            result["worst_distance"] = distance
    inside = [s for s in samples if s[0] >= begin]
    result["pitch_range"] = (min(s[1] for s in inside), max(s[1] for s in inside)) if inside else (0.0, 0.0)
    result["bank_range"] = (min(s[2] for s in inside), max(s[2] for s in inside)) if inside else (0.0, 0.0)
    return result


def median(values):
    if not values:
        return 0.0
    ordered = sorted(values)
    n = len(ordered)
    return ordered[n // 2] if n % 2 else (ordered[n // 2 - 1] + ordered[n // 2]) / 2


def main(argv):
    parser = argparse.ArgumentParser(description="Compare the display's frame log with the simulator's attitude.")
    parser.add_argument("frame_log")
    parser.add_argument("samples")
    parser.add_argument("--tolerance", type=float, default=1.0, help="degrees (default 1)")
    parser.add_argument("--lag-frames", type=int, default=2, help="frames the picture may lag (default 2)")
    parser.add_argument("--skip-s", type=float, default=2.0, help="seconds of samples to skip at the start")
    parser.add_argument("--min-pitch-range", type=float, default=3.0, help="degrees the pitch must span")
    parser.add_argument("--min-bank-range", type=float, default=10.0, help="degrees the bank must span")
    parser.add_argument("--min-frames", type=int, default=300, help="frames that must be compared")
    args = parser.parse_args(argv)
    try:
        frames = read_frames(args.frame_log)
        samples = read_samples(args.samples)
    except (OSError, ValueError) as e:
        print(f"attitude_compare: {e}", file=sys.stderr)
        return 2
    r = compare(frames, samples, args.tolerance, args.lag_frames, int(args.skip_s * 1e6))
    period_ms = median(r["periods_us"]) / 1000
    span_s = (samples[-1][0] - samples[0][0]) / 1e6 if samples else 0.0
    print(f"attitude_compare: {len(frames)} frames logged, {len(samples)} simulator samples over {span_s:.1f} s")
    print(f"attitude_compare: frame period median {period_ms:.1f} ms; allowed: {args.tolerance:g} deg, "
          f"{args.lag_frames} frames")
    if "pitch_range" in r:
        print("attitude_compare: simulator pitch %.2f .. %.2f deg, bank %.2f .. %.2f deg" % (r["pitch_range"] + r["bank_range"]))
    print(f"attitude_compare: {r['compared']} frames compared, {r['failed']} outside, {r['flagged']} with the failure flag")
    print("attitude_compare: largest difference to the simulator's value at the same moment: "
          f"pitch {r['max_pitch_error_same_time']:.2f} deg, bank {r['max_bank_error_same_time']:.2f} deg")
    if r["worst"] is not None:
        i, end_us, pitch, bank, dp, db = r["worst"]
        print(f"attitude_compare: worst frame #{i} at {end_us} us: shows pitch {pitch:.2f} bank {bank:.2f}, "
              f"{dp:.2f} / {db:.2f} deg from the nearest value held within {args.lag_frames} frames")
    problems = []
    if r["compared"] < args.min_frames:
        problems.append(f"only {r['compared']} frames compared (at least {args.min_frames} needed)")
    if r["failed"]:
        problems.append(f"{r['failed']} frames do not follow the simulator")
    if r["flagged"]:
        problems.append(f"{r['flagged']} frames show the failure flag")
    if "pitch_range" in r and r["pitch_range"][1] - r["pitch_range"][0] < args.min_pitch_range:
        problems.append(f"the pitch spans less than {args.min_pitch_range:g} deg: the check would prove little")
    if "bank_range" in r and r["bank_range"][1] - r["bank_range"][0] < args.min_bank_range:
        problems.append(f"the bank spans less than {args.min_bank_range:g} deg: the check would prove little")
    if problems:
        print("attitude_compare: FAIL: " + "; ".join(problems))
        return 1
    print("attitude_compare: PASS: the picture follows the simulator's attitude")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
