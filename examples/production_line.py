#!/usr/bin/env python3
"""One row per board: identify, write the register INI, read it back, capture
one second of angle data, fit the sine/cosine circle, and pass or fail.

    python3 production_line.py --demo --ini board.ini --csv boards.csv --boards 3

Each board is opened on the adapter given (index or serial number); with
--wait the script asks for the next board before opening it. The exit code
is 1 when any board failed, 2 when the set-up itself failed.
"""
import argparse
import csv
import datetime
import os
import sys
import time

import talmir

FIELDS = ["time", "board", "adapter", "hard_id", "registers", "samples", "alarms", "points",
          "offset_x", "offset_y", "mismatch_percent", "noise_lsb", "result", "reasons"]


def arguments():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--ini", required=True, help="register INI file with a [REG_CFG] section")
    p.add_argument("--csv", required=True, help="CSV file the rows are appended to")
    p.add_argument("--boards", type=int, default=1, help="how many boards to test")
    p.add_argument("--adapter", default="0", help="adapter index or serial number")
    p.add_argument("--library", help="MPSSE library file (default: the tool's binding order)")
    p.add_argument("--demo", action="store_true", help="the simulated adapter and chip")
    p.add_argument("--wait", action="store_true", help="ask for each board before testing it")
    p.add_argument("--mode", type=int, default=1, help="readout mode of the capture")
    p.add_argument("--rate", type=float, default=1000, help="capture rate in Hz")
    p.add_argument("--circle-seconds", type=float, default=1.0,
                   help="how long the sine/cosine channels are read for the circle")
    # The circle comes from two register reads per point, so a turning magnet
    # adds the jitter between them to the chip's own noise.
    p.add_argument("--max-noise", type=float, default=30, help="largest noise_lsb that passes")
    p.add_argument("--max-offset", type=float, default=1000, help="largest |offset| that passes")
    p.add_argument("--max-mismatch", type=float, default=5, help="largest |mismatch_percent|")
    return p.parse_args()


def signed(word):
    return word - 0x10000 if word & 0x8000 else word


def circle(chip, seconds):
    """Sine and cosine channels (registers 40 and 41) read as the XY page reads them."""
    x, y = [], []
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        y.append(signed(chip.read(41)))
        x.append(signed(chip.read(40)))
    return x, y


def test_board(args, registers, board):
    row = {"time": datetime.datetime.now().isoformat(timespec="seconds"), "board": board,
           "adapter": args.adapter}
    reasons = []
    adapter = int(args.adapter) if args.adapter.isdigit() else args.adapter
    try:
        with talmir.open(adapter, library=args.library, demo=args.demo) as chip:
            row["hard_id"] = "0x%04X" % chip.identify()
            for address, value in registers.items():
                chip.write(address, value)
            wrong = [a for a, v in registers.items() if chip.read(a) != v]
            row["registers"] = "ok" if not wrong else "differ: " + " ".join(map(str, wrong))
            if wrong:
                reasons.append("registers read back differ: " + " ".join(map(str, wrong)))
            samples = chip.capture(args.mode, args.rate, round(args.rate))
            row["samples"] = len(samples)
            alarms = int(sum((samples[f] != 0).sum() for f in ("AALM", "AAHM")
                             if f in samples.dtype.names))
            row["alarms"] = alarms
            if alarms:
                reasons.append(f"{alarms} magnet alarms in the capture")
            fit = talmir.ellipse_fit(*circle(chip, args.circle_seconds))
            row.update({k: fit[k] for k in ("points", "offset_x", "offset_y", "mismatch_percent",
                                            "noise_lsb")})
            if fit["noise_lsb"] > args.max_noise:
                reasons.append(f"noise {fit['noise_lsb']:.2f} LSB above {args.max_noise}")
            if max(abs(fit["offset_x"]), abs(fit["offset_y"])) > args.max_offset:
                reasons.append(f"offset above {args.max_offset}")
            if abs(fit["mismatch_percent"]) > args.max_mismatch:
                reasons.append(f"mismatch {fit['mismatch_percent']:.2f} % above {args.max_mismatch}")
    except talmir.NotIdentified as e:
        row["hard_id"] = "0x%04X" % e.value
        reasons.append(str(e))
    except (talmir.DeviceError, ValueError) as e:
        reasons.append(str(e))
    row["result"] = "fail" if reasons else "pass"
    row["reasons"] = "; ".join(reasons)
    return row


def main():
    args = arguments()
    try:
        registers = talmir.load_register_ini(args.ini)
    except (OSError, ValueError) as e:
        print(f"production_line: {e}", file=sys.stderr)
        return 2
    new = not os.path.exists(args.csv) or os.path.getsize(args.csv) == 0
    failed = 0
    with open(args.csv, "a", newline="") as f:
        out = csv.DictWriter(f, FIELDS)
        if new:
            out.writeheader()
        for board in range(1, args.boards + 1):
            if args.wait:
                input(f"Board {board}: connect it and press Enter ")
            row = test_board(args, registers, board)
            out.writerow(row)
            f.flush()
            failed += row["result"] == "fail"
            print(f"board {board}: {row['result']}" + (f" ({row['reasons']})" if row["reasons"] else ""))
    print(f"{args.boards - failed} of {args.boards} boards passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
