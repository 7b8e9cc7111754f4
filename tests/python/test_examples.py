# Both examples end to end with demo=True; for the sweep the simulated magnet
# turns ten times a second, so that short captures cover whole revolutions.
import csv
import os
import pathlib
import subprocess
import sys

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"
ENV = {**os.environ, "TALMIR_SIM_LATENCY_US": "0"}


def run(script, *args, signal="noise=3"):
    return subprocess.run([sys.executable, str(EXAMPLES / script), *map(str, args)],
                          capture_output=True, text=True, timeout=120,
                          env={**ENV, "TALMIR_SIM_SIGNAL": signal})


def production_line(tmp_path, *limits):
    (tmp_path / "board.ini").write_text("[REG_CFG]\n5=0x0505\n7=4660\n")
    done = run("production_line.py", "--demo", "--ini", tmp_path / "board.ini",
               "--csv", tmp_path / "boards.csv", "--boards", 2, *limits)
    with open(tmp_path / "boards.csv", newline="") as f:
        return done, list(csv.DictReader(f))


def test_production_line_passes_good_boards(tmp_path):
    done, rows = production_line(tmp_path, "--max-noise", 100)
    assert done.returncode == 0, done.stdout + done.stderr
    assert [(r["board"], r["hard_id"], r["registers"], r["result"]) for r in rows] == \
        [("1", "0x10F1", "ok", "pass"), ("2", "0x10F1", "ok", "pass")]
    assert all(int(r["samples"]) == 1000 and 0 < float(r["noise_lsb"]) < 100 for r in rows)


def test_production_line_fails_boards_outside_the_limits(tmp_path):
    done, rows = production_line(tmp_path, "--max-noise", 0.5)
    assert done.returncode == 1
    assert [r["result"] for r in rows] == ["fail", "fail"]
    assert all(r["reasons"].startswith("noise ") for r in rows)


def test_register_sweep_prints_the_angle_error_at_each_value():
    done = run("register_sweep.py", "--demo", "--register", 5, "--values", 0, "0x100", "0x200",
               "--seconds", 0.3, signal="rpm=600 noise=3")
    assert done.returncode == 0, done.stderr
    rows = list(csv.DictReader(done.stdout.splitlines()))
    assert [r["value"] for r in rows] == ["0x0000", "0x0100", "0x0200"]
    assert all(2.5 < float(r["revolutions"]) < 3.5 and float(r["rms_error_deg"]) < 0.2 for r in rows)
