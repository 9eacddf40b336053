#!/usr/bin/env python3
"""FlightGear generic-protocol streams (the "orvane" protocol, dist/flightgear/orvane.xml): record
one with arrival times, replay a recording into OrvaneGCServer --source flightgear.

  fg_stream.py record --listen 5501 --seconds 90 --out REC [--protocol orvane.xml]
  fg_stream.py replay --recording REC --to 127.0.0.1:5500 --truth FILE [--protocol orvane.xml]
                      [--rate HZ] [--seconds S] [--pitch-steps MS]

A recording is text (gzip-compressed when its name ends in .gz): a header naming the protocol's property nodes in field order, then one line per
packet, "<t_us><TAB><packet text without its line end>", t_us on CLOCK_MONOTONIC at arrival.

replay sends the packets with their recorded spacing (or every 1/HZ s with --rate, the recording
looping), each field placed where the protocol file given now expects its node, so a recording
stays usable when fields are added: a node the recording lacks is sent as FlightGear sends a
property that does not exist (the generic protocol creates it without a value), an empty text for
a string chunk and the chunk's format applied to 0 for the others ("0", "0.000"). It writes the
attitude it sent as "<t_us> <pitch_deg> <roll_deg>" lines, the same format as fg_props.py's
samples, for attitude_compare.py. --pitch-steps MS replaces the pitch with 0 in even and 5 degrees
nose up in odd multiples of MS milliseconds of the monotonic clock (a latency measurement).
"""
import argparse
import ast
import gzip
import os
import socket
import sys
import time
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PROTOCOL = os.path.normpath(os.path.join(HERE, "..", "..", "dist", "flightgear", "orvane.xml"))
PITCH_NODE = "/orientation/pitch-deg"
ROLL_NODE = "/orientation/roll-deg"
MAX_PACKET = 4096
STEP_PITCH_DEG = 5.0


def read_protocol(path):
    """(nodes in field order, formats, types, separator) of the protocol's output block."""
    root = ET.parse(path).getroot()
    output = root.find("generic/output")
    if output is None:
        raise ValueError(f"{path}: no <generic><output> block")
    separator = (output.findtext("var_separator") or "").strip() or ","
    names = {"newline": "\n", "tab": "\t", "space": " ", "formfeed": "\f", "carriagereturn": "\r"}
    separator = names.get(separator, separator)
    nodes, formats, types = [], [], []
    for chunk in output.findall("chunk"):
        node = (chunk.findtext("node") or "").strip()
        if not node:
            raise ValueError(f"{path}: a chunk without <node>")
        nodes.append(node)
        formats.append((chunk.findtext("format") or "%s").strip())
        types.append((chunk.findtext("type") or "int").strip())
    if PITCH_NODE not in nodes or ROLL_NODE not in nodes:
        raise ValueError(f"{path}: the protocol has no {PITCH_NODE} or {ROLL_NODE}")
    return nodes, formats, types, separator


def absent_value(chunk_type, fmt):
    """What FlightGear writes for a chunk whose property does not exist."""
    if chunk_type == "string":
        return ""
    try:
        return fmt % 0
    except (TypeError, ValueError):
        return "0"


def record(args):
    nodes, _, _, separator = read_protocol(args.protocol)
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", args.listen))
    sock.settimeout(1.0)
    count = 0
    end = time.monotonic() + args.seconds
    with open(args.out, "w") as out:
        out.write("# orvane generic-protocol recording; separator " + repr(separator) + "\n")
        out.write("# nodes " + " ".join(nodes) + "\n")
        while time.monotonic() < end:
            try:
                data, _ = sock.recvfrom(MAX_PACKET)
            except socket.timeout:
                continue
            t_us = int(time.monotonic() * 1e6)
            text = data.decode("ascii", "replace").rstrip("\r\n")
            if "\t" in text or "\n" in text:
                continue  # not one line of the protocol
            out.write(f"{t_us}\t{text}\n")
            count += 1
    sock.close()
    print(f"fg_stream: recorded {count} packets in {args.seconds:.0f} s")
    return 0 if count else 1


def read_recording(path):
    """(nodes, separator, [(t_us, [fields])])."""
    nodes, separator, packets = None, ",", []
    opener = gzip.open if path.endswith(".gz") else open
    with opener(path, "rt", encoding="ascii", errors="replace") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if line.startswith("# nodes "):
                nodes = line[len("# nodes "):].split()
            elif line.startswith("# orvane generic-protocol recording; separator "):
                separator = ast.literal_eval(line.rsplit(" ", 1)[1])  # a repr()'d short string
            elif line.startswith("#") or not line:
                continue
            else:
                t, _, text = line.partition("\t")
                try:
                    packets.append((int(t), text.split(separator)))
                except ValueError:
                    raise ValueError(f"{path}:{number}: no arrival time") from None
    if nodes is None:
        raise ValueError(f"{path}: no '# nodes' header")
    if not packets:
        raise ValueError(f"{path}: no packets")
    return nodes, separator, packets


def replay(args):
    nodes, formats, types, separator = read_protocol(args.protocol)
    rec_nodes, _, packets = read_recording(args.recording)
    where = {node: i for i, node in enumerate(rec_nodes)}
    absent = [absent_value(t, f) for t, f in zip(types, formats)]
    missing = [n for n in nodes if n not in where]
    if missing:
        print("fg_stream: the recording lacks " + ", ".join(missing) + ": sent as FlightGear sends a property "
              "that does not exist", file=sys.stderr)
    pitch_field, roll_field = nodes.index(PITCH_NODE), nodes.index(ROLL_NODE)
    host, _, port = args.to.rpartition(":")
    target = (host or "127.0.0.1", int(port))
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    truth = open(args.truth, "w") if args.truth else None
    if truth:
        truth.write("# t_us pitch_deg roll_deg (as sent, CLOCK_MONOTONIC)\n")
    step_us = args.pitch_steps * 1000
    start = time.monotonic()
    first = packets[0][0]
    span = packets[-1][0] - first
    index, sent, lap = 0, 0, 0
    while True:
        if args.rate:
            due = start + sent / args.rate
        else:
            due = start + (lap * (span + 100_000) + packets[index][0] - first) / 1e6
        if args.seconds and due - start >= args.seconds:
            break
        if not args.rate and not args.seconds and lap > 0:
            break
        delay = due - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        fields = packets[index][1]
        values = [fields[where[n]] if n in where and where[n] < len(fields) else absent[i] for i, n in enumerate(nodes)]
        now_us = int(time.monotonic() * 1e6)
        if step_us:
            values[pitch_field] = formats[pitch_field] % (STEP_PITCH_DEG if (now_us // step_us) % 2 else 0.0)
        sock.sendto((separator.join(values) + "\n").encode("ascii"), target)
        sent += 1
        if truth:
            truth.write(f"{now_us} {values[pitch_field]} {values[roll_field]}\n")
        index += 1
        if index == len(packets):
            index, lap = 0, lap + 1
    sock.close()
    if truth:
        truth.close()
    print(f"fg_stream: sent {sent} packets in {time.monotonic() - start:.1f} s to {target[0]}:{target[1]}")
    return 0


def main(argv):
    parser = argparse.ArgumentParser(description="Record or replay a FlightGear orvane-protocol stream.")
    sub = parser.add_subparsers(dest="command", required=True)
    r = sub.add_parser("record")
    r.add_argument("--listen", type=int, required=True, help="UDP port on 127.0.0.1")
    r.add_argument("--seconds", type=float, required=True)
    r.add_argument("--out", required=True)
    r.add_argument("--protocol", default=DEFAULT_PROTOCOL)
    p = sub.add_parser("replay")
    p.add_argument("--recording", required=True)
    p.add_argument("--to", default="127.0.0.1:5500")
    p.add_argument("--truth")
    p.add_argument("--protocol", default=DEFAULT_PROTOCOL)
    p.add_argument("--rate", type=float, default=0.0, help="packets per second (default: as recorded)")
    p.add_argument("--seconds", type=float, default=0.0, help="stop after S s (default: one pass)")
    p.add_argument("--pitch-steps", type=int, default=0, help="MS: pitch steps 0 / 5 deg on multiples of MS")
    args = parser.parse_args(argv)
    if args.command == "replay" and args.rate < 0 or getattr(args, "seconds", 0) < 0:
        parser.error("--rate and --seconds must not be negative")
    try:
        return record(args) if args.command == "record" else replay(args)
    except (OSError, ValueError, ET.ParseError) as e:
        print(f"fg_stream: {e}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
