#include "app/settings/settings_store.h"

#include <stdio.h>
#include <string.h>

#include "app/settings/quote_record.h"
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
    if (key.query_value(kRecordValue, record, sizeof(*record)) &&
        record->symbol[0] != '\0' && record->description[0] != '\0') {
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

// An entry that deleting the numbered entries from SYM000 on would remove:
// one that exists and has no subkeys of its own. The delete stops at the
// first entry that is not.
bool is_removable(SettingsKey &key, DWORD number) {
    SettingsKey subkey(key.registry());
    DWORD subkeys = 0;
    DWORD values = 0;
    return subkey.open(key.handle(), subkey_name(number).text) && subkey.count_entries(&subkeys, &values) &&
           subkeys == 0;
}

// Leaves "MQS" as the only value of an entry that is being replaced as a
// whole. Runs after "MQS" is written, so an older-layout entry is never
// without its symbol.
void remove_other_values(SettingsKey &key) {
    char name[16384];  // the longest value name the registry allows
    DWORD index = 0;
    for (;;) {
        DWORD name_size = sizeof(name);
        if (!key.enum_value_name(index, name, &name_size)) return;
        if (strcmp(name, kRecordValue) == 0 || !key.delete_value(name)) ++index;
    }
}

// Writes entry `number`. When it and every entry before it were removable
// as the save found them, the delete-everything-first order would have
// written it afresh, so "MQS" must end up its only value. Returns whether
// it was removable. The entry is looked at only now, just before it is
// written, and still as the save found it, since earlier steps touch only
// lower numbers; a key it creates was not there, so it was not removable.
bool write_record(SettingsKey &key, DWORD number, const QuoteRecord *record, bool earlier_removable) {
    SettingsKey subkey(key.registry());
    DWORD disposition = 0;
    if (!subkey.create(key.handle(), subkey_name(number).text, &disposition)) {
        return earlier_removable && is_removable(key, number);
    }
    bool stored = subkey.set_value(kRecordValue, REG_BINARY, record, sizeof(*record));
    if (!earlier_removable || disposition != REG_OPENED_EXISTING_KEY) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (!subkey.count_entries(&subkeys, &values) || subkeys != 0) return false;
    // With "MQS" stored, a single value is "MQS" itself: nothing to remove.
    if (values > 1 || !stored) remove_other_values(subkey);
    return true;
}

// Writes the live records over the numbered entries in place and only then
// removes the surplus ones, so a save cut off at any point leaves every
// symbol stored in its old or its new form. The result is the store that
// deleting all entries first and writing them afresh would leave: that
// delete would have stopped at the first entry that was not removable, and
// so does the removal of the surplus, since the registry refuses to delete a
// missing key or one with subkeys.
void save_records(SettingsKey &key, SymbolList *list) {
    bool all_removable = true;
    DWORD written = 0;
    SymbolWalk walk = symbol_list_walk(list);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (quote_record_is_deleted(record)) continue;
        all_removable = write_record(key, written, record, all_removable);
        ++written;
    }
    if (!all_removable) return;
    for (DWORD number = written; number < SYMBOL_LIST_MAX_POSITIONS; ++number) {
        if (!key.delete_subkey(subkey_name(number).text)) break;
    }
}

}  // namespace

void settings_load_from(AppState *state, const SettingsRegistry *registry) {
    if (state->symbols != nullptr) symbol_list_free(state->symbols);
    state->symbols = nullptr;
    symbol_list_create(&state->symbols);
    state->update_minutes = APP_DEFAULT_UPDATE_MINUTES;

    SettingsKey key(registry);
    if (!key.open(HKEY_CURRENT_USER, SETTINGS_KEY_PATH)) return;
    state->update_minutes = read_number(key, "Update", state->update_minutes, APP_DEFAULT_UPDATE_MINUTES);
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
