#!/usr/bin/env bash
# Runs every benchmark program of a build folder once, offscreen, then prints
# the headline figures, one line each: "figure: NAME VALUE" (n/a when the
# benchmark behind it failed or did not run).
set -uo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
status=0
for bench in BindingBench StartupBench ChartBench ChartHistoryBench XYBench SeriesStoreBench WireRateBench RoundTripBench CalibrationBench CaptureBench ReviewBench CaptureWindowBench ScriptBench; do
    echo "== $bench"
    if [[ ! -x "$build/bin/$bench" ]]; then
        echo "not built"
        continue
    fi
    "$build/bin/$bench" --benchmark_min_time=0.2 --benchmark_out="$results/$bench.json" \
        --benchmark_out_format=json 2>&1 | grep -v -e '^QStandardPaths' -e 'propagateSizeHints'
    code=${PIPESTATUS[0]}
    if [[ $code -ne 0 ]]; then
        echo "$bench exited with $code"
        status=1
    fi
done

# The Python module's side of ScriptBench, at the rate ScriptBench captured at.
echo "== script_bench.py"
rate=$(python3 -c 'import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
print(next(r["rate_hz"] for r in runs if r["name"].startswith("BM_Capture1e6") and "rate_hz" in r))' \
    "$results/ScriptBench.json" 2>/dev/null)
if [[ -n "$rate" && -e "$build/python" ]]; then
    PYTHONPATH="$build/python" /usr/bin/python3 "$(dirname "$0")/../bench/script_bench.py" \
        "$build/lib/libtalmirsim.so" "$rate" "$results/script_bench.json" || status=1
else
    echo "not run: ScriptBench gave no capture rate or the module is not built"
fi

echo "== figures"
python3 - "$results" <<'EOF'
import json, os, sys

results = sys.argv[1]

# Figure name, program, benchmark runs (name without its "/iterations:..."
# style suffixes), what to take and in which unit. A figure over several runs
# is their largest value.
def time(program, run, unit):
    return (program, [run], "real_time", unit)

def counter(program, runs, name):
    return (program, runs, name, None)

def wire(mode, latency):
    return counter("WireRateBench", [f"BM_ChartPollingAgainstWire/mode:{mode}/latency_us:{latency}"],
                   "ratio")

SUSTAINED_EMPTY = "BM_SustainedTicksAtOneMs/logging:1/prefill:0"
SUSTAINED_1E7 = "BM_SustainedTicksAtOneMs/logging:1/prefill:10000000"

FIGURES = [
    ("register_read_us", time("BindingBench", "BM_RegisterReadThroughBinding", "us")),
    ("register_read_direct_us", time("BindingBench", "BM_RegisterReadDirectIntoSimulator", "us")),
    ("startup_main_to_window_ms", ("StartupBench", None, "main_to_first_window_ms", None)),
    ("startup_window_ms", time("StartupBench", "BM_MainWindowShown", "ms")),
    ("startup_getdata_job_ms", time("StartupBench", "BM_GetDataJobProcess", "ms")),
    ("chart_tick_us", time("ChartBench", "BM_ChartTickWithLogging", "us")),
    ("chart2_redraw_ms_1e7", time("ChartBench", "BM_Chart2Redraw/10000000", "ms")),
    ("xy_add_point_ns", time("XYBench", "BM_AddXYPoint", "ns")),
    ("store_append_ns", time("SeriesStoreBench", "BM_StoreAppend", "ns")),
    ("store_bytes_per_sample", counter("SeriesStoreBench", ["BM_StoreFill1e8"], "bytes_per_sample")),
    ("rss_bytes_per_sample_1e8",
     counter("SeriesStoreBench", ["BM_StoreFill1e8"], "rss_bytes_per_sample")),
    ("store_m4_ms_1e7_full", time("SeriesStoreBench", "BM_M4FullView1e7", "ms")),
    ("store_m4_ms_1e3_in_1e8", time("SeriesStoreBench", "BM_M4Zoom1e3In1e8", "ms")),
    ("redraw_ms_4x1e7_full", time("ChartHistoryBench", "BM_Chart2FullRedraw/10000000", "ms")),
    ("redraw_gui_ms_4x1e7_full",
     counter("ChartHistoryBench", ["BM_Chart2FullRedraw/10000000"], "gui_ms")),
    ("redraw_ms_1e3_in_1e8", time("ChartHistoryBench", "BM_ZoomedRedraw1e3In1e8", "ms")),
    ("rss_mb_8h_4series", counter("ChartHistoryBench", ["BM_EightHoursFourSeries"], "rss_mb")),
    ("redraw_ms_8h_4series", time("ChartHistoryBench", "BM_EightHoursFourSeries", "ms")),
    ("chart_show_image_ms", time("ChartBench", "BM_Chart2ShowImage", "ms")),
    ("ticks_per_s_empty", counter("ChartBench", [SUSTAINED_EMPTY], "ticks_per_s")),
    ("bare_timer_ticks_per_s", counter("WireRateBench", ["BM_BareOneMsTimer/on_time:0"], "ticks_per_s")),
    ("on_time_timer_ticks_per_s", counter("WireRateBench", ["BM_BareOneMsTimer/on_time:1"], "ticks_per_s")),
    ("on_time_timer_cpu_share", counter("WireRateBench", ["BM_BareOneMsTimer/on_time:1"], "cpu_share")),
    ("ticks_ratio_1e7_vs_empty", ("ratio", counter("ChartBench", [SUSTAINED_1E7], "ticks_per_s"),
                                  counter("ChartBench", [SUSTAINED_EMPTY], "ticks_per_s"))),
    ("xy_redraw_ms_1e6", time("XYBench", "BM_RedrawXYAfterNewPoint/1000000", "ms")),
    ("xy_redraw_ms_1e7", time("XYBench", "BM_RedrawXYAfterNewPoint/10000000", "ms")),
    ("qcp_bytes_per_sample",
     counter("ChartHistoryBench", ["BM_QCustomPlotStorageRedraw"], "bytes_per_sample")),
    ("qcp_redraw_ms_4x1e7_full",
     time("ChartHistoryBench", "BM_QCustomPlotStorageRedraw/10000000", "ms")),
    ("wire_ratio_mode0_lat0", wire(0, 0)),
    ("wire_ratio_mode0_lat250", wire(0, 250)),
    ("wire_ratio_mode0_lat2000", wire(0, 2000)),
    ("wire_ratio_mode2_lat0", wire(2, 0)),
    ("wire_ratio_mode2_lat250", wire(2, 250)),
    ("wire_ratio_mode2_lat2000", wire(2, 2000)),
    ("event_gap_ms_polling_lat2000",
     counter("WireRateBench", [f"BM_ChartPollingAgainstWire/mode:{m}/latency_us:2000" for m in (0, 2)],
             "gap_ms")),
    ("event_gap_ms_read_all_lat2000",
     counter("WireRateBench", ["BM_ReadAllEventGap/latency_us:2000"], "gap_ms")),
    ("xyfit_ms_1e6", time("CalibrationBench", "BM_EllipseFit/1000000", "ms")),
    ("angleerror_ms_1e6", time("CalibrationBench", "BM_AngleError/1000000", "ms")),
    ("capture_frames_per_usb_read_mode2",
     counter("CaptureBench", ["BM_CaptureRun/mode2"], "frames_per_usb_read")),
    ("capture_clock_jitter_mode2", counter("CaptureBench", ["BM_CaptureRun/mode2"], "jitter_clocks")),
    ("capture_max_khz_mode2_30mhz", counter("CaptureBench", ["BM_MaxPacedRate/mode2_30mhz"], "khz")),
    ("capture_vs_polling_lat250",
     ("ratio", counter("CaptureWindowBench", ["BM_CaptureRate/latency_us:250"], "samples_per_s"),
      counter("WireRateBench", ["BM_ChartPollingAgainstWire/mode:2/latency_us:250"],
              "readings_per_s"))),
    ("capture_event_gap_ms", counter("CaptureWindowBench", ["BM_CaptureEventGap"], "gap_ms")),
    # The window thread's own processor time within that longest wait, and
    # the longest wait of the same probe with nothing running.
    ("capture_event_gap_cpu_ms",
     counter("CaptureWindowBench", ["BM_CaptureEventGap"], "gap_cpu_ms")),
    ("idle_event_gap_ms", counter("CaptureWindowBench", ["BM_IdleEventGap"], "gap_ms")),
    ("review_open_ns_per_line_1e7", counter("ReviewBench", ["BM_ReviewOpen1e7"], "ns_per_line")),
    ("review_open_cpu_ns_per_line_1e7",
     counter("ReviewBench", ["BM_ReviewOpen1e7"], "cpu_ns_per_line")),
    ("review_bytes_per_sample_1e7",
     counter("ReviewBench", ["BM_ReviewOpen1e7"], "bytes_per_sample")),
]
FIGURES += [
    ("py_register_read_ratio", ("ratio", ("script", "py_register_read_us"),
                                time("ScriptBench", "BM_RegisterRead", "us"))),
    ("py_capture_ns_per_sample", ("script", "py_capture_ns_per_sample")),
    ("capture_ns_per_sample_cpp", counter("ScriptBench", ["BM_Capture1e6"], "ns_per_sample")),
    ("py_capture_ratio", ("ratio", ("script", "py_capture_ns_per_sample"),
                          counter("ScriptBench", ["BM_Capture1e6"], "ns_per_sample"))),
]
for what in ("register_read", "angle_frame", "angle_frame_20bit", "read_all"):
    for kind in ("round_trips", "usb_writes", "usb_bytes_out", "usb_bytes_in"):
        FIGURES.append((f"{kind}_{what}", counter("RoundTripBench", [f"BM_RoundTrips/{what}"], kind)))

SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

def load(program):
    try:
        with open(os.path.join(results, program + ".json")) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None

def matches(run_name, base):
    return run_name == base or run_name.startswith(base + "/")

def value(source):
    if source[0] == "ratio":
        a, b = value(source[1]), value(source[2])
        return a / b if a is not None and b else None
    if source[0] == "script":
        data = load("script_bench")
        return data.get(source[1]) if data else None
    program, runs, key, unit = source
    data = load(program)
    if data is None:
        return None
    if runs is None:
        text = data.get("context", {}).get(key)
        try:
            return float(text)
        except (TypeError, ValueError):
            return None
    found = []
    for base in runs:
        hit = None
        for run in data.get("benchmarks", []):
            if run.get("run_type", "iteration") != "iteration" or run.get("error_occurred"):
                continue
            if matches(run.get("run_name", run["name"]), base) and key in run:
                hit = run[key]
                if key == "real_time":
                    hit *= SECONDS[run.get("time_unit", "ns")] / SECONDS[unit]
                break
        if hit is None:
            return None
        found.append(hit)
    return max(found)

def text(v):
    if v is None:
        return "n/a"
    if abs(v) >= 1000 or v == int(v):
        return f"{v:.0f}"
    return f"{v:.4g}" if abs(v) >= 1 else f"{v:.3f}"

for name, source in FIGURES:
    print(f"figure: {name} {text(value(source))}")
EOF
exit $status
