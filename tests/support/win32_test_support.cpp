#include "support/win32_test_support.h"

#include <stdio.h>

#include <fstream>
#include <sstream>

#include "pagefetch/page_fetch.h"

namespace mqtest {

std::string deliverable_dir() { return MQ_DELIVERABLE_DIR; }

std::string deliverable_path(const char *file_name) {
    return deliverable_dir() + "\\" + file_name;
}

DeliverableLibrary::DeliverableLibrary(const char *file_name)
    : path_(deliverable_path(file_name)), module_(LoadLibraryA(path_.c_str())) {}

DeliverableLibrary::~DeliverableLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
}

bool DeliverableLibrary::file_exists() const {
    return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

QuoteChain::QuoteChain()
    : utilities_(MQUTILITES_FILE_NAME), plugin_(MQX_PLUGIN_FILE_NAME) {
    auto get_page = resolve<GetPageFunction>(utilities_.module(), MQUTILITES_GET_PAGE_EXPORT);
    auto attach = resolve<MqxAttachFunction>(plugin_.module(), MQX_ATTACH_EXPORT);
    quote_ = resolve<MqxQuoteFunction>(plugin_.module(), MQX_QUOTE_EXPORT);
    if (get_page == nullptr || attach == nullptr || quote_ == nullptr) {
        problem_ = "cannot bind " + utilities_.path() + " and " + plugin_.path();
        return;
    }
    AttachRecord record{};
    record.version = MQX_INTERFACE_VERSION;
    record.get_page = get_page;
    attach(&record);
    if (record.accepted != 1) problem_ = "the plug-in refused to attach";
}

QuoteRequest QuoteChain::quote(const char *symbol, const std::string &proxy) const {
    QuoteRequest request{};
    snprintf(request.proxy, sizeof request.proxy, "%s", proxy.c_str());
    snprintf(request.symbol, sizeof request.symbol, "%s", symbol);
    if (quote_ != nullptr) quote_(&request);
    return request;
}

DWORD number_in_file(const char *path) {
    unsigned long number = 0;
    FILE *file = fopen(path, "r");
    if (file != nullptr) {
        if (fscanf(file, "%lu", &number) != 1) number = 0;
        fclose(file);
    }
    return number;
}

std::string file_text(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace mqtest
