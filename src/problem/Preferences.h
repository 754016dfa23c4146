#pragma once

namespace kelsim {

class SettingsStore;

// The two preferences of the "Set &Preferences" menu; they live for the whole run and are kept
// in the settings store as "Run_Maximized" and "Use_Level_Labels".
struct Preferences {
    bool runMaximized = false;
    bool useLevelLabels = false;
};

// Missing values read as "False".
Preferences readPreferences(const SettingsStore &store);

// Each preference is saved the moment it changes; false when the store could not be written.
bool saveRunMaximized(SettingsStore &store, bool on);
bool saveUseLevelLabels(SettingsStore &store, bool on);

} // namespace kelsim
