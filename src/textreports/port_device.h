// The parallel ports as device files. Each port is written through a device the user can set
// (on Linux /dev/lp0 to /dev/lp2 by default, /dev/usb/lpN for a USB adapter, or any file a
// printer is shared through).
#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

#include <memory>

namespace lumiro::textreports {

struct PortOpening {
    std::unique_ptr<QIODevice> device;  // open for writing, or null
    // Why it failed, in Polish, for the line after "Błąd otwarcia portu : LPT1".
    QString reason;
};

// Opens the device for writing. A path under /dev is never created: a missing device means
// no printer there, not a file to make.
PortOpening openPortDevice(const QString& path);

// The Polish explanation of a failed open with the system's error number `error`; `group`
// is the group that owns the device, when known.
QString portFailureReason(const QString& path, int error, const QString& group);

// Printer devices present under `root` (/dev on Linux): the USB adapters' /dev/usb/lpN
// first, then /dev/lpN. Empty on Windows.
QStringList presentPrinterDevices(const QString& root = QStringLiteral("/dev"));

}  // namespace lumiro::textreports
