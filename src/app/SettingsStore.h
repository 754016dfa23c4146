#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace kelsim {

// The per-user settings store: string values under the application "Kelsim_Setup", section
// "Settings". Keys are matched without regard to case, and an existing key keeps its spelling.
class SettingsStore {
public:
    // An empty path uses the platform's per-user location; tests pass a file of their own.
    explicit SettingsStore(const QString &iniPath = QString());

    QString value(const QString &key, const QString &fallback = QString()) const;
    bool flag(const QString &key) const; // "True" is true; anything else, a missing key included, false
    void setValue(const QString &key, const QString &value);
    void setFlag(const QString &key, bool on);
    void remove(const QString &key);
    // Writes pending changes; false when the store cannot be written.
    bool sync();
    QString fileName() const;

private:
    QString existingKey(const QString &key) const;
    std::unique_ptr<QSettings> settings_;
};

} // namespace kelsim
