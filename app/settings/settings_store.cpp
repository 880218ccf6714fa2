#include "app/settings/settings_store.h"

#include <stdio.h>
#include <string.h>

#include "app/settings/quote_record.h"
#include "app/settings/symbol_list.h"

namespace {

const DWORD kDefaultPort = 80;
const char kRecordValue[] = "MQS";
const char kOldSymbolValue[] = "Sym";
const char kOldDescriptionValue[] = "Desc";

// Owns one open key and closes it on every path out of the scope.
class ScopedKey {
public:
    explicit ScopedKey(const SettingsRegistry *registry) : registry_(registry) {}
    ~ScopedKey() {
        if (key_ != nullptr) registry_->close_key(key_);
    }
    ScopedKey(const ScopedKey &) = delete;
    ScopedKey &operator=(const ScopedKey &) = delete;

    bool open(HKEY parent, const char *name) {
        return registry_->open_key(parent, name, &key_) == ERROR_SUCCESS;
    }
    bool create(HKEY parent, const char *name, DWORD *disposition = nullptr) {
        return registry_->create_key(parent, name, &key_, disposition) == ERROR_SUCCESS;
    }
    HKEY get() const { return key_; }

private:
    const SettingsRegistry *registry_;
    HKEY key_ = nullptr;
};

struct SubkeyName {
    char text[16];
};

SubkeyName subkey_name(DWORD number) {
    SubkeyName name;
    snprintf(name.text, sizeof(name.text), "SYM%03lu", static_cast<unsigned long>(number));
    return name;
}

// Reads a value of any type into a field of `capacity` bytes. The read goes
// through a zeroed scratch block and reaches the field only when it succeeds,
// so a failed or oversized read never leaves the field half-written; a
// shorter value leaves the rest of the field zero. An empty value reads
// successfully and leaves the field as it was.
bool read_field(const SettingsRegistry *registry, HKEY key, const char *name, void *field,
                DWORD capacity) {
    unsigned char scratch[QUOTE_RECORD_SIZE];
    if (capacity > sizeof(scratch)) return false;
    memset(scratch, 0, capacity);
    DWORD size = capacity;
    if (registry->query_value(key, name, scratch, &size) != ERROR_SUCCESS) return false;
    if (size > 0) memcpy(field, scratch, capacity);
    return true;
}

// A number shorter than 4 bytes is taken zero-extended rather than mixed with
// the bytes of the value it replaces; an empty one keeps `current`.
DWORD read_number(const SettingsRegistry *registry, HKEY key, const char *name, DWORD current,
                  DWORD fallback) {
    DWORD value = current;
    return read_field(registry, key, name, &value, sizeof(value)) ? value : fallback;
}

void read_proxy(const SettingsRegistry *registry, HKEY key, char *proxy) {
    if (!read_field(registry, key, "Proxy", proxy, APP_PROXY_SIZE)) proxy[0] = '\0';
    // A stored text of the full width may come without its terminator.
    proxy[APP_PROXY_SIZE - 1] = '\0';
}

// Reads one numbered entry, in the current layout or, failing that, the
// older one. False when the entry is to be skipped.
bool read_record(const SettingsRegistry *registry, HKEY key, QuoteRecord *record) {
    memset(record, 0, sizeof(*record));
    if (read_field(registry, key, kRecordValue, record, sizeof(*record)) &&
        record->symbol[0] != '\0' && record->description[0] != '\0') {
        return true;
    }
    bool have_symbol = read_field(registry, key, kOldSymbolValue, record->symbol, sizeof(record->symbol));
    bool have_description =
        read_field(registry, key, kOldDescriptionValue, record->description, sizeof(record->description));
    return have_symbol && have_description;
}

void load_records(const SettingsRegistry *registry, HKEY key, SymbolList *list) {
    for (DWORD number = 0; number < SYMBOL_LIST_MAX_POSITIONS; ++number) {
        ScopedKey subkey(registry);
        if (!subkey.open(key, subkey_name(number).text)) break;
        QuoteRecord record;
        if (!read_record(registry, subkey.get(), &record)) continue;
        // Later code formats these texts into fixed buffers.
        quote_record_terminate_texts(&record);
        symbol_list_append(list, &record, sizeof(record));
    }
}

void write_number(const SettingsRegistry *registry, HKEY key, const char *name, DWORD value) {
    registry->set_value(key, name, REG_DWORD, &value, sizeof(value));
}

void write_proxy(const SettingsRegistry *registry, HKEY key, const char *proxy) {
    char text[APP_PROXY_SIZE];
    size_t length = strnlen(proxy, sizeof(text) - 1);
    memcpy(text, proxy, length);
    text[length] = '\0';
    registry->set_value(key, "Proxy", REG_SZ, text, static_cast<DWORD>(length + 1));
}

// An entry that deleting the numbered entries from SYM000 on would remove:
// one that exists and has no subkeys of its own. The delete stops at the
// first entry that is not.
bool is_removable(const SettingsRegistry *registry, HKEY key, DWORD number) {
    ScopedKey subkey(registry);
    DWORD subkeys = 0;
    DWORD values = 0;
    return subkey.open(key, subkey_name(number).text) &&
           registry->count_entries(subkey.get(), &subkeys, &values) == ERROR_SUCCESS && subkeys == 0;
}

// Leaves "MQS" as the only value of an entry that is being replaced as a
// whole. Runs after "MQS" is written, so an older-layout entry is never
// without its symbol.
void remove_other_values(const SettingsRegistry *registry, HKEY key) {
    char name[16384];  // the longest value name the registry allows
    DWORD index = 0;
    for (;;) {
        DWORD name_size = sizeof(name);
        if (registry->enum_value_name(key, index, name, &name_size) != ERROR_SUCCESS) return;
        if (strcmp(name, kRecordValue) == 0 || registry->delete_value(key, name) != ERROR_SUCCESS) ++index;
    }
}

// Writes entry `number`. When it and every entry before it were removable
// as the save found them, the delete-everything-first order would have
// written it afresh, so "MQS" must end up its only value. Returns whether
// it was removable. The entry is looked at only now, just before it is
// written, and still as the save found it, since earlier steps touch only
// lower numbers; a key it creates was not there, so it was not removable.
bool write_record(const SettingsRegistry *registry, HKEY key, DWORD number, const QuoteRecord *record,
                  bool earlier_removable) {
    ScopedKey subkey(registry);
    DWORD disposition = 0;
    if (!subkey.create(key, subkey_name(number).text, &disposition)) {
        return earlier_removable && is_removable(registry, key, number);
    }
    bool stored = registry->set_value(subkey.get(), kRecordValue, REG_BINARY, record, sizeof(*record)) ==
                  ERROR_SUCCESS;
    if (!earlier_removable || disposition != REG_OPENED_EXISTING_KEY) return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (registry->count_entries(subkey.get(), &subkeys, &values) != ERROR_SUCCESS || subkeys != 0) return false;
    // With "MQS" stored, a single value is "MQS" itself: nothing to remove.
    if (values > 1 || !stored) remove_other_values(registry, subkey.get());
    return true;
}

// Writes the live records over the numbered entries in place and only then
// removes the surplus ones, so a save cut off at any point leaves every
// symbol stored in its old or its new form. The result is the store that
// deleting all entries first and writing them afresh would leave: that
// delete would have stopped at the first entry that was not removable, and
// so does the removal of the surplus, since the registry refuses to delete a
// missing key or one with subkeys.
void save_records(const SettingsRegistry *registry, HKEY key, SymbolList *list) {
    bool all_removable = true;
    DWORD written = 0;
    SymbolWalk walk = symbol_list_walk(list);
    QuoteRecord *record = nullptr;
    int32_t position = 0;
    while (symbol_list_walk_next(&walk, &record, &position)) {
        if (quote_record_is_deleted(record)) continue;
        all_removable = write_record(registry, key, written, record, all_removable);
        ++written;
    }
    if (!all_removable) return;
    for (DWORD number = written; number < SYMBOL_LIST_MAX_POSITIONS; ++number) {
        if (registry->delete_key(key, subkey_name(number).text) != ERROR_SUCCESS) break;
    }
}

}  // namespace

void settings_load_from(AppState *state, const SettingsRegistry *registry) {
    if (state->symbols != nullptr) symbol_list_free(state->symbols);
    state->symbols = nullptr;
    symbol_list_create(&state->symbols);
    state->update_minutes = APP_DEFAULT_UPDATE_MINUTES;

    ScopedKey key(registry);
    if (!key.open(HKEY_CURRENT_USER, SETTINGS_KEY_PATH)) return;
    state->update_minutes =
        read_number(registry, key.get(), "Update", state->update_minutes, APP_DEFAULT_UPDATE_MINUTES);
    state->proxy_port = read_number(registry, key.get(), "Port", state->proxy_port, kDefaultPort);
    read_proxy(registry, key.get(), state->proxy);
    load_records(registry, key.get(), state->symbols);
}

void settings_save_to(AppState *state, const SettingsRegistry *registry) {
    ScopedKey key(registry);
    if (!key.create(HKEY_CURRENT_USER, SETTINGS_KEY_PATH)) return;
    write_number(registry, key.get(), "Update", state->update_minutes);
    write_number(registry, key.get(), "Port", state->proxy_port);
    write_proxy(registry, key.get(), state->proxy);
    save_records(registry, key.get(), state->symbols);
}

void settings_load(AppState *state) { settings_load_from(state, settings_registry_win32()); }

void settings_save(AppState *state) { settings_save_to(state, settings_registry_win32()); }

void settings_free(AppState *state) {
    if (state->symbols != nullptr) symbol_list_free(state->symbols);
    state->symbols = nullptr;
}
