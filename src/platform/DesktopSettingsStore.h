#pragma once

#include "SettingsStore.h"

#include <QSettings>
#include <QString>

#include <memory>

namespace kelsim {

// The settings store as an INI file in the user's configuration folder.
class DesktopSettingsStore : public SettingsStore {
  public:
    // An empty path uses the platform's per-user location; tests pass a file of their own.
    explicit DesktopSettingsStore(const QString &iniPath = QString());

    QString value(const QString &key, const QString &fallback = QString()) const override;
    void setValue(const QString &key, const QString &value) override;
    void remove(const QString &key) override;
    bool sync() override;
    QString fileName() const;

  private:
    QString existingKey(const QString &key) const;
    std::unique_ptr<QSettings> settings_;
};

} // namespace kelsim
