// MQUTILITES_GetPage: one HTTP GET through WinINet into the caller's buffer,
// following up to five redirects.
#include "pagefetch/page_fetch.h"

#include <windows.h>
#include <wininet.h>

#include <type_traits>

#include "pagefetch/url_split.h"

static_assert(std::is_same<decltype(&MQUTILITES_GetPage), GetPageFunction>::value,
              "the export has the signature the plug-in is handed");

namespace {

HINSTANCE module_instance;

const char kUserAgent[] = "MQUTILITIES";
const INTERNET_PORT kServerPort = 80;

// A server that trickles a byte now and then never trips a per-read time-out,
// and the fetch blocks the caller's only thread; so the body loop also gives
// up once the whole fetch has taken this long, keeping what arrived.
const DWORD kWholeFetchLimitMs = 30000;

// Redirects followed in a row before a redirect's own body is taken as the
// page; a loop ends here, well inside the whole-fetch limit.
const int kMostRedirects = 5;

// One process-wide time-out: the value in force during a fetch and the value
// found before it.
struct Timeout {
    DWORD option;
    DWORD fetch_value;
    DWORD saved;
    bool was_read;
};

// Read, set and restored in this order.
struct Timeouts {
    Timeout items[3];
};

Timeouts fetch_timeouts() {
    return {{{INTERNET_OPTION_CONNECT_TIMEOUT, 5000, 0, false},
             {INTERNET_OPTION_RECEIVE_TIMEOUT, 10000, 0, false},
             {INTERNET_OPTION_SEND_TIMEOUT, 5000, 0, false}}};
}

// A null handle addresses the process-wide values.
void set_timeouts(HINTERNET handle, const Timeouts &timeouts) {
    for (const Timeout &timeout : timeouts.items) {
        DWORD value = timeout.fetch_value;
        InternetSetOptionA(handle, timeout.option, &value, sizeof value);
    }
}

void save_process_timeouts(Timeouts *timeouts) {
    for (Timeout &timeout : timeouts->items) {
        DWORD size = sizeof timeout.saved;
        timeout.was_read = InternetQueryOptionA(nullptr, timeout.option, &timeout.saved, &size) &&
                           size == sizeof timeout.saved;
    }
}

// Wine cannot read back the receive and send time-outs; putting back a value
// that was never read would be worse than leaving the option alone.
BOOL restore_process_timeouts(Timeouts *timeouts) {
    BOOL result = FALSE;
    for (Timeout &timeout : timeouts->items) {
        if (timeout.was_read) {
            result =
                InternetSetOptionA(nullptr, timeout.option, &timeout.saved, sizeof timeout.saved);
        }
    }
    return result;
}

// Closes its WinINet handle when it goes out of scope; declared root,
// connection, request, so they close in the reverse order.
// The gateway (gateway/upstream_fetch.cpp) has a WinINet GET of its own:
// this library is a deliverable of its own that may depend on nothing of the
// gateway, and its callers' contract fixes its buffers, its port and its
// time-outs.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_) {
            InternetCloseHandle(handle_);
        }
    }
    InternetHandle(const InternetHandle &) = delete;
    InternetHandle &operator=(const InternetHandle &) = delete;
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

// The host and path buffers, url_size bytes each, zero-filled, from a private
// heap that lives for one call.
class ScratchBuffers {
public:
    explicit ScratchBuffers(uint32_t url_size)
        : heap_(HeapCreate(0, 2 * static_cast<SIZE_T>(url_size), 0)) {
        if (heap_) {
            host_ = static_cast<char *>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, url_size));
            path_ =
                host_ ? static_cast<char *>(HeapAlloc(heap_, HEAP_ZERO_MEMORY, url_size)) : nullptr;
        }
    }
    ~ScratchBuffers() {
        if (path_) {
            HeapFree(heap_, 0, path_);
        }
        if (host_) {
            HeapFree(heap_, 0, host_);
        }
        if (heap_) {
            HeapDestroy(heap_);
        }
    }
    ScratchBuffers(const ScratchBuffers &) = delete;
    ScratchBuffers &operator=(const ScratchBuffers &) = delete;
    bool ok() const { return path_ != nullptr; }
    char *host() const { return host_; }
    char *path() const { return path_; }

private:
    HANDLE heap_;
    char *host_ = nullptr;
    char *path_ = nullptr;
};

HINTERNET open_root(const char *proxy) {
    if (lstrlenA(proxy) > 0) {
        return InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy, nullptr, 0);
    }
    return InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

// Reads the body in the chunks WinINet reports as available, straight into
// `buffer`; a chunk that does not fit ends the download. Returns the bytes
// received and leaves them zero-terminated within `capacity` (> 0).
uint32_t read_body(HINTERNET request, char *buffer, uint32_t capacity, DWORD started) {
    uint32_t total = 0;
    for (;;) {
        if (GetTickCount() - started > kWholeFetchLimitMs) {
            break;
        }
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request, &available, 0, 0) ||
            available > capacity - total) {
            break;
        }
        DWORD received = 0;
        if (!InternetReadFile(request, buffer + total, available, &received)) {
            break;
        }
        // Counting what arrived rather than what was offered: a short read
        // must not report bytes that were never written.
        total += received;
        if (received == 0) {
            break;
        }
    }
    buffer[total < capacity ? total : capacity - 1] = '\0';
    return total;
}

// What every request of one fetch shares: the root handle, the time-outs,
// the caller's buffer and length, and when the fetch began.
struct FetchRun {
    HINTERNET root;
    const Timeouts *timeouts;
    char *buffer;
    uint32_t *length;
    DWORD started;
};

bool is_followed_status(DWORD status) {
    switch (status) {
    case HTTP_STATUS_MOVED:
    case HTTP_STATUS_REDIRECT:
    case HTTP_STATUS_REDIRECT_METHOD:
    case HTTP_STATUS_REDIRECT_KEEP_VERB:
    case HTTP_STATUS_PERMANENT_REDIRECT:
        return true;
    default:
        return false;
    }
}

bool may_follow(const FetchRun &run, int redirects) {
    return redirects < kMostRedirects && GetTickCount() - run.started < kWholeFetchLimitMs;
}

// Where the answer to `request`, sent for host and path, leads, when it is a
// redirect the fetch follows. A Location too long for its buffer fails the
// query and is not followed.
bool redirect_target(HINTERNET request, const char *host, const char *path, RedirectTarget *next) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr) ||
        !is_followed_status(status)) {
        return false;
    }
    char location[kLocationSize];
    size = sizeof location;
    return HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location, &size, nullptr) &&
           resolve_location(location, host, path, next);
}

enum class Answer { NotSent, Page, Redirect };

// Sends one GET for host and path. A redirect that `may_follow` allows leaves
// its target in `*next` and its body unread; any other answer's body is the
// page. Its connection and request are closed before it returns.
Answer request_page(const FetchRun &run, const char *host, const char *path, int redirects,
                    RedirectTarget *next) {
    InternetHandle connection(InternetConnectA(run.root, host, kServerPort, nullptr, nullptr,
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection.get()) {
        return Answer::NotSent;
    }
    // Redirects are followed here rather than by WinINet: Wine's WinINet
    // follows a redirect loop without end, inside HttpSendRequestA, where no
    // time-out reaches it.
    InternetHandle request(
        HttpOpenRequestA(connection.get(), nullptr, path, nullptr, nullptr, nullptr,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0));
    if (!request.get()) {
        return Answer::NotSent;
    }
    // Wine's WinINet ignores the process-wide receive and send time-outs and
    // honours them only on the request handle.
    set_timeouts(request.get(), *run.timeouts);
    if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
        return Answer::NotSent;
    }
    if (may_follow(run, redirects) && redirect_target(request.get(), host, path, next)) {
        return Answer::Redirect;
    }
    *run.length = read_body(request.get(), run.buffer, *run.length, run.started);
    return Answer::Page;
}

// Leaves `buffer` empty and `*length` alone unless the request for the page
// itself, after any redirects, was sent.
void fetch(const char *host, const char *path, char *buffer, uint32_t *length, const char *proxy,
           const Timeouts &timeouts) {
    const DWORD started = GetTickCount();
    DWORD connection_flags = 0;
    if (!InternetGetConnectedState(&connection_flags, 0)) {
        return;
    }
    InternetHandle root(open_root(proxy));
    if (!root.get()) {
        return;
    }
    const FetchRun run = {root.get(), &timeouts, buffer, length, started};
    RedirectTarget current;
    RedirectTarget next;
    for (int redirects = 0; request_page(run, host, path, redirects, &next) == Answer::Redirect;
         ++redirects) {
        current = next;
        host = current.host;
        path = current.path;
    }
}

void fetch_if_addressed(const char *url, uint32_t url_size, char *buffer, uint32_t *length,
                        const char *proxy, const Timeouts &timeouts) {
    if (!url || !buffer || !length || *length == 0) {
        return;
    }
    ScratchBuffers scratch(url_size);
    if (!scratch.ok() || !split_url(url, url_size, scratch.host(), scratch.path())) {
        return;
    }
    buffer[0] = '\0';
    fetch(scratch.host(), scratch.path(), buffer, length, proxy ? proxy : "", timeouts);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reason;
    (void)reserved;
    module_instance = instance;
    return TRUE;
}

int32_t MQ_CDECL MQUTILITES_GetPage(const char *url, uint32_t url_size, char *buffer,
                                    uint32_t *length, const char *proxy) {
    Timeouts timeouts = fetch_timeouts();
    save_process_timeouts(&timeouts);
    set_timeouts(nullptr, timeouts);
    fetch_if_addressed(url, url_size, buffer, length, proxy, timeouts);
    return restore_process_timeouts(&timeouts);
}
