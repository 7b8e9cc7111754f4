// The USB library's version as Ver_libMPSSE reports it in place of the
// vendor driver's: major << 16 | minor << 8 | micro. FtdiUsb.cpp gives
// libftdi1's; builds without it (the emulator's) fall back to a weak 0.
#pragma once

#include <cstdint>

namespace talmirmpsse {

uint32_t UsbLibraryVersion();

}  // namespace talmirmpsse
