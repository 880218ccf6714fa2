// A registry table for the settings store's tests that stops working from a
// chosen call on.
#ifndef MORVANE_TESTS_SETTINGS_CUTTING_REGISTRY_H
#define MORVANE_TESTS_SETTINGS_CUTTING_REGISTRY_H

#include "app/settings/settings_registry.h"

namespace mqtest {

// Calls the real registry until `cut_at` calls have been made, then fails
// every call as if the process had died there. Closing handles is let
// through (the system closes them for a dead process too) and not counted.
struct CuttingRegistry {
    static const SettingsRegistry *table(long cut_at);
    static long calls_made();
};

}  // namespace mqtest

#endif
