// A gateway for the benchmarks: Morvane Quote Gateway.exe on a loopback
// port, its two sources the fake source, stopped with --stop when the
// object goes.
#ifndef MORVANE_TESTS_BENCH_GATEWAY_PROCESS_H
#define MORVANE_TESTS_BENCH_GATEWAY_PROCESS_H

#include <windows.h>

#include <memory>
#include <string>

#include "program_process.h"

namespace bench {

class GatewayProcess {
public:
    // On `port`, or a free one when 0; ready() once it listens.
    GatewayProcess(long source_port, const std::string &arguments, DWORD port = 0);
    ~GatewayProcess();
    GatewayProcess(const GatewayProcess &) = delete;
    GatewayProcess &operator=(const GatewayProcess &) = delete;

    bool ready() const { return ready_; }
    DWORD port() const { return port_; }
    std::string proxy() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    DWORD port_;
    std::unique_ptr<apptest::ProgramProcess> process_;
    bool ready_ = false;
};

}  // namespace bench

#endif
