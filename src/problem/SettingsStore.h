#pragma once

#include <QString>

namespace kelsim {

// The per-user settings store: string values by key, under the application "Kelsim_Setup",
// section "Settings". Keys are matched without regard to case, and an existing key keeps its
// spelling. The records the program keeps there (the preferences and the recent files) are
// written by the data layer; the store itself is the platform's.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    virtual QString value(const QString &key, const QString &fallback = QString()) const = 0;
    virtual void setValue(const QString &key, const QString &value) = 0;
    virtual void remove(const QString &key) = 0;
    // Writes pending changes; false when the store cannot be written.
    virtual bool sync() = 0;

    // "True" is true; anything else, a missing key included, false.
    bool flag(const QString &key) const { return value(key, QStringLiteral("False")) == QLatin1String("True"); }
    void setFlag(const QString &key, bool on) { setValue(key, on ? QStringLiteral("True") : QStringLiteral("False")); }
};

} // namespace kelsim
