#include "SettingsStore.h"

#include <QStringList>

namespace kelsim {

namespace {
const QString kSection = QStringLiteral("Settings");
}

SettingsStore::SettingsStore(const QString &iniPath)
{
    if (iniPath.isEmpty())
        settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Kelsim_Setup",
                                                "Kelsim_Setup");
    else
        settings_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

QString SettingsStore::existingKey(const QString &key) const
{
    settings_->beginGroup(kSection);
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    for (const QString &k : keys)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    return key;
}

QString SettingsStore::value(const QString &key, const QString &fallback) const
{
    const QVariant stored = settings_->value(kSection + "/" + existingKey(key), fallback);
    // A settings file written by hand or by another program may hold a comma-joined value
    // without quotes, which the INI reader hands back as a list.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(',');
    return stored.toString();
}

bool SettingsStore::flag(const QString &key) const
{
    return value(key, "False") == "True";
}

void SettingsStore::setValue(const QString &key, const QString &value)
{
    settings_->setValue(kSection + "/" + existingKey(key), value);
}

void SettingsStore::setFlag(const QString &key, bool on)
{
    setValue(key, on ? "True" : "False");
}

void SettingsStore::remove(const QString &key)
{
    settings_->remove(kSection + "/" + existingKey(key));
}

bool SettingsStore::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString SettingsStore::fileName() const
{
    return settings_->fileName();
}

} // namespace kelsim
