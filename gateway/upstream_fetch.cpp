#include "gateway/upstream_fetch.h"

#include <windows.h>
#include <process.h>
#include <wininet.h>

#include <memory>
#include <utility>

#include "gateway/clocks.h"
#include "gateway/gateway_limits.h"
#include "gateway/scoped_handle.h"
#include "gateway/watchlist_store.h"

namespace {

// Some sources turn away clients that do not look like a browser.
const char kBrowserAgent[] =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/131.0.0.0 Safari/537.36";
const char kExtraHeaders[] = "Accept-Language: en-US,en;q=0.9\r\n";
const DWORD kReadChunkBytes = 16384;

// The page-fetch library (pagefetch/) has a handle wrapper, an address
// split and time-outs of its own on purpose: it is a deliverable that must
// depend on nothing of the gateway, and it splits only plain http:// on
// port 80 into fixed buffers, while the sources here are HTTPS addresses of
// any length, cracked by WinINet itself.
using SourceHandle = ScopedHandle<InternetCloseHandle>;

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

uint32_t retry_after(HINTERNET request) {
    char header[64];
    DWORD size = sizeof(header) - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_RETRY_AFTER, header, &size, nullptr)) return 0;
    return retry_after_ms(std::string_view(header, size), unix_seconds());
}

UpstreamAnswer read_answer(HINTERNET request, DWORD started, DWORD budget_ms) {
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
        // A source that trickles its answer is cut off at the budget too.
        if (GetTickCount() - started > budget_ms) return failed(UpstreamAnswer::Kind::timed_out);
        DWORD read = 0;
        if (!InternetReadFile(request, chunk, sizeof(chunk), &read)) return failed(failure_kind());
        if (read == 0) break;
        if (answer.body.size() + read > kMaxUpstreamBodyBytes) {
            return failed(UpstreamAnswer::Kind::too_large);
        }
        answer.body.append(chunk, read);
    }
    answer.kind = UpstreamAnswer::Kind::answered;
    return answer;
}

UpstreamAnswer fetch_now(const std::string &url, DWORD budget_ms) {
    DWORD started = GetTickCount();
    UrlParts parts;
    if (!crack_source_url(url, &parts)) return failed(UpstreamAnswer::Kind::unreachable);
    SourceHandle root(
        InternetOpenA(kBrowserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (root.get() == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    set_source_timeouts(root.get(), budget_ms);
    SourceHandle connection(InternetConnectA(root.get(), parts.host.c_str(), parts.port, nullptr,
                                             nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.get() == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    const char *accept_types[] = {"application/json", "text/plain", "*/*", nullptr};
    // A source's redirect is its failure, not a way elsewhere: Wine's
    // WinINet follows a redirect loop without end.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    SourceHandle request(HttpOpenRequestA(connection.get(), "GET", parts.path.c_str(), nullptr,
                                          nullptr, accept_types, flags, 0));
    if (request.get() == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    set_source_timeouts(request.get(), budget_ms);
    if (!HttpSendRequestA(request.get(), kExtraHeaders, static_cast<DWORD>(-1), nullptr, 0)) {
        return failed(failure_kind());
    }
    return read_answer(request.get(), started, budget_ms);
}

// Shared by the waiting caller and the fetching thread; whichever lets go
// last frees it.
struct FetchJob {
    std::string url;
    DWORD budget_ms = 0;
    UpstreamAnswer answer;
    HANDLE done = nullptr;
    ~FetchJob() {
        if (done != nullptr) CloseHandle(done);
    }
};

unsigned __stdcall fetch_thread(void *argument) {
    std::unique_ptr<std::shared_ptr<FetchJob>> job(
        static_cast<std::shared_ptr<FetchJob> *>(argument));
    (*job)->answer = fetch_now((*job)->url, (*job)->budget_ms);
    SetEvent((*job)->done);
    return 0;
}

}  // namespace

UpstreamAnswer fetch_upstream(const std::string &url, uint32_t budget_ms, HANDLE stop) {
    auto job = std::make_shared<FetchJob>();
    job->url = url;
    job->budget_ms = budget_ms;
    job->done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (job->done == nullptr) return failed(UpstreamAnswer::Kind::unreachable);
    auto *handed_over = new std::shared_ptr<FetchJob>(job);
    uintptr_t thread = _beginthreadex(nullptr, 0, fetch_thread, handed_over, 0, nullptr);
    if (thread == 0) {
        delete handed_over;
        return failed(UpstreamAnswer::Kind::unreachable);
    }
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    HANDLE waits[2] = {job->done, stop};
    DWORD waited = WaitForMultipleObjects(2, waits, FALSE, budget_ms);
    if (waited == WAIT_OBJECT_0 + 1) return failed(UpstreamAnswer::Kind::unreachable);
    if (waited != WAIT_OBJECT_0) return failed(UpstreamAnswer::Kind::timed_out);
    return std::move(job->answer);
}
