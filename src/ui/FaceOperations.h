// What the main window does that needs no widget: its settings in
// config.ini, the adapter channel chosen, the channel configuration, the identification's text, the
// one-shot export and the INI register load. The command-line jobs run the
// same code without a window.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/AngleRecord.h"
#include "device/MpsseLink.h"
#include "device/TASensDig.h"
#include "ui/SettingsPaths.h"

namespace talmir {

// The values of section CONFIG of config.ini, named after their keys.
struct ConfigValues {
    QString SaveAngleDataFile;  // the work-data page's data file
    QString SaveRegsDataFile;   // the chart page's data file
    bool SaveAngleDataToFile = false;
    bool SaveChartDataToFile = false;
    bool SaveXYChartDataToFile = false;  // written, never read back
};

// The stored values, each key missing (or the whole file) giving its default:
// the data files `settings.defaultDataFile`, the switches false.
ConfigValues ReadConfigValues(const SettingsPaths& settings);
// Writes the five keys in the order of the struct, replacing them in place;
// other keys and sections stay. A file that cannot be read (one over
// kMaxTextFileBytes included) is replaced by one holding just these keys.
void WriteConfigValues(const QString& configFile, const ConfigValues& values);
// WriteConfigValues at exit, whose failure always names the file.
void WriteConfigValuesAtExit(const QString& configFile, const ConfigValues& values);
// Makes the user's folders an installed copy keeps its files in; a folder
// that cannot be made shows up when a file is written there.
void MakeSettingsFolders(const SettingsPaths& settings);

// The adapter channel remembered in section ADAPTER of config.ini (key
// "Adapter": a serial number, or the index of a channel that has none);
// empty when none is.
QString ReadAdapterChoice(const QString& configFile);
// Remembers `choice` there; the other sections stay as they are.
void WriteAdapterChoice(const QString& configFile, const QString& choice);
// What remembers `channel`: its serial number, or its index when it has none.
QString AdapterChoiceOf(const MpsseChannelInfo& channel);
// One listed channel as the window and the jobs show it: index, adapter type,
// description and serial number.
QString AdapterText(const MpsseChannelInfo& channel);
// The listed channel that `choice` names (FindAdapter: an index, else a serial
// number). None when the library lists no such channel or cannot list; then
// `reason` names the choice and says what is listed or why nothing is.
std::optional<MpsseChannelInfo> FindAdapterChannel(const MpsseLink& link, const QString& choice,
                                                   QString& reason);

// The text naming the loaded MPSSE library file; empty when none is loaded.
QString LibraryPathText(const MpsseLink& link);
// What "CHIP HardID" shows: identified or not, and the value register 0 read.
QString HardIDText(std::uint16_t value, bool identified);

// The raw words of one frame read in readout modes 1 to 4 (none in other
// modes). A failed transfer raises with the link's reason.
RawReading ReadFrameWords(TASensDig& chip, std::uint8_t mode);
// One reading in readout mode `Mode`, appended to the data file `FileName`
// (its header first when the file is new). The chip is read before the file
// is touched; a failed read writes nothing.
void ReadAngleDataToFile(TASensDig& chip, std::uint8_t Mode, const QString& FileName);
// Writes the REG_CFG values of an INI file to the chip and returns how many
// it wrote; none when the file does not exist. A file that cannot be read, is
// over kMaxTextFileBytes or has no [REG_CFG] section raises, and so does a
// failed chip write.
std::optional<std::size_t> LoadRegsFromIni(TASensDig& chip, const QString& fileName);

}  // namespace talmir
