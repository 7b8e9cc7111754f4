// One-shot export: one reading in a readout mode, appended to a data file.
#include <stdexcept>

#include "core/AngleRecord.h"
#include "core/DataFile.h"
#include "ui/FilePath.h"
#include "ui/main.h"

namespace talmir {

namespace {

// A frame read that failed is not a reading: raise with the link's reason.
void RequireFrame(bool ok, const TASensDig& chip) {
    if (!ok)
        throw std::runtime_error(
            TF_Face::tr("Не удалось считать кадр данных угла: ").toStdString() +
            chip.LastFrameError());
}

}  // namespace

RawReading ReadFrameWords(TASensDig& chip, std::uint8_t mode) {
    RawReading raw;
    switch (mode) {
        case 1:
            RequireFrame(chip.GetAngleData1(raw.AData), chip);
            break;
        case 2:
        case 3:
            RequireFrame(chip.GetAngleData2(raw.AData1, raw.AData2), chip);
            break;
        case 4:
            RequireFrame(chip.GetAngleData3(raw.AData1, raw.AData2, raw.AData3), chip);
            break;
        default:
            break;
    }
    return raw;
}

void ReadAngleDataToFile(TASensDig& chip, std::uint8_t Mode, const QString& FileName) {
    RawReading raw = ReadFrameWords(chip, Mode);
    if (Mode == 0) raw.R = chip.GetReg(17, true);
    const DecodedSample sample = DecodeSample(Mode, raw);
    std::optional<std::string> line;
    if (Mode <= 4) line = RecordLine(Mode, raw, sample);
    AppendRecord(FilePath(FileName), RecordHeader(Mode), line);
}

void TF_Face::ReadAngleDataToFile(std::uint8_t Mode, const QString& FileName) {
    talmir::ReadAngleDataToFile(*chip_, Mode, FileName);
}

}  // namespace talmir
