# Register files and the calibration analyses: as the tool reads and writes
# them, and the same figures as its "-xyfit" and "-angleerror" jobs print.
import math
import os
import subprocess

import numpy as np
import pytest
import talmir

TOOL = os.environ.get("TALMIR_BIN", "")


def test_save_registers_writes_the_register_pages_file(tmp_path):
    values = [0] + [a * 100 for a in range(1, 73)]
    talmir.save_registers(tmp_path / "a.rdt", values)
    assert (tmp_path / "a.rdt").read_bytes() == b"".join(b"%d\r\n" % v for v in values[1:])
    talmir.save_registers(str(tmp_path / "b.rdt"), {a: values[a] for a in range(1, 73)})
    assert (tmp_path / "b.rdt").read_bytes() == (tmp_path / "a.rdt").read_bytes()
    assert talmir.load_registers(tmp_path / "a.rdt") == {a: values[a] for a in range(1, 73)}


@pytest.mark.parametrize("text, result", [
    (b"1\n0x10\r\n$20\r-1\n", {1: 1, 2: 16, 3: 32, 4: 0xFFFF}),
    (b"5\n" * 81, {a: 5 for a in range(1, 82)}),
    (b"", ValueError), (b"1\n\n3\n", ValueError), (b"1\nabc\n", ValueError), (b"5\n" * 82, ValueError),
])
def test_load_registers(tmp_path, text, result):
    (tmp_path / "r.rdt").write_bytes(text)
    if isinstance(result, dict):
        assert talmir.load_registers(tmp_path / "r.rdt") == result
    else:
        with pytest.raises(result):
            talmir.load_registers(tmp_path / "r.rdt")


@pytest.mark.parametrize("text, result", [
    ("[REG_CFG]\n5=0x0505\n7=65535\n38=$1000\n72=4660\n73=1\nx=2\n",
     {5: 0x505, 7: 65535, 38: 0x1000, 72: 4660}),
    ("[other]\n5=1\n[reg_cfg]\n0=-1\n1=70000\n", {1: 70000 & 0xFFFF}),
    ("[CONFIG]\n5=1\n", ValueError),
])
def test_load_register_ini(tmp_path, text, result):
    (tmp_path / "r.ini").write_text(text)
    if isinstance(result, dict):
        assert talmir.load_register_ini(tmp_path / "r.ini") == result
    else:
        with pytest.raises(result):
            talmir.load_register_ini(tmp_path / "r.ini")


@pytest.mark.parametrize("call", [
    lambda p: talmir.load_registers(p / "missing.rdt"),
    lambda p: talmir.load_register_ini(p / "missing.ini"),
])
def test_a_missing_file_is_file_not_found(tmp_path, call):
    with pytest.raises(FileNotFoundError):
        call(tmp_path)


def test_a_register_file_that_cannot_be_saved_is_an_os_error(tmp_path):
    with pytest.raises(OSError):
        talmir.save_registers(tmp_path / "no" / "such" / "dir.rdt", [0] * 73)


def circle(n=4000, noise=3, seed=1):
    rng = np.random.default_rng(seed)
    phase = np.arange(n) * (7 * 2 * math.pi / n)  # seven turns
    x = (300 + 20000 * np.sin(phase) + rng.normal(0, noise, n)).round().astype(np.int64)
    y = (-200 + 19000 * np.cos(phase + 0.03) + rng.normal(0, noise, n)).round().astype(np.int64)
    angle = (np.arange(n) * (7 * 65536 / n) + 40 * np.sin(phase)).astype(np.int64) % 65536
    return angle, x, y


def job(*args):
    if not TOOL:
        pytest.skip("no talmir executable given")
    out = subprocess.run([TOOL, *map(str, args)], capture_output=True, text=True, check=True,
                         env={**os.environ, "QT_QPA_PLATFORM": "offscreen"}).stdout
    report = {}
    for line in out.splitlines():
        key, value = line.split("=")
        report[key] = int(value) if value.lstrip("-").isdigit() else float(value)
    return report


def test_ellipse_fit_gives_the_xyfit_jobs_figures(tmp_path):
    _, x, y = circle()
    (tmp_path / "xy.csv").write_text("X;Y\n" + "".join(f"{a};{b};\n" for a, b in zip(x, y)))
    fit = talmir.ellipse_fit(x, y)
    assert fit == job("-xyfit", tmp_path / "xy.csv")
    assert abs(fit["offset_x"] - 300) < 2 and fit["points"] == len(x)


def test_angle_error_gives_the_angleerror_jobs_figures(tmp_path):
    angle, x, y = circle()
    (tmp_path / "work.csv").write_text(
        "Angle;Anplitude;X;Y;\n" + "".join(f"{a:04X};0;{b};{c};\n" for a, b, c in zip(angle, x, y)))
    report = talmir.angle_error(angle, x, y)
    assert report == job("-angleerror", tmp_path / "work.csv")
    assert abs(report["h1_deg"] - 40 * 360 / 65536) < 0.01


def test_angle_error_without_channels_has_no_converter_figure():
    angle, x, y = circle()
    report = talmir.angle_error(angle)
    with_channels = talmir.angle_error(angle, x, y)
    assert report["cordic_rms_error_deg"] is None
    assert {k: v for k, v in report.items() if k != "cordic_rms_error_deg"} == \
        {k: v for k, v in with_channels.items() if k != "cordic_rms_error_deg"}


@pytest.mark.parametrize("call", [
    lambda: talmir.ellipse_fit([1, 2, 3], [1, 2, 3]),
    lambda: talmir.ellipse_fit([1, 2], [1]),
    lambda: talmir.angle_error(list(range(10))),
    lambda: talmir.angle_error([70000] * 100),
    lambda: talmir.angle_error([1.5] * 100),
    lambda: talmir.angle_error(list(range(100)), x=list(range(100))),
])
def test_analyses_refuse_what_the_jobs_refuse(call):
    with pytest.raises(ValueError):
        call()
