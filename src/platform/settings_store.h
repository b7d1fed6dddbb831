// Named values under one configuration key such as "SOFTWARE\VX\DRUK". On Windows the key
// lives in the machine part of the registry; elsewhere in an INI file. Tests pass their own
// file so that nothing outside their temporary folder is touched.
#pragma once

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

namespace lumiro::platform {

class SettingsStore {
  public:
    // The key in the system's own store.
    explicit SettingsStore(const QString& key);
    // The key as a group of the INI file at iniPath.
    SettingsStore(const QString& key, const QString& iniPath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    bool contains(const QString& name) const;
    QVariant value(const QString& name, const QVariant& fallback = {}) const;
    QString text(const QString& name, const QString& fallback = {}) const;
    int number(const QString& name, int fallback = 0) const;
    void setValue(const QString& name, const QVariant& value);
    void remove(const QString& name);
    // Writes pending changes; false when the store could not be written.
    bool sync();

  private:
    std::unique_ptr<QSettings> settings_;
};

}  // namespace lumiro::platform
