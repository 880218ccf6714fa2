#include "support/win32_test_support.h"

#include <stdio.h>

#include <fstream>
#include <sstream>

#include "pagefetch/page_fetch.h"

namespace mqtest {

std::string deliverable_dir() { return MQ_DELIVERABLE_DIR; }

std::string deliverable_path(const char *file_name) { return deliverable_dir() + "\\" + file_name; }

DeliverableLibrary::DeliverableLibrary(const char *file_name)
    : path_(deliverable_path(file_name)), module_(LoadLibraryA(path_.c_str())) {}

DeliverableLibrary::~DeliverableLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
}

bool DeliverableLibrary::file_exists() const {
    return GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> DeliverableLibrary::export_names() const {
    std::vector<std::string> result;
    if (module_ == nullptr) return result;
    const BYTE *base = reinterpret_cast<const BYTE *>(module_);
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0) return result;
    const auto *exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY *>(base + entry.VirtualAddress);
    const auto *names = reinterpret_cast<const DWORD *>(base + exports->AddressOfNames);
    result.assign(exports->NumberOfFunctions - exports->NumberOfNames, "(by ordinal)");
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        result.push_back(reinterpret_cast<const char *>(base + names[i]));
    }
    return result;
}

VersionResource::VersionResource(const std::string &path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return;
    data_.resize(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data_.data())) data_.clear();
}

void *VersionResource::query(const std::string &path, UINT *size) const {
    void *value = nullptr;
    if (!loaded()) return nullptr;
    void *block = const_cast<char *>(data_.data());
    if (!VerQueryValueA(block, path.c_str(), &value, size)) return nullptr;
    return value;
}

const VS_FIXEDFILEINFO *VersionResource::fixed() const {
    UINT size = 0;
    return static_cast<const VS_FIXEDFILEINFO *>(query("\\", &size));
}

std::string VersionResource::translation() const {
    UINT size = 0;
    const WORD *pair = static_cast<const WORD *>(query("\\VarFileInfo\\Translation", &size));
    if (pair == nullptr || size < 2 * sizeof(WORD)) return "(no translation)";
    char name[16];
    snprintf(name, sizeof name, "%04x%04x", pair[0], pair[1]);
    return name;
}

std::string VersionResource::text(const char *name) const {
    UINT size = 0;
    std::string path = "\\StringFileInfo\\" + translation() + "\\" + name;
    const char *value = static_cast<const char *>(query(path, &size));
    return value != nullptr ? value : "(missing)";
}

QuoteChain::QuoteChain() : utilities_(MQUTILITES_FILE_NAME), plugin_(MQX_PLUGIN_FILE_NAME) {
    auto get_page = utilities_.resolve<GetPageFunction>(MQUTILITES_GET_PAGE_EXPORT);
    auto attach = plugin_.resolve<MqxAttachFunction>(MQX_ATTACH_EXPORT);
    quote_ = plugin_.resolve<MqxQuoteFunction>(MQX_QUOTE_EXPORT);
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

bool dispatch_pending(WPARAM *exit_code) {
    bool quit = false;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message != WM_QUIT) {
            DispatchMessageA(&message);
            continue;
        }
        quit = true;
        if (exit_code != nullptr) *exit_code = message.wParam;
    }
    return quit;
}

bool wait_until(const std::function<bool()> &done, DWORD timeout_ms, DWORD interval_ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeout_ms) return false;
        dispatch_pending();
        Sleep(interval_ms);
    }
}

std::string temp_path(const std::string &name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    return temp + name;
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
