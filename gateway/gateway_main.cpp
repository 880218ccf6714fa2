// Morvane Quote Gateway.exe: serves the ticker's quote-page requests from
// live sources. No window the user sees and no console, only an icon while
// live quotes have stopped; it runs until `--stop` on the same port, or
// until the session ends.
//
// The path of one quote request through the modules:
//  1. gateway_server: the accept loop hands the connection to a thread;
//  2. page_request: its head is read and checked (only the ticker's shape);
//  3. quote_service: the cache answers, or the request fetches the symbol
//     (and sets the watchlist's other stale symbols to be prefetched);
//  4. source_chain: the sources in turn, each within its slots, its request
//     budget and the quote's time budget;
//  5. upstream_fetch: one WinINet GET on a thread of its own;
//  6. source_answers: the answer read into a quote; page_writer: the page;
//  7. back in gateway_server: the page sent, the request logged
//     (gateway_log), the outage watch told (outage_notice).
#include <winsock2.h>
#include <windows.h>

#include <stdlib.h>

#include <string>
#include <utility>
#include <vector>

#include "mq_version.h"

#include "gateway/clocks.h"
#include "gateway/gateway_limits.h"
#include "gateway/gateway_log.h"
#include "gateway/gateway_options.h"
#include "gateway/gateway_server.h"
#include "gateway/notice_icon.h"
#include "gateway/outage_notice.h"
#include "gateway/quote_service.h"
#include "gateway/scoped_handle.h"
#include "gateway/status_page.h"
#include "gateway/upstream_fetch.h"
#include "gateway/watchlist_store.h"

namespace {

const int kExitServed = 0;
const int kExitFailed = 1;
const int kExitUsage = 2;

// Named per port, so gateways on different ports never meet: the event
// asks the gateway to stop, the mutex is held for as long as it runs.
std::string stop_event_name(uint16_t port) {
    return "MorvaneQuoteGateway.Stop." + std::to_string(port);
}
std::string running_mutex_name(uint16_t port) {
    return "MorvaneQuoteGateway.Running." + std::to_string(port);
}

int stop_running_gateway(uint16_t port, GatewayLog &log) {
    KernelHandle stop(OpenEventA(EVENT_MODIFY_STATE, FALSE, stop_event_name(port).c_str()));
    KernelHandle running(OpenMutexA(SYNCHRONIZE, FALSE, running_mutex_name(port).c_str()));
    if (stop.get() == nullptr || running.get() == nullptr) {
        report_problem(log, "No gateway is running on port " + std::to_string(port) + ".");
        return kExitFailed;
    }
    SetEvent(stop.get());
    // The gateway holds the mark until its process ends, so it is let go of
    // as abandoned.
    DWORD waited = WaitForSingleObject(running.get(), kStopWaitMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        ReleaseMutex(running.get());
        return kExitServed;
    }
    report_problem(log, "The gateway on port " + std::to_string(port) + " did not stop within " +
                            std::to_string(kStopWaitMs / 1000) + " s.");
    return kExitFailed;
}

QuoteServiceHooks service_hooks(HANDLE stop, GatewayLog &log) {
    QuoteServiceHooks hooks;
    hooks.fetch = [stop](const std::string &url, uint32_t budget_ms, FetchHold hold) {
        return fetch_upstream(url, budget_ms, stop, std::move(hold));
    };
    hooks.clock = monotonic_ms;
    hooks.wall_clock = unix_seconds;
    hooks.load_watchlist = [&log] {
        std::string problem;
        std::string text = load_watchlist(&problem);
        if (!problem.empty()) log.note(problem);
        return text;
    };
    hooks.save_watchlist = save_watchlist;
    hooks.prefetched = [&log](const std::string &symbol, const ServedQuote &served, uint32_t ms) {
        log.request(symbol, served.source, "prefetch " + served.outcome, ms);
    };
    return hooks;
}

// "HH:MM:SS" in local time of a moment of monotonic_ms().
std::string clock_text(uint64_t at) {
    return local_clock_text(static_cast<int64_t>(at) - static_cast<int64_t>(monotonic_ms()));
}

OutageNoticeHooks outage_hooks(QuoteService &service) {
    OutageNoticeHooks hooks;
    hooks.clock = monotonic_ms;
    hooks.clock_text = clock_text;
    hooks.sources = [&service] { return status_view(service.status(), clock_text).sources; };
    return hooks;
}

// The status page's facts: the service's own, and what the gateway was
// started with.
std::function<GatewayStatus()> status_of(const GatewayOptions &options, QuoteService &service,
                                         OutageNotice &outage, GatewayLog &log) {
    std::string started_at = local_time_text();
    return [&options, &service, &outage, &log, started_at] {
        GatewayStatus status = status_view(service.status(), clock_text);
        status.quotes_stopped_since = outage.stopped_since();
        status.version = MQ_GATEWAY_VERSION_TEXT;
        status.port = options.port;
        status.started_at = started_at;
        status.log_file = options.log_file;
        status.recent_requests = log.recent_requests();
        return status;
    };
}

// Morvane Quote, for a user who wants it started with live quotes: only
// once the gateway listens, so that its first refresh finds it.
void start_ticker(const std::string &program, GatewayLog &log) {
    std::string folder = program.substr(0, program.find_last_of("\\/") + 1);
    std::string command_line = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        report_problem(log, "Cannot start \"" + program + "\" (error " +
                                std::to_string(GetLastError()) + ").");
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// Another gateway serves the ticker: nothing to tell, only the ticker to
// start.
int leave_to_running_gateway(const GatewayOptions &options, GatewayLog &log) {
    std::string message =
        "A gateway is already running on port " + std::to_string(options.port) + ".";
    if (options.start_ticker.empty()) {
        report_problem(log, message);
        return kExitFailed;
    }
    if (log.is_open()) log.note(message);
    start_ticker(options.start_ticker, log);
    return kExitFailed;
}

// The ticker starts all the same, with its old quotes; the balloon says why
// they will not update.
int start_without_listening(const GatewayOptions &options, const std::string &error,
                            GatewayLog &log) {
    if (options.start_ticker.empty()) {
        report_problem(log, error);
        return kExitFailed;
    }
    if (log.is_open()) log.note(error);
    start_ticker(options.start_ticker, log);
    NoticeIcon icon(options.port);
    Notice notice;
    notice.tooltip = "Morvane Quote Gateway: live quotes not started";
    notice.title = "Live quotes not started";
    notice.text = error + " Morvane Quote keeps its last quotes.";
    icon.show(notice);
    Sleep(kStartFailureBalloonMs);
    return kExitFailed;
}

int serve(const GatewayOptions &options, GatewayLog &log) {
    std::string port = std::to_string(options.port);
    Sleep(options.listen_delay_seconds * 1000);
    KernelHandle stop(CreateEventA(nullptr, TRUE, FALSE, stop_event_name(options.port).c_str()));
    if (stop.get() == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        return leave_to_running_gateway(options, log);
    }
    KernelHandle running(CreateMutexA(nullptr, TRUE, running_mutex_name(options.port).c_str()));
    std::string error;
    SOCKET listener = open_listener(options.port, &error);
    if (listener == INVALID_SOCKET) return start_without_listening(options, error, log);
    {
        // Destroyed, their threads joined, before the running mark goes:
        // --stop reports success only once nothing of the gateway runs.
        QuoteService service(options, service_hooks(stop.get(), log));
        OutageNotice outage(options.port, options.notify, outage_hooks(service));
        GatewayServer server = {options.port, &service, &log,
                                status_of(options, service, outage, log),
                                [&outage](const ServedQuote &served) { outage.served(served); }};
        log.note("listening on 127.0.0.1:" + port);
        if (!options.start_ticker.empty()) start_ticker(options.start_ticker, log);
        serve_quotes(listener, stop.get(), server);
    }
    if (!end_upstream_fetches(kStopFetchesWaitMs)) {
        log.note("stopped with a fetch the network still holds; it ends with the process");
    }
    log.note("stopped");
    // The running mark is not released here: the system lets go of it when
    // this thread ends with the process, so that --stop returns only once no
    // gateway is left.
    return kExitServed;
}

int run(const std::vector<std::string> &arguments) {
    GatewayOptions options;
    std::string error;
    bool understood = parse_gateway_options(arguments, &options, &error);
    GatewayLog log;
    if (!options.log_file.empty() && !log.open(options.log_file)) {
        report_problem(log, "Cannot open the log file \"" + options.log_file + "\".");
        return kExitUsage;
    }
    if (!understood) {
        report_problem(log, error + "\n" + gateway_usage());
        return kExitUsage;
    }
    if (options.stop) return stop_running_gateway(options.port, log);
    WSADATA winsock;
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        report_problem(log, "Windows Sockets are not available.");
        return kExitFailed;
    }
    int result = serve(options, log);
    WSACleanup();
    return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return run(std::vector<std::string>(__argv + 1, __argv + __argc));
}
