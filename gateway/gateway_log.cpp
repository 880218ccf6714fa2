#include "gateway/gateway_log.h"

#include <stdio.h>

#include "gateway/clocks.h"
#include "gateway/gateway_limits.h"

namespace {

const char kCaption[] = "Morvane Quote Gateway";

bool write_all(HANDLE file, const std::string &text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

GatewayLog::~GatewayLog() {
    if (is_open()) CloseHandle(file_);
}

bool GatewayLog::open(const std::string &path) {
    path_ = path;
    std::lock_guard<std::mutex> lock(file_mutex_);
    open_file();
    return is_open();
}

void GatewayLog::open_file() {
    // Append-only access makes every single write land whole at the end,
    // also beside another gateway process that logs to the same file;
    // sharing deletion lets one of them move a full file aside.
    file_ = CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size = {};
    if (is_open() && GetFileSizeEx(file_, &size)) size_ = static_cast<uint64_t>(size.QuadPart);
}

// The full file becomes the one older file kept. When it cannot be moved
// (held by another program), the log stops rather than grow without end.
void GatewayLog::start_anew() {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    size_ = 0;
    std::string older = path_ + ".1";
    if (MoveFileExA(path_.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING)) open_file();
}

void GatewayLog::write_line(const std::string &line) {
    std::lock_guard<std::mutex> lock(file_mutex_);
    if (!is_open()) return;
    std::string text = line + "\r\n";
    if (size_ + text.size() > kMaxLogFileBytes) start_anew();
    if (is_open() && write_all(file_, text)) size_ += text.size();
}

void GatewayLog::request(const std::string &symbol, const std::string &source,
                         const std::string &outcome, DWORD milliseconds) {
    std::string line = local_time_text() + "\t" + symbol + "\t" + source + "\t" + outcome + "\t" +
                       std::to_string(milliseconds);
    write_line(line);
    std::lock_guard<std::mutex> lock(recent_mutex_);
    recent_.push_back(line);
    if (recent_.size() > kStatusRequestLines) recent_.pop_front();
}

std::vector<std::string> GatewayLog::recent_requests() {
    std::lock_guard<std::mutex> lock(recent_mutex_);
    return std::vector<std::string>(recent_.begin(), recent_.end());
}

void GatewayLog::note(const std::string &text) { write_line(local_time_text() + "\t" + text); }

void report_problem(GatewayLog &log, const std::string &message) {
    if (log.is_open()) {
        log.note(message);
        return;
    }
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE &&
        write_all(error, std::string(kCaption) + ": " + message + "\n")) {
        return;
    }
    MessageBoxA(nullptr, message.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
