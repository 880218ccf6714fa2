// Morvane Quote Gateway.exe as a child process of a test or benchmark: its
// sources at a local port, ready once its own port accepts a connection,
// stopped with --stop when the object goes.
#ifndef MORVANE_TESTS_SUPPORT_GATEWAY_PROCESS_H
#define MORVANE_TESTS_SUPPORT_GATEWAY_PROCESS_H

#include <windows.h>

#include <memory>
#include <string>

namespace apptest {
class ProgramProcess;
}

namespace mqtest {

class GatewayProcess {
public:
    // Both sources at http://127.0.0.1:SOURCE_PORT (1 for sources that never
    // answer), then `arguments` (quoted as needed); on `port`, or one that
    // is free now when 0; --log when `log_path` is given; the gateway of
    // `folder`, or of the deliverables folder when empty.
    explicit GatewayProcess(DWORD source_port, const std::string &arguments = "", DWORD port = 0,
                            const std::string &log_path = "", const std::string &folder = "");
    ~GatewayProcess();
    GatewayProcess(const GatewayProcess &) = delete;
    GatewayProcess &operator=(const GatewayProcess &) = delete;

    // True when its port accepted a connection within the start time-out
    // and nothing else listened there before.
    bool ready() const { return ready_; }
    DWORD port() const { return port_; }
    std::string proxy() const { return "127.0.0.1:" + std::to_string(port_); }

    // Runs another gateway process of its folder, on its port and with its
    // log, to its end; that process's exit code.
    DWORD run(const std::string &arguments) const;
    // True when --stop was answered and the gateway ended with exit code 0.
    bool stop();
    bool running() const;
    // The exit code once something else stopped it, or STILL_ACTIVE.
    DWORD wait_for_exit() const;
    // The most memory it has committed so far, in bytes (0: unknown).
    size_t peak_memory_bytes() const;

private:
    std::string folder_;
    DWORD port_;
    // Its port and log, which every gateway process started for it is given.
    std::string own_arguments_;
    std::unique_ptr<apptest::ProgramProcess> process_;
    bool ready_ = false;
};

}  // namespace mqtest

#endif
