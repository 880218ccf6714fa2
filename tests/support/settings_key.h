// The program's settings key in the test prefix's registry, for the tests
// that hold the settings_registry lock, and records to put there.
#ifndef MORVANE_TESTS_SUPPORT_SETTINGS_KEY_H
#define MORVANE_TESTS_SUPPORT_SETTINGS_KEY_H

#include <string>

#include "app/settings/quote_record.h"

namespace mqtest {

// The key's path below HKEY_CURRENT_USER, or a subkey's ("" for the key).
std::string store_path(const std::string &subkey);

// The subkey of the symbol stored at `number`: SYM000, SYM001, ...
std::string symbol_subkey(int number);

// Deletes the key with every subkey below it; fails the test if it stays.
void delete_store();

// A zeroed record with the two texts.
QuoteRecord make_record(const char *symbol, const char *description);

}  // namespace mqtest

#endif
