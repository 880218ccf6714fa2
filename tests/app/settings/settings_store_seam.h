// The settings store against a registry table of the caller's choice: the
// store's tests pass one that fails from a chosen call on, the settings bench
// one that times the bare calls. Defined in app/settings/settings_store.cpp.
#ifndef MORVANE_TESTS_SETTINGS_SETTINGS_STORE_SEAM_H
#define MORVANE_TESTS_SETTINGS_SETTINGS_STORE_SEAM_H

#include "app/app_state.h"
#include "app/settings/settings_registry.h"

// settings_load and settings_save, reaching the registry through `registry`.
void settings_load_from(AppState *state, const SettingsRegistry *registry);
void settings_save_to(AppState *state, const SettingsRegistry *registry);

#endif
