#include "DesktopSettingsStore.h"

#include <QStringList>

namespace kelsim {

namespace {
const QString kSection = QStringLiteral("Settings");
}

DesktopSettingsStore::DesktopSettingsStore(const QString &iniPath)
{
    if (iniPath.isEmpty())
        settings_ =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Kelsim_Setup", "Kelsim_Setup");
    else
        settings_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

QString DesktopSettingsStore::existingKey(const QString &key) const
{
    settings_->beginGroup(kSection);
    const QStringList keys = settings_->childKeys();
    settings_->endGroup();
    for (const QString &k : keys)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return k;
    return key;
}

QString DesktopSettingsStore::value(const QString &key, const QString &fallback) const
{
    const QVariant stored = settings_->value(kSection + "/" + existingKey(key), fallback);
    // A settings file written by hand or by another program may hold a comma-joined value
    // without quotes, which the INI reader hands back as a list.
    if (stored.typeId() == QMetaType::QStringList)
        return stored.toStringList().join(',');
    return stored.toString();
}

void DesktopSettingsStore::setValue(const QString &key, const QString &value)
{
    settings_->setValue(kSection + "/" + existingKey(key), value);
}

void DesktopSettingsStore::remove(const QString &key)
{
    settings_->remove(kSection + "/" + existingKey(key));
}

bool DesktopSettingsStore::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

QString DesktopSettingsStore::fileName() const
{
    return settings_->fileName();
}

} // namespace kelsim
