#include "gateway/upstream_fetch.h"

#include <windows.h>
#include <process.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "gateway/clocks.h"
#include "gateway/gateway_limits.h"
#include "gateway/scoped_handle.h"

namespace {

// Some sources turn away clients that do not look like a browser.
const char kBrowserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/131.0.0.0 Safari/537.36";
const char kExtraHeaders[] = "Accept-Language: en-US,en;q=0.9\r\n";
const DWORD kReadChunkBytes = 16384;
// WinINet and TLS need little stack; a fetch thread reserves this much.
const unsigned kFetchThreadStackBytes = 256 * 1024;

// The page-fetch library (pagefetch/) has an address split and time-outs
// of its own on purpose: it is a deliverable that must depend on nothing of
// the gateway, and it splits only plain http:// on port 80 into fixed
// buffers, while the sources here are HTTPS addresses of any length,
// cracked by WinINet itself.

struct UrlParts {
    std::string host;
    std::string path;  // with the query
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool crack_source_url(const std::string &url, UrlParts *parts) {
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    // Non-zero lengths with null pointers: point into `url` rather than copy.
    components.dwHostNameLength = 1;
    components.dwUrlPathLength = 1;
    components.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &components) || components.dwHostNameLength == 0) {
        return false;
    }
    parts->host.assign(components.lpszHostName, components.dwHostNameLength);
    parts->path.assign(components.lpszUrlPath, components.dwUrlPathLength);
    parts->path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    parts->port = components.nPort;
    parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return true;
}

// Wine's WinINet honours time-outs only on the handles themselves.
void set_source_timeouts(HINTERNET handle, DWORD milliseconds) {
    const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                             INTERNET_OPTION_SEND_TIMEOUT};
    for (DWORD option : options) {
        InternetSetOptionA(handle, option, &milliseconds, sizeof(milliseconds));
    }
}

UpstreamAnswer failed(UpstreamAnswer::Kind kind) {
    UpstreamAnswer answer;
    answer.kind = kind;
    return answer;
}

UpstreamAnswer::Kind failure_kind() {
    return GetLastError() == ERROR_INTERNET_TIMEOUT ? UpstreamAnswer::Kind::timed_out
                                                    : UpstreamAnswer::Kind::unreachable;
}

// One GET in flight, shared by the thread that makes it and the caller that
// waits for it. Its WinINet handles are owned here and closed once: by the
// fetch thread when it is done, or by the waiting side to cut it short at
// the budget or the stop. On Windows that ends a call blocked on the
// network at once; Wine's WinINet lets such a call run to its own end.
class FetchJob {
public:
    FetchJob(std::string url, DWORD budget_ms, FetchHold hold)
        : url(std::move(url)),
          budget_ms(budget_ms),
          hold(std::move(hold)),
          done(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    FetchJob(const FetchJob &) = delete;
    FetchJob &operator=(const FetchJob &) = delete;

    const std::string url;
    const DWORD budget_ms;
    const DWORD started = GetTickCount();
    FetchHold hold;  // the thread's, until it ends
    UpstreamAnswer answer;
    const KernelHandle done;

    // Takes over a handle the fetch thread opened; nullptr, the handle
    // closed, once the job is cut short.
    HINTERNET adopt(HINTERNET handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (handle != nullptr && cut_) InternetCloseHandle(handle);
        if (handle == nullptr || cut_) return nullptr;
        handles_.push_back(handle);
        return handle;
    }
    // Whether the thread may start its next call: not once cut short (the
    // handles may be gone), nor past the budget.
    bool may_go_on() {
        std::lock_guard<std::mutex> lock(mutex_);
        return !cut_ && GetTickCount() - started <= budget_ms;
    }
    // The children first: the request, the connection, the session.
    void close_handles(bool cut_short) {
        std::lock_guard<std::mutex> lock(mutex_);
        cut_ = cut_ || cut_short;
        for (auto handle = handles_.rbegin(); handle != handles_.rend(); ++handle) {
            InternetCloseHandle(*handle);
        }
        handles_.clear();
    }

private:
    std::mutex mutex_;  // guards the two below
    bool cut_ = false;
    std::vector<HINTERNET> handles_;
};

uint32_t retry_after(HINTERNET request) {
    char header[64];
    DWORD size = sizeof(header) - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_RETRY_AFTER, header, &size, nullptr)) return 0;
    return retry_after_ms(std::string_view(header, size), unix_seconds());
}

// Reads only what has arrived, so that a source that trickles its answer is
// cut off at the budget too.
UpstreamAnswer read_answer(FetchJob &job, HINTERNET request) {
    UpstreamAnswer answer;
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        return failed(UpstreamAnswer::Kind::unreachable);
    }
    answer.http_status = static_cast<int>(status);
    answer.retry_after_ms = retry_after(request);
    char chunk[kReadChunkBytes];
    for (;;) {
        DWORD available = 0;
        if (!job.may_go_on()) return failed(UpstreamAnswer::Kind::timed_out);
        if (!InternetQueryDataAvailable(request, &available, 0, 0)) return failed(failure_kind());
        if (available == 0) break;
        DWORD read = 0;
        if (!job.may_go_on()) return failed(UpstreamAnswer::Kind::timed_out);
        if (!InternetReadFile(request, chunk, std::min<DWORD>(available, sizeof(chunk)), &read)) {
            return failed(failure_kind());
        }
        if (read == 0) break;
        if (answer.body.size() + read > kMaxUpstreamBodyBytes) {
            return failed(UpstreamAnswer::Kind::too_large);
        }
        answer.body.append(chunk, read);
    }
    answer.kind = UpstreamAnswer::Kind::answered;
    return answer;
}

UpstreamAnswer fetch_now(FetchJob &job) {
    UrlParts parts;
    if (!crack_source_url(job.url, &parts)) return failed(UpstreamAnswer::Kind::unreachable);
    HINTERNET root =
        job.adopt(InternetOpenA(kBrowserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (root == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    set_source_timeouts(root, job.budget_ms);
    HINTERNET connection = job.adopt(InternetConnectA(root, parts.host.c_str(), parts.port, nullptr,
                                                      nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    const char *accept_types[] = {"application/json", "text/plain", "*/*", nullptr};
    // A source's redirect is its failure, not a way elsewhere: Wine's
    // WinINet follows a redirect loop without end.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    HINTERNET request = job.adopt(HttpOpenRequestA(connection, "GET", parts.path.c_str(), nullptr,
                                                   nullptr, accept_types, flags, 0));
    if (request == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    set_source_timeouts(request, job.budget_ms);
    if (!job.may_go_on()) return failed(UpstreamAnswer::Kind::timed_out);
    if (!HttpSendRequestA(request, kExtraHeaders, static_cast<DWORD>(-1), nullptr, 0)) {
        return failed(failure_kind());
    }
    return read_answer(job, request);
}

// The fetches in flight, so that the stop can cut them short and wait for
// their threads; also the cap on how many run at once.
class FetchThreads {
public:
    bool add(const std::shared_ptr<FetchJob> &job) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.size() >= kMaxFetchThreads) return false;
        jobs_.insert(job);
        return true;
    }
    void remove(const std::shared_ptr<FetchJob> &job) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            jobs_.erase(job);
        }
        ended_.notify_all();
    }
    bool end_all(uint32_t wait_ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        for (const auto &job : jobs_) job->close_handles(true);
        return ended_.wait_for(lock, std::chrono::milliseconds(wait_ms),
                               [this] { return jobs_.empty(); });
    }

private:
    std::mutex mutex_;  // guards jobs_
    std::condition_variable ended_;
    std::set<std::shared_ptr<FetchJob>> jobs_;
};

FetchThreads &fetch_threads() {
    static FetchThreads threads;
    return threads;
}

unsigned __stdcall fetch_thread(void *argument) {
    std::unique_ptr<std::shared_ptr<FetchJob>> handed_over(
        static_cast<std::shared_ptr<FetchJob> *>(argument));
    std::shared_ptr<FetchJob> job = std::move(*handed_over);
    job->answer = fetch_now(*job);
    job->close_handles(false);
    // The source's slot goes back only now that the GET has ended.
    job->hold.reset();
    SetEvent(job->done.get());
    fetch_threads().remove(job);
    return 0;
}

bool start_fetch_thread(const std::shared_ptr<FetchJob> &job) {
    if (job->done.get() == nullptr || !fetch_threads().add(job)) return false;
    auto *handed_over = new std::shared_ptr<FetchJob>(job);
    uintptr_t thread = _beginthreadex(nullptr, kFetchThreadStackBytes, fetch_thread, handed_over,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == 0) {
        delete handed_over;
        fetch_threads().remove(job);
        return false;
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}

}  // namespace

UpstreamAnswer fetch_upstream(const std::string &url, uint32_t budget_ms, HANDLE stop,
                              FetchHold hold) {
    auto job = std::make_shared<FetchJob>(url, budget_ms, std::move(hold));
    if (!start_fetch_thread(job)) return failed(UpstreamAnswer::Kind::unreachable);
    HANDLE waits[2] = {job->done.get(), stop};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, budget_ms);
    if (waited == WAIT_OBJECT_0) return std::move(job->answer);
    job->close_handles(true);
    return failed(waited == WAIT_OBJECT_0 + 1 ? UpstreamAnswer::Kind::unreachable
                                              : UpstreamAnswer::Kind::timed_out);
}

bool end_upstream_fetches(uint32_t wait_ms) { return fetch_threads().end_all(wait_ms); }
