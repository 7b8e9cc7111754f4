# talmir.open, Chip and its errors against the simulated adapter.
import threading
import time

import numpy as np
import pytest
import talmir

from conftest import SIM

FT_IO_ERROR = 4
# Interface-mode registers 38 and 11 that make the chip send each mode's frame.
MODE_REGISTERS = {0: (0, 0), 1: (0, 0), 2: (0x1000, 0), 3: (0, 0x0800), 4: (0x1000, 0x0800),
                  5: (0x2000, 0)}
HEADERS = {
    0: ["Angle", "AngleRaw", "Velocity"],
    1: ["Angle", "ADC", "AALM", "AAHM", "CRC", "Data(hex)", "Data(bin)"],
    2: ["Angle", "ADC", "AALM", "AAHM", "CRC", "Data1(hex)", "Data0(hex)"],
    3: ["Angle", "ADC", "AALM", "AAHM", "Data2(hex)", "Data1(hex)"],
    4: ["Angle", "AALM", "AAHM", "Temp", "ACode", "Data2(hex)", "Data1(hex)", "Data0(hex)"],
    5: ["Data4(hex)", "Data3(hex)", "Data2(hex)", "Data1(hex)", "Data0(hex)"],
}


def set_mode(control, mode, prefix="TalmirSim_"):
    reg38, reg11 = MODE_REGISTERS[mode]
    getattr(control, prefix + "SetRegister")(38, reg38)
    getattr(control, prefix + "SetRegister")(11, reg11)


def test_adapters_lists_the_simulated_channel(sim):
    assert talmir.adapters(library=SIM) == [
        {"index": 0, "type": "232H", "description": "TALMIR simulated SPI",
         "serial": "TLM00001", "opened": False}]


@pytest.mark.parametrize("adapter", [0, "0", "TLM00001"])
def test_open_chooses_the_channel_by_index_or_serial(sim, adapter):
    with talmir.open(adapter, library=SIM) as chip:
        assert chip.read(0) == 0x10F1


@pytest.mark.parametrize("adapter", [1, "TLM00002", ""])
def test_open_names_an_adapter_that_is_not_there(sim, adapter):
    with pytest.raises(talmir.DeviceError, match=f'no adapter channel "{adapter}"') as e:
        talmir.open(adapter, library=SIM)
    assert e.value.call is None and e.value.status is None


@pytest.mark.parametrize("kwargs, error", [
    ({"adapter": -1}, ValueError), ({"adapter": 0.0}, TypeError), ({"adapter": True}, TypeError),
    ({"clock_khz": 0}, ValueError), ({"clock_khz": 5_000_000}, ValueError),
])
def test_open_refuses_bad_arguments(sim, kwargs, error):
    with pytest.raises(error):
        talmir.open(library=SIM, **kwargs)


def test_a_library_that_does_not_load_is_a_device_error(tmp_path):
    with pytest.raises(talmir.DeviceError, match="не была загружена") as e:
        talmir.open(library=tmp_path / "missing.so")
    assert str(tmp_path / "missing.so") in str(e.value)


def test_open_sets_the_clock(sim):
    with talmir.open(library=SIM, clock_khz=2000) as chip:
        chip.read(1)
        assert sim.TalmirSim_ClockRate() == 2_000_000
        assert chip.library == SIM


def test_identify_returns_the_hard_id_and_drives_the_programming_line(sim, chip):
    assert chip.identify() == 0x10F1
    assert chip.programming_mode
    assert sim.TalmirSim_GpioValue() & 1


def test_identify_raises_not_identified_with_the_last_value(sim, chip):
    sim.TalmirSim_SetRegister(0, 0x1234)
    with pytest.raises(talmir.NotIdentified) as e:
        chip.identify()
    assert e.value.value == 0x1234


def test_a_failed_transfer_is_a_device_error_with_call_and_status(sim, chip):
    sim.TalmirSim_FailCall(b"SPI_Read", FT_IO_ERROR, 0)
    for call in (chip.identify, lambda: chip.read(5), lambda: chip.frame(2)):
        with pytest.raises(talmir.DeviceError) as e:
            call()
        assert (e.value.call, e.value.status) == ("SPI_Read", FT_IO_ERROR)
        assert "FT_IO_ERROR" in str(e.value)


def test_write_then_read(sim, chip):
    chip.write(5, 0xBEEF)
    assert sim.TalmirSim_GetRegister(5) == 0xBEEF
    assert chip.read(5) == 0xBEEF


@pytest.mark.parametrize("call", [
    lambda c: c.read(-1), lambda c: c.read(73), lambda c: c.write(73, 0),
    lambda c: c.write(5, -1), lambda c: c.write(5, 0x10000),
    lambda c: c.write_all([0] * 72), lambda c: c.write_all({a: 0 for a in range(1, 72)}),
    lambda c: c.write_all({**{a: 0 for a in range(1, 73)}, 73: 0}),
    lambda c: c.write_all([0] * 72 + [0x10000]),
])
def test_addresses_and_values_out_of_range_are_value_errors(sim, chip, call):
    with pytest.raises(ValueError):
        call(chip)
    assert sim.TalmirSim_ChannelOpen() == 0  # nothing was sent


def test_read_all_and_write_all(sim, chip):
    for a in range(73):
        sim.TalmirSim_SetRegister(a, 0x100 + a)
    assert chip.read_all() == [0x100 + a for a in range(73)]
    chip.write_all([0] + [a * 3 for a in range(1, 73)])
    assert [sim.TalmirSim_GetRegister(a) for a in range(1, 73)] == [a * 3 for a in range(1, 73)]
    chip.write_all({a: 7 for a in range(72, 0, -1)})
    assert [sim.TalmirSim_GetRegister(a) for a in range(1, 73)] == [7] * 72
    assert sim.TalmirSim_GetRegister(0) == 0x100  # register 0 is not written


@pytest.mark.parametrize("name, bit", [("programming_mode", 0x01), ("otp_supply", 0x80)])
def test_the_programming_lines(sim, chip, name, bit):
    setattr(chip, name, True)
    assert getattr(chip, name) and sim.TalmirSim_GpioValue() & bit
    assert sim.TalmirSim_GpioDir() == 0x81
    sim.TalmirSim_FailCall(b"FT_WriteGPIO", FT_IO_ERROR, 1)
    with pytest.raises(talmir.DeviceError):
        setattr(chip, name, False)
    assert getattr(chip, name)  # a failed write leaves the line as it was
    setattr(chip, name, False)
    assert not getattr(chip, name) and not sim.TalmirSim_GpioValue() & bit


@pytest.mark.parametrize("mode", range(6))
def test_frame_fields_are_the_modes_header_names(sim, chip, mode):
    set_mode(sim, mode)
    assert list(chip.frame(mode)) == HEADERS[mode]


def test_frame_decodes_the_angle(sim, chip):
    sim.TalmirSim_SetAngle(0x2345)
    sim.TalmirSim_SetRegister(37, 0x2345)
    frame = chip.frame(0)
    assert frame["Angle"] == 0x2345
    set_mode(sim, 2)
    frame = chip.frame(2)
    assert frame["Angle"] == frame["Data1(hex)"]  # the chart page's mode 2: the whole word


@pytest.mark.parametrize("mode", [-1, 6])
def test_frame_mode_out_of_range(chip, mode):
    with pytest.raises(ValueError):
        chip.frame(mode)


def test_paced_capture_times_and_fields(sim, chip):
    set_mode(sim, 2)
    sim.TalmirSim_SetAngle(0x1357)
    expected = chip.frame(2)
    samples = chip.capture(2, 10_000, 2_000)
    assert samples.dtype.names == ("t_us", *HEADERS[2])
    assert len(samples) == 2_000
    steps = np.diff(samples["t_us"])
    assert samples["t_us"][0] == 0 and steps.min() >= 99 and np.median(steps) == 100
    for name in HEADERS[2]:
        assert (samples[name] == expected[name]).all(), name


def test_timed_capture_in_mode_0(sim, chip):
    sim.TalmirSim_SetRegister(39, 0xFFFE)
    samples = chip.capture(0, 500, 50)
    assert (samples["Velocity"] == -2).all()
    t = samples["t_us"]
    assert (np.diff(t) > 0).all() and 49 * 2000 <= t[-1] < 49 * 2000 + 50_000


@pytest.mark.parametrize("args", [(6, 1000, 10), (2, 0, 10), (2, 1000, 0), (2, 1e9, 10)])
def test_a_refused_capture_is_a_value_error(chip, args):
    with pytest.raises(ValueError):
        chip.capture(*args)


def test_a_failed_capture_is_a_device_error(sim, chip):
    set_mode(sim, 2)
    sim.TalmirSim_FailCall(b"Talmir_SPI_StreamFrames", FT_IO_ERROR, 1)
    with pytest.raises(talmir.DeviceError) as e:
        chip.capture(2, 1000, 100)
    assert (e.value.call, e.value.status) == ("Talmir_SPI_StreamFrames", FT_IO_ERROR)


def test_the_gil_is_free_during_a_capture(sim, chip):
    set_mode(sim, 2)
    done = threading.Event()
    result = {}
    worker = threading.Thread(
        target=lambda: (result.setdefault("n", len(chip.capture(2, 100, 50))), done.set()))
    worker.start()
    spins = 0
    while not done.is_set():
        spins += 1
        time.sleep(0.001)
    worker.join()
    assert result["n"] == 50 and spins > 20  # the capture took 0.5 s


def test_an_unplugged_adapter_raises_and_a_replug_recovers(sim, chip):
    chip.read(1)
    sim.TalmirSim_Unplug(1)
    with pytest.raises(talmir.DeviceError):
        chip.read(1)
    sim.TalmirSim_Unplug(0)
    assert chip.read(0) == 0x10F1


@pytest.mark.parametrize("call", [
    lambda c: c.identify(), lambda c: c.read(0), lambda c: c.write(1, 0), lambda c: c.read_all(),
    lambda c: c.write_all([0] * 73), lambda c: c.frame(2), lambda c: c.capture(2, 1000, 1),
    lambda c: c.programming_mode, lambda c: setattr(c, "otp_supply", True), lambda c: c.library,
])
def test_a_closed_chip_raises(sim, call):
    with talmir.open(library=SIM) as chip:
        chip.read(0)
        assert sim.TalmirSim_ChannelOpen() == 1
    assert sim.TalmirSim_ChannelOpen() == 0  # the channel was released
    chip.close()
    with pytest.raises(ValueError, match="closed"):
        call(chip)


def test_demo_binds_the_simulator():
    with talmir.open(demo=True) as chip:
        assert chip.library.endswith("libtalmirsim.so")
        assert chip.identify() == 0x10F1
