// The gateway's log file and the way it tells the user something went
// wrong.
#ifndef MORVANE_GATEWAY_GATEWAY_LOG_H
#define MORVANE_GATEWAY_GATEWAY_LOG_H

#include <windows.h>

#include <stdint.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

class GatewayLog {
public:
    GatewayLog() = default;
    ~GatewayLog();
    GatewayLog(const GatewayLog &) = delete;
    GatewayLog &operator=(const GatewayLog &) = delete;

    // Opens `path` for appending; false when it cannot be opened. Beyond
    // kMaxLogFileBytes the file is moved to "`path`.1" and begun anew.
    bool open(const std::string &path);
    bool is_open() const { return file_ != INVALID_HANDLE_VALUE; }

    // One line per request, tab-separated: local time, symbol, source,
    // outcome, milliseconds. Safe from any thread; a closed log drops it.
    void request(const std::string &symbol, const std::string &source, const std::string &outcome,
                 DWORD milliseconds);

    // A line of its own with the local time in front.
    void note(const std::string &text);

    // The newest request lines, oldest first, as written (also without a
    // file), for the status page.
    std::vector<std::string> recent_requests();

private:
    void write_line(const std::string &line);
    void open_file();
    void start_anew();

    std::string path_;
    std::mutex file_mutex_;  // guards the file and its size
    HANDLE file_ = INVALID_HANDLE_VALUE;
    uint64_t size_ = 0;
    std::mutex recent_mutex_;
    std::deque<std::string> recent_;
};

// Tells the user `message`: into the log when it is open, else on standard
// error when the program has one (under Wine, started from a terminal), else
// in a message box.
void report_problem(GatewayLog &log, const std::string &message);

#endif
