#!/usr/bin/env python3
"""Checks of attitude_compare.py on made-up frame logs: a roll at 20 deg/s (a brisk turn entry) and a
pitch change of 5 degrees, seen by a display drawing every 25 ms."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import attitude_compare  # noqa: E402

FRAME_US = 25_000
SAMPLE_US = 100_000  # the simulator publishes ten times a second


def simulator(t_us):
    """Pitch and roll at t: level for 3 s, then rolling right at 20 deg/s to 30 deg while the nose
    rises to 5 deg at 2 deg/s, then held."""
    t = t_us / 1e6
    climb = max(0.0, t - 3.0)
    return min(5.0, 2.0 * climb), min(30.0, 20.0 * climb)


def samples(seconds=12):
    return [(t, *simulator(t)) for t in range(0, seconds * 1_000_000, SAMPLE_US)]


def held(t_us):
    """What the simulator had published at t (the last sample at or before t)."""
    return simulator(t_us - t_us % SAMPLE_US)


def frames(seconds=12, lag_us=0, pitch_bias=0.0, bank_sign=1.0):
    """A display that shows, at the end of each frame, what the simulator held lag_us earlier."""
    out = []
    for i, end in enumerate(range(FRAME_US, seconds * 1_000_000, FRAME_US)):
        pitch, bank = held(max(0, end - lag_us))
        out.append((end, 0, pitch + pitch_bias, bank_sign * bank))
    return out


class Following(unittest.TestCase):
    def verdict(self, frame_list, sample_list, **kw):
        return attitude_compare.compare(frame_list, sample_list, **kw)

    def test_picture_one_frame_behind_passes(self):
        r = self.verdict(frames(lag_us=FRAME_US), samples())
        self.assertGreater(r["compared"], 300)
        self.assertEqual(r["failed"], 0)

    def test_picture_five_frames_behind_fails_during_the_roll(self):
        # 125 ms late at 20 deg/s is 2.5 degrees of bank: outside 1 degree and 2 frames.
        r = self.verdict(frames(lag_us=5 * FRAME_US + SAMPLE_US), samples())
        self.assertGreater(r["failed"], 0)
        # Only the frames while the attitude moves fail: the held 30 degrees are shown right.
        self.assertLess(r["failed"], r["compared"] // 2)

    def test_answers_arrive_after_the_value_was_taken(self):
        # A value was taken after the previous answer arrived and reaches the sampler later: a
        # picture that shows it up to two answers early is right, one that shows values three
        # answers ahead of the sampler is not.
        self.assertEqual(self.verdict(frames(lag_us=-3 * SAMPLE_US // 2), samples())["failed"], 0)
        self.assertGreater(self.verdict(frames(lag_us=-3 * SAMPLE_US), samples())["failed"], 0)

    def test_pitch_off_by_more_than_a_degree_fails_everywhere(self):
        self.assertEqual(self.verdict(frames(pitch_bias=0.8), samples())["failed"], 0)
        r = self.verdict(frames(pitch_bias=1.5), samples())
        self.assertEqual(r["failed"], r["compared"])

    def test_bank_drawn_the_wrong_way_fails(self):
        r = self.verdict(frames(bank_sign=-1.0), samples())
        self.assertGreater(r["failed"], 0)
        self.assertGreaterEqual(r["max_bank_error_same_time"], 59.0)

    def test_frames_outside_the_sampled_span_are_not_judged(self):
        r = self.verdict(frames(seconds=12, pitch_bias=5.0), samples(seconds=4), skip_us=2_000_000)
        self.assertEqual(r["compared"], r["failed"])
        self.assertTrue(60 <= r["compared"] <= 81, r["compared"])  # about 2 s of 25 ms frames


class Files(unittest.TestCase):
    def write(self, text):
        f = tempfile.NamedTemporaryFile("w", delete=False, suffix=".txt")
        f.write(text)
        f.close()
        self.addCleanup(os.unlink, f.name)
        return f.name

    def log_text(self, frame_list):
        lines = ["# frame end_us flag since_pump_us since_last_frame_us messages snapshot pitch_deg bank_deg"]
        lines += [f"{i} {end} {flag} 50 {FRAME_US} 0 -1 {p:.3f} {b:.3f}" for i, (end, flag, p, b) in enumerate(frame_list)]
        return "\n".join(lines) + "\n"

    def samples_text(self, sample_list):
        return "# t_us pitch_deg roll_deg\n" + "".join(f"{t} {p:.3f} {r:.3f}\n" for t, p, r in sample_list)

    def run_main(self, log_text, samples_text, *extra):
        return attitude_compare.main([self.write(log_text), self.write(samples_text), *extra])

    def test_verdicts_of_whole_runs(self):
        good_log, good_samples = self.log_text(frames(lag_us=FRAME_US)), self.samples_text(samples())
        self.assertEqual(self.run_main(good_log, good_samples), 0)
        # A failure flag on a frame fails the run even when the attitude is right.
        flagged = frames(lag_us=FRAME_US)
        flagged[200] = (flagged[200][0], 1, *flagged[200][2:])
        self.assertEqual(self.run_main(self.log_text(flagged), good_samples), 1)
        # A flight that never banks proves nothing.
        level = [(t, p, 0.0) for t, p, _ in samples()]
        level_frames = [(e, 0, p, 0.0) for e, _, p, _ in frames(lag_us=FRAME_US)]
        self.assertEqual(self.run_main(self.log_text(level_frames), self.samples_text(level)), 1)
        # Too short a run.
        self.assertEqual(self.run_main(good_log, good_samples, "--min-frames", "2000"), 1)

    def test_a_log_without_the_attitude_columns_is_refused_with_its_line(self):
        old = "# frame end_us flag since_pump_us since_last_frame_us messages snapshot\n0 25000 0 50 25000 0 -1\n"
        path = self.write(old)
        with self.assertRaisesRegex(ValueError, r":2: 7 columns, expected 9"):
            attitude_compare.read_frames(path)
        self.assertEqual(self.run_main(old, self.samples_text(samples())), 2)


if __name__ == "__main__":
    unittest.main()
