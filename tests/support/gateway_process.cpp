#include "support/gateway_process.h"

#include "gateway/gateway_options.h"
#include "program_process.h"
#include "support/loopback.h"
#include "support/win32_test_support.h"

namespace mqtest {

namespace {

// A new prefix is slow to start its first program.
const DWORD kListenWaitMs = 30000;

std::string source_arguments(DWORD source_port) {
    if (source_port == 0) return "";
    std::string base = "http://127.0.0.1:" + std::to_string(source_port);
    return " --nasdaq-base " + base + " --yahoo-base " + base;
}

}  // namespace

GatewayProcess::GatewayProcess(const GatewayLaunch &launch)
    : folder_(launch.folder.empty() ? deliverable_dir() : launch.folder),
      port_(launch.port != 0 ? launch.port : free_loopback_port()),
      log_path_(launch.log_path) {
    // A listener already there would pass for this gateway.
    bool taken = loopback_listens(port_);
    process_.reset(new apptest::ProgramProcess(
        folder_ + "\\" GATEWAY_FILE_NAME, folder_,
        own_arguments() + source_arguments(launch.source_port) + " " + launch.arguments));
    // A gateway that cannot listen ends at once; no need to wait it out.
    ready_ = !taken && process_->started() &&
             wait_until([&] { return loopback_listens(port_) || !process_->running(); },
                        kListenWaitMs) &&
             process_->running();
}

GatewayProcess::~GatewayProcess() {
    if (process_->running()) stop();
}

std::string GatewayProcess::own_arguments() const {
    std::string text = "--port " + std::to_string(port_);
    if (!log_path_.empty()) text += " --log \"" + log_path_ + "\"";
    return text;
}

DWORD GatewayProcess::run(const std::string &arguments) const {
    apptest::ProgramProcess other(folder_ + "\\" GATEWAY_FILE_NAME, folder_,
                                  own_arguments() + " " + arguments);
    return other.wait_for_exit();
}

bool GatewayProcess::stop() {
    bool answered = process_->running() && run("--stop") == 0;
    return answered && process_->wait_for_exit() == 0;
}

DWORD GatewayProcess::wait_for_exit() const { return process_->wait_for_exit(); }

}  // namespace mqtest
