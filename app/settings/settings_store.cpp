#include "app/settings/settings_store.h"

#include <stdio.h>
#include <string.h>

#include "app/settings/quote_record.h"
#include "app/settings/settings_registry.h"
#include "app/settings/symbol_list.h"
#include "plugin/fixed_text.h"

namespace {

const DWORD kDefaultPort = 80;
const char kRecordValue[] = "MQS";
const char kOldSymbolValue[] = "Sym";
const char kOldDescriptionValue[] = "Desc";

struct SubkeyName {
    char text[16];
};

SubkeyName subkey_name(DWORD number) {
    SubkeyName name;
    snprintf(name.text, sizeof(name.text), "SYM%03lu", static_cast<unsigned long>(number));
    return name;
}

// A number shorter than 4 bytes is taken zero-extended rather than mixed with
// the bytes of the value it replaces; an empty one keeps `current`.
DWORD read_number(SettingsKey &key, const char *name, DWORD current, DWORD fallback) {
    DWORD value = current;
    return key.query_value(name, &value, sizeof(value)) ? value : fallback;
}

void read_proxy(SettingsKey &key, char *proxy) {
    if (!key.query_value("Proxy", proxy, APP_PROXY_SIZE)) proxy[0] = '\0';
    // A stored text of the full width may come without its terminator.
    proxy[APP_PROXY_SIZE - 1] = '\0';
}

// Reads one numbered entry, in the current layout or, failing that, the
// older one. False when the entry is to be skipped.
bool read_record(SettingsKey &key, QuoteRecord *record) {
    memset(record, 0, sizeof(*record));
    if (key.query_value(kRecordValue, record, sizeof(*record)) && record->symbol[0] != '\0' &&
        record->description[0] != '\0') {
        return true;
    }
    bool have_symbol = key.query_value(kOldSymbolValue, record->symbol, sizeof(record->symbol));
    bool have_description =
        key.query_value(kOldDescriptionValue, record->description, sizeof(record->description));
    return have_symbol && have_description;
}

void load_records(SettingsKey &key, SymbolList *list) {
    for (DWORD number = 0; number < SYMBOL_LIST_MAX_POSITIONS; ++number) {
        SettingsKey subkey(key.registry());
        if (!subkey.open(key.handle(), subkey_name(number).text)) break;
        QuoteRecord record;
        if (!read_record(subkey, &record)) continue;
        // Later code formats these texts into fixed buffers.
        quote_record_terminate_texts(&record);
        symbol_list_append(list, &record, sizeof(record));
    }
}

void write_number(SettingsKey &key, const char *name, DWORD value) {
    key.set_value(name, REG_DWORD, &value, sizeof(value));
}

void write_proxy(SettingsKey &key, const char *proxy) {
    char text[APP_PROXY_SIZE];
    size_t length = fixed_text_copy(text, sizeof(text), proxy, APP_PROXY_SIZE);
    key.set_value("Proxy", REG_SZ, text, static_cast<DWORD>(length + 1));
}

// The save of the records keeps one invariant: the store ends as deleting
// the numbered entries from SYM000 on and then writing the live records
// afresh would leave it, yet no entry is deleted before every record is
// written, and no value before its entry holds the new record, so a save cut
// off at any call keeps each symbol in its old or its new form. The first
// phase only reads how far that delete would reach; the second writes each
// record in place, as its entry's only value within that reach, and then
// deletes the entries past the last record within it.

// The registry refuses to delete a missing entry or one with subkeys of its
// own, so deleting the entries in order would stop at the first such one.
bool is_removable(SettingsKey &key, DWORD number) {
    SettingsKey subkey(key.registry());
    DWORD subkeys = 0;
    DWORD values = 0;
    return subkey.open(key.handle(), subkey_name(number).text) &&
           subkey.count_entries(&subkeys, &values) && subkeys == 0;
}

DWORD removable_prefix(SettingsKey &key) {
    DWORD count = 0;
    while (count < SYMBOL_LIST_MAX_POSITIONS && is_removable(key, count)) ++count;
    return count;
}

// Runs after "MQS" is written, so an older-layout entry is never without its
// symbol.
void remove_other_values(SettingsKey &key) {
    char name[16384];  // the longest value name the registry allows
    DWORD index = 0;
    for (;;) {
        DWORD name_size = sizeof(name);
        if (!key.enum_value_name(index, name, &name_size)) return;
        if (strcmp(name, kRecordValue) == 0 || !key.delete_value(name)) ++index;
    }
}

void write_record(SettingsKey &key, DWORD number, const QuoteRecord *record, bool only_value) {
    SettingsKey subkey(key.registry());
    if (!subkey.create(key.handle(), subkey_name(number).text)) return;
    bool stored = subkey.set_value(kRecordValue, REG_BINARY, record, sizeof(*record));
    if (!only_value) return;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!subkey.count_entries(&subkeys, &values)) return;
    // With "MQS" stored, a single value is "MQS" itself: nothing to remove.
    if (values > 1 || !stored) remove_other_values(subkey);
}

void save_records(SettingsKey &key, SymbolList *list) {
    DWORD removable = removable_prefix(key);
    DWORD written = 0;
    SymbolWalk walk = symbol_list_walk(list);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (quote_record_is_deleted(record)) continue;
        write_record(key, written, record, written < removable);
        ++written;
    }
    for (DWORD number = written; number < removable; ++number) {
        if (!key.delete_subkey(subkey_name(number).text)) break;
    }
}

}  // namespace

// settings_load and settings_save against any registry table. Not static: the
// store's tests and the settings bench pass tables of their own.
void settings_load_from(AppState *state, const SettingsRegistry *registry) {
    if (state->symbols != nullptr) symbol_list_free(state->symbols);
    state->symbols = nullptr;
    symbol_list_create(&state->symbols);
    state->update_minutes = APP_DEFAULT_UPDATE_MINUTES;

    SettingsKey key(registry);
    if (!key.open(HKEY_CURRENT_USER, SETTINGS_KEY_PATH)) return;
    state->update_minutes =
        read_number(key, "Update", state->update_minutes, APP_DEFAULT_UPDATE_MINUTES);
    state->proxy_port = read_number(key, "Port", state->proxy_port, kDefaultPort);
    read_proxy(key, state->proxy);
    load_records(key, state->symbols);
}

void settings_save_to(AppState *state, const SettingsRegistry *registry) {
    SettingsKey key(registry);
    if (!key.create(HKEY_CURRENT_USER, SETTINGS_KEY_PATH)) return;
    write_number(key, "Update", state->update_minutes);
    write_number(key, "Port", state->proxy_port);
    write_proxy(key, state->proxy);
    save_records(key, state->symbols);
}

void settings_load(AppState *state) { settings_load_from(state, settings_registry_win32()); }

void settings_save(AppState *state) { settings_save_to(state, settings_registry_win32()); }

void settings_free(AppState *state) {
    if (state->symbols != nullptr) symbol_list_free(state->symbols);
    state->symbols = nullptr;
}
