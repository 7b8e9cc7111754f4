#!/usr/bin/env python3
"""Steps one register through values; at each, captures the angle and prints
the angle-error figures of the "-angleerror" job as one CSV row.

    python3 register_sweep.py --demo --register 5 --values 0 0x100 0x200

The register is set back to its first value read when the sweep ends. The
capture must cover at least one revolution of the magnet.
"""
import argparse
import csv
import sys

import numpy as np
import talmir

FIGURES = ["points", "revolutions", "rms_error_deg", "peak_error_deg", "h1_deg", "h2_deg",
           "h3_deg", "h4_deg"]


def arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--register", type=lambda t: int(t, 0), required=True)
    p.add_argument("--values", type=lambda t: int(t, 0), nargs="+", required=True)
    p.add_argument("--adapter", default="0", help="adapter index or serial number")
    p.add_argument("--library", help="MPSSE library file (default: the tool's binding order)")
    p.add_argument("--demo", action="store_true", help="the simulated adapter and chip")
    p.add_argument("--mode", type=int, choices=(1, 2), default=1,
                   help="readout mode with a 16-bit angle")
    p.add_argument("--rate", type=float, default=2000, help="capture rate in Hz")
    p.add_argument("--seconds", type=float, default=2.5, help="capture length")
    return p.parse_args()


def evenly_spaced(samples):
    """The angle at evenly spaced instants: the analysis takes the samples as
    equally far apart, and a capture's bursts leave gaps between them."""
    t = samples["t_us"].astype(float)
    turns = np.unwrap(samples["Angle"] * (2 * np.pi / 65536)) / (2 * np.pi)
    even = np.interp(np.linspace(t[0], t[-1], len(t)), t, turns)
    return np.round(even * 65536).astype(np.int64) % 65536


def main():
    args = arguments()
    adapter = int(args.adapter) if args.adapter.isdigit() else args.adapter
    out = csv.writer(sys.stdout)
    out.writerow(["register", "value"] + FIGURES)
    try:
        with talmir.open(adapter, library=args.library, demo=args.demo) as chip:
            chip.identify()
            before = chip.read(args.register)
            try:
                for value in args.values:
                    chip.write(args.register, value)
                    samples = chip.capture(args.mode, args.rate, round(args.rate * args.seconds))
                    report = talmir.angle_error(evenly_spaced(samples))
                    out.writerow([args.register, "0x%04X" % value] + [report[k] for k in FIGURES])
            finally:
                chip.write(args.register, before)
    except (talmir.DeviceError, talmir.NotIdentified, ValueError) as e:
        print(f"register_sweep: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
