#include "platform/current_printer.h"

namespace lumiro::platform {

namespace {

// The program runs on one thread; the setting needs no lock.
QString& printerName() {
    static QString name;
    return name;
}

}  // namespace

QString currentPrinter() {
    return printerName();
}

void setCurrentPrinter(const QString& name) {
    printerName() = name;
}

}  // namespace lumiro::platform
