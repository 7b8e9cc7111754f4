# The module against the simulated adapter (TALMIR_SIM_LIBRARY) and the MPSSE
# engine emulator (TALMIR_EMU_LIBRARY), both controlled through ctypes; CTest
# sets the paths and PYTHONPATH.
import ctypes
import os

import pytest
import talmir

SIM = os.environ["TALMIR_SIM_LIBRARY"]
EMU = os.environ.get("TALMIR_EMU_LIBRARY", "")


def _control(path, prefix, signatures):
    lib = ctypes.CDLL(path)
    for name, (restype, argtypes) in signatures.items():
        fn = getattr(lib, prefix + name)
        fn.restype, fn.argtypes = restype, argtypes
    return lib


@pytest.fixture
def sim():
    """The simulator's control interface, reset: frozen magnet, no latency."""
    u8, u16, u32, c_int = ctypes.c_uint8, ctypes.c_uint16, ctypes.c_uint32, ctypes.c_int
    lib = _control(SIM, "TalmirSim_", {
        "Reset": (None, []),
        "SetRegister": (None, [u8, u16]),
        "GetRegister": (u16, [u8]),
        "FailCall": (None, [ctypes.c_char_p, u32, u32]),
        "SetAngle": (None, [u16]),
        "SetSpeed": (None, [ctypes.c_double]),
        "GpioValue": (u8, []),
        "GpioDir": (u8, []),
        "ChannelOpen": (c_int, []),
        "Unplug": (None, [c_int]),
    })
    lib.TalmirSim_Reset()
    return lib


@pytest.fixture
def emu():
    if not EMU:
        pytest.skip("no emulator library in this build")
    u8, u16 = ctypes.c_uint8, ctypes.c_uint16
    lib = _control(EMU, "TalmirEmu_", {
        "Reset": (None, []),
        "SetRegister": (None, [u8, u16]),
        "GetRegister": (u16, [u8]),
        "SetAngle": (None, [u16]),
    })
    lib.TalmirEmu_Reset()
    return lib


@pytest.fixture
def chip(sim):
    with talmir.open(library=SIM) as c:
        yield c
