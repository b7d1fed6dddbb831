#include "platform/settings_store.h"

#include <QSettings>
#include <QStandardPaths>

namespace lumiro::platform {
namespace {

[[maybe_unused]] QString groupOf(const QString& key) {
    QString group = key;
    group.replace(u'\\', u'/');
    return group;
}

}  // namespace

SettingsStore::SettingsStore(const QString& key) {
#ifdef Q_OS_WIN
    settings_ = std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\") + key,
                                            QSettings::NativeFormat);
#else
    // The machine-wide configuration folder is not writable for an ordinary user, so the
    // per-user one stands in for it.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    settings_ = std::make_unique<QSettings>(folder + QStringLiteral("/lumiro/lumiro.ini"),
                                            QSettings::IniFormat);
    settings_->beginGroup(groupOf(key));
#endif
}

SettingsStore::SettingsStore(const QString& key, const QString& iniPath)
    : settings_(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)) {
    settings_->beginGroup(groupOf(key));
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::contains(const QString& name) const {
    return settings_->contains(name);
}

QVariant SettingsStore::value(const QString& name, const QVariant& fallback) const {
    return settings_->value(name, fallback);
}

QString SettingsStore::text(const QString& name, const QString& fallback) const {
    return settings_->value(name, fallback).toString();
}

int SettingsStore::number(const QString& name, int fallback) const {
    bool ok = false;
    int result = settings_->value(name, fallback).toInt(&ok);
    return ok ? result : fallback;
}

void SettingsStore::setValue(const QString& name, const QVariant& value) {
    settings_->setValue(name, value);
}

void SettingsStore::remove(const QString& name) {
    settings_->remove(name);
}

bool SettingsStore::sync() {
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

}  // namespace lumiro::platform
