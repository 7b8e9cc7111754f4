// A stand-in MPSSE library for fuzz_angle_frame: one channel that always
// opens, and an SPI_Read that answers with the bytes the fuzz target fed it,
// written into exactly as many bytes of the caller's buffer as the transfer
// asks for. It records the transfers so the target can check them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "mpsse_abi.h"

using namespace talmir::mpsse;

namespace {

std::vector<uint8_t> feed;
bool failReads = false;
// The last read's size and options, and every byte written since the feed.
DWORD lastReadSize = 0;
DWORD lastReadOptions = 0;
std::vector<uint8_t> written;
int handleToken = 0;

}  // namespace

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT void TalmirFuzzFeed(const uint8_t* data, size_t size, bool fail) {
    feed.assign(data, data + size);
    failReads = fail;
    lastReadSize = 0;
    lastReadOptions = 0;
    written.clear();
}

EXPORT void TalmirFuzzLastRead(DWORD* size, DWORD* options, const uint8_t** out, size_t* outSize) {
    *size = lastReadSize;
    *options = lastReadOptions;
    *out = written.data();
    *outSize = written.size();
}

EXPORT FT_STATUS SPI_GetNumChannels(DWORD* count) {
    *count = 1;
    return kOk;
}

EXPORT FT_STATUS SPI_GetChannelInfo(DWORD, FT_DEVICE_LIST_INFO_NODE* info) {
    std::memset(info, 0, sizeof *info);
    info->Type = 8;
    return kOk;
}

EXPORT FT_STATUS SPI_OpenChannel(DWORD, FT_HANDLE* handle) {
    *handle = &handleToken;
    return kOk;
}

EXPORT FT_STATUS SPI_InitChannel(FT_HANDLE, ChannelConfig*) {
    return kOk;
}

EXPORT FT_STATUS SPI_CloseChannel(FT_HANDLE) {
    return kOk;
}

EXPORT FT_STATUS SPI_Read(FT_HANDLE, UCHAR* buffer, DWORD size, DWORD* transferred, DWORD options) {
    lastReadSize = size;
    lastReadOptions = options;
    *transferred = 0;
    if (failReads) return kIoError;
    const size_t bytes = (options & kSizeInBits) ? (size_t{size} + 7) / 8 : size;
    for (size_t i = 0; i < bytes; ++i) buffer[i] = i < feed.size() ? feed[i] : 0;
    *transferred = size;
    return kOk;
}

EXPORT FT_STATUS SPI_Write(FT_HANDLE, UCHAR* buffer, DWORD size, DWORD* transferred, DWORD) {
    written.insert(written.end(), buffer, buffer + size);
    *transferred = size;
    return kOk;
}

EXPORT FT_STATUS SPI_IsBusy(FT_HANDLE, BOOL* state) {
    *state = 0;
    return kOk;
}

EXPORT FT_STATUS FT_WriteGPIO(FT_HANDLE, UCHAR, UCHAR) {
    return kOk;
}
