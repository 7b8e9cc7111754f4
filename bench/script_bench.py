#!/usr/bin/env python3
"""The Python side of ScriptBench, on the simulator without latency: a
register read through talmir.Chip.read (the mean of 10^4 reads, in us) and a
capture of 10^6 samples of readout mode 1 into numpy at the rate ScriptBench
captured at (the mean of three, ns per sample), as ScriptBench averages. Writes a JSON object
with py_register_read_us and py_capture_ns_per_sample.

    PYTHONPATH=build/python script_bench.py SIM_LIBRARY RATE_HZ OUT.json
"""
import ctypes
import json
import sys
import time

import talmir

sim_path, rate, out = sys.argv[1], float(sys.argv[2]), sys.argv[3]
sim = ctypes.CDLL(sim_path)
sim.TalmirSim_Reset()

with talmir.open(library=sim_path, clock_khz=1000) as chip:
    chip.read(17)
    runs = []
    for _ in range(5):
        start = time.perf_counter()
        for _ in range(2000):
            chip.read(17)
        runs.append((time.perf_counter() - start) / 2000 * 1e6)
    read_us = sum(runs) / len(runs)

with talmir.open(library=sim_path, clock_khz=30000) as chip:
    runs = []
    for _ in range(3):
        start = time.perf_counter()
        samples = chip.capture(1, rate, 1_000_000)
        runs.append((time.perf_counter() - start) / len(samples) * 1e9)
    capture_ns = sum(runs) / len(runs)

with open(out, "w") as f:
    json.dump({"py_register_read_us": read_us, "py_capture_ns_per_sample": capture_ns}, f)
print(f"talmir.Chip.read: {read_us:.2f} us; capture of 10^6 samples at {rate:.0f} Hz: "
      f"{capture_ns:.1f} ns per sample")
