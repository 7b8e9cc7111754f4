#include "device/TASensDig.h"

#include "device/DeviceError.h"

namespace talmir {

namespace {

std::uint16_t Word(const std::uint8_t* b) {
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

}  // namespace

TASensDig::TASensDig(MpsseLink& link) : link_(link) {
    Registers[80] = TRegSlot{0, 0, false};
    Registers[81] = TRegSlot{0, 0, false};
}

void TASensDig::WriteRegWord(std::uint8_t address, std::uint16_t value) {
    const std::uint8_t command[2] = {0x00, static_cast<std::uint8_t>(address | 0x80)};
    link_.SPIWriteData(link_.Channel(), 2, command);
    const std::uint8_t data[2] = {static_cast<std::uint8_t>(value >> 8),
                                  static_cast<std::uint8_t>(value & 0xFF)};
    link_.SPIWriteData(link_.Channel(), 2, data);
}

std::uint16_t TASensDig::ReadRegWord(std::uint8_t address) {
    std::uint8_t buffer[2] = {0x00, address};
    link_.SPIWriteData(link_.Channel(), 2, buffer);
    link_.SPIReadData(link_.Channel(), 2, buffer);
    return Word(buffer);
}

void TASensDig::SendNopWord() {
    const std::uint8_t nop[2] = {0x00, 0x00};
    link_.SPIWriteData(link_.Channel(), 2, nop);
}

bool TASensDig::IsActualReg(std::uint16_t RegAddr) const {
    return RegAddr <= kLastAddress && Registers[RegAddr].IsActual;
}

std::uint16_t TASensDig::GetReg(std::uint16_t RegAddr, bool ReadFromDev) {
    if (RegAddr > kLastAddress) return 0;
    TRegSlot& slot = Registers[RegAddr];
    if (ReadFromDev) {
        const std::uint16_t value = ReadRegWord(static_cast<std::uint8_t>(RegAddr));
        slot.Data = value;
        slot.ActData = value;
        slot.IsActual = true;
    }
    return slot.Data;
}

std::uint16_t TASensDig::GetRegAct(std::uint16_t RegAddr) const {
    if (RegAddr > 80) return 0xFFFF;
    return Registers[RegAddr].ActData;
}

void TASensDig::PutReg(std::uint16_t RegAddr, std::uint16_t RegData, bool WriteToDev) {
    if (RegAddr > kLastAddress) return;
    TRegSlot& slot = Registers[RegAddr];
    slot.Data = RegData;
    if (WriteToDev) {
        try {
            WriteRegWord(static_cast<std::uint8_t>(RegAddr), RegData);
        } catch (...) {
            slot.IsActual = slot.Data == slot.ActData;
            throw;
        }
        slot.IsActual = true;
        slot.ActData = RegData;
    } else {
        slot.IsActual = slot.Data == slot.ActData;
    }
}

void TASensDig::PutWord() {
    SendNopWord();
}

template <typename Read>
bool TASensDig::GuardFrame(Read read) {
    try {
        read();
        lastFrameError_.clear();
        lastFrameFailure_.reset();
        return true;
    } catch (const DeviceError& e) {
        lastFrameError_ = e.what();
        lastFrameFailure_ = e;
        return false;
    }
}

bool TASensDig::GetAngleData1(std::uint32_t& AData) {
    return GuardFrame([&] {
        std::uint8_t b[3] = {};
        link_.SPIReadBits(link_.Channel(), 20, b);
        AData = (std::uint32_t{b[0]} << 12) + (std::uint32_t{b[1]} << 4) + b[2];
    });
}

bool TASensDig::GetAngleData2(std::uint16_t& AData1, std::uint16_t& AData2) {
    return GuardFrame([&] {
        std::uint8_t b[4] = {};
        link_.SPIReadData(link_.Channel(), 4, b);
        AData1 = Word(b);
        AData2 = Word(b + 2);
    });
}

bool TASensDig::GetAngleData3(std::uint16_t& AData1, std::uint16_t& AData2, std::uint16_t& AData3) {
    return GuardFrame([&] {
        std::uint8_t b[6] = {};
        link_.SPIReadData(link_.Channel(), 6, b);
        AData1 = Word(b);
        AData2 = Word(b + 2);
        AData3 = Word(b + 4);
    });
}

bool TASensDig::GetAngleData5(std::uint16_t& Data1, std::uint16_t& Data2, std::uint16_t& Data3,
                              std::uint16_t& Data4, std::uint16_t& Data5) {
    return GuardFrame([&] {
        std::uint8_t b[10] = {};
        link_.SPIReadData(link_.Channel(), 10, b);
        Data1 = Word(b);
        Data2 = Word(b + 2);
        Data3 = Word(b + 4);
        Data4 = Word(b + 6);
        Data5 = Word(b + 8);
    });
}

void TASensDig::SetModeBits(std::uint16_t format, std::uint16_t multiTurn) {
    std::uint16_t& r38 = Registers[38].Data;
    std::uint16_t& r11 = Registers[11].Data;
    r38 = static_cast<std::uint16_t>((r38 & 0xCFFF) | (format << 12));
    r11 = static_cast<std::uint16_t>((r11 & 0xF7FF) | (multiTurn << 11));
    WriteRegWord(38, r38);
    WriteRegWord(11, r11);
}

void TASensDig::SetSSISPIMode(std::uint8_t Mode, bool /*ReadFromDev*/) {
    struct Fields {
        std::uint16_t format, multiTurn;
    };
    static constexpr Fields kModes[] = {{0, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 0}};
    if (Mode == 0 || Mode > 5) return;
    SetModeBits(kModes[Mode].format, kModes[Mode].multiTurn);
}

void WriteHeldRegisters(TASensDig& chip, std::uint16_t first, std::uint16_t last) {
    for (std::uint16_t address = first; address <= last; ++address)
        chip.PutReg(address, chip.GetReg(address, false), true);
}

}  // namespace talmir
