// The settings that steer the text printouts, and their permanent store under the key
// "SOFTWARE\VX\DRUK" (the registry on Windows, an INI file elsewhere).
#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace lumiro::platform {
class SettingsStore;
}

namespace lumiro::textreports {

inline const QString kSettingsKey = QStringLiteral("SOFTWARE\\VX\\DRUK");

// Destinations (DRTYP).
enum Destination : std::uint8_t {
    kWindowsPrinter = 0,
    kPort = 1,         // "Wydruk DOS": a printer on LPT1..LPT3
    kExportCut = 2,    // text file without rules, empty lines and marker lines
    kExportUncut = 3,  // text file of every line, page breaks as form feeds
};

struct PrintSettings {
    std::uint8_t DRTYP = kWindowsPrinter;
    std::uint8_t DRPORT = 0;      // 0 LPT1, 1 LPT2, 2 LPT3
    std::uint8_t DRRODZAJ = 0;    // 0 as the line codes say, 1 condensed, 2 normal, 3 expanded
    std::uint8_t DRPL = 0;        // 0 plain letters, 1 Mazovia, 2 code page 852, 3 unchanged
    bool DRPODZIAL = false;       // break pages and repeat the heading
    bool DRBUFOR = false;         // lines go to the destination at once
    std::int32_t DRLEWY = 0;      // left margin, characters
    std::int32_t DRGORA = 0;      // top margin, lines
    std::int32_t DRLINIDOS = 70;  // page length on the port, lines
    // The device file each port is written to.
    std::array<QString, 3> ports = defaultPortDevices();

    static std::array<QString, 3> defaultPortDevices();
};

// "LPT1", "LPT2" or "LPT3"; any other number names LPT1, as the store writes it.
QString portName(int DRPORT);

// The stored settings over the defaults. A value that is missing or not a number keeps its
// default and the others are still read; values outside what the window can set fall back
// to their defaults (margins are held to 0..99). A page length below 10 becomes 70.
PrintSettings readPrintSettings(const platform::SettingsStore& store);
// False when the store could not be written.
bool storePrintSettings(platform::SettingsStore& store, const PrintSettings& settings);

}  // namespace lumiro::textreports
