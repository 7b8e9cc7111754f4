# The module through our own MPSSE library over the bit-level engine emulator:
# the same readings and register writes as through the simulator.
import numpy as np
import pytest
import talmir

from conftest import EMU, SIM
from test_chip import HEADERS, set_mode

ANGLE = 0x2345


@pytest.fixture
def emu_chip(emu):
    with talmir.open(library=EMU) as c:
        yield c


def test_adapters_lists_the_emulated_232h(emu):
    (channel,) = talmir.adapters(library=EMU)
    assert (channel["index"], channel["type"], channel["serial"]) == (0, "232H", "EMU1")
    with talmir.open("EMU1", library=EMU) as chip:
        assert chip.identify() == 0x10F1


@pytest.mark.parametrize("mode", range(6))
def test_frames_match_the_simulator(sim, emu, emu_chip, mode):
    sim.TalmirSim_SetAngle(ANGLE)
    emu.TalmirEmu_SetAngle(ANGLE)
    set_mode(sim, mode)
    set_mode(emu, mode, "TalmirEmu_")
    with talmir.open(library=SIM) as sim_chip:
        expected = sim_chip.frame(mode)
    assert emu_chip.frame(mode) == expected
    assert list(expected) == HEADERS[mode]


def test_write_all_reaches_the_emulated_chip(emu, emu_chip):
    emu_chip.write_all({a: 0x1111 * (a % 16) for a in range(1, 73)})
    assert [emu.TalmirEmu_GetRegister(a) for a in (1, 5, 16, 72)] == [0x1111, 0x5555, 0, 0x8888]
    assert emu_chip.read(5) == 0x5555


def test_paced_capture_on_the_emulator(emu, emu_chip):
    emu.TalmirEmu_SetAngle(ANGLE)
    set_mode(emu, 2, "TalmirEmu_")
    samples = emu_chip.capture(2, 5000, 500)
    assert np.median(np.diff(samples["t_us"])) == 200
    assert (samples["Data1(hex)"] == samples["Angle"]).all()
