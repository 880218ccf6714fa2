#include "app/quote_source.h"

#include <windows.h>

#include <string.h>

#include "app/module_export.h"
#include "pagefetch/page_fetch.h"

namespace {

// Offers the page fetch to the plug-in; the plug-in keeps its own copy of
// the record, so a local is enough. True when the plug-in accepted.
bool attach_plugin(HMODULE plugin, GetPageFunction get_page) {
    MqxAttachFunction attach = module_export<MqxAttachFunction>(plugin, MQX_ATTACH_EXPORT);
    if (attach == nullptr) {
        return false;
    }
    AttachRecord record;
    memset(&record, 0, sizeof(record));
    record.version = MQX_INTERFACE_VERSION;
    record.get_page = get_page;
    record.accepted = 0;
    attach(&record);
    return record.accepted != 0;
}

void unload_module(void **module) {
    if (*module != nullptr) {
        FreeLibrary(static_cast<HMODULE>(*module));
        *module = nullptr;
    }
}

}  // namespace

bool quote_source_bind(AppState *state) {
    HMODULE utilities = LoadLibraryA(MQUTILITES_FILE_NAME);
    state->utilities_module = utilities;
    if (utilities == nullptr) {
        return false;
    }
    GetPageFunction get_page =
        module_export<GetPageFunction>(utilities, MQUTILITES_GET_PAGE_EXPORT);
    if (get_page == nullptr) {
        return true;
    }
    HMODULE plugin = LoadLibraryA(MQX_PLUGIN_FILE_NAME);
    state->plugin_module = plugin;
    if (plugin == nullptr || !attach_plugin(plugin, get_page)) {
        return true;
    }
    state->quote_function = module_export<MqxQuoteFunction>(plugin, MQX_QUOTE_EXPORT);
    return state->quote_function != nullptr;
}

void quote_source_unbind(AppState *state) {
    state->quote_function = nullptr;
    unload_module(&state->plugin_module);
    unload_module(&state->utilities_module);
}
