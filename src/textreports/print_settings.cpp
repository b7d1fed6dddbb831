#include "textreports/print_settings.h"

#include "platform/settings_store.h"

#include <optional>

namespace lumiro::textreports {
namespace {

std::optional<int> storedNumber(const platform::SettingsStore& store, const QString& name) {
    if (!store.contains(name)) return std::nullopt;
    bool ok = false;
    const int value = store.value(name).toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

// The byte-wide settings keep the low byte of what is stored, as they always did; a byte the
// window cannot set would choose no destination or encoding at all.
void readByte(const platform::SettingsStore& store, const QString& name, std::uint8_t& target,
              int highest) {
    if (const auto value = storedNumber(store, name)) {
        const int byte = *value & 0xFF;
        if (byte <= highest) target = static_cast<std::uint8_t>(byte);
    }
}

void readFlag(const platform::SettingsStore& store, const QString& name, bool& target) {
    if (const auto value = storedNumber(store, name)) target = *value != 0;
}

void readCount(const platform::SettingsStore& store, const QString& name, std::int32_t& target) {
    if (const auto value = storedNumber(store, name)) {
        if (*value >= 0 && *value <= 99) target = *value;
    }
}

QString portKey(int port) {
    return QStringLiteral("LPT%1").arg(port + 1);
}

}  // namespace

std::array<QString, 3> PrintSettings::defaultPortDevices() {
#ifdef Q_OS_WIN
    return {QStringLiteral("LPT1"), QStringLiteral("LPT2"), QStringLiteral("LPT3")};
#else
    return {QStringLiteral("/dev/lp0"), QStringLiteral("/dev/lp1"), QStringLiteral("/dev/lp2")};
#endif
}

QString portName(int DRPORT) {
    return portKey(DRPORT == 1 || DRPORT == 2 ? DRPORT : 0);
}

PrintSettings readPrintSettings(const platform::SettingsStore& store) {
    PrintSettings s;
    readByte(store, QStringLiteral("DRTYP"), s.DRTYP, 3);
    readByte(store, QStringLiteral("DRPORT"), s.DRPORT, 2);
    readByte(store, QStringLiteral("DRRODZAJ"), s.DRRODZAJ, 3);
    readByte(store, QStringLiteral("DRPL"), s.DRPL, 3);
    readFlag(store, QStringLiteral("DRPODZIAL"), s.DRPODZIAL);
    readFlag(store, QStringLiteral("DRBUFOR"), s.DRBUFOR);
    readCount(store, QStringLiteral("DRLEWY"), s.DRLEWY);
    readCount(store, QStringLiteral("DRGORA"), s.DRGORA);
    readCount(store, QStringLiteral("DRLINIDOS"), s.DRLINIDOS);
    if (s.DRLINIDOS < 10) s.DRLINIDOS = 70;
    for (int port = 0; port < 3; ++port) {
        const QString device = store.text(portKey(port)).trimmed();
        if (!device.isEmpty()) s.ports[std::size_t(port)] = device;
    }
    return s;
}

bool storePrintSettings(platform::SettingsStore& store, const PrintSettings& s) {
    store.setValue(QStringLiteral("DRTYP"), int(s.DRTYP));
    store.setValue(QStringLiteral("DRPORT"), s.DRPORT == 1 || s.DRPORT == 2 ? int(s.DRPORT) : 0);
    store.setValue(QStringLiteral("DREKSPORT"), 0);
    store.setValue(QStringLiteral("DRRODZAJ"), int(s.DRRODZAJ));
    store.setValue(QStringLiteral("DRPL"), int(s.DRPL));
    store.setValue(QStringLiteral("DRPODZIAL"), s.DRPODZIAL ? 1 : 0);
    store.setValue(QStringLiteral("DRBUFOR"), s.DRBUFOR ? 1 : 0);
    store.setValue(QStringLiteral("DRLEWY"), s.DRLEWY);
    store.setValue(QStringLiteral("DRGORA"), s.DRGORA);
    store.setValue(QStringLiteral("DRLINIDOS"), s.DRLINIDOS);
    for (int port = 0; port < 3; ++port) store.setValue(portKey(port), s.ports[std::size_t(port)]);
    return store.sync();
}

}  // namespace lumiro::textreports
