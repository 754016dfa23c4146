#include "Preferences.h"

#include "SettingsStore.h"

namespace kelsim {

namespace {

const QString kRunMaximizedKey = QStringLiteral("Run_Maximized");
const QString kUseLevelLabelsKey = QStringLiteral("Use_Level_Labels");

} // namespace

Preferences readPreferences(const SettingsStore &store)
{
    Preferences preferences;
    preferences.runMaximized = store.flag(kRunMaximizedKey);
    preferences.useLevelLabels = store.flag(kUseLevelLabelsKey);
    return preferences;
}

bool saveRunMaximized(SettingsStore &store, bool on)
{
    store.setFlag(kRunMaximizedKey, on);
    return store.sync();
}

bool saveUseLevelLabels(SettingsStore &store, bool on)
{
    store.setFlag(kUseLevelLabelsKey, on);
    return store.sync();
}

} // namespace kelsim
