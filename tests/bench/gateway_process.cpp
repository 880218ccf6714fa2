#include "bench/gateway_process.h"

#include "gateway/gateway_options.h"
#include "support/loopback.h"
#include "support/win32_test_support.h"

namespace bench {

namespace {

const DWORD kListenWaitMs = 30000;

std::string gateway_exe() { return std::string(MQ_DELIVERABLE_DIR) + "\\" GATEWAY_FILE_NAME; }

}  // namespace

GatewayProcess::GatewayProcess(long source_port, const std::string &arguments, DWORD port)
    : port_(port != 0 ? port : mqtest::free_loopback_port()) {
    std::string base = "http://127.0.0.1:" + std::to_string(source_port);
    process_.reset(new apptest::ProgramProcess(gateway_exe(), MQ_DELIVERABLE_DIR,
                                               "--port " + std::to_string(port_) +
                                                   " --nasdaq-base " + base + " --yahoo-base " +
                                                   base + " " + arguments));
    ready_ = process_->started() &&
             mqtest::wait_until([&] { return mqtest::loopback_listens(port_); }, kListenWaitMs);
}

GatewayProcess::~GatewayProcess() {
    apptest::ProgramProcess stop(gateway_exe(), MQ_DELIVERABLE_DIR,
                                 "--port " + std::to_string(port_) + " --stop");
    stop.wait_for_exit();
    process_->wait_for_exit();
}

}  // namespace bench
