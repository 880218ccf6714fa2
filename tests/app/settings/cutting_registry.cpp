#include "app/settings/cutting_registry.h"

namespace mqtest {

namespace {

// The state of the cut: how many calls may still go through.
long g_cut_at = 0;
long g_calls = 0;
const SettingsRegistry *g_real = nullptr;

bool may_call() { return g_calls++ < g_cut_at; }

LONG cut_open(HKEY parent, const char *name, HKEY *out) {
    return may_call() ? g_real->open_key(parent, name, out) : ERROR_ACCESS_DENIED;
}
LONG cut_create(HKEY parent, const char *name, HKEY *out, DWORD *disposition) {
    return may_call() ? g_real->create_key(parent, name, out, disposition) : ERROR_ACCESS_DENIED;
}
LONG cut_query(HKEY key, const char *name, void *data, DWORD *size) {
    return may_call() ? g_real->query_value(key, name, data, size) : ERROR_ACCESS_DENIED;
}
LONG cut_set(HKEY key, const char *name, DWORD type, const void *data, DWORD size) {
    return may_call() ? g_real->set_value(key, name, type, data, size) : ERROR_ACCESS_DENIED;
}
LONG cut_enum(HKEY key, DWORD index, char *name, DWORD *name_size) {
    return may_call() ? g_real->enum_value_name(key, index, name, name_size) : ERROR_ACCESS_DENIED;
}
LONG cut_delete_value(HKEY key, const char *name) {
    return may_call() ? g_real->delete_value(key, name) : ERROR_ACCESS_DENIED;
}
LONG cut_delete_key(HKEY parent, const char *name) {
    return may_call() ? g_real->delete_key(parent, name) : ERROR_ACCESS_DENIED;
}
LONG cut_count(HKEY key, DWORD *subkeys, DWORD *values) {
    return may_call() ? g_real->count_entries(key, subkeys, values) : ERROR_ACCESS_DENIED;
}
LONG pass_close(HKEY key) { return g_real->close_key(key); }

const SettingsRegistry kCuttingRegistry = {cut_open,       cut_create, cut_query,
                                           cut_set,        cut_enum,   cut_delete_value,
                                           cut_delete_key, cut_count,  pass_close};

}  // namespace

const SettingsRegistry *CuttingRegistry::table(long cut_at) {
    g_real = settings_registry_win32();
    g_cut_at = cut_at;
    g_calls = 0;
    return &kCuttingRegistry;
}

long CuttingRegistry::calls_made() { return g_calls; }

}  // namespace mqtest
