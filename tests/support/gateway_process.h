// Morvane Quote Gateway.exe as a child process of a test or benchmark: on a
// loopback port, its sources at a local address, ready once that port
// accepts a connection, stopped with --stop when the object goes.
#ifndef MORVANE_TESTS_SUPPORT_GATEWAY_PROCESS_H
#define MORVANE_TESTS_SUPPORT_GATEWAY_PROCESS_H

#include <windows.h>

#include <memory>
#include <string>

namespace apptest {
class ProgramProcess;
}

namespace mqtest {

// What a gateway is started with; what is left empty is not passed.
struct GatewayLaunch {
    // The folder of the gateway to start; the deliverables folder when empty.
    std::string folder;
    // A port that is free now when 0.
    DWORD port = 0;
    // Both sources at http://127.0.0.1:PORT; port 1 stands for a source
    // that never answers.
    DWORD source_port = 0;
    std::string log_path;
    // The rest, quoted as needed.
    std::string arguments;
};

class GatewayProcess {
public:
    explicit GatewayProcess(const GatewayLaunch &launch);
    ~GatewayProcess();
    GatewayProcess(const GatewayProcess &) = delete;
    GatewayProcess &operator=(const GatewayProcess &) = delete;

    // True when its port accepted a connection within the start time-out,
    // and nothing else had listened there before it started.
    bool ready() const { return ready_; }
    DWORD port() const { return port_; }
    std::string proxy() const { return "127.0.0.1:" + std::to_string(port_); }

    // Runs another gateway process of the same folder, on this one's port
    // and with its log, to its end; its exit code.
    DWORD run(const std::string &arguments) const;

    // Asks the gateway to stop with --stop; true when that was answered
    // and the gateway ended with exit code 0.
    bool stop();

    // The exit code once something else has stopped it, or STILL_ACTIVE.
    DWORD wait_for_exit() const;

private:
    std::string own_arguments() const;

    std::string folder_;
    DWORD port_;
    std::string log_path_;
    std::unique_ptr<apptest::ProgramProcess> process_;
    bool ready_ = false;
};

}  // namespace mqtest

#endif
