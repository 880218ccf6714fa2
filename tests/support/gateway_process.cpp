#include "support/gateway_process.h"

#include "gateway/gateway_options.h"
#include "program_process.h"
#include "support/loopback.h"
#include "support/win32_test_support.h"

namespace mqtest {

// A new prefix is slow to start its first program.
static const DWORD kListenWaitMs = 30000;

GatewayProcess::GatewayProcess(DWORD source_port, const std::string &arguments, DWORD port,
                               const std::string &log_path, const std::string &folder)
    : folder_(folder.empty() ? deliverable_dir() : folder),
      port_(port != 0 ? port : free_loopback_port()),
      own_arguments_("--port " + std::to_string(port_) +
                     (log_path.empty() ? "" : " --log \"" + log_path + "\"")) {
    // A listener already there would pass for this gateway.
    bool taken = loopback_listens(port_);
    std::string base = "http://127.0.0.1:" + std::to_string(source_port);
    process_.reset(new apptest::ProgramProcess(
        folder_ + "\\" GATEWAY_FILE_NAME, folder_,
        own_arguments_ + " --nasdaq-base " + base + " --yahoo-base " + base + " " + arguments));
    // A gateway that cannot listen ends at once; no need to wait it out.
    auto settled = [&] { return loopback_listens(port_) || !process_->running(); };
    ready_ = !taken && wait_until(settled, kListenWaitMs) && process_->running();
}

GatewayProcess::~GatewayProcess() {
    if (process_->running()) stop();
}

DWORD GatewayProcess::run(const std::string &arguments) const {
    apptest::ProgramProcess other(folder_ + "\\" GATEWAY_FILE_NAME, folder_,
                                  own_arguments_ + " " + arguments);
    return other.wait_for_exit();
}

bool GatewayProcess::stop() {
    return process_->running() && run("--stop") == 0 && process_->wait_for_exit() == 0;
}

bool GatewayProcess::running() const { return process_->running(); }

DWORD GatewayProcess::wait_for_exit() const { return process_->wait_for_exit(); }

size_t GatewayProcess::peak_memory_bytes() const { return process_->peak_memory_bytes(); }

}  // namespace mqtest
